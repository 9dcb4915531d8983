// Names in Japanese, Cyrillic, Greek and Hebrew, an emoji and a character
// outside the BMP, through every way a name enters or leaves the window.
#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "text/Unicode.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "settings/Settings.h"
#include "shell/win32/Clipboard.h"
#include "shell/win32/FolderBrowser.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/WideText.h"
#include "tests/support/RecordingSink.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::MainWindow;
using test::ScratchFolder;

const std::string Japanese = "\xE6\x97\xA5\xE6\x9C\xAC";
const std::string Cyrillic = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
const std::string Greek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1";
const std::string Hebrew = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";
const std::string Emoji = "\xF0\x9F\x8E\xB5";
const std::string Clef = "\xF0\x9D\x84\x9E";  // U+1D11E

std::wstring Ansi(const char* bytes) {
    wchar_t wide[8] = {};
    MultiByteToWideChar(CP_ACP, 0, bytes, -1, wide, 8);
    return wide;
}

// A DROPFILES block in UTF-16, as the shell hands a drop over.
HDROP MakeWideDrop(const std::string& path) {
    const std::wstring wide = Utf8ToUtf16(path);
    const std::size_t size = sizeof(DROPFILES) + (wide.size() + 2) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), wide.c_str(), wide.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

TEST(WideText, ShowsUtf8AsItIsAndOtherBytesInTheAnsiCodePage) {
    EXPECT_EQ(ShownText(Japanese + " " + Emoji), Utf8ToUtf16(Japanese + " " + Emoji));
    // An ID3v1 title in Windows-1252 next to a UTF-8 path on one log line.
    EXPECT_EQ(ShownText("Caf\xE9 \x96 " + Hebrew),
              L"Caf" + Ansi("\xE9") + L" " + Ansi("\x96") + L" " + Utf8ToUtf16(Hebrew));
    EXPECT_EQ(ProgramText(ShownText(Cyrillic)), Cyrillic);
    EXPECT_EQ(AnsiCodePageText("\xC3\xA9"), "\xE9");  // the delimiter box's é, on a Western system
    EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\Tunewarden.exe\"  \"Z:\\\x65E5.mp3\""),
              "\"Z:\\" + Japanese.substr(0, 3) + ".mp3\"");
    EXPECT_EQ(ArgumentsOf(L"Tunewarden.exe\tC:\\a b.mp3"), "C:\\a b.mp3");
    EXPECT_EQ(ArgumentsOf(L"Tunewarden.exe"), "");
    // The folder browser's status line counts characters, never cutting one.
    EXPECT_EQ(FolderDisplayForm(std::string(34, 'a') + Japanese), std::string(34, 'a') + Japanese.substr(0, 3) + "...");
}

// The log list, which has no font fallback of its own, draws Greek,
// Cyrillic and Hebrew from its font, at the height of the dialog's font.
TEST(UnicodeWindow, LogListFontHoldsTheScriptsBeyondWestern) {
    ScratchFolder folder;
    MainWindow w(folder, "");
    auto listFont = reinterpret_cast<HFONT>(SendMessageW(w.item(IDC_MAIN_LOG), WM_GETFONT, 0, 0));
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(w.handle(), WM_GETFONT, 0, 0));
    LOGFONTW list{}, dialog{};
    ASSERT_NE(GetObjectW(listFont, sizeof list, &list), 0);
    ASSERT_NE(GetObjectW(dialogFont, sizeof dialog, &dialog), 0);
    EXPECT_EQ(list.lfHeight, dialog.lfHeight);

    HDC dc = GetDC(w.item(IDC_MAIN_LOG));
    HGDIOBJ old = SelectObject(dc, listFont);
    for (const std::string& text : {Greek, Cyrillic, Hebrew}) {
        const std::wstring wide = Utf8ToUtf16(text);
        std::vector<WORD> glyphs(wide.size());
        ASSERT_NE(GetGlyphIndicesW(dc, wide.c_str(), static_cast<int>(wide.size()), glyphs.data(),
                                   GGI_MARK_NONEXISTING_GLYPHS),
                  GDI_ERROR);
        for (WORD glyph : glyphs)
            EXPECT_NE(glyph, 0xFFFF) << text;
    }
    SelectObject(dc, old);
    ReleaseDC(w.item(IDC_MAIN_LOG), dc);
}

