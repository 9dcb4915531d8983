#include "cli/RunChecks.h"

#include <vector>

#include "cli/Options.h"
#include "common/Text.h"
#include "common/WriteTarget.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

namespace tw::cli {
namespace {

// Whether `folder`, or a folder above it, is `outer`: by identity, so that
// other spellings count, and along both the path as given and the path with
// its links resolved (the listing follows links to folders).
bool IsAtOrInside(FileSystem& fileSystem, const std::string& folder, const std::string& outer, bool& same) {
    DirectoryIdentity target;
    DirectoryIdentity candidate;
    same = false;
    if (!fileSystem.directoryIdentity(outer, target))
        return false;
    for (std::string path : {fileSystem.absolutePath(folder), ResolvedPath(folder)}) {
        for (bool first = true;; first = false) {
            if (fileSystem.directoryIdentity(path, candidate) && candidate == target) {
                same = first;
                return true;
            }
            std::string parent = FolderOf(path);
            if (parent.empty() || parent == path)
                break;
            path = parent;
        }
    }
    return false;
}

}  // namespace

std::string SaveLogRefusal(const Invocation& invocation) {
    if (invocation.saveLogFile.empty())
        return std::string();
    std::vector<std::string> inputs;
    if (invocation.command == Command::Test || invocation.command == Command::Info ||
        invocation.command == Command::Repair)
        inputs.push_back(invocation.path);
    if (!invocation.output.empty())
        inputs.push_back(invocation.output);
    if (!invocation.settingsFile.empty())
        inputs.push_back(invocation.settingsFile);
    const WriteRefusal refusal = CheckWriteTarget(invocation.saveLogFile, inputs);
    if (refusal == WriteRefusal::None)
        return std::string();
    return "--save-log " + QuotedForMessage(invocation.saveLogFile) + " " + WriteRefusalText(refusal) +
           "; nothing was written";
}

std::string InputFolderProblem(FileSystem& fileSystem, const std::string& folder) {
    std::string reason = fileSystem.listingProblem(folder);
    if (reason.empty() && !fileSystem.directoryExists(folder))
        reason = "it can't be entered";
    if (reason.empty())
        return std::string();
    return "cannot read the folder " + QuotedForMessage(folder) + ": " + reason;
}

std::string RepairFolderProblem(FileSystem& fileSystem, const Settings& settings, const Invocation& invocation) {
    if (!settings.repairFiles || invocation.command != Command::TestDir)
        return std::string();
    const std::string& folder = settings.repairFilesPath;
    const std::string source = invocation.overrides.repairFilesPath
                                   ? "--repair-to " + QuotedForMessage(folder)
                                   : "'Repair Files Path' " + QuotedForMessage(folder) + " of the settings file";
    if (folder.empty())
        return "'Repair Files' is on in the settings file, but 'Repair Files Path' names no folder";
    if (!fileSystem.directoryExists(folder)) {
        std::string reason = fileSystem.listingProblem(folder);
        return "cannot write mended copies into " + QuotedForMessage(folder) + ": " +
               (reason.empty() ? std::string("it can't be entered") : reason) + " (" + source + ")";
    }
    bool same = false;
    if (IsAtOrInside(fileSystem, folder, invocation.path, same) && (same || settings.recurseDirs))
        return source + (same ? " is the folder under test" : " is inside the folder under test") +
               "; the mended copies would be tested as its files";
    return std::string();
}

std::string RepairOutputProblem(FileSystem& fileSystem, const Invocation& invocation) {
    if (invocation.command != Command::Repair)
        return std::string();
    const std::string& out = invocation.output;
    if (SameExistingFile(out, invocation.path))
        return "the copy " + QuotedForMessage(out) + " is the file to repair; a repair never writes to it";
    if (fileSystem.openingProblem(out).empty() || fileSystem.directoryExists(out))
        return "the copy " + QuotedForMessage(out) + " exists; a repair never replaces a file";
    const std::string folder = FolderOf(fileSystem.absolutePath(out));
    if (!folder.empty() && !fileSystem.directoryExists(folder))
        return "cannot write the copy " + QuotedForMessage(out) + ": its folder " + QuotedForMessage(folder) +
               " can't be entered";
    return std::string();
}

std::string MoveFolderProblem(FileSystem& fileSystem, const Settings& settings, const Invocation& invocation) {
    if (!settings.moveFiles || invocation.command != Command::TestDir)
        return std::string();
    const std::string& folder = settings.moveFilesPath;
    // Where the folder came from, for the message.
    const std::string source = invocation.overrides.moveFilesPath
                                   ? "--move-to " + QuotedForMessage(folder)
                                   : "'Move Files Path' " + QuotedForMessage(folder) + " of the settings file";
    if (folder.empty())
        return "'Move Files' is on in the settings file, but 'Move Files Path' names no folder";
    if (!fileSystem.directoryExists(folder)) {
        std::string reason = fileSystem.listingProblem(folder);
        return "cannot move files into " + QuotedForMessage(folder) + ": " +
               (reason.empty() ? std::string("it can't be entered") : reason) + " (" + source + ")";
    }
    bool same = false;
    if (IsAtOrInside(fileSystem, folder, invocation.path, same)) {
        if (same)
            return source + " is the folder under test; its files would be moved onto themselves";
        if (settings.recurseDirs)
            return source + " is inside the folder under test, whose subfolders are tested too; its files " +
                   "would be moved onto themselves";
    }
    return std::string();
}

}  // namespace tw::cli
