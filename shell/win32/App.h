// The program object: start-up, the hand-over of a command line to a running
// instance, and the main window's modal run.
#pragma once

#include <windows.h>

#include <string>

namespace tw::win {

class MainDialog;

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
