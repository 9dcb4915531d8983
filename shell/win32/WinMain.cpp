// Entry point of Tunewarden.exe: the whole command line is one path, read
// from the wide command line so that a name in any script arrives whole.
#include <windows.h>

#include <exception>

#include "shell/win32/App.h"
#include "shell/win32/FailureBox.h"
#include "shell/win32/WideText.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        tw::win::App app(instance, tw::win::ArgumentsOf(GetCommandLineW()));
        return app.run();
    } catch (...) {
        tw::win::ShowFailure(nullptr, tw::win::FailureText(std::current_exception()));
        return 1;
    }
}
