#include "reports/FileInfoReport.h"

#include <gtest/gtest.h>

#include "analysis/AudioFileInfo.h"
#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "support/ByteBuilder.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;

AudioFileInfo Scan(const Bytes& bytes) {
    MemoryFile file(bytes);
    BufferedReader reader(file);
    AudioFileInfo info;
    EXPECT_TRUE(info.scan(reader, "song.mp3", 5000)) << info.errorText();
    return info;
}

TEST(FileInfoReport, MpegPaneOfTheWorkedExample) {
    ByteBuilder b;
    b.frames(10024, Cbr128).fill(120);
    EXPECT_EQ(MpegInfoText(Scan(b.build())),
              "File size: 4,180,128 bytes\r\n"
              "Offset to first valid header: 0 bytes\r\n"
              "MPEG 1.0, layer III;   Sample rate: 44,100 Hz\r\n"
              "Bitrate: 128 kbps\r\n"
              "Channel mode: Joint Stereo\r\n"
              "Private: No;   CRCs: No;   Copyrighted: No\r\n"
              "Original: Yes;   Emphasis: None\r\n"
              "\r\n"
              "Frame size: 1,152 samples/frame\r\n"
              "Frame length: 417 bytes/frame (unpadded)\r\n"
              "Pad size: 1 byte(s)\r\n"
              "Estimated frames: 10,024\r\n"
              "Estimated time: 4:22 (262 secs.)\r\n"
              "\r\n");
}

TEST(FileInfoReport, MpegPaneOfVbrFiles) {
    ByteBuilder xing;
    xing.xingFrame(Cbr128, 36, 0, 0).frames(3, Cbr128);
    std::string text = MpegInfoText(Scan(xing.build()));
    EXPECT_NE(text.find("\r\nBitrate: Variable (Xing-type header)\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nEstimated frames: Unknown\r\nEstimated time: Unknown\r\n"
                        "Estimated average bitrate: Unknown\r\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    // 4000 frames of 1152 samples at 44.1 kHz in 2,446,372 audio bytes: 187.3 kbit/s.
    ByteBuilder vbri;
    vbri.vbriFrame(Cbr128, 36, 4000).frames(5865, Cbr128).fill(250);
    AudioFileInfo v = Scan(vbri.build());
    ASSERT_EQ(v.audioSize(), 2446372);
    text = MpegInfoText(v);
    EXPECT_NE(text.find("Bitrate: Variable (VBRI-type header)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Frames (specified in VBR header): 4,000\r\n"), std::string::npos);
    EXPECT_NE(text.find("Estimated time: 1:44 (104 secs.)\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind("Estimated average")), "Estimated average bitrate: 187.3 kbps\r\n");
}

TEST(FileInfoReport, TimeRoundsHalfUpIntoTheNextMinute) {
    // 2,297 frames of 1152 samples at 44.1 kHz last 60.0 s; 2,296 last 59.98 s.
    // MPEG-2.5 Layer III at 8 kHz: 576 samples, so 827 frames last 59.544 s.
    ByteBuilder b;
    b.frames(827, {0xFF, 0xE3, 0x18, 0xC4});
    std::string text = MpegInfoText(Scan(b.build()));
    EXPECT_NE(text.find("Estimated time: 1:00 (60 secs.)\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MPEG 2.5, layer III;   Sample rate: 8,000 Hz\r\n"), std::string::npos);
    EXPECT_NE(text.find("Channel mode: Single Channel (mono)\r\n"), std::string::npos);
}

TEST(FileInfoReport, Id3v1Pane) {
    EXPECT_EQ(Id3v1InfoText(Scan(ByteBuilder().frames(3, Cbr128).build())), "No tag found\r\n");

    ByteBuilder v10;
    v10.frames(3, Cbr128).id3v1("Title", "Artist", "Album", "1999", "Comment", 0, 17);
    EXPECT_EQ(Id3v1InfoText(Scan(v10.build())),
              "Tag version: 1.0\r\n"
              "Title: Title\r\n"
              "Artist: Artist\r\n"
              "Album: Album\r\n"
              "Year: 1999          Genre: Rock\r\n"
              "Comment: Comment\r\n");

    ByteBuilder v11;
    v11.frames(3, Cbr128).id3v1("T", "A", "B", "", "C", 5, 0);
    std::string text = Id3v1InfoText(Scan(v11.build()));
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "Tag version: 1.1          Track: 5");
    EXPECT_NE(text.find("\r\nYear:                   Genre: Blues\r\n"), std::string::npos) << text;

    ByteBuilder twoDigits;
    twoDigits.frames(3, Cbr128).id3v1("T", "A", "B", "99", "C", 0, 0);
    EXPECT_NE(Id3v1InfoText(Scan(twoDigits.build())).find("\r\nYear: 99              Genre: Blues\r\n"),
              std::string::npos);
}

TEST(FileInfoReport, Id3v2Pane) {
    Bytes tag = test::Id3v2Tag3({{"TIT2", "Song"}, {"TRCK", "3/12"}, {"TYER", "2003-05"}, {"TCON", "(17)Rock"}});
    ByteBuilder b;
    b.bytes(tag).frames(3, Cbr128);
    EXPECT_EQ(Id3v2InfoText(Scan(b.build())), "Tag version: 3.0;   Length: " + std::to_string(tag.size()) +
                                                  " bytes;   Track: 3/12\r\n"
                                                  "Title: Song\r\n"
                                                  "Artist: \r\n"
                                                  "Album: \r\n"
                                                  "Year: 2003          Genre: Rock\r\n"
                                                  "Comment: \r\n");

    Bytes big = test::Id3v2Tag3({{"TIT2", "x"}}, 4106 - 10 - 12);
    ByteBuilder noTrack;
    noTrack.bytes(big).frames(3, Cbr128);
    std::string text = Id3v2InfoText(Scan(noTrack.build()));
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "Tag version: 3.0;   Length: 4,106 bytes;   Track: ");

    EXPECT_EQ(Id3v2InfoText(Scan(ByteBuilder().frames(3, Cbr128).build())), "No tag found\r\n");
}

}  // namespace
}  // namespace tw
