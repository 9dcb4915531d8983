// Choosing a folder: the system's folder picker (the common item dialog
// picking folders), started on a given folder; where the system lacks it,
// the shell's older folder browser, with the current selection shown in its
// status line.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>

namespace tw::win {

// Shows the modal folder picker, open on `path`; when the user confirms a
// folder that has a file-system path, `path` becomes that path (OK without
// a choice confirms `path` itself). On cancel, or for a virtual folder,
// `path` stays as it was. `owner` may be null.
void BrowseForFolder(std::string& path, HWND owner);

// The folder picker alone: the chosen folder as above, in `path`; false
// when the system has no such dialog (and nothing was shown).
bool PickFolder(std::string& path, HWND owner);

// The status-line form of a path: the path itself up to 35 characters, else
// its first 35 characters and "..." (characters, not bytes: a name is never
// cut inside one).
std::string FolderDisplayForm(const std::string& path);

// One run of SHBrowseForFolderW, the older browser: it starts on a folder
// given as a path, which a mapped or network drive does not take (the tree
// stays at its top). Lives on the stack of BrowseForFolder while open.
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
