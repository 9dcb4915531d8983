// The terminal side of the POSIX platform layer, for the command-line tool.
#include "platform/Console.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tw {
namespace {

volatile sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int signalNumber) {
    if (g_interrupted != 0) {
        // A second Ctrl-C: the user no longer waits for a clean end.
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber);
        return;
    }
    g_interrupted = 1;
}

}  // namespace

bool StderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

int StderrColumns() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void UseBinaryStdout() {}

void UseUtf8Console() {}

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    // Restarted, not failed with EINTR: a write to a pipe that the signal
    // interrupts would otherwise lose the buffered output it carried.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
    return g_interrupted != 0;
}

}  // namespace tw
