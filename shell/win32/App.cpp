#include "shell/win32/App.h"

#include <commctrl.h>

#include <utility>

#include "platform/Platform.h"
#include "common/Text.h"
#include "settings/Settings.h"
#include "shell/win32/FailureBox.h"
#include "shell/win32/HandOver.h"
#include "shell/win32/MainDialog.h"

namespace tw::win {

App::App(HINSTANCE instance, std::string commandLine)
    : instance_(instance), commandLine_(std::move(commandLine)), settingsPath_(SettingsFilePath(ExecutablePath())) {}

int App::run() {
    InitCommonControls();
    UINT selectionMessage = RegisterWindowMessageA(SelectionMessageName);

    if (!commandLine_.empty() && selectionMessage != 0) {
        HWND running = FindRunningInstance();
        if (running != nullptr && HandOver(running, commandLine_, selectionMessage))
            return 0;
    }

    MainDialog::Startup startup;
    startup.instance = instance_;
    startup.settingsPath = settingsPath_;
    startup.commandLine = commandLine_;
    startup.selectionMessage = selectionMessage;
    MainDialog dialog(startup);
    mainWindow_ = &dialog;
    INT_PTR result = dialog.run();
    mainWindow_ = nullptr;
    if (result != -1)
        return 0;
    ShowFailure(nullptr, FormatText("The window could not be opened (system error %lu).", GetLastError()));
    return 1;
}

}  // namespace tw::win
