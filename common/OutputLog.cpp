#include "common/OutputLog.h"

#include <cstdio>
#include <memory>

#include "common/WriteTarget.h"
#include "platform/Platform.h"

namespace tw {

std::int32_t OutputLog::addFile(const std::string& path) {
    files_.push_back(path);
    return static_cast<std::int32_t>(files_.size() - 1);
}

void OutputLog::appendLine(const std::string& text, std::int32_t fileIndex) {
    lines_.push_back(Line{text, fileIndex});
}

void OutputLog::clear() {
    lines_.clear();
    files_.clear();
}

std::optional<std::string> OutputLog::filePathForLine(std::size_t lineIndex) const {
    if (lineIndex >= lines_.size())
        return std::nullopt;
    std::int32_t index = lines_[lineIndex].fileIndex;
    if (index < 0 || static_cast<std::size_t>(index) >= files_.size())
        return std::nullopt;
    return files_[static_cast<std::size_t>(index)];
}

OutputLog::SaveResult OutputLog::saveToFile(const std::string& path) const {
    // Never over an audio file or a file the log speaks of; the window asks
    // CheckWriteTarget first to say why.
    if (CheckWriteTarget(path, files_) != WriteRefusal::None)
        return SaveResult::CannotCreate;
    std::string errorText;
    std::unique_ptr<StagedFile> file = CreateStagedFile(path, StagedFile::Mode::Replace, errorText);
    if (!file)
        return SaveResult::CannotCreate;
    std::FILE* out = file->stream();
    for (const auto& line : lines_) {
        if (std::fwrite(line.text.data(), 1, line.text.size(), out) != line.text.size() ||
            std::fwrite("\r\n", 1, 2, out) != 2)
            return SaveResult::CannotWrite;  // the old file stays as it was
    }
    return file->commit(errorText) ? SaveResult::Saved : SaveResult::CannotWrite;
}

}  // namespace tw
