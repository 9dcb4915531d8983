#include "analysis/AudioFileInfo.h"

#include <gtest/gtest.h>

#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "support/ByteBuilder.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;

const std::initializer_list<std::uint8_t> Mono128 = {0xFF, 0xFB, 0x90, 0xC4};
const std::initializer_list<std::uint8_t> Mpeg2Stereo = {0xFF, 0xF3, 0x84, 0x44};
const std::initializer_list<std::uint8_t> Mpeg2Mono = {0xFF, 0xF3, 0x84, 0xC4};

struct Scanned {
    bool ok;
    AudioFileInfo info;
};

Scanned Scan(const Bytes& bytes, std::int32_t maxOffset = 5000) {
    MemoryFile file(bytes);
    BufferedReader reader(file);
    Scanned s;
    s.ok = s.info.scan(reader, "song.mp3", maxOffset);
    return s;
}

TEST(Scan, RejectsShortFilesAndFilesWithoutFrames) {
    auto nine = Scan(Bytes(9, 0));
    EXPECT_FALSE(nine.ok);
    EXPECT_EQ(nine.info.errorText(), "Error: File too short.");
    EXPECT_EQ(nine.info.fileSize(), 9);

    auto ten = Scan(Bytes(10, 0));
    EXPECT_FALSE(ten.ok);
    EXPECT_EQ(ten.info.errorText(),
              "Error: Can't locate first valid frame header within 5,000 bytes of beginning of file.");

    auto negative = Scan(ByteBuilder().frames(3, Cbr128).build(), -5);
    EXPECT_FALSE(negative.ok);
    EXPECT_EQ(negative.info.errorText(),
              "Error: Can't locate first valid frame header within -5 bytes of beginning of file.");
}

TEST(Scan, EstimatesACbrFileWithoutTags) {
    // 10,024 frames of 417 bytes is 4,180,008; pad to the 4,180,128 of the worked example.
    ByteBuilder b;
    b.frames(10024, Cbr128).fill(120);
    ASSERT_EQ(b.size(), 4180128u);
    auto s = Scan(b.build());
    ASSERT_TRUE(s.ok) << s.info.errorText();
    EXPECT_EQ(s.info.firstFrameOffset(), 0);
    EXPECT_EQ(s.info.audioSize(), 4180128);
    EXPECT_EQ(s.info.frameCount(), 10024);
    EXPECT_NEAR(s.info.estimatedSeconds(), 261.851, 0.001);
    EXPECT_EQ(s.info.estimatedBitrate(), 127710.0);
    EXPECT_FALSE(s.info.hasId3v1());
    EXPECT_FALSE(s.info.hasVbrHeader());

    b.id3v1("Title", "Artist", "Album", "2001", "", 0, 17);
    auto tagged = Scan(b.build());
    ASSERT_TRUE(tagged.ok);
    EXPECT_TRUE(tagged.info.hasId3v1());
    EXPECT_EQ(tagged.info.audioEnd(), tagged.info.fileSize() - 128);
    EXPECT_EQ(tagged.info.id3v1().genre(), "Rock");
}

TEST(Scan, FirstFrameNeedsAMatchingSuccessor) {
    // A header at 0 whose successor is missing is skipped; the search goes on at 1.
    ByteBuilder skip;
    skip.bytes({0xFF, 0xFB, 0x90, 0x64}).fill(3).frames(3, Cbr128);
    auto s = Scan(skip.build());
    ASSERT_TRUE(s.ok) << s.info.errorText();
    EXPECT_EQ(s.info.firstFrameOffset(), 7);

    // A single frame that fills the file is never confirmed.
    auto single = Scan(ByteBuilder().frame(Cbr128).build());
    EXPECT_FALSE(single.ok);
    EXPECT_EQ(single.info.errorText(),
              "Error: Can't locate first valid frame header within 5,000 bytes of beginning of file.");

    // A successor of another stream (channel mode differs) doesn't confirm.
    auto foreign = Scan(ByteBuilder().frame(Cbr128).frame(Mono128).build());
    EXPECT_FALSE(foreign.ok);

    // A candidate whose frame runs past the end ends the search at once.
    ByteBuilder late;
    late.fill(20).bytes({0xFF, 0xFB, 0x90, 0x64}).fill(30);
    auto tooShort = Scan(late.build());
    EXPECT_FALSE(tooShort.ok);
    EXPECT_EQ(tooShort.info.errorText(), "Error: File too short.");
}

TEST(Scan, MaxOffsetBoundsTheSearch) {
    ByteBuilder b;
    b.fill(100).frames(3, Cbr128);
    EXPECT_FALSE(Scan(b.build(), 99).ok);
    auto at = Scan(b.build(), 100);
    ASSERT_TRUE(at.ok);
    EXPECT_EQ(at.info.firstFrameOffset(), 100);

    ByteBuilder zero;
    zero.frames(3, Cbr128);
    EXPECT_TRUE(Scan(zero.build(), 0).ok);
    ByteBuilder one;
    one.fill(1).frames(3, Cbr128);
    EXPECT_FALSE(Scan(one.build(), 0).ok);

    // A huge setting neither overflows nor reads past the end.
    auto huge = Scan(Bytes(4000, 0), 2147483647);
    EXPECT_FALSE(huge.ok);
    EXPECT_EQ(huge.info.errorText(),
              "Error: Can't locate first valid frame header within 2,147,483,647 bytes of beginning of file.");
}

