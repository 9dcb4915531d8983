#include "tags/Id3v2Tag.h"

#include <gtest/gtest.h>

#include <string>

#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "tests/support/ByteBuilder.h"

namespace tw {
namespace {

using namespace std::string_literals;
using test::ByteBuilder;
using test::Bytes;

bool ReadTag(MemoryFile& file, Id3v2Tag& tag) {
    BufferedReader reader(file);
    return tag.read(reader);
}

bool ReadTag(const Bytes& bytes, Id3v2Tag& tag) {
    MemoryFile file(bytes);
    return ReadTag(file, tag);
}

Bytes Payload(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A whole tag: header declaring exactly the body, then the body.
Bytes Tag(std::uint8_t major, const ByteBuilder& body, std::uint8_t flags = 0) {
    ByteBuilder tag;
    tag.id3v2Header(major, 0, flags, static_cast<std::uint32_t>(body.size())).bytes(body.build());
    return tag.build();
}

std::string Decode(const char* id, const std::string& payload) {
    return Id3v2Tag::decodeFrameText(id, reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size());
}

TEST(Id3v2Tag, NoTagGivesFalseAndClearedFields) {
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(test::Id3v2Tag3({{"TIT2", "Song"}}), tag));

    EXPECT_FALSE(ReadTag(Payload("ID3\x03\0\0\0\0\0"s), tag));  // 9 bytes
    EXPECT_EQ(tag.majorVersion(), -1);
    EXPECT_EQ(tag.revision(), -1);
    EXPECT_EQ(tag.totalLength(), 0);
    EXPECT_EQ(tag.title(), "");
    EXPECT_EQ(tag.frameList(), "");
    EXPECT_FALSE(ReadTag(Payload("id3\x03\0\0\0\0\0\0"s), tag));
    EXPECT_FALSE(ReadTag(Bytes(4096, 0), tag));

    // The file claims 10 bytes but holds fewer: not a tag.
    MemoryFile shrunk(Payload("ID3\x03\0"s));
    shrunk.setReportedSize(10);
    EXPECT_FALSE(ReadTag(shrunk, tag));
    EXPECT_EQ(tag.majorVersion(), -1);
}

TEST(Id3v2Tag, HeaderFieldsAndTotalLength) {
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(Payload("ID3\x04\x01\0\0\0\0\0"s), tag));
    EXPECT_EQ(tag.majorVersion(), 4);
    EXPECT_EQ(tag.revision(), 1);
    EXPECT_EQ(tag.totalLength(), 10);
    EXPECT_EQ(tag.frameList(), "");
    EXPECT_FALSE(tag.isUnsynchronised() || tag.hasExtendedHeader() || tag.isExperimental() || tag.hasFooter());

    Bytes sized = Payload("ID3\x03\0\0\0\0\x02\x01"s);
    sized.resize(300, 0);
    ASSERT_TRUE(ReadTag(sized, tag));
    EXPECT_EQ(tag.totalLength(), 267);
    sized[5] = 0x10;
    ASSERT_TRUE(ReadTag(sized, tag));
    EXPECT_TRUE(tag.hasFooter());
    EXPECT_EQ(tag.totalLength(), 277);

    sized[5] = 0xAF;  // low bits ignored
    ASSERT_TRUE(ReadTag(sized, tag));
    EXPECT_TRUE(tag.isUnsynchronised());
    EXPECT_FALSE(tag.hasExtendedHeader());
    EXPECT_TRUE(tag.isExperimental());
    EXPECT_FALSE(tag.hasFooter());
    EXPECT_EQ(tag.totalLength(), 267);

