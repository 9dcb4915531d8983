#include "shell/win32/FileDialogs.h"

#include <commdlg.h>

#include <algorithm>

#include "shell/win32/Centring.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {

// "a|b||" -> "a\0b\0\0", the form that the common dialogs read.
std::wstring DialogFilter(const char* filter) {
    std::wstring out = ShownText(filter);
    std::replace(out.begin(), out.end(), L'|', L'\0');
    return out;
}

// What both dialogs share; the caller adds its own flags. `filter` and
// `path` must outlive the dialog.
OPENFILENAMEW DialogSetUp(HWND owner, const std::wstring& filter, wchar_t* path, DWORD pathSize,
                          const wchar_t* folder) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = pathSize;
    dialog.lpstrInitialDir = folder;
    return dialog;
}

// The save dialog with `flags` added; a null `title` keeps the system's.
std::optional<std::string> AskForName(HWND owner, const char* title, const char* filter, const std::string& initialName,
                                      const char* defaultExtension, const std::string& folder, DWORD flags) {
    std::wstring filterText = DialogFilter(filter);
    std::wstring folderText = ShownText(folder);
    std::wstring titleText = title != nullptr ? ShownText(title) : std::wstring();
    wchar_t path[MAX_PATH + 1] = {};
    lstrcpynW(path, ShownText(initialName).c_str(), MAX_PATH + 1);
    OPENFILENAMEW dialog = DialogSetUp(owner, filterText, path, MAX_PATH + 1, folderText.c_str());
    dialog.lpstrTitle = title != nullptr ? titleText.c_str() : nullptr;
    // The dialog appends the extension after a "."; a pattern such as
    // "*.txt" here would give names like "Untitled.*.txt".
    std::wstring extension = defaultExtension != nullptr ? ShownText(defaultExtension) : std::wstring();
    dialog.lpstrDefExt = defaultExtension != nullptr ? extension.c_str() : nullptr;
    dialog.Flags = OFN_HIDEREADONLY | flags;
    CentreNextOwnedWindow centring(owner);
    if (!GetSaveFileNameW(&dialog))
        return std::nullopt;
    return ProgramText(path);
}

}  // namespace

std::optional<std::string> AskForFileToOpen(HWND owner, const char* filter, const std::string& folder) {
    std::wstring filterText = DialogFilter(filter);
    std::wstring folderText = ShownText(folder);
    wchar_t path[MAX_PATH + 1] = {};
    OPENFILENAMEW dialog =
        DialogSetUp(owner, filterText, path, MAX_PATH + 1, folder.empty() ? nullptr : folderText.c_str());
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    CentreNextOwnedWindow centring(owner);
    if (!GetOpenFileNameW(&dialog))
        return std::nullopt;
    return ProgramText(path);
}

std::optional<std::string> AskForFileToSave(HWND owner, const char* filter, const char* initialName,
                                            const char* defaultExtension, const std::string& folder) {
    return AskForName(owner, nullptr, filter, initialName, defaultExtension, folder, OFN_OVERWRITEPROMPT);
}

std::optional<std::string> AskForNewFile(HWND owner, const char* title, const char* filter,
                                         const std::string& initialName, const char* defaultExtension,
                                         const std::string& folder) {
    return AskForName(owner, title, filter, initialName, defaultExtension, folder, OFN_NOCHANGEDIR);
}

}  // namespace tw::win
