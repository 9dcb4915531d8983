// The common open and save dialogs as the program uses them. Type filters
// are written "description|pattern|...||".
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tw::win {

// Asks for one existing file, starting in `folder` (the system's choice when
// empty); none when the user cancels.
std::optional<std::string> AskForFileToOpen(HWND owner, const char* filter, const std::string& folder);

// Asks for a file to write, offering `initialName` in `folder` and adding
// `defaultExtension` to a name without one; an existing file is replaced
// only after the user agrees. None when the user cancels.
std::optional<std::string> AskForFileToSave(HWND owner, const char* filter, const char* initialName,
                                            const char* defaultExtension, const std::string& folder);

// Asks for the name of a file to create, under the title `title`: as
// AskForFileToSave, without the offer to replace an existing file (the
// caller refuses such a name). `defaultExtension` may be null.
std::optional<std::string> AskForNewFile(HWND owner, const char* title, const char* filter,
                                         const std::string& initialName, const char* defaultExtension,
                                         const std::string& folder);

}  // namespace tw::win
