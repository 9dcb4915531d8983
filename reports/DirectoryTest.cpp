#include "reports/DirectoryTest.h"

#include <memory>

#include "analysis/AudioFileInfo.h"
#include "analysis/FrameHeader.h"
#include "analysis/StreamMatcher.h"
#include "common/BufferedReader.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "reports/DirectoryListing.h"
#include "settings/Settings.h"

namespace tw {

const char* const DirectoryTest::InvalidMoveFolderText =
    "Directory specified to move files with errors/warnings is invalid.  Please correct in Options screen.";
const char* const DirectoryTest::InvalidMoveFolderCaption = "Directory Error";

namespace {

// The texts of a directory test run.
constexpr const char* FindingSeparator = "  -  ";
constexpr const char* UnableToOpenText = "Error: Unable to  open file.";
constexpr const char* FirstFrameTruncatedText = "Error: First audio frame truncated.";
constexpr const char* LastFrameTooLongText = "Warning: Last audio frame too long";
constexpr const char* LastFrameTruncatedText = "Warning: Last audio frame truncated.";
constexpr const char* SyncErrorPrefix = "Error:";
constexpr const char* SyncWarningPrefix = "Warning:";
constexpr const char* CancelledText = "Processing cancelled by user.";
constexpr const char* FewerMovedText =
    "ERROR: Fewer files were moved than were found to have errors.  See previous portion of log for details.";
constexpr const char* MoveErrorPrefix = "Windows error message: ";

// A sync error in the last 1 % of the audio is only a warning.
constexpr std::int32_t WarningPercent = 99;

std::string SyncErrorText(const char* prefix, std::int32_t percent, std::int64_t relativeOffset,
                          const AudioFileInfo& info) {
    if (info.estimatedSeconds() == -1.0)
        return std::string(prefix) + " First sync error approx." +
               FormatText(" %d%% through audio (unknown time index).", percent);
    std::int32_t seconds = RoundToInt(static_cast<double>(relativeOffset) * info.estimatedSeconds() /
                                      static_cast<double>(info.audioSize()));
    return std::string(prefix) + " First sync error at approx." +
           FormatText(" %d:%02d (%d%% through audio).", seconds / 60, seconds % 60, percent);
}

std::string MoveFailedText(const std::string& from, const std::string& to) {
    return "ERROR: Unable to move file \"" + from + "\" to \"" + to + "\"";
}

std::string DoneText(std::int32_t problems, std::int32_t total) {
    return "Done processing.  Found errors/warnings in " + FormatThousands(problems) + " of " + FormatThousands(total) +
           " files tested.";
}

std::string MovedText(std::int32_t moved, const std::string& moveDirectory) {
    return FormatThousands(moved) + " files moved to directory \"" + moveDirectory + "\".";
}

// The finding for a header at `headerStart` that doesn't decode or belongs
// to another stream; none when ignoreEofErrors lets it pass.
std::optional<std::string> SyncError(std::int64_t headerStart, const AudioFileInfo& info, bool ignoreEofErrors) {
    std::int64_t relativeOffset = headerStart + 4 - info.firstFrameOffset();
    // The walk only reads inside the audio, so the share is 0..100; a record
    // without audio (never one that scanned well) counts as the very end.
    double share = info.audioSize() > 0
                       ? static_cast<double>(relativeOffset) * 100.0 / static_cast<double>(info.audioSize())
                       : 100.0;
    auto percent = static_cast<std::int32_t>(share);
    if (percent < WarningPercent)
        return SyncErrorText(SyncErrorPrefix, percent, relativeOffset, info);
    if (ignoreEofErrors)
        return std::nullopt;
    return SyncErrorText(SyncWarningPrefix, percent, relativeOffset, info);
}

}  // namespace

std::optional<std::string> FirstProblem(BufferedReader& file, const AudioFileInfo& info, bool ignoreEofErrors,
                                        RunSink* sink) {
    const FrameHeader& first = info.firstHeader();
    const std::int64_t audioEnd = info.audioEnd();
    // 64-bit positions: no sum of hostile offsets and lengths can wrap.
    std::int64_t position = static_cast<std::int64_t>(info.firstFrameOffset()) + first.frameLength();
    if (position > audioEnd)
        return FirstFrameTruncatedText;

    const StreamMatcher stream(first);
    StreamMatcher::Frame header;
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
        if (!valid)
            return SyncError(position, info, ignoreEofErrors);
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
        if (sink->cancelRequested())
            return std::nullopt;
    }
}

