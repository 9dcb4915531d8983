// FrameHeader::decode of four arbitrary bytes, matches against a second
// header, and every text operation of both.
#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/FrameHeader.h"
#include "fuzz/FuzzSupport.h"

namespace {

using tw::FrameHeader;
using tw::fuzz::IsPrintable;

bool SameFields(const FrameHeader& a, const FrameHeader& b) {
    return a.versionId() == b.versionId() && a.layerId() == b.layerId() && a.bitrateIndex() == b.bitrateIndex() &&
           a.channelMode() == b.channelMode() && a.bitrate() == b.bitrate() && a.sampleRate() == b.sampleRate() &&
           a.frameLength() == b.frameLength() && a.frameLengthUnpadded() == b.frameLengthUnpadded() &&
           a.isPadded() == b.isPadded() && a.isCrcProtected() == b.isCrcProtected() &&
           a.emphasisText() == b.emphasisText();
}

void CheckTexts(const FrameHeader& h) {
    for (const std::string& text : {h.versionText(), h.layerText(), h.bitrateKbpsText(), h.bitrateBpsText(),
                                    h.sampleRateText(), h.channelModeText(), h.emphasisText()}) {
        FUZZ_CHECK(!text.empty());
        FUZZ_CHECK(IsPrintable(text));
    }
    FUZZ_CHECK(h.layerNumber() >= 0 && h.layerNumber() <= 3);
}

// What a header that decode accepted promises to the scan and the walks.
void CheckValid(const FrameHeader& h) {
    FUZZ_CHECK(h.bitrate() > 0 && h.sampleRate() > 0);
    FUZZ_CHECK(h.isBitrateKnown() && h.isSampleRateKnown());
    FUZZ_CHECK(h.samplesPerFrame() > 0 && h.slotSize() > 0);
    // Every frame holds at least its own header, and none is larger than a
    // few KiB, so positions advance and stay far from any limit.
    FUZZ_CHECK(h.frameLengthUnpadded() >= 4 && h.frameLengthUnpadded() <= 4096);
    FUZZ_CHECK(h.frameLength() == h.frameLengthUnpadded() + (h.isPadded() ? h.slotSize() : 0));
    FUZZ_CHECK(h.layerNumber() >= 1);
    FUZZ_CHECK(h.matches(h));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    FrameHeader first;
    const FrameHeader before = first;
    const bool firstValid = first.decode(data);
    const bool synced = data[0] == 0xFF && (data[1] & 0xE0) == 0xE0;
    if (!synced) {
        FUZZ_CHECK(!firstValid);
        FUZZ_CHECK(SameFields(first, before));
    }
    CheckTexts(first);
    if (firstValid)
        CheckValid(first);
    if (size < 8)
        return 0;

    FrameHeader second;
    const bool secondValid = second.decode(data + 4);
    CheckTexts(second);
    if (secondValid)
        CheckValid(second);
    FUZZ_CHECK(first.matches(second) == second.matches(first));

    // A header that borrows protection and channel mode keeps its length.
    FrameHeader borrowed = first;
    borrowed.takeProtectionAndChannelModeFrom(second);
    FUZZ_CHECK(borrowed.isCrcProtected() == second.isCrcProtected());
    FUZZ_CHECK(borrowed.channelMode() == second.channelMode());
    FUZZ_CHECK(borrowed.frameLength() == first.frameLength());
    CheckTexts(borrowed);
    return 0;
}
