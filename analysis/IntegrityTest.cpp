#include "analysis/IntegrityTest.h"

#include <array>
#include <memory>

#include "analysis/AudioFileInfo.h"
#include "analysis/AudioPosition.h"
#include "analysis/BitrateHistogram.h"
#include "analysis/DeepCheck.h"
#include "analysis/FrameHeader.h"
#include "analysis/StreamMatcher.h"
#include "common/BufferedReader.h"
#include "common/Record.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "platform/Platform.h"

namespace tw {
namespace {

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
constexpr const char* DeepStoppedText =
    "Deep check: the walk stopped before the end of the audio; records not compared.";

std::string FT(std::int64_t n) {
    return FormatThousands(static_cast<std::int32_t>(n));
}

// "Frame 12 (bytes 4,589 - 5,005)"
std::string FrameSpan(std::int64_t frame, std::int64_t first, std::int64_t last) {
    return "Frame " + FT(frame) + " (bytes " + FT(first) + " - " + FT(last) + ")";
}

// " (expected 417 bytes, found 420 bytes)"
std::string ExpectedFound(std::int64_t expected, std::int64_t found) {
    return " (expected " + FT(expected) + " bytes, found " + FT(found) + " bytes)";
}

// The state of one Test File walk, with one method per finding. The loop in
// run() moves from header to header; each finding logs its lines and says
// whether the walk goes on.
class Walk {
public:
    Walk(RunSink& sink, const IntegrityTestOptions& options, const AudioFileInfo& info, BufferedReader& reader,
         std::int32_t fileIndex, DeepCheck* deep)
        : sink_(sink),
          options_(options),
          info_(info),
          reader_(reader),
          fileIndex_(fileIndex),
          deep_(deep),
          firstOffset_(info.firstFrameOffset()),
          audioEnd_(deep != nullptr ? deep->audioEnd() : info.audioEnd()),
          audioSize_(info.audioSize()),
          stream_(info.firstHeader()),
          firstBitrate_(info.firstHeader().bitrate()),
          records_(sink.records()) {
        const FrameHeader& first = info.firstHeader();
        prevStart_ = firstOffset_;
        prevLength_ = first.frameLength();
        (first.isPadded() ? padded_ : unpadded_) = 1;
        if (!info.hasVbrHeader())
            histogram_.add(first.bitrate());
    }

    // False when the first frame runs past the audio: then nothing else is
    // written, not even a summary.
    bool firstFrameFits() {
        if (prevStart_ + prevLength_ <= audioEnd_)
            return true;
        const std::int64_t found = audioEnd_ - prevStart_;
        sink_.setStatusText(DoneStatus);
        sink_.appendLine(std::string(), NoFile);
        log(FirstFrameEofText);
        // This one line has no full stop.
        const std::string span = FrameSpan(1, prevStart_ + 1, audioEnd_) + " short by " + FT(prevLength_ - found) +
                                 " bytes" + ExpectedFound(prevLength_, found);
        log(span);
        frameEvent("first_frame_truncated", "error", 1, prevStart_, audioEnd_, prevLength_, found, span);
        return false;
    }

    void run() {
        std::int64_t pos = prevStart_ + prevLength_;
        sink_.clearCancelRequest();
        if (deep_ != nullptr)
            deep_->frame(1, prevStart_, prevLength_);
        std::uint8_t bytes[4];
        StreamMatcher::Frame header;
        for (;;) {
            if (pos == audioEnd_) {
                reachedEnd_ = true;
                return;
            }
            if (pos + 4 > audioEnd_) {
                lastFrameTooLong();
                return;
            }
            std::int64_t headerAt = pos;
            const std::uint8_t* at = reader_.at4(pos, bytes);
            if (at == nullptr || !stream_.match(at, header)) {
                headerAt = syncError(pos, header);
                if (headerAt < 0)
                    return;
            }
            accept(headerAt, header);
            if (deep_ != nullptr)
                deep_->frame(frame_, prevStart_, prevLength_);
            if (prevStart_ + prevLength_ > audioEnd_) {
                lastFrameTruncated();
                return;
            }
            pos = prevStart_ + prevLength_;
            moveProgress(pos);
            sink_.pumpPendingMessages();
            if (sink_.cancelRequested())
                return;
        }
    }

    void writeSummary() {
        for (std::size_t i = 0; i < framesPerIndex_.size(); ++i)
            if (framesPerIndex_[i] != 0)
                histogram_.add(bitrateOfIndex_[i], framesPerIndex_[i]);
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
            writeDeepCheck();
        log(std::string());
        if (!hadProblem_)
            log(NoErrorsText);
        log("Summary: " + FT(frame_) + " total frames processed (" + FT(padded_) + " padded, " + FT(unpadded_) +
            " unpadded)." + (variable_ ? "  Bitrate is VARIABLE." : "  Bitrate is constant."));
        if (variable_ && options_.includeBitrateSummary)
            histogram_.writeSummary(sink_, fileIndex_);
        if (records_ != nullptr)
            records_->record(summaryRecord());
    }

