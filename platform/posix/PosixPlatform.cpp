// POSIX side of the platform layer.
#include "platform/Platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace tw {
namespace {

class PosixFile final : public ReadableFile {
public:
    PosixFile(int fd, std::int64_t size, std::int64_t mtime) : fd_(fd), size_(size), mtime_(mtime) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::int64_t size() const override { return size_; }
    std::int64_t modifiedTime() const override { return mtime_; }

    std::size_t readAt(std::int64_t offset, void* buffer, std::size_t count) override {
        if (offset < 0)
            return 0;
        auto* out = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < count) {
            ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    int fd_;
    std::int64_t size_;
    std::int64_t mtime_;
};

bool StatDirectory(const std::string& path, struct stat& st) {
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

// Copies `from` to `to`, which must not exist: written under a temporary name
// beside `to` (StagedFile, NoReplace), checked against the source, given its
// permissions and modification time, and only then given its name. A copy
// that fails or is cut short never stands at `to`. The source is untouched.
bool CopyExclusive(const std::string& from, const std::string& to, std::string& errorText) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        errorText = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        errorText = std::strerror(errno != 0 ? errno : EINVAL);
        ::close(in);
        return false;
    }
    std::unique_ptr<StagedFile> out = CreateStagedFile(to, StagedFile::Mode::NoReplace, errorText);
    if (!out) {
        ::close(in);
        return false;
    }
    int error = 0;
    std::vector<unsigned char> buffer(1 << 20);
    off_t copied = 0;
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(got), out->stream()) !=
            static_cast<std::size_t>(got)) {
            error = errno != 0 ? errno : EIO;
            break;
        }
        copied += got;
    }
    ::close(in);
    const int fd = ::fileno(out->stream());
    struct stat outSt {};
    if (error == 0 && std::fflush(out->stream()) != 0)
        error = errno;
    if (error == 0 && (::fstat(fd, &outSt) != 0 || outSt.st_size != copied || copied != st.st_size))
        error = EIO;
    if (error != 0) {
        errorText = std::strerror(error);
        return false;  // the temporary file goes with `out`
    }
    // The same file to anyone who looks at it: its permissions and time (set
    // after the last write, which would change the time again).
    ::fchmod(fd, st.st_mode & 07777);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(fd, times);
    return out->commit(errorText);
}

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        if (path.empty())
            return nullptr;
        int fd;
        do {
            fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return nullptr;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd, static_cast<std::int64_t>(st.st_size),
                                           static_cast<std::int64_t>(st.st_mtime));
    }

    bool directoryExists(const std::string& path) override {
        struct stat st {};
        return StatDirectory(path, st) && ::access(path.c_str(), X_OK) == 0;
    }

    bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) override {
        struct stat st {};
        if (!StatDirectory(path, st))
            return false;
        identity.device = static_cast<std::uint64_t>(st.st_dev);
        identity.object = static_cast<std::uint64_t>(st.st_ino);
        return true;
    }

    bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>& keepGoing) override {
        entries.clear();
        if (path.empty())
            return false;
        DIR* dir = ::opendir(path.c_str());
        if (dir == nullptr)
            return false;
        int dirFd = ::dirfd(dir);
        while (dirent* e = ::readdir(dir)) {
            const char* name = e->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            DirectoryEntry entry;
            entry.name = name;
            if (e->d_type == DT_DIR) {
                entry.isDirectory = true;
            } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
                // Follow links: a link to a directory is a directory. A link
                // that leads nowhere counts as a file, which then won't open.
                struct stat st {};
                entry.isDirectory = ::fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
            }
            entries.push_back(std::move(entry));
            if (entries.size() % ListingBatch == 0 && keepGoing && !keepGoing()) {
                ::closedir(dir);
                entries.clear();
                return false;
            }
        }
        ::closedir(dir);
        return true;
    }

    std::string absolutePath(const std::string& path) override {
        std::string full;
        if (!path.empty() && path[0] == '/') {
            full = path;
        } else {
            std::vector<char> buffer(4096);
            while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
                if (errno != ERANGE)
                    return path;
                buffer.resize(buffer.size() * 2);
            }
            full = JoinPath(buffer.data(), path);
        }
        // Resolve "." and ".." lexically, so that links stay as named.
        std::vector<std::string> parts;
        std::size_t i = 0;
        while (i <= full.size()) {
            std::size_t slash = full.find('/', i);
            if (slash == std::string::npos)
                slash = full.size();
            std::string part = full.substr(i, slash - i);
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(std::move(part));
            }
            i = slash + 1;
        }
        std::string result;
        for (const auto& part : parts)
            result += "/" + part;
        return result.empty() ? "/" : result;
    }

    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        int error = 0;
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return true;
        error = errno;
        if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
            // No RENAME_NOREPLACE on this file system: a hard link refuses an
            // existing target just as well.
            if (::link(from.c_str(), to.c_str()) == 0) {
                if (::unlink(from.c_str()) == 0)
                    return true;
                error = errno;
                ::unlink(to.c_str());
                errorText = std::strerror(error);
                return false;
            }
            error = errno;
            if (error == EPERM || error == ENOTSUP)
                error = EXDEV;  // no hard links here either: copy instead
        }
        if (error == EXDEV) {
            if (!CopyExclusive(from, to, errorText))
                return false;
            if (::unlink(from.c_str()) == 0)
                return true;
            error = errno;
            ::unlink(to.c_str());
        }
        errorText = std::strerror(error);
        return false;
    }

    std::string openingProblem(const std::string& path) override {
        struct stat st {};
        if (path.empty())
            return std::strerror(ENOENT);
        if (::stat(path.c_str(), &st) != 0)
            return std::strerror(errno);
        if (S_ISDIR(st.st_mode))
            return std::strerror(EISDIR);
        if (!S_ISREG(st.st_mode))
            return "Not a regular file";
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return std::strerror(errno);
        ::close(fd);
        return std::string();
    }

    std::string listingProblem(const std::string& path) override {
        if (path.empty())
            return std::strerror(ENOENT);
        DIR* dir = ::opendir(path.c_str());
        if (dir == nullptr)
            return std::strerror(errno);
        ::closedir(dir);
        return std::string();
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

LocalTime ToLocalTime(std::int64_t secondsSinceEpoch) {
    std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm tm{};
    LocalTime result;
    if (::localtime_r(&t, &tm) == nullptr)
        return result;
    result.year = tm.tm_year + 1900;
    result.month = tm.tm_mon + 1;
    result.day = tm.tm_mday;
    result.hour = tm.tm_hour;
    result.minute = tm.tm_min;
    result.second = tm.tm_sec;
    return result;
}

std::string AnsiToUtf8(const std::string& text) {
    return text;
}

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return std::string();
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

}  // namespace tw
