#include "analysis/GainUndo.h"

#include "analysis/FrameCrc.h"

#include "analysis/FrameHeader.h"
#include "common/ByteOrder.h"

namespace tw {

namespace {

struct SideInfo {
    std::size_t offset = 0;  // first byte, after the header and any CRC
    std::size_t length = 0;
    int channels = 0;
    int granules = 0;
    std::size_t firstGainBit = 0;  // from the start of the side information
    std::size_t granuleChannelBits = 0;
    std::uint8_t channelMode = 0;
    bool protectedByCrc = false;
};

// Where the side information lies, from the header alone.
bool LayoutOf(const std::uint8_t* frame, std::size_t length, SideInfo& info) {
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
    // Each granule and channel starts with part2_3_length (12 bits) and
    // big_values (9), then global_gain.
    if (version == FrameHeader::Mpeg1) {
        info.length = mono ? 17 : 32;
        info.granules = 2;
        info.granuleChannelBits = 59;
        // main_data_begin (9), private bits (5 or 3), scfsi (4 per channel)
        info.firstGainBit = 9 + (mono ? 5 : 3) + 4 * static_cast<std::size_t>(info.channels) + 21;
    } else {
        info.length = mono ? 9 : 17;
        info.granules = 1;
        info.granuleChannelBits = 63;
        // main_data_begin (8), private bits (1 or 2)
        info.firstGainBit = 8 + (mono ? 1 : 2) + 21;
    }
    return true;
}

std::uint8_t GetByteAt(const std::uint8_t* bytes, std::size_t bit) {
    const std::size_t i = bit / 8;
    const unsigned shift = static_cast<unsigned>(bit % 8);
    const unsigned both = (static_cast<unsigned>(bytes[i]) << 8) | (shift != 0 ? bytes[i + 1] : 0u);
    return static_cast<std::uint8_t>(both >> (8 - shift));
}

void SetByteAt(std::uint8_t* bytes, std::size_t bit, std::uint8_t value) {
    const std::size_t i = bit / 8;
    const unsigned shift = static_cast<unsigned>(bit % 8);
    if (shift == 0) {
        bytes[i] = value;
        return;
    }
    const unsigned mask = 0xFF00u >> shift;
    const unsigned both = (static_cast<unsigned>(bytes[i]) << 8) | bytes[i + 1];
    const unsigned updated = (both & ~mask) | ((static_cast<unsigned>(value) << 8) >> shift);
    bytes[i] = static_cast<std::uint8_t>(updated >> 8);
    bytes[i + 1] = static_cast<std::uint8_t>(updated);
}

std::size_t GainBit(const SideInfo& info, int granule, int channel) {
    return info.offset * 8 + info.firstGainBit +
           info.granuleChannelBits * static_cast<std::size_t>(granule * info.channels + channel);
}

bool ParseSteps(const std::string& text, std::size_t& at, int& steps) {
    while (at < text.size() && text[at] == ' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    int digits = 0;
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
        value = value * 10 + (text[at++] - '0');
        ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255)
        return false;
    while (at < text.size() && text[at] == ' ')
        ++at;
    steps = negative ? -value : value;
    return true;
}

}  // namespace

bool ParseGainUndo(const std::string& text, GainUndo& undo) {
    std::size_t at = 0;
    GainUndo parsed;
    if (!ParseSteps(text, at, parsed.left) || at >= text.size() || text[at++] != ',' ||
        !ParseSteps(text, at, parsed.right) || at >= text.size() || text[at++] != ',')
        return false;
    while (at < text.size() && text[at] == ' ')
        ++at;
    if (at >= text.size())
        return false;
    const char flag = text[at++];
    if (flag == 'W' || flag == 'w')
        parsed.wrap = true;
    else if (flag != 'N' && flag != 'n')
        return false;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\0'))
        ++at;
    if (at != text.size())
        return false;
    undo = parsed;
    return true;
}

int ReadGlobalGains(const std::uint8_t* frame, std::size_t length, std::uint8_t gains[4]) {
    SideInfo info;
    if (!LayoutOf(frame, length, info) || length < info.offset + info.length)
        return 0;
    int n = 0;
    for (int gr = 0; gr < info.granules; ++gr) {
        for (int ch = 0; ch < info.channels; ++ch)
            gains[n++] = GetByteAt(frame, GainBit(info, gr, ch));
    }
    return n;
}

GainUndoResult UndoGainChange(std::uint8_t* frame, std::size_t length, const GainUndo& undo) {
    SideInfo info;
    if (!LayoutOf(frame, length, info))
        return GainUndoResult::NotLayer3;
    if (length < info.offset + info.length)
        return GainUndoResult::TooShort;
    const bool perChannel = info.channelMode == FrameHeader::Stereo || info.channelMode == FrameHeader::DualChannel;
    if (!perChannel && undo.left != undo.right)
        return GainUndoResult::ChannelsDiffer;
    if (undo.isNothing())
        return GainUndoResult::Exact;
    // The tool writes a matching CRC into every frame it changes; one that
    // doesn't match was changed since, and stays as it is found.
    const bool crcMatched =
        info.protectedByCrc && Layer3FrameCrc(frame, length) == static_cast<unsigned>(frame[4] << 8 | frame[5]);
    bool exact = true;
    for (int gr = 0; gr < info.granules; ++gr) {
        for (int ch = 0; ch < info.channels; ++ch) {
            const std::size_t bit = GainBit(info, gr, ch);
            const int now = GetByteAt(frame, bit);
            const int steps = ch == 0 ? undo.left : undo.right;
            int before = now + steps;
            if (undo.wrap) {
                before = ((before % 256) + 256) % 256;
            } else {
                // Without wrap the change stopped at 0 or 255; a value there
                // may have lost some of the steps, and can't be told apart.
                if ((steps < 0 && now == 255) || (steps > 0 && now == 0))
                    exact = false;
                if (before < 0 || before > 255) {
                    exact = false;
                    before = before < 0 ? 0 : 255;
                }
            }
            SetByteAt(frame, bit, static_cast<std::uint8_t>(before));
        }
    }
    if (crcMatched) {
        const std::uint16_t crc = Layer3FrameCrc(frame, length);
        frame[4] = static_cast<std::uint8_t>(crc >> 8);
        frame[5] = static_cast<std::uint8_t>(crc);
    }
    return exact ? GainUndoResult::Exact : GainUndoResult::MaybeInexact;
}

std::uint16_t Layer3FrameCrc(const std::uint8_t* frame, std::size_t length) {
    SideInfo info;
    if (!LayoutOf(frame, length, info) || length < info.offset + info.length)
        return 0;
    // The side information is the protected part of a Layer III frame.
    return ComputeFrameCrc(frame, static_cast<std::int32_t>(info.length * 8));
}

}  // namespace tw
