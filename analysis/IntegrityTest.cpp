// Test File: the frame walk of one file that logs every finding, then a
// summary and, for a variable bit rate, the bitrate summary.
#include "analysis/IntegrityTest.h"

#include <array>
#include <memory>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/AudioPosition.h"
#include "analysis/BitrateHistogram.h"
#include "analysis/DeepCheck.h"
#include "analysis/FrameWalk.h"
#include "common/BufferedReader.h"
#include "common/ByteOrder.h"
#include "common/Record.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "platform/Platform.h"

namespace tw {
namespace {

// The bit rate a frame of the stream of `first` has at bit-rate index
// `index`: the stream shares version and layer, which the table needs.
std::int32_t BitrateOfIndex(const FrameHeader& first, std::size_t index) {
    std::uint8_t bytes[4];
    PutBigEndian32(bytes, (first.word() & ~FrameHeader::BitrateMask) | static_cast<std::uint32_t>(index) << 12);
    FrameHeader header;
    return header.decode(bytes) ? header.bitrate() : -1;
}

constexpr const char* ProcessingStatus = "Processing...";
constexpr const char* DoneStatus = "Done Processing";
constexpr const char* OpenErrorStatus = "File Open Error";
constexpr const char* ProcessingPrefix = "Processing: ";
constexpr const char* UnableToOpenText = "Error: Unable to open file.";
constexpr const char* FirstFrameEofText = "Error: End of file encountered in first audio frame.";
constexpr const char* LastTooLongText = "Warning: Last audio frame too long.";
constexpr const char* LastTruncatedText = "Warning: Last audio frame truncated.";
constexpr const char* ResyncEofText = "Resync failed (reached end of file).";
constexpr const char* CancelledText = "Processing cancelled by user.";
constexpr const char* NoErrorsText = "No errors found.";

// "Frame 12 (bytes 4,589 - 5,005)"
std::string FrameSpan(std::int64_t frame, std::int64_t first, std::int64_t last) {
    return "Frame " + FormatThousands(frame) + " (bytes " + FormatThousands(first) + " - " + FormatThousands(last) +
           ")";
}

// "Frame 12 (bytes 4,589 - 5,005) short by 3 bytes (expected 417 bytes, found 414 bytes)"
std::string FrameLengthText(std::int64_t frame, std::int64_t start, std::int64_t end, std::int64_t expected,
                            std::int64_t found) {
    const bool isLong = found > expected;
    return FrameSpan(frame, start + 1, end) + (isLong ? " long by " : " short by ") +
           FormatThousands(isLong ? found - expected : expected - found) + " bytes (expected " +
           FormatThousands(expected) + " bytes, found " + FormatThousands(found) + " bytes)";
}

// One finding as the log shows it and as a record: its lines go to the log,
// and its record (built only for a front end that wants records) takes one
// of them as its message.
struct Finding {
    const char* event;
    const char* level;  // nullptr: the record has none
    std::vector<std::string> lines;
    std::size_t message;  // the line that is the record's message
    std::vector<std::pair<const char*, Value>> fields;
};

// Test File's side of the walk: one method per finding, the counts for the
// summary, and the progress bar.
class TestFileListener final : public WalkListener {
public:
    TestFileListener(RunSink& sink, const IntegrityTestOptions& options, const AudioFileInfo& info,
                     std::int32_t fileIndex, DeepCheck* deep)
        : sink_(sink),
          options_(options),
          info_(info),
          fileIndex_(fileIndex),
          deep_(deep),
          firstOffset_(info.firstFrameOffset()),
          audioSize_(info.audioSize()),
          firstBitrate_(info.firstHeader().bitrate()),
          records_(sink.records()) {}

    bool frame(const WalkedFrame& frame) override {
        if (frame.number == 1) {
            firstPadded_ = frame.facts.padded;
            (frame.facts.padded ? padded_ : unpadded_) = 1;
            if (!info_.hasVbrHeader())
                histogram_.add(frame.facts.bitrate);
            // The walk proper starts here, and with it the run's own work.
            sink_.clearCancelRequest();
        } else {
            // Counts only, per frame: the summary works out the rest.
            padded_ += frame.facts.padded ? 1 : 0;
            ++framesPerIndex_[frame.facts.bitrateIndex];
        }
        frames_ = frame.number;
        lastEnd_ = frame.end();
        if (deep_ != nullptr)
            deep_->frame(frame);
        return true;
    }

