// How long a Test File run of a large file takes with the message pump
// throttled and with a look at the queue at every frame. Too slow for every
// test run: start it with --gtest_also_run_disabled_tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "shell/win32/MainDialogIds.h"
#include "tests/win32/MainWindowHarness.h"

namespace tw::win {
namespace {

using test::MainWindow;
using test::PumpMessages;
using test::ScratchFolder;

// 250,000 frames of 417 bytes: about 100 MB.
constexpr int LargeFileFrames = 250000;

double RunSeconds(MainWindow& w) {
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    w.click(IDC_MAIN_START);
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

TEST(PumpTimingTest, DISABLED_LargeFileWithAndWithoutThrottle) {
    ScratchFolder folder;
    const std::string song = folder / "large.mp3";
    {
        test::Bytes frame = test::SoundMp3(1);
        std::ofstream out(song, std::ios::binary);
        for (int i = 0; i < LargeFileFrames; ++i)
            out.write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
    }
    MainWindow w(folder, "[Options]\r\nAuto Start=false\r\n");
    w.postSelection(song);
    PumpMessages();
    ASSERT_TRUE(w.enabled(IDC_MAIN_START));

    double throttled = RunSeconds(w);
    std::vector<std::string> throttledLog = w.logTexts();
    w.dialog().setPumpInterval(0);
    double everyFrame = RunSeconds(w);
    std::printf("Test File of %d frames: %.2f s with the pump throttled to 15 ms, %.2f s pumping every frame\n",
                LargeFileFrames, throttled, everyFrame);
    EXPECT_EQ(w.logTexts(), throttledLog);
}

}  // namespace
}  // namespace tw::win
