#include "cli/Options.h"

#include <cctype>
#include <cstdint>
#include <limits>

#include "common/Text.h"
#include "settings/CatalogDelimiter.h"
#include "settings/Settings.h"

namespace tw::cli {
namespace {

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName CommandNames[] = {
    {"test", Command::Test},       {"info", Command::Info},     {"test-dir", Command::TestDir},
    {"catalog", Command::Catalog}, {"repair", Command::Repair},
};

// Whole-text integer: optional sign, digits (commas allowed between them, as
// the program shows numbers), within 32 bits.
bool ParseNumber(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t magnitude = 0;
    bool digits = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == ',' && digits)
            continue;
        if (c < '0' || c > '9')
            return false;
        digits = true;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1)
            return false;
    }
    if (!digits)
        return false;
    std::int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

// "tab" (or "\t"), or one character that the catalog writes as it is.
bool ParseDelimiter(const std::string& text, std::int32_t& code) {
    if (text == "tab" || text == "TAB" || text == "\\t") {
        code = TabDelimiterCode;
        return true;
    }
    code = DelimiterCodeOf(text);
    return text.size() == 1 && IsCatalogDelimiter(code);
}

// The commands an option applies to; any other command refuses it.
enum CommandSet : unsigned {
    ForTest = 1u << static_cast<unsigned>(Command::Test),
    ForInfo = 1u << static_cast<unsigned>(Command::Info),
    ForTestDir = 1u << static_cast<unsigned>(Command::TestDir),
    ForCatalog = 1u << static_cast<unsigned>(Command::Catalog),
    ForRepair = 1u << static_cast<unsigned>(Command::Repair),
    ForEvery = ForTest | ForInfo | ForTestDir | ForCatalog | ForRepair,
};

struct OptionScope {
    const char* name;
    unsigned commands;
    const char* commandNames;  // for the message
};
constexpr OptionScope OptionScopes[] = {
    {"--recurse", ForTestDir | ForCatalog, "test-dir and catalog"},
    {"--max-offset", ForEvery, ""},
    {"--max-resync", ForTest, "test"},
    {"--no-bitrate-summary", ForTest, "test"},
    {"--report-eof-errors", ForTestDir, "test-dir"},
    {"--deep", ForTest | ForTestDir, "test and test-dir"},
    {"--move-to", ForTestDir, "test-dir"},
    {"--repair-to", ForTestDir, "test-dir"},
    {"--delimiter", ForCatalog, "catalog"},
    {"--tag-text", ForInfo | ForCatalog, "info and catalog"},
    {"--format", ForEvery, ""},
    {"--save-log", ForEvery, ""},
    {"--settings", ForEvery, ""},
};

const OptionScope* ScopeOf(const std::string& name) {
    for (const OptionScope& scope : OptionScopes)
        if (name == scope.name)
            return &scope;
    return nullptr;
}

// An option as given, for the message that refuses it: "--move-to 'x'".
struct GivenOption {
    std::string name;   // the long name
    std::string shown;  // as the message shows it
};

}  // namespace

void Overrides::applyTo(Settings& settings) const {
    if (recurseDirs)
        settings.recurseDirs = *recurseDirs;
    if (maxOffset)
        settings.maxOffset = *maxOffset;
    if (maxResync)
        settings.maxResync = *maxResync;
    if (includeBitrateSummary)
        settings.includeBitrateSummary = *includeBitrateSummary;
    if (ignoreEofErrors)
        settings.ignoreEofErrors = *ignoreEofErrors;
    if (deepCheck)
        settings.deepCheck = *deepCheck;
    if (moveFilesPath) {
        settings.moveFiles = true;
        settings.moveFilesPath = *moveFilesPath;
    }
    if (catDelimChar)
        settings.catDelimChar = *catDelimChar;
    if (tagTextAsWritten)
        settings.tagTextAsWritten = *tagTextAsWritten;
    if (repairFilesPath) {
        settings.repairFiles = true;
        settings.repairFilesPath = *repairFilesPath;
    }
}

