#include "settings/Settings.h"

#include <gtest/gtest.h>

#include "support/TempPath.h"

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "platform/Platform.h"
#include "text/Unicode.h"
#include "settings/IniFile.h"

namespace tw {
namespace {

Settings FromText(const std::string& text) {
    IniFile ini;
    ini.setText(text);
    return LoadSettings(ini);
}

// Settings read from a file whose section "Options" holds one line.
Settings WithLine(const std::string& line) {
    return FromText("[Options]\r\n" + line + "\r\n");
}

class TempSettingsPath : public test::TempPath {
public:
    TempSettingsPath() : TempPath("tw_settings_", ".INI") {}
};

// Two records are equal when they store the same text; every field is
// stored (see WritesEveryKeyInOrder).
std::string StoredText(const Settings& settings) {
    IniFile ini;
    StoreSettings(settings, ini);
    return ini.text();
}

void ExpectDefaults(const Settings& s) {
    EXPECT_EQ(StoredText(s), StoredText(Settings()));
}

TEST(LoadSettings, FirstStartWithoutAFileGivesTheDefaults) {
    TempSettingsPath temp;
    Settings settings;
    settings.maxOffset = 1;
    settings.function = RunFunction::CatalogDirectory;
    EXPECT_FALSE(LoadSettingsFile(temp.str(), settings));
    ExpectDefaults(settings);
    ExpectDefaults(FromText("[Other]\r\nMax Offset=7\r\nAuto Start=false\r\n"));
    ExpectDefaults(FromText("[Options]\r\n"));
}

TEST(LoadSettings, BooleansAreTrueOnlyForTheExactText) {
    EXPECT_FALSE(WithLine("Auto Start=TRUE").autoStart);
    EXPECT_FALSE(WithLine("Auto Start=True").autoStart);
    EXPECT_FALSE(WithLine("Auto Start=").autoStart);
    EXPECT_FALSE(WithLine("Auto Start=1").autoStart);
    EXPECT_FALSE(WithLine("Auto Start=truex").autoStart);
    EXPECT_TRUE(WithLine("Other=1").autoStart);
    EXPECT_TRUE(WithLine("Auto Start=true").autoStart);
    EXPECT_TRUE(WithLine("  auto start =  true  ").autoStart);
    EXPECT_TRUE(WithLine("Auto Start=\"true\"").autoStart);
}

TEST(LoadSettings, NumbersFollowTheirLoadRules) {
    EXPECT_EQ(WithLine("Max Offset=0").maxOffset, 5000);
    EXPECT_EQ(WithLine("Max Offset=abc").maxOffset, 5000);
    EXPECT_EQ(WithLine("Max Offset=").maxOffset, 5000);
    EXPECT_EQ(WithLine("Max Offset=-5").maxOffset, -5);
    EXPECT_EQ(WithLine("Max Offset=  +77xyz").maxOffset, 77);
    EXPECT_EQ(WithLine("Max Offset=1,000").maxOffset, 1);
    EXPECT_EQ(WithLine("Max Offset=99999999999").maxOffset, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(WithLine("Max Offset=-99999999999").maxOffset, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(WithLine("Max Resync=0").maxResync, 2000);
    EXPECT_EQ(WithLine("Max Resync=-1").maxResync, -1);
    EXPECT_EQ(WithLine("Max Resync=10").maxResync, 10);
    EXPECT_EQ(WithLine("Max Field Len=0").maxFieldLen, 50);
    EXPECT_EQ(WithLine("Max Field Len=x").maxFieldLen, 50);
    EXPECT_EQ(WithLine("Max Field Len=300").maxFieldLen, 300);

    EXPECT_EQ(WithLine("Cat Delim Char=44").catDelimChar, ',');
    EXPECT_EQ(WithLine("Cat Delim Char=32").catDelimChar, 32);
    EXPECT_EQ(WithLine("Cat Delim Char=126").catDelimChar, 126);
    EXPECT_EQ(WithLine("Cat Delim Char=127").catDelimChar, 9);
    EXPECT_EQ(WithLine("Cat Delim Char=31").catDelimChar, 9);
    EXPECT_EQ(WithLine("Cat Delim Char=0").catDelimChar, 9);
    EXPECT_EQ(WithLine("Cat Delim Char=-23").catDelimChar, 9);
    // The character itself, where it can't be read as a number.
    EXPECT_EQ(WithLine("Cat Delim Char=;").catDelimChar, ';');
    EXPECT_EQ(WithLine("Cat Delim Char=,").catDelimChar, ',');
    EXPECT_EQ(WithLine("Cat Delim Char=\" \"").catDelimChar, ' ');
    EXPECT_EQ(WithLine("Cat Delim Char=5").catDelimChar, 9);
    EXPECT_EQ(WithLine("Cat Delim Char=-").catDelimChar, 9);
    EXPECT_EQ(WithLine("Cat Delim Char=\xE9").catDelimChar, 9);

    EXPECT_EQ(WithLine("Function=2").function, RunFunction::TestDirectory);
    EXPECT_EQ(WithLine("Function=3").function, RunFunction::CatalogDirectory);
    EXPECT_EQ(WithLine("Function= 3 ").function, RunFunction::CatalogDirectory);
    EXPECT_EQ(WithLine("Function=1").function, RunFunction::TestFile);
    EXPECT_EQ(WithLine("Function=7").function, RunFunction::TestFile);
    EXPECT_EQ(WithLine("Function=0").function, RunFunction::TestFile);
    EXPECT_EQ(WithLine("Function=-2").function, RunFunction::TestFile);
    EXPECT_EQ(WithLine("Function=catalog").function, RunFunction::TestFile);
}

Settings EveryFieldChanged() {
    Settings s;
    s.function = RunFunction::CatalogDirectory;
    s.testDirName = "D:\\Music\\Über ; Rock";
    s.logDirName = " C:\\Logs with blanks ";
    s.hideMpegInfo = true;
    s.recurseDirs = true;
    s.autoStart = false;
    s.clearLog = false;
    s.includeBitrateSummary = false;
    s.moveFiles = true;
    s.moveFilesPath = "'E:\\Quoted'";
    s.ignoreEofErrors = false;
    s.maxOffset = -5;
    s.maxResync = 123456;
    s.catDelimChar = ',';
    s.maxFieldLen = 2147483647;
    return s;
}

TEST(LoadSettings, PathsAreUtf8AndAnOlderAnsiPathIsReadInItsCodePage) {
    const std::string japanese = "C:\\\xE6\x97\xA5\xE6\x9C\xAC";
    Settings s;
    s.moveFilesPath = japanese;
    IniFile ini;
    StoreSettings(s, ini);
    EXPECT_EQ(LoadSettings(ini).moveFilesPath, japanese);
    // Windows-1252 "Caf\xE9" from an older build of the Windows program.
    const Settings old = WithLine("Test Dir Name=C:\\Caf\xE9");
#ifdef _WIN32
    EXPECT_EQ(old.testDirName, AnsiToUtf8("C:\\Caf\xE9"));
    EXPECT_TRUE(IsUtf8Text(old.testDirName));
#else
    EXPECT_EQ(old.testDirName, "C:\\Caf\xE9");
#endif
}

TEST(SaveSettings, EveryFieldReadsBackFromTheFile) {
    TempSettingsPath temp;
    const Settings written = EveryFieldChanged();
    ASSERT_TRUE(SaveSettingsFile(temp.str(), written));
    Settings read;
    ASSERT_TRUE(LoadSettingsFile(temp.str(), read));
    EXPECT_EQ(StoredText(read), StoredText(written));
    EXPECT_EQ(read.testDirName, written.testDirName);
    EXPECT_EQ(read.logDirName, written.logDirName);
    EXPECT_EQ(read.moveFilesPath, written.moveFilesPath);

    // And the defaults, saved over the changed values, come back as well.
    ASSERT_TRUE(SaveSettingsFile(temp.str(), Settings()));
    ASSERT_TRUE(LoadSettingsFile(temp.str(), read));
    ExpectDefaults(read);
}

TEST(SaveSettings, WritesEveryKeyInOrder) {
    IniFile ini;
    StoreSettings(Settings(), ini);
    EXPECT_EQ(ini.text(),
              "[Options]\r\n"
              "Function=1\r\n"
              "Test Dir Name=\r\n"
              "Log Dir Name=C:\\My Documents\r\n"
              "Hide MPEG Info=false\r\n"
              "Recurse Dirs=false\r\n"
              "Auto Start=true\r\n"
              "Clear Log=true\r\n"
              "Include Bitrate Summary=true\r\n"
              "Move Files=false\r\n"
              "Move Files Path=\r\n"
              "Ignore EOF Errors=true\r\n"
              "Max Offset=5000\r\n"
              "Max Resync=2000\r\n"
              "Cat Delim Char=9\r\n"
              "Max Field Len=50\r\n");

    // A record holding no valid function saves Test File.
    Settings odd;
    odd.function = static_cast<RunFunction>(7);
    IniFile oddIni;
    StoreSettings(odd, oddIni);
    EXPECT_EQ(oddIni.getString("Options", "Function", ""), "1");
}

TEST(SaveSettings, KeepsEverythingElseInTheFile) {
    TempSettingsPath temp;
    {
        std::ofstream out(temp.path(), std::ios::binary);
        out << "; hand-written\r\n"
               "[Other]\r\n"
               "Function=99\r\n"
               "\r\n"
               "[options]\r\n"
               "  function = 2\r\n"
               "Unknown Key=kept\r\n"
               "MAX OFFSET=0\r\n";
    }
    Settings s;
    ASSERT_TRUE(LoadSettingsFile(temp.str(), s));
    EXPECT_EQ(s.function, RunFunction::TestDirectory);
    EXPECT_EQ(s.maxOffset, 5000);
    s.function = RunFunction::CatalogDirectory;
    ASSERT_TRUE(SaveSettingsFile(temp.str(), s));

    // The two keys change in place; the other keys follow the last line of
    // the section.
    IniFile saved;
    ASSERT_TRUE(saved.load(temp.str()));
    const std::string kept =
        "; hand-written\r\n"
        "[Other]\r\n"
        "Function=99\r\n"
        "\r\n"
        "[options]\r\n"
        "  function = 3\r\n"
        "Unknown Key=kept\r\n"
        "MAX OFFSET=5000\r\n";
    EXPECT_EQ(saved.text().substr(0, kept.size()), kept);
    EXPECT_EQ(StoredText(LoadSettings(saved)), StoredText(s));
}

TEST(SaveSettings, APathWithALineBreakLeavesTheStoredOneAlone) {
    IniFile ini;
    ini.setText("[Options]\r\nTest Dir Name=/music\r\n");
    Settings s;
    s.testDirName = "/music\n[Options]\nMax Offset=1";
    StoreSettings(s, ini);
    const Settings read = LoadSettings(ini);
    EXPECT_EQ(read.testDirName, "/music");
    EXPECT_EQ(read.maxOffset, 5000);
}

TEST(SaveSettings, WritesTheDeepCheckKeyOnlyOnceItWasSwitchedOn) {
    Settings s;
    EXPECT_EQ(StoredText(s).find("Deep Check"), std::string::npos);
    s.deepCheck = true;
    IniFile ini;
    StoreSettings(s, ini);
    EXPECT_TRUE(LoadSettings(ini).deepCheck);
    s.deepCheck = false;
    StoreSettings(s, ini);
    EXPECT_EQ(ini.getString("Options", "Deep Check", ""), "false");
}

TEST(SaveSettings, WritesTheTagTextKeyOnlyOnceItWasSwitchedOn) {
    Settings s;
    EXPECT_EQ(StoredText(s).find("Tag text as written"), std::string::npos);
    s.tagTextAsWritten = true;
    IniFile ini;
    ini.setText("[Options]\r\nTag Text As Written=true\r\n");  // keys match without regard to case
    EXPECT_TRUE(LoadSettings(ini).tagTextAsWritten);
    s.tagTextAsWritten = false;
    StoreSettings(s, ini);
    EXPECT_NE(ini.text().find("Tag Text As Written=false\r\n"), std::string::npos);
    s.tagTextAsWritten = true;
    EXPECT_TRUE(CatalogOptionsOf(s).tagTextAsWritten);
}

TEST(SaveSettings, ReportsAFileThatCannotBeWritten) {
    TempSettingsPath temp;
    const std::string inMissingFolder = (temp.path().parent_path() / "tw_no_such_folder" / "tw.INI").string();
    EXPECT_FALSE(SaveSettingsFile(inMissingFolder, Settings()));
}

TEST(SettingsFilePath, ReplacesTheExtensionOfTheLastComponent) {
    EXPECT_EQ(SettingsFilePath("C:\\Program Files\\Tunewarden\\tunewarden.exe"),
              "C:\\Program Files\\Tunewarden\\tunewarden.INI");
    EXPECT_EQ(SettingsFilePath("C:\\Tools\\TW.EXE"), "C:\\Tools\\TW.INI");
    EXPECT_EQ(SettingsFilePath("C:\\my.tools\\tw"), "C:\\my.tools\\tw.INI");
    EXPECT_EQ(SettingsFilePath("/opt/tw-1.0/bin/tunewarden"), "/opt/tw-1.0/bin/tunewarden.INI");
    EXPECT_EQ(SettingsFilePath("/opt/tw/tunewarden.bin.exe"), "/opt/tw/tunewarden.bin.INI");
    EXPECT_EQ(SettingsFilePath("/opt/tw/trailing."), "/opt/tw/trailing.INI");
    EXPECT_EQ(SettingsFilePath("tw.exe"), "tw.INI");
    EXPECT_EQ(SettingsFilePath("tw"), "tw.INI");
    EXPECT_EQ(SettingsFilePath(""), "");
}

}  // namespace
}  // namespace tw
