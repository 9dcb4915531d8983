#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include "support/TempPath.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace tw {
namespace {

IniFile FromText(const std::string& text) {
    IniFile ini;
    ini.setText(text);
    return ini;
}

// A file in the temporary folder named after the running test, removed when
// the test ends.
class TempIniPath : public test::TempPath {
public:
    TempIniPath() : TempPath("tw_ini_", ".ini") {}
};

TEST(IniFileGetString, MatchesNamesTheWayTheProfileReaderDoes) {
    const IniFile ini = FromText(
        "; leading comment\r\n"
        "Orphan=before any section\r\n"
        "[Other]\r\n"
        "Key=other section\r\n"
        "  [ options ]  \r\n"
        "  mAx OfFsEt   =   1234   \r\n"
        "; Commented=yes\r\n"
        "   ;Indented=yes\r\n"
        "No equals sign here\r\n"
        "Semi=a;b ; c\r\n"
        "Dup=first\r\n"
        "Dup=second\r\n"
        "Empty=\r\n"
        "Blank=    \r\n"
        "Tabbed\t=\tvalue\twith\ttabs\t\r\n"
        "[Options]\r\n"
        "Late=from a second section of the same name\r\n");
    EXPECT_EQ(ini.getString("Options", "Max Offset", "d"), "1234");
    EXPECT_EQ(ini.getString("OPTIONS", "max offset", "d"), "1234");
    EXPECT_EQ(ini.getString("  Options ", " Max Offset ", "d"), "1234");
    EXPECT_EQ(ini.getString("Options", "Key", "d"), "d");
    EXPECT_EQ(ini.getString("Other", "key", "d"), "other section");
    EXPECT_EQ(ini.getString("Options", "Orphan", "d"), "d");
    EXPECT_EQ(ini.getString("Options", "; Commented", "d"), "d");
    EXPECT_EQ(ini.getString("Options", "Commented", "d"), "d");
    EXPECT_EQ(ini.getString("Options", "Indented", "d"), "d");
    EXPECT_EQ(ini.getString("Options", "No equals sign here", "d"), "d");
    EXPECT_EQ(ini.getString("Options", "Semi", "d"), "a;b ; c");
    EXPECT_EQ(ini.getString("Options", "Dup", "d"), "first");
    EXPECT_EQ(ini.getString("Options", "Empty", "d"), "");
    EXPECT_EQ(ini.getString("Options", "Blank", "d"), "");
    EXPECT_EQ(ini.getString("Options", "Tabbed", "d"), "value\twith\ttabs");
    // Only the first section of a name is searched.
    EXPECT_EQ(ini.getString("Options", "Late", "d"), "d");
    EXPECT_EQ(ini.getString("Missing", "Key", "d"), "d");
}

TEST(IniFileGetString, RemovesOneMatchingPairOfQuotes) {
    const IniFile ini = FromText(
        "[S]\n"
        "Double=\"C:\\My Music\"\n"
        "Single= 'x y' \n"
        "Inner=\" spaced \"\n"
        "Mixed=\"x'\n"
        "Lone=\"\n"
        "OnlyPair=''\n"
        "Nested=\"'a'\"\n"
        "Unclosed=\"abc\n");
    EXPECT_EQ(ini.getString("S", "Double", ""), "C:\\My Music");
    EXPECT_EQ(ini.getString("S", "Single", ""), "x y");
    EXPECT_EQ(ini.getString("S", "Inner", ""), " spaced ");
    EXPECT_EQ(ini.getString("S", "Mixed", ""), "\"x'");
    EXPECT_EQ(ini.getString("S", "Lone", ""), "\"");
    EXPECT_EQ(ini.getString("S", "OnlyPair", ""), "");
    EXPECT_EQ(ini.getString("S", "Nested", ""), "'a'");
    EXPECT_EQ(ini.getString("S", "Unclosed", ""), "\"abc");
}

TEST(IniFileGetString, CutsValuesAndDefaultsTo260Characters) {
    const std::string exact(260, 'a');
    const std::string longer = std::string(260, 'b') + "TAIL";
    const IniFile ini =
        FromText("[S]\r\nExact=" + exact + "\r\nLonger=" + longer + "\r\nQuoted=\"" + longer + "\"\r\n");
    EXPECT_EQ(ini.getString("S", "Exact", ""), exact);
    EXPECT_EQ(ini.getString("S", "Longer", ""), std::string(260, 'b'));
    EXPECT_EQ(ini.getString("S", "Quoted", ""), std::string(260, 'b'));
    EXPECT_EQ(ini.getString("S", "Missing", longer), std::string(260, 'b'));
    // The default loses its trailing blanks, not its leading ones.
    EXPECT_EQ(ini.getString("S", "Missing", "  def \t "), "  def");
}

TEST(IniFileGetString, ReadsLfAndLastLineWithoutLineEnd) {
    const IniFile ini = FromText("[S]\nA=1\nB=2");
    EXPECT_EQ(ini.getString("S", "A", ""), "1");
    EXPECT_EQ(ini.getString("S", "B", ""), "2");
    EXPECT_EQ(FromText("").getString("S", "A", "x"), "x");
}

TEST(IniFileSetString, ReplacesOnlyTheValueOfAnExistingKey) {
    const std::string before =
        "; settings\r\n"
        "[Other]\r\n"
        "Max Offset=7\r\n"
        "\r\n"
        "[Options]\n"
        "  max offset  =  100   \n"
        "Other Key=keep\r\n"
        "max offset=second\r\n";
    IniFile ini = FromText(before);
    ASSERT_TRUE(ini.setString("Options", "Max Offset", "5000"));
    EXPECT_EQ(ini.text(),
              "; settings\r\n"
              "[Other]\r\n"
              "Max Offset=7\r\n"
              "\r\n"
              "[Options]\n"
              "  max offset  =  5000   \n"
              "Other Key=keep\r\n"
              "max offset=second\r\n");

    IniFile empty = FromText("[S]\r\nKey=\r\nBlank =   \r\n");
    ASSERT_TRUE(empty.setString("S", "key", "v"));
    ASSERT_TRUE(empty.setString("S", "Blank", "w"));
    EXPECT_EQ(empty.text(), "[S]\r\nKey=v\r\nBlank =   w\r\n");
    ASSERT_TRUE(empty.setString("S", "Key", ""));
    EXPECT_EQ(empty.text(), "[S]\r\nKey=\r\nBlank =   w\r\n");
}

TEST(IniFileSetString, AddsAMissingKeyAtTheEndOfItsSection) {
    IniFile ini = FromText(
        "[Options]\r\n"
        "A=1\r\n"
        "; about B\r\n"
        "\r\n"
        "\r\n"
        "[Next]\r\n"
        "C=3\r\n");
    ASSERT_TRUE(ini.setString("options", "B", "2"));
    EXPECT_EQ(ini.text(),
              "[Options]\r\n"
              "A=1\r\n"
              "; about B\r\n"
              "B=2\r\n"
              "\r\n"
              "\r\n"
              "[Next]\r\n"
              "C=3\r\n");

    IniFile headerOnly = FromText("[Options]");
    ASSERT_TRUE(headerOnly.setString("Options", "A", "1"));
    EXPECT_EQ(headerOnly.text(), "[Options]\r\nA=1\r\n");

    IniFile noFinalLineEnd = FromText("[Options]\nA=1");
    ASSERT_TRUE(noFinalLineEnd.setString("Options", "B", "2"));
    EXPECT_EQ(noFinalLineEnd.text(), "[Options]\nA=1\r\nB=2\r\n");
}

TEST(IniFileSetString, AddsAMissingSectionAtTheEnd) {
    IniFile fresh;
    ASSERT_TRUE(fresh.setString("Options", "Function", "1"));
    ASSERT_TRUE(fresh.setString("Options", "Clear Log", "true"));
    EXPECT_EQ(fresh.text(), "[Options]\r\nFunction=1\r\nClear Log=true\r\n");

    IniFile other = FromText("[Other]\nX=1");
    ASSERT_TRUE(other.setString("Options", "Y", "2"));
    EXPECT_EQ(other.text(), "[Other]\nX=1\r\n[Options]\r\nY=2\r\n");
}

TEST(IniFileSetString, RefusesWhatCannotBeOneLineOfTheFile) {
    const std::string before = "[Options]\r\nA=1\r\n";
    IniFile ini = FromText(before);
    EXPECT_FALSE(ini.setString("Options", "A", "two\r\n[Options]\r\nA=3"));
    EXPECT_FALSE(ini.setString("Options", "A", "line\nbreak"));
    EXPECT_FALSE(ini.setString("Options", "A", std::string("nul\0byte", 8)));
    EXPECT_FALSE(ini.setString("Options", "B=C", "x"));
    EXPECT_FALSE(ini.setString("Options", "; B", "x"));
    EXPECT_FALSE(ini.setString("Options", "[B]", "x"));
    EXPECT_FALSE(ini.setString("Options", "  ", "x"));
    EXPECT_FALSE(ini.setString("Opt]ions", "A", "x"));
    EXPECT_FALSE(ini.setString("", "A", "x"));
    EXPECT_EQ(ini.text(), before);
}

TEST(IniFileProtectedValue, ReadsBackUnchanged) {
    for (const std::string value : {"", "plain", " leading", "trailing ", "\ttab", "'quoted'", "\"dq\"", "\"", "'",
                                    "\"x'", "\" \"", "''", "a \"b\" c"}) {
        IniFile ini;
        ASSERT_TRUE(ini.setString("S", "K", IniFile::ProtectedValue(value)));
        EXPECT_EQ(ini.getString("S", "K", "default"), value) << "[" << value << "]";
    }
    EXPECT_EQ(IniFile::ProtectedValue("C:\\My Documents"), "C:\\My Documents");
    EXPECT_EQ(IniFile::ProtectedValue(" x"), "\" x\"");
}

TEST(IniFileFile, SavesAndLoadsTheExactBytes) {
    TempIniPath temp;
    IniFile missing;
    EXPECT_FALSE(missing.load(temp.str()));
    EXPECT_EQ(missing.text(), "");

    const std::string bytes = "; kept\n[Other]\r\nX = 1 \r\n\r\n[Options]\r\nA=1";
    {
        std::ofstream out(temp.path(), std::ios::binary);
        out << bytes;
    }
    IniFile ini;
    ASSERT_TRUE(ini.load(temp.str()));
    EXPECT_EQ(ini.text(), bytes);
    ASSERT_TRUE(ini.setString("Options", "A", "2"));
    ASSERT_TRUE(ini.save(temp.str()));

    IniFile reread;
    ASSERT_TRUE(reread.load(temp.str()));
    EXPECT_EQ(reread.text(), "; kept\n[Other]\r\nX = 1 \r\n\r\n[Options]\r\nA=2");
    EXPECT_EQ(std::filesystem::file_size(temp.path()), reread.text().size());

    // A loaded document replaces the previous one.
    ASSERT_TRUE(reread.load(temp.str()));
    EXPECT_EQ(reread.getString("Options", "A", ""), "2");
}

TEST(IniFileFile, ReportsAFileThatCannotBeWritten) {
    TempIniPath temp;
    IniFile ini;
    ASSERT_TRUE(ini.setString("Options", "A", "1"));
    const std::string inMissingFolder = (temp.path().parent_path() / "tw_no_such_folder" / "x.ini").string();
    EXPECT_FALSE(ini.save(inMissingFolder));
    const std::string aFolder = temp.path().parent_path().string();
    EXPECT_FALSE(ini.save(aFolder));
}

}  // namespace
}  // namespace tw
