// The single-instance hand-over between two real processes of the program:
// a path given to a second start reaches the window of the first.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/Unicode.h"
#include "shell/win32/HandOver.h"
#include "shell/win32/MainDialog.h"
#include "shell/win32/MainDialogIds.h"
#include "tests/win32/MainWindowHarness.h"

namespace tw::win {
namespace {

using test::ScratchFolder;

constexpr DWORD PatienceMs = 15000;

// Tunewarden.exe is built beside the test program.
std::string BuiltProgram() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.rfind('\\') + 1) + "Tunewarden.exe";
}

class Process {
public:
    Process(const std::string& program, const std::string& commandLine) {
        std::wstring line = Utf8ToUtf16("\"" + program + "\"");
        if (!commandLine.empty())
            line += L" " + Utf8ToUtf16(commandLine);
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(L'\0');
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(Utf8ToUtf16(program).c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &info_) != FALSE;
    }
    ~Process() {
        if (!started_)
            return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return started_; }
    DWORD id() const { return info_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when the process outlives `ms`.
    DWORD waitForExit(DWORD ms) {
        WaitForSingleObject(info_.hProcess, ms);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

// The main windows (windows with the instance property) of process `pid`.
std::vector<HWND> InstanceWindowsOf(DWORD pid) {
    std::vector<HWND> found;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && GetPropA(w, InstancePropertyName) != nullptr)
            found.push_back(w);
    }
    return found;
}

HWND WaitForInstanceWindow(DWORD pid) {
    for (DWORD waited = 0; waited < PatienceMs; waited += 50) {
        std::vector<HWND> windows = InstanceWindowsOf(pid);
        if (!windows.empty())
            return windows.front();
        Sleep(50);
    }
    return nullptr;
}

// A control's text in another process's window.
std::string RemoteText(HWND window, int id) {
    wchar_t text[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(window, id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    return Utf16ToUtf8(text);
}

bool WaitForText(HWND window, int id, const std::string& expected) {
    for (DWORD waited = 0; waited < PatienceMs; waited += 50) {
        if (RemoteText(window, id) == expected)
            return true;
        Sleep(50);
    }
    return false;
}

TEST(InstanceTest, ASecondStartHandsItsPathToTheRunningWindow) {
    ScratchFolder folder;
    const std::string program = folder / "Tunewarden.exe";
    ASSERT_TRUE(CopyFileA(BuiltProgram().c_str(), program.c_str(), FALSE)) << BuiltProgram();
    test::WriteText(folder / "Tunewarden.INI", "[Options]\r\nAuto Start=false\r\n");
    // Cyrillic on the first start's command line; Japanese and an emoji
    // outside the BMP handed over, in UTF-16.
    const std::string first = folder / "first \xD0\x9F\xD1\x80\xD0\xB8.mp3";
    const std::string second = folder / "second \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5.mp3";
    test::WriteBytes(first, test::SoundMp3(30));
    test::WriteBytes(second, test::SoundMp3(30));

    // No instance yet: the program starts and shows its own path.
    Process running(program, "\"" + first + "\"");
    ASSERT_TRUE(running.started());
    HWND window = WaitForInstanceWindow(running.id());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitForText(window, IDC_MAIN_PATH, "File: " + first));
    EXPECT_EQ(FindRunningInstance(), window);

    // A second start with a path: the running window is restored and shows
    // that path; the second process ends without a window of its own.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    {
        Process handing(program, "\"" + second + "\"");
        ASSERT_TRUE(handing.started());
        EXPECT_EQ(handing.waitForExit(PatienceMs), 0u);
        EXPECT_TRUE(InstanceWindowsOf(handing.id()).empty());
    }
    EXPECT_TRUE(WaitForText(window, IDC_MAIN_PATH, "File: " + second));
    EXPECT_FALSE(IsIconic(window));

    // A start without a path is an instance of its own.
    {
        Process independent(program, "");
        ASSERT_TRUE(independent.started());
        HWND other = WaitForInstanceWindow(independent.id());
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other, window);
        PostMessageA(other, WM_CLOSE, 0, 0);
        EXPECT_EQ(independent.waitForExit(PatienceMs), 0u);
    }

    // Closing writes the settings beside the program.
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(running.waitForExit(PatienceMs), 0u);
    std::string saved = test::ReadBytes(folder / "Tunewarden.INI");
    EXPECT_NE(saved.find("Test Dir Name=" + folder.path() + "\r\n"), std::string::npos) << saved;
}

}  // namespace
}  // namespace tw::win
