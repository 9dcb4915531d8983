// The options that came after the design, as the main window carries them:
// into its settings file (and only once used), and into what it shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "reports/DirectoryCatalog.h"
#include "reports/FileInfoReport.h"
#include "settings/Settings.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/OptionsDialogIds.h"
#include "tests/support/RecordingSink.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::MainWindow;
using test::ScratchFolder;

constexpr const char* NewKeys[] = {"Tag text as written", "Repair Files", "Repair Files Path"};

TEST(WindowOptions, NewOptionsAreKeptOnlyOnceUsed) {
    ScratchFolder folder;
    const std::string ini = folder / "Tunewarden.INI";
    // Never used: not written, and a second start and close keeps the file's bytes.
    { MainWindow(folder, "").click(IDC_MAIN_EXIT); }
    const std::string first = test::ReadBytes(ini);
    ASSERT_NE(first.find("[Options]"), std::string::npos);
    for (const char* key : NewKeys)
        EXPECT_EQ(first.find(key), std::string::npos) << key;
    { MainWindow(folder, "").click(IDC_MAIN_EXIT); }
    EXPECT_EQ(test::ReadBytes(ini), first);

    // Switched on in the file: the window keeps them, and writes them back
    // (it used to save the tag text switched off).
    const std::string mended = folder / "mended";
    {
        MainWindow w(folder, "[Options]\r\nTag text as written=true\r\nRepair Files=true\r\nRepair Files Path=" +
                                 mended + "\r\n");
        const Settings settings = w.dialog().currentSettings();
        EXPECT_TRUE(settings.tagTextAsWritten);
        EXPECT_TRUE(settings.repairFiles);
        EXPECT_EQ(settings.repairFilesPath, mended);
        w.click(IDC_MAIN_EXIT);
    }
    const std::string saved = test::ReadBytes(ini);
    for (const std::string& line : {std::string("Tag text as written=true\r\n"), std::string("Repair Files=true\r\n"),
                                    "Repair Files Path=" + mended + "\r\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
}

bool HasByteBeyondAscii(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// The panes and a catalog in the log list: blanked as always, or as written
// (Cyrillic, Greek and Hebrew in the ID3v2 tag, Latin-1 in the ID3v1 tag).
TEST(WindowOptions, PanesAndCatalogShowTagTextsInTheChosenStyle) {
    ScratchFolder folder;
    const std::string tags = folder / "tags";
    ASSERT_TRUE(CreateDirectoryA(tags.c_str(), nullptr));
    const std::string song = tags + "\\lame-utf16-cyrillic-greek-hebrew.mp3";
    test::WriteText(
        song, test::ReadBytes(std::string(TW_SOURCE_DIR) + "/tests/tag-samples/lame-utf16-cyrillic-greek-hebrew.mp3"));
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(song, 5000)) << info.errorText();

    const std::string cyrillicTitle =
        "Title: \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80\r\n";
    const std::string latinAlbum = "Album: Caf\xC3\xA9\r\n";
    for (bool asWritten : {false, true}) {
        SCOPED_TRACE(asWritten ? "as written" : "blanked");
        const TagTextStyle style = asWritten ? TagTextStyle::AsWritten : TagTextStyle::Blanked;
        MainWindow w(folder, std::string("[Options]\r\nAuto Start=false\r\n") +
                                 (asWritten ? "Tag text as written=true\r\n" : ""));
        w.postSelection(song);
        test::PumpMessages();
        const std::string v1 = w.text(IDC_MAIN_ID3V1_INFO);
        const std::string v2 = w.text(IDC_MAIN_ID3V2_INFO);
        EXPECT_EQ(v1, Id3v1InfoText(info, style));
        EXPECT_EQ(v2, Id3v2InfoText(info, style));
        EXPECT_EQ(v2.find(cyrillicTitle) != std::string::npos, asWritten) << v2;
        EXPECT_EQ(v1.find(latinAlbum) != std::string::npos, asWritten) << v1;
        EXPECT_EQ(HasByteBeyondAscii(v1 + v2), asWritten);

        // The catalog of the file's folder, as the core writes it, in the list.
        Settings settings;
        settings.tagTextAsWritten = asWritten;
        test::RecordingSink expected;
        DirectoryCatalog(expected, CatalogOptionsOf(settings), tags).catalogDirectory();
        SendMessageA(w.item(IDC_MAIN_CATALOG_DIRECTORY), BM_CLICK, 0, 0);
        w.click(IDC_MAIN_START);
        const std::vector<std::string> lines = w.listLines();
        EXPECT_EQ(lines, expected.texts());
        std::string all;
        for (const std::string& line : lines)
            all += line;
        EXPECT_EQ(HasByteBeyondAscii(all), asWritten);
        if (!asWritten) {
            // Switched on in Options: the panes of the file shown follow at once.
            w.postSelection(song);
            test::PumpMessages();
            test::WhenDialogOpens user(test::CaptionIs("Options For Testing"), [](HWND options) {
                SendDlgItemMessageA(options, IDC_OPT_TAG_TEXT_AS_WRITTEN, BM_CLICK, 0, 0);
                PostMessageA(options, WM_COMMAND, IDOK, 0);
            });
            w.click(IDC_MAIN_OPTIONS);
            EXPECT_EQ(w.text(IDC_MAIN_ID3V2_INFO), Id3v2InfoText(info, TagTextStyle::AsWritten));
        }
    }
}

}  // namespace
}  // namespace tw::win