TEST(Scan, StartsTheSearchAfterALeadingId3v2Tag) {
    Bytes tag = test::Id3v2Tag3({{"TIT2", "Song"}}, 4106 - 10 - 15);
    ASSERT_EQ(tag.size(), 4106u);
    ByteBuilder b;
    b.bytes(tag).frames(4, Cbr128);
    auto s = Scan(b.build(), 0);
    ASSERT_TRUE(s.ok) << s.info.errorText();
    EXPECT_TRUE(s.info.hasId3v2());
    EXPECT_EQ(s.info.firstFrameOffset(), 4106);
    EXPECT_EQ(s.info.audioSize(), 4 * 417);

    // The message names the setting alone, not the tag's length.
    ByteBuilder junk;
    junk.bytes(tag).fill(50).frames(3, Cbr128);
    auto miss = Scan(junk.build(), 49);
    EXPECT_FALSE(miss.ok);
    EXPECT_EQ(miss.info.errorText(),
              "Error: Can't locate first valid frame header within 49 bytes of beginning of file.");
    EXPECT_TRUE(Scan(junk.build(), 50).ok);
}

TEST(Scan, ReadsXingFrameCountsAtTheRightOffset) {
    ByteBuilder b;
    b.xingFrame(Cbr128, 36, 0x0F, 0x1234).frames(5, Cbr128);
    auto s = Scan(b.build());
    ASSERT_TRUE(s.ok);
    EXPECT_TRUE(s.info.hasXingHeader());
    EXPECT_EQ(s.info.frameCount(), 4660);
    EXPECT_NEAR(s.info.estimatedSeconds(), 1152.0 * 4660 / 44100, 1e-9);

    ByteBuilder noCount;
    noCount.xingFrame(Cbr128, 36, 0, 0x1234).frames(5, Cbr128);
    auto n = Scan(noCount.build());
    ASSERT_TRUE(n.ok);
    EXPECT_EQ(n.info.frameCount(), -1);
    EXPECT_EQ(n.info.estimatedSeconds(), -1.0);
    EXPECT_EQ(n.info.estimatedBitrate(), -1.0);

    // Mono MPEG-1 looks at 21, MPEG-2 stereo at 21, MPEG-2 mono at 13.
    for (auto [header, offset] : {std::pair{Mono128, 21}, std::pair{Mpeg2Stereo, 21}, std::pair{Mpeg2Mono, 13}}) {
        ByteBuilder m;
        m.xingFrame(header, static_cast<std::size_t>(offset), 1, 77).frames(3, header);
        auto r = Scan(m.build());
        ASSERT_TRUE(r.ok);
        EXPECT_TRUE(r.info.hasXingHeader()) << offset;
        EXPECT_EQ(r.info.frameCount(), 77);
        ByteBuilder wrong;
        wrong.xingFrame(header, static_cast<std::size_t>(offset) + 1, 1, 77).frames(3, header);
        EXPECT_FALSE(Scan(wrong.build()).info.hasXingHeader()) << offset;
    }

    // Counts that don't fit 31 bits are unknown; a tiny count in a big file
    // gives a huge but finite bit rate.
    ByteBuilder big;
    big.xingFrame(Cbr128, 36, 1, 0x80000000u).frames(3, Cbr128);
    EXPECT_EQ(Scan(big.build()).info.frameCount(), -1);
    ByteBuilder tiny;
    tiny.xingFrame(Cbr128, 36, 1, 1).frames(20000, Cbr128);
    auto t = Scan(tiny.build());
    EXPECT_EQ(t.info.frameCount(), 1);
    EXPECT_GT(t.info.estimatedBitrate(), 2147483647.0);
}

TEST(Scan, ReadsVbriFrameCounts) {
    // A VBRI frame whose successor differs in CRC and channel mode is not
    // confirmed; the search moves on to the frames of the real stream.
    ByteBuilder b;
    b.vbriFrame(Cbr128, 36, 0x0FA0).frames(3, {0xFF, 0xFA, 0x90, 0x04});
    auto s = Scan(b.build());
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.info.firstFrameOffset(), 417);
    EXPECT_FALSE(s.info.hasVbriHeader());

    ByteBuilder ok;
    ok.vbriFrame(Cbr128, 36, 0x0FA0).frames(3, Cbr128);
    auto v = Scan(ok.build());
    ASSERT_TRUE(v.ok) << v.info.errorText();
    EXPECT_TRUE(v.info.hasVbriHeader());
    EXPECT_FALSE(v.info.hasXingHeader());
    EXPECT_EQ(v.info.frameCount(), 4000);
}

TEST(Scan, RefusesFilesOf2GiBAndMore) {
    MemoryFile file(ByteBuilder().frames(3, Cbr128).build());
    file.setReportedSize(0x80000000LL);
    BufferedReader reader(file);
    AudioFileInfo info;
    EXPECT_FALSE(info.scan(reader, "big.mp3", 5000));
    EXPECT_EQ(info.errorText(), "Error: File too large.");
}

TEST(Scan, ShortReadsNeverFakeATag) {
    ByteBuilder b;
    b.frames(4, Cbr128).id3v1("T", "A", "B", "1999", "", 0, 1);
    MemoryFile file(b.build());
    file.failReadsFrom(static_cast<std::int64_t>(b.size()) - 10);
    BufferedReader reader(file);
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(reader, "x.mp3", 5000));
    EXPECT_FALSE(info.hasId3v1());
    EXPECT_EQ(info.audioEnd(), info.fileSize());
}

TEST(Scan, ModifiedTimeUsesTheShortLocalPicture) {
    EXPECT_EQ(FormatLocalTime({2007, 7, 30, 1, 44, 26}), "7/30/07 1:44:26");
    EXPECT_EQ(FormatLocalTime({2010, 12, 1, 23, 5, 9}), "12/1/10 23:05:09");
    EXPECT_EQ(FormatLocalTime({2000, 1, 2, 0, 0, 0}), "1/2/00 0:00:00");
}

}  // namespace
}  // namespace tw