    // No version is refused.
    sized[3] = 0xFF;
    sized[4] = 0xFE;
    ASSERT_TRUE(ReadTag(sized, tag));
    EXPECT_EQ(tag.majorVersion(), 255);
    EXPECT_EQ(tag.revision(), 254);
}

TEST(Id3v2Tag, SyncsafeBytesAreTakenWhole) {
    auto syncsafe = [](std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
        const std::uint8_t bytes[4] = {a, b, c, d};
        return Id3v2Tag::syncsafeToInt(bytes);
    };
    EXPECT_EQ(syncsafe(0, 0, 1, 0), 128);
    EXPECT_EQ(syncsafe(0, 0, 2, 1), 257);
    EXPECT_EQ(syncsafe(0x7F, 0x7F, 0x7F, 0x7F), 0x0FFFFFFF);
    EXPECT_EQ(syncsafe(0, 0, 0, 0x80), 128);  // top bit overlaps the next group
    EXPECT_EQ(syncsafe(0, 0, 1, 0xFF), 128 | 255);
    EXPECT_EQ(syncsafe(0, 0, 0x80, 0), 0x4000);
    EXPECT_EQ(syncsafe(0, 0x80, 0, 0), 0x200000);
    EXPECT_EQ(syncsafe(0x80, 0, 0, 0), 0x10000000);
    EXPECT_EQ(syncsafe(0xFF, 0xFF, 0xFF, 0xFF), 0x1FFFFFFF);

    // The largest declared size, with the footer, still fits; the walk stops
    // where the file's bytes end.
    Id3v2Tag tag;
    ByteBuilder huge;
    huge.text("ID3").bytes({4, 0, 0x10, 0xFF, 0xFF, 0xFF, 0xFF}).id3v2TextFrame("TIT2", "Big");
    ASSERT_TRUE(ReadTag(huge.build(), tag));
    EXPECT_EQ(tag.totalLength(), 0x1FFFFFFF + 20);
    EXPECT_EQ(tag.title(), "Big");
    EXPECT_EQ(tag.frameList(), "TIT2 (14)");
}

TEST(Id3v2Tag, WalksFramesIntoFieldsAndFrameList) {
    ByteBuilder body;
    body.id3v2TextFrame("TIT2", "Song"s + '\0')
        .id3v2TextFrame("TPE1", "Artist")
        .id3v2TextFrame("TALB", "Album")
        .id3v2TextFrame("TRCK", "3/12")
        .id3v2TextFrame("TYER", "1999")
        .id3v2TextFrame("TCON", "(17)Rock")
        .id3v2Frame("COMM", Payload("\0eng\0Nice"s))
        .id3v2TextFrame("TXXX", "ignored")
        .id3v2Frame("APIC", Bytes(2000, 0xEE))
        .id3v2TextFrame("TIT2", "Second")
        .fill(100);
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(Tag(3, body), tag));
    EXPECT_EQ(tag.majorVersion(), 3);
    EXPECT_EQ(tag.title(), "Second");
    EXPECT_EQ(tag.artist(), "Artist");
    EXPECT_EQ(tag.album(), "Album");
    EXPECT_EQ(tag.track(), "3/12");
    EXPECT_EQ(tag.year(), "1999");
    EXPECT_EQ(tag.genre(), "Rock");
    EXPECT_EQ(tag.comment(), "Nice");
    EXPECT_EQ(tag.frameList(),
              "TIT2 (16);  TPE1 (17);  TALB (16);  TRCK (15);  TYER (15);  TCON (19);  COMM (19);  "
              "TXXX (18);  APIC (2,010);  TIT2 (17)");
    EXPECT_EQ(tag.totalLength(), static_cast<std::int32_t>(10 + body.size()));

    // The first title's zero terminator shows as a trailing blank.
    ByteBuilder one;
    one.id3v2TextFrame("TIT2", "Song"s + '\0');
    ASSERT_TRUE(ReadTag(Tag(3, one), tag));
    EXPECT_EQ(tag.title(), "Song ");
}

TEST(Id3v2Tag, FrameSizeIsSyncsafeForEveryVersion) {
    for (int major : {2, 3, 4}) {
        ByteBuilder body;
        body.text("TIT2").bytes({0, 0, 1, 0, 0, 0}).bytes({0}).fill(127, 'x').id3v2TextFrame("TPE1", "After");
        Id3v2Tag tag;
        ASSERT_TRUE(ReadTag(Tag(static_cast<std::uint8_t>(major), body), tag));
        EXPECT_EQ(tag.frameList(), "TIT2 (138);  TPE1 (16)") << major;
        EXPECT_EQ(tag.title(), std::string(127, 'x'));
        EXPECT_EQ(tag.artist(), "After");
    }
}

