#include "common/OutputLog.h"

#include <cstdio>

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
    std::FILE* out = OpenForWriting(path);
    if (out == nullptr)
        return SaveResult::CannotCreate;
    bool ok = true;
    for (const auto& line : lines_) {
        if (std::fwrite(line.text.data(), 1, line.text.size(), out) != line.text.size() ||
            std::fwrite("\r\n", 1, 2, out) != 2) {
            ok = false;
            break;
        }
    }
    if (std::fclose(out) != 0)
        ok = false;
    return ok ? SaveResult::Saved : SaveResult::CannotWrite;
}

}  // namespace tw
