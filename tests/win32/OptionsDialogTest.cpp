// The options dialog driven through its messages, as the user would drive it.
#include "shell/win32/OptionsDialog.h"

#include <gtest/gtest.h>

#include "common/Text.h"
#include "settings/IniFile.h"
#include "shell/win32/Clipboard.h"
#include "shell/win32/OptionsDialogIds.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::CaretOf;
using test::TypeChars;
using test::WindowText;

std::string StoredText(const Settings& settings) {
    IniFile ini;
    StoreSettings(settings, ini);
    return ini.text();
}

class OptionsDialogTest : public ::testing::Test {
protected:
    // Opens `dialog` modeless and visible; fails the test when it can't.
    HWND open(OptionsDialog& dialog) {
        HWND window = dialog.openModeless(nullptr);
        EXPECT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        return window;
    }

    static void click(OptionsDialog& dialog, int id) { SendMessageA(dialog.item(id), BM_CLICK, 0, 0); }
    static bool checked(OptionsDialog& dialog, int id) {
        return IsDlgButtonChecked(dialog.handle(), id) == BST_CHECKED;
    }
    static bool enabled(OptionsDialog& dialog, int id) { return IsWindowEnabled(dialog.item(id)) != FALSE; }
    static std::string text(OptionsDialog& dialog, int id) { return WindowText(dialog.item(id)); }
    static void ok(OptionsDialog& dialog) { SendMessageA(dialog.handle(), WM_COMMAND, IDOK, 0); }
    static void cancel(OptionsDialog& dialog) { SendMessageA(dialog.handle(), WM_COMMAND, IDCANCEL, 0); }
    // Puts the caret at `position` and types `keys`.
    static void typeAt(HWND edit, int position, const std::string& keys) {
        SendMessageA(edit, EM_SETSEL, position, position);
        TypeChars(edit, keys);
    }
    static void selectAll(HWND edit) { SendMessageA(edit, EM_SETSEL, 0, -1); }
};

TEST_F(OptionsDialogTest, OpensWithTheDefaultSettings) {
    const Settings defaults;
    OptionsDialog dialog;
    dialog.setFrom(defaults);
    ASSERT_NE(open(dialog), nullptr);
    EXPECT_EQ(WindowText(dialog.handle()), "Options For Testing");
    EXPECT_EQ(text(dialog, IDC_OPT_MAX_OFFSET), FormatThousands(defaults.maxOffset));
    EXPECT_EQ(text(dialog, IDC_OPT_MAX_RESYNC), FormatThousands(defaults.maxResync));
    EXPECT_EQ(text(dialog, IDC_OPT_MAX_FIELD_LEN), FormatThousands(defaults.maxFieldLen));
    const bool tab = defaults.catDelimChar == '\t';
    EXPECT_EQ(checked(dialog, IDC_OPT_DELIM_TAB), tab);
    EXPECT_EQ(checked(dialog, IDC_OPT_DELIM_OTHER), !tab);
    EXPECT_EQ(enabled(dialog, IDC_OPT_DELIM_TEXT), !tab);
    EXPECT_EQ(checked(dialog, IDC_OPT_MOVE_FILES), defaults.moveFiles);
    EXPECT_EQ(enabled(dialog, IDC_OPT_BROWSE), defaults.moveFiles);
    EXPECT_EQ(enabled(dialog, IDC_OPT_MOVE_PATH), defaults.moveFiles);
    EXPECT_EQ(checked(dialog, IDC_OPT_RECURSE), defaults.recurseDirs);
    EXPECT_EQ(checked(dialog, IDC_OPT_AUTO_START), defaults.autoStart);
    EXPECT_EQ(checked(dialog, IDC_OPT_CLEAR_LOG), defaults.clearLog);
    EXPECT_EQ(checked(dialog, IDC_OPT_BITRATE_SUMMARY), defaults.includeBitrateSummary);
    EXPECT_EQ(checked(dialog, IDC_OPT_IGNORE_EOF), defaults.ignoreEofErrors);
    EXPECT_EQ(checked(dialog, IDC_OPT_DEEP_CHECK), defaults.deepCheck);
    EXPECT_EQ(checked(dialog, IDC_OPT_TAG_TEXT_AS_WRITTEN), defaults.tagTextAsWritten);
    EXPECT_EQ(checked(dialog, IDC_OPT_REPAIR_FILES), defaults.repairFiles);
    EXPECT_EQ(enabled(dialog, IDC_OPT_REPAIR_BROWSE), defaults.repairFiles);
    EXPECT_EQ(enabled(dialog, IDC_OPT_REPAIR_PATH), defaults.repairFiles);
}

