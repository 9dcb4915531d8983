// The command line of tunewarden-cli: a command, a path and options that
// mirror the settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tw {
struct Settings;
}

namespace tw::cli {

enum class Command { None, Test, Info, TestDir, Catalog, Repair, Help, Version };

// What goes to standard output: the log lines (the default), one JSON object
// per line, or the catalog as CSV.
enum class OutputFormat { Log, Jsonl, Csv };

// Settings fields that an option set explicitly, so that they override a
// settings file whatever order the options come in.
struct Overrides {
    std::optional<bool> recurseDirs;
    std::optional<std::int32_t> maxOffset;
    std::optional<std::int32_t> maxResync;
    std::optional<bool> includeBitrateSummary;
    std::optional<bool> ignoreEofErrors;
    std::optional<bool> deepCheck;
    std::optional<std::string> moveFilesPath;
    std::optional<std::int32_t> catDelimChar;
    std::optional<bool> tagTextAsWritten;
    std::optional<std::string> repairFilesPath;

    void applyTo(Settings& settings) const;
};

struct Invocation {
    Command command = Command::None;
    std::string path;
    std::string output;        // repair: where the mended copy goes
    std::string settingsFile;  // empty: the defaults
    std::string saveLogFile;   // empty: no saved log
    OutputFormat format = OutputFormat::Log;
    Overrides overrides;
};

// Parses argv[1..]; on a usage error gives nothing and sets `error`.
std::optional<Invocation> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

// The text of --help.
std::string UsageText();

}  // namespace tw::cli
