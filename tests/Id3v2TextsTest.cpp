#include "tags/Id3v2Texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "tags/Id3v1Tag.h"
#include "tests/support/ByteBuilder.h"

namespace tw {
namespace {

using namespace std::string_literals;
using test::ByteBuilder;
using test::Bytes;

TagText Decode(const std::string& payload, bool comment = false, TagText* description = nullptr) {
    return DecodeId3v2Text(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size(), comment, description);
}

TEST(Id3v2Texts, EachEncodingDecodesAsWrittenWithoutTerminators) {
    struct Case {
        std::string payload;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"\x00"
         "Caf\xE9 M\xFCller Stra\xDF"
         "e\x00"s,
         "Caf\xC3\xA9 M\xC3\xBCller Stra\xC3\x9F"
         "e"},
        {"\x01\xFF\xFEG\0r\0\xFC\0\xDF\0e\0\0\0"s,
         "Gr\xC3\xBC\xC3\x9F"
         "e"},                                                                  // UTF-16, little-endian mark
        {"\x01\xFE\xFF\x04\x1F\x04\x40\x04\x38"s, "\xD0\x9F\xD1\x80\xD0\xB8"},  // big-endian mark: Cyrillic
        {"\x01\x91\x03\xBB\x03"s, "\xCE\x91\xCE\xBB"},                          // no mark: little-endian, Greek
        {"\x02\x05\xE9\x05\xDC"s, "\xD7\xA9\xD7\x9C"},                          // UTF-16BE: Hebrew
        {"\x03\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5\x00"s, "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5"},
        {"\x01\xFF\xFE\x34\xD8\x1E\xDD"s, "\xF0\x9D\x84\x9E"},  // a pair: U+1D11E
        {"\x03"
         "Anna\0Bob\0"s,
         "Anna/Bob"},  // 2.4 values joined
        {"\x01\xFF\xFE"
         "A\0\0\0\xFE\xFF\0B"s,
         "A/B"},  // each value with its own mark
        {"\x00\x00\x00"s, ""},
        {"\x03"s, ""},
        {"\x07"s, ""},  // no such encoding, but nothing lost either
        {""s, ""},
    };
    for (const Case& c : cases) {
        TagText t = Decode(c.payload);
        EXPECT_EQ(t.text, c.text) << c.payload;
        EXPECT_FALSE(t.lossy) << c.payload;
        EXPECT_TRUE(t.raw.empty());
    }
}

TEST(Id3v2Texts, BytesTheEncodingCantDecodeGiveReplacementAndTheRawBytes) {
    struct Case {
        std::string payload;
        std::string text;
        std::string raw;
    };
    const std::vector<Case> cases = {
        {"\x03"
         "B\xF6rk"s,
         "B\xEF\xBF\xBDrk", "B\xF6rk"},  // not UTF-8
        {"\x01\xFF\xFE\x3D\xD8"
         "A\0"s,
         "\xEF\xBF\xBD"
         "A",
         "\xFF\xFE\x3D\xD8"
         "A\0"s},  // lone surrogate
        {"\x01\xFF\xFE"
         "A\0B"s,
         "A\xEF\xBF\xBD",
         "\xFF\xFE"
         "A\0B"s},  // half a unit
        {"\x07"
         "Rock"s,
         "Rock", "Rock"},  // no such encoding
    };
    for (const Case& c : cases) {
        TagText t = Decode(c.payload);
        EXPECT_EQ(t.text, c.text) << c.payload;
        EXPECT_TRUE(t.lossy) << c.payload;
        EXPECT_EQ(t.raw, c.raw) << c.payload;
    }
}

TEST(Id3v2Texts, CommentSkipsLanguageAndDescriptionOnUnitBoundaries) {
    TagText description;
    // The description "note" ends in 'e' 00 then the terminator 00 00: a
    // byte-wise search would take the wrong pair.
    EXPECT_EQ(Decode("\x01"
                     "eng\xFF\xFEn\0o\0t\0e\0\0\0\xFF\xFEH\0i\0"s,
                     true, &description)
                  .text,
              "Hi");
    EXPECT_EQ(description.text, "note");
    EXPECT_EQ(Decode("\x00"
                     "eng\0Nice"s,
                     true, &description)
                  .text,
              "Nice");
    EXPECT_EQ(description.text, "");
    EXPECT_EQ(Decode("\x00"
                     "en"s,
                     true)
                  .text,
              "");
}

// A tag of `major` holding the frames given as (id, payload, format flags).
struct Frame {
    std::string id;
    std::string payload;
    std::uint8_t format = 0;
};

Bytes Tag(std::uint8_t major, const std::vector<Frame>& frames, std::uint8_t flags = 0, const Bytes& before = {}) {
    ByteBuilder body;
    body.bytes(before);
    for (const Frame& f : frames) {
        body.text(f.id);
        const auto size = static_cast<std::uint32_t>(f.payload.size());
        if (major == 2)
            body.bytes({static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 8),
                        static_cast<std::uint8_t>(size)});
        else if (major == 3)
            body.be32(size);
        else
            body.syncsafe(size);
        if (major > 2)
            body.bytes({0, f.format});
        body.text(f.payload);
    }
    body.fill(8);
    ByteBuilder tag;
    tag.id3v2Header(major, 0, flags, static_cast<std::uint32_t>(body.size())).bytes(body.build()).fill(64, 0xFF);
    return tag.build();
}