TEST(Id3v2Tag, WalkEndsAtTheTagEnd) {
    ByteBuilder body;
    body.id3v2TextFrame("TIT2", "Kept").id3v2TextFrame("TPE1", "Over");
    Bytes bytes = Tag(3, body);
    // Declare one byte less than the body: the second frame ends one byte
    // beyond the tag end.
    bytes[9] = static_cast<std::uint8_t>(bytes[9] - 1);
    ByteBuilder file;
    file.bytes(bytes).id3v2TextFrame("TALB", "Beyond");
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(file.build(), tag));
    EXPECT_EQ(tag.title(), "Kept");
    EXPECT_EQ(tag.artist(), "");
    EXPECT_EQ(tag.album(), "");
    EXPECT_EQ(tag.frameList(), "TIT2 (15)");

    // Ending exactly at the tag end is fine; a frame after the end is not walked.
    ByteBuilder exact;
    exact.bytes(Tag(3, body)).id3v2TextFrame("TALB", "Beyond");
    ASSERT_TRUE(ReadTag(exact.build(), tag));
    EXPECT_EQ(tag.artist(), "Over");
    EXPECT_EQ(tag.album(), "");
    EXPECT_EQ(tag.frameList(), "TIT2 (15);  TPE1 (15)");

    // Zero padding and any identifier byte outside A-Z/0-9 end the walk.
    ByteBuilder lower;
    lower.id3v2TextFrame("TIT2", "One").id3v2TextFrame("TpE1", "Two").id3v2TextFrame("TALB", "Three");
    ASSERT_TRUE(ReadTag(Tag(3, lower), tag));
    EXPECT_EQ(tag.frameList(), "TIT2 (14)");
    EXPECT_EQ(tag.album(), "");
}

TEST(Id3v2Tag, ExtendedHeaderMovesTheFirstFrame) {
    ByteBuilder body;
    body.bytes({0, 0, 0, 10}).fill(6, 0x55).id3v2TextFrame("TIT2", "After extended");
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(Tag(4, body, 0x40), tag));
    EXPECT_TRUE(tag.hasExtendedHeader());
    EXPECT_EQ(tag.title(), "After extended");
    EXPECT_EQ(tag.frameList(), "TIT2 (25)");

    // An extended size beyond the tag leaves no frames, and the tag stands.
    body.data()[0] = 0xFF;
    ASSERT_TRUE(ReadTag(Tag(4, body, 0x40), tag));
    EXPECT_EQ(tag.majorVersion(), 4);
    EXPECT_EQ(tag.frameList(), "");
    EXPECT_EQ(tag.title(), "");

    // A file that ends inside the extended size.
    ASSERT_TRUE(ReadTag(Payload("ID3\x04\0\x40\0\0\x01\0\0\0"s), tag));
    EXPECT_EQ(tag.totalLength(), 138);
    EXPECT_EQ(tag.frameList(), "");
}

TEST(Id3v2Tag, GenreDropsOnlyALeadingReference) {
    auto genreOf = [](const std::string& text) {
        ByteBuilder body;
        body.id3v2TextFrame("TCON", text);
        Id3v2Tag tag;
        EXPECT_TRUE(ReadTag(Tag(3, body), tag));
        return tag.genre();
    };
    EXPECT_EQ(genreOf("(17)"), "");
    EXPECT_EQ(genreOf("(17)Rock"), "Rock");
    EXPECT_EQ(genreOf("Rock (17)"), "Rock (17)");
    EXPECT_EQ(genreOf("(17)(18)Pop"), "(18)Pop");
    EXPECT_EQ(genreOf("(17"), "(17");
    EXPECT_EQ(genreOf("17"), "17");
    EXPECT_EQ(genreOf(""), "");
}

TEST(Id3v2Tag, PayloadReadIsCappedButTheListShowsTheWholeFrame) {
    ByteBuilder body;
    body.id3v2Frame("TIT2", ByteBuilder().bytes({0}).fill(999, 'a').build()).id3v2TextFrame("TPE1", "Next");
    MemoryFile file(Tag(3, body));
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(file, tag));
    EXPECT_EQ(tag.title(), std::string(409, 'a'));
    EXPECT_EQ(tag.artist(), "Next");
    EXPECT_EQ(tag.frameList(), "TIT2 (1,010);  TPE1 (15)");
}

