#include "analysis/FrameHeader.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

struct Decoded {
    bool valid;
    FrameHeader h;
};

Decoded Decode(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const std::uint8_t bytes[4] = {b0, b1, b2, b3};
    Decoded d;
    d.valid = d.h.decode(bytes);
    return d;
}

TEST(FrameHeader, Mpeg1Layer3At128k) {
    auto d = Decode(0xFF, 0xFB, 0x90, 0x64);
    ASSERT_TRUE(d.valid);
    const FrameHeader& h = d.h;
    EXPECT_EQ(h.versionText(), "1.0");
    EXPECT_EQ(h.layerText(), "III");
    EXPECT_EQ(h.layerNumber(), 3);
    EXPECT_FALSE(h.isCrcProtected());
    EXPECT_EQ(h.bitrate(), 128000);
    EXPECT_EQ(h.bitrateKbpsText(), "128");
    EXPECT_EQ(h.bitrateBpsText(), "128,000");
    EXPECT_EQ(h.sampleRate(), 44100);
    EXPECT_EQ(h.sampleRateText(), "44,100");
    EXPECT_EQ(h.channelModeText(), "Joint Stereo");
    EXPECT_TRUE(h.isOriginal());
    EXPECT_FALSE(h.isCopyright());
    EXPECT_FALSE(h.isPrivate());
    EXPECT_EQ(h.emphasisText(), "None");
    EXPECT_EQ(h.samplesPerFrame(), 1152);
    EXPECT_EQ(h.slotSize(), 1);
    EXPECT_EQ(h.frameLengthUnpadded(), 417);
    EXPECT_EQ(h.frameLength(), 417);

    auto padded = Decode(0xFF, 0xFB, 0x92, 0x64);
    EXPECT_TRUE(padded.h.isPadded());
    EXPECT_EQ(padded.h.frameLength(), 418);
    EXPECT_EQ(padded.h.frameLengthUnpadded(), 417);
}

TEST(FrameHeader, LengthsAcrossVersionsAndLayers) {
    auto m2 = Decode(0xFF, 0xF3, 0x84, 0xC4);
    ASSERT_TRUE(m2.valid);
    EXPECT_EQ(m2.h.versionText(), "2.0");
    EXPECT_EQ(m2.h.bitrate(), 64000);
    EXPECT_EQ(m2.h.sampleRate(), 24000);
    EXPECT_EQ(m2.h.channelModeText(), "Single Channel (mono)");
    EXPECT_EQ(m2.h.samplesPerFrame(), 576);
    EXPECT_EQ(m2.h.frameLength(), 192);

    auto m25 = Decode(0xFF, 0xE3, 0x18, 0xC4);
    ASSERT_TRUE(m25.valid);
    EXPECT_EQ(m25.h.versionText(), "2.5");
    EXPECT_EQ(m25.h.bitrate(), 8000);
    EXPECT_EQ(m25.h.sampleRate(), 8000);
    EXPECT_EQ(m25.h.frameLength(), 72);

    auto l1 = Decode(0xFF, 0xFF, 0x10, 0x00);
    ASSERT_TRUE(l1.valid);
    EXPECT_EQ(l1.h.layerText(), "I");
    EXPECT_EQ(l1.h.layerNumber(), 1);
    EXPECT_EQ(l1.h.bitrate(), 32000);
    EXPECT_EQ(l1.h.slotSize(), 4);
    EXPECT_EQ(l1.h.samplesPerFrame(), 384);
    EXPECT_EQ(l1.h.frameLengthUnpadded(), 32);
    EXPECT_EQ(Decode(0xFF, 0xFF, 0x12, 0x00).h.frameLength(), 36);
    EXPECT_EQ(Decode(0xFF, 0xFF, 0xC0, 0x00).h.frameLengthUnpadded(), 416);
    EXPECT_EQ(Decode(0xFF, 0xFF, 0xE0, 0x00).h.bitrate(), 448000);

    // Layer II everywhere and MPEG-1 Layer III: 144 x bitrate / rate.
    auto l2 = Decode(0xFF, 0xFD, 0xA4, 0x00);  // MPEG-1 L2 192k 48k
    EXPECT_EQ(l2.h.layerNumber(), 2);
    EXPECT_EQ(l2.h.frameLength(), 576);
    EXPECT_EQ(Decode(0xFF, 0xF5, 0xD0, 0x00).h.bitrate(), 144000);  // MPEG-2 L2 index 13
    EXPECT_EQ(Decode(0xFF, 0xF3, 0xE0, 0x00).h.bitrate(), 160000);  // MPEG-2 L3 index 14
    EXPECT_EQ(Decode(0xFF, 0xFB, 0xE0, 0x00).h.bitrate(), 320000);  // MPEG-1 L3 index 14
    EXPECT_EQ(Decode(0xFF, 0xF7, 0xE0, 0x00).h.bitrate(), 256000);  // MPEG-2 L1 index 14
}

