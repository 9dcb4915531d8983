// The terminal or console of the command-line tool: what it is, how its
// standard output writes line ends, and Ctrl-C. Only the command-line tool
// links this part of the platform layer.
#pragma once

#include <string>
#include <vector>

namespace tw {

// The arguments after the program's name, as UTF-8: Windows reads them from
// its wide command line, so that a name in any script arrives whole.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// True when standard error is an interactive terminal.
bool StderrIsTerminal();

// Width in columns of the terminal on standard error; 0 when unknown.
int StderrColumns();

// Standard output passes "\n" through unchanged (no CR added on Windows).
void UseBinaryStdout();

// A console that standard output or error writes to shows UTF-8 until the
// program ends (Windows); pipes and files get the bytes as they are.
void UseUtf8Console();

// Makes Ctrl-C (and SIGTERM on POSIX) set a flag instead of ending the
// process; InterruptRequested() reads that flag.
void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace tw
