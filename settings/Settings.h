// Every option that survives between runs of the program, with its key in
// the settings file, its default and its load rule.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/IntegrityTest.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "settings/CatalogDelimiter.h"

namespace tw {

enum class RunFunction : std::int32_t { TestFile = 1, TestDirectory = 2, CatalogDirectory = 3 };

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
    bool deepCheck = false;
    bool tagTextAsWritten = false;  // tag texts in the log and the panes as written, not blanked
    bool repairFiles = false;       // Test Directory writes mended copies of failing files
    std::string repairFilesPath;    // into this folder
};

class IniFile;

// Every field from section "Options" of `ini`, with the load rules: a missing
// key takes its default, a boolean is true only for the exact text "true",
// numbers are read like ParseLeadingInt and 0 gives the default, delimiter
// codes outside 32..126 give tab (settings/CatalogDelimiter.h).
Settings LoadSettings(const IniFile& ini);

// Writes every key of `settings` into section "Options" of `ini`; other
// sections and keys stay as they are.
void StoreSettings(const Settings& settings, IniFile& ini);

// The settings file beside the executable: its path up to and including the
// last "." of its last component, then "INI"; the path + ".INI" when that
// component has no ".". Empty for an empty (unknown) path.
std::string SettingsFilePath(const std::string& executablePath);

// LoadSettings from the file at `path`. False when the file can't be opened;
// `settings` then holds the defaults.
bool LoadSettingsFile(const std::string& path, Settings& settings);

// StoreSettings into the file at `path`, keeping what else it holds, and
// creating it when missing. False when it can't be written.
bool SaveSettingsFile(const std::string& path, const Settings& settings);

// The options records of the three runs, as the settings give them.
IntegrityTestOptions IntegrityTestOptionsOf(const Settings& settings);
DirectoryTestOptions DirectoryTestOptionsOf(const Settings& settings);
CatalogOptions CatalogOptionsOf(const Settings& settings);

}  // namespace tw
