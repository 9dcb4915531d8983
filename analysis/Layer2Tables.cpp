#include "analysis/Layer2Tables.h"

namespace tw {

const Layer2Allocation* Layer2AllocationFor(const FrameHeader& header) {
    if (header.layerNumber() != 2 || header.isVersion(FrameHeader::MpegReserved) || !header.isBitrateKnown() ||
        !header.isSampleRateKnown())
        return nullptr;
    if (!header.isVersion(FrameHeader::Mpeg1))
        return &Layer2Allocations[4];
    const std::int32_t channels = header.isChannelMode(FrameHeader::SingleChannel) ? 1 : 2;
    const std::int32_t kbpsPerChannel = header.bitrate() / 1000 / channels;
    const std::int32_t rate = header.sampleRate();
    std::size_t table = 3;
    if ((rate == 48000 && kbpsPerChannel >= 56) || (kbpsPerChannel >= 56 && kbpsPerChannel <= 80))
        table = 0;
    else if (rate != 48000 && kbpsPerChannel >= 96)
        table = 1;
    else if (rate != 32000 && kbpsPerChannel <= 48)
        table = 2;
    return &Layer2Allocations[table];
}

}  // namespace tw
