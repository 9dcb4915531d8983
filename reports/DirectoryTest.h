// Test Directory: every audio file of a tree tested up to its first problem.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tw {

class AudioFileInfo;
class BufferedReader;
class FileSystem;
class RunSink;
struct Settings;

// Walks a scanned file from its first frame up to its first problem and gives
// that problem's text ("Error: ..." or "Warning: ..."), or none when the audio
// is sound, when ignoreEofErrors lets the problem pass, or when a cancel was
// seen. With a sink, messages are pumped after each frame and the cancel flag
// tested; without one the walk runs straight through.
std::optional<std::string> FirstProblem(BufferedReader& file, const AudioFileInfo& info, bool ignoreEofErrors,
                                        RunSink* sink = nullptr);

class DirectoryTest {
public:
    // The message box shown when the move folder is invalid.
    static const char* const InvalidMoveFolderText;
    static const char* const InvalidMoveFolderCaption;

    enum class Outcome {
        Completed,          // the run went through (cancelled or not)
        InvalidMoveFolder,  // nothing done; the caller shows the message box
    };

    struct Result {
        Outcome outcome = Outcome::Completed;
        std::int32_t total = 0;
        std::int32_t problems = 0;
        std::int32_t moved = 0;
        bool cancelled = false;
    };

    DirectoryTest(RunSink& sink, const Settings& settings, const std::string& testDirName);
    DirectoryTest(RunSink& sink, const Settings& settings, const std::string& testDirName, FileSystem& fileSystem);
    virtual ~DirectoryTest() = default;

    Result testDirectory();

private:
    RunSink& sink_;
    const Settings& settings_;
    std::string testDirName_;
    FileSystem& fileSystem_;
};

}  // namespace tw
