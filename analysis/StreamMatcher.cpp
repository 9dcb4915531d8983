#include "analysis/StreamMatcher.h"

namespace tw {

StreamMatcher::StreamMatcher(const FrameHeader& first) {
    // The first header's stream bits (after a VBRI tag the CRC and channel
    // fields come from the second frame).
    mask_ = first.allowsStereoSwitch() ? StreamBits & ~StereoSwitchBit : StreamBits;
    stream_ = first.word() & mask_;
    std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(stream_ >> 24),
        static_cast<std::uint8_t>(stream_ >> 16),
        0,
        static_cast<std::uint8_t>(stream_),
    };
    for (std::uint32_t bitrateIndex = 0; bitrateIndex < 16; ++bitrateIndex) {
        for (std::uint32_t padding = 0; padding < 2; ++padding) {
            bytes[2] = static_cast<std::uint8_t>(bitrateIndex << 4 | first.sampleRateIndex() << 2 | padding << 1 |
                                                 first.privateBit());
            FrameHeader h;
            Frame& frame = frames_[bitrateIndex << 1 | padding];
            if (!h.decode(bytes) || !h.matches(first))
                continue;  // stays length -1: not a header of this stream
            frame.length = h.frameLength();
            frame.bitrate = h.bitrate();
            frame.padded = h.isPadded();
            frame.bitrateIndex = static_cast<std::uint8_t>(bitrateIndex);
        }
    }
}

}  // namespace tw
