// The change that mp3gain and aacgain make on purpose: they add a number of
// 1.5 dB steps to every global_gain of the Layer III side information and
// keep the way back in an APE item, MP3GAIN_UNDO ("-002,-002,N"). Undoing
// it in a scratch copy of a frame gives back the bytes that the encoder
// wrote, so the music CRC of the LAME tag can be checked on a gained file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/Layer3SideInfo.h"

namespace tw {

// MP3GAIN_UNDO as recorded: the steps to add to each channel's global_gain
// to undo the change (the negated change: "+3" applied records "-003"),
// and whether the change wrapped around at 0 and 255 instead of stopping.
struct GainUndo {
    int left = 0;   // channel 0, -255..255
    int right = 0;  // channel 1, -255..255
    bool wrap = false;

    bool isNothing() const { return left == 0 && right == 0; }
};

// "-002,-002,N": two signed step counts of up to three digits and W or N
// (either case); blanks around the parts are allowed. False, and `undo`
// left as it was, for anything else.
bool ParseGainUndo(const std::string& text, GainUndo& undo);

enum class GainUndoResult {
    Exact,           // every global_gain is back to what the encoder wrote
    MaybeInexact,    // undone, but a value sat where the change, not wrapping, may have clamped it
    ChannelsDiffer,  // nothing changed: one channel of a mono or joint stereo frame (see UndoGainChange)
    NotLayer3,       // nothing changed: no Layer III frame header (or a reserved version)
    TooShort,        // nothing changed: the side information isn't all there
};

// The global_gain values of a Layer III frame: granule by granule, channel
// by channel (MPEG-1 stereo: gr0 ch0, gr0 ch1, gr1 ch0, gr1 ch1). Gives how
// many (1, 2 or 4), or 0 when there is no Layer III side information.
int ReadGlobalGains(const std::uint8_t* frame, std::size_t length, std::uint8_t gains[4]);

// Undoes the recorded change on one frame in place: channel 0 gets `left`,
// channel 1 `right`; a mono frame gets `left` when both are equal. The tool
// applies different steps only to stereo and dual channel frames; for mono
// and joint stereo it refuses the change yet still records it, so unequal
// steps there are left alone (ChannelsDiffer). A protected frame gets its
// CRC written again, as the tool does, when the CRC found matched.
GainUndoResult UndoGainChange(std::uint8_t* frame, std::size_t length, const GainUndo& undo);

}  // namespace tw