    // Nothing else is written then, not even a summary.
    void firstFrameTruncated(const WalkedFrame& first, std::int64_t found) override {
        sink_.setStatusText(DoneStatus);
        sink_.appendLine(std::string(), NoFile);
        // This one line has no full stop.
        const std::string span = FrameSpan(1, first.start + 1, first.start + found) + " short by " +
                                 FormatThousands(first.length - found) + " bytes (expected " +
                                 FormatThousands(first.length) + " bytes, found " + FormatThousands(found) + " bytes)";
        report({"first_frame_truncated", "error", {FirstFrameEofText, span}, 1, lengthFields(first, found)});
        truncatedFirst_ = true;
    }

    void lastFrameTooLong(const WalkedFrame& last, std::int64_t found) override {
        lastFrame("last_frame_too_long", LastTooLongText, last, found);
    }
    void lastFrameTruncated(const WalkedFrame& last, std::int64_t found) override {
        lastFrame("last_frame_truncated", LastTruncatedText, last, found);
    }

    bool syncError(std::int64_t position, const WalkedFrame& previous) override {
        hadProblem_ = true;
        const AudioPosition at = LocateInAudio(info_, position);
        std::string line = at.isNearEnd() ? "Warning:" : "Error:";
        line += " Sync error reading frame header " + FormatThousands(previous.number + 1) + " expected at byte " +
                FormatThousands(position + 1) + ".";
        if (at.timeKnown)
            line += "  Approx. time: " +
                    FormatText("%d:%02d (%0.1f%% through audio).", at.seconds / 60, at.seconds % 60, at.percent);
        else
            line += FormatText("  Approx. %0.1f%% through audio (unknown time index).", at.percent);
        report({"sync_error",
                at.isNearEnd() ? "warning" : "error",
                {std::string(), line,
                 "Previous valid frame header located at byte " + FormatThousands(previous.start + 1) + "."},
                1,
                {{"frame", previous.number + 1},
                 {"offset", position},
                 {"previous_offset", previous.start},
                 {"percent", at.percent},
                 {"time_seconds", at.timeKnown ? Value(at.seconds) : Value()}}});
        return true;
    }

    void resynced(std::int64_t position, const WalkedFrame& previous) override {
        const std::string found = "Resync successful - Frame header " + FormatThousands(previous.number + 1) +
                                  " found at byte " + FormatThousands(position + 1) + ".";
        report({"resync", nullptr, {found}, 0, {{"frame", previous.number + 1}, {"offset", position}}});
        const std::int64_t actual = position - previous.start;
        const std::string span =
            FrameLengthText(previous.number, previous.start, position, previous.length, actual) + ".";
        report({actual > previous.length ? "long_frame" : "short_frame",
                "error",
                {span},
                0,
                lengthFields(previous, actual)});
    }

    void resyncFailed(bool atEnd) override {
        const std::string failed = atEnd ? std::string(ResyncEofText)
                                         : "Resync failed (no matching frame header found within " +
                                               FormatThousands(options_.maxResync) + " bytes).";
        report({"resync_failed", nullptr, {failed}, 0, {{"reason", atEnd ? "end_of_file" : "limit"}}});
    }

    void audio(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) override {
        if (deep_ != nullptr)
            deep_->audio(offset, bytes, size);
    }
    bool keepGoing() override {
        moveProgress(lastEnd_);
        return keepSearching();
    }
    bool keepSearching() override { return LetEventsThrough(&sink_); }

    bool truncatedFirst() const { return truncatedFirst_; }
    bool hadProblem() const { return hadProblem_; }

