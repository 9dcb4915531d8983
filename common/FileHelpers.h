// File-system questions that the windows and the runs ask by path.
#pragma once

#include <string>

namespace tw {

// True when `path` names a directory that can be entered; empty gives false.
bool DirectoryExists(const std::string& path);

// True when `path` can be opened for reading as a regular file.
bool CanOpenFile(const std::string& path);

}  // namespace tw