std::optional<Invocation> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
    Invocation inv;
    std::vector<std::string> operands;
    std::vector<GivenOption> givenOptions;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        std::size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        auto takeValue = [&](std::string& out) -> bool {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option '" + name + "' needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto noValue = [&]() -> bool {
            if (!inlineValue)
                return true;
            error = "option '" + name + "' takes no value";
            return false;
        };

        std::string value;
        if (name == "-r")
            name = "--recurse";
        const auto given = [&](const std::string& shownValue) {
            givenOptions.push_back({name, shownValue.empty() ? name : name + " " + shownValue});
        };
        if (name == "--help" || name == "-h") {
            if (!noValue())
                return std::nullopt;
            inv.command = Command::Help;
            return inv;
        }
        if (name == "--version" || name == "-V") {
            if (!noValue())
                return std::nullopt;
            inv.command = Command::Version;
            return inv;
        }
        if (name == "--recurse") {
            if (!noValue())
                return std::nullopt;
            inv.overrides.recurseDirs = true;
            given("");
        } else if (name == "--no-bitrate-summary") {
            if (!noValue())
                return std::nullopt;
            inv.overrides.includeBitrateSummary = false;
            given("");
        } else if (name == "--deep") {
            if (!noValue())
                return std::nullopt;
            inv.overrides.deepCheck = true;
            given("");
        } else if (name == "--report-eof-errors") {
            if (!noValue())
                return std::nullopt;
            inv.overrides.ignoreEofErrors = false;
            given("");
        } else if (name == "--max-offset" || name == "--max-resync") {
            if (!takeValue(value))
                return std::nullopt;
            std::int32_t n = 0;
            if (!ParseNumber(value, n) || n < 0) {
                error = "option '" + name + "' needs a number of bytes, 0 or more, not " + QuotedForMessage(value);
                return std::nullopt;
            }
            (name == "--max-offset" ? inv.overrides.maxOffset : inv.overrides.maxResync) = n;
            given(QuotedForMessage(value));
        } else if (name == "--move-to") {
            if (!takeValue(value))
                return std::nullopt;
            if (value.empty()) {
                error = "option '--move-to' needs a folder";
                return std::nullopt;
            }
            inv.overrides.moveFilesPath = value;
            given(QuotedForMessage(value));
        } else if (name == "--repair-to") {
            if (!takeValue(value))
                return std::nullopt;
            if (value.empty()) {
                error = "option '--repair-to' needs a folder";
                return std::nullopt;
            }
            inv.overrides.repairFilesPath = value;
            given(QuotedForMessage(value));
        } else if (name == "--delimiter") {
            if (!takeValue(value))
                return std::nullopt;
            std::int32_t code = 0;
            if (!ParseDelimiter(value, code)) {
                error = "option '--delimiter' needs 'tab' or one printable ASCII character (space to ~), not " +
                        QuotedForMessage(value);
                return std::nullopt;
            }
            inv.overrides.catDelimChar = code;
            given(QuotedForMessage(value));
        } else if (name == "--format") {
            if (!takeValue(value))
                return std::nullopt;
            if (value == "log") {
                inv.format = OutputFormat::Log;
            } else if (value == "jsonl") {
                inv.format = OutputFormat::Jsonl;
            } else if (value == "csv") {
                inv.format = OutputFormat::Csv;
            } else {
                error = "option '--format' needs log, jsonl or csv, not " + QuotedForMessage(value);
                return std::nullopt;
            }
            given(QuotedForMessage(value));
        } else if (name == "--tag-text") {
            if (!takeValue(value))
                return std::nullopt;
            if (value != "utf8" && value != "blank") {
                error = "option '--tag-text' needs utf8 or blank, not " + QuotedForMessage(value);
                return std::nullopt;
            }
            inv.overrides.tagTextAsWritten = value == "utf8";
            given(QuotedForMessage(value));
        } else if (name == "--save-log") {
            if (!takeValue(value))
                return std::nullopt;
            if (value.empty()) {
                error = "option '--save-log' needs a file name";
                return std::nullopt;
            }
            inv.saveLogFile = value;
            given(QuotedForMessage(value));
        } else if (name == "--settings") {
            if (!takeValue(value))
                return std::nullopt;
            if (value.empty()) {
                error = "option '--settings' needs a file name";
                return std::nullopt;
            }
            inv.settingsFile = value;
            given(QuotedForMessage(value));
        } else {
            error = "unknown option '" + name + "'";
            return std::nullopt;
        }
    }

    if (operands.empty()) {
        error = "no command given";
        return std::nullopt;
    }
    for (const auto& c : CommandNames)
        if (operands[0] == c.name)
            inv.command = c.command;
    if (inv.command == Command::None) {
        error = "unknown command '" + operands[0] + "'";
        return std::nullopt;
    }
    const std::size_t paths = inv.command == Command::Repair ? 2 : 1;
    if (operands.size() < 1 + paths) {
        error = "'" + operands[0] + "' needs " +
                (inv.command == Command::Repair                                 ? "a file and where its copy goes"
                 : inv.command == Command::Test || inv.command == Command::Info ? "a file"
                                                                                : "a folder");
        return std::nullopt;
    }
    if (operands.size() > 1 + paths) {
        error = "too many arguments (from '" + operands[1 + paths] + "' on); quote a path that holds blanks";
        return std::nullopt;
    }
    if (inv.command == Command::Repair) {
        inv.output = operands[2];
        if (inv.output.empty()) {
            error = "the path of the copy is empty";
            return std::nullopt;
        }
    }
    if (inv.format == OutputFormat::Csv && inv.command != Command::Catalog) {
        error = "'--format csv' is only for 'catalog'";
        return std::nullopt;
    }
    // An option that the command would ignore is a mistake worth naming.
    const unsigned command = 1u << static_cast<unsigned>(inv.command);
    for (const GivenOption& option : givenOptions) {
        const OptionScope* scope = ScopeOf(option.name);
        if (scope != nullptr && (scope->commands & command) == 0) {
            error = option.shown + " does not apply to '" + operands[0] + "' (it is for " + scope->commandNames + ")";
            return std::nullopt;
        }
    }
    inv.path = operands[1];
    if (inv.path.empty()) {
        error = "the path is empty";
        return std::nullopt;
    }
    return inv;
}

