// Every option that survives between runs of the program, with its key in
// the settings file, its default and its load rule.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

enum class RunFunction : std::int32_t { TestFile = 1, TestDirectory = 2, CatalogDirectory = 3 };

// The main window's placement as stored; -1 means missing.
struct WindowPlacement {
    std::int32_t flags = -1;
    std::int32_t showCommand = -1;
    std::int32_t left = -1;
    std::int32_t top = -1;
    std::int32_t right = -1;
    std::int32_t bottom = -1;
};

struct Settings {
    RunFunction function = RunFunction::TestFile;
    std::string testDirName;
    std::string logDirName = "C:\\My Documents";
    bool hideMpegInfo = false;
    bool recurseDirs = false;
    bool autoStart = true;
    bool clearLog = true;
    bool includeBitrateSummary = true;
    bool moveFiles = false;
    std::string moveFilesPath;
    bool ignoreEofErrors = true;
    std::int32_t maxOffset = 5000;
    std::int32_t maxResync = 2000;
    std::int32_t catDelimChar = 9;  // tab
    std::int32_t maxFieldLen = 50;
    WindowPlacement placement;
};

// The delimiter load rule: codes outside 32..126 become tab (9).
std::int32_t NormalisedDelimiter(std::int32_t code);

}  // namespace tw
