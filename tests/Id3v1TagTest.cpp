#include "tags/Id3v1Tag.h"

#include <gtest/gtest.h>

#include <string>

#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "tags/GenreTable.h"
#include "tests/support/ByteBuilder.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;

// Some audio bytes and then the tag, read back the way the scan does: the
// last 128 bytes of the file through the buffered reader.
bool ReadTrailingTag(const Bytes& tagBlock, Id3v1Tag& tag) {
    ByteBuilder file;
    file.fill(300, 0xAA).bytes(tagBlock);
    MemoryFile memory(file.build());
    BufferedReader reader(memory);
    std::uint8_t block[Id3v1Tag::BlockSize];
    std::int64_t at = reader.size() - static_cast<std::int64_t>(Id3v1Tag::BlockSize);
    EXPECT_EQ(reader.read(at, block, sizeof block), sizeof block);
    return tag.read(block);
}

// A block of "TAG" and zero bytes with `text` written at `offset`.
Bytes BlockWith(std::size_t offset, const std::string& text) {
    ByteBuilder b;
    b.text("TAG").fill(125);
    b.patch(offset, text);
    return b.build();
}

std::string YearOf(const std::string& yearBytes) {
    Id3v1Tag tag;
    EXPECT_TRUE(ReadTrailingTag(BlockWith(93, yearBytes), tag));
    return tag.year();
}

std::string TitleOf(const std::string& titleBytes) {
    Id3v1Tag tag;
    EXPECT_TRUE(ReadTrailingTag(BlockWith(3, titleBytes), tag));
    return tag.title();
}

TEST(Id3v1Tag, AllFieldsLandInTheirPlaces) {
    ByteBuilder b;
    b.id3v1("Title", "Artist", "Album", "1999", "Comment", 0, 17);
    Id3v1Tag tag;
    ASSERT_TRUE(ReadTrailingTag(b.build(), tag));
    EXPECT_EQ(tag.title(), "Title");
    EXPECT_EQ(tag.artist(), "Artist");
    EXPECT_EQ(tag.album(), "Album");
    EXPECT_EQ(tag.year(), "1999");
    EXPECT_EQ(tag.comment(), "Comment");
    EXPECT_EQ(tag.genre(), "Rock");
    EXPECT_EQ(tag.isVersion11(), 0);
    EXPECT_EQ(tag.track(), 0);
}

TEST(Id3v1Tag, OnlyUpperCaseTagIsATagAndAFailedReadLeavesNothing) {
    Id3v1Tag tag;
    ByteBuilder good;
    good.id3v1("Title", "Artist", "Album", "1999", "Comment", 4, 17);
    ASSERT_TRUE(ReadTrailingTag(good.build(), tag));

    Bytes lower = good.build();
    lower[0] = 't';
    lower[1] = 'a';
    lower[2] = 'g';
    EXPECT_FALSE(ReadTrailingTag(lower, tag));
    EXPECT_EQ(tag.title(), "");
    EXPECT_EQ(tag.artist(), "");
    EXPECT_EQ(tag.album(), "");
    EXPECT_EQ(tag.genre(), "");
    EXPECT_EQ(tag.year(), "");
    EXPECT_EQ(tag.comment(), "");
    EXPECT_EQ(tag.isVersion11(), 0);
    EXPECT_EQ(tag.track(), 0);
}

TEST(Id3v1Tag, TagOfZeroBytesIsEmptyBlues) {
    Id3v1Tag tag;
    ASSERT_TRUE(ReadTrailingTag(ByteBuilder().text("TAG").fill(125).build(), tag));
    EXPECT_EQ(tag.title(), "");
    EXPECT_EQ(tag.artist(), "");
    EXPECT_EQ(tag.album(), "");
    EXPECT_EQ(tag.year(), "");
    EXPECT_EQ(tag.comment(), "");
    EXPECT_EQ(tag.genre(), "Blues");
    EXPECT_EQ(tag.isVersion11(), 0);
    EXPECT_EQ(tag.track(), 0);
}