TEST(UnicodeWindow, EveryFunctionListsOpensMovesAndShowsTheNamesWhole) {
    ScratchFolder folder;
    const std::string music = folder / (Greek + " music");
    const std::string moved = folder / (Hebrew + " moved");
    ASSERT_TRUE(CreateDirectoryW(Utf8ToUtf16(music).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Utf8ToUtf16(moved).c_str(), nullptr));
    const std::vector<std::string> bad = {Cyrillic + ".mp3", Emoji + ".mp3", "Bach " + Clef + ".mp3"};
    test::WriteBytes(music + "\\" + Japanese + ".mp3", test::SoundMp3(40));
    for (const std::string& name : bad)
        test::WriteBytes(music + "\\" + name, test::BrokenMp3(40));
    // The settings as this build writes them: UTF-8.
    const std::string settings =
        "[Options]\r\nFunction=2\r\nTest Dir Name=" + music + "\r\nMove Files Path=" + moved + "\r\n";

    // What the core writes for the same tree, which is what the Linux build
    // writes for it; then the files go back.
    test::RecordingSink expected;
    {
        Settings s;
        s.moveFiles = true;
        s.moveFilesPath = moved;
        DirectoryTest(expected, DirectoryTestOptionsOf(s), music).testDirectory();
        for (const std::string& name : bad)
            ASSERT_TRUE(MoveFileW(Utf8ToUtf16(moved + "\\" + name).c_str(), Utf8ToUtf16(music + "\\" + name).c_str()));
    }
    ASSERT_EQ(expected.log.lines().size(), 3u + 3u);  // three findings, a blank, the counts, the moves

    MainWindow w(folder, settings + "Move Files=true\r\n");
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "Test Dir: " + music);
    w.click(IDC_MAIN_START);
    EXPECT_EQ(w.logTexts(), expected.texts());
    EXPECT_EQ(w.listLines(), expected.texts());
    for (const std::string& name : bad) {
        EXPECT_TRUE(test::FileExists(moved + "\\" + name)) << name;
        EXPECT_FALSE(test::FileExists(music + "\\" + name)) << name;
    }

    // The catalog of what is left, the log saved under a Cyrillic name.
    test::RecordingSink catalog;
    DirectoryCatalog(catalog, CatalogOptionsOf(Settings()), music).catalogDirectory();
    SendMessageW(w.item(IDC_MAIN_CATALOG_DIRECTORY), BM_CLICK, 0, 0);
    w.click(IDC_MAIN_START);
    EXPECT_EQ(w.listLines(), catalog.texts());
    const std::string saved = folder / (Cyrillic + ".txt");
    ASSERT_TRUE(w.dialog().writeLogFile(saved));
    std::string expectedBytes;
    for (const std::string& line : catalog.texts())
        expectedBytes += line + "\r\n";
    EXPECT_EQ(test::ReadBytes(saved), expectedBytes);

    // A drop of the sound file: it is opened and its panes filled.
    const std::string song = music + "\\" + Japanese + ".mp3";
    SendMessageW(w.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeWideDrop(song)), 0);
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "File: " + song);
    EXPECT_NE(w.text(IDC_MAIN_MPEG_INFO), "");
    // The hand-over within the process, quotes and all, and the clipboard.
    w.postSelection("\"" + moved + "\\" + bad[1] + "\"");
    test::PumpMessages();
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "File: " + moved + "\\" + bad[1]);
    CopyTextToClipboard(w.handle(), song);
    EXPECT_EQ(test::ClipboardText(), song);
}

}  // namespace
}  // namespace tw::win
