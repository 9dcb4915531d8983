// Entry point of Tunewarden.exe: the whole command line is one path.
#include <windows.h>

#include "shell/win32/App.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    try {
        tw::win::App app(instance, commandLine != nullptr ? commandLine : "");
        return app.run();
    } catch (...) {
        return 1;
    }
}
