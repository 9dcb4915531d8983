#include "tags/TrailingTags.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "tags/ApeTag.h"
#include "tags/Lyrics3Tag.h"
#include "tests/support/ByteBuilder.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;

// What mp3gain 1.6.2 appended after "mp3gain -g 3": header, one item, footer.
const Bytes Mp3gainTag = {'A',  'P', 'E', 'T', 'A', 'G', 'E', 'X',  0xD0, 0x07, 0,   0,   0x40, 0,   0,   0,
                          0x01, 0,   0,   0,   0,   0,   0,   0xA0, 0,    0,    0,   0,   0,    0,   0,   0,
                          0x0B, 0,   0,   0,   0,   0,   0,   0,    'M',  'P',  '3', 'G', 'A',  'I', 'N', '_',
                          'U',  'N', 'D', 'O', 0,   '-', '0', '0',  '3',  ',',  '-', '0', '0',  '3', ',', 'N',
                          'A',  'P', 'E', 'T', 'A', 'G', 'E', 'X',  0xD0, 0x07, 0,   0,   0x40, 0,   0,   0,
                          0x01, 0,   0,   0,   0,   0,   0,   0x80, 0,    0,    0,   0,   0,    0,   0,   0};

Bytes ApeItem(const std::string& key, const std::string& value, std::uint32_t flags = 0) {
    return ByteBuilder().apeItem(key, value, flags).build();
}

// A tag whose declared size and count are taken as given, to build broken ones.
Bytes Ape(const Bytes& items, std::uint32_t count, bool header, std::uint32_t version = 2000,
          std::int64_t sizeOverride = -1) {
    const auto size =
        sizeOverride >= 0 ? static_cast<std::uint32_t>(sizeOverride) : static_cast<std::uint32_t>(items.size() + 32);
    return ByteBuilder().apeTag(items, count, header, version, size).build();
}

Bytes Lyrics3v2(const std::string& fields) {
    const std::string body = "LYRICSBEGIN" + fields;
    char size[7];
    std::snprintf(size, sizeof size, "%06zu", body.size());
    ByteBuilder b;
    b.text(body).text(size).text("LYRICS200");
    return b.build();
}

struct File {
    Bytes bytes;
    std::int64_t audioEnd;  // in front of ID3v1, as the scan gives it
};

// 500 bytes of "audio", the tags in file order, and an ID3v1 tag or not.
File Build(const std::vector<Bytes>& tags, bool id3v1 = true) {
    ByteBuilder b;
    b.fill(500, 0xAA);
    for (const Bytes& t : tags)
        b.bytes(t);
    const auto end = static_cast<std::int64_t>(b.size());
    if (id3v1)
        b.id3v1("t", "a", "b", "2000", "c", 1, 0);
    return {b.build(), end};
}

// Strips through the reader (with a small buffer, so that reads cross it) and
// from memory, which must agree.
TrailingTags Strip(const File& f, std::int64_t audioStart = 0) {
    MemoryFile memory(f.bytes);
    BufferedReader reader(memory, 16);
    TrailingTags viaReader = StripTrailingTags(reader, audioStart, f.audioEnd);
    TrailingTags inMemory = StripTrailingTags(f.bytes.data(), f.bytes.size(), audioStart, f.audioEnd);
    EXPECT_EQ(viaReader.audioEnd, inMemory.audioEnd);
    EXPECT_EQ(viaReader.tags.size(), inMemory.tags.size());
    EXPECT_EQ(viaReader.gainUndo, inMemory.gainUndo);
    return inMemory;
}

void ExpectTag(const TrailingTag& tag, TrailingTagKind kind, std::int64_t position, std::int64_t size) {
    EXPECT_EQ(tag.kind, kind);
    EXPECT_EQ(tag.position, position);
    EXPECT_EQ(tag.size, size);
}

