#include "analysis/GainUndo.h"

#include "analysis/FrameHeader.h"
#include "analysis/Layer3SideInfo.h"
#include "common/ByteOrder.h"

namespace tw {

namespace {

// global_gain follows part2_3_length (12 bits) and big_values (9).
std::size_t GainBit(const Layer3SideInfo& info, int granule, int channel) {
    return info.granuleBit(granule, channel) + 21;
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
    Layer3SideInfo info;
    if (!Layer3SideInfoOf(frame, length, info) || length < info.offset + info.length)
        return 0;
    int n = 0;
    for (int gr = 0; gr < info.granules; ++gr) {
        for (int ch = 0; ch < info.channels; ++ch)
            gains[n++] = static_cast<std::uint8_t>(GetBits(frame, GainBit(info, gr, ch), 8));
    }
    return n;
}

GainUndoResult UndoGainChange(std::uint8_t* frame, std::size_t length, const GainUndo& undo) {
    Layer3SideInfo info;
    if (!Layer3SideInfoOf(frame, length, info))
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
            const auto now = static_cast<int>(GetBits(frame, bit, 8));
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
            SetBits(frame, bit, 8, static_cast<unsigned>(before));
        }
    }
    if (crcMatched) {
        const std::uint16_t crc = Layer3FrameCrc(frame, length);
        frame[4] = static_cast<std::uint8_t>(crc >> 8);
        frame[5] = static_cast<std::uint8_t>(crc);
    }
    return exact ? GainUndoResult::Exact : GainUndoResult::MaybeInexact;
}

}  // namespace tw
