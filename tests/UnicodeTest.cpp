#include "text/Unicode.h"

#include <gtest/gtest.h>

#include <string>

namespace tw {
namespace {

using namespace std::string_literals;

TEST(Unicode, Utf16ReplacingLoneSurrogatesMatchesTheWindowsConversion) {
    auto convert = [](const std::string& bytes) {
        return Utf16ToUtf8(
            Utf16Units(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() / 2, Utf16Order::LittleEndian),
            LoneSurrogate::Replace);
    };
    EXPECT_EQ(convert("A\0"s), "A");
    EXPECT_EQ(convert("\0\0"s), "\0"s);
    EXPECT_EQ(convert("\x7F\0"s), "\x7F");
    EXPECT_EQ(convert("\x80\0"s), "\xC2\x80");
    EXPECT_EQ(convert("\xE9\0"s), "\xC3\xA9");
    EXPECT_EQ(convert("\xFF\x07"s), "\xDF\xBF");
    EXPECT_EQ(convert("\x00\x08"s), "\xE0\xA0\x80");
    EXPECT_EQ(convert("\xAC\x20"s), "\xE2\x82\xAC");
    EXPECT_EQ(convert("\xFF\xFF"s), "\xEF\xBF\xBF");
    EXPECT_EQ(convert("\x3D\xD8\x00\xDE"s), "\xF0\x9F\x98\x80");  // U+1F600
    EXPECT_EQ(convert("\x00\xD8\x00\xDC"s), "\xF0\x90\x80\x80");  // U+10000
    EXPECT_EQ(convert("\xFF\xDB\xFF\xDF"s), "\xF4\x8F\xBF\xBF");  // U+10FFFF
    EXPECT_EQ(convert("\x3D\xD8"
                      "A\0"s),
              "\xEF\xBF\xBD"
              "A");                                   // high, then no low
    EXPECT_EQ(convert("\x3D\xD8"s), "\xEF\xBF\xBD");  // high at the end
    EXPECT_EQ(convert("\x00\xDE"
                      "A\0"s),
              "\xEF\xBF\xBD"
              "A");  // low alone
    EXPECT_EQ(convert("\x3D\xD8\x3D\xD8\x00\xDE"s), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
    EXPECT_EQ(convert("\x00\xDE\x3D\xD8"s), "\xEF\xBF\xBD\xEF\xBF\xBD");  // reversed pair
    EXPECT_EQ(convert(""), "");
}

TEST(Unicode, OneEncoderKeepsOrReplacesALoneSurrogate) {
    const std::u16string units{u'a', char16_t(0xD800), u'b', char16_t(0xD83C), char16_t(0xDFB5)};
    EXPECT_EQ(Utf16ToUtf8(units, LoneSurrogate::Replace),
              "a\xEF\xBF\xBD"
              "b\xF0\x9F\x8E\xB5");
    EXPECT_EQ(Utf16ToUtf8(units, LoneSurrogate::Keep),
              "a\xED\xA0\x80"
              "b\xF0\x9F\x8E\xB5");
    // Big-endian bytes give the same units as their little-endian twins.
    const std::string be = "\x04\x1F\xD8\x3C\xDF\xB5"s;
    EXPECT_EQ(Utf16Units(reinterpret_cast<const std::uint8_t*>(be.data()), 3, Utf16Order::BigEndian),
              (std::u16string{char16_t(0x041F), char16_t(0xD83C), char16_t(0xDFB5)}));
}

TEST(Unicode, Latin1TakesEveryByteAsItsCodePoint) {
    EXPECT_EQ(Latin1ToUtf8("Caf\xE9 M\xFCller Stra\xDF"
                           "e"),
              "Caf\xC3\xA9 M\xC3\xBCller Stra\xC3\x9F"
              "e");
    EXPECT_EQ(Latin1ToUtf8("\x80\xFF"s), "\xC2\x80\xC3\xBF");
    EXPECT_EQ(Latin1ToUtf8(""), "");
}

TEST(Unicode, StrictAndLenientReadersDifferOnlyOnSurrogates) {
    EXPECT_TRUE(IsUtf8Text("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_EQ(ToValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    for (const char* both : {"\xC0\xAF", "\xE2\x82", "\xF4\x90\x80\x80", "\xFF", "\x80"}) {
        EXPECT_FALSE(IsUtf8Text(both)) << both;
        EXPECT_FALSE(IsValidUtf8(both)) << both;
    }
    EXPECT_EQ(Utf8CharacterCount("a\xC3\xA9\xF0\x9F\x8E\xB5\xFF"), 4u);
}

}  // namespace
}  // namespace tw
