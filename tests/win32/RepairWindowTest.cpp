// Repair in the window: the Repair command on the file shown, and Test
// Directory with a folder for mended copies.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/Repair.h"
#include "platform/Platform.h"
#include "reports/DirectoryTest.h"
#include "reports/RepairReport.h"
#include "settings/Settings.h"
#include "shell/win32/MainDialogIds.h"
#include "text/Unicode.h"
#include "tests/support/RecordingSink.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::MainWindow;
using test::ScratchFolder;
using test::WindowText;

constexpr const char* Damaged = "junk-between-frames.mp3";
constexpr const char* SaveCopyCaption = "Save Repaired Copy As";

std::string SampleBytes(const std::string& name) {
    return test::ReadBytes(std::string(TW_SOURCE_DIR) + "/samples/" + name);
}

// The user, for every dialog a repair opens (one watcher of its own, as a
// message box follows the save dialog): the save dialog takes `typed` (or
// keeps what it offers), a question gets Yes, a message box OK. Anything
// still open after about five seconds is cancelled. With `cancelling`, the
// user notes the window's state once a run is going, and presses Cancel.
class User {
public:
    explicit User(const std::string& typed = "", MainWindow* cancelling = nullptr)
        : typed_(typed), cancelling_(cancelling) {
        active_ = this;
        timer_ = SetTimer(nullptr, 0, 20, Tick);
    }
    ~User() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    User(const User&) = delete;
    User& operator=(const User&) = delete;

    std::string offered;             // the name the save dialog offered
    std::vector<std::string> boxes;  // caption: text of each message box
    std::string runLabel;            // Start's label during the run
    bool repairInRun = true;         // Repair and Load enabled during the run
    bool loadInRun = true;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        User* self = active_;
        if (self == nullptr)
            return;
        HWND dialog = test::FindThreadDialog([self](HWND window) {
            return std::find(self->answered_.begin(), self->answered_.end(), window) == self->answered_.end() &&
                   (WindowText(window) == SaveCopyCaption || GetDlgItem(window, 0xFFFF) != nullptr);
        });
        MainWindow* w = self->cancelling_;
        if (dialog == nullptr && w != nullptr && self->runLabel.empty() && w->dialog().isRunning()) {
            self->runLabel = w->text(IDC_MAIN_START);
            self->repairInRun = w->enabled(IDC_MAIN_REPAIR);
            self->loadInRun = w->enabled(IDC_MAIN_LOAD);
            w->click(IDC_MAIN_START);
            return;
        }
        if (dialog == nullptr) {
            if (++self->idleTicks_ > 500) {
                HWND stuck = test::FindThreadDialog([](HWND) { return true; });
                if (stuck != nullptr)
                    PostMessageA(stuck, WM_COMMAND, IDCANCEL, 0);
            }
            return;
        }
        self->answered_.push_back(dialog);
        const std::string caption = WindowText(dialog);
        if (caption != SaveCopyCaption) {
            self->boxes.push_back(caption + ": " + WindowText(GetDlgItem(dialog, 0xFFFF)));
            PostMessageA(dialog, WM_COMMAND, GetDlgItem(dialog, IDYES) != nullptr ? IDYES : IDOK, 0);
            return;
        }
        HWND combo = GetDlgItem(dialog, 0x47C);  // cmb13, the name box of the Explorer form
        HWND name = combo != nullptr ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
        if (name == nullptr)
            name = combo != nullptr ? combo : GetDlgItem(dialog, 0x480);
        self->offered = WindowText(name);
        if (!self->typed_.empty())
            SetWindowTextW(name, Utf8ToUtf16(self->typed_).c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }

    static User* active_;
    std::string typed_;
    MainWindow* cancelling_;
    UINT_PTR timer_ = 0;
    int idleTicks_ = 0;
    std::vector<HWND> answered_;
};
User* User::active_ = nullptr;

