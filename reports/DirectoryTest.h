// Test Directory: every audio file of a tree tested up to its first problem.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

class FileSystem;
class Record;
class RunSink;

// What a directory test run reads of the settings.
struct DirectoryTestOptions {
    bool recurseDirs = false;
    std::int32_t maxOffset = 5000;
    bool ignoreEofErrors = true;
    bool moveFiles = false;
    std::string moveFilesPath;
    // A mended copy of each failing file under this folder, at the file's
    // place in the tree, before any move.
    bool repairFiles = false;
    std::string repairFilesPath;
    bool deepCheck = false;  // also check the encoder's records and the frame CRCs
};

class DirectoryTest {
public:
    // The message box shown when the move folder is invalid.
    static const char* const InvalidMoveFolderText;
    static const char* const InvalidMoveFolderCaption;
    // ... and when the folder for mended copies is.
    static const char* const InvalidRepairFolderText;

    enum class Outcome {
        Completed,            // the run went through (cancelled or not)
        InvalidMoveFolder,    // nothing done; the caller shows the message box
        InvalidRepairFolder,  // nothing done; the caller shows the message box
    };

    struct Result {
        Outcome outcome = Outcome::Completed;
        std::int32_t total = 0;   // files found
        std::int32_t tested = 0;  // files tested to the end: the total, unless cancelled
        std::int32_t problems = 0;
        std::int32_t moved = 0;
        std::int32_t repaired = 0;
        bool cancelled = false;
    };

    DirectoryTest(RunSink& sink, const DirectoryTestOptions& options, const std::string& testDirName);
    DirectoryTest(RunSink& sink, const DirectoryTestOptions& options, const std::string& testDirName,
                  FileSystem& fileSystem);
    virtual ~DirectoryTest() = default;

    Result testDirectory();

private:
    // Writes a mended copy of `path` under the repair folder and says how
    // it went, in the log and in the file's record.
    bool repair(const std::string& path, const std::string& target, Record& record);

    RunSink& sink_;
    DirectoryTestOptions options_;
    std::string testDirName_;
    FileSystem& fileSystem_;
};

}  // namespace tw
