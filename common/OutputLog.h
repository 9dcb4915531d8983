// The output log's contents: lines, each tied to a file of the log's file
// list or to none, and the list of files that runs have processed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/RunSink.h"

namespace tw {

class OutputLog {
public:
    struct Line {
        std::string text;
        std::int32_t fileIndex = NoFile;
    };

    std::int32_t addFile(const std::string& path);
    void appendLine(const std::string& text, std::int32_t fileIndex);

    void clear();

    // The file a line speaks of; none for an untied line or a stale index.
    std::optional<std::string> filePathForLine(std::size_t lineIndex) const;

    const std::vector<Line>& lines() const { return lines_; }
    const std::vector<std::string>& files() const { return files_; }

    enum class SaveResult { Saved, CannotCreate, CannotWrite };

    // Every line followed by CR LF, nothing else, replacing the file at
    // `path` once all is written: a failure (a full disk: CannotWrite)
    // leaves the old file as it was. An audio file or a file of the log's
    // list is never written (CannotCreate).
    SaveResult saveToFile(const std::string& path) const;

private:
    std::vector<Line> lines_;
    std::vector<std::string> files_;
};

}  // namespace tw
