#include "analysis/FrameCrc.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/ReferenceFrameCrc.h"

namespace tw {
namespace {

using Bytes = std::vector<std::uint8_t>;

FrameHeader Decoded(const Bytes& frame) {
    FrameHeader h;
    h.decode(frame.data());
    return h;
}

FrameCrcResult Check(const Bytes& frame, std::size_t available) {
    return CheckFrameCrc(Decoded(frame), frame.data(), available);
}

FrameCrcResult Check(const Bytes& frame) {
    return Check(frame, frame.size());
}

void FlipBit(Bytes& frame, std::size_t bit) {
    frame[bit / 8] = static_cast<std::uint8_t>(frame[bit / 8] ^ (0x80 >> (bit % 8)));
}

// The header, CRC field and protected bits of frames cut from encoder output;
// the main data that follows is left out, as the check never reads it.
struct RealFrame {
    const char* what;
    std::int32_t bits;
    Bytes bytes;
};

const std::vector<RealFrame> RealFrames = {
    {"lame -p -b 128 -m j, 44.1 kHz", 256, {0xFF, 0xFA, 0x92, 0x44, 0xCE, 0x14, 0x3C, 0x09, 0xD2, 0xA9,
                                            0x15, 0x45, 0x9B, 0xFC, 0x11, 0xB0, 0x58, 0x01, 0xD8, 0xA2,
                                            0x77, 0xFE, 0x60, 0x08, 0xC8, 0x29, 0x1D, 0x4E, 0x7F, 0x82,
                                            0x61, 0x55, 0x87, 0xA2, 0xC9, 0xDF, 0xF9, 0x80}},
    {"lame -p --resample 24 -b 32 -m m",
     72,
     {0xFF, 0xF2, 0x44, 0xC4, 0xFD, 0xB5, 0x0A, 0x12, 0x30, 0xBA, 0xD9, 0x60, 0x7E, 0x0C, 0x80}},
    {"lame -p -s 8 --resample 8 -b 16, MPEG-2.5 joint stereo", 136, {0xFF, 0xE2, 0x28, 0x44, 0x0D, 0x8A, 0x56, 0x06,
                                                                     0xC0, 0x1F, 0x8F, 0x28, 0x0C, 0x23, 0x00, 0x0C,
                                                                     0x70, 0x42, 0x34, 0x00, 0xFF, 0xB4, 0x01}},
    {"twolame --protect -m j -b 192, 44.1 kHz, bound 12",
     261,
     {0xFF, 0xFC, 0xA0, 0x64, 0x4C, 0xDE, 0x45, 0x33, 0x33, 0x44, 0x44, 0x34, 0x43,
      0x43, 0x33, 0x33, 0x32, 0x4D, 0xA6, 0x53, 0x64, 0x92, 0xAA, 0xAD, 0x75, 0x55,
      0x41, 0x77, 0x57, 0x55, 0x55, 0xD5, 0x55, 0x54, 0x55, 0x55, 0x55, 0x55, 0x51}},
    {"twolame --protect -m j -b 160, 44.1 kHz, bound 8",
     224,
     {0xFF, 0xFC, 0x90, 0x54, 0x46, 0x7F, 0x33, 0x33, 0x33, 0x44, 0x34, 0x34, 0x44, 0x33, 0x33, 0x26, 0xDB,
      0x69, 0x24, 0x49, 0x54, 0xAA, 0xAA, 0xA9, 0xAA, 0xAE, 0xAA, 0xAA, 0x6A, 0xAA, 0xAA, 0xAB, 0xA9, 0xA9}},
    {"twolame --protect -m s -b 96, 48 kHz",
     72,
     {0xFF, 0xFC, 0x64, 0x04, 0x18, 0x08, 0x6E, 0x67, 0xC2, 0x08, 0x20, 0x82, 0x0A, 0xAA, 0xAA}},
    {"twolame --protect -m m -b 32, 32 kHz",
     62,
     {0xFF, 0xFC, 0x18, 0xC4, 0x26, 0x69, 0x33, 0x68, 0x92, 0x49, 0x26, 0xBA, 0x2E, 0x68}},
    {"twolame --protect -m m -b 8, 22.05 kHz",
     83,
     {0xFF, 0xF4, 0x10, 0xC4, 0xAE, 0x37, 0x11, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x15, 0x46}},
};

TEST(FrameCrc, CheckValueOfTheCrc) {
    const Bytes digits{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(UpdateCrc16(0xFFFF, digits.data(), 72), 0xAEE7);
}

TEST(FrameCrc, EncoderFramesMatchAndEveryCoveredPartIsChecked) {
    for (const RealFrame& f : RealFrames) {
        SCOPED_TRACE(f.what);
        const std::size_t regionEnd = 48 + static_cast<std::size_t>(f.bits);
        ASSERT_EQ(f.bytes.size(), (regionEnd + 7) / 8);
        EXPECT_EQ(ProtectedBitCount(Decoded(f.bytes), f.bytes.data(), f.bytes.size()), f.bits);
        EXPECT_EQ(Check(f.bytes), FrameCrcResult::Match);
        // Main data (and the unused bits of the last byte) are not covered.
        Bytes longer = f.bytes;
        longer.resize(longer.size() + 32, 0x5A);
        for (std::size_t bit = regionEnd; bit < 8 * longer.size(); bit += 5)
            FlipBit(longer, bit);
        EXPECT_EQ(Check(longer), FrameCrcResult::Match);
        // The last protected bit, the stored CRC, the private bit of the header.
        for (std::size_t bit : {regionEnd - 1, std::size_t{47}, std::size_t{23}}) {
            Bytes bad = f.bytes;
            FlipBit(bad, bit);
            EXPECT_EQ(Check(bad), FrameCrcResult::Mismatch) << "bit " << bit;
        }
        EXPECT_EQ(Check(f.bytes, f.bytes.size() - 1), FrameCrcResult::Unchecked);
    }
}

// A frame of 64 bytes with a CRC field of zeros and every later byte `fill`:
// 0x00 leaves every allocation empty, 0xFF fills them all.
std::int32_t Bits(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3, std::uint8_t fill = 0x00) {
    Bytes frame(64, fill);
    frame[0] = 0xFF;
    frame[1] = byte1;
    frame[2] = byte2;
    frame[3] = byte3;
    frame[4] = frame[5] = 0;
    return ProtectedBitCount(Decoded(frame), frame.data(), frame.size());
}

TEST(FrameCrc, RegionLengthsAcrossLayersTablesAndBounds) {
    // Layer III: side information by version and channels.
    EXPECT_EQ(Bits(0xFA, 0x90, 0xC0), 136);  // MPEG-1 mono
    EXPECT_EQ(Bits(0xFA, 0x90, 0x80), 256);  // MPEG-1 dual channel
    EXPECT_EQ(Bits(0xF2, 0x80, 0xC0), 72);   // MPEG-2 mono
    EXPECT_EQ(Bits(0xE2, 0x80, 0x40), 136);  // MPEG-2.5 joint stereo
    // Layer I: 4 bits per subband and channel, shared from the bound up.
    EXPECT_EQ(Bits(0xFE, 0x40, 0xC0), 128);
    EXPECT_EQ(Bits(0xFE, 0x40, 0x00), 256);
    EXPECT_EQ(Bits(0xFE, 0x40, 0x40), 144);  // bound 4
    EXPECT_EQ(Bits(0xFE, 0x40, 0x70), 192);  // bound 16
    EXPECT_EQ(Bits(0xF6, 0x40, 0x50), 160);  // MPEG-2, bound 8
    EXPECT_EQ(Bits(0xFE, 0x14, 0xC0), 128);  // 32 kbit/s, 48 kHz: a 32-byte frame holds one channel
    EXPECT_EQ(Bits(0xFE, 0x14, 0x00), -1);   // but not two
    // Layer II: the table follows the sample rate and the bit rate per channel.
    EXPECT_EQ(Bits(0xFC, 0x74, 0x00), 2 * 88);         // 48 kHz, 56 per channel
    EXPECT_EQ(Bits(0xFC, 0x64, 0x00), 2 * 26);         // 48 kHz, 48 per channel
    EXPECT_EQ(Bits(0xFC, 0x90, 0x00), 2 * 88);         // 44.1 kHz, 80 per channel
    EXPECT_EQ(Bits(0xFC, 0xA0, 0x00), 2 * 94);         // 44.1 kHz, 96 per channel
    EXPECT_EQ(Bits(0xFC, 0xA0, 0x00, 0xFF), 308);      // ... with scale factor selection for 2 x 30 subbands
    EXPECT_EQ(Bits(0xFC, 0x60, 0x00), 2 * 26);         // 44.1 kHz, 48 per channel
    EXPECT_EQ(Bits(0xFC, 0x68, 0x00), 2 * 38);         // 32 kHz, 48 per channel
    EXPECT_EQ(Bits(0xFC, 0x38, 0xC0), 88);             // 32 kHz mono, 56
    EXPECT_EQ(Bits(0xFC, 0x68, 0xC0, 0xFF), 94 + 60);  // 32 kHz mono, 96
    EXPECT_EQ(Bits(0xF4, 0x80, 0xC0), 75);             // MPEG-2 mono
    EXPECT_EQ(Bits(0xF4, 0x80, 0x00, 0xFF), 150 + 120);
    // Joint stereo: one allocation from the bound up, but scale factor
    // selection for both channels; a bound past the last subband changes nothing.
    EXPECT_EQ(Bits(0xFC, 0xA0, 0x40), 32 + 78);          // bound 4
    EXPECT_EQ(Bits(0xFC, 0xA0, 0x40, 0xFF), 110 + 120);  // bound 4, all allocated
    EXPECT_EQ(Bits(0xFC, 0xA0, 0x70), 118 + 35);         // bound 16
    EXPECT_EQ(Bits(0xFC, 0x64, 0x60), 2 * 26);           // bound 12 of 8 subbands
}

TEST(FrameCrc, UncheckedWhenTheLayoutOrTheBytesAreMissing) {
    const Bytes& layer2 = RealFrames[3].bytes;
    for (std::size_t available : {0, 4, 5, 6, 12})
        EXPECT_EQ(Check(layer2, available), FrameCrcResult::Unchecked) << available;
    // Too few bytes for the allocation: no count at all.
    EXPECT_EQ(ProtectedBitCount(Decoded(layer2), layer2.data(), 12), -1);

    Bytes freeFormat(64, 0);
    freeFormat[0] = 0xFF;
    freeFormat[1] = 0xFA;
    EXPECT_EQ(Check(freeFormat), FrameCrcResult::Unchecked);
    freeFormat[1] = 0xFB;
    EXPECT_EQ(Check(freeFormat), FrameCrcResult::NotProtected);
}

// No encoder at hand writes protected Layer I: build a joint stereo frame
// (bound 8) and seal it with a CRC worked out one bit at a time.
TEST(FrameCrc, HandMadeLayer1Frame) {
    Bytes frame(48, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFE;
    frame[2] = 0x40;
    frame[3] = 0x50;
    for (std::size_t i = 6; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>(i * 37 + 11);
    const std::size_t bits = 8 * 8 + 24 * 4;
    const std::uint16_t crc = test::ReferenceFrameCrc(frame.data(), bits);
    frame[4] = static_cast<std::uint8_t>(crc >> 8);
    frame[5] = static_cast<std::uint8_t>(crc);

    EXPECT_EQ(Check(frame), FrameCrcResult::Match);
    Bytes lastCovered = frame;
    FlipBit(lastCovered, 48 + bits - 1);
    EXPECT_EQ(Check(lastCovered), FrameCrcResult::Mismatch);
    Bytes firstUncovered = frame;
    FlipBit(firstUncovered, 48 + bits);
    EXPECT_EQ(Check(firstUncovered), FrameCrcResult::Match);
}

}  // namespace
}  // namespace tw
