// The program's main window: function selection, input, the three
// information panes, the output log and the run control. It is also the sink
// through which every run reports.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/RunSink.h"
#include "common/OutputLog.h"
#include "settings/Settings.h"
#include "shell/win32/Dialog.h"
#include "shell/win32/LogListBox.h"
#include "shell/win32/OptionsDialog.h"

namespace tw {
class AudioFileInfo;
}

namespace tw::win {

class MainDialog : public Dialog, public RunSink {
public:
    struct Startup {
        HINSTANCE instance = nullptr;
        std::string settingsPath;   // empty: nothing is loaded or saved
        std::string commandLine;    // one path, possibly quoted; empty for none
        UINT selectionMessage = 0;  // the registered selection message
    };

    explicit MainDialog(const Startup& startup);
    ~MainDialog() override;

    // RunSink: the log list, the status label, the progress bar and the pump.
    std::int32_t addFile(const std::string& path) override;
    void appendLine(const std::string& text, std::int32_t fileIndex) override;
    void setStatusText(const std::string& text) override;
    void setProgressPercent(std::int32_t percent) override;
    void pumpPendingMessages() override;
    bool cancelRequested() const override;
    void clearCancelRequest() override;

    const OutputLog& log() const { return log_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& testDirName() const { return testDirName_; }
    const std::string& logDirName() const { return logDirName_; }
    bool isRunning() const { return running_; }
    // The log list's horizontal scroll range: widest line + 5, 0 when empty.
    int widestLine() const { return logList_.widestLine(); }
    // Every setting as it would be saved now.
    Settings currentSettings() const;

    // The least time between two real looks at the message queue during a
    // run; a zero interval looks at every pump point.
    void setPumpInterval(double milliseconds) { pumpIntervalMs_ = milliseconds; }

    // Writes the log to `path` in the Save Log format; false (after telling
    // the user) when the file can't be created or written.
    bool writeLogFile(const std::string& path);

protected:
    bool onInit() override;
    bool onCommand(int id, int notifyCode, HWND control) override;
    void onSize(UINT type, int width, int height) override;
    void onOk() override {}
    void onCancel() override;
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    // Control events.
    void functionChanged();
    void load();
    void startOrCancel();
    void showOptions();
    void clearLog();
    void saveLog();
    void layOut();
    void showAbout();
    void exit();
    void openFileOfLine();
    void copyFileNameOfLine(int line);
    std::optional<std::string> fileOfLine(int line) const;

    // Selections from outside.
    void receiveSelection(ATOM atom);
    void receiveDrop(HDROP drop);
    void processSelection(const std::string& path);
    void processPendingSelection();
    void selectionDuringRun(const std::string& path);
    // Asks whether to cancel the run; Yes requests the cancel, No drops a
    // selection that came during the run.
    bool confirmCancel();

    // The panes.
    void reportFile(const std::string& path);
    void clearPanes();

    void initialise();
    void measureLayout();
    void loadSettings();
    void saveSettings();
    void closeWindow();

    RunFunction selectedFunction() const;
    void selectFunction(RunFunction function);
    void lockCommands(bool locked);
    void runFunctions(const AudioFileInfo& info);
    void setRunning(bool running);
    // Brings the status label and the progress bar up to date.
    void showRunState();
    int messageBox(const std::string& text, const char* caption, UINT type);

    Startup startup_;
    HICON icon_ = nullptr;

    std::string testDirName_;
    std::string logDirName_ = Settings().logDirName;
    std::string fileName_;
    OptionsDialog options_;
    OutputLog log_;
    LogListBox logList_;
    bool bound_ = false;

    // Geometry measured at initialisation, in client pixels.
    int listLeft_ = 0;
    int listTopWithInfo_ = 0;
    int listTopWithoutInfo_ = 0;
    int listRightMargin_ = 0;
    int listBottomMargin_ = 0;
    int hintLeft_ = 0;
    int hintBottomOffset_ = 0;
    int hintWidth_ = 0;
    int hintHeight_ = 0;

    // Run state.
    bool running_ = false;
    bool cancelRequested_ = false;
    bool closeRequested_ = false;
    bool confirming_ = false;  // a cancel question is open
    std::optional<std::string> pendingSelection_;
    std::string statusText_ = "Status";
    std::int32_t progress_ = 0;
    // False while the control lags behind the value (during a run).
    bool statusShown_ = true;
    bool progressShown_ = true;

    // Pump throttle.
    double pumpIntervalMs_ = 15.0;
    LONGLONG lastPump_ = 0;
    LONGLONG counterFrequency_ = 1;
};

}  // namespace tw::win
