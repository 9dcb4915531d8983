#include "shell/win32/FolderBrowser.h"

#include <shobjidl.h>

#include "shell/win32/Centring.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {

// Texts of the browser.
constexpr const wchar_t* BrowserTitle = L"Current Selection";

// Longest path shown whole in the status line.
constexpr std::size_t StatusPathLength = 35;

// Hands an item list back to the shell's allocator.
void FreeItemList(LPITEMIDLIST items) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr)
        return;
    allocator->Free(items);
    allocator->Release();
}

// COM for the browser's lifetime, when the thread hasn't set it up already
// in another mode.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (initialised_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

}  // namespace

std::string FolderDisplayForm(const std::string& path) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if ((static_cast<unsigned char>(path[i]) & 0xC0) == 0x80)
            continue;  // inside a UTF-8 character
        if (characters == StatusPathLength)
            return path.substr(0, i) + "...";
        ++characters;
    }
    return path;
}

void BrowseForFolder(std::string& path, HWND owner) {
    ComScope com;
    if (PickFolder(path, owner))
        return;
    FolderBrowser browser(path, owner);
    if (browser.run())
        path = browser.currentPath();
}

bool PickFolder(std::string& path, HWND owner) {
    ComScope com;
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(&dialog))) ||
        dialog == nullptr)
        return false;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR);
    // Opened on the folder itself, so that OK without a choice keeps it. The
    // folder is named by its parsed item, which any drive takes.
    IShellItem* start = nullptr;
    if (!path.empty() && SUCCEEDED(SHCreateItemFromParsingName(ShownText(path).c_str(), nullptr, IID_IShellItem,
                                                               reinterpret_cast<void**>(&start)))) {
        dialog->SetFolder(start);
        start->Release();
    }
    HRESULT shown = E_FAIL;
    {
        CentreNextOwnedWindow centring(owner);
        shown = dialog->Show(owner);
    }
    IShellItem* chosen = nullptr;
    if (SUCCEEDED(shown) && SUCCEEDED(dialog->GetResult(&chosen)) && chosen != nullptr) {
        wchar_t* name = nullptr;
        if (SUCCEEDED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &name)) && name != nullptr) {
            path = ProgramText(name);
            CoTaskMemFree(name);
        }
        chosen->Release();
    }
    dialog->Release();
    return true;
}

FolderBrowser::FolderBrowser(const std::string& startPath, HWND owner)
    : startPath_(startPath), startWide_(ShownText(startPath)) {
    info_.hwndOwner = owner;
    info_.pidlRoot = nullptr;  // the desktop
    info_.pszDisplayName = displayName_;
    info_.lpszTitle = BrowserTitle;
    info_.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info_.lpfn = Notify;
    info_.lParam = reinterpret_cast<LPARAM>(this);
}

bool FolderBrowser::run() {
    currentPath_ = startPath_;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&info_);
    window_ = nullptr;
    if (chosen == nullptr)
        return false;
    pathBuffer_[0] = L'\0';
    bool isFolder = SHGetPathFromIDListW(chosen, pathBuffer_) != FALSE;
    FreeItemList(chosen);
    if (!isFolder)
        return false;
    currentPath_ = ProgramText(pathBuffer_);
    return true;
}

int CALLBACK FolderBrowser::Notify(HWND window, UINT message, LPARAM lParam, LPARAM data) {
    auto* self = reinterpret_cast<FolderBrowser*>(data);
    if (self == nullptr)
        return 0;
    self->window_ = window;
    if (message == BFFM_INITIALIZED)
        self->onInitialized();
    else if (message == BFFM_SELCHANGED)
        self->onSelectionChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
    return 0;
}

void FolderBrowser::onInitialized() {
    CentreOnOwner(window_, info_.hwndOwner);
    SendMessageW(window_, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(startWide_.c_str()));
    setStatusText(startPath_);
}

void FolderBrowser::onSelectionChanged(LPCITEMIDLIST item) {
    pathBuffer_[0] = L'\0';
    if (item == nullptr || !SHGetPathFromIDListW(item, pathBuffer_))
        pathBuffer_[0] = L'\0';
    currentPath_ = ProgramText(pathBuffer_);
    setStatusText(currentPath_);
}

void FolderBrowser::setStatusText(const std::string& path) {
    std::wstring shown = ShownText(FolderDisplayForm(path));
    SendMessageW(window_, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(shown.c_str()));
}

}  // namespace tw::win