TEST(Id3v2Tag, DecodesSingleByteEncodings) {
    EXPECT_EQ(Decode("TIT2", "\0Plain"s), "Plain");
    EXPECT_EQ(Decode("TIT2",
                     "\x03"
                     "Caf\xC3\xA9"s),
              "Caf  ");  // UTF-8 taken byte for byte
    EXPECT_EQ(Decode("TIT2",
                     "\x02"
                     "A\0B\0"s),
              "A B ");  // 16-bit without a mark
    EXPECT_EQ(Decode("TIT2",
                     "\x05"
                     "AB"s),
              " AB");                           // not an encoding: all is text
    EXPECT_EQ(Decode("TIT2", "A\0B"s), "A B");  // first byte is text too
    EXPECT_EQ(Decode("TIT2", "\0"s), "");
    EXPECT_EQ(Decode("TIT2", "\0A\tB\0"s), "A B ");
}

TEST(Id3v2Tag, CommentSkipsLanguageAndDescription) {
    EXPECT_EQ(Decode("COMM", "\0eng\0Nice"s), "Nice");
    EXPECT_EQ(Decode("COMM", "\0engDescription\0Nice"s), "Nice");
    EXPECT_EQ(Decode("COMM", "\0engDescription\0Nice\0"s), "Nice ");
    EXPECT_EQ(Decode("COMM", "\0engNo terminator"s), "");
    EXPECT_EQ(Decode("COMM", "\0eng\0"s), "");
    EXPECT_EQ(Decode("COMM", "\0en"s), "");
    EXPECT_EQ(Decode("TIT2", "\0eng\0Nice"s), "eng Nice");  // only COMM has a description

    // 16-bit: an empty description (mark and two zero bytes), then the text
    // with its own mark.
    EXPECT_EQ(Decode("COMM",
                     "\x01"
                     "eng\xFF\xFE\0\0\xFF\xFEN\0i\0c\0e\0"s),
              "Nice");
    EXPECT_EQ(Decode("COMM",
                     "\x01"
                     "eng\xFF\xFE\x00\x01\0\0\xFF\xFEO\0K\0"s),
              "OK");  // description U+0100
    EXPECT_EQ(Decode("COMM",
                     "\x01"
                     "eng\xFF\xFE"
                     "A\0B\0"s),
              "");  // no terminator
    EXPECT_EQ(Decode("COMM",
                     "\x01"
                     "eng\xFF\xFE\0\0\xFF"s),
              "");  // mark runs past the payload
    EXPECT_EQ(Decode("COMM",
                     "\x01"
                     "eng\xFF\xFE\0\0"s),
              "");
}

TEST(Id3v2Tag, ScansStopAtTheGivenLength) {
    auto decodePrefix = [](const char* id, const std::string& bytes, std::size_t length) {
        return Id3v2Tag::decodeFrameText(id, reinterpret_cast<const std::uint8_t*>(bytes.data()), length);
    };
    const std::string comm = "\0engDesc\0Beyond"s;
    EXPECT_EQ(decodePrefix("COMM", comm, comm.size()), "Beyond");
    EXPECT_EQ(decodePrefix("COMM", comm, 8), "");  // the terminator lies past the length
    EXPECT_EQ(decodePrefix("COMM", comm, 9), "");  // ... or is the last byte
    EXPECT_EQ(decodePrefix("COMM", comm, 11), "Be");

    const std::string wide =
        "\x01"
        "eng\xFF\xFE\x00\x01\0\0\xFF\xFEO\0"s;
    EXPECT_EQ(decodePrefix("COMM", wide, wide.size()), "O");
    EXPECT_EQ(decodePrefix("COMM", wide, 9), "");   // one zero byte in range, its partner not
    EXPECT_EQ(decodePrefix("COMM", wide, 10), "");  // terminator ends the payload
    EXPECT_EQ(decodePrefix("TIT2",
                           "\x01\xFF\xFE"
                           "A\0"s,
                           2),
              "");
    EXPECT_EQ(decodePrefix("TIT2",
                           "\x01\xFF\xFE"
                           "A\0"s,
                           4),
              "");  // half a unit
    EXPECT_EQ(decodePrefix("TIT2", "\0ABC"s, 2), "A");
    EXPECT_EQ(decodePrefix("TIT2", "\0ABC"s, 0), "");
    EXPECT_EQ(decodePrefix("COMM", "\0ABC"s, 0), "");
}

