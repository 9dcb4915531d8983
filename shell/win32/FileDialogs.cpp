#include "shell/win32/FileDialogs.h"

#include <commdlg.h>

#include <algorithm>

#include "shell/win32/Centring.h"

namespace tw::win {

namespace {

// "a|b||" -> "a\0b\0\0", the form that the common dialogs read.
std::string DialogFilter(const char* filter) {
    std::string out(filter);
    std::replace(out.begin(), out.end(), '|', '\0');
    return out;
}

// What both dialogs share; the caller adds its own flags. `filter` and
// `path` must outlive the dialog.
OPENFILENAMEA DialogSetUp(HWND owner, const std::string& filter, char* path, DWORD pathSize, const char* folder) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path;
    dialog.nMaxFile = pathSize;
    dialog.lpstrInitialDir = folder;
    return dialog;
}

}  // namespace

std::optional<std::string> AskForFileToOpen(HWND owner, const char* filter, const std::string& folder) {
    std::string filterText = DialogFilter(filter);
    char path[MAX_PATH + 1] = {};
    OPENFILENAMEA dialog = DialogSetUp(owner, filterText, path, sizeof path, folder.empty() ? nullptr : folder.c_str());
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    CentreNextOwnedWindow centring(owner);
    if (!GetOpenFileNameA(&dialog))
        return std::nullopt;
    return std::string(path);
}

std::optional<std::string> AskForFileToSave(HWND owner, const char* filter, const char* initialName,
                                            const char* defaultExtension, const std::string& folder) {
    std::string filterText = DialogFilter(filter);
    char path[MAX_PATH + 1] = {};
    lstrcpynA(path, initialName, sizeof path);
    OPENFILENAMEA dialog = DialogSetUp(owner, filterText, path, sizeof path, folder.c_str());
    // The dialog appends the extension after a "."; a pattern such as
    // "*.txt" here would give names like "Untitled.*.txt".
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    CentreNextOwnedWindow centring(owner);
    if (!GetSaveFileNameA(&dialog))
        return std::nullopt;
    return std::string(path);
}

}  // namespace tw::win
