// The Test Directory walk: a scanned file from its first frame up to its
// first problem.
#pragma once

#include <optional>
#include <string>

namespace tw {

class AudioFileInfo;
class BufferedReader;
class DeepCheck;
class RunSink;

// Walks a scanned file from its first frame up to its first problem and gives
// that problem's text ("Error: ..." or "Warning: ..."), or none when the audio
// is sound, when ignoreEofErrors lets the problem pass, or when a cancel was
// seen. With a sink, messages are pumped after each frame and the cancel flag
// tested; without one the walk runs straight through. With a deep check,
// the audio ends in front of trailing tags, a frame CRC mismatch is a
// problem where it stands, and a walk that finds nothing else (a sync error
// in the tail that ignoreEofErrors lets pass included) gives the deep
// check's first problem (its notes, such as a gain tool's change, are none).
std::optional<std::string> FirstProblem(BufferedReader& file, const AudioFileInfo& info, bool ignoreEofErrors,
                                        RunSink* sink = nullptr, DeepCheck* deep = nullptr);

}  // namespace tw