// Cut at the first zero, then trim white space, then blank what is left: the
// order shows in what survives.
TEST(Id3v1Tag, FieldsAreCutTrimmedThenBlanked) {
    const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
    EXPECT_EQ(TitleOf(thirty), thirty);
    EXPECT_EQ(TitleOf(std::string("AB\0CD", 5)), "AB");
    EXPECT_EQ(TitleOf("AB   "), "AB");
    EXPECT_EQ(TitleOf("AB \t\n\v\f\r"), "AB");
    EXPECT_EQ(TitleOf("AB\x01"), "AB ");    // not white space: kept, then blanked
    EXPECT_EQ(TitleOf("AB\x01 "), "AB ");   // blank trimmed, control blanked
    EXPECT_EQ(TitleOf("AB \x01"), "AB  ");  // the trim stops at the control
    EXPECT_EQ(TitleOf("Caf\xE9"), "Caf ");  // high bytes become blanks
    EXPECT_EQ(TitleOf("A\x7F"
                      "B"),
              "A B");
    EXPECT_EQ(TitleOf("  AB"), "  AB");  // leading blanks stay

    EXPECT_EQ(YearOf("19  "), "19");
    EXPECT_EQ(YearOf("1\t99"), "1 99");
    EXPECT_EQ(YearOf(std::string(4, '\0')), "");
    EXPECT_EQ(YearOf("2001"), "2001");
}

TEST(Id3v1Tag, VersionFormsAndTrack) {
    const std::string letters28 = "abcdefghijklmnopqrstuvwxyzAB";
    Id3v1Tag tag;

    Bytes v11 = BlockWith(97, letters28 + std::string("\0\x07", 2));
    ASSERT_TRUE(ReadTrailingTag(v11, tag));
    EXPECT_EQ(tag.comment(), letters28);
    EXPECT_EQ(tag.isVersion11(), 1);
    EXPECT_EQ(tag.track(), 7);

    Bytes noTrack = BlockWith(97, letters28 + std::string("\0\0", 2));
    ASSERT_TRUE(ReadTrailingTag(noTrack, tag));
    EXPECT_EQ(tag.comment(), letters28);
    EXPECT_EQ(tag.isVersion11(), 0);
    EXPECT_EQ(tag.track(), 0);

    Bytes v10 = BlockWith(97, letters28 + "YZ");
    ASSERT_TRUE(ReadTrailingTag(v10, tag));
    EXPECT_EQ(tag.comment(), letters28 + "YZ");
    EXPECT_EQ(tag.isVersion11(), 0);
    EXPECT_EQ(tag.track(), 0);

    // The track byte is unsigned, and a comment never reaches past byte 125.
    Bytes highTrack = BlockWith(97, "Hi" + std::string(26, '\0') + std::string("\0\xFF", 2));
    ASSERT_TRUE(ReadTrailingTag(highTrack, tag));
    EXPECT_EQ(tag.comment(), "Hi");
    EXPECT_EQ(tag.isVersion11(), 1);
    EXPECT_EQ(tag.track(), 255);

    // Byte 125 not zero with byte 126 zero: 1.0, the comment ends at 126.
    Bytes v10Short = BlockWith(97, letters28 + std::string("Y\0", 2));
    ASSERT_TRUE(ReadTrailingTag(v10Short, tag));
    EXPECT_EQ(tag.comment(), letters28 + "Y");
    EXPECT_EQ(tag.isVersion11(), 0);
}

TEST(Id3v1Tag, GenreTableBoundaries) {
    EXPECT_EQ(Id3v1Tag::genreName(0), "Blues");
    EXPECT_EQ(Id3v1Tag::genreName(12), "Other");
    EXPECT_EQ(Id3v1Tag::genreName(79), "Hard Rock");
    EXPECT_EQ(Id3v1Tag::genreName(80), "Folk");
    EXPECT_EQ(Id3v1Tag::genreName(132), "BritPop");
    EXPECT_EQ(Id3v1Tag::genreName(133), "Negerpunk");
    EXPECT_EQ(Id3v1Tag::genreName(134), "Polsk Punk");
    EXPECT_EQ(Id3v1Tag::genreName(147), "Synthpop");
    EXPECT_EQ(Id3v1Tag::genreName(148), "");
    EXPECT_EQ(Id3v1Tag::genreName(255), "");
    for (int code = 0; code < 256; ++code) {
        bool named = !Id3v1Tag::genreName(static_cast<std::uint8_t>(code)).empty();
        EXPECT_EQ(named, code < static_cast<int>(GenreTable::Count)) << "code " << code;
    }

    Id3v1Tag tag;
    Bytes block = ByteBuilder().text("TAG").fill(125).build();
    block[127] = 147;
    ASSERT_TRUE(ReadTrailingTag(block, tag));
    EXPECT_EQ(tag.genre(), "Synthpop");
    block[127] = 148;
    ASSERT_TRUE(ReadTrailingTag(block, tag));
    EXPECT_EQ(tag.genre(), "");
    block[127] = 255;
    ASSERT_TRUE(ReadTrailingTag(block, tag));
    EXPECT_EQ(tag.genre(), "");
}

}  // namespace
}  // namespace tw