    Record summaryRecord() const {
        Record r("summary");
        r.add("path", info_.filePath()).add("frames", frame_).add("padded", padded_).add("unpadded", unpadded_);
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
        if (deep_ != nullptr)
            r.add("deep_check", reachedEnd_ ? deep_->closingLine() : std::string(DeepStoppedText));
        return r;
    }

    bool hadProblem() const { return hadProblem_; }

private:
    // A record of one finding about frame `frame` spanning [start, end).
    void frameEvent(const char* event, const char* level, std::int64_t frame, std::int64_t start, std::int64_t end,
                    std::int64_t expected, std::int64_t found, const std::string& message) {
        if (records_ == nullptr)
            return;
        Record r("event");
        r.add("event", event).add("level", level).add("frame", frame).add("offset", start).add("end", end);
        r.add("expected_bytes", expected).add("found_bytes", found).add("message", message);
        records_->record(r);
    }

    // The deep check's lines come after the walk's own: the tags that end
    // the audio, a pair per finding, and what was verified.
    void writeDeepCheck() {
        for (const std::string& line : deep_->tagLines()) {
            log(std::string());
            log(line);
            if (records_ != nullptr) {
                Record r("event");
                records_->record(r.add("event", "trailing_tag").add("message", line));
            }
        }
        if (reachedEnd_)
            deep_->finish(frame_);
        for (const DeepFinding& finding : deep_->findings()) {
            hadProblem_ = true;
            log(std::string());
            log(finding.headline);
            log(finding.detail);
            if (records_ != nullptr) {
                Record r("event");
                r.add("event", "deep_check").add("level", finding.isError ? "error" : "warning");
                records_->record(r.add("message", finding.headline).add("detail", finding.detail));
            }
        }
        if (!deep_->gainLine().empty()) {
            log(std::string());
            log(deep_->gainLine());
        }
        log(std::string());
        log(reachedEnd_ ? deep_->closingLine() : std::string(DeepStoppedText));
    }

    void log(const std::string& text) { sink_.appendLine(text, fileIndex_); }

    void lastFrameTooLong() {
        const std::int64_t found = audioEnd_ - prevStart_;
        hadProblem_ = true;
        reachedEnd_ = true;
        log(std::string());
        log(LastTooLongText);
        const std::string span = FrameSpan(frame_, prevStart_ + 1, audioEnd_) + " long by " + FT(found - prevLength_) +
                                 " bytes" + ExpectedFound(prevLength_, found) + ".";
        log(span);
        frameEvent("last_frame_too_long", "warning", frame_, prevStart_, audioEnd_, prevLength_, found, span);
    }

    void lastFrameTruncated() {
        const std::int64_t found = audioEnd_ - prevStart_;
        hadProblem_ = true;
        reachedEnd_ = true;
        log(std::string());
        log(LastTruncatedText);
        const std::string span = FrameSpan(frame_, prevStart_ + 1, audioEnd_) + " short by " + FT(prevLength_ - found) +
                                 " bytes" + ExpectedFound(prevLength_, found) + ".";
        log(span);
        frameEvent("last_frame_truncated", "warning", frame_, prevStart_, audioEnd_, prevLength_, found, span);
    }

    // A header that doesn't belong at `pos`: reports it, then looks for the
    // stream again. Gives the position of the header found (with `header`
    // filled), or -1 when the walk ends here.
    std::int64_t syncError(std::int64_t pos, StreamMatcher::Frame& header) {
        hadProblem_ = true;
        const AudioPosition at = LocateInAudio(info_, pos);
        std::string line = at.isNearEnd() ? "Warning:" : "Error:";
        line += " Sync error reading frame header " + FT(frame_ + 1) + " expected at byte " + FT(pos + 1) + ".";
        if (at.timeKnown)
            line += "  Approx. time: " +
                    FormatText("%d:%02d (%0.1f%% through audio).", at.seconds / 60, at.seconds % 60, at.percent);
        else
            line += FormatText("  Approx. %0.1f%% through audio (unknown time index).", at.percent);
        log(std::string());
        log(line);
        log("Previous valid frame header located at byte " + FT(prevStart_ + 1) + ".");
        if (records_ != nullptr) {
            Record r("event");
            r.add("event", "sync_error").add("level", at.isNearEnd() ? "warning" : "error").add("frame", frame_ + 1);
            r.add("offset", pos).add("previous_offset", prevStart_).add("percent", at.percent);
            r.add("time_seconds", at.timeKnown ? Value(at.seconds) : Value()).add("message", line);
            records_->record(r);
        }

        // The search starts just after the previous header, so it also
        // finds a header that stands earlier than expected.
        std::uint8_t bytes[4];
        std::int64_t p = prevStart_ + 4;
        std::int64_t tried = 0;
        const std::int32_t maxResync = options_.maxResync;
        while (p + 4 <= audioEnd_ && tried < maxResync) {
            const std::uint8_t* candidate = reader_.at4(p, bytes);
            if (candidate != nullptr && stream_.match(candidate, header))
                break;
            sink_.pumpPendingMessages();
            if (sink_.cancelRequested())
                return -1;
            ++p;
            ++tried;
        }
        if (p + 4 > audioEnd_ || tried >= maxResync) {
            const std::string failed = tried < maxResync ? std::string(ResyncEofText)
                                                         : "Resync failed (no matching frame header found within " +
                                                               FT(maxResync) + " bytes).";
            log(failed);
            if (records_ != nullptr) {
                Record r("event");
                r.add("event", "resync_failed").add("reason", tried < maxResync ? "end_of_file" : "limit");
                r.add("message", failed);
                records_->record(r);
            }
            return -1;
        }
        const std::int64_t actual = p - prevStart_;
        const bool isLong = actual > prevLength_;
        const std::int64_t diff = isLong ? actual - prevLength_ : prevLength_ - actual;
        const std::string found =
            "Resync successful - Frame header " + FT(frame_ + 1) + " found at byte " + FT(p + 1) + ".";
        const std::string span = FrameSpan(frame_, prevStart_ + 1, p) + (isLong ? " long by " : " short by ") +
                                 FT(diff) + " bytes" + ExpectedFound(prevLength_, actual) + ".";
        log(found);
        log(span);
        if (records_ != nullptr) {
            Record r("event");
            r.add("event", "resync").add("frame", frame_ + 1).add("offset", p).add("message", found);
            records_->record(r);
        }
        frameEvent(isLong ? "long_frame" : "short_frame", "error", frame_, prevStart_, p, prevLength_, actual, span);
        return p;
    }

