// What tunewarden-cli checks before a run starts. Each check gives the
// message that refuses the run, naming the path and the reason, or an empty
// text when the run may start.
#pragma once

#include <string>

namespace tw {
class FileSystem;
struct Settings;
}  // namespace tw

namespace tw::cli {

struct Invocation;

// --save-log: never over an audio file or a file the run reads (the file
// under test, the settings file). Asked before anything is read or written.
std::string SaveLogRefusal(const Invocation& invocation);

// The folder of test-dir or catalog: it must be a folder that can be read.
std::string InputFolderProblem(FileSystem& fileSystem, const std::string& folder);

// The move folder of test-dir, when the settings or --move-to switch moving
// on: it must exist, and must not be the folder under test or, with
// recursion, a folder inside it (its failing files would be moved onto
// themselves).
std::string MoveFolderProblem(FileSystem& fileSystem, const Settings& settings, const Invocation& invocation);

// The repair folder of test-dir (--repair-to, or the settings' Repair
// Files): it must exist, and must not be the folder under test or, with
// recursion, a folder inside it (a later run would test the copies too).
std::string RepairFolderProblem(FileSystem& fileSystem, const Settings& settings, const Invocation& invocation);

// repair FILE OUT: OUT must be new, in a folder that exists, and not FILE.
std::string RepairOutputProblem(FileSystem& fileSystem, const Invocation& invocation);

}  // namespace tw::cli
