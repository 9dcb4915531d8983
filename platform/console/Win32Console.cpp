// The console side of the Windows platform layer, for the command-line tool.
#include "platform/Console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "text/Unicode.h"

namespace tw {
namespace {

volatile LONG g_interrupted = 0;
UINT g_savedOutputCodePage = 0;

bool IsConsole(DWORD stdHandle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stdHandle), &mode) != 0;
}

// The console is the user's: it gets its code page back, after the last
// buffered bytes have been shown in UTF-8.
void RestoreOutputCodePage() {
    std::fflush(stdout);
    SetConsoleOutputCP(g_savedOutputCodePage);
}

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        InterlockedExchange(&g_interrupted, 1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    // shell32 is loaded here, when the interrupt handler is in place, not
    // at the start: loading it takes long enough (under Wine tens of
    // milliseconds) that a Ctrl-C in that time met only the system's default
    // handler, which ends the process (under Wine with status 0).
    using SplitCommandLine = LPWSTR*(WINAPI*)(LPCWSTR, int*);
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    auto split = shell == nullptr ? nullptr
                                  : reinterpret_cast<SplitCommandLine>(
                                        reinterpret_cast<void (*)()>(GetProcAddress(shell, "CommandLineToArgvW")));
    int count = 0;
    LPWSTR* wide = split == nullptr ? nullptr : split(GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(Utf16ToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

bool StderrIsTerminal() {
    return IsConsole(STD_ERROR_HANDLE);
}

int StderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) == 0)
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void UseBinaryStdout() {
    _setmode(_fileno(stdout), _O_BINARY);
}

void UseUtf8Console() {
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    UINT current = GetConsoleOutputCP();
    if (current == 0 || current == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8))
        return;
    g_savedOutputCodePage = current;
    std::atexit(RestoreOutputCodePage);
}

void InstallInterruptHandler() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool InterruptRequested() {
    return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0;
}

}  // namespace tw
