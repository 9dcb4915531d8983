// The Windows side's texts for a failure, shared by its source files.
#pragma once

#include <string>

namespace tw {

// The system's message for an error code (GetLastError), without its CR LF;
// "Unknown error (code N)." when the system has none.
std::string SystemErrorText(unsigned long code);

// Failures that have no error code of their own, in the words the POSIX side
// uses for them.
constexpr const char* IsAFolderText = "Is a directory";
constexpr const char* NotARegularFileText = "Not a regular file";

}  // namespace tw
