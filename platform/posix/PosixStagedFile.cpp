// POSIX side of the platform layer: files written whole or not at all.
#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tw {
namespace {

// The temporary file is hidden beside its target, so that the listing (which
// takes .mp1/.mp2/.mp3 names only) never sees it, and a crash leaves a name
// that says what it is.
class PosixStagedFile final : public StagedFile {
public:
    static std::unique_ptr<StagedFile> create(const std::string& target, Mode mode, std::string& errorText) {
        if (target.empty()) {
            errorText = std::strerror(ENOENT);
            return nullptr;
        }
        // A link is written where it leads, so that the link stays a link.
        struct stat st {};
        std::string path = target;
        if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            path = ResolvedPath(target);
        mode_t permissions = 0;
        if (::stat(path.c_str(), &st) == 0) {
            int error = 0;
            if (mode != Mode::Replace)
                error = EEXIST;
            else if (S_ISDIR(st.st_mode))
                error = EISDIR;
            else if (!S_ISREG(st.st_mode))
                error = EINVAL;
            else if (::access(path.c_str(), W_OK) != 0)
                error = errno;
            if (error != 0) {
                errorText = error == EINVAL ? "Not a regular file" : std::strerror(error);
                return nullptr;
            }
            permissions = st.st_mode & 07777;  // the file keeps its permissions
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            permissions = 0666 & ~mask;
        }

        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.size() > MaxNameInTemp)
            name.resize(MaxNameInTemp);
        std::string temp = folder + "." + name + ".XXXXXX" + TempSuffix;
        const int fd = ::mkostemps(&temp[0], static_cast<int>(std::strlen(TempSuffix)), O_CLOEXEC);
        if (fd < 0) {
            errorText = std::strerror(errno);
            return nullptr;
        }
        std::FILE* stream = ::fdopen(fd, "wb");
        if (stream == nullptr || ::fchmod(fd, permissions) != 0) {
            errorText = std::strerror(errno);
            if (stream != nullptr)
                std::fclose(stream);
            else
                ::close(fd);
            ::unlink(temp.c_str());
            return nullptr;
        }
        return std::unique_ptr<StagedFile>(new PosixStagedFile(stream, temp, path, mode));
    }

    ~PosixStagedFile() override {
        if (stream_ != nullptr)
            std::fclose(stream_);
        if (!committed_)
            ::unlink(temp_.c_str());
    }
    PosixStagedFile(const PosixStagedFile&) = delete;
    PosixStagedFile& operator=(const PosixStagedFile&) = delete;

    std::FILE* stream() override { return stream_; }
    std::string temporaryPath() const override { return temp_; }

    bool commit(std::string& errorText) override {
        if (stream_ == nullptr || committed_) {
            errorText = std::strerror(EBADF);
            return false;
        }
        int error = 0;
        if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0)
            error = errno != 0 ? errno : EIO;
        else if (mode_ != Mode::NewCopy && ::fsync(::fileno(stream_)) != 0)
            error = errno;
        if (std::fclose(stream_) != 0 && error == 0)
            error = errno;
        stream_ = nullptr;
        if (error == 0)
            error = moveIntoPlace(mode_ != Mode::Replace);
        if (error != 0) {
            errorText = std::strerror(error);
            ::unlink(temp_.c_str());
            return false;
        }
        committed_ = true;
        return true;
    }

private:
    static constexpr const char* TempSuffix = ".tmp";
    // Room for the dot, the six random characters and the suffix within the
    // 255 bytes a name may have.
    static constexpr std::size_t MaxNameInTemp = 200;

    PosixStagedFile(std::FILE* stream, std::string temp, std::string target, Mode mode)
        : stream_(stream), temp_(std::move(temp)), target_(std::move(target)), mode_(mode) {}

    // 0 or the errno of the failure.
    int moveIntoPlace(bool noReplace) {
        if (!noReplace)
            return ::rename(temp_.c_str(), target_.c_str()) == 0 ? 0 : errno;
        if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        int error = errno;
        if (error != EINVAL && error != ENOSYS && error != ENOTSUP)
            return error;
        // No RENAME_NOREPLACE on this file system: a hard link refuses an
        // existing target just as well.
        if (::link(temp_.c_str(), target_.c_str()) == 0) {
            ::unlink(temp_.c_str());
            return 0;
        }
        error = errno;
        if (error != EPERM && error != ENOTSUP && error != ENOSYS)
            return error;
        // Nor hard links (FAT, some FUSE file systems): claim the name with an
        // exclusive create, which refuses an existing file, and put the file
        // over that empty claim.
        const int fd = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        ::close(fd);
        if (::rename(temp_.c_str(), target_.c_str()) == 0)
            return 0;
        error = errno;
        ::unlink(target_.c_str());
        return error;
    }

    std::FILE* stream_;
    std::string temp_;
    std::string target_;
    Mode mode_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<StagedFile> CreateStagedFile(const std::string& target, StagedFile::Mode mode, std::string& errorText) {
    return PosixStagedFile::create(target, mode, errorText);
}

std::string ResolvedPath(const std::string& path) {
    if (path.empty())
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool CreateFolders(const std::string& path, std::string& errorText) {
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        struct stat st {};
        if (!folder.empty() && ::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            errorText = std::strerror(errno);
            return false;
        }
        if (!folder.empty() && (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
            errorText = std::strerror(ENOTDIR);
            return false;
        }
        if (at == std::string::npos)
            return true;
    }
}

}  // namespace tw
