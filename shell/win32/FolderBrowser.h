// The shell's folder browser, started on a given folder, with the current
// selection shown in its status line.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>

namespace tw::win {

// Shows the modal folder browser; when the user confirms a folder that has a
// file-system path, `path` becomes that path. On cancel, or for a virtual
// folder, `path` stays as it was. `owner` may be null.
void BrowseForFolder(std::string& path, HWND owner);

// The status-line form of a path: the path itself up to 35 characters, else
// its first 35 characters and "..." (characters, not bytes: a name is never
// cut inside one).
std::string FolderDisplayForm(const std::string& path);

// One run of SHBrowseForFolderW; lives on the stack of BrowseForFolder while
// the browser is open.
class FolderBrowser {
public:
    FolderBrowser(const std::string& startPath, HWND owner);
    FolderBrowser(const FolderBrowser&) = delete;
    FolderBrowser& operator=(const FolderBrowser&) = delete;

    // Shows the browser; true when a file-system folder was chosen, which is
    // then currentPath().
    bool run();

    const std::string& currentPath() const { return currentPath_; }
    // The browser's window while it is open (null before its first notification).
    HWND window() const { return window_; }

private:
    static int CALLBACK Notify(HWND window, UINT message, LPARAM lParam, LPARAM data);
    void onInitialized();
    void onSelectionChanged(LPCITEMIDLIST item);
    void setStatusText(const std::string& path);

    std::string startPath_;
    std::string currentPath_;
    HWND window_ = nullptr;
    std::wstring startWide_;
    wchar_t pathBuffer_[MAX_PATH] = {};
    wchar_t displayName_[MAX_PATH] = {};
    BROWSEINFOW info_ = {};
};

}  // namespace tw::win
