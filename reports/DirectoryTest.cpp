// Test Directory: every audio file of a folder (and its tree) walked up to
// its first problem, one log line per file that has one, and the moves.
#include "reports/DirectoryTest.h"

#include <memory>

#include "analysis/AudioFileInfo.h"
#include "analysis/DeepCheck.h"
#include "analysis/FirstProblem.h"
#include "analysis/Repair.h"
#include "common/BufferedReader.h"
#include "common/Record.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "reports/DirectoryListing.h"
#include "reports/RepairReport.h"

namespace tw {

const char* const DirectoryTest::InvalidMoveFolderText =
    "Directory specified to move files with errors/warnings is invalid.  Please correct in Options screen.";
const char* const DirectoryTest::InvalidMoveFolderCaption = "Directory Error";
const char* const DirectoryTest::InvalidRepairFolderText =
    "Directory specified to repair files into is invalid.  Please correct in Options screen.";

namespace {

// The texts of a directory test run.
constexpr const char* FindingSeparator = "  -  ";
constexpr const char* UnableToOpenText = "Error: Unable to  open file.";
constexpr const char* CancelledText = "Processing cancelled by user.";
constexpr const char* FewerMovedText =
    "ERROR: Fewer files were moved than were found to have errors.  See previous portion of log for details.";
constexpr const char* MoveErrorPrefix = "Windows error message: ";

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

std::string RepairedText(std::int32_t repaired, const std::string& repairDirectory) {
    return FormatThousands(repaired) + (repaired == 1 ? " mended copy" : " mended copies") +
           " written to directory \"" + repairDirectory + "\".";
}

// Where the copy of `path` goes: its place under `root` (the folder under
// test), under the repair folder.
std::string RepairTargetOf(const std::string& path, const std::string& root, const std::string& repairFolder) {
    std::string relative = FileNameOf(path);
    if (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == PathSeparator)
        relative = path.substr(root.size() + 1);
    return repairFolder + relative;
}

}  // namespace

DirectoryTest::DirectoryTest(RunSink& sink, const DirectoryTestOptions& options, const std::string& testDirName)
    : DirectoryTest(sink, options, testDirName, SystemFileSystem()) {}

DirectoryTest::DirectoryTest(RunSink& sink, const DirectoryTestOptions& options, const std::string& testDirName,
                             FileSystem& fileSystem)
    : sink_(sink), options_(options), testDirName_(testDirName), fileSystem_(fileSystem) {}

DirectoryTest::Result DirectoryTest::testDirectory() {
    Result result;
    const bool moveFiles = options_.moveFiles;
    // The folder a run writes to: it must exist, and takes its separator.
    const auto folderOf = [this](const std::string& path, std::string& folder) {
        if (path.empty() || !fileSystem_.directoryExists(path))
            return false;
        folder = path.back() == PathSeparator ? path : path + PathSeparator;
        return true;
    };
    std::string moveDirectory;
    if (moveFiles && !folderOf(options_.moveFilesPath, moveDirectory)) {
        result.outcome = Outcome::InvalidMoveFolder;
        return result;
    }
    std::string repairDirectory;
    if (options_.repairFiles && !folderOf(options_.repairFilesPath, repairDirectory)) {
        result.outcome = Outcome::InvalidRepairFolder;
        return result;
    }
    // The listing's paths are full ones: the root to cut from them, as such.
    std::string root = fileSystem_.absolutePath(testDirName_);
    while (root.size() > 1 && root.back() == PathSeparator)
        root.pop_back();

    sink_.setStatusText(RetrievingListingStatus);
    FileList files;
    ListAudioFiles(testDirName_, options_.recurseDirs, AudioFilePattern, files, sink_, fileSystem_);

    const auto total = static_cast<std::int32_t>(files.size());
    result.total = total;
    sink_.clearCancelRequest();
    RecordSink* records = sink_.records();

    // One record serves every file; each scan fills it anew.
    AudioFileInfo info;
    for (std::int32_t i = 0; i < total; ++i) {
        const std::string& path = files[static_cast<std::size_t>(i)];
        std::int32_t fileIndex = sink_.addFile(path);
        sink_.setStatusText(ProcessingFileStatus(i + 1, total));

        std::string line = path + FindingSeparator;
        bool opened = true;
        bool scanned = true;
        std::optional<std::string> finding;
        {
            // Opened once for the scan and the walk; closed before any move.
            std::unique_ptr<ReadableFile> file = fileSystem_.openForReading(path);
            if (!file) {
                opened = false;
                finding = UnableToOpenText;
            } else {
                BufferedReader reader(*file);
                if (!info.scan(reader, path, options_.maxOffset)) {
                    scanned = false;
                    finding = info.errorText();
                } else if (options_.deepCheck) {
                    DeepCheck deep(info, reader);
                    finding = FirstProblem(reader, info, options_.ignoreEofErrors, &sink_, &deep);
                } else {
                    finding = FirstProblem(reader, info, options_.ignoreEofErrors, &sink_);
                }
            }
        }
        // A file that the cancel interrupted gets no line and is not counted.
        if (sink_.cancelRequested())
            break;
        ++result.tested;
        if (finding)
            ++result.problems;

        Record record("file");
        if (records != nullptr) {
            const char* verdict = !finding                             ? "ok"
                                  : !opened                            ? "unreadable"
                                  : !scanned                           ? "scan-failed"
                                  : finding->rfind("Warning:", 0) == 0 ? "warning"
                                                                       : "error";
            record.add("path", path).add("verdict", verdict).add("problem", finding ? Value(*finding) : Value());
        }
        if (finding) {
            sink_.appendLine(line + *finding, fileIndex);
            // The copy first: a move takes the original away.
            if (options_.repairFiles && opened && repair(path, RepairTargetOf(path, root, repairDirectory), record))
                ++result.repaired;
            if (moveFiles && opened) {
                std::string target = moveDirectory + FileNameOf(path);
                std::string errorText;
                if (fileSystem_.moveFileNoReplace(path, target, errorText)) {
                    ++result.moved;
                    record.add("moved_to", target);
                } else {
                    record.add("move_error", errorText);
                    sink_.appendLine(MoveFailedText(path, target), NoFile);
                    sink_.appendLine(MoveErrorPrefix + errorText, NoFile);
                    sink_.appendLine("", NoFile);
                }
            }
        }
        if (records != nullptr)
            records->record(record);
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
        if (options_.repairFiles)
            sink_.appendLine(RepairedText(result.repaired, repairDirectory), NoFile);
    }
    if (records != nullptr) {
        Record summary("summary");
        summary.add("files", result.tested);
        if (result.cancelled)
            summary.add("files_found", total);
        summary.add("problems", result.problems);
        if (moveFiles)
            summary.add("moved", result.moved).add("move_folder", moveDirectory);
        if (options_.repairFiles)
            summary.add("repaired", result.repaired).add("repair_folder", repairDirectory);
        records->record(summary.add("cancelled", result.cancelled));
    }
    sink_.setStatusText("");
    sink_.setProgressPercent(0);
    return result;
}

bool DirectoryTest::repair(const std::string& path, const std::string& target, Record& record) {
    RepairResult result;
    std::string errorText;
    if (!CreateFolders(FolderOf(target), errorText)) {
        result.outcome = RepairResult::Outcome::Failed;
        result.reason = "can't make the folder \"" + FolderOf(target) + "\": " + errorText;
    } else {
        result = RepairFile(
            fileSystem_, path, [&](std::string& error) { return StagedRepairTarget(fileSystem_, target, error); },
            options_.maxOffset, &sink_);
    }
    const RepairReport report = ReportRepair(path, target, result, false);
    const std::int32_t fileIndex = result.repaired() ? sink_.addFile(target) : NoFile;
    for (const std::string& line : report.lines)
        sink_.appendLine("    " + line, fileIndex);
    record.add("repair", report.record.toValue());
    return result.repaired();
}

}  // namespace tw