// The largest value a number box takes shows whole, separators and all,
// and the box doesn't run into the label beside it.
TEST_F(OptionsDialogTest, NumberBoxesShowTheLargestValueWhole) {
    OptionsDialog dialog;
    dialog.setFrom(Settings());
    ASSERT_NE(open(dialog), nullptr);
    struct Box {
        int id;
        const char* label;  // the text to its right
    };
    for (const Box& b :
         {Box{IDC_OPT_MAX_OFFSET, "Number of bytes to search for initial sync"},
          Box{IDC_OPT_MAX_RESYNC, "Number of bytes to attempt resync"}, Box{IDC_OPT_MAX_FIELD_LEN, nullptr}}) {
        HWND box = dialog.item(b.id);
        SetWindowTextA(box, "2,147,483,647");
        RECT shown{};
        SendMessageA(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
        EXPECT_GE(shown.right - shown.left, test::TextExtentIn(box).cx) << b.id;
        if (b.label == nullptr)
            continue;
        RECT boxRect{}, labelRect{};
        GetWindowRect(box, &boxRect);
        GetWindowRect(test::FindChildWithText(dialog.handle(), b.label), &labelRect);
        EXPECT_LT(boxRect.right, labelRect.left) << b.label;
    }
}

TEST_F(OptionsDialogTest, SettingsSurviveOpeningAndOk) {
    Settings original;
    original.recurseDirs = true;
    original.autoStart = false;
    original.clearLog = false;
    original.includeBitrateSummary = false;
    original.moveFiles = true;
    original.moveFilesPath = "D:\\Bad Files";
    original.ignoreEofErrors = false;
    original.deepCheck = true;
    original.tagTextAsWritten = true;
    original.repairFiles = true;
    original.repairFilesPath = "E:\\Mended";
    original.maxOffset = 1234567;
    original.maxResync = 0;
    original.catDelimChar = ',';
    original.maxFieldLen = 2147483647;

    OptionsDialog dialog;
    dialog.setFrom(original);
    ASSERT_NE(open(dialog), nullptr);
    EXPECT_EQ(text(dialog, IDC_OPT_MAX_OFFSET), "1,234,567");
    EXPECT_EQ(text(dialog, IDC_OPT_MAX_FIELD_LEN), "2,147,483,647");
    EXPECT_TRUE(checked(dialog, IDC_OPT_DELIM_OTHER));
    EXPECT_TRUE(enabled(dialog, IDC_OPT_DELIM_TEXT));
    EXPECT_EQ(text(dialog, IDC_OPT_DELIM_TEXT), ",");
    EXPECT_TRUE(enabled(dialog, IDC_OPT_BROWSE));
    EXPECT_TRUE(enabled(dialog, IDC_OPT_MOVE_PATH));
    EXPECT_EQ(text(dialog, IDC_OPT_MOVE_PATH), "D:\\Bad Files");
    EXPECT_TRUE(checked(dialog, IDC_OPT_DEEP_CHECK));
    EXPECT_TRUE(checked(dialog, IDC_OPT_TAG_TEXT_AS_WRITTEN));
    EXPECT_TRUE(enabled(dialog, IDC_OPT_REPAIR_BROWSE));
    EXPECT_EQ(text(dialog, IDC_OPT_REPAIR_PATH), "E:\\Mended");
    ok(dialog);
    EXPECT_EQ(dialog.handle(), nullptr);

    // Every option comes back as it went in: compared as the settings file
    // would hold them.
    Settings back;
    dialog.storeInto(back);
    EXPECT_EQ(StoredText(back), StoredText(original));
}

TEST_F(OptionsDialogTest, DelimiterCodesAsTheFieldsHoldThem) {
    OptionsDialog dialog;
    EXPECT_EQ(dialog.fields().delimiterChoice, OptionsDialog::DelimiterNone);
    dialog.setCatDelimChar(9);
    EXPECT_EQ(dialog.fields().delimiterChoice, OptionsDialog::DelimiterTab);
    EXPECT_EQ(dialog.fields().delimiterText, "");
    EXPECT_EQ(dialog.catDelimChar(), 9);
    dialog.setCatDelimChar(';');
    EXPECT_EQ(dialog.fields().delimiterChoice, OptionsDialog::DelimiterOther);
    EXPECT_EQ(dialog.fields().delimiterText, ";");
    EXPECT_EQ(dialog.catDelimChar(), 59);
    // A character above 127 reads back as a signed 8-bit code.
    dialog.setCatDelimChar(0xE9);
    EXPECT_EQ(dialog.catDelimChar(), -23);
    // Other with an empty text: code 0.
    dialog.setCatDelimChar(0);
    EXPECT_EQ(dialog.fields().delimiterChoice, OptionsDialog::DelimiterOther);
    EXPECT_EQ(dialog.fields().delimiterText, "");
    EXPECT_EQ(dialog.catDelimChar(), 0);
}

TEST_F(OptionsDialogTest, NumberBoxesKeepThousandsSeparatedDigits) {
    OptionsDialog dialog;  // never loaded: the boxes open empty
    ASSERT_NE(open(dialog), nullptr);
    HWND offset = dialog.item(IDC_OPT_MAX_OFFSET);
    EXPECT_EQ(WindowText(offset), "");

    TypeChars(offset, "0");
    EXPECT_EQ(WindowText(offset), "0");
    TypeChars(offset, "07");
    EXPECT_EQ(WindowText(offset), "7");
    EXPECT_EQ(CaretOf(offset), 1);

    selectAll(offset);
    TypeChars(offset, "12345");
    EXPECT_EQ(WindowText(offset), "12,345");
    EXPECT_EQ(CaretOf(offset), 6);
    TypeChars(offset, "x-");
    EXPECT_EQ(WindowText(offset), "12,345");

    // The caret keeps its distance from the end of the text.
    HWND resync = dialog.item(IDC_OPT_MAX_RESYNC);
    selectAll(resync);
    TypeChars(resync, "999");
    typeAt(resync, 1, "1");
    EXPECT_EQ(WindowText(resync), "9,199");
    EXPECT_EQ(CaretOf(resync), 3);
    typeAt(resync, 0, "0");
    EXPECT_EQ(WindowText(resync), "9,199");
    EXPECT_EQ(CaretOf(resync), 0);

    // Deleting every digit leaves 0.
    selectAll(resync);
    TypeChars(resync, "\b");
    EXPECT_EQ(WindowText(resync), "0");

    // Pasted letters are dropped.
    HWND fieldLen = dialog.item(IDC_OPT_MAX_FIELD_LEN);
    CopyTextToClipboard(dialog.handle(), "a1b2 c3-d4");
    selectAll(fieldLen);
    SendMessageA(fieldLen, WM_PASTE, 0, 0);
    EXPECT_EQ(WindowText(fieldLen), "1,234");
    EXPECT_EQ(CaretOf(fieldLen), 5);

    // Past the 32-bit range the box holds the largest value it can store.
    selectAll(fieldLen);
    TypeChars(fieldLen, "99999999999");
    EXPECT_EQ(WindowText(fieldLen), "2,147,483,647");

    ok(dialog);
    EXPECT_EQ(dialog.maxOffset(), 12345);
    EXPECT_EQ(dialog.maxResync(), 0);
    EXPECT_EQ(dialog.maxFieldLen(), 2147483647);
}

TEST_F(OptionsDialogTest, NumberBoxTextRules) {
    EXPECT_EQ(NumberBoxText(""), "0");
    EXPECT_EQ(NumberBoxText("000"), "0");
    EXPECT_EQ(NumberBoxText("007"), "7");
    EXPECT_EQ(NumberBoxText("1,0,0"), "100");
    EXPECT_EQ(NumberBoxText("-1,000"), "1,000");
    EXPECT_EQ(NumberBoxText("1234567"), "1,234,567");
    EXPECT_EQ(NumberBoxText("2147483647"), "2,147,483,647");
    EXPECT_EQ(NumberBoxText("2147483648"), "2,147,483,647");
    EXPECT_EQ(NumberBoxText("00012345678901"), "2,147,483,647");
    EXPECT_EQ(NumberBoxText("1000000000"), "1,000,000,000");
}

TEST_F(OptionsDialogTest, DelimiterBoxHoldsOneCharacter) {
    OptionsDialog dialog;
    dialog.setFrom(Settings{});
    ASSERT_NE(open(dialog), nullptr);
    HWND box = dialog.item(IDC_OPT_DELIM_TEXT);

    click(dialog, IDC_OPT_DELIM_OTHER);
    EXPECT_TRUE(enabled(dialog, IDC_OPT_DELIM_TEXT));
    TypeChars(box, ";");
    EXPECT_EQ(WindowText(box), ";");

    // A second character is refused, typed after or in front of the old one.
    TypeChars(box, "x");
    EXPECT_EQ(WindowText(box), ";");
    EXPECT_EQ(CaretOf(box), 1);
    typeAt(box, 0, "y");
    EXPECT_EQ(WindowText(box), ";");
    EXPECT_EQ(CaretOf(box), 0);
    // A pasted text keeps its first character.
    selectAll(box);
    CopyTextToClipboard(dialog.handle(), "|+");
    SendMessageA(box, WM_PASTE, 0, 0);
    EXPECT_EQ(WindowText(box), "|");
    selectAll(box);
    TypeChars(box, ";");

    click(dialog, IDC_OPT_DELIM_TAB);
    EXPECT_FALSE(enabled(dialog, IDC_OPT_DELIM_TEXT));
    click(dialog, IDC_OPT_DELIM_OTHER);
    ok(dialog);
    EXPECT_EQ(dialog.catDelimChar(), 59);
}

TEST_F(OptionsDialogTest, OtherWithAnEmptyBoxGivesCodeZero) {
    OptionsDialog dialog;
    dialog.setFrom(Settings{});
    ASSERT_NE(open(dialog), nullptr);
    click(dialog, IDC_OPT_DELIM_OTHER);
    ok(dialog);
    EXPECT_EQ(dialog.catDelimChar(), 0);
    Settings back;
    dialog.storeInto(back);
    EXPECT_EQ(back.catDelimChar, 0);
    // At the next start the load rule makes it tab.
    EXPECT_EQ(NormalisedDelimiter(back.catDelimChar), 9);

    // Reopening shows Other with the empty box.
    ASSERT_NE(open(dialog), nullptr);
    EXPECT_TRUE(checked(dialog, IDC_OPT_DELIM_OTHER));
    EXPECT_EQ(text(dialog, IDC_OPT_DELIM_TEXT), "");
    cancel(dialog);
}

TEST_F(OptionsDialogTest, CancelKeepsTheValuesFromBefore) {
    const Settings defaults;
    OptionsDialog dialog;
    dialog.setFrom(defaults);
    ASSERT_NE(open(dialog), nullptr);
    click(dialog, IDC_OPT_RECURSE);
    click(dialog, IDC_OPT_CLEAR_LOG);
    click(dialog, IDC_OPT_DELIM_OTHER);
    TypeChars(dialog.item(IDC_OPT_DELIM_TEXT), "#");
    selectAll(dialog.item(IDC_OPT_MAX_OFFSET));
    TypeChars(dialog.item(IDC_OPT_MAX_OFFSET), "9");
    EXPECT_EQ(text(dialog, IDC_OPT_MAX_OFFSET), "9");
    cancel(dialog);
    EXPECT_EQ(dialog.handle(), nullptr);

    EXPECT_EQ(dialog.recurseDirs(), defaults.recurseDirs);
    EXPECT_EQ(dialog.clearLog(), defaults.clearLog);
    EXPECT_EQ(dialog.catDelimChar(), defaults.catDelimChar);
    EXPECT_EQ(dialog.maxOffset(), defaults.maxOffset);

    ASSERT_NE(open(dialog), nullptr);
    EXPECT_EQ(checked(dialog, IDC_OPT_RECURSE), defaults.recurseDirs);
    EXPECT_EQ(checked(dialog, IDC_OPT_CLEAR_LOG), defaults.clearLog);
    EXPECT_TRUE(checked(dialog, IDC_OPT_DELIM_TAB));
    EXPECT_EQ(text(dialog, IDC_OPT_DELIM_TEXT), "");
    EXPECT_EQ(text(dialog, IDC_OPT_MAX_OFFSET), FormatThousands(defaults.maxOffset));
    cancel(dialog);
}

// The move folder and the folder for mended copies: each check box enables
// its own "Browse" and folder box, and leaves the other's alone.
TEST_F(OptionsDialogTest, FolderBoxesEnableBrowseAndKeepTheirFolders) {
    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = "C:\\Moved";
    settings.repairFiles = true;
    settings.repairFilesPath = "C:\\Mended";
    struct Case {
        int check, browse, path;
        int otherBrowse;
        const char* folder;
    };
    for (const Case& c :
         {Case{IDC_OPT_MOVE_FILES, IDC_OPT_BROWSE, IDC_OPT_MOVE_PATH, IDC_OPT_REPAIR_BROWSE, "C:\\Moved"},
          Case{IDC_OPT_REPAIR_FILES, IDC_OPT_REPAIR_BROWSE, IDC_OPT_REPAIR_PATH, IDC_OPT_BROWSE, "C:\\Mended"}}) {
        SCOPED_TRACE(c.folder);
        OptionsDialog dialog;
        dialog.setFrom(settings);
        ASSERT_NE(open(dialog), nullptr);
        EXPECT_TRUE(enabled(dialog, c.browse));
        EXPECT_TRUE(enabled(dialog, c.path));

        click(dialog, c.check);
        EXPECT_FALSE(checked(dialog, c.check));
        EXPECT_FALSE(enabled(dialog, c.browse));
        EXPECT_FALSE(enabled(dialog, c.path));
        EXPECT_TRUE(enabled(dialog, c.otherBrowse));
        EXPECT_EQ(text(dialog, c.path), c.folder);
        click(dialog, c.check);
        EXPECT_TRUE(enabled(dialog, c.browse));
        click(dialog, c.check);
        ok(dialog);
        Settings back;
        dialog.storeInto(back);
        EXPECT_EQ(back.moveFiles, c.check != IDC_OPT_MOVE_FILES);
        EXPECT_EQ(back.repairFiles, c.check != IDC_OPT_REPAIR_FILES);
        EXPECT_EQ(back.moveFilesPath, "C:\\Moved");
        EXPECT_EQ(back.repairFilesPath, "C:\\Mended");
    }
}

TEST_F(OptionsDialogTest, BrowsePutsTheChosenFolderIntoItsBox) {
    char windowsDir[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(windowsDir, MAX_PATH), 0u);
    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = windowsDir;
    settings.repairFiles = true;
    settings.repairFilesPath = windowsDir;
    struct Case {
        int browse;
        int path;
        int otherPath;
    };
    for (const Case& c : {Case{IDC_OPT_BROWSE, IDC_OPT_MOVE_PATH, IDC_OPT_REPAIR_PATH},
                          Case{IDC_OPT_REPAIR_BROWSE, IDC_OPT_REPAIR_PATH, IDC_OPT_MOVE_PATH}}) {
        OptionsDialog dialog;
        dialog.setFrom(settings);
        ASSERT_NE(open(dialog), nullptr);
        {
            // The picker starts on the box's folder: a name typed alone is a
            // folder in it, and the choice goes into the box.
            HWND options = dialog.handle();
            test::WhenDialogOpens picker([options](HWND window) { return window != options; },
                                         [](HWND window) {
                                             SetDlgItemTextA(window, 1152, "system32");
                                             SendMessageA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
                                         });
            click(dialog, c.browse);
            EXPECT_TRUE(picker.acted());
        }
        EXPECT_EQ(lstrcmpiA(text(dialog, c.path).c_str(), (std::string(windowsDir) + "\\system32").c_str()), 0)
            << text(dialog, c.path);
        EXPECT_EQ(text(dialog, c.otherPath), windowsDir);
        cancel(dialog);
    }
}

TEST_F(OptionsDialogTest, ShowRunsModallyUntilOk) {
    OptionsDialog dialog;
    dialog.setFrom(Settings{});
    test::WhenDialogOpens user(test::CaptionIs("Options For Testing"), [](HWND window) {
        SendDlgItemMessageA(window, IDC_OPT_RECURSE, BM_CLICK, 0, 0);
        HWND offset = GetDlgItem(window, IDC_OPT_MAX_OFFSET);
        SendMessageA(offset, EM_SETSEL, 0, -1);
        TypeChars(offset, "8000");
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    });
    dialog.show(nullptr);
    EXPECT_TRUE(user.acted());
    EXPECT_TRUE(dialog.recurseDirs());
    EXPECT_EQ(dialog.maxOffset(), 8000);
    EXPECT_EQ(dialog.fields().maxOffsetText, "8,000");
}

}  // namespace
}  // namespace tw::win
