#include "analysis/FirstProblem.h"

#include "analysis/AudioFileInfo.h"
#include "analysis/AudioPosition.h"
#include "analysis/DeepCheck.h"
#include "analysis/FrameHeader.h"
#include "analysis/StreamMatcher.h"
#include "common/BufferedReader.h"
#include "common/RunSink.h"
#include "common/Text.h"

namespace tw {
namespace {

constexpr const char* FirstFrameTruncatedText = "Error: First audio frame truncated.";
constexpr const char* LastFrameTooLongText = "Warning: Last audio frame too long";
constexpr const char* LastFrameTruncatedText = "Warning: Last audio frame truncated.";
constexpr const char* SyncErrorPrefix = "Error:";
constexpr const char* SyncWarningPrefix = "Warning:";

std::string SyncErrorText(const char* prefix, const AudioPosition& at) {
    const auto percent = static_cast<std::int32_t>(at.percent);
    if (!at.timeKnown)
        return std::string(prefix) + " First sync error approx." +
               FormatText(" %d%% through audio (unknown time index).", percent);
    return std::string(prefix) + " First sync error at approx." +
           FormatText(" %d:%02d (%d%% through audio).", at.seconds / 60, at.seconds % 60, percent);
}

// The finding for a header at `headerStart` that doesn't decode or belongs
// to another stream; none when ignoreEofErrors lets it pass.
std::optional<std::string> SyncError(std::int64_t headerStart, const AudioFileInfo& info, bool ignoreEofErrors) {
    // The walk only reads inside the audio, so the share is 0..100.
    const AudioPosition at = LocateInAudio(info, headerStart);
    if (!at.isNearEnd())
        return SyncErrorText(SyncErrorPrefix, at);
    if (ignoreEofErrors)
        return std::nullopt;
    return SyncErrorText(SyncWarningPrefix, at);
}

}  // namespace

namespace {

// The walk itself; `frames` counts the frames it accepted. `walkedThrough`
// tells that it reached the end of the audio (found something there or not).
std::optional<std::string> Walk(BufferedReader& file, const AudioFileInfo& info, bool ignoreEofErrors, RunSink* sink,
                                DeepCheck* deep, std::int64_t& frames, bool& walkedThrough) {
    const FrameHeader& first = info.firstHeader();
    const std::int64_t audioEnd = deep != nullptr ? deep->audioEnd() : info.audioEnd();
    // 64-bit positions: no sum of hostile offsets and lengths can wrap.
    std::int64_t position = static_cast<std::int64_t>(info.firstFrameOffset()) + first.frameLength();
    if (position > audioEnd)
        return FirstFrameTruncatedText;
    frames = 1;
    if (deep != nullptr && !deep->frame(1, info.firstFrameOffset(), first.frameLength()))
        return deep->findings().back().headline;

    const StreamMatcher stream(first);
    StreamMatcher::Frame header;
    walkedThrough = true;
    for (;;) {
        if (position == audioEnd)
            return std::nullopt;
        if (position + 4 > audioEnd) {
            if (ignoreEofErrors)
                return std::nullopt;
            return LastFrameTooLongText;
        }
        std::uint8_t scratch[4];
        // A short read is a header that does not decode.
        const std::uint8_t* bytes = file.at4(position, scratch);
        bool valid = bytes != nullptr && stream.match(bytes, header);
        if (!valid) {
            walkedThrough = false;
            return SyncError(position, info, ignoreEofErrors);
        }
        ++frames;
        if (deep != nullptr && !deep->frame(frames, position, header.length))
            return deep->findings().back().headline;
        std::int64_t next = position + header.length;
        if (next > audioEnd) {
            if (ignoreEofErrors)
                return std::nullopt;
            return LastFrameTruncatedText;
        }
        position = next;
        if (sink == nullptr)
            continue;
        sink->pumpPendingMessages();
        if (sink->cancelRequested()) {
            walkedThrough = false;
            return std::nullopt;
        }
    }
}

}  // namespace

std::optional<std::string> FirstProblem(BufferedReader& file, const AudioFileInfo& info, bool ignoreEofErrors,
                                        RunSink* sink, DeepCheck* deep) {
    std::int64_t frames = 0;
    bool walkedThrough = false;
    std::optional<std::string> found = Walk(file, info, ignoreEofErrors, sink, deep, frames, walkedThrough);
    if (found || deep == nullptr || !walkedThrough)
        return found;
    deep->finish(frames);
    if (deep->findings().empty())
        return std::nullopt;
    return deep->findings().front().headline;
}

}  // namespace tw
