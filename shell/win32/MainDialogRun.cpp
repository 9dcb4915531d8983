// The main window's run control and the log's commands.
#include "shell/win32/MainDialog.h"

#include <shellapi.h>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "common/BufferedReader.h"
#include "common/Text.h"
#include "common/WriteTarget.h"
#include "platform/Platform.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "shell/win32/Clipboard.h"
#include "shell/win32/FileDialogs.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/MainDialogParts.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {

// The commands that a run locks; Start, "Hide MPEG Info", the path box and
// the log stay usable.
constexpr int LockedDuringRun[] = {
    IDC_MAIN_TEST_FILE, IDC_MAIN_TEST_DIRECTORY, IDC_MAIN_CATALOG_DIRECTORY, IDC_MAIN_LOAD,     IDC_MAIN_ABOUT,
    IDC_MAIN_EXIT,      IDC_MAIN_OPTIONS,        IDC_MAIN_CLEAR_LOG,         IDC_MAIN_SAVE_LOG, IDC_MAIN_REPAIR,
};

}  // namespace

void MainDialog::startOrCancel() {
    if (sink_.isRunning()) {
        confirmCancel();
        return;
    }
    prepareLogForRun();

    // The file under test is opened once, for the scan and the walk.
    AudioFileInfo info;
    std::unique_ptr<ReadableFile> file;
    std::unique_ptr<BufferedReader> reader;
    if (isChecked(IDC_MAIN_TEST_FILE)) {
        file = fileSystem().openForReading(fileName_);
        if (file)
            reader = std::make_unique<BufferedReader>(*file);
        if (!(reader ? info.scan(*reader, fileName_, options_.maxOffset()) : info.unableToOpen(fileName_))) {
            sink_.appendLine(info.errorText(), NoFile);
            return;
        }
    }
    runLocked([&] { runFunctions(info, reader.get()); });
}

FileSystem& MainDialog::fileSystem() {
    return SystemFileSystem();
}

void MainDialog::prepareLogForRun() {
    if (options_.clearLog())
        clearLog();
    if (!sink_.log().lines().empty()) {
        sink_.appendLine(std::string(), NoFile);
        sink_.appendLine(std::string(), NoFile);
    }
}

void MainDialog::runLocked(const std::function<void()>& work) {
    setRunning(true);
    try {
        work();
    } catch (...) {
        // The window goes on, with the log as far as the run got; the
        // failure is shown where it is caught. A close asked for during the
        // run waits for the user, who has yet to see why the run stopped.
        setRunning(false);
        throw;
    }
    setRunning(false);

    if (sink_.closeRequested()) {
        saveSettings();
        end(IDCANCEL);
        return;
    }
    if (pendingSelection_)
        PostMessageA(handle(), PendingSelectionMessage, 0, 0);
}

void MainDialog::runFunctions(const AudioFileInfo& info, BufferedReader* reader) {
    // The options can't change during the run: "Options" is locked.
    Settings settings = currentSettings();
    if (isChecked(IDC_MAIN_TEST_FILE) && reader != nullptr)
        IntegrityTest(sink_, IntegrityTestOptionsOf(settings)).testFile(info, *reader);
    if (isChecked(IDC_MAIN_TEST_DIRECTORY)) {
        DirectoryTest test(sink_, DirectoryTestOptionsOf(settings), testDirName_);
        switch (test.testDirectory().outcome) {
            case DirectoryTest::Outcome::InvalidMoveFolder:
                messageBox(DirectoryTest::InvalidMoveFolderText, DirectoryTest::InvalidMoveFolderCaption, MB_OK);
                break;
            case DirectoryTest::Outcome::InvalidRepairFolder:
                messageBox(DirectoryTest::InvalidRepairFolderText, DirectoryTest::InvalidMoveFolderCaption, MB_OK);
                break;
            case DirectoryTest::Outcome::Completed:
                break;
        }
    }
    if (isChecked(IDC_MAIN_CATALOG_DIRECTORY))
        DirectoryCatalog(sink_, CatalogOptionsOf(settings), testDirName_).catalogDirectory();
}

