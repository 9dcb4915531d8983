#include "analysis/Layer3SideInfo.h"

#include <algorithm>

#include "analysis/FrameCrc.h"
#include "analysis/FrameHeader.h"
#include "common/ByteOrder.h"

namespace tw {
namespace {

constexpr std::size_t Part23LengthBits = 12;
constexpr std::size_t BigValuesBits = 9;
constexpr std::size_t GlobalGainBits = 8;

}  // namespace

bool Layer3SideInfoOf(const std::uint8_t* frame, std::size_t length, Layer3SideInfo& info) {
    if (length < 4)
        return false;
    const std::uint32_t word = BigEndian32(frame);
    const auto version = static_cast<std::uint8_t>((word & FrameHeader::VersionMask) >> 19);
    const auto layerId = (word & FrameHeader::LayerMask) >> 17;
    if ((word & FrameHeader::SyncMask) != FrameHeader::SyncMask || layerId != 1 || version == FrameHeader::MpegReserved)
        return false;
    info.protectedByCrc = (word & FrameHeader::ProtectionMask) == 0;
    info.channelMode = static_cast<std::uint8_t>((word & FrameHeader::ChannelModeMask) >> 6);
    info.channels = info.channelMode == FrameHeader::SingleChannel ? 1 : 2;
    info.offset = info.protectedByCrc ? 6 : 4;
    const bool mono = info.channels == 1;
    if (version == FrameHeader::Mpeg1) {
        info.length = mono ? 17 : 32;
        info.granules = 2;
        info.granuleChannelBits = 59;
        info.mainDataBeginBits = 9;
        // main_data_begin (9), private bits (5 or 3), scfsi (4 per channel)
        info.firstGranuleBit = 9 + (mono ? 5 : 3) + 4 * static_cast<std::size_t>(info.channels);
    } else {
        info.length = mono ? 9 : 17;
        info.granules = 1;
        info.granuleChannelBits = 63;
        info.mainDataBeginBits = 8;
        // main_data_begin (8), private bits (1 or 2)
        info.firstGranuleBit = 8 + (mono ? 1 : 2);
    }
    return true;
}

unsigned GetBits(const std::uint8_t* bytes, std::size_t bit, std::size_t bits) {
    unsigned value = 0;
    for (std::size_t i = 0; i < bits; ++i, ++bit)
        value = value << 1 | ((bytes[bit / 8] >> (7 - bit % 8)) & 1u);
    return value;
}

void SetBits(std::uint8_t* bytes, std::size_t bit, std::size_t bits, unsigned value) {
    for (std::size_t i = 0; i < bits; ++i, ++bit) {
        const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
        const bool on = ((value >> (bits - 1 - i)) & 1u) != 0;
        bytes[bit / 8] = static_cast<std::uint8_t>(on ? bytes[bit / 8] | mask : bytes[bit / 8] & ~mask);
    }
}

int MainDataBegin(const std::uint8_t* frame, std::size_t length) {
    Layer3SideInfo info;
    if (!Layer3SideInfoOf(frame, length, info) || length < info.offset + info.length)
        return -1;
    return static_cast<int>(GetBits(frame, info.offset * 8, info.mainDataBeginBits));
}

int MainDataSize(const std::uint8_t* frame, std::size_t length) {
    Layer3SideInfo info;
    if (!Layer3SideInfoOf(frame, length, info) || length < info.offset + info.length)
        return 0;
    return static_cast<int>(length - info.offset - info.length);
}

int MainDataLeft(const std::uint8_t* frame, std::size_t length) {
    Layer3SideInfo info;
    if (!Layer3SideInfoOf(frame, length, info) || length < info.offset + info.length)
        return -1;
    std::size_t usedBits = 0;
    for (int gr = 0; gr < info.granules; ++gr)
        for (int ch = 0; ch < info.channels; ++ch)
            usedBits += GetBits(frame, info.granuleBit(gr, ch), Part23LengthBits);
    const auto begin = static_cast<int>(GetBits(frame, info.offset * 8, info.mainDataBeginBits));
    return begin + MainDataSize(frame, length) - static_cast<int>((usedBits + 7) / 8);
}

bool SilenceLayer3Frame(std::uint8_t* frame, std::size_t length, int reach) {
    Layer3SideInfo info;
    if (!Layer3SideInfoOf(frame, length, info) || length < info.offset + info.length)
        return false;
    const bool crcMatched =
        info.protectedByCrc && Layer3FrameCrc(frame, length) == static_cast<unsigned>(frame[4] << 8 | frame[5]);
    const auto begin = static_cast<int>(GetBits(frame, info.offset * 8, info.mainDataBeginBits));
    if (begin > reach)
        SetBits(frame, info.offset * 8, info.mainDataBeginBits, static_cast<unsigned>(std::max(reach, 0)));
    for (int gr = 0; gr < info.granules; ++gr)
        for (int ch = 0; ch < info.channels; ++ch) {
            SetBits(frame, info.granuleBit(gr, ch), Part23LengthBits + BigValuesBits, 0);
            // 4 bits in MPEG-1, 9 in MPEG-2/2.5 (one granule)
            SetBits(frame, info.granuleBit(gr, ch) + Part23LengthBits + BigValuesBits + GlobalGainBits,
                    info.granules == 2 ? 4 : 9, 0);
        }
    if (crcMatched) {
        const std::uint16_t crc = Layer3FrameCrc(frame, length);
        frame[4] = static_cast<std::uint8_t>(crc >> 8);
        frame[5] = static_cast<std::uint8_t>(crc);
    }
    return true;
}

std::uint16_t Layer3FrameCrc(const std::uint8_t* frame, std::size_t length) {
    Layer3SideInfo info;
    if (!Layer3SideInfoOf(frame, length, info) || length < info.offset + info.length)
        return 0;
    // The side information is the protected part of a Layer III frame.
    return ComputeFrameCrc(frame, static_cast<std::int32_t>(info.length * 8));
}

}  // namespace tw
