// Paths from outside the main window (another instance, the program's own
// command line, a drop) and the panes that show a file.
#include "shell/win32/MainDialog.h"

#include <shellapi.h>

#include <algorithm>

#include "analysis/AudioFileInfo.h"
#include "common/FileHelpers.h"
#include "common/Text.h"
#include "reports/FileInfoReport.h"
#include "shell/win32/HandOver.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/MainDialogParts.h"
#include "shell/win32/WideText.h"

namespace tw::win {

void MainDialog::receiveSelection(ATOM atom) {
    std::optional<std::string> selection = TakeSelection(atom);
    if (!selection)
        return;
    std::string path = WithoutQuotes(*selection);
    if (sink_.isRunning()) {
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
    if (sink_.isRunning()) {
        selectionDuringRun(path);
        return;
    }
    processSelection(path);
}

void MainDialog::selectionDuringRun(const std::string& path) {
    // The latest selection wins. One question covers every selection that
    // arrives while it is open, or after a Yes while the run winds down.
    pendingSelection_ = path;
    if (confirming_) {
        // The open question comes to the front, not the window it would
        // hide behind (a second hand-over raises the window).
        BringToFront(handle());
        return;
    }
    if (sink_.cancelRequested())
        return;
    confirmCancel();
}

void MainDialog::processPendingSelection() {
    if (sink_.isRunning() || !pendingSelection_)
        return;
    std::string path = *pendingSelection_;
    pendingSelection_.reset();
    processSelection(path);
}

void MainDialog::processSelection(const std::string& path) {
    clearPanes();
    enableStart(false);
    if (options_.clearLog())
        clearLog();

    if (CanOpenFile(path)) {
        selectFunction(RunFunction::TestFile);
        SendMessageA(handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_MAIN_TEST_FILE)), TRUE);
        layOut();
        fileName_ = path;
        testDirName_ = FolderOf(path);
        reportFile(path);
        enableStart(true);
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
        enableStart(true);
        return;
    }
    messageBox(UnableToProcessText + path, SelectionErrorCaption, MB_OK);
}

// ---------------------------------------------------------------- panes

void MainDialog::reportFile(const std::string& path) {
    setItemText(IDC_MAIN_PATH, FilePrefix + path);
    AudioFileInfo info;
    bool scanned = info.scan(path, options_.maxOffset());
    showTagPanes(info);
    if (!scanned) {
        sink_.appendLine(info.errorText(), NoFile);
        return;
    }
    setItemText(IDC_MAIN_MPEG_INFO, MpegInfoText(info));
}

void MainDialog::showTagPanes(const AudioFileInfo& info) {
    const TagTextStyle style = options_.tagTextAsWritten() ? TagTextStyle::AsWritten : TagTextStyle::Blanked;
    setItemText(IDC_MAIN_ID3V1_INFO, Id3v1InfoText(info, style));
    setItemText(IDC_MAIN_ID3V2_INFO, Id3v2InfoText(info, style));
}

void MainDialog::clearPanes() {
    for (int id : {IDC_MAIN_PATH, IDC_MAIN_MPEG_INFO, IDC_MAIN_ID3V1_INFO, IDC_MAIN_ID3V2_INFO})
        setItemText(id, std::string());
    sink_.setStatusText(std::string());
}

}  // namespace tw::win
