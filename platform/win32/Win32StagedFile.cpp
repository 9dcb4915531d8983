// Windows side of the platform layer: files written whole or not at all.
#include "platform/Platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/win32/SystemError.h"
#include "text/Unicode.h"

namespace tw {
namespace {

constexpr const wchar_t* TempSuffix = L".tmp";
// Room for the dot and the number within the 255 characters a name may have.
constexpr std::size_t MaxNameInTemp = 200;
constexpr int CreateAttempts = 100;

// A handle opened only to ask what a path is; closed with the object.
class InfoHandle {
public:
    explicit InfoHandle(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~InfoHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    InfoHandle(const InfoHandle&) = delete;
    InfoHandle& operator=(const InfoHandle&) = delete;

    bool information(BY_HANDLE_FILE_INFORMATION& info) const {
        return handle_ != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle_, &info) != 0;
    }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// The temporary file is hidden beside its target, so that the listing (which
// takes .mp1/.mp2/.mp3 names only) never sees it, and a crash leaves a name
// that says what it is.
class Win32StagedFile final : public StagedFile {
public:
    static std::unique_ptr<StagedFile> create(const std::string& target, Mode mode, std::string& errorText) {
        const std::wstring path = Utf8ToUtf16(ResolvedPath(target));
        if (path.empty()) {
            errorText = SystemErrorText(ERROR_PATH_NOT_FOUND);
            return nullptr;
        }
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (mode != Mode::Replace) {
                errorText = SystemErrorText(ERROR_FILE_EXISTS);
                return nullptr;
            }
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                errorText = IsAFolderText;
                return nullptr;
            }
            if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
                errorText = SystemErrorText(ERROR_ACCESS_DENIED);
                return nullptr;
            }
        }

        const std::size_t separator = path.find_last_of(L"\\/");
        const std::wstring folder = separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
        std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
        if (name.size() > MaxNameInTemp)
            name.resize(MaxNameInTemp);
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
            const std::wstring temp = folder + L"." + name + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(counter++) + TempSuffix;
            HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                const DWORD error = GetLastError();
                if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                    continue;
                errorText = SystemErrorText(error);
                return nullptr;
            }
            const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_WRONLY);
            std::FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
            if (stream == nullptr) {
                if (fd >= 0)
                    _close(fd);
                else
                    CloseHandle(h);
                DeleteFileW(temp.c_str());
                errorText = SystemErrorText(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;
            }
            return std::unique_ptr<StagedFile>(new Win32StagedFile(stream, temp, path, mode));
        }
        errorText = SystemErrorText(ERROR_FILE_EXISTS);
        return nullptr;
    }

    ~Win32StagedFile() override {
        if (stream_ != nullptr)
            std::fclose(stream_);
        if (!committed_)
            DeleteFileW(temp_.c_str());
    }
    Win32StagedFile(const Win32StagedFile&) = delete;
    Win32StagedFile& operator=(const Win32StagedFile&) = delete;

    std::FILE* stream() override { return stream_; }
    std::string temporaryPath() const override { return Utf16ToUtf8(temp_); }

    bool commit(std::string& errorText) override {
        if (stream_ == nullptr || committed_) {
            errorText = SystemErrorText(ERROR_INVALID_HANDLE);
            return false;
        }
        DWORD error = 0;
        if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0)
            error = ERROR_WRITE_FAULT;
        else if (mode_ != Mode::NewCopy &&
                 !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_)))))
            error = GetLastError();
        if (std::fclose(stream_) != 0 && error == 0)
            error = ERROR_WRITE_FAULT;
        stream_ = nullptr;
        const DWORD flags = (mode_ == Mode::NewCopy ? 0 : MOVEFILE_WRITE_THROUGH) |
                            (mode_ == Mode::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
        if (error == 0 && !MoveFileExW(temp_.c_str(), target_.c_str(), flags))
            error = GetLastError();
        if (error != 0) {
            errorText = SystemErrorText(error);
            DeleteFileW(temp_.c_str());
            return false;
        }
        committed_ = true;
        return true;
    }

private:
    Win32StagedFile(std::FILE* stream, std::wstring temp, std::wstring target, Mode mode)
        : stream_(stream), temp_(std::move(temp)), target_(std::move(target)), mode_(mode) {}

    std::FILE* stream_;
    std::wstring temp_;
    std::wstring target_;
    Mode mode_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<StagedFile> CreateStagedFile(const std::string& target, StagedFile::Mode mode, std::string& errorText) {
    return Win32StagedFile::create(target, mode, errorText);
}

std::string ResolvedPath(const std::string& path) {
    if (path.empty())
        return path;
    InfoHandle h(Utf8ToUtf16(path));
    if (h.get() == INVALID_HANDLE_VALUE)
        return path;
    wchar_t buffer[MAX_PATH + 1];
    std::wstring wide;
    DWORD n = GetFinalPathNameByHandleW(h.get(), buffer, MAX_PATH + 1, FILE_NAME_NORMALIZED);
    if (n == 0)
        return path;
    if (n <= MAX_PATH) {
        wide.assign(buffer, n);
    } else {
        wide.assign(n, L'\0');
        n = GetFinalPathNameByHandleW(h.get(), &wide[0], n, FILE_NAME_NORMALIZED);
        if (n == 0 || n >= wide.size())
            return path;
        wide.resize(n);
    }
    // "\\?\C:\x" is "C:\x"; "\\?\UNC\server\share" is "\\server\share".
    if (wide.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        wide = L"\\" + wide.substr(7);
    else if (wide.compare(0, 4, L"\\\\?\\") == 0)
        wide = wide.substr(4);
    return Utf16ToUtf8(wide);
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    BY_HANDLE_FILE_INFORMATION ia;
    BY_HANDLE_FILE_INFORMATION ib;
    InfoHandle ha(Utf8ToUtf16(a));
    InfoHandle hb(Utf8ToUtf16(b));
    return ha.information(ia) && hb.information(ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool CreateFolders(const std::string& path, std::string& errorText) {
    const std::wstring wide = Utf8ToUtf16(path);
    for (std::size_t at = wide.find_first_of(L"\\/", 1);; at = wide.find_first_of(L"\\/", at + 1)) {
        const std::wstring folder = wide.substr(0, at);
        // Roots, drives and shares are there or not: only what is missing is made.
        const DWORD existing = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(folder.c_str());
        const bool there = existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool share =
            folder.size() > 2 && folder[0] == folder[1] && (folder[0] == L'\\' || folder[0] == L'/') &&
            std::count_if(folder.begin(), folder.end(), [](wchar_t c) { return c == L'\\' || c == L'/'; }) <= 3;
        const bool root = folder.size() <= 2 || folder.back() == L':' || share;
        if (!there && !root && !CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            errorText = SystemErrorText(GetLastError());
            return false;
        }
        if (at == std::wstring::npos)
            break;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        errorText = SystemErrorText(ERROR_DIRECTORY);
        return false;
    }
    return true;
}

}  // namespace tw
