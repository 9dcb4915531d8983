#include "shell/win32/MainDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "common/FileHelpers.h"
#include "common/Text.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "reports/FileInfoReport.h"
#include "shell/win32/AboutDialog.h"
#include "shell/win32/Centring.h"
#include "shell/win32/Clipboard.h"
#include "shell/win32/FileDialogs.h"
#include "shell/win32/FolderBrowser.h"
#include "shell/win32/HandOver.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/ResourceIds.h"
#include "shell/win32/WideText.h"
#include "shell/win32/WindowPlacement.h"

namespace tw::win {

namespace {

// Texts of the main window.
constexpr const char* AboutMenuText = "&About Tunewarden...";
constexpr const char* StartLabel = "Start";
constexpr const char* CancelLabel = "Cancel";
constexpr const char* FilePrefix = "File: ";
constexpr const char* TestDirPrefix = "Test Dir: ";
constexpr const char* CatalogDirPrefix = "Catalog Dir: ";
constexpr const char* ConfirmCancelText = "Are you sure you want to cancel?";
constexpr const char* ConfirmationCaption = "Confirmation";
constexpr const char* NoSelectionText = "No selection found.";
constexpr const char* MultipleSelectionText = "Multiple selection not allowed here.";
constexpr const char* UnableToProcessText = "Unable to process ";
constexpr const char* SelectionErrorCaption = "Selection Error";
constexpr const char* ErrorOpeningText = "Error opening ";
constexpr const char* FileOpenErrorCaption = "File Open Error";
constexpr const char* ErrorWritingText = "Error writing ";
constexpr const char* FileWriteErrorCaption = "File Write Error";

// The common file dialogs.
constexpr const char* LoadFilter = "MP3 Files (*.mp?)|*.mp?|All Files (*.*)|*.*||";
constexpr const char* SaveFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr const char* SaveInitialName = "Untitled";
constexpr const char* SaveDefaultExtension = "txt";

// Posted to the window itself: a selection kept back during a run is due.
constexpr UINT PendingSelectionMessage = WM_APP + 1;

// Gap between the "Start" button and the log when the panes are hidden.
constexpr int ListGapBelowStart = 10;

// The panes, each with its group box: shown together or not at all.
constexpr std::array<int, 6> PaneControls = {
    IDC_MAIN_MPEG_GROUP,  IDC_MAIN_MPEG_INFO,   // "MPEG Info"
    IDC_MAIN_ID3V1_GROUP, IDC_MAIN_ID3V1_INFO,  // "ID3v1 Tag Info"
    IDC_MAIN_ID3V2_GROUP, IDC_MAIN_ID3V2_INFO,  // "Leading ID3v2 Tag Info"
};

// The commands that a run locks; Start, "Hide MPEG Info", the path box and
// the log stay usable.
constexpr std::array<int, 9> LockedDuringRun = {
    IDC_MAIN_TEST_FILE, IDC_MAIN_TEST_DIRECTORY, IDC_MAIN_CATALOG_DIRECTORY, IDC_MAIN_LOAD,     IDC_MAIN_ABOUT,
    IDC_MAIN_EXIT,      IDC_MAIN_OPTIONS,        IDC_MAIN_CLEAR_LOG,         IDC_MAIN_SAVE_LOG,
};

std::string WithoutQuotes(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    return text;
}

RECT ClientRectOf(HWND control, HWND parent) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

MainDialog::MainDialog(const Startup& startup) : startup_(startup) {
    icon_ = LoadIconA(startup_.instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    LARGE_INTEGER frequency{};
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0)
        counterFrequency_ = frequency.QuadPart;
}

MainDialog::~MainDialog() {
    logList_.detach();
}

// ---------------------------------------------------------------- RunSink

std::int32_t MainDialog::addFile(const std::string& path) {
    return log_.addFile(path);
}

void MainDialog::appendLine(const std::string& text, std::int32_t fileIndex) {
    std::size_t logLine = log_.lines().size();
    log_.appendLine(text, fileIndex);
    logList_.addLine(text, logLine);
}

void MainDialog::setStatusText(const std::string& text) {
    if (text == statusText_)
        return;
    statusText_ = text;
    // During a run the label shows the latest text at each pump: once per
    // file would cost more than the file.
    statusShown_ = false;
    if (!running_)
        showRunState();
}

void MainDialog::setProgressPercent(std::int32_t percent) {
    if (percent == progress_)
        return;
    progress_ = percent;
    progressShown_ = false;
    if (!running_)
        showRunState();
}

void MainDialog::showRunState() {
    if (!statusShown_) {
        statusShown_ = true;
        setItemText(IDC_MAIN_STATUS, statusText_);
    }
    if (!progressShown_) {
        progressShown_ = true;
        SendDlgItemMessageA(handle(), IDC_MAIN_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(progress_), 0);
    }
}

void MainDialog::pumpPendingMessages() {
    // Looking at the queue is costly (a server round trip under Wine), and
    // the walks come here once per frame: look only every few milliseconds.
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    double sinceLast = static_cast<double>(now.QuadPart - lastPump_) * 1000.0 / static_cast<double>(counterFrequency_);
    if (lastPump_ != 0 && sinceLast < pumpIntervalMs_)
        return;
    lastPump_ = now.QuadPart;
    // What the run changed since the last pump is drawn now, with the
    // messages; the log list takes its new lines a few times a second.
    showRunState();
    logList_.updateIfDue();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: leave it for the loop that owns it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (handle() != nullptr && IsDialogMessageW(handle(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The interval counts from the end of this look: drawing can take longer
    // than the interval under a slow display, and the run must still get
    // its share of the time between two looks.
    QueryPerformanceCounter(&now);
    lastPump_ = now.QuadPart;
}

bool MainDialog::cancelRequested() const {
    return cancelRequested_ || closeRequested_;
}

void MainDialog::clearCancelRequest() {
    cancelRequested_ = false;
}

// ---------------------------------------------------------------- routing

bool MainDialog::onInit() {
    initialise();
    return true;
}

bool MainDialog::onCommand(int id, int notifyCode, HWND control) {
    using Route = CommandRoute<void (MainDialog::*)()>;
    static constexpr std::array<Route, 12> Routes = {{
        {IDC_MAIN_TEST_FILE, BN_CLICKED, &MainDialog::functionChanged},
        {IDC_MAIN_TEST_DIRECTORY, BN_CLICKED, &MainDialog::functionChanged},
        {IDC_MAIN_CATALOG_DIRECTORY, BN_CLICKED, &MainDialog::functionChanged},
        {IDC_MAIN_LOAD, BN_CLICKED, &MainDialog::load},
        {IDC_MAIN_START, BN_CLICKED, &MainDialog::startOrCancel},
        {IDC_MAIN_OPTIONS, BN_CLICKED, &MainDialog::showOptions},
        {IDC_MAIN_CLEAR_LOG, BN_CLICKED, &MainDialog::clearLog},
        {IDC_MAIN_SAVE_LOG, BN_CLICKED, &MainDialog::saveLog},
        {IDC_MAIN_HIDE_MPEG_INFO, BN_CLICKED, &MainDialog::layOut},
        {IDC_MAIN_ABOUT, BN_CLICKED, &MainDialog::showAbout},
        {IDC_MAIN_EXIT, BN_CLICKED, &MainDialog::exit},
        {IDC_MAIN_LOG, LBN_DBLCLK, &MainDialog::openFileOfLine},
    }};
    return RouteCommand(*this, Routes, id, notifyCode) || Dialog::onCommand(id, notifyCode, control);
}

void MainDialog::onSize(UINT type, int, int) {
    if (type == SIZE_MINIMIZED)
        return;
    layOut();
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainDialog::onCancel() {
    closeWindow();
}

INT_PTR MainDialog::onMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    handled = true;
    if (message == startup_.selectionMessage && message != 0) {
        receiveSelection(static_cast<ATOM>(wParam));
        return 0;
    }
    switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_MAIN_ABOUT) {
                showAbout();
                return TRUE;
            }
            break;
        case WM_DROPFILES:
            receiveDrop(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(icon_);
        case PendingSelectionMessage:
            processPendingSelection();
            return 0;
        case WM_DESTROY:
            // The list's font goes with the window: stop measuring with it.
            bound_ = false;
            logList_.detach();
            break;
        default:
            break;
    }
    handled = false;
    return FALSE;
}

// ---------------------------------------------------------------- start-up

void MainDialog::initialise() {
    HMENU windowMenu = GetSystemMenu(handle(), FALSE);
    if (windowMenu != nullptr) {
        AppendMenuA(windowMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(windowMenu, MF_STRING, IDM_MAIN_ABOUT, AboutMenuText);
    }
    if (icon_ != nullptr) {
        SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    }
    MarkAsRunningInstance(handle());

    logList_.attach(item(IDC_MAIN_LOG), [this](int line) { copyFileNameOfLine(line); });
    SendDlgItemMessageA(handle(), IDC_MAIN_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    bound_ = true;

    measureLayout();
    loadSettings();

    if (startup_.commandLine.empty()) {
        functionChanged();
        return;
    }
    // The path on our own command line arrives like one handed over by
    // another instance, once the window is up.
    layOut();
    enableItem(IDC_MAIN_START, false);
    std::string path = WithoutQuotes(startup_.commandLine);
    if (PostSelection(handle(), path, startup_.selectionMessage))
        return;
    // Too long for an atom: keep it ourselves rather than lose it.
    pendingSelection_ = path;
    PostMessageA(handle(), PendingSelectionMessage, 0, 0);
}

void MainDialog::measureLayout() {
    RECT client{};
    GetClientRect(handle(), &client);
    RECT list = ClientRectOf(item(IDC_MAIN_LOG), handle());
    listLeft_ = list.left;
    listTopWithInfo_ = list.top;
    listRightMargin_ = client.right - list.right;
    listBottomMargin_ = client.bottom - list.bottom;
    listTopWithoutInfo_ = ClientRectOf(item(IDC_MAIN_START), handle()).bottom + ListGapBelowStart;
    RECT hint = ClientRectOf(item(IDC_MAIN_HINT), handle());
    hintLeft_ = hint.left - client.left;
    hintBottomOffset_ = client.bottom - hint.top;
    hintWidth_ = hint.right - hint.left;
    hintHeight_ = hint.bottom - hint.top;
}

// ---------------------------------------------------------------- settings

void MainDialog::loadSettings() {
    Settings settings;
    WindowPlacement placement;
    if (!startup_.settingsPath.empty())
        LoadWindowSettings(startup_.settingsPath, settings, placement);
    // The window opens at its template's size for the current DPI.
    RECT opened{};
    GetWindowRect(handle(), &opened);
    SIZE templateSize{opened.right - opened.left, opened.bottom - opened.top};
    if (!ApplyPlacement(handle(), placement, templateSize))
        CentreInWorkArea(handle());

    selectFunction(settings.function);
    testDirName_ = settings.testDirName;
    logDirName_ = settings.logDirName;
    CheckDlgButton(handle(), IDC_MAIN_HIDE_MPEG_INFO, settings.hideMpegInfo ? BST_CHECKED : BST_UNCHECKED);
    options_.setFrom(settings);
}

Settings MainDialog::currentSettings() const {
    Settings settings;
    options_.storeInto(settings);
    // 1, 2 or 3 from the one checked button (0 when none is checked).
    settings.function =
        static_cast<RunFunction>(1 * isChecked(IDC_MAIN_TEST_FILE) + 2 * isChecked(IDC_MAIN_TEST_DIRECTORY) +
                                 3 * isChecked(IDC_MAIN_CATALOG_DIRECTORY));
    settings.testDirName = testDirName_;
    settings.logDirName = logDirName_;
    settings.hideMpegInfo = isChecked(IDC_MAIN_HIDE_MPEG_INFO);
    return settings;
}

void MainDialog::saveSettings() {
    if (startup_.settingsPath.empty())
        return;
    // A settings file that can't be written is given up silently.
    SaveWindowSettings(startup_.settingsPath, currentSettings(), PlacementOf(handle()));
}

// ---------------------------------------------------------------- commands

void MainDialog::functionChanged() {
    clearPanes();
    layOut();
    RunFunction function = selectedFunction();
    bool directoryMode = function == RunFunction::TestDirectory || function == RunFunction::CatalogDirectory;
    if (!directoryMode || !DirectoryExists(testDirName_)) {
        enableItem(IDC_MAIN_START, false);
        return;
    }
    const char* prefix = function == RunFunction::TestDirectory ? TestDirPrefix : CatalogDirPrefix;
    setItemText(IDC_MAIN_PATH, prefix + testDirName_);
    enableItem(IDC_MAIN_START, true);
}

void MainDialog::load() {
    enableItem(IDC_MAIN_START, false);
    if (options_.clearLog())
        clearLog();

    RunFunction function = selectedFunction();
    if (function == RunFunction::TestFile) {
        clearPanes();
        std::optional<std::string> path = AskForFileToOpen(handle(), LoadFilter, testDirName_);
        if (!path) {
            fileName_.clear();
            return;
        }
        fileName_ = *path;
        testDirName_ = FolderOf(fileName_);
        reportFile(fileName_);
        enableItem(IDC_MAIN_START, true);
        return;
    }

    BrowseForFolder(testDirName_, handle());
    if (!DirectoryExists(testDirName_))
        return;
    const char* prefix = function == RunFunction::TestDirectory ? TestDirPrefix : CatalogDirPrefix;
    setItemText(IDC_MAIN_PATH, prefix + testDirName_);
    enableItem(IDC_MAIN_START, true);
}

void MainDialog::startOrCancel() {
    if (running_) {
        confirmCancel();
        return;
    }
    if (options_.clearLog())
        clearLog();
    if (!log_.lines().empty()) {
        appendLine(std::string(), NoFile);
        appendLine(std::string(), NoFile);
    }

    AudioFileInfo info;
    if (isChecked(IDC_MAIN_TEST_FILE) && !info.scan(fileName_, options_.maxOffset())) {
        appendLine(info.errorText(), NoFile);
        return;
    }

    setRunning(true);
    try {
        runFunctions(info);
    } catch (...) {
        setRunning(false);
        throw;
    }
    setRunning(false);

    if (closeRequested_) {
        saveSettings();
        end(IDCANCEL);
        return;
    }
    if (pendingSelection_)
        PostMessageA(handle(), PendingSelectionMessage, 0, 0);
}

void MainDialog::runFunctions(const AudioFileInfo& info) {
    // The options can't change during the run: "Options" is locked.
    Settings settings = currentSettings();
    if (isChecked(IDC_MAIN_TEST_FILE))
        IntegrityTest(*this, IntegrityTestOptionsOf(settings)).testFile(info);
    if (isChecked(IDC_MAIN_TEST_DIRECTORY)) {
        DirectoryTest test(*this, DirectoryTestOptionsOf(settings), testDirName_);
        if (test.testDirectory().outcome == DirectoryTest::Outcome::InvalidMoveFolder)
            messageBox(DirectoryTest::InvalidMoveFolderText, DirectoryTest::InvalidMoveFolderCaption, MB_OK);
    }
    if (isChecked(IDC_MAIN_CATALOG_DIRECTORY))
        DirectoryCatalog(*this, CatalogOptionsOf(settings), testDirName_).catalogDirectory();
}

void MainDialog::setRunning(bool running) {
    lockCommands(running);
    setItemText(IDC_MAIN_START, running ? CancelLabel : StartLabel);
    running_ = running;
    logList_.setDeferred(running);
    if (!running) {
        showRunState();
        return;
    }
    cancelRequested_ = false;
    lastPump_ = 0;
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

void MainDialog::showOptions() {
    options_.show(handle());
}

void MainDialog::clearLog() {
    log_.clear();
    logList_.clear();
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
    switch (log_.saveToFile(path)) {
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

void MainDialog::layOut() {
    if (!bound_)
        return;
    RECT client{};
    GetClientRect(handle(), &client);
    bool testFile = isChecked(IDC_MAIN_TEST_FILE);
    bool panes = testFile && !isChecked(IDC_MAIN_HIDE_MPEG_INFO);
    int top = panes ? listTopWithInfo_ : listTopWithoutInfo_;
    // A window smaller than its template leaves the log at no size, not a negative one.
    int width = std::max(0, static_cast<int>(client.right) - listRightMargin_ - listLeft_);
    int height = std::max(0, static_cast<int>(client.bottom) - listBottomMargin_ - top);
    MoveWindow(item(IDC_MAIN_LOG), listLeft_, top, width, height, TRUE);
    MoveWindow(item(IDC_MAIN_HINT), client.left + hintLeft_, client.bottom - hintBottomOffset_, hintWidth_, hintHeight_,
               TRUE);
    showItem(IDC_MAIN_HIDE_MPEG_INFO, testFile);
    for (int id : PaneControls)
        showItem(id, panes);
}

void MainDialog::showAbout() {
    AboutDialog about;
    about.show(handle());
}

void MainDialog::exit() {
    closeWindow();
}

void MainDialog::closeWindow() {
    if (running_) {
        // Like a confirmed Cancel: the run stops at its next pump point, and
        // the window closes once it has returned.
        closeRequested_ = true;
        return;
    }
    saveSettings();
    end(IDCANCEL);
}

std::optional<std::string> MainDialog::fileOfLine(int line) const {
    std::optional<std::size_t> logLine = logList_.logLineAt(line);
    if (!logLine)
        return std::nullopt;
    return log_.filePathForLine(*logLine);
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

// ---------------------------------------------------------------- selections

void MainDialog::receiveSelection(ATOM atom) {
    std::optional<std::string> selection = TakeSelection(atom);
    if (!selection)
        return;
    std::string path = WithoutQuotes(*selection);
    if (running_) {
        selectionDuringRun(path);
        return;
    }
    processSelection(path);
}

void MainDialog::receiveDrop(HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::string path;
    if (count == 1) {
        std::wstring name(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
        UINT length = DragQueryFileW(drop, 0, &name[0], static_cast<UINT>(name.size()));
        name.resize(std::min<std::size_t>(length, name.size() - 1));
        path = ProgramText(name);
        // An empty name list reads as one empty name on some systems.
        if (path.empty())
            count = 0;
    }
    if (count == 0)
        messageBox(NoSelectionText, SelectionErrorCaption, MB_OK);
    if (count > 1)
        messageBox(MultipleSelectionText, SelectionErrorCaption, MB_OK);
    DragFinish(drop);
    if (count != 1)
        return;
    if (running_) {
        selectionDuringRun(path);
        return;
    }
    processSelection(path);
}

void MainDialog::selectionDuringRun(const std::string& path) {
    // The latest selection wins. One question covers every selection that
    // arrives while it is open, or after a Yes while the run winds down.
    pendingSelection_ = path;
    if (confirming_ || cancelRequested_ || closeRequested_)
        return;
    confirmCancel();
}

bool MainDialog::confirmCancel() {
    confirming_ = true;
    bool yes = messageBox(ConfirmCancelText, ConfirmationCaption, MB_YESNO) == IDYES;
    confirming_ = false;
    if (yes) {
        // The selection, if any, is taken up once the run has stopped.
        cancelRequested_ = true;
        return true;
    }
    // The run and its log go on untouched.
    pendingSelection_.reset();
    return false;
}

void MainDialog::processPendingSelection() {
    if (running_ || !pendingSelection_)
        return;
    std::string path = *pendingSelection_;
    pendingSelection_.reset();
    processSelection(path);
}

void MainDialog::processSelection(const std::string& path) {
    clearPanes();
    enableItem(IDC_MAIN_START, false);
    if (options_.clearLog())
        clearLog();

    if (CanOpenFile(path)) {
        selectFunction(RunFunction::TestFile);
        SendMessageA(handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_MAIN_TEST_FILE)), TRUE);
        layOut();
        fileName_ = path;
        testDirName_ = FolderOf(path);
        reportFile(path);
        enableItem(IDC_MAIN_START, true);
        if (options_.autoStart())
            startOrCancel();
        return;
    }
    if (DirectoryExists(path)) {
        selectFunction(RunFunction::TestDirectory);
        SendMessageA(handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_MAIN_TEST_DIRECTORY)), TRUE);
        layOut();
        testDirName_ = path;
        setItemText(IDC_MAIN_PATH, TestDirPrefix + path);
        enableItem(IDC_MAIN_START, true);
        return;
    }
    messageBox(UnableToProcessText + path, SelectionErrorCaption, MB_OK);
}

// ---------------------------------------------------------------- panes

void MainDialog::reportFile(const std::string& path) {
    setItemText(IDC_MAIN_PATH, FilePrefix + path);
    AudioFileInfo info;
    bool scanned = info.scan(path, options_.maxOffset());
    setItemText(IDC_MAIN_ID3V1_INFO, Id3v1InfoText(info));
    setItemText(IDC_MAIN_ID3V2_INFO, Id3v2InfoText(info));
    if (!scanned) {
        appendLine(info.errorText(), NoFile);
        return;
    }
    setItemText(IDC_MAIN_MPEG_INFO, MpegInfoText(info));
}

void MainDialog::clearPanes() {
    for (int id : {IDC_MAIN_PATH, IDC_MAIN_MPEG_INFO, IDC_MAIN_ID3V1_INFO, IDC_MAIN_ID3V2_INFO})
        setItemText(id, std::string());
    statusText_.clear();
    statusShown_ = true;
    setItemText(IDC_MAIN_STATUS, std::string());
}

// ---------------------------------------------------------------- helpers

RunFunction MainDialog::selectedFunction() const {
    if (isChecked(IDC_MAIN_TEST_DIRECTORY))
        return RunFunction::TestDirectory;
    if (isChecked(IDC_MAIN_CATALOG_DIRECTORY))
        return RunFunction::CatalogDirectory;
    return RunFunction::TestFile;
}

void MainDialog::selectFunction(RunFunction function) {
    int id = IDC_MAIN_TEST_FILE;
    if (function == RunFunction::TestDirectory)
        id = IDC_MAIN_TEST_DIRECTORY;
    if (function == RunFunction::CatalogDirectory)
        id = IDC_MAIN_CATALOG_DIRECTORY;
    for (int each : {IDC_MAIN_TEST_FILE, IDC_MAIN_TEST_DIRECTORY, IDC_MAIN_CATALOG_DIRECTORY})
        CheckDlgButton(handle(), each, each == id ? BST_CHECKED : BST_UNCHECKED);
}

int MainDialog::messageBox(const std::string& text, const char* caption, UINT type) {
    // A question during a run is asked over the log as it stands.
    logList_.update();
    return MessageBoxW(handle(), ShownText(text).c_str(), ShownText(caption).c_str(), type);
}

}  // namespace tw::win
