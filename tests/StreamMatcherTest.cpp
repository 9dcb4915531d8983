#include "analysis/StreamMatcher.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

// The table must give exactly what decode + matches give, for every header.
void ExpectSameAsDecode(const FrameHeader& first) {
    StreamMatcher matcher(first);
    std::uint8_t bytes[4] = {0xFF, 0, 0, 0};
    int accepted = 0;
    for (std::uint32_t rest = 0; rest < (1u << 24); ++rest) {
        bytes[1] = static_cast<std::uint8_t>(rest >> 16);
        bytes[2] = static_cast<std::uint8_t>(rest >> 8);
        bytes[3] = static_cast<std::uint8_t>(rest);
        FrameHeader h;
        const bool expected = h.decode(bytes) && h.matches(first);
        StreamMatcher::Frame frame;
        const bool got = matcher.match(bytes, frame);
        ASSERT_EQ(got, expected) << std::hex << rest;
        if (!got)
            continue;
        ++accepted;
        ASSERT_EQ(frame.length, h.frameLength());
        ASSERT_EQ(frame.bitrate, h.bitrate());
        ASSERT_EQ(frame.padded, h.isPadded());
    }
    // 14 bit rates x 2 paddings x 4 mode extensions.
    EXPECT_EQ(accepted, 14 * 2 * 4);
}

FrameHeader Header(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const std::uint8_t bytes[4] = {0xFF, b1, b2, b3};
    FrameHeader h;
    EXPECT_TRUE(h.decode(bytes));
    return h;
}

TEST(StreamMatcher, AgreesWithDecodeAndMatchesOnEveryHeader) {
    ExpectSameAsDecode(Header(0xFB, 0x90, 0x64));  // MPEG-1 Layer III joint stereo
    ExpectSameAsDecode(Header(0xE2, 0x19, 0xCD));  // MPEG-2.5, CRC, private, copyright, emphasis
}

TEST(StreamMatcher, FollowsAHeaderThatTookItsChannelsFromTheSecondFrame) {
    FrameHeader first = Header(0xFB, 0x90, 0x64);
    first.takeProtectionAndChannelModeFrom(Header(0xFA, 0x90, 0xC4));
    StreamMatcher matcher(first);
    StreamMatcher::Frame frame;
    const std::uint8_t mono[4] = {0xFF, 0xFA, 0x92, 0xC4};
    const std::uint8_t original[4] = {0xFF, 0xFB, 0x90, 0x64};
    EXPECT_TRUE(matcher.match(mono, frame));
    EXPECT_EQ(frame.length, 418);
    EXPECT_TRUE(frame.padded);
    EXPECT_FALSE(matcher.match(original, frame));
}

TEST(StreamMatcher, NothingMatchesAnUndecodedHeader) {
    StreamMatcher matcher{FrameHeader()};
    StreamMatcher::Frame frame;
    const std::uint8_t zeros[4] = {0, 0, 0, 0};
    const std::uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
    EXPECT_FALSE(matcher.match(zeros, frame));
    EXPECT_FALSE(matcher.match(header, frame));
}

}  // namespace
}  // namespace tw
