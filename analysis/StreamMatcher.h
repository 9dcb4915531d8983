// The walks ask of every frame: is this a valid header of the same stream as
// the first one, and how long is its frame? decode + matches answer that; so
// does this table, built once per file, at a fraction of the cost.
#pragma once

#include <array>
#include <cstdint>

#include "analysis/FrameHeader.h"
#include "common/ByteOrder.h"

namespace tw {

class StreamMatcher {
public:
    struct Frame {
        std::int32_t length = -1;  // frameLength, padding included
        std::int32_t bitrate = -1;
        bool padded = false;
        std::uint8_t bitrateIndex = 0;
    };

    explicit StreamMatcher(const FrameHeader& first);

    // True, with the frame's facts, exactly when decode(bytes) succeeds and
    // the decoded header matches `first`.
    bool match(const std::uint8_t bytes[4], Frame& frame) const {
        const std::uint32_t word = BigEndian32(bytes);
        if ((word & mask_) != stream_)
            return false;
        frame = frames_[VariableIndex(word)];
        return frame.length >= 0;
    }

    // Bits that must equal the first header's: sync, version, layer, CRC,
    // sample rate, private, channel mode, copyright, original, emphasis.
    //   11111111 11111111 00001101 11001111
    static constexpr std::uint32_t StreamBits =
        FrameHeader::SyncMask | FrameHeader::VersionMask | FrameHeader::LayerMask | FrameHeader::ProtectionMask |
        FrameHeader::SampleRateMask | FrameHeader::PrivateMask | FrameHeader::ChannelModeMask |
        FrameHeader::CopyrightMask | FrameHeader::OriginalMask | FrameHeader::EmphasisMask;
    static_assert(StreamBits == 0xFFFF0DCFu);
    // Bits that may vary within a stream and change the frame: bit-rate
    // index and padding (the mode extension changes nothing we need).
    //   00000000 00000000 11110010 00000000
    static constexpr std::uint32_t VariableBits = FrameHeader::BitrateMask | FrameHeader::PaddingMask;
    static_assert(VariableBits == 0x0000F200u);
    // Every bit is one of the three kinds.
    static_assert((StreamBits | VariableBits | FrameHeader::ModeExtensionMask) == 0xFFFFFFFFu);
    // The channel-mode bit that tells stereo from joint stereo, which a
    // Layer I or II stream may switch from frame to frame.
    //   00000000 00000000 00000000 01000000
    static constexpr std::uint32_t StereoSwitchBit = 0x00000040;
    static_assert((FrameHeader::ChannelModeMask & StereoSwitchBit) == StereoSwitchBit);

private:
    static constexpr std::size_t VariableIndex(std::uint32_t word) {
        return ((word & FrameHeader::BitrateMask) >> 12) << 1 | (word & FrameHeader::PaddingMask) >> 9;
    }

    std::uint32_t mask_;              // StreamBits, less the stereo switch where the stream may use it
    std::uint32_t stream_;            // the first header's bits under the mask
    std::array<Frame, 32> frames_{};  // by bit-rate index and padding bit
};

}  // namespace tw
