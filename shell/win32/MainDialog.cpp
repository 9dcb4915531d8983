#include "shell/win32/MainDialog.h"

#include <commctrl.h>

#include "analysis/AudioFileInfo.h"
#include "common/FileHelpers.h"
#include "common/Text.h"
#include "shell/win32/AboutDialog.h"
#include "shell/win32/Centring.h"
#include "shell/win32/FileDialogs.h"
#include "shell/win32/FolderBrowser.h"
#include "shell/win32/HandOver.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/MainDialogParts.h"
#include "shell/win32/ResourceIds.h"
#include "shell/win32/WideText.h"
#include "shell/win32/WindowPlacement.h"

namespace tw::win {

MainDialog::MainDialog(const Startup& startup) : startup_(startup) {
    icon_ = LoadIconA(startup_.instance, MAKEINTRESOURCEA(IDI_PROGRAM));
}

MainDialog::~MainDialog() {
    sink_.detach();
    logList_.detach();
}

INT_PTR MainDialog::run() {
    return runModal(startup_.instance, IDD_MAIN, nullptr);
}

// ---------------------------------------------------------------- routing

bool MainDialog::onInit() {
    initialise();
    return true;
}

bool MainDialog::onCommand(int id, int notifyCode, HWND control) {
    using Route = CommandRoute<void (MainDialog::*)()>;
    static constexpr Route Routes[] = {
        {IDC_MAIN_TEST_FILE, BN_CLICKED, &MainDialog::functionChanged},
        {IDC_MAIN_TEST_DIRECTORY, BN_CLICKED, &MainDialog::functionChanged},
        {IDC_MAIN_CATALOG_DIRECTORY, BN_CLICKED, &MainDialog::functionChanged},
        {IDC_MAIN_LOAD, BN_CLICKED, &MainDialog::load},
        {IDC_MAIN_START, BN_CLICKED, &MainDialog::startOrCancel},
        {IDC_MAIN_OPTIONS, BN_CLICKED, &MainDialog::showOptions},
        {IDC_MAIN_CLEAR_LOG, BN_CLICKED, &MainDialog::clearLog},
        {IDC_MAIN_SAVE_LOG, BN_CLICKED, &MainDialog::saveLog},
        {IDC_MAIN_REPAIR, BN_CLICKED, &MainDialog::repair},
        {IDC_MAIN_HIDE_MPEG_INFO, BN_CLICKED, &MainDialog::layOut},
        {IDC_MAIN_ABOUT, BN_CLICKED, &MainDialog::showAbout},
        {IDC_MAIN_EXIT, BN_CLICKED, &MainDialog::exit},
        {IDC_MAIN_LOG, LBN_DBLCLK, &MainDialog::openFileOfLine},
    };
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

INT_PTR MainDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
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
        case WM_GETMINMAXINFO:
            // Never smaller than the template: the log would vanish and the
            // buttons on the right go off the edge.
            if (layout_.measured()) {
                auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
                limits->ptMinTrackSize = {layout_.minimumSize().cx, layout_.minimumSize().cy};
                return 0;
            }
            break;
        case WM_SHOWWINDOW:
            // The system shows a dialog restored; a maximized window is
            // maximized once that is done.
            if (wParam != FALSE && showOnceUp_ == ShowMaximized)
                PostMessageA(handle(), ShowOnceUpMessage, 0, 0);
            break;
        case ShowOnceUpMessage:
            if (showOnceUp_ == ShowMaximized)
                ShowWindow(handle(), SW_SHOWMAXIMIZED);
            showOnceUp_ = -1;
            return 0;
        case WM_DROPFILES:
            receiveDrop(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(icon_);
        case PendingSelectionMessage:
            processPendingSelection();
            return 0;
        case WM_DESTROY:
            // The list's font goes with the window: stop showing and measuring.
            sink_.detach();
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
    sink_.attach({handle(), &logList_, item(IDC_MAIN_STATUS), item(IDC_MAIN_PROGRESS)});

    // Before the saved placement changes the window's size.
    layout_.measure(handle());
    loadSettings();

    if (startup_.commandLine.empty()) {
        functionChanged();
        return;
    }
    // The path on our own command line arrives like one handed over by
    // another instance, once the window is up.
    layOut();
    enableStart(false);
    std::string path = WithoutQuotes(startup_.commandLine);
    if (PostSelection(handle(), path, startup_.selectionMessage))
        return;
    // Too long for an atom: keep it ourselves rather than lose it.
    pendingSelection_ = path;
    PostMessageA(handle(), PendingSelectionMessage, 0, 0);
}

// ---------------------------------------------------------------- settings

void MainDialog::loadSettings() {
    Settings settings;
    WindowPlacement placement;
    if (!startup_.settingsPath.empty())
        LoadWindowSettings(startup_.settingsPath, settings, placement);
    // The window opens at its template's size for the current DPI.
    showOnceUp_ = ApplyPlacement(handle(), placement, layout_.minimumSize());
    if (showOnceUp_ == -1)
        CentreInWorkArea(handle());

    selectFunction(settings.function);
    testDirName_ = settings.testDirName;
    logDirName_ = settings.logDirName;
    setChecked(IDC_MAIN_HIDE_MPEG_INFO, settings.hideMpegInfo);
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
        enableStart(false);
        return;
    }
    const char* prefix = function == RunFunction::TestDirectory ? TestDirPrefix : CatalogDirPrefix;
    setItemText(IDC_MAIN_PATH, prefix + testDirName_);
    enableStart(true);
}

void MainDialog::load() {
    enableStart(false);
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
        enableStart(true);
        return;
    }

    BrowseForFolder(testDirName_, handle());
    if (!DirectoryExists(testDirName_))
        return;
    const char* prefix = function == RunFunction::TestDirectory ? TestDirPrefix : CatalogDirPrefix;
    setItemText(IDC_MAIN_PATH, prefix + testDirName_);
    enableStart(true);
}

void MainDialog::showOptions() {
    const bool asWritten = options_.tagTextAsWritten();
    options_.show(handle());
    // The tag panes of the file shown follow the setting at once.
    if (options_.tagTextAsWritten() != asWritten && isChecked(IDC_MAIN_TEST_FILE) && !fileName_.empty() &&
        IsWindowEnabled(item(IDC_MAIN_START)) != FALSE) {
        AudioFileInfo info;
        info.scan(fileName_, options_.maxOffset());
        showTagPanes(info);
    }
}

void MainDialog::layOut() {
    bool testFile = isChecked(IDC_MAIN_TEST_FILE);
    layout_.apply(handle(), testFile, testFile && !isChecked(IDC_MAIN_HIDE_MPEG_INFO));
}

void MainDialog::showAbout() {
    AboutDialog about;
    about.show(handle());
}

void MainDialog::exit() {
    closeWindow();
}

void MainDialog::closeWindow() {
    if (sink_.isRunning()) {
        // Like a confirmed Cancel: the run stops at its next pump point, and
        // the window closes once it has returned.
        sink_.requestClose();
        return;
    }
    saveSettings();
    end(IDCANCEL);
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
        setChecked(each, each == id);
}

int MainDialog::messageBox(const std::string& text, const char* caption, UINT type) {
    // A question during a run is asked over the log as it stands, and over the window.
    sink_.showNow();
    CentreNextOwnedWindow centring(handle());
    return MessageBoxW(handle(), ShownText(text).c_str(), ShownText(caption).c_str(), type);
}

}  // namespace tw::win