TEST(RepairWindow, RepairWritesAMendedCopyOfTheFileShownAndNeverReplacesAFile) {
    ScratchFolder folder;
    const std::string song = folder / Damaged;
    const std::string original = SampleBytes(Damaged);
    ASSERT_FALSE(original.empty());
    test::WriteText(song, original);
    const std::string copy = folder / "junk-between-frames (repaired).mp3";

    // What the core writes for the same file.
    const std::string reference = folder / "reference.bin";
    const RepairResult core = RepairFile(
        SystemFileSystem(), song,
        [&](std::string& error) { return StagedRepairTarget(SystemFileSystem(), reference, error); }, 5000, nullptr);
    ASSERT_TRUE(core.repaired()) << core.reason;
    std::vector<std::string> expected = {"Repairing: " + song};
    for (const std::string& line : ReportRepair(song, copy, core, true).lines)
        expected.push_back(line);

    MainWindow w(folder, "[Options]\r\nAuto Start=false\r\n");
    EXPECT_FALSE(w.enabled(IDC_MAIN_REPAIR));  // nothing loaded yet
    w.postSelection(song);
    test::PumpMessages();
    ASSERT_TRUE(w.enabled(IDC_MAIN_REPAIR));
    {
        User user;
        w.click(IDC_MAIN_REPAIR);
        EXPECT_EQ(user.offered, "junk-between-frames (repaired).mp3");
        EXPECT_TRUE(user.boxes.empty());
    }
    EXPECT_EQ(w.logTexts(), expected);
    const auto& lines = w.dialog().log().lines();
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines[i].fileIndex, 0) << i;
    EXPECT_EQ(lines.back().fileIndex, 1);
    EXPECT_EQ(w.dialog().log().files(), (std::vector<std::string>{song, copy}));
    EXPECT_EQ(test::ReadBytes(copy), test::ReadBytes(reference));
    EXPECT_EQ(test::ReadBytes(song), original);
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
    EXPECT_EQ(w.text(IDC_MAIN_STATUS), "");
    EXPECT_EQ(SendMessageA(w.item(IDC_MAIN_PROGRESS), PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(w.enabled(IDC_MAIN_REPAIR));
    EXPECT_TRUE(w.enabled(IDC_MAIN_LOAD));

    // An existing name, the copy's or the original's, is refused and nothing is written.
    const std::string mended = test::ReadBytes(copy);
    for (const std::string& taken : {copy, song}) {
        User user(taken);
        w.click(IDC_MAIN_REPAIR);
        EXPECT_EQ(user.boxes, (std::vector<std::string>{"File Write Error: \"" + taken +
                                                        "\" already exists; a repair never replaces a file."}));
    }
    EXPECT_EQ(w.logTexts(), expected);
    EXPECT_EQ(test::ReadBytes(copy), mended);
    EXPECT_EQ(test::ReadBytes(song), original);

    // In a directory mode the command is off.
    SendMessageA(w.item(IDC_MAIN_TEST_DIRECTORY), BM_CLICK, 0, 0);
    EXPECT_FALSE(w.enabled(IDC_MAIN_REPAIR));
}

TEST(RepairWindow, ARepairIsARunThatCancelLeavesWithoutACopy) {
    ScratchFolder folder;
    const std::string song = folder / "long.mp3";
    test::WriteBytes(song, test::BrokenMp3(6000));
    MainWindow w(folder, "[Options]\r\nAuto Start=false\r\n");
    w.postSelection(song);
    test::PumpMessages();
    w.dialog().setPumpInterval(0);
    {
        User user("", &w);
        w.click(IDC_MAIN_REPAIR);
        EXPECT_EQ(user.boxes, (std::vector<std::string>{"Confirmation: Are you sure you want to cancel?"}));
        EXPECT_EQ(user.runLabel, "Cancel");
        EXPECT_FALSE(user.repairInRun);
        EXPECT_FALSE(user.loadInRun);
    }
    EXPECT_EQ(w.logTexts(), (std::vector<std::string>{"Repairing: " + song, "Repair cancelled; nothing was written."}));
    // Nothing beside the file: no copy, no temporary file.
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder / "*").c_str(), &found);
    std::vector<std::string> names;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(found.cFileName);
    }
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Tunewarden.INI", "long.mp3"}));
    EXPECT_TRUE(w.enabled(IDC_MAIN_REPAIR));
}

TEST(RepairWindow, TestDirectoryWritesMendedCopiesIntoTheRepairFolder) {
    ScratchFolder folder;
    const std::string music = folder / "music";
    const std::string mended = folder / "mended";
    ASSERT_TRUE(CreateDirectoryA(music.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(mended.c_str(), nullptr));
    test::WriteBytes(music + "\\good.mp3", test::SoundMp3(60));
    test::WriteText(music + "\\" + Damaged, SampleBytes(Damaged));
    const std::string copy = mended + "\\" + Damaged;

    // What the core writes for the same tree; then its copy goes.
    test::RecordingSink expected;
    Settings settings;
    settings.repairFiles = true;
    settings.repairFilesPath = mended;
    DirectoryTest(expected, DirectoryTestOptionsOf(settings), music).testDirectory();
    const std::string coreCopy = test::ReadBytes(copy);
    ASSERT_FALSE(coreCopy.empty()) << expected.joined();
    ASSERT_TRUE(DeleteFileA(copy.c_str()));

    MainWindow w(folder, "[Options]\r\nFunction=2\r\nTest Dir Name=" + music +
                             "\r\nRepair Files=true\r\nRepair Files Path=" + mended + "\r\n");
    w.click(IDC_MAIN_START);
    EXPECT_EQ(w.logTexts(), expected.texts());
    EXPECT_EQ(w.dialog().log().files(), expected.log.files());
    EXPECT_EQ(test::ReadBytes(copy), coreCopy);
    EXPECT_EQ(test::ReadBytes(music + "\\" + Damaged), SampleBytes(Damaged));

    // A folder that isn't there stops the run before it starts.
    MainWindow nowhere(folder, "[Options]\r\nFunction=2\r\nTest Dir Name=" + music +
                                   "\r\nRepair Files=true\r\nRepair Files Path=" + (folder / "nowhere") + "\r\n");
    User user;
    nowhere.click(IDC_MAIN_START);
    EXPECT_EQ(user.boxes, (std::vector<std::string>{std::string(DirectoryTest::InvalidMoveFolderCaption) + ": " +
                                                    DirectoryTest::InvalidRepairFolderText}));
    EXPECT_TRUE(nowhere.dialog().log().lines().empty());
}

}  // namespace
}  // namespace tw::win