std::string UsageText() {
    return "Usage: tunewarden-cli COMMAND [OPTIONS] PATH [OUT]\n"
           "\n"
           "Checks and catalogues MPEG audio files (MP3, MPEG-1/2/2.5 layers I-III).\n"
           "Audio files are only read, never written.\n"
           "\n"
           "Commands:\n"
           "  test FILE        walk one file frame by frame and log every problem\n"
           "  info FILE        show the file's MPEG facts, ID3v1 tag and leading ID3v2 tag\n"
           "  test-dir DIR     test every .mp1/.mp2/.mp3 file of a folder up to its first problem\n"
           "  catalog DIR      write one delimited row per .mp1/.mp2/.mp3 file of a folder\n"
           "  repair FILE OUT  write a mended copy of a damaged file to OUT (a new file);\n"
           "                   the file itself is only read\n"
           "\n"
           "Options:\n"
           "  -r, --recurse           include every subfolder (test-dir, catalog)\n"
           "      --max-offset N      bytes to search for the first frame after a leading tag\n"
           "                          (default 5000)\n"
           "      --max-resync N      bytes to try when resynchronising (test; default 2000)\n"
           "      --no-bitrate-summary  leave out the bitrate summary of variable-rate files\n"
           "                          (test)\n"
           "      --report-eof-errors report problems in the last 1% of a file (test-dir)\n"
           "      --deep              deep check (test, test-dir): also compare the file with the\n"
           "                          records its encoder left (Xing/Info or VBRI frame and byte\n"
           "                          counts; the LAME tag's music length, music CRC and tag\n"
           "                          CRC) and check the CRC of every protected frame. This\n"
           "                          proves a file whole that was cut at a frame boundary or\n"
           "                          whose audio bytes changed; a file without such records\n"
           "                          gets the frame walk only, and the log says so\n"
           "      --move-to DIR       move files with problems into DIR, never replacing a file\n"
           "                          there (test-dir)\n"
           "      --repair-to DIR     write a mended copy of each file with problems under DIR,\n"
           "                          at its place in the tree, never replacing a file there;\n"
           "                          before any move (test-dir)\n"
           "      --delimiter C       field delimiter of the catalog: 'tab' (the default) or one\n"
           "                          printable ASCII character\n"
           "      --format F          what standard output gets: 'log' (the default), 'jsonl'\n"
           "                          (one JSON object per line) or 'csv' (catalog only)\n"
           "      --tag-text T        tag texts in the log: 'blank' (the default: every\n"
           "                          character outside printable ASCII a blank) or 'utf8'\n"
           "                          (as written, in UTF-8); JSON Lines and CSV always\n"
           "                          have them as written\n"
           "      --save-log FILE     also write the log to FILE (lines ended by CR LF), with\n"
           "                          any --format; FILE is replaced only when the run ends,\n"
           "                          and never when it names an audio file or a file the run\n"
           "                          reads\n"
           "      --settings FILE     read the options from a settings file first (its keys:\n"
           "                          man tunewarden-cli); the options given here override it\n"
           "  -h, --help              show this help and exit\n"
           "  -V, --version           show the version and exit\n"
           "\n"
           "Log lines go to standard output; progress goes to standard error when it is a\n"
           "terminal. Exit status: 0 nothing found, 1 a problem was found or a file could not\n"
           "be scanned, 2 usage error or the run could not start, 130 cancelled (Ctrl-C).\n";
}

}  // namespace tw::cli
