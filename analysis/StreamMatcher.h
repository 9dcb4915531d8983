// The walks ask of every frame: is this a valid header of the same stream as
// the first one, and how long is its frame? decode + matches answer that; so
// does this table, built once per file, at a fraction of the cost.
#pragma once

#include <array>
#include <cstdint>

#include "analysis/FrameHeader.h"

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
        const std::uint32_t word = (static_cast<std::uint32_t>(bytes[0]) << 24) |
                                   (static_cast<std::uint32_t>(bytes[1]) << 16) |
                                   (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
        if ((word & StreamBits) != stream_)
            return false;
        frame = frames_[VariableIndex(word)];
        return frame.length >= 0;
    }

    // Bits that must equal the first header's: sync, version, layer, CRC,
    // sample rate, private, channel mode, copyright, original, emphasis.
    //   11111111 11111111 00001101 11001111
    static constexpr std::uint32_t StreamBits = 0xFFFF0DCFu;
    // Bits that may vary within a stream and change the frame: bit-rate
    // index and padding (the mode extension changes nothing we need).
    //   00000000 00000000 11110010 00000000
    static constexpr std::uint32_t VariableBits = 0x0000F200u;

private:
    static constexpr std::size_t VariableIndex(std::uint32_t word) {
        return ((word >> 12) & 0x0F) << 1 | ((word >> 9) & 0x01);
    }

    std::uint32_t stream_;
    std::array<Frame, 32> frames_{};  // by bit-rate index and padding bit
};

}  // namespace tw