void MainDialog::setRunning(bool running) {
    lockCommands(running);
    setItemText(IDC_MAIN_START, running ? CancelLabel : StartLabel);
    if (running)
        sink_.beginRun();
    else
        sink_.endRun();
    updateRepairCommand();
}

void MainDialog::lockCommands(bool locked) {
    // A disabled control keeps no keyboard focus: hand it to Start (then
    // Cancel) first, or the keyboard would be dead until the next click.
    HWND focus = GetFocus();
    for (int id : LockedDuringRun) {
        if (locked && focus == item(id))
            SendMessageA(handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_MAIN_START)), TRUE);
    }
    for (int id : LockedDuringRun)
        enableItem(id, !locked);
}

void MainDialog::enableStart(bool enabled) {
    enableItem(IDC_MAIN_START, enabled);
    updateRepairCommand();
}

void MainDialog::updateRepairCommand() {
    // In Test File mode Start is enabled exactly when a file is loaded.
    enableItem(IDC_MAIN_REPAIR,
               !sink_.isRunning() && isChecked(IDC_MAIN_TEST_FILE) && IsWindowEnabled(item(IDC_MAIN_START)) != FALSE);
}

bool MainDialog::confirmCancel() {
    confirming_ = true;
    bool yes = messageBox(ConfirmCancelText, ConfirmationCaption, MB_YESNO) == IDYES;
    confirming_ = false;
    if (yes) {
        // The selection, if any, is taken up once the run has stopped.
        sink_.requestCancel();
        return true;
    }
    // The run and its log go on untouched.
    pendingSelection_.reset();
    return false;
}

// ---------------------------------------------------------------- the log

void MainDialog::clearLog() {
    sink_.clear();
}

void MainDialog::saveLog() {
    std::optional<std::string> path =
        AskForFileToSave(handle(), SaveFilter, SaveInitialName, SaveDefaultExtension, logDirName_);
    if (!path)
        return;
    logDirName_ = FolderOf(*path);
    writeLogFile(*path);
}

bool MainDialog::writeLogFile(const std::string& path) {
    // Said here, before anything is written; saveToFile refuses such a file
    // by itself, but can't say why.
    std::vector<std::string> inputs = sink_.log().files();
    for (const std::string& input : {fileName_, startup_.settingsPath}) {
        if (!input.empty())
            inputs.push_back(input);
    }
    WriteRefusal refusal = CheckWriteTarget(path, inputs);
    if (refusal != WriteRefusal::None) {
        messageBox(LogNotSavedText + ("\"" + path + "\" ") + WriteRefusalText(refusal) + ".", FileWriteErrorCaption,
                   MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    switch (sink_.log().saveToFile(path)) {
        case OutputLog::SaveResult::Saved:
            return true;
        case OutputLog::SaveResult::CannotCreate:
            messageBox(ErrorOpeningText + path, FileOpenErrorCaption, MB_OK | MB_ICONEXCLAMATION);
            return false;
        case OutputLog::SaveResult::CannotWrite:
            // A log cut short (a full disk) must not pass for a saved one.
            messageBox(ErrorWritingText + path, FileWriteErrorCaption, MB_OK | MB_ICONEXCLAMATION);
            return false;
    }
    return false;
}

std::optional<std::string> MainDialog::fileOfLine(int line) const {
    std::optional<std::size_t> logLine = logList_.logLineAt(line);
    if (!logLine)
        return std::nullopt;
    return sink_.log().filePathForLine(*logLine);
}

void MainDialog::openFileOfLine() {
    std::optional<std::string> path = fileOfLine(logList_.selectedLine());
    if (path)
        ShellExecuteW(GetParent(handle()), L"open", ShownText(*path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainDialog::copyFileNameOfLine(int line) {
    std::optional<std::string> path = fileOfLine(line);
    if (path)
        CopyTextToClipboard(handle(), *path);
}

}  // namespace tw::win
