// Windows side of the platform layer: the ANSI ("A") functions throughout,
// since every text of the program is single-byte text in the ANSI code page.
#include "platform/Platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <ctime>

namespace tw {
namespace {

constexpr std::int64_t FileTimeTicksPerSecond = 10000000;
constexpr std::int64_t FileTimeEpochOffsetSeconds = 11644473600;  // 1601-01-01 to 1970-01-01

std::int64_t FileTimeToUnixSeconds(const FILETIME& ft) {
    ULARGE_INTEGER v;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    return static_cast<std::int64_t>(v.QuadPart / FileTimeTicksPerSecond) - FileTimeEpochOffsetSeconds;
}

class Win32File final : public ReadableFile {
public:
    Win32File(HANDLE handle, std::int64_t size, std::int64_t mtime) : handle_(handle), size_(size), mtime_(mtime) {}
    ~Win32File() override { CloseHandle(handle_); }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    std::int64_t size() const override { return size_; }
    std::int64_t modifiedTime() const override { return mtime_; }

    std::size_t readAt(std::int64_t offset, void* buffer, std::size_t count) override {
        if (offset < 0)
            return 0;
        auto* out = static_cast<unsigned char*>(buffer);
        std::size_t done = 0;
        while (done < count) {
            std::size_t want = count - done;
            DWORD chunk = want > 0x40000000u ? 0x40000000u : static_cast<DWORD>(want);
            OVERLAPPED at{};
            ULARGE_INTEGER pos;
            pos.QuadPart = static_cast<ULONGLONG>(offset) + done;
            at.Offset = pos.LowPart;
            at.OffsetHigh = pos.HighPart;
            DWORD got = 0;
            if (!ReadFile(handle_, out + done, chunk, &got, &at) || got == 0)
                break;
            done += got;
        }
        return done;
    }

private:
    HANDLE handle_;
    std::int64_t size_;
    std::int64_t mtime_;
};

std::string SystemErrorText(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result;
    if (length != 0 && text != nullptr)
        result.assign(text, length);
    if (text != nullptr)
        LocalFree(text);
    // The system's texts end with CR LF; drop it only when it is there.
    if (result.size() >= 2 && result.compare(result.size() - 2, 2, "\r\n") == 0)
        result.erase(result.size() - 2);
    if (result.empty()) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "Unknown error (code %lu).", static_cast<unsigned long>(code));
        result = buffer;
    }
    return result;
}

std::string WithSeparator(const std::string& dir) {
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/'))
        return dir;
    return dir + "\\";
}

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        if (path.empty())
            return nullptr;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            CloseHandle(h);
            return nullptr;
        }
        ULARGE_INTEGER size;
        size.LowPart = info.nFileSizeLow;
        size.HighPart = info.nFileSizeHigh;
        return std::make_unique<Win32File>(h, static_cast<std::int64_t>(size.QuadPart),
                                           FileTimeToUnixSeconds(info.ftLastWriteTime));
    }

    // Probes with the current directory, as the system itself decides what
    // can be entered, and always puts the old current directory back.
    bool directoryExists(const std::string& path) override {
        if (path.empty())
            return false;
        char saved[MAX_PATH + 1];
        DWORD n = GetCurrentDirectoryA(sizeof saved, saved);
        if (n == 0 || n >= sizeof saved) {
            DWORD attributes = GetFileAttributesA(path.c_str());
            return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        }
        bool entered = SetCurrentDirectoryA(path.c_str()) != 0;
        if (entered)
            SetCurrentDirectoryA(saved);
        return entered;
    }

    bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) override {
        HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION info;
        bool ok = GetFileInformationByHandle(h, &info) != 0 && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        CloseHandle(h);
        if (!ok)
            return false;
        identity.device = info.dwVolumeSerialNumber;
        identity.object = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        return true;
    }

    bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) override {
        entries.clear();
        if (path.empty())
            return false;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((WithSeparator(path) + "*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return false;
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            DirectoryEntry entry;
            entry.name = std::move(name);
            entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entries.push_back(std::move(entry));
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return true;
    }

    std::string absolutePath(const std::string& path) override {
        char buffer[MAX_PATH + 1];
        char* filePart = nullptr;
        DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &filePart);
        if (n == 0)
            return path;
        if (n < sizeof buffer)
            return std::string(buffer, n);
        std::string big(n, '\0');
        n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(big.size()), &big[0], &filePart);
        if (n == 0 || n >= big.size())
            return path;
        big.resize(n);
        return big;
    }

    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        if (MoveFileA(from.c_str(), to.c_str()))
            return true;
        errorText = SystemErrorText(GetLastError());
        return false;
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

LocalTime ToLocalTime(std::int64_t secondsSinceEpoch) {
    __time64_t t = static_cast<__time64_t>(secondsSinceEpoch);
    std::tm tm{};
    LocalTime result;
    if (_localtime64_s(&tm, &t) != 0)
        return result;
    result.year = tm.tm_year + 1900;
    result.month = tm.tm_mon + 1;
    result.day = tm.tm_mday;
    result.hour = tm.tm_hour;
    result.minute = tm.tm_min;
    result.second = tm.tm_sec;
    return result;
}

bool IsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != 0;
}

std::string ExecutablePath() {
    char buffer[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return std::string();
    return std::string(buffer, n);
}

}  // namespace tw