TEST(FrameHeader, InvalidHeadersStillShowTheirFields) {
    auto free = Decode(0xFF, 0xFB, 0x00, 0x64);
    EXPECT_FALSE(free.valid);
    EXPECT_EQ(free.h.bitrate(), -1);
    EXPECT_EQ(free.h.bitrateKbpsText(), "Free");
    EXPECT_EQ(free.h.bitrateBpsText(), "Free");
    EXPECT_FALSE(free.h.isBitrateKnown());
    EXPECT_EQ(free.h.sampleRate(), 44100);
    EXPECT_EQ(free.h.frameLength(), -1);
    EXPECT_EQ(free.h.frameLengthUnpadded(), -1);

    auto bad = Decode(0xFF, 0xFB, 0xF0, 0x64);
    EXPECT_FALSE(bad.valid);
    EXPECT_EQ(bad.h.bitrateKbpsText(), "Bad");

    auto reservedRate = Decode(0xFF, 0xFB, 0x9C, 0x64);
    EXPECT_FALSE(reservedRate.valid);
    EXPECT_EQ(reservedRate.h.sampleRateText(), "Reserved");
    EXPECT_FALSE(reservedRate.h.isSampleRateKnown());

    auto reservedVersion = Decode(0xFF, 0xEB, 0x90, 0x64);
    EXPECT_FALSE(reservedVersion.valid);
    EXPECT_EQ(reservedVersion.h.versionText(), "Reserved");
    EXPECT_EQ(reservedVersion.h.sampleRate(), -1);
    EXPECT_EQ(reservedVersion.h.sampleRateText(), "Unknown");
    EXPECT_EQ(reservedVersion.h.bitrateKbpsText(), "Unknown");
    EXPECT_EQ(reservedVersion.h.samplesPerFrame(), 1152);  // the MPEG-1 column

    auto reservedLayer = Decode(0xFF, 0xF9, 0x90, 0x64);
    EXPECT_FALSE(reservedLayer.valid);
    EXPECT_EQ(reservedLayer.h.layerText(), "Reserved");
    EXPECT_EQ(reservedLayer.h.layerNumber(), 0);
    EXPECT_EQ(reservedLayer.h.slotSize(), -1);
    EXPECT_EQ(reservedLayer.h.samplesPerFrame(), -1);

    EXPECT_EQ(Decode(0xFF, 0xFB, 0x90, 0x66).h.emphasisText(), "Reserved");
    EXPECT_EQ(Decode(0xFF, 0xFB, 0x90, 0x67).h.emphasisText(), "CCIT J.17");
    EXPECT_EQ(Decode(0xFF, 0xFB, 0x90, 0x65).h.emphasisText(), "50/15 ms");
    EXPECT_EQ(Decode(0xFF, 0xFB, 0x90, 0x84).h.channelModeText(), "Dual Channel (stereo)");
    EXPECT_EQ(Decode(0xFF, 0xFB, 0x90, 0x04).h.channelModeText(), "Stereo");
}

TEST(FrameHeader, WithoutSyncNothingChanges) {
    auto d = Decode(0xFF, 0xFB, 0x90, 0x64);
    const std::uint8_t noSync1[4] = {0xFF, 0xDB, 0x10, 0x00};
    const std::uint8_t noSync0[4] = {0xFE, 0xFB, 0x10, 0x00};
    EXPECT_FALSE(d.h.decode(noSync1));
    EXPECT_FALSE(d.h.decode(noSync0));
    EXPECT_EQ(d.h.bitrate(), 128000);
    EXPECT_EQ(d.h.frameLength(), 417);
    EXPECT_EQ(d.h.channelModeText(), "Joint Stereo");
}

TEST(FrameHeader, MatchesIgnoresOnlyBitrateNotPaddingAndModeExtension) {
    const FrameHeader base = Decode(0xFF, 0xFB, 0x90, 0x64).h;
    EXPECT_TRUE(base.matches(Decode(0xFF, 0xFB, 0xB0, 0x64).h));   // bit-rate index
    EXPECT_TRUE(base.matches(Decode(0xFF, 0xFB, 0x92, 0x64).h));   // padding
    EXPECT_TRUE(base.matches(Decode(0xFF, 0xFB, 0x90, 0x74).h));   // mode extension
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFB, 0x91, 0x64).h));  // private bit
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFA, 0x90, 0x64).h));  // CRC
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFB, 0x90, 0xC4).h));  // channel mode
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFB, 0x90, 0x65).h));  // emphasis
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFB, 0x94, 0x64).h));  // sample rate
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFB, 0x90, 0x6C).h));  // copyright
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFB, 0x90, 0x60).h));  // original
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xF3, 0x90, 0x64).h));  // version
    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFD, 0x90, 0x64).h));  // layer

    EXPECT_FALSE(base.matches(Decode(0xFF, 0xFB, 0x90, 0x24).h));  // Layer III: stereo is not joint stereo

    // Layers I and II may switch between stereo and joint stereo, in both
    // directions, but not to dual channel or mono.
    for (std::uint8_t layerByte : {std::uint8_t{0xFD}, std::uint8_t{0xFF}}) {  // Layer II, Layer I
        const FrameHeader joint = Decode(0xFF, layerByte, 0x90, 0x64).h;
        const FrameHeader stereo = Decode(0xFF, layerByte, 0x90, 0x04).h;
        EXPECT_TRUE(joint.matches(stereo) && stereo.matches(joint));
        EXPECT_FALSE(joint.matches(Decode(0xFF, layerByte, 0x90, 0x84).h));   // dual channel
        EXPECT_FALSE(stereo.matches(Decode(0xFF, layerByte, 0x90, 0xC4).h));  // mono
    }

    FrameHeader copy = base;
    copy.takeProtectionAndChannelModeFrom(Decode(0xFF, 0xFA, 0x90, 0xC4).h);
    EXPECT_TRUE(copy.isCrcProtected());
    EXPECT_EQ(copy.channelModeText(), "Single Channel (mono)");
    EXPECT_EQ(copy.bitrate(), 128000);
}

}  // namespace
}  // namespace tw
