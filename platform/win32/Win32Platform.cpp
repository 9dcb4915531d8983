// Windows side of the platform layer: the wide ("W") functions throughout,
// the program's UTF-8 converted to UTF-16 at each call, so that a name in any
// script opens, lists and moves as it is.
#include "platform/Platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <vector>

#include "platform/win32/SystemError.h"
#include "text/Unicode.h"

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

std::string WithSeparator(const std::string& dir) {
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/'))
        return dir;
    return dir + "\\";
}

// Calls `get(buffer, size)`, a system function that gives the length it
// wrote, or the size it needs when the buffer is too small, until it fits.
template <typename Get>
std::wstring GrowingWide(Get get) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int tries = 0; tries < 8; ++tries) {
        DWORD n = get(&buffer[0], static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::wstring();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.assign(n > buffer.size() ? n + 1 : buffer.size() * 2, L'\0');
    }
    return std::wstring();
}

// Copies `from` to `to`, which must not exist, through a StagedFile: checked
// against the source and given its modification time before it takes the
// name. The source is untouched.
bool CopyWhole(const std::string& from, const std::string& to, std::string& errorText) {
    HANDLE in = CreateFileW(Utf8ToUtf16(from).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        errorText = SystemErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    FILETIME created{};
    FILETIME accessed{};
    FILETIME written{};
    std::unique_ptr<StagedFile> out;
    if (!GetFileSizeEx(in, &size) || !GetFileTime(in, &created, &accessed, &written))
        errorText = SystemErrorText(GetLastError());
    else
        out = CreateStagedFile(to, StagedFile::Mode::NoReplace, errorText);
    bool ok = out != nullptr;
    std::vector<unsigned char> buffer(1 << 20);
    LONGLONG copied = 0;
    while (ok) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            errorText = SystemErrorText(GetLastError());
            ok = false;
        } else if (got == 0) {
            break;
        } else if (std::fwrite(buffer.data(), 1, got, out->stream()) != got) {
            errorText = SystemErrorText(ERROR_WRITE_FAULT);
            ok = false;
        }
        copied += got;
    }
    CloseHandle(in);
    if (ok && (std::fflush(out->stream()) != 0 || copied != size.QuadPart)) {
        errorText = SystemErrorText(ERROR_WRITE_FAULT);
        ok = false;
    }
    if (!ok)
        return false;  // the temporary file goes with `out`
    // After the last write, which would change the time again.
    SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out->stream()))), &created, &accessed, &written);
    return out->commit(errorText);
}

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        if (path.empty())
            return nullptr;
        HANDLE h = CreateFileW(Utf8ToUtf16(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
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
        const std::wstring wide = Utf8ToUtf16(path);
        const std::wstring saved = GrowingWide([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
        if (saved.empty()) {
            WIN32_FILE_ATTRIBUTE_DATA data;
            return GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0 &&
                   (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        }
        bool entered = SetCurrentDirectoryW(wide.c_str()) != 0;
        if (entered)
            SetCurrentDirectoryW(saved.c_str());
        return entered;
    }

    bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) override {
        HANDLE h = CreateFileW(Utf8ToUtf16(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

    bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>& keepGoing) override {
        entries.clear();
        if (path.empty())
            return false;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(Utf8ToUtf16(WithSeparator(path) + "*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return false;
        do {
            std::string name = Utf16ToUtf8(data.cFileName);
            if (name == "." || name == "..")
                continue;
            DirectoryEntry entry;
            entry.name = std::move(name);
            entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entries.push_back(std::move(entry));
            if (entries.size() % ListingBatch == 0 && keepGoing && !keepGoing()) {
                FindClose(find);
                entries.clear();
                return false;
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return true;
    }

    std::string absolutePath(const std::string& path) override {
        const std::wstring wide = Utf8ToUtf16(path);
        std::wstring full =
            GrowingWide([&](wchar_t* b, DWORD n) { return GetFullPathNameW(wide.c_str(), n, b, nullptr); });
        return full.empty() ? path : Utf16ToUtf8(full);
    }

    // Never over an existing file. Within a volume a rename; across volumes a
    // copy written whole beside the target (StagedFile), then the original
    // removed, so that a copy cut short never stands at the target's name.
    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        if (MoveFileExW(Utf8ToUtf16(from).c_str(), Utf8ToUtf16(to).c_str(), 0))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_NOT_SAME_DEVICE) {
            errorText = SystemErrorText(error);
            return false;
        }
        if (!CopyWhole(from, to, errorText))
            return false;
        if (DeleteFileW(Utf8ToUtf16(from).c_str()))
            return true;
        errorText = SystemErrorText(GetLastError());
        DeleteFileW(Utf8ToUtf16(to).c_str());
        return false;
    }

    std::string openingProblem(const std::string& path) override {
        const std::wstring wide = Utf8ToUtf16(path);
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return SystemErrorText(GetLastError());
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return IsAFolderText;
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return SystemErrorText(GetLastError());
        const bool disk = GetFileType(h) == FILE_TYPE_DISK;
        CloseHandle(h);
        return disk ? std::string() : std::string(NotARegularFileText);
    }

    std::string listingProblem(const std::string& path) override {
        const std::wstring wide = Utf8ToUtf16(path);
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return SystemErrorText(GetLastError());
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return SystemErrorText(ERROR_DIRECTORY);
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(Utf8ToUtf16(WithSeparator(path) + "*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return SystemErrorText(GetLastError());
        FindClose(find);
        return std::string();
    }
};

}  // namespace

std::string SystemErrorText(unsigned long code) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (length != 0 && text != nullptr)
        result = Utf16ToUtf8(std::wstring_view(text, length));
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

FileSystem& SystemFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

// Through the system's own file times rather than the C library, which
// refuses every time before 1970: any date from 1601 on converts.
LocalTime ToLocalTime(std::int64_t secondsSinceEpoch) {
    LocalTime result;
    constexpr std::int64_t Latest = 0x7FFFFFFFFFFFFFFF / FileTimeTicksPerSecond - FileTimeEpochOffsetSeconds;
    if (secondsSinceEpoch < -FileTimeEpochOffsetSeconds || secondsSinceEpoch > Latest)
        return result;
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>(secondsSinceEpoch + FileTimeEpochOffsetSeconds) * FileTimeTicksPerSecond;
    FILETIME utc;
    utc.dwLowDateTime = ticks.LowPart;
    utc.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME utcParts;
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&utc, &utcParts))
        return result;
    // The zone's rules of the date's own year where the system keeps them
    // (as Linux applies them), else its present rules.
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    TIME_ZONE_INFORMATION ofYear{};
    const bool yearRules = GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID &&
                           GetTimeZoneInformationForYear(utcParts.wYear, &zone, &ofYear) &&
                           SystemTimeToTzSpecificLocalTime(&ofYear, &utcParts, &local);
    if (!yearRules && !SystemTimeToTzSpecificLocalTime(nullptr, &utcParts, &local))
        return result;
    result.year = local.wYear;
    result.month = local.wMonth;
    result.day = local.wDay;
    result.hour = local.wHour;
    result.minute = local.wMinute;
    result.second = local.wSecond;
    return result;
}

std::string AnsiToUtf8(const std::string& text) {
    if (text.empty())
        return text;
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0)
        return text;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return Utf16ToUtf8(wide);
}

std::string ExecutablePath() {
    std::wstring path = GrowingWide([](wchar_t* b, DWORD n) {
        DWORD got = GetModuleFileNameW(nullptr, b, n);
        // A cut-off name gives the buffer's size: ask for a bigger one.
        return got == n ? n + 1 : got;
    });
    return Utf16ToUtf8(path);
}

}  // namespace tw