    void writeSummary(const WalkResult& walk) {
        std::int64_t after = 0;  // frames after the first
        for (std::size_t i = 0; i < framesPerIndex_.size(); ++i) {
            if (framesPerIndex_[i] == 0)
                continue;
            const std::int32_t bitrate = BitrateOfIndex(info_.firstHeader(), i);
            variable_ = variable_ || bitrate != firstBitrate_;
            histogram_.add(bitrate, framesPerIndex_[i]);
            after += framesPerIndex_[i];
        }
        unpadded_ += after - (padded_ - (firstPadded_ ? 1 : 0));
        if (sink_.cancelRequested()) {
            log(std::string());
            log(CancelledText);
            if (records_ != nullptr) {
                Record r("summary");
                records_->record(r.add("path", info_.filePath()).add("cancelled", true));
            }
            return;
        }
        if (deep_ != nullptr)
            writeDeepCheck(walk);
        log(std::string());
        if (!hadProblem_)
            log(NoErrorsText);
        log("Summary: " + FormatThousands(frames_) + " total frames processed (" + FormatThousands(padded_) +
            " padded, " + FormatThousands(unpadded_) + " unpadded)." +
            (variable_ ? "  Bitrate is VARIABLE." : "  Bitrate is constant."));
        if (variable_ && options_.includeBitrateSummary)
            histogram_.writeSummary(sink_, fileIndex_);
        if (records_ != nullptr)
            records_->record(summaryRecord());
    }

private:
    void log(const std::string& text) { sink_.appendLine(text, fileIndex_); }

    void report(const Finding& finding) {
        for (const std::string& line : finding.lines)
            log(line);
        if (records_ == nullptr)
            return;
        Record r("event");
        r.add("event", finding.event);
        if (finding.level != nullptr)
            r.add("level", finding.level);
        for (const auto& field : finding.fields)
            r.add(field.first, field.second);
        records_->record(r.add("message", finding.lines[finding.message]));
    }

    // The numbers of a finding about the length of frame `frame`, of which
    // `found` bytes were there.
    static std::vector<std::pair<const char*, Value>> lengthFields(const WalkedFrame& frame, std::int64_t found) {
        return {{"frame", frame.number},
                {"offset", frame.start},
                {"end", frame.start + found},
                {"expected_length", frame.length},
                {"found_length", found}};
    }

    void lastFrame(const char* event, const char* headline, const WalkedFrame& last, std::int64_t found) {
        hadProblem_ = true;
        const std::string span = FrameLengthText(last.number, last.start, last.start + found, last.length, found) + ".";
        report({event, "warning", {std::string(), headline, span}, 2, lengthFields(last, found)});
    }

    // The deep check's lines come after the walk's own: the tags that end
    // the audio, a pair per finding (a line per note), and what was verified.
    void writeDeepCheck(const WalkResult& walk) {
        for (const std::string& line : deep_->tagLines())
            report({"trailing_tag", nullptr, {std::string(), line}, 1, {}});
        deep_->finish(walk);
        for (const DeepFinding& finding : deep_->findings()) {
            hadProblem_ = hadProblem_ || finding.isProblem();
            std::vector<std::pair<const char*, Value>> fields{{"code", finding.code}};
            fields.insert(fields.end(), finding.fields.begin(), finding.fields.end());
            if (!finding.detail.empty())
                fields.emplace_back("detail", finding.detail);
            std::vector<std::string> lines{std::string(), finding.headline};
            if (!finding.detail.empty())
                lines.push_back(finding.detail);
            report({"deep_check", finding.levelName(), std::move(lines), 1, std::move(fields)});
        }
        log(std::string());
        log(deep_->closingLine());
    }

    Record summaryRecord() const {
        Record r("summary");
        r.add("path", info_.filePath()).add("frames", frames_).add("padded", padded_).add("unpadded", unpadded_);
        r.add("bitrate", variable_ ? "variable" : "constant");
        std::vector<Value> buckets;
        for (int i = 0; i < histogram_.bucketCount(); ++i)
            if (histogram_.countAt(i) != 0 && BitrateHistogram::bitrateAt(i) > 0) {
                Record bucket;
                bucket.add("kbps", BitrateHistogram::bitrateAt(i) / 1000).add("frames", histogram_.countAt(i));
                buckets.push_back(bucket.toValue());
            }
        r.add("histogram", Value(std::move(buckets)));
        r.add("problems", hadProblem_);
        if (deep_ != nullptr) {
            std::vector<Value> codes;
            for (const DeepVerified& verified : deep_->verified())
                codes.emplace_back(verified.code);
            Record deep;
            deep.add("verified", Value(std::move(codes))).add("protected_frames", deep_->protectedFrames());
            r.add("deep_check", deep.add("message", deep_->closingLine()).toValue());
        }
        return r;
    }

