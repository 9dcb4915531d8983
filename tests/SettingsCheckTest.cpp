#include "settings/SettingsCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "support/TempTree.h"

namespace tw {
namespace {

// Each warning as "line key: message".
std::vector<std::string> Warnings(const std::string& text) {
    IniFile ini;
    ini.setText(text);
    std::vector<std::string> out;
    for (const SettingsWarning& w : CheckSettings(ini))
        out.push_back(std::to_string(w.line) + " " + w.key + ": " + w.message);
    return out;
}

std::vector<std::string> WarningsOfLine(const std::string& line) {
    return Warnings("[Options]\r\n" + line + "\r\n");
}

TEST(CheckSettings, WhatTheProgramWritesPassesWithoutAWord) {
    IniFile ini;
    Settings s;
    s.catDelimChar = ',';
    s.deepCheck = true;
    s.maxOffset = 0;
    StoreSettings(s, ini);
    ini.setString("Options", "Window Left", "-1");
    ini.setString("Other", "Anything", "at all");
    EXPECT_TRUE(Warnings(ini.text()).empty()) << ini.text();
    EXPECT_TRUE(Warnings("").empty());
    EXPECT_TRUE(Warnings("; a comment\r\n\r\n[options]\r\n  max offset = 7 \r\nCat Delim Char=,\r\n").empty());
}

TEST(CheckSettings, EachOddValueIsNamedWithWhatTheRulesMakeOfIt) {
    const struct {
        const char* line;
        const char* warning;  // "" for none
    } cases[] = {
        // Booleans: only the exact texts.
        {"Recurse Dirs=yes", "2 'Recurse Dirs': 'yes' is not true or false; it reads as false"},
        {"Auto Start=TRUE", "2 'Auto Start': 'TRUE' is not true or false; it reads as false"},
        {"Deep Check=", "2 'Deep Check': '' is not true or false; it reads as false"},
        {"Clear Log=\"true\"", ""},
        // Numbers: whole, within 32 bits, within their range.
        {"Max Offset=banana", "2 'Max Offset': 'banana' is not a whole number; 5000 is used"},
        {"Max Offset=1,000", "2 'Max Offset': '1,000' is not a whole number; 1 is used"},
        {"Max Offset=77xyz", "2 'Max Offset': '77xyz' is not a whole number; 77 is used"},
        {"Max Offset=-1", "2 'Max Offset': '-1' is below 0; -1 is used"},
        {"Max Resync=99999999999", "2 'Max Resync': '99999999999' is beyond 32 bits; 2147483647 is used"},
        {"Max Resync=2147483647", ""},
        {"Max Resync=2147483648", "2 'Max Resync': '2147483648' is beyond 32 bits; 2147483647 is used"},
        {"Max Field Len=0", ""},
        {"Function=7",
         "2 'Function': '7' is not 1 (Test File), 2 (Test Directory) or 3 (Catalog Directory); 1 is used"},
        {"Window Top=-1", ""},
        {"Window Top=x", "2 'Window Top': 'x' is not a whole number"},
        // The delimiter: a code of tab or a printable character, or the character.
        {"Cat Delim Char=44", ""},
        {"Cat Delim Char=;", ""},
        {"Cat Delim Char=10",
         "2 'Cat Delim Char': '10' is not 9 (tab) or a printable character's code (32 to 126); 9 is used"},
        {"Cat Delim Char=\x1B", "2 'Cat Delim Char': '\\x1B' is not a whole number; 9 is used"},
        // Paths: cut at 260 characters.
        {"Move Files Path=C:\\Music", ""},
        // Keys and lines the program doesn't know.
        {"Colour=blue", "2 'Colour': unknown key; ignored"},
        {"just words", "2 'just words': not a key=value line; ignored"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> warnings = WarningsOfLine(c.line);
        if (*c.warning == '\0')
            EXPECT_TRUE(warnings.empty()) << c.line << ": " << (warnings.empty() ? "" : warnings[0]);
        else
            EXPECT_EQ(warnings, std::vector<std::string>{c.warning}) << c.line;
    }
    EXPECT_EQ(WarningsOfLine("Test Dir Name=" + std::string(261, 'x')),
              std::vector<std::string>{"2 'Test Dir Name': longer than 260 characters; it is cut there"});
    EXPECT_TRUE(WarningsOfLine("Test Dir Name=\"" + std::string(259, 'x') + " \"").empty());
}

TEST(CheckSettings, LinesTheReaderSkipsAreNamed) {
    EXPECT_EQ(Warnings("Max Offset=1\r\n[Options]\r\nMax Offset=2\r\nmax offset=3\r\n[Options]\r\nMax Resync=4\r\n"),
              (std::vector<std::string>{"1 'Max Offset=1': outside any section; ignored",
                                        "4 'max offset': given again; the first, on line 3, counts",
                                        "5 '[Options]': the section is given again; its keys are not read"}));
    EXPECT_EQ(Warnings("[Option]\r\nMax Offset=2\r\n"),
              std::vector<std::string>{"0 '[Options]': no such section; nothing is read"});
}

TEST(SettingsFileRefusal, BinaryAndHugeFilesAreNoSettingsFiles) {
    EXPECT_EQ(SettingsFileRefusal(20, "[Options]\r\n\tA=b\f\v\r\n"), "");
    EXPECT_EQ(SettingsFileRefusal(MaxSettingsFileSize, ""), "");
    EXPECT_EQ(SettingsFileRefusal(MaxSettingsFileSize + 1, ""),
              "it is 65,537 bytes long; a settings file has at most 65,536 bytes");
    EXPECT_EQ(SettingsFileRefusal(5, std::string("ab\0cd", 5)), "it is not text (byte 0x00 at offset 2)");
    EXPECT_EQ(SettingsFileRefusal(3, "\xFF\xFE["), "");  // bytes of an ANSI path are text
    EXPECT_EQ(SettingsFileRefusal(3, "a\x1B["), "it is not text (byte 0x1B at offset 1)");

    test::TempTree tree;
    Settings settings;
    std::vector<SettingsWarning> warnings;
    std::string error;
    tree.file("big.ini", std::vector<std::uint8_t>(70000, ';'));
    EXPECT_FALSE(LoadCheckedSettingsFile(tree.path("big.ini"), settings, warnings, error));
    EXPECT_EQ(error, "it is 70,000 bytes long; a settings file has at most 65,536 bytes");
    tree.file("ok.ini", {'[', 'O', 'p', 't', 'i', 'o', 'n', 's', ']', '\n', 'M', 'a', 'x',
                         ' ', 'O', 'f', 'f', 's', 'e', 't', '=', '9', '\n', 'X', '=', '1'});
    ASSERT_TRUE(LoadCheckedSettingsFile(tree.path("ok.ini"), settings, warnings, error)) << error;
    EXPECT_EQ(settings.maxOffset, 9);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].line, 3u);
    EXPECT_FALSE(LoadCheckedSettingsFile(tree.path("missing.ini"), settings, warnings, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tw
