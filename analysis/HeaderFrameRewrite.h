// The header frame of a repaired copy: the Xing/Info or VBRI record's
// counts and table of contents and the LAME extension's music length, music
// CRC and tag CRC, made to say what the copy holds.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/VbrHeader.h"

namespace tw {

// The audio of the copy, as the header frame must describe it.
struct CopiedAudio {
    std::int64_t headerAt = 0;              // the header frame's first byte in the copy
    std::int64_t bytes = 0;                 // from there to the end of the audio
    std::vector<std::int64_t> frameStarts;  // of the audio frames kept, in the copy
    std::uint16_t musicCrc = 0;             // over the frames kept
    bool musicChanged = false;              // frames or bytes inside the music were left out
};

struct RewrittenHeaderFrame {
    std::vector<std::uint8_t> bytes;  // empty: the header frame stays as it was
    bool musicCrcRecomputed = false;
};

RewrittenHeaderFrame RewriteHeaderFrame(const VbrHeaderLocation& where, const CopiedAudio& audio);

}  // namespace tw
