// tunewarden-cli: the three functions of the program, and the information
// panes, without a window.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "cli/CliSink.h"
#include "cli/Options.h"
#include "cli/RecordOutput.h"
#include "common/Record.h"
#include "common/FileHelpers.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "reports/FileInfoReport.h"
#include "settings/Settings.h"

namespace {

using namespace tw;

constexpr int ExitClean = 0;
constexpr int ExitFound = 1;
constexpr int ExitUsage = 2;
constexpr int ExitCancelled = 130;

constexpr const char* Program = "tunewarden-cli";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", Program, message.c_str(), Program);
    return ExitUsage;
}

int CannotStart(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", Program, message.c_str());
    return ExitUsage;
}

// Writes each CR LF line of a pane as a log line.
void AppendPane(RunSink& sink, const std::string& title, const std::string& pane) {
    sink.appendLine(title, NoFile);
    std::size_t start = 0;
    while (start < pane.size()) {
        std::size_t end = pane.find("\r\n", start);
        if (end == std::string::npos)
            end = pane.size();
        sink.appendLine(pane.substr(start, end - start), NoFile);
        start = end + 2;
    }
}

// Start in Test File mode on an empty log: scan, then walk.
int RunTest(RunSink& sink, const Settings& settings, const std::string& path) {
    AudioFileInfo info;
    if (!info.scan(path, settings.maxOffset)) {
        sink.appendLine(info.errorText(), NoFile);
        if (RecordSink* records = sink.records()) {
            Record r("test");
            r.add("path", path).add("deep_check", settings.deepCheck);
            records->record(r.add("verdict", "scan-failed").add("problem", info.errorText()));
        }
        return ExitFound;
    }
    IntegrityTest test(sink, IntegrityTestOptionsOf(settings));
    return test.testFile(info) ? ExitFound : ExitClean;
}

int RunInfo(RunSink& sink, const Settings& settings, const std::string& path) {
    AudioFileInfo info;
    FileFacts facts;
    bool ok = ScanFile(SystemFileSystem(), path, settings.maxOffset, info, &facts);
    if (RecordSink* records = sink.records())
        records->record(FileInfoRecord(path, info, ok, facts));
    const TagTextStyle style = settings.tagTextAsWritten ? TagTextStyle::AsWritten : TagTextStyle::Blanked;
    AppendPane(sink, "MPEG Info", ok ? MpegInfoText(info) : std::string());
    AppendPane(sink, "ID3v1 Tag Info", Id3v1InfoText(info, style));
    AppendPane(sink, "Leading ID3v2 Tag Info", Id3v2InfoText(info, style));
    if (!ok)
        sink.appendLine(info.errorText(), NoFile);
    return ok ? ExitClean : ExitFound;
}

int RunTestDir(RunSink& sink, const Settings& settings, const std::string& dir) {
    DirectoryTest test(sink, DirectoryTestOptionsOf(settings), dir);
    DirectoryTest::Result result = test.testDirectory();
    if (result.outcome == DirectoryTest::Outcome::InvalidMoveFolder) {
        std::fprintf(stderr, "%s: %s\n", DirectoryTest::InvalidMoveFolderCaption, DirectoryTest::InvalidMoveFolderText);
        return ExitUsage;
    }
    return result.problems > 0 ? ExitFound : ExitClean;
}

int RunCatalog(RunSink& sink, const Settings& settings, const std::string& dir) {
    DirectoryCatalog catalog(sink, CatalogOptionsOf(settings), dir);
    DirectoryCatalog::Result result = catalog.catalogDirectory();
    return result.failedScans > 0 ? ExitFound : ExitClean;
}

int Main(const std::vector<std::string>& args) {
    std::string error;
    std::optional<cli::Invocation> parsed = cli::ParseCommandLine(args, error);
    if (!parsed)
        return UsageError(error);
    const cli::Invocation& inv = *parsed;
    if (inv.command == cli::Command::Help) {
        std::fputs(cli::UsageText().c_str(), stdout);
        return ExitClean;
    }
    if (inv.command == cli::Command::Version) {
        std::printf("%s %s\n", Program, TW_VERSION);
        return ExitClean;
    }

    Settings settings;
    if (!inv.settingsFile.empty() && !LoadSettingsFile(inv.settingsFile, settings))
        return CannotStart("cannot read the settings file '" + inv.settingsFile + "'");
    inv.overrides.applyTo(settings);

    const bool directoryRun = inv.command == cli::Command::TestDir || inv.command == cli::Command::Catalog;
    if (directoryRun && !DirectoryExists(inv.path))
        return CannotStart("'" + inv.path + "' is not a folder that can be read");

    std::FILE* saveLog = nullptr;
    if (!inv.saveLogFile.empty()) {
        saveLog = OpenForWriting(inv.saveLogFile);
        if (saveLog == nullptr)
            return CannotStart("cannot create the log file '" + inv.saveLogFile + "'");
    }

    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    InstallInterruptHandler();

    int status = ExitClean;
    {
        std::unique_ptr<RecordSink> recordOutput;
        if (inv.format == cli::OutputFormat::Jsonl) {
            recordOutput = std::make_unique<cli::JsonLinesOutput>(stdout, SystemFileSystem());
            recordOutput->record(cli::HeaderRecord(inv, settings, args, SystemFileSystem()));
        } else if (inv.format == cli::OutputFormat::Csv)
            recordOutput = std::make_unique<cli::CsvCatalogOutput>(stdout);
        cli::CliSink sink(stdout, saveLog, StderrIsTerminal(), recordOutput.get());
        switch (inv.command) {
            case cli::Command::Test:
                status = RunTest(sink, settings, inv.path);
                break;
            case cli::Command::Info:
                status = RunInfo(sink, settings, inv.path);
                break;
            case cli::Command::TestDir:
                status = RunTestDir(sink, settings, inv.path);
                break;
            case cli::Command::Catalog:
                status = RunCatalog(sink, settings, inv.path);
                break;
            default:
                break;
        }
        sink.finish();
        if (!sink.saveLogOk())
            status = CannotStart("writing the log file '" + inv.saveLogFile + "' failed");
    }
    if (saveLog != nullptr && std::fclose(saveLog) != 0)
        status = CannotStart("writing the log file '" + inv.saveLogFile + "' failed");
    if (std::fflush(stdout) != 0)
        status = CannotStart("writing standard output failed");
    if (InterruptRequested())
        return ExitCancelled;
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything is written, --help and --version included: every line
    // of standard output ends in LF alone, as on Linux.
    UseBinaryStdout();
    UseUtf8Console();
    return Main(CommandLineArguments(argc, argv));
}
