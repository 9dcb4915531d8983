#include "common/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tw {
namespace {

TEST(FormatThousands, GroupsDigitsInThrees) {
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(100), "100");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1,000");
    EXPECT_EQ(FormatThousands(100000), "100,000");
    EXPECT_EQ(FormatThousands(1234567), "1,234,567");
    EXPECT_EQ(FormatThousands(-999), "-999");
    EXPECT_EQ(FormatThousands(-1000), "-1,000");
    EXPECT_EQ(FormatThousands(-1234567), "-1,234,567");
    EXPECT_EQ(FormatThousands(2147483647), "2,147,483,647");
    EXPECT_EQ(FormatThousands(std::numeric_limits<std::int32_t>::min()), "-2,147,483,648");
}

TEST(ParseThousands, ReadsWhatFormatThousandsWrites) {
    EXPECT_EQ(ParseThousands(""), 0);
    EXPECT_EQ(ParseThousands("12,345"), 12345);
    EXPECT_EQ(ParseThousands(" 7"), 7);
    EXPECT_EQ(ParseThousands("-1,000"), -1000);
    EXPECT_EQ(ParseThousands("+42"), 42);
    EXPECT_EQ(ParseThousands("letters"), 0);
    EXPECT_EQ(ParseThousands("12abc"), 12);
    EXPECT_EQ(ParseThousands("1,0,0"), 100);
    EXPECT_EQ(ParseThousands("1000"), 1000);
    EXPECT_EQ(ParseThousands("- 5"), 0);
}

TEST(ParseThousands, SaturatesAtThe32BitLimits) {
    EXPECT_EQ(ParseThousands("2,147,483,647"), 2147483647);
    EXPECT_EQ(ParseThousands("2147483648"), 2147483647);
    EXPECT_EQ(ParseThousands("99999999999999999999999"), 2147483647);
    EXPECT_EQ(ParseThousands("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseThousands("-99999999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(BlankNonPrintable, BlanksControlAndHighBytesKeepingLength) {
    std::string s =
        "a\tb\xE9"
        "c\x7F";
    s += '\0';
    s += "~ ";
    BlankNonPrintable(s);
    EXPECT_EQ(s, std::string("a b c  ~ "));
    std::string empty;
    BlankNonPrintable(empty);
    EXPECT_EQ(empty, "");
}

TEST(RoundToInt, RoundsHalfAwayFromZero) {
    EXPECT_EQ(RoundToInt(0.5), 1);
    EXPECT_EQ(RoundToInt(-0.5), -1);
    EXPECT_EQ(RoundToInt(2.5), 3);
    EXPECT_EQ(RoundToInt(-2.5), -3);
    EXPECT_EQ(RoundToInt(1.4999), 1);
    EXPECT_EQ(RoundToInt(2.49), 2);
    EXPECT_EQ(RoundToInt(-0.4), 0);
    EXPECT_EQ(RoundToInt(-0.0), 0);
    EXPECT_EQ(RoundToInt(59.5), 60);
}

TEST(RoundToInt, SaturatesAndMapsNanToZero) {
    EXPECT_EQ(RoundToInt(3e9), 2147483647);
    EXPECT_EQ(RoundToInt(2147483646.6), 2147483647);
    EXPECT_EQ(RoundToInt(-3e9), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToInt(std::numeric_limits<double>::infinity()), 2147483647);
    EXPECT_EQ(RoundToInt(std::nan("")), 0);
}

TEST(FileNameOf, TakesThePartAfterTheLastSeparator) {
    const std::string sep(1, PathSeparator);
    EXPECT_EQ(FileNameOf("Music" + sep + "a.mp3"), "a.mp3");
    EXPECT_EQ(FileNameOf(sep + "x" + sep + "Music" + sep + "a.mp3"), "a.mp3");
    EXPECT_EQ(FileNameOf("a.mp3"), "a.mp3");
    EXPECT_EQ(FileNameOf("Music" + sep), "");
}

TEST(FolderOf, KeepsARootsSeparator) {
#ifdef _WIN32
    EXPECT_EQ(FolderOf("C:\\a.mp3"), "C:\\");
    EXPECT_EQ(FolderOf("C:\\Music\\a.mp3"), "C:\\Music");
#else
    EXPECT_EQ(FolderOf("/a.mp3"), "/");
    EXPECT_EQ(FolderOf("/Music/a.mp3"), "/Music");
#endif
    EXPECT_EQ(FolderOf("a.mp3"), "");
}

TEST(LessIgnoringCase, FoldsCapitalsThenComparesUnsignedBytes) {
    EXPECT_TRUE(LessIgnoringCase("a_b.mp3", "aab.mp3"));
    EXPECT_TRUE(LessIgnoringCase("a.mp3", "B.mp3"));
    EXPECT_TRUE(LessIgnoringCase("B.mp3", "c.mp3"));
    EXPECT_TRUE(LessIgnoringCase("Track10.mp3", "Track9.mp3"));
    EXPECT_TRUE(LessIgnoringCase("abc", "ABCD"));
    EXPECT_TRUE(LessIgnoringCase("a b", "a.b"));
    EXPECT_TRUE(LessIgnoringCase("1", "a"));
    EXPECT_TRUE(LessIgnoringCase("z", "\xE9"));  // high bytes are unsigned
    EXPECT_FALSE(LessIgnoringCase("ABC", "abc"));
    EXPECT_FALSE(LessIgnoringCase("abc", "ABC"));
    EXPECT_FALSE(LessIgnoringCase("b", "A"));
}

}  // namespace
}  // namespace tw
