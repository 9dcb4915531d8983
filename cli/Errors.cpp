#include "cli/Errors.h"

#include <cstdio>
#include <exception>
#include <new>

namespace tw::cli {

void PrintError(const std::string& message) {
    std::fflush(stdout);  // what the run wrote comes first
    std::fprintf(stderr, "%s: %s\n", ProgramName, message.c_str());
    std::fflush(stderr);
}

int RunReportingExceptions(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        PrintError("out of memory; the run stopped");
    } catch (const std::exception& e) {
        PrintError(std::string("unexpected error: ") + e.what() + "; the run stopped");
    } catch (...) {
        PrintError("unexpected error; the run stopped");
    }
    return ExitUsage;
}

}  // namespace tw::cli
