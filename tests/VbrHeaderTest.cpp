#include "analysis/VbrHeader.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/AudioFileInfo.h"
#include "common/BufferedReader.h"
#include "support/ByteBuilder.h"
#include "support/MemoryFile.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;

struct Expected {
    VbrHeader::Kind kind;
    std::int64_t frameStart;
    std::size_t idAt;
    bool inFirstFrame;
    bool afterSideInfo;
    std::int64_t frames;
    std::int64_t bytes;
    std::int64_t musicLength;  // -1: no LAME extension
    const char* encoder;
};

void ExpectLocation(const VbrHeaderLocation& w, const Expected& e, const std::string& what) {
    EXPECT_EQ(w.record.kind(), e.kind) << what;
    EXPECT_EQ(w.frameStart, e.frameStart) << what;
    EXPECT_EQ(w.idAt, e.idAt) << what;
    EXPECT_EQ(w.inFirstFrame, e.inFirstFrame) << what;
    EXPECT_EQ(w.afterSideInfo, e.afterSideInfo) << what;
    EXPECT_EQ(w.record.frames(), e.frames) << what;
    EXPECT_EQ(w.record.bytes(), e.bytes) << what;
    EXPECT_EQ(w.record.hasLameExtension(), e.musicLength >= 0) << what;
    EXPECT_EQ(w.record.musicLength(), e.musicLength) << what;
    EXPECT_EQ(std::string(w.record.encoder()), e.encoder) << what;
}

// Header frames of real encoders, their records told by an independent
// reading (bench/corpus/mpeg.py records).
TEST(VbrHeader, RecordsOfRealEncoders) {
    using K = VbrHeader::Kind;
    const struct {
        const char* file;
        Expected expected;
    } cases[] = {
        // lame: Xing after the side information of MPEG-2 mono, MPEG-1 mono, MPEG-1 stereo.
        {"mpeg2-vbr-mono-xing.mp3", {K::Xing, 0, 13, true, true, 169, 30120, 30120, "LAME3.100"}},
        {"more/mpeg1-mono-vbr-xing.mp3", {K::Xing, 0, 21, true, true, 116, 29550, 29550, "LAME3.100"}},
        {"vbr-v2-xing-id3v2.mp3", {K::Xing, 280, 36, true, true, 231, 113208, 113208, "LAME3.100"}},
        // lame -p: Info at 36 although a CRC follows the header.
        {"deep/clean-lame-protected.mp3", {K::Info, 0, 36, true, true, 59, 18808, 18808, "LAME3.100"}},
        // ffmpeg: its own encoder string, a 182-byte header frame whose
        // original bit differs from the stream's, so the scan starts after it.
        {"deep/clean-ffmpeg-mono-22k.mp3", {K::Xing, 20, 13, false, true, 60, 2601, 2601, "Lavf lame"}},
        // gstreamer's xingmux: the header frame counted, no LAME extension.
        {"deep/clean-gstreamer-xingmux.mp3", {K::Xing, 0, 36, true, true, 60, 10146, -1, ""}},
        {"vbri-synthesised.mp3", {K::Vbri, 0, 36, true, true, 232, 113208, -1, ""}},
        {"layer2-192k.mp2", {K::None, -1, 0, false, false, -1, -1, -1, ""}},
    };
    for (const auto& c : cases) {
        AudioFileInfo info;
        ASSERT_TRUE(info.scan(std::string(TW_SOURCE_DIR) + "/samples/" + c.file, 5000)) << c.file;
        ExpectLocation(info.vbrHeader(), c.expected, c.file);
    }
}

TEST(VbrHeader, RecordsWhereTheScanDoesNotLook) {
    using K = VbrHeader::Kind;
    // ffmpeg writes its Info frame in a channel mode of its own (stereo in a
    // joint stereo stream): the scan takes the next frame as the first, and
    // the record is found in the frame that ends where that one starts.
    const Bytes ffmpeg =
        ByteBuilder().lameFrame({0xFF, 0xFB, 0x90, 0x04}, 36, 3, 4 * 417, 4 * 417, 0, "Info").frames(3, Cbr128).build();
    MemoryFile file(ffmpeg);
    BufferedReader reader(file);
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(reader, "ffmpeg.mp3", 5000));
    EXPECT_EQ(info.firstFrameOffset(), 417);
    ExpectLocation(info.vbrHeader(), {K::Info, 0, 36, false, true, 3, 1668, 1668, "LAME3.100"}, "ffmpeg");

    // Behind a frame CRC: found for the deep check, left alone by the scan.
    const Bytes protectedFrame =
        ByteBuilder().xingFrame({0xFF, 0xFA, 0x90, 0x64}, 38, 0x1, 9).frames(3, {0xFF, 0xFA, 0x90, 0x64}).build();
    MemoryFile protectedFile(protectedFrame);
    BufferedReader protectedReader(protectedFile);
    ASSERT_TRUE(info.scan(protectedReader, "protected.mp3", 5000));
    ExpectLocation(info.vbrHeader(), {K::Xing, 0, 38, true, false, 9, -1, -1, ""}, "protected");
    EXPECT_FALSE(info.hasXingHeader());
}

}  // namespace
}  // namespace tw
