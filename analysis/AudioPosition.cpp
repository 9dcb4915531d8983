#include "analysis/AudioPosition.h"

#include "analysis/AudioFileInfo.h"
#include "common/Text.h"

namespace tw {

AudioPosition LocateInAudio(const AudioFileInfo& info, std::int64_t headerStart) {
    AudioPosition at;
    at.relativeOffset = headerStart + 4 - info.firstFrameOffset();
    const auto audioSize = static_cast<double>(info.audioSize());
    at.percent = info.audioSize() > 0 ? static_cast<double>(at.relativeOffset) * 100.0 / audioSize : 100.0;
    at.timeKnown = info.estimatedSeconds() != -1.0;
    if (at.timeKnown)
        at.seconds = RoundToInt(static_cast<double>(at.relativeOffset) * info.estimatedSeconds() / audioSize);
    return at;
}

}  // namespace tw