DirectoryTest::DirectoryTest(RunSink& sink, const Settings& settings, const std::string& testDirName)
    : DirectoryTest(sink, settings, testDirName, SystemFileSystem()) {}

DirectoryTest::DirectoryTest(RunSink& sink, const Settings& settings, const std::string& testDirName,
                             FileSystem& fileSystem)
    : sink_(sink), settings_(settings), testDirName_(testDirName), fileSystem_(fileSystem) {}

DirectoryTest::Result DirectoryTest::testDirectory() {
    Result result;
    const bool moveFiles = settings_.moveFiles;
    std::string moveDirectory;
    if (moveFiles) {
        if (settings_.moveFilesPath.empty() || !fileSystem_.directoryExists(settings_.moveFilesPath)) {
            result.outcome = Outcome::InvalidMoveFolder;
            return result;
        }
        moveDirectory = settings_.moveFilesPath;
        if (moveDirectory.back() != PathSeparator)
            moveDirectory += PathSeparator;
    }

    sink_.setStatusText(RetrievingListingStatus);
    FileList files;
    ListAudioFiles(testDirName_, settings_.recurseDirs, AudioFilePattern, files, sink_, fileSystem_);

    const auto total = static_cast<std::int32_t>(files.size());
    result.total = total;
    sink_.clearCancelRequest();

    // One record serves every file; each scan fills it anew.
    AudioFileInfo info;
    for (std::int32_t i = 0; i < total; ++i) {
        const std::string& path = files[static_cast<std::size_t>(i)];
        std::int32_t fileIndex = sink_.addFile(path);
        sink_.setStatusText(ProcessingFileStatus(i + 1, total));

        std::string line = path + FindingSeparator;
        bool opened = true;
        std::optional<std::string> finding;
        {
            // Opened once for the scan and the walk; closed before any move.
            std::unique_ptr<ReadableFile> file = fileSystem_.openForReading(path);
            if (!file) {
                opened = false;
                finding = UnableToOpenText;
            } else {
                BufferedReader reader(*file);
                if (!info.scan(reader, path, settings_.maxOffset))
                    finding = info.errorText();
                else
                    finding = FirstProblem(reader, info, settings_.ignoreEofErrors, &sink_);
            }
        }
        if (finding)
            ++result.problems;

        if (sink_.cancelRequested())
            break;

        if (finding) {
            sink_.appendLine(line + *finding, fileIndex);
            if (moveFiles && opened) {
                std::string target = moveDirectory + FileNameOf(path);
                std::string errorText;
                if (fileSystem_.moveFileNoReplace(path, target, errorText)) {
                    ++result.moved;
                } else {
                    sink_.appendLine(MoveFailedText(path, target), NoFile);
                    sink_.appendLine(MoveErrorPrefix + errorText, NoFile);
                    sink_.appendLine("", NoFile);
                }
            }
        }
        sink_.setProgressPercent(RoundToInt((i + 1) * 100.0 / total));
    }

    result.cancelled = sink_.cancelRequested();
    sink_.appendLine("", NoFile);
    if (result.cancelled) {
        sink_.appendLine(CancelledText, NoFile);
    } else {
        sink_.appendLine(DoneText(result.problems, total), NoFile);
        if (moveFiles) {
            sink_.appendLine(MovedText(result.moved, moveDirectory), NoFile);
            if (result.moved < result.problems)
                sink_.appendLine(FewerMovedText, NoFile);
        }
    }
    sink_.setStatusText("");
    sink_.setProgressPercent(0);
    return result;
}

}  // namespace tw