TEST(TrailingTags, Mp3gainTagInFrontOfId3v1EndsTheAudio) {
    const File f = Build({Mp3gainTag});
    const TrailingTags t = Strip(f);
    EXPECT_EQ(t.audioEnd, 500);
    ASSERT_EQ(t.tags.size(), 1u);
    ExpectTag(t.tags[0], TrailingTagKind::ApeV2, 500, 96);
    EXPECT_TRUE(t.hasGainUndo);
    EXPECT_EQ(t.gainUndo, "-003,-003,N");
    EXPECT_FALSE(t.hasGainMinMax);

    // Without ID3v1 the tag ends the file; an audio start inside it keeps it.
    const File bare = Build({Mp3gainTag}, false);
    EXPECT_EQ(Strip(bare).audioEnd, 500);
    EXPECT_EQ(Strip(bare, 540).audioEnd, bare.audioEnd);
}

TEST(TrailingTags, ApeWithoutHeaderAndVersion1AndKeysOfAnyCase) {
    const Bytes items = ByteBuilder()
                            .bytes(ApeItem("Cover Art (Front)", std::string(200, 'x'), 2))
                            .bytes(ApeItem("mp3gain_minmax", "127,205"))
                            .bytes(ApeItem("MP3GAIN_UNDO", "+001,+001,W", 2))       // binary: no record
                            .bytes(ApeItem("Mp3Gain_Undo", std::string(100, '1')))  // too long for one
                            .build();
    const TrailingTags t = Strip(Build({Ape(items, 4, false)}));
    ASSERT_EQ(t.tags.size(), 1u);
    ExpectTag(t.tags[0], TrailingTagKind::ApeV2, 500, static_cast<std::int64_t>(items.size() + 32));
    EXPECT_EQ(t.gainMinMax, "127,205");
    EXPECT_FALSE(t.hasGainUndo);

    // Version 1 has no header; a header flag there is ignored.
    const Bytes v1 = Ape(ApeItem("MP3GAIN_UNDO", "+002,+002,N"), 1, false, 1000);
    const TrailingTags t1 = Strip(Build({v1}, false));
    ASSERT_EQ(t1.tags.size(), 1u);
    ExpectTag(t1.tags[0], TrailingTagKind::ApeV1, 500, static_cast<std::int64_t>(v1.size()));
    EXPECT_EQ(t1.gainUndo, "+002,+002,N");
}

TEST(TrailingTags, ApeAndLyricsInEitherOrderAreAllStripped) {
    const Bytes lyrics = Lyrics3v2("IND0000210LYR00005hello");
    const Bytes lyricsV1 = ByteBuilder().text("LYRICSBEGIN").text("la la la").text("LYRICSEND").build();
    const auto apeSize = static_cast<std::int64_t>(Mp3gainTag.size());
    const auto lyricsSize = static_cast<std::int64_t>(lyrics.size());

    // mp3gain puts its tag in front of an existing Lyrics3 tag.
    TrailingTags t = Strip(Build({Mp3gainTag, lyrics}));
    EXPECT_EQ(t.audioEnd, 500);
    ASSERT_EQ(t.tags.size(), 2u);
    ExpectTag(t.tags[0], TrailingTagKind::Lyrics3V2, 500 + apeSize, lyricsSize);
    ExpectTag(t.tags[1], TrailingTagKind::ApeV2, 500, apeSize);
    EXPECT_EQ(t.gainUndo, "-003,-003,N");

    t = Strip(Build({lyrics, Mp3gainTag}, false));
    EXPECT_EQ(t.audioEnd, 500);
    ASSERT_EQ(t.tags.size(), 2u);
    ExpectTag(t.tags[0], TrailingTagKind::ApeV2, 500 + lyricsSize, apeSize);

    t = Strip(Build({lyricsV1, Mp3gainTag}));
    EXPECT_EQ(t.audioEnd, 500);
    ASSERT_EQ(t.tags.size(), 2u);
    ExpectTag(t.tags[1], TrailingTagKind::Lyrics3V1, 500, static_cast<std::int64_t>(lyricsV1.size()));
}

