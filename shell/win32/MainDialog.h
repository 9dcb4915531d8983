// The program's main window: function selection, input, the three
// information panes, the output log and the run control. What a run writes
// reaches the window through its WindowSink.
//
// Its code is in four files: MainDialog.cpp (start-up, routing, settings,
// the window's own commands), MainDialogRun.cpp (the run control and the
// log's commands), MainDialogRepair.cpp (the Repair command) and
// MainDialogSelection.cpp (paths from outside: another instance, the command
// line, drops; and the panes that show a file).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/OutputLog.h"
#include "settings/Settings.h"
#include "shell/win32/Dialog.h"
#include "shell/win32/LogListBox.h"
#include "shell/win32/MainLayout.h"
#include "shell/win32/OptionsDialog.h"
#include "shell/win32/WindowSink.h"

namespace tw {
class AudioFileInfo;
class BufferedReader;
class FileSystem;
}  // namespace tw

namespace tw::win {

class MainDialog : public Dialog {
public:
    struct Startup {
        HINSTANCE instance = nullptr;
        std::string settingsPath;   // empty: nothing is loaded or saved
        std::string commandLine;    // one path, possibly quoted; empty for none
        UINT selectionMessage = 0;  // the registered selection message
    };

    explicit MainDialog(const Startup& startup);
    ~MainDialog() override;

    // Runs the window modally, as the program does; gives Dialog::runModal's result.
    INT_PTR run();

    // Where runs report.
    WindowSink& sink() { return sink_; }
    const OutputLog& log() const { return sink_.log(); }
    const std::string& fileName() const { return fileName_; }
    const std::string& testDirName() const { return testDirName_; }
    const std::string& logDirName() const { return logDirName_; }
    bool isRunning() const { return sink_.isRunning(); }
    // The log list's horizontal scroll range: widest line + 5, 0 when empty.
    int widestLine() const { return logList_.widestLine(); }
    const LogListBox& logList() const { return logList_; }
    // Every setting as it would be saved now.
    Settings currentSettings() const;

    // The least time between two real looks at the message queue during a
    // run; a zero interval looks at every pump point.
    void setPumpInterval(double milliseconds) { sink_.setPumpInterval(milliseconds); }

    // Writes the log to `path` in the Save Log format; false (after telling
    // the user) when the file can't be created or written, or is one that is
    // never written: an audio file, a file the log speaks of, the file shown,
    // the settings file.
    bool writeLogFile(const std::string& path);

protected:
    bool onInit() override;
    bool onCommand(int id, int notifyCode, HWND control) override;
    void onSize(UINT type, int width, int height) override;
    void onOk() override {}
    void onCancel() override;
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // The selected functions, run one after the other (normally one is
    // checked). In Test File mode `reader` reads the file that `info` is the
    // scan of; null otherwise.
    virtual void runFunctions(const AudioFileInfo& info, BufferedReader* reader);
    // What Start and Repair read the file shown through.
    virtual FileSystem& fileSystem();

private:
    // The window's own commands (MainDialog.cpp).
    void functionChanged();
    void load();
    void showOptions();
    void layOut();
    void showAbout();
    void exit();
    void closeWindow();

    // Run control and the log's commands (MainDialogRun.cpp).
    void startOrCancel();
    // The log as a run finds it: cleared when the options say so, else two
    // blank lines after what it holds.
    void prepareLogForRun();
    // Runs `work` with the commands locked and Start reading Cancel; then
    // closes the window or takes up a selection, if they came meanwhile.
    void runLocked(const std::function<void()>& work);
    void setRunning(bool running);
    void lockCommands(bool locked);
    // Start, and with it Repair, which works on the file that Test File tests.
    void enableStart(bool enabled);
    void updateRepairCommand();
    // Asks whether to cancel the run; Yes requests the cancel, No drops a
    // selection that came during the run.
    bool confirmCancel();
    void clearLog();
    void saveLog();
    void openFileOfLine();
    void copyFileNameOfLine(int line);
    std::optional<std::string> fileOfLine(int line) const;

    // The Repair command (MainDialogRepair.cpp).
    void repair();
    std::optional<std::string> askForRepairCopy();
    void repairInto(const std::string& copy);

    // Selections from outside and the panes (MainDialogSelection.cpp).
    void receiveSelection(ATOM atom);
    void receiveDrop(HDROP drop);
    void processSelection(const std::string& path);
    void processPendingSelection();
    void selectionDuringRun(const std::string& path);
    void reportFile(const std::string& path);
    // The ID3v1 and ID3v2 panes, tag texts as the options say.
    void showTagPanes(const AudioFileInfo& info);
    void clearPanes();

    // Start-up and settings (MainDialog.cpp).
    void initialise();
    void loadSettings();
    void saveSettings();

    RunFunction selectedFunction() const;
    void selectFunction(RunFunction function);
    int messageBox(const std::string& text, const char* caption, UINT type);

    Startup startup_;
    HICON icon_ = nullptr;

    std::string testDirName_;
    std::string logDirName_ = Settings().logDirName;
    std::string fileName_;
    OptionsDialog options_;
    WindowSink sink_;
    LogListBox logList_;
    MainLayout layout_;
    // The saved show command still to apply once the window is shown (-1: none).
    std::int32_t showOnceUp_ = -1;

    // Run state beyond the sink's.
    bool confirming_ = false;  // a cancel question is open
    std::optional<std::string> pendingSelection_;
};

}  // namespace tw::win
