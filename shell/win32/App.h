// The program object: start-up, the hand-over of a command line to a running
// instance, and the main window's modal run.
#pragma once

#include <windows.h>

#include <string>

namespace tw::win {

class MainDialog;

// The main window of a running instance: the first top-level window, in
// stacking order, that carries the instance property; null when none does.
HWND FindRunningInstance();

// Gives `commandLine` (unchanged, quotes and all) to the instance window
// `target` as a selection and brings that window to the front. False when
// the text can't travel (too long for an atom) or can't be posted; the
// caller then handles it itself.
bool HandOver(HWND target, const std::string& commandLine, UINT selectionMessage);

class App {
public:
    App(HINSTANCE instance, std::string commandLine);

    // Registers the selection message, hands a command line to a running
    // instance or runs the main window; gives the process's exit code.
    int run();

    const std::string& settingsPath() const { return settingsPath_; }
    const std::string& commandLine() const { return commandLine_; }
    MainDialog* mainWindow() const { return mainWindow_; }

private:
    HINSTANCE instance_;
    std::string commandLine_;
    std::string settingsPath_;
    MainDialog* mainWindow_ = nullptr;
};

}  // namespace tw::win