Id3v2Texts Read(const Bytes& bytes) {
    MemoryFile file(bytes);
    BufferedReader reader(file);
    Id3v2Texts texts;
    ReadId3v2Texts(reader, texts);
    return texts;
}

TEST(Id3v2Texts, EachVersionIsWalkedByItsOwnRules) {
    // 2.3 sizes are plain: a 300-byte frame first, read as syncsafe, would
    // lose every frame after it.
    Id3v2Texts v23 = Read(Tag(3, {{"TXXX", std::string(300, '\0')}, {"TIT2", "\x00Song\x00"s}}));
    EXPECT_EQ(v23.title.text, "Song");
    // 2.3 extended header: its size (6) leaves out its own four bytes.
    Id3v2Texts extended = Read(Tag(3,
                                   {{"TPE1",
                                     "\x00"
                                     "Artist"s}},
                                   0x40, {0, 0, 0, 6, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(extended.artist.text, "Artist");
    // 2.4 extended header: its size (6) counts them.
    Id3v2Texts v24ext = Read(Tag(4,
                                 {{"TALB",
                                   "\x03"
                                   "Album"s}},
                                 0x40, {0, 0, 0, 6, 1, 0}));
    EXPECT_EQ(v24ext.album.text, "Album");
    Id3v2Texts v22 = Read(Tag(2, {{"TT2", "\x00Old\x00"s},
                                  {"TP1",
                                   "\x00"
                                   "Band"s},
                                  {"COM",
                                   "\x00"
                                   "eng\0Hm"s}}));
    EXPECT_EQ(v22.title.text, "Old");
    EXPECT_EQ(v22.artist.text, "Band");
    EXPECT_EQ(v22.comment.text, "Hm");
}

TEST(Id3v2Texts, UnsynchronisedTagsAndFramesAreResynchronised) {
    // 2.3: the whole tag; the mark FF FE was stored as FF 00 FE and the size
    // counts the bytes before that.
    ByteBuilder body;
    body.text("TIT2").be32(5).bytes({0, 0}).bytes({1, 0xFF, 0x00, 0xFE, 'A', 0}).fill(4);
    ByteBuilder tag;
    tag.id3v2Header(3, 0, 0x80, static_cast<std::uint32_t>(body.size())).bytes(body.build());
    EXPECT_EQ(Read(tag.build()).title.text, "A");
    // 2.4: per frame, with a data length indicator in front.
    Id3v2Texts v24 = Read(Tag(4, {{"TIT2",
                                   "\x00\x00\x00\x05\x01\xFF\x00\xFE"
                                   "B\0"s,
                                   0x03}}));
    EXPECT_EQ(v24.title.text, "B");
}

TEST(Id3v2Texts, YearsGenresCommentsAndEncoder) {
    Id3v2Texts t = Read(Tag(4, {{"TDRC",
                                 "\x03"
                                 "2003-05-17T10:00"s},
                                {"TCON",
                                 "\x03"
                                 "17\0Jazz"s},
                                {"COMM",
                                 "\x03"
                                 "engiTunNORM\0 000001"s},
                                {"COMM",
                                 "\x03"
                                 "eng\0Plain"s},
                                {"COMM",
                                 "\x03"
                                 "engother\0Later"s},
                                {"TSSE",
                                 "\x03"
                                 "Lavf58.76.100"s},
                                {"TPOS",
                                 "\x03"
                                 "1/2"s},
                                {"TCMP",
                                 "\x03"
                                 "1"s,
                                 0x0C}}));  // compressed and encrypted: passed over
    EXPECT_EQ(t.year.text, "2003");
    EXPECT_EQ(t.genre.text, "Rock/Jazz");
    EXPECT_EQ(t.comment.text, "Plain");
    EXPECT_EQ(t.encoder.text, "Lavf58.76.100");
    EXPECT_EQ(t.disc.text, "1/2");
    // TYER wins over TDRC; a year that isn't one is kept whole.
    EXPECT_EQ(Read(Tag(3, {{"TDRC",
                            "\x00"
                            "2001"s},
                           {"TYER",
                            "\x00"
                            "1999"s}}))
                  .year.text,
              "1999");
    EXPECT_EQ(Read(Tag(4, {{"TDRC",
                            "\x03"
                            "199"s}}))
                  .year.text,
              "199");
    for (const auto& [written, named] : std::vector<std::pair<std::string, std::string>>{{"(17)", "Rock"},
                                                                                         {"(17)Hard", "Rock/Hard"},
                                                                                         {"(17)Rock", "Rock"},
                                                                                         {"(17)(18)", "Rock/Techno"},
                                                                                         {"((Parens)", "(Parens)"},
                                                                                         {"(RX)", "Remix"},
                                                                                         {"CR", "Cover"},
                                                                                         {"(200)", "(200)"},
                                                                                         {"2003", "2003"},
                                                                                         {"Synthpop", "Synthpop"}}) {
        EXPECT_EQ(Read(Tag(3, {{"TCON", std::string(1, '\0') + written}})).genre.text, named) << written;
    }
}

TEST(Id3v2Texts, NoTagOrAnUnknownVersionGivesNothing) {
    EXPECT_EQ(Read(Bytes(20, 0)).title.text, "");
    Bytes v5 = Tag(3, {{"TIT2", "\x00X"s}});
    v5[3] = 5;
    EXPECT_EQ(Read(v5).title.text, "");
}

TEST(TagText, SetPositionsAndLineSafeText) {
    struct Case {
        const char* text;
        std::int32_t position;
        std::int32_t total;
    };
    for (const Case& c : std::vector<Case>{{"5/12", 5, 12},
                                           {"5", 5, -1},
                                           {" 07 / 9", 7, 9},
                                           {"/9", -1, 9},
                                           {"A5", -1, -1},
                                           {"", -1, -1},
                                           {"1234567890", -1, -1}}) {
        SetPosition p = ParseSetPosition(c.text);
        EXPECT_EQ(p.position, c.position) << c.text;
        EXPECT_EQ(p.total, c.total) << c.text;
    }
    EXPECT_EQ(LineSafeText("a\tb\nc\x7F"
                           "d\xC2\x85"
                           "e\xC3\xA9\xF0\x9F\x8E\xB5"),
              "a b c d e\xC3\xA9\xF0\x9F\x8E\xB5");
}

TEST(Id3v1Tag, TextsAsWrittenAreLatin1) {
    Bytes block = ByteBuilder().id3v1("Caf\xE9 \xC0 la carte  ", "M\xFCller", "", "1999", "\xA9 2024", 3, 17).build();
    Id3v1Tag tag;
    ASSERT_TRUE(tag.read(block.data()));
    EXPECT_EQ(tag.title(), "Caf    la carte");
    EXPECT_EQ(tag.asWritten().title, "Caf\xC3\xA9 \xC3\x80 la carte");
    EXPECT_EQ(tag.asWritten().artist, "M\xC3\xBCller");
    EXPECT_EQ(tag.asWritten().comment, "\xC2\xA9 2024");
    EXPECT_EQ(tag.asWritten().year, "1999");
}

}  // namespace
}  // namespace tw
