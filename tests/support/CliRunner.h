// The built tunewarden-cli, run as a user would: through the shell, which on
// Windows hands the arguments over in the wide command line.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/Text.h"
#include "platform/Platform.h"
#include "text/Unicode.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace tw::test {

struct CliResult {
    std::string out;
    std::string err;
    int status = -1;
};

// One argument, quoted for the shell.
inline std::string Q(const std::string& arg) {
#ifdef _WIN32
    return "\"" + arg + "\"";
#else
    return "'" + arg + "'";
#endif
}

// `args` as the shell takes them (quote paths with Q); standard error is
// caught in a file beside the temporary folder.
inline CliResult RunCli(const std::string& args) {
    CliResult r;
    // Tests may run side by side in several processes: a name of its own.
    static int runs = 0;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path errFile = std::filesystem::temp_directory_path() /
                                          ("tw-cli-stderr-" + std::to_string(stamp) + "-" + std::to_string(++runs));
    const std::string redirect = " 2>" + Q(errFile.u8string());
#ifdef _WIN32
    // Beside the tests' folder; the outer quotes are the ones cmd takes off.
    const std::string cli = FolderOf(FolderOf(ExecutablePath())) + "\\tunewarden-cli.exe";
    std::FILE* pipe = _wpopen(Utf8ToUtf16("\"" + Q(cli) + " " + args + redirect + "\"").c_str(), L"rb");
#else
    std::FILE* pipe = popen((std::string(TW_CLI_PATH) + " " + args + redirect).c_str(), "r");
#endif
    if (pipe == nullptr)
        return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
#ifdef _WIN32
    r.status = _pclose(pipe);
#else
    int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    std::ifstream in(errFile, std::ios::binary);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    std::error_code ignored;
    std::filesystem::remove(errFile, ignored);
    // The Windows console side may end stderr lines in CR LF.
    std::string::size_type at;
    while ((at = r.err.find("\r\n")) != std::string::npos)
        r.err.erase(at, 1);
    return r;
}

}  // namespace tw::test
