#include "analysis/IntegrityTest.h"

#include <array>

#include "analysis/AudioFileInfo.h"
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

}  // namespace

IntegrityTest::IntegrityTest(RunSink& sink, const IntegrityTestOptions& options)
    : IntegrityTest(sink, options, SystemFileSystem()) {}

IntegrityTest::IntegrityTest(RunSink& sink, const IntegrityTestOptions& options, FileSystem& fileSystem)
    : sink_(sink), options_(options), fileSystem_(fileSystem) {}

bool IntegrityTest::testFile(const AudioFileInfo& info) {
    RunSink& sink = sink_;
    sink.setStatusText(ProcessingStatus);
    const std::int32_t fileIndex = sink.addFile(info.filePath());
    BitrateHistogram histogram;
    auto log = [&](const std::string& text) { sink.appendLine(text, fileIndex); };

    log(ProcessingPrefix + info.filePath());

    std::unique_ptr<ReadableFile> file = fileSystem_.openForReading(info.filePath());
    if (!file) {
        sink.setStatusText(OpenErrorStatus);
        sink.appendLine(std::string(), NoFile);
        sink.appendLine(UnableToOpenText, NoFile);
        return true;
    }
    BufferedReader reader(*file);

    const FrameHeader& first = info.firstHeader();
    const std::int64_t firstOffset = info.firstFrameOffset();
    const std::int64_t audioEnd = info.audioEnd();
    const std::int64_t audioSize = info.audioSize();
    const std::int32_t maxResync = options_.maxResync;

    std::int64_t frame = 1;
    std::int64_t nextFrame = 2;
    std::int64_t prevStart = firstOffset;
    std::int64_t prevLength = first.frameLength();
    std::int64_t padded = first.isPadded() ? 1 : 0;
    std::int64_t unpadded = first.isPadded() ? 0 : 1;
    bool hadProblem = false;
    bool variable = false;
    if (!info.hasVbrHeader())
        histogram.add(first.bitrate());

    if (prevStart + prevLength > audioEnd) {
        const std::int64_t found = audioEnd - prevStart;
        sink.setStatusText(DoneStatus);
        sink.appendLine(std::string(), NoFile);
        log(FirstFrameEofText);
        // This one line has no full stop.
        log(FrameSpan(1, prevStart + 1, audioEnd) + " short by " + FT(prevLength - found) + " bytes" +
            ExpectedFound(prevLength, found));
        return true;
    }

    std::int64_t pos = prevStart + prevLength;
    std::int64_t nextProgressAt = 0;
    sink.clearCancelRequest();
    const StreamMatcher stream(first);
    StreamMatcher::Frame header;
    // Frames per bit-rate index, folded into the histogram at the end: the
    // walk counts every frame and this keeps that to one increment.
    std::array<std::int32_t, 16> framesPerIndex{};
    std::array<std::int32_t, 16> bitrateOfIndex{};
    const std::int32_t firstBitrate = first.bitrate();
    std::uint8_t bytes[4];

    for (;;) {
        if (pos == audioEnd)
            break;
        if (pos + 4 > audioEnd) {
            const std::int64_t found = audioEnd - prevStart;
            hadProblem = true;
            log(std::string());
            log(LastTooLongText);
            log(FrameSpan(frame, prevStart + 1, audioEnd) + " long by " + FT(found - prevLength) + " bytes" +
                ExpectedFound(prevLength, found) + ".");
            break;
        }

        std::int64_t headerAt = pos;
        const std::uint8_t* at = reader.at4(pos, bytes);
        bool good = at != nullptr && stream.match(at, header);
        if (!good) {
            // Sync error: report it, then look for the stream again.
            hadProblem = true;
            const std::int64_t rel = pos + 4 - firstOffset;
            const double pct = static_cast<double>(rel) * 100.0 / static_cast<double>(audioSize);
            std::string line = static_cast<std::int64_t>(pct) < 99 ? "Error:" : "Warning:";
            line += " Sync error reading frame header " + FT(nextFrame) + " expected at byte " + FT(pos + 1) + ".";
            if (info.estimatedSeconds() != -1.0) {
                const std::int32_t secs =
                    RoundToInt(static_cast<double>(rel) * info.estimatedSeconds() / static_cast<double>(audioSize));
                line += "  Approx. time: " + FormatText("%d:%02d (%0.1f%% through audio).", secs / 60, secs % 60, pct);
            } else {
                line += FormatText("  Approx. %0.1f%% through audio (unknown time index).", pct);
            }
            log(std::string());
            log(line);
            log("Previous valid frame header located at byte " + FT(prevStart + 1) + ".");

            // The search starts just after the previous header, so it also
            // finds a header that stands earlier than expected.
            std::int64_t p = prevStart + 4;
            std::int64_t tried = 0;
            bool resynced = false;
            bool cancelled = false;
            while (p + 4 <= audioEnd && tried < maxResync) {
                const std::uint8_t* candidate = reader.at4(p, bytes);
                if (candidate != nullptr && stream.match(candidate, header)) {
                    resynced = true;
                    break;
                }
                sink.pumpPendingMessages();
                if (sink.cancelRequested()) {
                    cancelled = true;
                    break;
                }
                ++p;
                ++tried;
            }
            if (cancelled)
                break;
            if (!resynced) {
                log(tried < maxResync
                        ? std::string(ResyncEofText)
                        : "Resync failed (no matching frame header found within " + FT(maxResync) + " bytes).");
                break;
            }
            const std::int64_t actual = p - prevStart;
            const bool isLong = actual > prevLength;
            const std::int64_t diff = isLong ? actual - prevLength : prevLength - actual;
            log("Resync successful - Frame header " + FT(nextFrame) + " found at byte " + FT(p + 1) + ".");
            log(FrameSpan(frame, prevStart + 1, p) + (isLong ? " long by " : " short by ") + FT(diff) + " bytes" +
                ExpectedFound(prevLength, actual) + ".");
            headerAt = p;
        }

        // Accept the header.
        ++frame;
        ++nextFrame;
        if (header.bitrate != firstBitrate)
            variable = true;
        if (header.padded)
            ++padded;
        else
            ++unpadded;
        ++framesPerIndex[header.bitrateIndex];
        bitrateOfIndex[header.bitrateIndex] = header.bitrate;
        prevStart = headerAt;
        prevLength = header.length;

        if (prevStart + prevLength > audioEnd) {
            const std::int64_t found = audioEnd - prevStart;
            hadProblem = true;
            log(std::string());
            log(LastTruncatedText);
            log(FrameSpan(frame, prevStart + 1, audioEnd) + " short by " + FT(prevLength - found) + " bytes" +
                ExpectedFound(prevLength, found) + ".");
            break;
        }

        pos = prevStart + prevLength;
        if (pos >= nextProgressAt) {
            // The bar moves in whole percents: the next change can't come
            // before (percent + 0.5) % of the audio, so skip the work till then.
            const std::int32_t percent =
                RoundToInt(static_cast<double>(pos - firstOffset) * 100.0 / static_cast<double>(audioSize));
            sink.setProgressPercent(percent);
            nextProgressAt =
                firstOffset + static_cast<std::int64_t>((percent + 0.5) * static_cast<double>(audioSize) / 100.0) - 1;
        }
        sink.pumpPendingMessages();
        if (sink.cancelRequested())
            break;
    }

    file.reset();
    for (std::size_t i = 0; i < framesPerIndex.size(); ++i)
        if (framesPerIndex[i] != 0)
            histogram.add(bitrateOfIndex[i], framesPerIndex[i]);
    log(std::string());
    if (sink.cancelRequested()) {
        log(CancelledText);
    } else {
        if (!hadProblem)
            log(NoErrorsText);
        log("Summary: " + FT(frame) + " total frames processed (" + FT(padded) + " padded, " + FT(unpadded) +
            " unpadded)." + (variable ? "  Bitrate is VARIABLE." : "  Bitrate is constant."));
        if (variable && options_.includeBitrateSummary)
            histogram.writeSummary(sink, fileIndex);
    }
    sink.setStatusText(std::string());
    sink.setProgressPercent(0);
    return hadProblem;
}

}  // namespace tw
