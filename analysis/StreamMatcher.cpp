#include "analysis/StreamMatcher.h"

namespace tw {

StreamMatcher::StreamMatcher(const FrameHeader& first) {
    // The first header's stream bits, rebuilt from its fields (after a VBRI
    // tag the CRC and channel fields come from the second frame).
    std::uint8_t bytes[4] = {
        0xFF,
        static_cast<std::uint8_t>(0xE0 | first.versionId() << 3 | first.layerId() << 1 | first.protectionBit()),
        static_cast<std::uint8_t>(first.sampleRateIndex() << 2 | first.privateBit()),
        static_cast<std::uint8_t>(first.channelMode() << 6 | first.copyrightBit() << 3 | first.originalBit() << 2 |
                                  first.emphasis()),
    };
    stream_ = (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
              (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
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
