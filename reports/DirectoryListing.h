// The audio files of a directory tree, in the fixed order of the runs.
#pragma once

#include <string>
#include <vector>

namespace tw {

class FileSystem;
class RunSink;

using FileList = std::vector<std::string>;

// Appends the full paths of the .mp1/.mp2/.mp3 files (any letter case) of
// `directory`, and of its subdirectories at any depth when `recurse` is set:
// each directory's own files sorted, then each subdirectory's listing in
// sorted order. Pumps messages once per directory and stops on cancel.
void ListAudioFiles(const std::string& directory, bool recurse, const std::string& pattern, FileList& fileList,
                    RunSink& sink);
void ListAudioFiles(const std::string& directory, bool recurse, const std::string& pattern, FileList& fileList,
                    RunSink& sink, FileSystem& fileSystem);

}  // namespace tw