TEST(TrailingTags, Id3TagsAfterTheAudioInAnyOrder) {
    const Bytes id3v1 = ByteBuilder().id3v1("t", "a", "b", "2000", "c", 1, 0).build();
    const Bytes ape = Ape(ApeItem("Title", "t"), 1, true);
    ByteBuilder appended;  // an ID3v2.4 tag with a footer around one frame of 11 bytes
    appended.id3v2Header(4, 0, 0x10, 11).id3v2TextFrame("TIT2", "").text("3DI").bytes({4, 0, 0x10}).syncsafe(11);
    const auto whole = [](const File& f) { return File{f.bytes, static_cast<std::int64_t>(f.bytes.size())}; };

    // mutagen writes its APE tag after an existing ID3v1 tag.
    TrailingTags t = Strip(whole(Build({id3v1, ape}, false)));
    EXPECT_EQ(t.audioEnd, 500);
    ASSERT_EQ(t.tags.size(), 2u);
    ExpectTag(t.tags[0], TrailingTagKind::ApeV2, 628, static_cast<std::int64_t>(ape.size()));
    ExpectTag(t.tags[1], TrailingTagKind::Id3v1, 500, 128);

    // An appended ID3v2 tag, in front of ID3v1 or after it.
    t = Strip(whole(Build({appended.build()})));
    ASSERT_EQ(t.tags.size(), 2u);
    ExpectTag(t.tags[1], TrailingTagKind::Id3v2, 500, 31);
    t = Strip(whole(Build({id3v1, appended.build()}, false)));
    EXPECT_EQ(t.audioEnd, 500);
    ExpectTag(t.tags[0], TrailingTagKind::Id3v2, 628, 31);

    // "TAG" counts only at the end of the file or right in front of a tag:
    // elsewhere it may be audio.
    const File audioOnly = Build({id3v1}, false);
    EXPECT_TRUE(Strip(File{audioOnly.bytes, audioOnly.audioEnd - 1}).tags.empty());
}

TEST(TrailingTags, HostileSizesLeaveTheAudioAlone) {
    const Bytes item = ApeItem("MP3GAIN_UNDO", "-001,-001,N");
    for (std::int64_t size : {0LL, 31LL, 600LL, 0xFFFFFFFFLL}) {
        const File f = Build({Ape(item, 1, false, 2000, size)});
        const TrailingTags t = Strip(f);
        EXPECT_EQ(t.audioEnd, f.audioEnd) << size;
        EXPECT_TRUE(t.tags.empty()) << size;
    }
    // Lyrics3 v2 sizes: not digits, larger than the file, short of "LYRICSBEGIN".
    for (const char* trailer : {"00001xLYRICS200", "999999LYRICS200", "000010LYRICS200"}) {
        const File f = Build({ByteBuilder().text("LYRICSBEGIN").text(trailer).build()});
        EXPECT_EQ(Strip(f).audioEnd, f.audioEnd) << trailer;
    }
    // The header flag without a header: the tag is what the footer counts.
    const Bytes noHeader = ByteBuilder().fill(32, 0x55).bytes(Ape(item, 1, false)).build();
    Bytes flagged = noHeader;
    flagged[flagged.size() - 32 + 23] = 0x80;
    TrailingTags t = Strip(Build({flagged}));
    ASSERT_EQ(t.tags.size(), 1u);
    EXPECT_EQ(t.tags[0].size, static_cast<std::int64_t>(item.size() + 32));

    // Items that overrun the tag, or a count far beyond them: the tag still
    // ends the audio, with no gain record read from outside it.
    ByteBuilder overrun;
    overrun.le32(0xFFFFFFF0u).bytes({0, 0, 0, 0}).text("MP3GAIN_UNDO").fill(1).text("-001,-001,N");
    for (const Bytes& items : {overrun.build(), item}) {
        t = Strip(Build({Ape(items, 0xFFFFFFFFu, true)}));
        ASSERT_EQ(t.tags.size(), 1u);
        EXPECT_EQ(t.audioEnd, 500);
        EXPECT_EQ(t.gainUndo, items == item ? "-001,-001,N" : "");
    }
}

}  // namespace
}  // namespace tw