TEST(Id3v2Tag, Utf16WithMarkBecomesUtf8ThenBlanked) {
    EXPECT_EQ(Decode("TIT2", "\x01\xFF\xFEH\0i\0"s), "Hi");
    EXPECT_EQ(Decode("TIT2", "\x01\xFE\xFFH\0i\0"s), "Hi");   // the mark is not examined
    EXPECT_EQ(Decode("TIT2", "\x01\xFF\xFEH\0i\0!"s), "Hi");  // an odd byte is dropped
    EXPECT_EQ(Decode("TIT2", "\x01\xFF\xFEH\0\0\0"s), "H ");  // terminator as a blank
    EXPECT_EQ(Decode("TIT2", "\x01\xFF\xFE\xE9\0"s), "  ");   // U+00E9: two bytes
    EXPECT_EQ(Decode("TIT2",
                     "\x01\xFF\xFE\x3D\xD8\x00\xDE"
                     "A\0"s),
              "    A");  // pair: four bytes
    EXPECT_EQ(Decode("TIT2",
                     "\x01\xFF\xFE\x3D\xD8"
                     "A\0"s),
              "   A");                                          // lone high: U+FFFD
    EXPECT_EQ(Decode("TIT2", "\x01\xFF\xFE\x00\xDE"s), "   ");  // lone low
    EXPECT_EQ(Decode("TIT2", "\x01\xFF\xFE"s), "");
}

TEST(Id3v2Tag, TagRunningPastTheFileUsesOnlyBytesRead) {
    // The declared size reaches far beyond the file; the second frame's
    // payload is cut after three bytes and must not borrow the first frame's.
    ByteBuilder file;
    file.id3v2Header(3, 0, 0, 5000)
        .id3v2TextFrame("TIT2", std::string(300, 'a'))
        .text("TPE1")
        .syncsafe(20)
        .bytes({0, 0, 0})
        .text("Bo");
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(file.build(), tag));
    EXPECT_EQ(tag.totalLength(), 5010);
    EXPECT_EQ(tag.title(), std::string(300, 'a'));
    EXPECT_EQ(tag.artist(), "Bo");
    EXPECT_EQ(tag.frameList(), "TIT2 (311);  TPE1 (30)");

    // A frame header cut short ends the walk.
    ByteBuilder cutHeader;
    cutHeader.id3v2Header(3, 0, 0, 5000).id3v2TextFrame("TIT2", "One").text("TPE1").bytes({0, 0});
    ASSERT_TRUE(ReadTag(cutHeader.build(), tag));
    EXPECT_EQ(tag.frameList(), "TIT2 (14)");

    // Reads that fail part-way behave like a file that ends there.
    ByteBuilder whole;
    whole.id3v2TextFrame("TIT2", std::string(50, 'b')).id3v2TextFrame("TPE1", "Artist").id3v2TextFrame("TALB", "Album");
    MemoryFile failing(Tag(3, whole));
    failing.failReadsFrom(10 + 61 + 10 + 3);
    ASSERT_TRUE(ReadTag(failing, tag));
    EXPECT_EQ(tag.title(), std::string(50, 'b'));
    EXPECT_EQ(tag.artist(), "Ar");
    EXPECT_EQ(tag.album(), "");
    EXPECT_EQ(tag.frameList(), "TIT2 (61);  TPE1 (17)");
}

TEST(Id3v2Tag, Version22WalkEndsAtItsFirstFrame) {
    ByteBuilder body;
    body.text("TT2").bytes({0, 0, 6}).bytes({0}).text("Title").text("TP1").bytes({0, 0, 3}).bytes({0}).text("Me");
    Id3v2Tag tag;
    ASSERT_TRUE(ReadTag(Tag(2, body), tag));
    EXPECT_EQ(tag.majorVersion(), 2);
    EXPECT_EQ(tag.revision(), 0);
    EXPECT_EQ(tag.totalLength(), static_cast<std::int32_t>(10 + body.size()));
    EXPECT_EQ(tag.frameList(), "");
    EXPECT_EQ(tag.title(), "");
    EXPECT_EQ(tag.artist(), "");
}

}  // namespace
}  // namespace tw
