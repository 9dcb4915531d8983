// The rule every writer of the program obeys: nothing it writes goes over an
// audio file or over a file it reads.
#pragma once

#include <string>
#include <vector>

namespace tw {

// A name whose last four characters are ".mp" (any case) and 1, 2 or 3:
// what the listing takes for an audio file.
bool IsAudioFileName(const std::string& name);

enum class WriteRefusal {
    None,
    AudioFile,  // the target, or the file a link there leads to, is named as an audio file
    InputFile,  // the target is one of the files being read
};

// Whether the program may write a file at `target` (a saved log, a settings
// file), given the files it reads: the file under test, the settings file,
// the files a log speaks of. Asked before anything is read or written.
WriteRefusal CheckWriteTarget(const std::string& target, const std::vector<std::string>& inputs);

// "names an audio file (.mp1, .mp2, .mp3)", for a message that names the
// target first; empty for None.
std::string WriteRefusalText(WriteRefusal refusal);

}  // namespace tw
