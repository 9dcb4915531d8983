// Where a byte of a file lies in its audio, as both walks report a sync
// error: the share of the audio up to and including the header there, and
// the approximate time it stands for. One rule for Test File and Test
// Directory.
#pragma once

#include <cstdint>

namespace tw {

class AudioFileInfo;

// A sync error in the last 1 % of the audio is only a warning.
constexpr std::int32_t WarningPercent = 99;

struct AudioPosition {
    std::int64_t relativeOffset = 0;  // from the first frame to the end of the header
    double percent = 0.0;             // of the audio, 0..100
    bool timeKnown = false;           // the file's length in time is known
    std::int32_t seconds = 0;         // approximate time, when known

    bool isNearEnd() const { return static_cast<std::int32_t>(percent) >= WarningPercent; }
};

// The position of a four-byte header that starts at byte `headerStart`.
// A record without audio (never one that scanned well) counts as the very end.
AudioPosition LocateInAudio(const AudioFileInfo& info, std::int64_t headerStart);

}  // namespace tw