    void moveProgress(std::int64_t pos) {
        if (pos < nextProgressAt_)
            return;
        // The bar moves in whole percents: the next change can't come before
        // (percent + 0.5) % of the audio, so skip the work till then.
        const auto size = static_cast<double>(audioSize_);
        const std::int32_t percent = RoundToInt(static_cast<double>(pos - firstOffset_) * 100.0 / size);
        sink_.setProgressPercent(percent);
        nextProgressAt_ = firstOffset_ + static_cast<std::int64_t>((percent + 0.5) * size / 100.0) - 1;
    }

    RunSink& sink_;
    const IntegrityTestOptions& options_;
    const AudioFileInfo& info_;
    const std::int32_t fileIndex_;
    DeepCheck* const deep_;
    const std::int64_t firstOffset_;
    const std::int64_t audioSize_;
    const std::int32_t firstBitrate_;
    RecordSink* const records_;  // nullptr: nobody wants records

    std::int64_t lastEnd_ = 0;  // where the last frame accepted ends
    std::int64_t frames_ = 1;
    std::int64_t padded_ = 0;
    std::int64_t unpadded_ = 0;
    std::int64_t nextProgressAt_ = 0;
    bool hadProblem_ = false;
    bool truncatedFirst_ = false;
    bool variable_ = false;
    bool firstPadded_ = false;
    // Frames per bit-rate index, folded into the histogram at the end: the
    // walk counts every frame and this keeps that to one increment.
    std::array<std::int32_t, 16> framesPerIndex_{};
    BitrateHistogram histogram_;
};

}  // namespace

IntegrityTest::IntegrityTest(RunSink& sink, const IntegrityTestOptions& options)
    : IntegrityTest(sink, options, SystemFileSystem()) {}

IntegrityTest::IntegrityTest(RunSink& sink, const IntegrityTestOptions& options, FileSystem& fileSystem)
    : sink_(sink), options_(options), fileSystem_(fileSystem) {}

std::int32_t IntegrityTest::begin(const AudioFileInfo& info) {
    sink_.setStatusText(ProcessingStatus);
    const std::int32_t fileIndex = sink_.addFile(info.filePath());
    sink_.appendLine(ProcessingPrefix + info.filePath(), fileIndex);
    if (RecordSink* records = sink_.records()) {
        Record r("test");
        records->record(r.add("path", info.filePath()).add("deep_check", options_.deepCheck));
    }
    return fileIndex;
}

bool IntegrityTest::testFile(const AudioFileInfo& info) {
    std::unique_ptr<ReadableFile> file = fileSystem_.openForReading(info.filePath());
    if (file) {
        BufferedReader reader(*file);
        return testFile(info, reader);
    }
    begin(info);
    sink_.setStatusText(OpenErrorStatus);
    sink_.appendLine(std::string(), NoFile);
    sink_.appendLine(UnableToOpenText, NoFile);
    if (RecordSink* records = sink_.records()) {
        Record r("event");
        records->record(r.add("event", "unreadable").add("level", "error").add("message", UnableToOpenText));
    }
    return true;
}

bool IntegrityTest::testFile(const AudioFileInfo& info, BufferedReader& reader) {
    const std::int32_t fileIndex = begin(info);
    std::unique_ptr<DeepCheck> deep;
    if (options_.deepCheck)
        deep = std::make_unique<DeepCheck>(info, reader);
    TestFileListener listener(sink_, options_, info, fileIndex, deep.get());
    WalkRules rules;
    rules.audioEnd = deep != nullptr ? deep->audioEnd() : info.audioEnd();
    rules.maxResync = options_.maxResync;
    rules.frameBytes = deep != nullptr;
    const WalkResult walk = WalkFrames(reader, info, rules, listener);
    if (listener.truncatedFirst())
        return true;
    listener.writeSummary(walk);
    sink_.setStatusText(std::string());
    sink_.setProgressPercent(0);
    return listener.hadProblem();
}

}  // namespace tw
