// How tunewarden-cli ends: its exit statuses, and its messages on standard
// error, each one line that begins with the program's name.
#pragma once

#include <functional>
#include <string>

namespace tw::cli {

constexpr const char* ProgramName = "tunewarden-cli";

constexpr int ExitClean = 0;        // nothing found
constexpr int ExitFound = 1;        // a problem found, or a file that could not be scanned
constexpr int ExitUsage = 2;        // a usage error, or the run could not start or finish
constexpr int ExitCancelled = 130;  // Ctrl-C: the run ended with its cancel lines

// "tunewarden-cli: message" and a line end, on standard error.
void PrintError(const std::string& message);

// Runs `body` and gives its exit status. An exception that escapes it
// (memory exhausted, or any other) is told on standard error and gives
// ExitUsage, instead of ending the program in abort().
int RunReportingExceptions(const std::function<int()>& body);

}  // namespace tw::cli
