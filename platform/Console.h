// The terminal or console of the command-line tool: what it is, how its
// standard output writes line ends, and Ctrl-C. Only the command-line tool
// links this part of the platform layer.
#pragma once

namespace tw {

// True when standard error is an interactive terminal.
bool StderrIsTerminal();

// Width in columns of the terminal on standard error; 0 when unknown.
int StderrColumns();

// Standard output passes "\n" through unchanged (no CR added on Windows).
void UseBinaryStdout();

// Makes Ctrl-C (and SIGTERM on POSIX) set a flag instead of ending the
// process; InterruptRequested() reads that flag.
void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace tw
