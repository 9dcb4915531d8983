// The clipboard and folder-browser helpers of the window, and what the
// program's manifest asks of the system.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "shell/win32/Clipboard.h"
#include "shell/win32/FolderBrowser.h"
#include "shell/win32/WideText.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::ClipboardText;

// The test program carries the program's resources, manifest included: the
// system reads it (DPI awareness), and it names Common Controls 6.
TEST(ResourcesTest, VisualStylesAndSystemDpiAwareness) {
    EXPECT_TRUE(IsProcessDPIAware());
    HRSRC found = FindResourceW(nullptr, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    std::string manifest(bytes, SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), std::string::npos);
}

// The version resource carries the project's version, in numbers and text.
TEST(ResourcesTest, VersionResourceCarriesTheProjectVersion) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    std::string block(bytes, SizeofResource(nullptr, found));
    const DWORD signature = VS_FFI_SIGNATURE;
    std::size_t at = block.find(std::string(reinterpret_cast<const char*>(&signature), sizeof signature));
    ASSERT_NE(at, std::string::npos);
    VS_FIXEDFILEINFO info{};
    ASSERT_LE(at + sizeof info, block.size());
    std::memcpy(&info, block.data() + at, sizeof info);
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(info.dwFileVersionMS)),
                  static_cast<unsigned long>(LOWORD(info.dwFileVersionMS)),
                  static_cast<unsigned long>(HIWORD(info.dwFileVersionLS)));
    EXPECT_STREQ(numbers, TW_VERSION);
    EXPECT_EQ(info.dwProductVersionMS, info.dwFileVersionMS);
    std::string text;
    for (char c : std::string(TW_VERSION))
        text += std::string{c, '\0'};  // as UTF-16
    EXPECT_NE(block.find(text), std::string::npos);
}

TEST(ClipboardTest, TextRoundTrip) {
    CopyTextToClipboard(nullptr, "C:\\Music\\Track 01.mp3");
    EXPECT_EQ(ClipboardText(), "C:\\Music\\Track 01.mp3");
    // Unicode text: UTF-8 as it is, other bytes as the ANSI code page shows them.
    CopyTextToClipboard(nullptr, "caf\xC3\xA9 \xE6\x97\xA5");
    EXPECT_EQ(ClipboardText(), "caf\xC3\xA9 \xE6\x97\xA5");
    CopyTextToClipboard(nullptr, "caf\xE9");
    EXPECT_EQ(ClipboardText(), ProgramText(ShownText("caf\xE9")));
    CopyTextToClipboard(nullptr, "");
    EXPECT_EQ(ClipboardText(), "");
}

TEST(ClipboardTest, GivesUpQuietlyWhenTheClipboardIsTaken) {
    CopyTextToClipboard(nullptr, "before");
    // A clipboard held open by another window can't be opened again.
    HWND holder = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(OpenClipboard(holder));
    HWND other = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    CopyTextToClipboard(other, "after");
    CloseClipboard();
    EXPECT_EQ(ClipboardText(), "before");
    DestroyWindow(other);
    DestroyWindow(holder);
}

TEST(FolderBrowserTest, StatusLineShowsThirtyFiveCharacters) {
    EXPECT_EQ(FolderDisplayForm(""), "");
    EXPECT_EQ(FolderDisplayForm("C:\\"), "C:\\");
    const std::string thirtyFive = "C:\\Music\\Artists\\Some Band\\Album 01";
    ASSERT_EQ(thirtyFive.size(), 35u);
    EXPECT_EQ(FolderDisplayForm(thirtyFive), thirtyFive);
    EXPECT_EQ(FolderDisplayForm(thirtyFive + "X"), thirtyFive + "...");
    EXPECT_EQ(FolderDisplayForm(thirtyFive + "\\Disc 2\\Bonus"), thirtyFive + "...");
}

// A folder with a path longer than the status line, made for one test.
class LongFolder {
public:
    LongFolder() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "tunewarden folder browser test, long name";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~LongFolder() { RemoveDirectoryA(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool IsFolderBrowser(HWND window) {
    return test::FindChildWithText(window, "Current Selection") != nullptr;
}

// The older browser, kept for systems without the folder picker.
TEST(FolderBrowserTest, StartsOnThePathAndShowsItsShortForm) {
    LongFolder folder;
    ASSERT_GT(folder.path().size(), 35u);
    ASSERT_NE(GetFileAttributesA(folder.path().c_str()), INVALID_FILE_ATTRIBUTES);

    // Cancel gives nothing; the status line shows the start path's short form.
    std::string expectedStatus = FolderDisplayForm(folder.path());
    bool statusShown = false;
    {
        FolderBrowser cancelled(folder.path(), nullptr);
        test::WhenDialogOpens user(IsFolderBrowser, [&](HWND window) {
            statusShown = test::FindChildWithText(window, expectedStatus) != nullptr;
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_FALSE(cancelled.run());
        EXPECT_TRUE(user.acted());
    }
    EXPECT_TRUE(statusShown) << expectedStatus;

    // OK takes the selected folder, which is the start path.
    FolderBrowser browser(folder.path(), nullptr);
    {
        test::WhenDialogOpens user(IsFolderBrowser, [](HWND window) { PostMessageA(window, WM_COMMAND, IDOK, 0); });
        ASSERT_TRUE(browser.run());
        EXPECT_TRUE(user.acted());
    }
    EXPECT_EQ(lstrcmpiA(browser.currentPath().c_str(), folder.path().c_str()), 0) << browser.currentPath();
}

}  // namespace
}  // namespace tw::win
