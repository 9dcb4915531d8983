#include "common/WriteTarget.h"

#include "platform/Platform.h"

namespace tw {
namespace {

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Both separators count, so that a Windows path is judged the same anywhere.
std::string LastComponent(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

bool IsAudioFileName(const std::string& name) {
    if (name.size() < 4)
        return false;
    const char* tail = name.c_str() + name.size() - 4;
    return tail[0] == '.' && FoldCase(tail[1]) == 'm' && FoldCase(tail[2]) == 'p' && tail[3] >= '1' && tail[3] <= '3';
}

WriteRefusal CheckWriteTarget(const std::string& target, const std::vector<std::string>& inputs) {
    if (IsAudioFileName(LastComponent(target)) || IsAudioFileName(LastComponent(ResolvedPath(target))))
        return WriteRefusal::AudioFile;
    // Audio files are refused by their names above; the rest (a file tested
    // under another name, a settings file) by what they are.
    for (const std::string& input : inputs) {
        if (!IsAudioFileName(LastComponent(input)) && SameExistingFile(target, input))
            return WriteRefusal::InputFile;
    }
    return WriteRefusal::None;
}

std::string WriteRefusalText(WriteRefusal refusal) {
    switch (refusal) {
        case WriteRefusal::None:
            return std::string();
        case WriteRefusal::AudioFile:
            return "names an audio file (.mp1, .mp2, .mp3), which is never written";
        case WriteRefusal::InputFile:
            return "is a file this run reads";
    }
    return std::string();
}

}  // namespace tw
