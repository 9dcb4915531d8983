// Files per second of Test Directory and Catalog Directory in the window,
// and the longest the window went without handling its messages. Too slow
// for every test run: start it with --gtest_also_run_disabled_tests. The
// folder is TW_TIMING_DIR when set (e.g. 20,001 small files, to compare with
// tunewarden-cli.exe on the same files), else 2,000 files made here.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/win32/MainDialogIds.h"
#include "tests/win32/MainWindowHarness.h"

namespace tw::win {
namespace {

using test::MainWindow;
using test::ScratchFolder;

double Now() {
    LARGE_INTEGER frequency{}, now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The longest gap between two ticks of a 5 ms thread timer: how late the
// window would answer a click.
struct Responsiveness {
    Responsiveness() {
        active = this;
        start = last = Now();
        timer = SetTimer(nullptr, 0, 5, Tick);
    }
    ~Responsiveness() {
        KillTimer(nullptr, timer);
        active = nullptr;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        double now = Now();
        if (now - active->last > active->longest) {
            active->longest = now - active->last;
            active->longestEnded = now - active->start;
        }
        active->last = now;
    }
    static Responsiveness* active;
    UINT_PTR timer = 0;
    double start = 0;
    double last = 0;
    double longest = 0;
    double longestEnded = 0;  // seconds into the run
};
Responsiveness* Responsiveness::active = nullptr;

TEST(DirectoryTimingTest, DISABLED_FilesPerSecond) {
    ScratchFolder folder;
    std::string music;
    int files = 0;
    if (const char* given = std::getenv("TW_TIMING_DIR")) {
        music = given;
        WIN32_FIND_DATAA found{};
        HANDLE find = FindFirstFileA((music + "\\*.mp?").c_str(), &found);
        for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
            ++files;
        if (find != INVALID_HANDLE_VALUE)
            FindClose(find);
    } else {
        music = folder / "music";
        CreateDirectoryA(music.c_str(), nullptr);
        files = 2000;
        for (int i = 0; i < files; ++i)
            test::WriteBytes(music + "\\" + std::to_string(i) + ".mp3", test::SoundMp3(3));
    }
    for (int function : {2, 3}) {
        MainWindow w(folder,
                     "[Options]\r\nFunction=" + std::to_string(function) + "\r\nTest Dir Name=" + music + "\r\n");
        Responsiveness watch;
        double start = Now();
        w.click(IDC_MAIN_START);
        double seconds = Now() - start;
        std::printf("%s of %d files: %.2f s, %.0f files/s; longest without messages %.0f ms (ended %.2f s in)\n",
                    function == 2 ? "Test Directory" : "Catalog Directory", files, seconds, files / seconds,
                    watch.longest * 1000.0, watch.longestEnded);
    }
}

}  // namespace
}  // namespace tw::win
