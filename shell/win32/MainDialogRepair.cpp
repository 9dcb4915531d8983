// The Repair command: a mended copy of the file shown in Test File mode,
// under a new name that the user chooses. The file itself is only read.
#include "shell/win32/MainDialog.h"

#include "analysis/Repair.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "reports/RepairReport.h"
#include "shell/win32/FileDialogs.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/MainDialogParts.h"
#include "shell/win32/ReadProgress.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {

constexpr const char* RepairCopyTitle = "Save Repaired Copy As";
constexpr const char* RepairedSuffix = " (repaired)";
constexpr const char* RepairingPrefix = "Repairing: ";
constexpr const char* RepairingStatus = "Repairing...";
constexpr const char* CopyExistsText = " already exists; a repair never replaces a file.";

// The repair reads the file for its check and for the copy, then the copy
// for its proof.
constexpr int RepairReadPasses = 3;

// The extension of a file name, without its "."; empty when it has none.
std::string ExtensionOf(const std::string& name) {
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

// "song.mp3" gives "song (repaired).mp3".
std::string RepairedName(const std::string& name) {
    std::string extension = ExtensionOf(name);
    if (extension.empty())
        return name + RepairedSuffix;
    return name.substr(0, name.size() - extension.size() - 1) + RepairedSuffix + "." + extension;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesW(ShownText(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void MainDialog::repair() {
    // The button is enabled only then; a notification can come regardless.
    if (sink_.isRunning() || !isChecked(IDC_MAIN_TEST_FILE) || fileName_.empty())
        return;
    std::optional<std::string> copy = askForRepairCopy();
    if (!copy)
        return;
    prepareLogForRun();
    runLocked([&] { repairInto(*copy); });
}

std::optional<std::string> MainDialog::askForRepairCopy() {
    const std::string name = FileNameOf(fileName_);
    const std::string extension = ExtensionOf(name);
    std::optional<std::string> copy =
        AskForNewFile(handle(), RepairCopyTitle, LoadFilter, RepairedName(name),
                      extension.empty() ? nullptr : extension.c_str(), FolderOf(fileName_));
    if (!copy)
        return std::nullopt;
    // The copy never takes the place of a file, the original least of all.
    if (PathExists(*copy)) {
        messageBox("\"" + *copy + "\"" + CopyExistsText, FileWriteErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        return std::nullopt;
    }
    return copy;
}

void MainDialog::repairInto(const std::string& copy) {
    sink_.setStatusText(RepairingStatus);
    const std::int32_t fileIndex = sink_.addFile(fileName_);
    sink_.appendLine(RepairingPrefix + fileName_, fileIndex);

    ReadProgress files(fileSystem(), sink_, RepairReadPasses);
    const RepairResult result = RepairFile(
        files, fileName_, [&](std::string& error) { return StagedRepairTarget(files, copy, error); },
        options_.maxOffset(), &sink_);

    // Every line speaks of the file, the last of the copy when there is one.
    const RepairReport report = ReportRepair(fileName_, copy, result, true);
    const std::int32_t lastIndex = result.repaired() ? sink_.addFile(copy) : fileIndex;
    for (std::size_t i = 0; i < report.lines.size(); ++i)
        sink_.appendLine(report.lines[i], i + 1 == report.lines.size() ? lastIndex : fileIndex);
    sink_.setStatusText(std::string());
    sink_.setProgressPercent(0);
}

}  // namespace tw::win
