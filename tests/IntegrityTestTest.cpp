#include "analysis/IntegrityTest.h"

#include <gtest/gtest.h>

#include "analysis/AudioFileInfo.h"
#include "support/ByteBuilder.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingSink.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;
using Lines = std::vector<std::string>;

const std::initializer_list<std::uint8_t> Padded128 = {0xFF, 0xFB, 0x92, 0x64};  // 418 bytes
const std::initializer_list<std::uint8_t> Cbr192 = {0xFF, 0xFB, 0xB0, 0x64};
const std::initializer_list<std::uint8_t> Cbr320 = {0xFF, 0xFB, 0xE0, 0x64};

struct Walk {
    test::RecordingSink sink;
    bool problem = false;
};

// Scans the bytes as "song.mp3" and walks them.
void RunWalk(Walk& w, const Bytes& bytes, IntegrityTestOptions options = {}) {
    test::MemoryFileSystem fs;
    fs.addFile("song.mp3", bytes);
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(fs, "song.mp3", 5000)) << info.errorText();
    IntegrityTest test(w.sink, options, fs);
    w.problem = test.testFile(info);
}

Lines Tail(const Lines& all, std::size_t from) {
    return Lines(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
}

Lines Last(const Lines& all, std::size_t n) {
    return Lines(all.end() - static_cast<std::ptrdiff_t>(n), all.end());
}

TEST(IntegrityTest, CleanConstantFile) {
    Walk w;
    RunWalk(w, ByteBuilder().frames(6, Cbr128).frames(4, Padded128).build());
    EXPECT_FALSE(w.problem);
    EXPECT_EQ(w.sink.texts(),
              (Lines{"Processing: song.mp3", "", "No errors found.",
                     "Summary: 10 total frames processed (4 padded, 6 unpadded).  Bitrate is constant."}));
    // Every line of the walk speaks of the file.
    for (const auto& line : w.sink.log.lines())
        EXPECT_EQ(line.fileIndex, 0);
    EXPECT_EQ(w.sink.status, "");
    EXPECT_EQ(w.sink.progress, 0);
    EXPECT_EQ(w.sink.statusHistory.front(), "Processing...");
    ASSERT_GE(w.sink.progressHistory.size(), 2u);
    EXPECT_EQ(w.sink.progressHistory[w.sink.progressHistory.size() - 2], 100);
}

TEST(IntegrityTest, LastFrameTooLongOrTruncated) {
    Walk tooLong;
    RunWalk(tooLong, ByteBuilder().frames(10, Cbr128).fill(2).build());
    EXPECT_TRUE(tooLong.problem);
    EXPECT_EQ(Tail(tooLong.sink.texts(), 1),
              (Lines{"", "Warning: Last audio frame too long.",
                     "Frame 10 (bytes 3,754 - 4,172) long by 2 bytes (expected 417 bytes, found 419 bytes).", "",
                     "Summary: 10 total frames processed (0 padded, 10 unpadded).  Bitrate is constant."}));

    Walk cut;
    Bytes bytes = ByteBuilder().frames(10, Cbr128).build();
    bytes.resize(bytes.size() - 100);
    RunWalk(cut, bytes);
    EXPECT_EQ(Tail(cut.sink.texts(), 1),
              (Lines{"", "Warning: Last audio frame truncated.",
                     "Frame 10 (bytes 3,754 - 4,070) short by 100 bytes (expected 417 bytes, found 317 bytes).", "",
                     "Summary: 10 total frames processed (0 padded, 10 unpadded).  Bitrate is constant."}));
}

TEST(IntegrityTest, FirstFrameLongerThanTheAudio) {
    // The ID3v1 tag starts inside the first frame, so the audio ends at 372.
    ByteBuilder b;
    b.frame(Cbr128).bytes({0xFF, 0xFB, 0x90, 0x64}).fill(79);
    b.patch(372, "TAG");
    ASSERT_EQ(b.size(), 500u);
    Walk w;
    RunWalk(w, b.build());
    EXPECT_TRUE(w.problem);
    EXPECT_EQ(w.sink.texts(),
              (Lines{"Processing: song.mp3", "", "Error: End of file encountered in first audio frame.",
                     "Frame 1 (bytes 1 - 372) short by 45 bytes (expected 417 bytes, found 372 bytes)"}));
    EXPECT_EQ(w.sink.log.lines()[1].fileIndex, NoFile);
    EXPECT_EQ(w.sink.status, "Done Processing");
}

TEST(IntegrityTest, JunkBetweenFramesIsReportedAndResynced) {
    Walk w;
    RunWalk(w, ByteBuilder().frames(3, Cbr128).fill(10, 0x55).frames(7, Cbr128).build());
    EXPECT_TRUE(w.problem);
    EXPECT_EQ(Tail(w.sink.texts(), 1),
              (Lines{"",
                     "Error: Sync error reading frame header 4 expected at byte 1,252.  Approx. time: 0:00 (30.0% "
                     "through audio).",
                     "Previous valid frame header located at byte 835.",
                     "Resync successful - Frame header 4 found at byte 1,262.",
                     "Frame 3 (bytes 835 - 1,261) long by 10 bytes (expected 417 bytes, found 427 bytes).", "",
                     "Summary: 10 total frames processed (0 padded, 10 unpadded).  Bitrate is constant."}));
}

TEST(IntegrityTest, AShortFrameIsFoundBeforeItsExpectedPlace) {
    Bytes bytes = ByteBuilder().frames(3, Cbr128).build();
    bytes.resize(bytes.size() - 17);  // frame 3 is 17 bytes short
    ByteBuilder b;
    b.bytes(bytes).frames(2, Cbr128);
    Walk w;
    RunWalk(w, b.build());
    EXPECT_EQ(w.sink.texts()[3], "Previous valid frame header located at byte 835.");
    EXPECT_EQ(w.sink.texts()[4], "Resync successful - Frame header 4 found at byte 1,235.");
    EXPECT_EQ(w.sink.texts()[5],
              "Frame 3 (bytes 835 - 1,234) short by 17 bytes (expected 417 bytes, found 400 bytes).");
}

TEST(IntegrityTest, SyncErrorsInTheLastPercentAreWarnings) {
    // 98.996 % is still an error, though it prints as 99.0 %.
    Walk early;
    RunWalk(early, ByteBuilder().frames(100, Cbr128).fill(10, 0x55).frame(Cbr128).build());
    EXPECT_EQ(early.sink.texts()[2],
              "Error: Sync error reading frame header 101 expected at byte 41,701.  Approx. time: 0:03 (99.0% through "
              "audio).");

    Walk late;
    RunWalk(late, ByteBuilder().frames(101, Cbr128).fill(10, 0x55).frame(Cbr128).build());
    EXPECT_EQ(late.sink.texts()[2].substr(0, 45), "Warning: Sync error reading frame header 102 ");

    // Garbage after the last frame: a warning, then the search runs off the end.
    Walk trailing;
    RunWalk(trailing, ByteBuilder().frames(200, Cbr128).fill(6, 0x55).build());
    Lines t = trailing.sink.texts();
    EXPECT_EQ(t[2].substr(0, 8), "Warning:");
    EXPECT_EQ(t[4], "Resync failed (reached end of file).");
    EXPECT_EQ(t[6], "Summary: 200 total frames processed (0 padded, 200 unpadded).  Bitrate is constant.");
}

TEST(IntegrityTest, UnknownTimeIndexWithoutAFrameCount) {
    Walk w;
    RunWalk(w, ByteBuilder().xingFrame(Cbr128, 36, 0, 0).frames(2, Cbr128).fill(10, 0x55).frames(7, Cbr128).build());
    EXPECT_EQ(w.sink.texts()[2],
              "Error: Sync error reading frame header 4 expected at byte 1,252.  Approx. 30.0% through audio (unknown "
              "time index).");
}

TEST(IntegrityTest, ResyncIsBoundedByTheSetting) {
    Walk zero;
    RunWalk(zero, ByteBuilder().frames(3, Cbr128).fill(10, 0x55).frames(7, Cbr128).build(), {0, true});
    EXPECT_EQ(zero.sink.texts()[4], "Resync failed (no matching frame header found within 0 bytes).");
    EXPECT_EQ(zero.sink.texts().back(),
              "Summary: 3 total frames processed (0 padded, 3 unpadded).  Bitrate is constant.");

    // 413 positions reach the header 10 bytes late; 412 don't.
    Walk enough;
    RunWalk(enough, ByteBuilder().frames(3, Cbr128).fill(10, 0x55).frames(7, Cbr128).build(), {424, true});
    EXPECT_EQ(enough.sink.texts()[4], "Resync successful - Frame header 4 found at byte 1,262.");
    Walk shortOne;
    RunWalk(shortOne, ByteBuilder().frames(3, Cbr128).fill(10, 0x55).frames(7, Cbr128).build(), {423, true});
    EXPECT_EQ(shortOne.sink.texts()[4], "Resync failed (no matching frame header found within 423 bytes).");

    Walk negative;
    RunWalk(negative, ByteBuilder().frames(3, Cbr128).fill(10, 0x55).frames(7, Cbr128).build(), {-5, true});
    EXPECT_EQ(negative.sink.texts()[4], "Resync failed (no matching frame header found within -5 bytes).");
}

TEST(IntegrityTest, CancelStopsAtEveryPumpPoint) {
    // During the frame loop: after the third pump.
    Walk frames;
    frames.sink.cancelAfterPumps = 3;
    RunWalk(frames, ByteBuilder().frames(10, Cbr128).build());
    EXPECT_EQ(Tail(frames.sink.texts(), 1), (Lines{"", "Processing cancelled by user."}));
    EXPECT_EQ(frames.sink.status, "");
    EXPECT_EQ(frames.sink.progress, 0);

    // During a resync search: no resync message.
    Walk resync;
    resync.sink.cancelAfterPumps = 3;  // two frame pumps, then the first resync step
    RunWalk(resync, ByteBuilder().frames(3, Cbr128).fill(10, 0x55).frames(7, Cbr128).build());
    Lines t = resync.sink.texts();
    EXPECT_EQ(Last(t, 3),
              (Lines{"Previous valid frame header located at byte 835.", "", "Processing cancelled by user."}));
}

TEST(IntegrityTest, VariableBitrateSummary) {
    Walk w;
    RunWalk(w, ByteBuilder().frames(500, Cbr128).frames(1500, Cbr192).frames(10, Cbr320).build());
    EXPECT_FALSE(w.problem);
    EXPECT_EQ(
        Tail(w.sink.texts(), 1),
        (Lines{"", "No errors found.",
               "Summary: 2,010 total frames processed (0 padded, 2,010 unpadded).  Bitrate is VARIABLE.", "",
               "Bitrate summary (excludes VBR header frame, if found):", "128  kbps:     500 frames,   24.9% of total",
               "192  kbps:  1,500 frames,   74.6% of total", "320  kbps:       10 frames,     0.5% of total",
               "Average bitrate (actual): 176.7 kbps over 2,010 audio frames."}));

    Walk off;
    RunWalk(off, ByteBuilder().frames(5, Cbr128).frames(5, Cbr192).build(), {2000, false});
    EXPECT_EQ(off.sink.texts().back(),
              "Summary: 10 total frames processed (0 padded, 10 unpadded).  Bitrate is VARIABLE.");
}

TEST(IntegrityTest, VbrTagFrameStaysOutOfTheHistogram) {
    Walk w;
    RunWalk(w, ByteBuilder().xingFrame(Cbr128, 36, 1, 9).frames(9, Cbr192).build());
    EXPECT_EQ(Last(w.sink.texts(), 3),
              (Lines{"Bitrate summary (excludes VBR header frame, if found):", "192  kbps:  9 frames, 100.0% of total",
                     "Average bitrate (actual): 192.0 kbps over 9 audio frames."}));
}

TEST(IntegrityTest, OpenFailureEndsWithoutSummary) {
    test::MemoryFileSystem fs;
    fs.addFile("song.mp3", ByteBuilder().frames(3, Cbr128).build());
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(fs, "song.mp3", 5000));
    fs.unopenable.insert("song.mp3");
    test::RecordingSink sink;
    EXPECT_TRUE(IntegrityTest(sink, {}, fs).testFile(info));
    EXPECT_EQ(sink.texts(), (Lines{"Processing: song.mp3", "", "Error: Unable to open file."}));
    EXPECT_EQ(sink.log.lines()[2].fileIndex, NoFile);
    EXPECT_EQ(sink.status, "File Open Error");
}

TEST(IntegrityTest, AFileThatShrankAfterTheScanIsWalkedSafely) {
    test::MemoryFileSystem fs;
    Bytes bytes = ByteBuilder().frames(10, Cbr128).build();
    fs.addFile("song.mp3", bytes);
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(fs, "song.mp3", 5000));
    bytes.resize(2000);
    fs.addFile("song.mp3", bytes);
    test::RecordingSink sink;
    EXPECT_TRUE(IntegrityTest(sink, {}, fs).testFile(info));
    Lines t = sink.texts();
    // Frame 5 is cut short by the shrinking; header 6 lies past the new end.
    EXPECT_EQ(t[2].substr(0, 50), "Error: Sync error reading frame header 6 expected ");
    EXPECT_EQ(t[4], "Resync failed (no matching frame header found within 2,000 bytes).");
}

}  // namespace
}  // namespace tw
