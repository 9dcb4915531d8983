#include "shell/win32/App.h"

#include <commctrl.h>

#include <utility>

#include "platform/Platform.h"
#include "settings/Settings.h"
#include "shell/win32/MainDialog.h"
#include "shell/win32/ResourceIds.h"

namespace tw::win {

HWND FindRunningInstance() {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetPropA(window, InstancePropertyName) != nullptr)
            return window;
    }
    return nullptr;
}

bool HandOver(HWND target, const std::string& commandLine, UINT selectionMessage) {
    ATOM atom = GlobalAddAtomA(commandLine.c_str());
    if (atom == 0)
        return false;
    OpenIcon(target);
    SetForegroundWindow(target);
    if (!PostMessageA(target, selectionMessage, atom, 0)) {
        GlobalDeleteAtom(atom);
        return false;
    }
    return true;
}

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
    INT_PTR result = dialog.runModal(instance_, IDD_MAIN, nullptr);
    mainWindow_ = nullptr;
    return result == -1 ? 1 : 0;
}

}  // namespace tw::win
