// The folder picker that Load (in the directory modes) and the options'
// Browse open: it starts on the remembered folder, also on a mapped drive
// (under Wine, Z: is the Linux root), and only a choice changes the folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "shell/win32/FolderBrowser.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

constexpr int FileNameBoxId = 1152;  // edt1 of the common dialogs

// A folder with a subfolder on a mapped drive when there is one (Z: under
// Wine), else in the temporary folder.
class PickerFolder {
public:
    PickerFolder() {
        DWORD z = GetFileAttributesA("Z:\\tmp");
        std::string base = z != INVALID_FILE_ATTRIBUTES && (z & FILE_ATTRIBUTE_DIRECTORY) ? "Z:\\tmp" : scratch_.path();
        path_ = base + "\\tunewarden picker " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
        CreateDirectoryA(sub().c_str(), nullptr);
    }
    ~PickerFolder() {
        RemoveDirectoryA(sub().c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& path() const { return path_; }
    std::string sub() const { return path_ + "\\chosen folder"; }

private:
    test::ScratchFolder scratch_;
    std::string path_;
};

bool IsPicker(HWND window) {
    return GetDlgItem(window, FileNameBoxId) != nullptr && GetDlgItem(window, IDOK) != nullptr;
}

TEST(FolderPickerTest, StartsOnTheRememberedFolderAndOnlyAChoiceChangesIt) {
    PickerFolder folder;
    std::string path = folder.path();
    // Cancel keeps the folder.
    {
        test::WhenDialogOpens user(IsPicker, [](HWND w) { PostMessageA(w, WM_COMMAND, IDCANCEL, 0); });
        ASSERT_TRUE(PickFolder(path, nullptr));
        ASSERT_TRUE(user.acted());
    }
    EXPECT_EQ(path, folder.path());
    // OK without a choice keeps it too (the system gives the folder it is
    // open on, or stays open until cancelled).
    {
        test::WhenDialogOpens user(IsPicker, [](HWND w) {
            SendMessageA(GetDlgItem(w, IDOK), BM_CLICK, 0, 0);
            PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        });
        ASSERT_TRUE(PickFolder(path, nullptr));
    }
    EXPECT_EQ(path, folder.path());
    // A name typed without a folder is a subfolder of the one the picker
    // is open on: it opened on the remembered folder, mapped drive or not.
    {
        test::WhenDialogOpens user(IsPicker, [](HWND w) {
            SetWindowTextA(GetDlgItem(w, FileNameBoxId), "chosen folder");
            SendMessageA(GetDlgItem(w, IDOK), BM_CLICK, 0, 0);
        });
        ASSERT_TRUE(PickFolder(path, nullptr));
    }
    EXPECT_EQ(path, folder.sub());
}

}  // namespace
}  // namespace tw::win
