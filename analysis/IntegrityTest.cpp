#include "analysis/IntegrityTest.h"

#include <array>

#include "analysis/AudioFileInfo.h"
#include "analysis/AudioPosition.h"
#include "analysis/BitrateHistogram.h"
#include "analysis/FrameHeader.h"
#include "analysis/StreamMatcher.h"
#include "common/BufferedReader.h"
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
         std::int32_t fileIndex)
        : sink_(sink),
          options_(options),
          info_(info),
          reader_(reader),
          fileIndex_(fileIndex),
          firstOffset_(info.firstFrameOffset()),
          audioEnd_(info.audioEnd()),
          audioSize_(info.audioSize()),
          stream_(info.firstHeader()),
          firstBitrate_(info.firstHeader().bitrate()) {
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
        log(FrameSpan(1, prevStart_ + 1, audioEnd_) + " short by " + FT(prevLength_ - found) + " bytes" +
            ExpectedFound(prevLength_, found));
        return false;
    }

    void run() {
        std::int64_t pos = prevStart_ + prevLength_;
        sink_.clearCancelRequest();
        std::uint8_t bytes[4];
        StreamMatcher::Frame header;
        for (;;) {
            if (pos == audioEnd_)
                return;
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
        log(std::string());
        if (sink_.cancelRequested()) {
            log(CancelledText);
            return;
        }
        if (!hadProblem_)
            log(NoErrorsText);
        log("Summary: " + FT(frame_) + " total frames processed (" + FT(padded_) + " padded, " + FT(unpadded_) +
            " unpadded)." + (variable_ ? "  Bitrate is VARIABLE." : "  Bitrate is constant."));
        if (variable_ && options_.includeBitrateSummary)
            histogram_.writeSummary(sink_, fileIndex_);
    }

    bool hadProblem() const { return hadProblem_; }

private:
    void log(const std::string& text) { sink_.appendLine(text, fileIndex_); }

    void lastFrameTooLong() {
        const std::int64_t found = audioEnd_ - prevStart_;
        hadProblem_ = true;
        log(std::string());
        log(LastTooLongText);
        log(FrameSpan(frame_, prevStart_ + 1, audioEnd_) + " long by " + FT(found - prevLength_) + " bytes" +
            ExpectedFound(prevLength_, found) + ".");
    }

    void lastFrameTruncated() {
        const std::int64_t found = audioEnd_ - prevStart_;
        hadProblem_ = true;
        log(std::string());
        log(LastTruncatedText);
        log(FrameSpan(frame_, prevStart_ + 1, audioEnd_) + " short by " + FT(prevLength_ - found) + " bytes" +
            ExpectedFound(prevLength_, found) + ".");
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
            log(tried < maxResync
                    ? std::string(ResyncEofText)
                    : "Resync failed (no matching frame header found within " + FT(maxResync) + " bytes).");
            return -1;
        }
        const std::int64_t actual = p - prevStart_;
        const bool isLong = actual > prevLength_;
        const std::int64_t diff = isLong ? actual - prevLength_ : prevLength_ - actual;
        log("Resync successful - Frame header " + FT(frame_ + 1) + " found at byte " + FT(p + 1) + ".");
        log(FrameSpan(frame_, prevStart_ + 1, p) + (isLong ? " long by " : " short by ") + FT(diff) + " bytes" +
            ExpectedFound(prevLength_, actual) + ".");
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
    const std::int64_t firstOffset_;
    const std::int64_t audioEnd_;
    const std::int64_t audioSize_;
    const StreamMatcher stream_;
    const std::int32_t firstBitrate_;

    std::int64_t frame_ = 1;  // frames accepted so far
    std::int64_t prevStart_ = 0;
    std::int64_t prevLength_ = 0;
    std::int64_t padded_ = 0;
    std::int64_t unpadded_ = 0;
    std::int64_t nextProgressAt_ = 0;
    bool hadProblem_ = false;
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

    std::unique_ptr<ReadableFile> file = fileSystem_.openForReading(info.filePath());
    if (!file) {
        sink_.setStatusText(OpenErrorStatus);
        sink_.appendLine(std::string(), NoFile);
        sink_.appendLine(UnableToOpenText, NoFile);
        return true;
    }
    BufferedReader reader(*file);
    Walk walk(sink_, options_, info, reader, fileIndex);
    if (!walk.firstFrameFits())
        return true;
    walk.run();
    file.reset();
    walk.writeSummary();
    sink_.setStatusText(std::string());
    sink_.setProgressPercent(0);
    return walk.hadProblem();
}

}  // namespace tw
