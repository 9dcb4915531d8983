// The audio files of a directory tree, in the fixed order of the runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

class FileSystem;
class RunSink;

using FileList = std::vector<std::string>;

// Shared by the two directory runs: the listing's pattern and the status
// texts while it runs and while the files are handled.
constexpr const char* AudioFilePattern = "*.mp?";
constexpr const char* RetrievingListingStatus = "Retrieving directory listing...";
// "Processing file 3 of 1,204"
std::string ProcessingFileStatus(std::int32_t number, std::int32_t total);

// The numbers of a ProcessingFileStatus text; false for any other text.
bool ParseProcessingFileStatus(const std::string& text, std::int32_t& number, std::int32_t& total);

// Appends the full paths of the .mp1/.mp2/.mp3 files (any letter case) of
// `directory`, and of its subdirectories at any depth when `recurse` is set:
// each directory's own files sorted, then each subdirectory's listing in
// sorted order. Pumps messages once per directory (and while reading a long
// one) and stops on cancel.
void ListAudioFiles(const std::string& directory, bool recurse, const std::string& pattern, FileList& fileList,
                    RunSink& sink);
void ListAudioFiles(const std::string& directory, bool recurse, const std::string& pattern, FileList& fileList,
                    RunSink& sink, FileSystem& fileSystem);

}  // namespace tw
