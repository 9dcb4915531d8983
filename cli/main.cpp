// tunewarden-cli: the three functions of the program, and the information
// panes, without a window.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "analysis/Repair.h"
#include "cli/CliSink.h"
#include "cli/Errors.h"
#include "cli/Options.h"
#include "cli/RecordOutput.h"
#include "cli/ReportingFileSystem.h"
#include "cli/RunChecks.h"
#include "common/BufferedReader.h"
#include "common/Record.h"
#include "common/Text.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "reports/FileInfoReport.h"
#include "reports/RepairReport.h"
#include "settings/Settings.h"
#include "settings/SettingsCheck.h"

namespace {

using namespace tw;
using namespace tw::cli;

int UsageError(const std::string& message) {
    PrintError(message);
    std::fprintf(stderr, "Try '%s --help' for more information.\n", ProgramName);
    return ExitUsage;
}

int CannotStart(const std::string& message) {
    PrintError(message);
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

// A Ctrl-C that came before anything was written: a run that never started
// has no cancel lines, so it writes nothing at all.
bool CancelledBeforeOutput() {
    return InterruptRequested();
}

// Start in Test File mode on an empty log: scan, then walk.
int RunTest(CliSink& sink, FileSystem& fileSystem, const Settings& settings, const std::string& path) {
    // One opening for the scan and the walk.
    AudioFileInfo info;
    std::unique_ptr<ReadableFile> file = fileSystem.openForReading(path);
    std::unique_ptr<BufferedReader> reader;
    if (file)
        reader = std::make_unique<BufferedReader>(*file);
    if (!(reader ? info.scan(*reader, path, settings.maxOffset) : info.unableToOpen(path))) {
        if (CancelledBeforeOutput())
            return ExitCancelled;
        sink.appendLine(info.errorText(), NoFile);
        if (RecordSink* records = sink.records()) {
            Record r("test");
            r.add("path", path).add("deep_check", settings.deepCheck);
            records->record(r.add("verdict", "scan-failed").add("problem", info.errorText()));
        }
        return ExitFound;
    }
    IntegrityTest test(sink, IntegrityTestOptionsOf(settings), fileSystem);
    const bool problems = test.testFile(info, *reader);
    if (sink.cancelSeen())
        return ExitCancelled;
    return problems ? ExitFound : ExitClean;
}

int RunInfo(CliSink& sink, FileSystem& fileSystem, const Settings& settings, const std::string& path) {
    AudioFileInfo info;
    FileFacts facts;
    bool ok = ScanFile(fileSystem, path, settings.maxOffset, info, &facts);
    if (CancelledBeforeOutput())
        return ExitCancelled;
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

int RunTestDir(CliSink& sink, FileSystem& fileSystem, const Settings& settings, const std::string& dir) {
    DirectoryTest test(sink, DirectoryTestOptionsOf(settings), dir, fileSystem);
    DirectoryTest::Result result = test.testDirectory();
    if (result.outcome == DirectoryTest::Outcome::InvalidMoveFolder)
        return CannotStart("cannot move files into " + QuotedForMessage(settings.moveFilesPath));
    if (result.outcome == DirectoryTest::Outcome::InvalidRepairFolder)
        return CannotStart("cannot write mended copies into " + QuotedForMessage(settings.repairFilesPath));
    if (result.cancelled)
        return ExitCancelled;
    return result.problems > 0 ? ExitFound : ExitClean;
}

int RunCatalog(CliSink& sink, FileSystem& fileSystem, const Settings& settings, const std::string& dir) {
    DirectoryCatalog catalog(sink, CatalogOptionsOf(settings), dir, fileSystem);
    DirectoryCatalog::Result result = catalog.catalogDirectory();
    if (result.cancelled)
        return ExitCancelled;
    return result.failedScans > 0 ? ExitFound : ExitClean;
}

// repair FILE OUT: the check, the copy and its proof, then what was done.
int RunRepair(CliSink& sink, FileSystem& fileSystem, const Settings& settings, const std::string& path,
              const std::string& out) {
    const std::int32_t fileIndex = sink.addFile(path);
    sink.appendLine("Repairing: " + path, fileIndex);
    const RepairResult result = RepairFile(
        fileSystem, path, [&](std::string& error) { return StagedRepairTarget(fileSystem, out, error); },
        settings.maxOffset, &sink);
    const RepairReport report = ReportRepair(fileSystem.absolutePath(path), fileSystem.absolutePath(out), result, true);
    const std::int32_t copyIndex = result.repaired() ? sink.addFile(out) : NoFile;
    for (std::size_t i = 0; i < report.lines.size(); ++i)
        sink.appendLine(report.lines[i], i + 1 == report.lines.size() ? copyIndex : fileIndex);
    if (RecordSink* records = sink.records())
        records->record(report.record);
    switch (result.outcome) {
        case RepairResult::Outcome::Repaired:
            return ExitClean;
        case RepairResult::Outcome::Cancelled:
            return ExitCancelled;
        case RepairResult::Outcome::Failed:
            PrintError("cannot write the copy " + QuotedForMessage(out) + ": " + result.reason);
            return ExitUsage;
        default:
            return ExitFound;
    }
}

// The settings file, checked: one warning per line it can't take in full.
bool LoadSettingsOf(const Invocation& inv, Settings& settings) {
    if (inv.settingsFile.empty())
        return true;
    std::vector<SettingsWarning> warnings;
    std::string error;
    if (!LoadCheckedSettingsFile(inv.settingsFile, settings, warnings, error)) {
        PrintError("cannot use the settings file " + QuotedForMessage(inv.settingsFile) + ": " + error);
        return false;
    }
    for (const SettingsWarning& w : warnings) {
        const std::string where = w.line > 0 ? ":" + std::to_string(w.line) : std::string();
        PrintError(inv.settingsFile + where + ": " + w.key + ": " + w.message);
    }
    return true;
}

int Main(const std::vector<std::string>& args) {
    std::string error;
    std::optional<Invocation> parsed = ParseCommandLine(args, error);
    if (!parsed)
        return UsageError(error);
    const Invocation& inv = *parsed;
    if (inv.command == Command::Help) {
        std::fputs(UsageText().c_str(), stdout);
        return ExitClean;
    }
    if (inv.command == Command::Version) {
        std::printf("%s %s\n", ProgramName, TW_VERSION);
        return ExitClean;
    }

    // Before anything is read or written.
    std::string refusal = SaveLogRefusal(inv);
    if (!refusal.empty())
        return UsageError(refusal);

    Settings settings;
    if (!LoadSettingsOf(inv, settings))
        return ExitUsage;
    inv.overrides.applyTo(settings);

    FileSystem& system = SystemFileSystem();
    const bool directoryRun = inv.command == Command::TestDir || inv.command == Command::Catalog;
    if (directoryRun) {
        std::string problem = InputFolderProblem(system, inv.path);
        if (!problem.empty())
            return CannotStart(problem);
    }
    for (const std::string& problem : {MoveFolderProblem(system, settings, inv),
                                       RepairFolderProblem(system, settings, inv), RepairOutputProblem(system, inv)})
        if (!problem.empty())
            return CannotStart(problem);

    // The saved log is written beside its target and takes its place only
    // when the run has ended, so that a run that stops leaves the old file.
    std::unique_ptr<StagedFile> saveLog;
    if (!inv.saveLogFile.empty()) {
        saveLog = CreateStagedFile(inv.saveLogFile, StagedFile::Mode::Replace, error);
        if (!saveLog)
            return CannotStart("cannot write the log file " + QuotedForMessage(inv.saveLogFile) + ": " + error);
    }

    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    int status = ExitClean;
    {
        std::unique_ptr<RecordSink> recordOutput;
        if (inv.format == OutputFormat::Jsonl) {
            recordOutput = std::make_unique<JsonLinesOutput>(stdout, system);
            recordOutput->record(HeaderRecord(inv, settings, args, system));
        } else if (inv.format == OutputFormat::Csv) {
            recordOutput = std::make_unique<CsvCatalogOutput>(stdout);
        }
        CliSink sink(stdout, saveLog ? saveLog->stream() : nullptr, StderrIsTerminal(), recordOutput.get());
        ReportingFileSystem fileSystem(system, [&sink](const std::string& message) { sink.warn(message); });
        switch (inv.command) {
            case Command::Test:
                status = RunTest(sink, fileSystem, settings, inv.path);
                break;
            case Command::Info:
                status = RunInfo(sink, fileSystem, settings, inv.path);
                break;
            case Command::TestDir:
                status = RunTestDir(sink, fileSystem, settings, inv.path);
                break;
            case Command::Catalog:
                status = RunCatalog(sink, fileSystem, settings, inv.path);
                break;
            case Command::Repair:
                status = RunRepair(sink, fileSystem, settings, inv.path, inv.output);
                break;
            default:
                break;
        }
        sink.finish();
        if (saveLog && status == ExitCancelled) {
            saveLog.reset();
            PrintError("cancelled; the log file " + QuotedForMessage(inv.saveLogFile) + " was left as it was");
        } else if (saveLog) {
            if (!sink.saveLogOk())
                error = "a write failed";
            if (!sink.saveLogOk() || !saveLog->commit(error))
                status = CannotStart("writing the log file " + QuotedForMessage(inv.saveLogFile) + " failed: " + error +
                                     "; it was left as it was");
        }
    }
    if (std::fflush(stdout) != 0)
        status = CannotStart("writing standard output failed");
    return status;
}

// A Ctrl-C is a cancel that the run answers with its own lines from the
// program's first instruction on, never an abrupt end: the handler is put in
// place before every other static initialisation, and so before main().
// (On Windows a Ctrl-C that comes before it ends the process at once, under
// Wine with status 0.)
struct InterruptHandlerFirst {
    InterruptHandlerFirst() { InstallInterruptHandler(); }
};
#if defined(__GNUC__)
InterruptHandlerFirst installedFirst __attribute__((init_priority(101)));
#else
InterruptHandlerFirst installedFirst;
#endif

}  // namespace

int main(int argc, char** argv) {
    // Before anything is written, --help and --version included: every line
    // of standard output ends in LF alone, as on Linux.
    UseBinaryStdout();
    UseUtf8Console();
    return RunReportingExceptions([&] { return Main(CommandLineArguments(argc, argv)); });
}
