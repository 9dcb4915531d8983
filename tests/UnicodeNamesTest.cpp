// Names in any script, as the platform layer lists, opens and moves them, and
// the UTF-8 <-> UTF-16 conversion that Windows needs for it.
#include "text/Unicode.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Platform.h"
#include "reports/DirectoryTest.h"
#include "settings/Settings.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempTree.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::TempTree;

// In the order the listing gives them: unsigned bytes of UTF-8, A-Z folded.
const std::vector<std::string> Names = {
    "Bach \xF0\x9D\x84\x9E.mp3",                             // U+1D11E, outside the BMP
    "Caf\xC3\xA9.mp3",                                       // in the Western ANSI code page
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1.mp3",  // Greek
    "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.mp3",  // Cyrillic
    "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D.mp3",                  // Hebrew
    "\xE6\x97\xA5\xE6\x9C\xAC.mp3",                          // Japanese
    "\xF0\x9F\x8E\xB5.mp3",                                  // an emoji
};

TEST(Unicode, ConvertsBothWaysWithoutLoss) {
    EXPECT_EQ(Utf8ToUtf16("\xE6\x97\xA5"), std::wstring(1, wchar_t(0x65E5)));
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x8E\xB5"), (std::wstring{wchar_t(0xD83C), wchar_t(0xDFB5)}));
    for (const std::string& name : Names)
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(name)), name);
    // A lone surrogate, which a Windows name may hold, comes back as itself.
    const std::wstring lone{L'a', wchar_t(0xD800), L'b', wchar_t(0xDC00)};
    EXPECT_EQ(Utf16ToUtf8(lone),
              "a\xED\xA0\x80"
              "b\xED\xB0\x80");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(lone)), lone);
    // Bytes that are no UTF-8 become U+FFFD each; the rest is kept.
    EXPECT_EQ(Utf8ToUtf16("Caf\xE9!"), (std::wstring{L'C', L'a', L'f', wchar_t(0xFFFD), L'!'}));
    EXPECT_EQ(Utf8ToUtf16("\xE6\x97"), (std::wstring{wchar_t(0xFFFD), wchar_t(0xFFFD)}));
}

TEST(Unicode, TellsUtf8FromOtherBytes) {
    EXPECT_TRUE(IsUtf8Text(""));
    EXPECT_TRUE(IsUtf8Text("C:\\My Documents"));
    for (const std::string& name : Names)
        EXPECT_TRUE(IsUtf8Text(name)) << name;
    EXPECT_TRUE(IsUtf8Text("\xED\xA0\x80"));       // a lone surrogate, as written above
    EXPECT_FALSE(IsUtf8Text("Caf\xE9"));           // Windows-1252
    EXPECT_FALSE(IsUtf8Text("\x93\xFA\x96\x7B"));  // Shift-JIS
    EXPECT_FALSE(IsUtf8Text("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(IsUtf8Text("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(IsUtf8Text("\xE6\x97"));          // cut short
}

TEST(UnicodeNames, EveryNameIsListedOpenedAndMovedIntact) {
    TempTree tree;
    for (const std::string& name : Names)
        tree.file("D/" + name, name == Names[5] ? ByteBuilder().frames(3, test::Cbr128).build() : Bytes(9, 1));
    tree.dir("M");
    const std::string sep(1, PathSeparator);
    const std::string d = tree.path("D") + sep;

    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(SystemFileSystem().listDirectory(tree.path("D"), entries, {}));
    EXPECT_EQ(entries.size(), Names.size());

    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = tree.path("M");
    test::RecordingSink sink;
    DirectoryTest test(sink, DirectoryTestOptionsOf(settings), tree.path("D"));
    DirectoryTest::Result result = test.testDirectory();
    EXPECT_EQ(result.problems, 6);
    EXPECT_EQ(result.moved, 6);

    std::vector<std::string> expected;
    for (const std::string& name : Names)
        if (name != Names[5])
            expected.push_back(d + name + "  -  Error: File too short.");
    std::vector<std::string> texts = sink.texts();
    texts.resize(expected.size());
    EXPECT_EQ(texts, expected);
    for (const std::string& name : Names) {
        bool sound = name == Names[5];
        EXPECT_EQ(tree.exists("D/" + name), sound) << name;
        EXPECT_EQ(tree.exists("M/" + name), !sound) << name;
    }
    EXPECT_EQ(SystemFileSystem().absolutePath(tree.path("D/" + Names[5])), tree.path("D/" + Names[5]));
    // Read only and moved whole.
    EXPECT_EQ(tree.read("D/" + Names[5]), ByteBuilder().frames(3, test::Cbr128).build());
    EXPECT_EQ(tree.read("M/" + Names[0]), Bytes(9, 1));
}

TEST(LocalTime, DatesBefore1970ConvertLikeAnyOther) {
    // 1969-07-20 20:17:40 UTC; time zones differ by whole quarter hours.
    LocalTime t = ToLocalTime(-14182940);
    EXPECT_EQ(t.year, 1969);
    EXPECT_EQ(t.month, 7);
    EXPECT_TRUE(t.day == 20 || t.day == 21) << t.day;
    EXPECT_EQ(t.second, 40);
    EXPECT_EQ(t.minute % 15, 17 % 15);
    LocalTime next = ToLocalTime(-14182939);
    EXPECT_EQ(next.second, 41);
    EXPECT_EQ(next.minute, t.minute);
}

// Run by its own test entry with TZ=America/New_York: 20 March was winter
// time in 2006, summer time from 2007 on, when the rules changed.
TEST(LocalTime, EachDateTakesTheDaylightRulesOfItsYear) {
    const char* zone = std::getenv("TZ");
    if (zone == nullptr || std::string(zone) != "America/New_York")
        GTEST_SKIP() << "needs TZ=America/New_York";
    if (ToLocalTime(1168862400).hour != 7)  // 2007-01-15 12:00 UTC
        GTEST_SKIP() << "the system doesn't know the zone America/New_York";
    EXPECT_EQ(ToLocalTime(1142856000).hour, 7);  // 2006-03-20 12:00 UTC
    EXPECT_EQ(ToLocalTime(1174392000).hour, 8);  // 2007-03-20 12:00 UTC
}

}  // namespace
}  // namespace tw
