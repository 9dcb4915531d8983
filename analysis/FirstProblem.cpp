#include "analysis/FirstProblem.h"

#include "analysis/AudioFileInfo.h"
#include "analysis/AudioPosition.h"
#include "analysis/DeepCheck.h"
#include "analysis/FrameWalk.h"
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

// Keeps the first problem and ends the walk there.
class FirstProblemListener final : public WalkListener {
public:
    FirstProblemListener(const AudioFileInfo& info, bool ignoreEofErrors, RunSink* sink, DeepCheck* deep)
        : info_(info), ignoreEofErrors_(ignoreEofErrors), sink_(sink), deep_(deep) {}

    bool frame(const WalkedFrame& frame) override {
        if (deep_ == nullptr || deep_->frame(frame))
            return true;
        problem = deep_->findings().back().headline;
        return false;
    }
    void firstFrameTruncated(const WalkedFrame&, std::int64_t) override { problem = FirstFrameTruncatedText; }
    void lastFrameTooLong(const WalkedFrame&, std::int64_t) override { atEnd(LastFrameTooLongText); }
    void lastFrameTruncated(const WalkedFrame&, std::int64_t) override { atEnd(LastFrameTruncatedText); }
    bool syncError(std::int64_t position, const WalkedFrame&) override {
        // The walk only reads inside the audio, so the share is 0..100.
        const AudioPosition at = LocateInAudio(info_, position);
        if (!at.isNearEnd())
            problem = SyncErrorText(SyncErrorPrefix, at);
        else if (!ignoreEofErrors_)
            problem = SyncErrorText(SyncWarningPrefix, at);
        return false;
    }
    void resynced(std::int64_t, const WalkedFrame&) override {}
    void resyncFailed(bool) override {}
    void audio(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) override {
        if (deep_ != nullptr)
            deep_->audio(offset, bytes, size);
    }
    bool keepGoing() override { return LetEventsThrough(sink_); }
    bool keepSearching() override { return keepGoing(); }

    std::optional<std::string> problem;

private:
    void atEnd(const char* text) {
        if (!ignoreEofErrors_)
            problem = text;
    }

    const AudioFileInfo& info_;
    const bool ignoreEofErrors_;
    RunSink* const sink_;
    DeepCheck* const deep_;
};

}  // namespace

std::optional<std::string> FirstProblem(BufferedReader& file, const AudioFileInfo& info, bool ignoreEofErrors,
                                        RunSink* sink, DeepCheck* deep) {
    FirstProblemListener listener(info, ignoreEofErrors, sink, deep);
    WalkRules rules;
    rules.audioEnd = deep != nullptr ? deep->audioEnd() : info.audioEnd();
    rules.frameBytes = deep != nullptr;
    const WalkResult walk = WalkFrames(file, info, rules, listener);
    if (listener.problem || deep == nullptr || walk.end == WalkEnd::Cancelled)
        return listener.problem;
    // A walk that ends at a sync error in the tail, which passes here, still
    // shows the records what it saw: a file cut or changed there is found.
    deep->finish(walk);
    if (const DeepFinding* problem = deep->firstProblem())
        return problem->headline;
    return std::nullopt;
}

}  // namespace tw