    void accept(std::int64_t headerAt, const StreamMatcher::Frame& header) {
        ++frame_;
        if (header.bitrate != firstBitrate_)
            variable_ = true;
        if (header.padded)
            ++padded_;
        else
            ++unpadded_;
        ++framesPerIndex_[header.bitrateIndex];
        bitrateOfIndex_[header.bitrateIndex] = header.bitrate;
        prevStart_ = headerAt;
        prevLength_ = header.length;
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
    BufferedReader& reader_;
    const std::int32_t fileIndex_;
    DeepCheck* const deep_;
    const std::int64_t firstOffset_;
    const std::int64_t audioEnd_;
    const std::int64_t audioSize_;
    const StreamMatcher stream_;
    const std::int32_t firstBitrate_;
    RecordSink* const records_;  // nullptr: nobody wants records

    std::int64_t frame_ = 1;  // frames accepted so far
    std::int64_t prevStart_ = 0;
    std::int64_t prevLength_ = 0;
    std::int64_t padded_ = 0;
    std::int64_t unpadded_ = 0;
    std::int64_t nextProgressAt_ = 0;
    bool hadProblem_ = false;
    bool reachedEnd_ = false;  // the walk went through to the end of the audio
    bool variable_ = false;
    // Frames per bit-rate index, folded into the histogram at the end: the
    // walk counts every frame and this keeps that to one increment.
    std::array<std::int32_t, 16> framesPerIndex_{};
    std::array<std::int32_t, 16> bitrateOfIndex_{};
    BitrateHistogram histogram_;
};

}  // namespace

IntegrityTest::IntegrityTest(RunSink& sink, const IntegrityTestOptions& options)
    : IntegrityTest(sink, options, SystemFileSystem()) {}

IntegrityTest::IntegrityTest(RunSink& sink, const IntegrityTestOptions& options, FileSystem& fileSystem)
    : sink_(sink), options_(options), fileSystem_(fileSystem) {}

bool IntegrityTest::testFile(const AudioFileInfo& info) {
    sink_.setStatusText(ProcessingStatus);
    const std::int32_t fileIndex = sink_.addFile(info.filePath());
    sink_.appendLine(ProcessingPrefix + info.filePath(), fileIndex);
    if (RecordSink* records = sink_.records()) {
        Record r("test");
        records->record(r.add("path", info.filePath()).add("deep_check", options_.deepCheck));
    }

    std::unique_ptr<ReadableFile> file = fileSystem_.openForReading(info.filePath());
    if (!file) {
        sink_.setStatusText(OpenErrorStatus);
        sink_.appendLine(std::string(), NoFile);
        sink_.appendLine(UnableToOpenText, NoFile);
        if (RecordSink* records = sink_.records()) {
            Record r("event");
            records->record(r.add("event", "unreadable").add("level", "error").add("message", UnableToOpenText));
        }
        return true;
    }
    BufferedReader reader(*file);
    std::unique_ptr<DeepCheck> deep;
    if (options_.deepCheck)
        deep = std::make_unique<DeepCheck>(info, reader);
    Walk walk(sink_, options_, info, reader, fileIndex, deep.get());
    if (!walk.firstFrameFits())
        return true;
    walk.run();
    walk.writeSummary();
    deep.reset();
    file.reset();
    sink_.setStatusText(std::string());
    sink_.setProgressPercent(0);
    return walk.hadProblem();
}

}  // namespace tw
