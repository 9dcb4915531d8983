// The main window driven through its messages: start-up states, function
// changes and layout, selections and drops, runs with and without a cancel,
// the log's commands, Save Log and the settings kept between starts.
#include "shell/win32/MainDialog.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "common/WriteTarget.h"
#include "platform/Platform.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "reports/FileInfoReport.h"
#include "shell/win32/HandOver.h"
#include "shell/win32/Clipboard.h"
#include "shell/win32/MainDialogIds.h"
#include "tests/support/RecordingSink.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::BrokenMp3;
using test::CaptionIs;
using test::ClipboardText;
using test::MainWindow;
using test::MakeDrop;
using test::PumpMessages;
using test::ScratchFolder;
using test::SoundMp3;
using test::WhenDialogOpens;
using test::WindowText;
using test::WriteBytes;

constexpr int PaneIds[] = {IDC_MAIN_MPEG_GROUP, IDC_MAIN_MPEG_INFO,   IDC_MAIN_ID3V1_GROUP,
                           IDC_MAIN_ID3V1_INFO, IDC_MAIN_ID3V2_GROUP, IDC_MAIN_ID3V2_INFO};

std::string Options(const std::string& lines) {
    return "[Options]\r\n" + lines;
}

// Clicks a radio button or check box the way the mouse would.
void Press(MainWindow& w, int id) {
    SendMessageA(w.item(id), BM_CLICK, 0, 0);
}

int PanesVisible(const MainWindow& w) {
    int n = 0;
    for (int id : PaneIds)
        n += w.visible(id) ? 1 : 0;
    return n;
}

// The text of a message box (its static text control).
std::string MessageBoxText(HWND box) {
    return WindowText(GetDlgItem(box, 0xFFFF));
}

// Answers the next message box with `caption` by `button`, noting its text.
struct BoxAnswer {
    BoxAnswer(const std::string& caption, int button)
        : watcher(CaptionIs(caption), [this, button](HWND box) {
              text = MessageBoxText(box);
              PostMessageA(box, WM_COMMAND, button, 0);
          }) {}
    std::string text;
    WhenDialogOpens watcher;
};

// What the core's Test File writes for `path`, through a recording sink that
// cancels at pump number `cancelAfterPumps` (-1: never).
test::RecordingSink CoreTestFile(const std::string& path, int cancelAfterPumps = -1) {
    test::RecordingSink sink;
    sink.cancelAfterPumps = cancelAfterPumps;
    AudioFileInfo info;
    EXPECT_TRUE(info.scan(path, 5000)) << info.errorText();
    IntegrityTestOptions options;
    IntegrityTest(sink, options).testFile(info);
    return sink;
}

void ExpectSameLog(const OutputLog& actual, const OutputLog& expected) {
    ASSERT_EQ(actual.lines().size(), expected.lines().size());
    for (std::size_t i = 0; i < expected.lines().size(); ++i) {
        EXPECT_EQ(actual.lines()[i].text, expected.lines()[i].text) << "line " << i;
        EXPECT_EQ(actual.lines()[i].fileIndex, expected.lines()[i].fileIndex) << "line " << i;
    }
    EXPECT_EQ(actual.files(), expected.files());
}

bool ControlsLocked(const MainWindow& w) {
    for (int id : {IDC_MAIN_TEST_FILE, IDC_MAIN_TEST_DIRECTORY, IDC_MAIN_CATALOG_DIRECTORY, IDC_MAIN_LOAD,
                   IDC_MAIN_ABOUT, IDC_MAIN_EXIT, IDC_MAIN_OPTIONS, IDC_MAIN_CLEAR_LOG, IDC_MAIN_SAVE_LOG}) {
        if (w.enabled(id))
            return false;
    }
    return true;
}

bool ControlsUnlocked(const MainWindow& w) {
    for (int id : {IDC_MAIN_TEST_FILE, IDC_MAIN_TEST_DIRECTORY, IDC_MAIN_CATALOG_DIRECTORY, IDC_MAIN_LOAD,
                   IDC_MAIN_ABOUT, IDC_MAIN_EXIT, IDC_MAIN_OPTIONS, IDC_MAIN_CLEAR_LOG, IDC_MAIN_SAVE_LOG}) {
        if (!w.enabled(id))
            return false;
    }
    return true;
}

TEST(MainDialogTest, StartsInTestFileModeWithNothingLoaded) {
    ScratchFolder folder;
    MainWindow w(folder, "");
    ASSERT_NE(w.handle(), nullptr);
    EXPECT_EQ(WindowText(w.handle()), "Tunewarden");
    EXPECT_TRUE(w.checked(IDC_MAIN_TEST_FILE));
    EXPECT_FALSE(w.checked(IDC_MAIN_TEST_DIRECTORY));
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "");
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
    EXPECT_FALSE(w.enabled(IDC_MAIN_START));
    EXPECT_TRUE(w.enabled(IDC_MAIN_LOAD));
    EXPECT_EQ(PanesVisible(w), 6);
    EXPECT_TRUE(w.visible(IDC_MAIN_HIDE_MPEG_INFO));
    EXPECT_EQ(w.dialog().logDirName(), "C:\\My Documents");
    EXPECT_TRUE(w.dialog().log().lines().empty());

    EXPECT_EQ(GetPropA(w.handle(), InstancePropertyName), reinterpret_cast<HANDLE>(1));
    LONG_PTR style = GetWindowLongPtrA(w.handle(), GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(w.handle(), GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(exStyle & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_NE(SendMessageA(w.handle(), WM_GETICON, ICON_BIG, 0), 0);

    // The window menu ends with a separator and the About entry, command 16.
    HMENU menu = GetSystemMenu(w.handle(), FALSE);
    int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_MAIN_ABOUT));
    char entry[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(count - 1), entry, sizeof entry, MF_BYPOSITION);
    EXPECT_STREQ(entry, "&About Tunewarden...");
    EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
}

TEST(MainDialogTest, StartsInADirectoryModeWithTheRememberedFolder) {
    ScratchFolder folder;
    {
        MainWindow w(folder, Options("Function=2\r\nTest Dir Name=" + folder.path() + "\r\n"));
        EXPECT_TRUE(w.checked(IDC_MAIN_TEST_DIRECTORY));
        EXPECT_EQ(w.text(IDC_MAIN_PATH), "Test Dir: " + folder.path());
        EXPECT_TRUE(w.enabled(IDC_MAIN_START));
        EXPECT_EQ(PanesVisible(w), 0);
        EXPECT_FALSE(w.visible(IDC_MAIN_HIDE_MPEG_INFO));
    }
    {
        MainWindow w(folder, Options("Function=3\r\nTest Dir Name=" + folder.path() + "\r\n"));
        EXPECT_TRUE(w.checked(IDC_MAIN_CATALOG_DIRECTORY));
        EXPECT_EQ(w.text(IDC_MAIN_PATH), "Catalog Dir: " + folder.path());
        EXPECT_TRUE(w.enabled(IDC_MAIN_START));
    }
    {
        MainWindow w(folder, Options("Function=2\r\nTest Dir Name=" + (folder / "gone") + "\r\n"));
        EXPECT_TRUE(w.checked(IDC_MAIN_TEST_DIRECTORY));
        EXPECT_EQ(w.text(IDC_MAIN_PATH), "");
        EXPECT_FALSE(w.enabled(IDC_MAIN_START));
    }
}

TEST(MainDialogTest, FunctionChangesShowAndHideThePanesAndMoveTheLog) {
    ScratchFolder folder;
    MainWindow w(folder, Options("Test Dir Name=" + folder.path() + "\r\n"));
    const RECT withInfo = w.rectOf(IDC_MAIN_LOG);
    const RECT start = w.rectOf(IDC_MAIN_START);
    const RECT load = w.rectOf(IDC_MAIN_LOAD);

    Press(w, IDC_MAIN_TEST_DIRECTORY);
    EXPECT_EQ(PanesVisible(w), 0);
    EXPECT_FALSE(w.visible(IDC_MAIN_HIDE_MPEG_INFO));
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOG).top, start.bottom + 10);
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOG).bottom, withInfo.bottom);
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "Test Dir: " + folder.path());
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));

    Press(w, IDC_MAIN_CATALOG_DIRECTORY);
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "Catalog Dir: " + folder.path());

    // Back to Test File: panes back, and a new Load is needed.
    Press(w, IDC_MAIN_TEST_FILE);
    EXPECT_EQ(PanesVisible(w), 6);
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOG).top, withInfo.top);
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "");
    EXPECT_FALSE(w.enabled(IDC_MAIN_START));

    Press(w, IDC_MAIN_HIDE_MPEG_INFO);
    EXPECT_EQ(PanesVisible(w), 0);
    EXPECT_TRUE(w.visible(IDC_MAIN_HIDE_MPEG_INFO));
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOG).top, start.bottom + 10);
    Press(w, IDC_MAIN_HIDE_MPEG_INFO);
    EXPECT_EQ(PanesVisible(w), 6);

    // Growing the window widens and lengthens the log and moves the hint
    // line down; nothing above the log moves.
    const RECT hint = w.rectOf(IDC_MAIN_HINT);
    RECT outer{};
    GetWindowRect(w.handle(), &outer);
    SetWindowPos(w.handle(), nullptr, 0, 0, outer.right - outer.left + 120, outer.bottom - outer.top + 90,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT grown = w.rectOf(IDC_MAIN_LOG);
    EXPECT_EQ(grown.left, withInfo.left);
    EXPECT_EQ(grown.top, withInfo.top);
    EXPECT_EQ(grown.right, withInfo.right + 120);
    EXPECT_EQ(grown.bottom, withInfo.bottom + 90);
    EXPECT_EQ(w.rectOf(IDC_MAIN_HINT).top, hint.top + 90);
    EXPECT_EQ(w.rectOf(IDC_MAIN_HINT).left, hint.left);
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOAD).right, load.right);
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOAD).top, load.top);

    // Minimizing lays nothing out; restoring does.
    ShowWindow(w.handle(), SW_MINIMIZE);
    RECT minimized = w.rectOf(IDC_MAIN_LOG);
    EXPECT_EQ(minimized.right - minimized.left, grown.right - grown.left);
    ShowWindow(w.handle(), SW_RESTORE);
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOG).bottom, grown.bottom);
}

TEST(MainDialogTest, ASelectedFileIsReportedInThePanes) {
    ScratchFolder folder;
    MainWindow w(folder, Options("Auto Start=false\r\nFunction=3\r\n"));
    const std::string song = folder / "song.mp3";
    test::ByteBuilder b;
    b.bytes(test::Id3v2Tag3({{"TIT2", "Title Two"}, {"TRCK", "3/12"}}));
    b.frames(40, {0xFF, 0xFB, 0x90, 0x64});
    b.id3v1("Title", "Artist", "Album", "1999", "Comment", 0, 17);
    WriteBytes(song, b.build());

    w.postSelection("\"" + song + "\"");
    PumpMessages();

    AudioFileInfo info;
    ASSERT_TRUE(info.scan(song, 5000));
    EXPECT_TRUE(w.checked(IDC_MAIN_TEST_FILE));
    EXPECT_FALSE(w.checked(IDC_MAIN_CATALOG_DIRECTORY));
    EXPECT_EQ(PanesVisible(w), 6);
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "File: " + song);
    EXPECT_EQ(w.text(IDC_MAIN_MPEG_INFO), MpegInfoText(info));
    EXPECT_EQ(w.text(IDC_MAIN_ID3V1_INFO), Id3v1InfoText(info));
    EXPECT_EQ(w.text(IDC_MAIN_ID3V2_INFO), Id3v2InfoText(info));
    EXPECT_NE(w.text(IDC_MAIN_ID3V1_INFO).find("Title: Title"), std::string::npos);
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));
    EXPECT_EQ(w.dialog().fileName(), song);
    EXPECT_EQ(w.dialog().testDirName(), folder.path());
    EXPECT_TRUE(w.dialog().log().lines().empty());
    EXPECT_EQ(GetFocus(), w.item(IDC_MAIN_TEST_FILE));
}

TEST(MainDialogTest, SelectionsOfFoldersMissingPathsAndUnreadableAudio) {
    ScratchFolder folder;
    MainWindow w(folder, Options("Auto Start=false\r\n"));

    w.postSelection(folder.path());
    PumpMessages();
    EXPECT_TRUE(w.checked(IDC_MAIN_TEST_DIRECTORY));
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "Test Dir: " + folder.path());
    EXPECT_EQ(w.dialog().testDirName(), folder.path());
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));
    EXPECT_EQ(PanesVisible(w), 0);
    EXPECT_TRUE(w.dialog().log().lines().empty());  // a folder never starts a run

    const std::string missing = folder / "missing.mp3";
    {
        BoxAnswer box("Selection Error", IDOK);
        w.postSelection(missing);
        PumpMessages();
        EXPECT_EQ(box.text, "Unable to process " + missing);
    }
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "");
    EXPECT_FALSE(w.enabled(IDC_MAIN_START));

    // A file that opens but is no audio: the tag panes are filled, the MPEG
    // pane stays empty, the scan's message is logged, and Start is enabled.
    const std::string junk = folder / "junk.mp3";
    test::WriteText(junk, "not audio");
    w.postSelection(junk);
    PumpMessages();
    AudioFileInfo info;
    ASSERT_FALSE(info.scan(junk, 5000));
    ASSERT_EQ(w.dialog().log().lines().size(), 1u);
    EXPECT_EQ(w.dialog().log().lines()[0].text, info.errorText());
    EXPECT_EQ(w.dialog().log().lines()[0].fileIndex, NoFile);
    EXPECT_EQ(w.text(IDC_MAIN_MPEG_INFO), "");
    EXPECT_EQ(w.text(IDC_MAIN_ID3V1_INFO), "No tag found\r\n");
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));

    // Start repeats the scan and its message; no run starts.
    w.click(IDC_MAIN_START);
    EXPECT_EQ(w.logTexts(), (std::vector<std::string>{info.errorText()}));
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
}

TEST(MainDialogTest, ATestFileRunLogsWhatTheCoreWrites) {
    ScratchFolder folder;
    const std::string song = folder / "broken.mp3";
    WriteBytes(song, BrokenMp3(120));
    test::RecordingSink expected = CoreTestFile(song);
    ASSERT_GT(expected.log.lines().size(), 4u);

    // Auto start is on by default: the selection runs the test.
    MainWindow w(folder, Options("Clear Log=false\r\n"));
    w.postSelection(song);
    PumpMessages();
    ExpectSameLog(w.dialog().log(), expected.log);
    EXPECT_EQ(w.listLines(), expected.texts());
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
    EXPECT_TRUE(ControlsUnlocked(w));
    EXPECT_FALSE(w.dialog().isRunning());
    EXPECT_EQ(w.text(IDC_MAIN_STATUS), "");
    EXPECT_EQ(SendMessageA(w.item(IDC_MAIN_PROGRESS), PBM_GETPOS, 0, 0), 0);

    // A second run without clearing: two blank lines, then the same lines
    // tied to the file's second entry.
    w.click(IDC_MAIN_START);
    const auto& lines = w.dialog().log().lines();
    std::size_t n = expected.log.lines().size();
    ASSERT_EQ(lines.size(), 2 * n + 2);
    EXPECT_EQ(lines[n].text, "");
    EXPECT_EQ(lines[n].fileIndex, NoFile);
    EXPECT_EQ(lines[n + 1].text, "");
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(lines[n + 2 + i].text, expected.log.lines()[i].text);
        std::int32_t index = expected.log.lines()[i].fileIndex;
        EXPECT_EQ(lines[n + 2 + i].fileIndex, index == NoFile ? NoFile : index + 1);
    }
    EXPECT_EQ(w.dialog().log().files(), (std::vector<std::string>{song, song}));
}

// The system's files, counting the openings for reading.
class CountedOpenings : public ForwardingFileSystem {
public:
    CountedOpenings() : ForwardingFileSystem(SystemFileSystem()) {}
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        ++openings;
        return ForwardingFileSystem::openForReading(path);
    }

    int openings = 0;
};

class CountingDialog : public MainDialog {
public:
    using MainDialog::MainDialog;
    CountedOpenings files;

protected:
    FileSystem& fileSystem() override { return files; }
};

// Start in Test File mode opens the file once, for the scan and the walk,
// and logs what the core's Test File logs.
TEST(MainDialogTest, ATestFileRunOpensTheFileOnce) {
    ScratchFolder folder;
    const std::string song = folder / "broken.mp3";
    WriteBytes(song, BrokenMp3(120));
    CountingDialog* dialog = nullptr;
    MainWindow w(folder, Options("Auto Start=false\r\n"), "", [&](const MainDialog::Startup& startup) {
        auto made = std::make_unique<CountingDialog>(startup);
        dialog = made.get();
        return made;
    });
    w.postSelection(song);
    PumpMessages();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->files.openings, 0);
    w.click(IDC_MAIN_START);
    EXPECT_EQ(dialog->files.openings, 1);
    ExpectSameLog(w.dialog().log(), CoreTestFile(song).log);

    // A file that can't be opened: the scan's message, and no run.
    ASSERT_TRUE(DeleteFileA(song.c_str()));
    w.click(IDC_MAIN_START);
    EXPECT_EQ(w.logTexts(), (std::vector<std::string>{"Error: Unable to open file."}));
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
}

TEST(MainDialogTest, CancelAnsweredYesStopsTheRunAtItsNextPumpPoint) {
    ScratchFolder folder;
    const std::string song = folder / "long.mp3";
    WriteBytes(song, SoundMp3(400));
    MainWindow w(folder, Options("Auto Start=false\r\n"));
    w.postSelection(song);
    PumpMessages();
    ASSERT_TRUE(w.enabled(IDC_MAIN_START));

    BoxAnswer box("Confirmation", IDYES);
    // The second click waits in the queue until the run's first pump point.
    PostMessageA(w.handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_START, BN_CLICKED),
                 reinterpret_cast<LPARAM>(w.item(IDC_MAIN_START)));
    w.click(IDC_MAIN_START);

    EXPECT_EQ(box.text, "Are you sure you want to cancel?");
    ExpectSameLog(w.dialog().log(), CoreTestFile(song, 1).log);
    EXPECT_EQ(w.logTexts().back(), "Processing cancelled by user.");
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
    EXPECT_TRUE(ControlsUnlocked(w));
}

TEST(MainDialogTest, CancelAnsweredNoLetsTheRunFinish) {
    ScratchFolder folder;
    const std::string song = folder / "long.mp3";
    WriteBytes(song, SoundMp3(400));
    MainWindow w(folder, Options("Auto Start=false\r\n"));
    w.postSelection(song);
    PumpMessages();

    BoxAnswer box("Confirmation", IDNO);
    PostMessageA(w.handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_START, BN_CLICKED),
                 reinterpret_cast<LPARAM>(w.item(IDC_MAIN_START)));
    w.click(IDC_MAIN_START);
    EXPECT_EQ(box.text, "Are you sure you want to cancel?");
    ExpectSameLog(w.dialog().log(), CoreTestFile(song).log);
}

// Runs `during` from inside the run, at its first pump point, and notes the
// window's state there.
class DuringRun {
public:
    explicit DuringRun(MainWindow& w) : w_(w) {
        timer_ = SetTimer(nullptr, 0, 1, Tick);
        active_ = this;
    }
    ~DuringRun() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    bool sawRun = false;
    bool locked = false;
    std::string label;
    HWND focus = nullptr;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        DuringRun* self = active_;
        if (self == nullptr || self->sawRun || !self->w_.dialog().isRunning())
            return;
        self->sawRun = true;
        self->locked = ControlsLocked(self->w_);
        self->label = self->w_.text(IDC_MAIN_START);
        self->focus = GetFocus();
    }
    static DuringRun* active_;
    MainWindow& w_;
    UINT_PTR timer_ = 0;
};
DuringRun* DuringRun::active_ = nullptr;

TEST(MainDialogTest, ARunLocksTheCommandsAndRelabelsStart) {
    ScratchFolder folder;
    const std::string song = folder / "long.mp3";
    WriteBytes(song, SoundMp3(3000));
    MainWindow w(folder, Options("Auto Start=false\r\n"));
    w.postSelection(song);
    PumpMessages();
    // Look at every pump point, so that the timer gets its turn.
    w.dialog().setPumpInterval(0);
    // The selection left the focus on "Test File", which the run disables:
    // the keyboard focus moves to the Cancel button.
    ASSERT_EQ(GetFocus(), w.item(IDC_MAIN_TEST_FILE));
    DuringRun watch(w);
    Sleep(5);
    w.click(IDC_MAIN_START);
    ASSERT_TRUE(watch.sawRun);
    EXPECT_TRUE(watch.locked);
    EXPECT_EQ(watch.label, "Cancel");
    EXPECT_EQ(watch.focus, w.item(IDC_MAIN_START));
    EXPECT_TRUE(ControlsUnlocked(w));
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
}

TEST(MainDialogTest, ClosingDuringARunCancelsItThenSavesAndCloses) {
    ScratchFolder folder;
    const std::string song = folder / "long.mp3";
    WriteBytes(song, SoundMp3(400));
    MainWindow w(folder, Options("Auto Start=false\r\n"));
    w.postSelection(song);
    PumpMessages();
    HWND window = w.handle();
    DeleteFileA(w.settingsPath().c_str());

    // The close box's command waits for the run's first pump point.
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    w.click(IDC_MAIN_START);
    EXPECT_FALSE(IsWindow(window));
    ExpectSameLog(w.dialog().log(), CoreTestFile(song, 1).log);
    std::string saved = test::ReadBytes(w.settingsPath());
    EXPECT_NE(saved.find("Test Dir Name=" + folder.path() + "\r\n"), std::string::npos);
}

TEST(MainDialogTest, ASelectionDuringARunAsksOnceWhetherToCancel) {
    ScratchFolder folder;
    const std::string first = folder / "first.mp3";
    const std::string second = folder / "second.mp3";
    const std::string third = folder / "third.mp3";
    WriteBytes(first, BrokenMp3(400));
    WriteBytes(second, SoundMp3(50));
    WriteBytes(third, SoundMp3(60));
    MainWindow w(folder, Options("Auto Start=false\r\nClear Log=false\r\n"));
    w.postSelection(first);
    PumpMessages();

    // No: the selection is dropped; the run and its log go on untouched.
    {
        BoxAnswer box("Confirmation", IDNO);
        w.postSelection(second);
        w.click(IDC_MAIN_START);
        EXPECT_EQ(box.text, "Are you sure you want to cancel?");
    }
    ExpectSameLog(w.dialog().log(), CoreTestFile(first).log);
    PumpMessages();
    EXPECT_EQ(w.dialog().fileName(), first);
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "File: " + first);

    // Yes: the run stops as a cancel does, then the latest of the two
    // selections (the second arrives while the question is open) is taken up.
    w.click(IDC_MAIN_CLEAR_LOG);
    {
        BoxAnswer box("Confirmation", IDYES);
        w.postSelection(second);
        w.postSelection(third);
        w.click(IDC_MAIN_START);
        EXPECT_EQ(box.text, "Are you sure you want to cancel?");
    }
    ExpectSameLog(w.dialog().log(), CoreTestFile(first, 1).log);
    EXPECT_EQ(w.logTexts().back(), "Processing cancelled by user.");
    PumpMessages();
    EXPECT_EQ(w.dialog().fileName(), third);
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "File: " + third);
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));
}

TEST(MainDialogTest, RightClickCopiesTheFileOfTheLineUnderThePointer) {
    ScratchFolder folder;
    MainWindow w(folder, Options("Auto Start=false\r\n"));
    WindowSink& d = w.dialog().sink();
    std::int32_t file = d.addFile("C:\\Music\\tied.mp3");
    d.appendLine("tied to a file", file);
    d.appendLine("", NoFile);
    d.appendLine("tied to nothing", NoFile);
    HWND list = w.item(IDC_MAIN_LOG);
    auto rightClick = [&](int x, int y) {
        SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
        SendMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    };
    auto lineCentre = [&](int line) {
        RECT r{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&r));
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };

    CopyTextToClipboard(nullptr, "before");
    POINT p = lineCentre(0);
    rightClick(p.x, p.y);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(ClipboardText(), "C:\\Music\\tied.mp3");

    CopyTextToClipboard(nullptr, "before");
    p = lineCentre(2);
    rightClick(p.x, p.y);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(ClipboardText(), "before");

    // Below the last line: the selection goes, the clipboard stays.
    RECT client{};
    GetClientRect(list, &client);
    rightClick(10, client.bottom - 3);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(ClipboardText(), "before");
}

TEST(MainDialogTest, TheHorizontalRangeFollowsTheWidestLine) {
    ScratchFolder folder;
    MainWindow w(folder, "");
    HWND list = w.item(IDC_MAIN_LOG);
    auto measure = [&](const std::string& text) {
        HDC dc = GetDC(list);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        return static_cast<int>(size.cx);
    };
    const std::string shortLine = "short";
    const std::string longLine(300, 'W');
    w.dialog().sink().appendLine(shortLine, NoFile);
    EXPECT_EQ(w.dialog().widestLine(), measure(shortLine) + 5);
    w.dialog().sink().appendLine(longLine, NoFile);
    w.dialog().sink().appendLine(shortLine, NoFile);
    EXPECT_EQ(w.dialog().widestLine(), measure(longLine) + 5);
    EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), measure(longLine) + 5);

    w.click(IDC_MAIN_CLEAR_LOG);
    EXPECT_EQ(w.dialog().widestLine(), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(w.dialog().log().files().empty());
}

TEST(MainDialogTest, SaveLogWritesEveryLineWithCrLf) {
    ScratchFolder folder;
    MainWindow w(folder, "");
    const std::string empty = folder / "empty.txt";
    ASSERT_TRUE(w.dialog().writeLogFile(empty));
    EXPECT_TRUE(test::FileExists(empty));
    EXPECT_EQ(test::ReadBytes(empty), "");

    w.dialog().sink().appendLine("first", NoFile);
    w.dialog().sink().appendLine("", NoFile);
    w.dialog().sink().appendLine("caf\xE9 last", NoFile);
    const std::string target = folder / "log.txt";
    test::WriteText(target, "older and longer contents that must go");
    ASSERT_TRUE(w.dialog().writeLogFile(target));
    EXPECT_EQ(test::ReadBytes(target), "first\r\n\r\ncaf\xE9 last\r\n");

    const std::string impossible = folder / "no such folder\\log.txt";
    BoxAnswer box("File Open Error", IDOK);
    EXPECT_FALSE(w.dialog().writeLogFile(impossible));
    EXPECT_EQ(box.text, "Error opening " + impossible);
}

// Save Log never writes over an audio file, a file the log speaks of, the
// file shown or the settings file; it says why and writes nothing.
TEST(MainDialogTest, SaveLogRefusesAudioFilesAndTheFilesItReads) {
    ScratchFolder folder;
    const std::string song = folder / "song.mp3";
    const std::string tested = folder / "tested.bin";  // tested under another name
    const std::string shown = folder / "shown.dat";
    WriteBytes(song, SoundMp3(20));
    WriteBytes(tested, SoundMp3(20));
    WriteBytes(shown, SoundMp3(20));
    MainWindow w(folder, Options("Auto Start=false\r\nClear Log=false\r\n"));
    w.postSelection(shown);
    PumpMessages();
    ASSERT_EQ(w.dialog().fileName(), shown);
    w.dialog().sink().appendLine("Processing: " + tested, w.dialog().sink().addFile(tested));
    const std::string settingsBefore = test::ReadBytes(w.settingsPath());

    struct Case {
        std::string target;
        WriteRefusal refusal;
    };
    for (const Case& c : {Case{song, WriteRefusal::AudioFile}, Case{folder / "new.Mp2", WriteRefusal::AudioFile},
                          Case{tested, WriteRefusal::InputFile}, Case{shown, WriteRefusal::InputFile},
                          Case{w.settingsPath(), WriteRefusal::InputFile}}) {
        const std::string before = test::ReadBytes(c.target);
        BoxAnswer box("File Write Error", IDOK);
        EXPECT_FALSE(w.dialog().writeLogFile(c.target)) << c.target;
        EXPECT_EQ(box.text, "The log was not saved: \"" + c.target + "\" " + WriteRefusalText(c.refusal) + ".");
        EXPECT_EQ(test::ReadBytes(c.target), before) << c.target;
    }
    EXPECT_FALSE(test::FileExists(folder / "new.Mp2"));
    EXPECT_EQ(test::ReadBytes(w.settingsPath()), settingsBefore);
}

// The name box of a common file dialog (the Explorer form or the old one).
HWND FileNameBox(HWND dialog) {
    HWND combo = GetDlgItem(dialog, 0x47C);  // cmb13
    if (combo != nullptr) {
        HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
        return edit != nullptr ? edit : combo;
    }
    return GetDlgItem(dialog, 0x480);  // edt1
}

TEST(MainDialogTest, SaveLogAsksForAFileAndRemembersItsFolder) {
    ScratchFolder folder;
    MainWindow w(folder, "");
    w.dialog().sink().appendLine("one line", NoFile);
    const std::string chosen = folder / "saved";
    std::string initialName;
    WhenDialogOpens saveAs(CaptionIs("Save As"), [&](HWND dialog) {
        HWND name = FileNameBox(dialog);
        initialName = WindowText(name);
        SetWindowTextA(name, chosen.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    w.click(IDC_MAIN_SAVE_LOG);
    ASSERT_TRUE(saveAs.acted());
    EXPECT_EQ(initialName, "Untitled");
    EXPECT_EQ(test::ReadBytes(chosen + ".txt"), "one line\r\n");
    EXPECT_EQ(w.dialog().logDirName(), folder.path());
}

TEST(MainDialogTest, LoadOpensTheChosenFileOrEndsEmptyOnCancel) {
    ScratchFolder folder;
    const std::string song = folder / "loaded.mp3";
    WriteBytes(song, SoundMp3(30));
    MainWindow w(folder, Options("Auto Start=false\r\n"));
    {
        WhenDialogOpens open(CaptionIs("Open"), [&](HWND dialog) {
            SetWindowTextA(FileNameBox(dialog), song.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        w.click(IDC_MAIN_LOAD);
        ASSERT_TRUE(open.acted());
    }
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(song, 5000));
    EXPECT_EQ(w.dialog().fileName(), song);
    EXPECT_EQ(w.dialog().testDirName(), folder.path());
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "File: " + song);
    EXPECT_EQ(w.text(IDC_MAIN_MPEG_INFO), MpegInfoText(info));
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));

    // Cancelled: no file, Start disabled, and the log cleared all the same.
    w.dialog().sink().appendLine("cleared by Load", NoFile);
    {
        WhenDialogOpens open(CaptionIs("Open"), [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
        w.click(IDC_MAIN_LOAD);
        ASSERT_TRUE(open.acted());
    }
    EXPECT_EQ(w.dialog().fileName(), "");
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "");
    EXPECT_FALSE(w.enabled(IDC_MAIN_START));
    EXPECT_TRUE(w.dialog().log().lines().empty());
}

TEST(MainDialogTest, LoadInADirectoryModeKeepsAnExistingFolderWhenTheBrowserIsCancelled) {
    ScratchFolder folder;
    const std::string music = folder / "music";
    CreateDirectoryA(music.c_str(), nullptr);
    MainWindow w(folder, Options("Function=3\r\nTest Dir Name=" + music + "\r\n"));
    HWND main = w.handle();
    auto browser = [main](HWND dialog) { return dialog != main; };
    auto cancel = [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); };
    {
        WhenDialogOpens browse(browser, cancel);
        w.click(IDC_MAIN_LOAD);
        ASSERT_TRUE(browse.acted());
    }
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "Catalog Dir: " + music);
    EXPECT_TRUE(w.enabled(IDC_MAIN_START));

    ASSERT_TRUE(RemoveDirectoryA(music.c_str()));
    {
        WhenDialogOpens browse(browser, cancel);
        w.click(IDC_MAIN_LOAD);
        ASSERT_TRUE(browse.acted());
    }
    EXPECT_FALSE(w.enabled(IDC_MAIN_START));
}

TEST(MainDialogTest, SettingsAreSavedOnExitAndComeBackAtTheNextStart) {
    ScratchFolder folder;
    // Sizes above the template's at any DPI: smaller ones are grown to it.
    SIZE size{};
    {
        MainWindow w(folder, "");
        size = test::WindowSize(w.handle());
    }
    const std::string right = std::to_string(40 + size.cx + 20);
    const std::string bottom = std::to_string(50 + size.cy + 10);
    {
        MainWindow w(folder, Options("Test Dir Name=" + folder.path() + "\r\nMax Offset=1234\r\n"));
        Press(w, IDC_MAIN_TEST_DIRECTORY);
        Press(w, IDC_MAIN_HIDE_MPEG_INFO);
        SetWindowPos(w.handle(), nullptr, 40, 50, size.cx + 20, size.cy + 10, SWP_NOZORDER);
        HWND window = w.handle();
        w.click(IDC_MAIN_EXIT);
        EXPECT_FALSE(IsWindow(window));
    }
    std::string saved = test::ReadBytes(folder / "Tunewarden.INI");
    for (const std::string& line :
         {std::string("Window Show Command=1\r\n"), std::string("Window Left=40\r\n"), std::string("Window Top=50\r\n"),
          "Window Right=" + right + "\r\n", "Window Bottom=" + bottom + "\r\n", std::string("Function=2\r\n"),
          std::string("Hide MPEG Info=true\r\n"), std::string("Max Offset=1234\r\n"),
          std::string("Log Dir Name=C:\\My Documents\r\n")})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    EXPECT_LT(saved.find("Window Flags="), saved.find("Function="));

    {
        MainWindow w(folder, "");
        EXPECT_TRUE(w.checked(IDC_MAIN_TEST_DIRECTORY));
        EXPECT_TRUE(w.checked(IDC_MAIN_HIDE_MPEG_INFO));
        EXPECT_EQ(w.text(IDC_MAIN_PATH), "Test Dir: " + folder.path());
        RECT r{};
        GetWindowRect(w.handle(), &r);
        EXPECT_EQ(r.left, 40);
        EXPECT_EQ(r.top, 50);
        EXPECT_EQ(std::to_string(r.right), right);
        EXPECT_EQ(std::to_string(r.bottom), bottom);
        // Closed maximized (by Escape this time): comes back maximized.
        ShowWindow(w.handle(), SW_MAXIMIZE);
        SendMessageA(w.handle(), WM_COMMAND, IDCANCEL, 0);
    }
    saved = test::ReadBytes(folder / "Tunewarden.INI");
    EXPECT_NE(saved.find("Window Show Command=3\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Window Left=40\r\n"), std::string::npos);
    {
        MainWindow w(folder, "");
        EXPECT_TRUE(IsZoomed(w.handle()));
    }
    // Saved minimized: comes back restored, at its rectangle.
    {
        MainWindow w(folder, Options("Window Flags=0\r\nWindow Show Command=2\r\nWindow Left=30\r\n"
                                     "Window Top=35\r\nWindow Right=" +
                                     std::to_string(30 + size.cx) +
                                     "\r\nWindow Bottom=" + std::to_string(35 + size.cy) + "\r\n"));
        EXPECT_FALSE(IsIconic(w.handle()));
        EXPECT_FALSE(IsZoomed(w.handle()));
        RECT r{};
        GetWindowRect(w.handle(), &r);
        EXPECT_EQ(r.left, 30);
        EXPECT_EQ(r.bottom, 35 + size.cy);
    }
    // An incomplete placement leaves the window where the system put it.
    {
        MainWindow w(folder, Options("Window Flags=0\r\nWindow Show Command=1\r\nWindow Left=30\r\n"));
        RECT r{};
        GetWindowRect(w.handle(), &r);
        EXPECT_NE(r.left, 30);
    }
}

TEST(MainDialogTest, DropsTakeExactlyOneFileOrFolder) {
    ScratchFolder folder;
    const std::string a = folder / "a.mp3";
    const std::string b = folder / "b.mp3";
    WriteBytes(a, SoundMp3(20));
    WriteBytes(b, SoundMp3(20));
    MainWindow w(folder, Options("Auto Start=false\r\n"));
    w.dialog().sink().appendLine("kept", NoFile);
    {
        BoxAnswer box("Selection Error", IDOK);
        SendMessageA(w.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, b})), 0);
        EXPECT_EQ(box.text, "Multiple selection not allowed here.");
    }
    {
        BoxAnswer box("Selection Error", IDOK);
        SendMessageA(w.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({})), 0);
        EXPECT_EQ(box.text, "No selection found.");
    }
    EXPECT_EQ(w.logTexts(), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "");

    SendMessageA(w.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder.path()})), 0);
    EXPECT_TRUE(w.checked(IDC_MAIN_TEST_DIRECTORY));
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "Test Dir: " + folder.path());
    EXPECT_TRUE(w.dialog().log().lines().empty());  // "Clear Log" is on

    SendMessageA(w.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({b})), 0);
    EXPECT_TRUE(w.checked(IDC_MAIN_TEST_FILE));
    EXPECT_EQ(w.text(IDC_MAIN_PATH), "File: " + b);
}

TEST(MainDialogTest, ADirectoryRunMovesTheFailingFiles) {
    ScratchFolder folder;
    const std::string music = folder / "music";
    const std::string moved = folder / "moved";
    CreateDirectoryA(music.c_str(), nullptr);
    CreateDirectoryA(moved.c_str(), nullptr);
    WriteBytes(music + "\\good.mp3", SoundMp3(60));
    WriteBytes(music + "\\bad.mp3", BrokenMp3(60));
    const std::string settingsLines =
        "Function=2\r\nTest Dir Name=" + music + "\r\nMove Files=true\r\nMove Files Path=" + moved + "\r\n";

    // What the core writes for the same tree; then the file goes back.
    test::RecordingSink expected;
    {
        Settings settings;
        settings.moveFiles = true;
        settings.moveFilesPath = moved;
        DirectoryTest(expected, DirectoryTestOptionsOf(settings), music).testDirectory();
        ASSERT_TRUE(MoveFileA((moved + "\\bad.mp3").c_str(), (music + "\\bad.mp3").c_str()));
    }

    MainWindow w(folder, Options(settingsLines));
    ASSERT_TRUE(w.enabled(IDC_MAIN_START));
    w.click(IDC_MAIN_START);
    ExpectSameLog(w.dialog().log(), expected.log);
    EXPECT_TRUE(test::FileExists(moved + "\\bad.mp3"));
    EXPECT_FALSE(test::FileExists(music + "\\bad.mp3"));
    EXPECT_TRUE(test::FileExists(music + "\\good.mp3"));
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
}

TEST(MainDialogTest, AnInvalidMoveFolderStopsTheDirectoryRunWithABox) {
    ScratchFolder folder;
    WriteBytes(folder / "bad.mp3", BrokenMp3(60));
    MainWindow w(folder, Options("Function=2\r\nTest Dir Name=" + folder.path() +
                                 "\r\nMove Files=true\r\nMove Files Path=" + (folder / "nowhere") + "\r\n"));
    BoxAnswer box(DirectoryTest::InvalidMoveFolderCaption, IDOK);
    w.click(IDC_MAIN_START);
    EXPECT_EQ(box.text, DirectoryTest::InvalidMoveFolderText);
    EXPECT_TRUE(w.dialog().log().lines().empty());
    EXPECT_TRUE(test::FileExists(folder / "bad.mp3"));
    EXPECT_TRUE(ControlsUnlocked(w));
}

TEST(MainDialogTest, ACatalogRunLogsWhatTheCoreWrites) {
    ScratchFolder folder;
    const std::string music = folder / "music";
    CreateDirectoryA(music.c_str(), nullptr);
    WriteBytes(music + "\\one.mp3", SoundMp3(30));
    WriteBytes(music + "\\two.mp3", BrokenMp3(30));
    test::WriteText(music + "\\three.mp3", "not audio");
    test::RecordingSink expected;
    Settings settings;
    DirectoryCatalog(expected, CatalogOptionsOf(settings), music).catalogDirectory();
    ASSERT_GT(expected.log.lines().size(), 5u);

    MainWindow w(folder, Options("Function=3\r\nTest Dir Name=" + music + "\r\n"));
    w.click(IDC_MAIN_START);
    ExpectSameLog(w.dialog().log(), expected.log);
    EXPECT_EQ(w.listLines(), expected.texts());
}

TEST(MainDialogTest, APathTooLongForAnAtomIsStillHandled) {
    // Another instance can't hand such a path over: it starts on its own.
    std::string path = "C:\\" + std::string(300, 'x') + ".mp3";
    EXPECT_FALSE(HandOver(GetDesktopWindow(), path, MainWindow::SelectionMessage()));

    // Its own command line reaches the window all the same.
    ScratchFolder folder;
    BoxAnswer box("Selection Error", IDOK);
    MainWindow w(folder, "", "\"" + path + "\"");
    PumpMessages();
    EXPECT_EQ(box.text, "Unable to process " + path);
}

TEST(MainDialogTest, OptionsAndAboutOpenModally) {
    ScratchFolder folder;
    MainWindow w(folder, "");
    {
        WhenDialogOpens options(CaptionIs("Options For Testing"),
                                [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
        w.click(IDC_MAIN_OPTIONS);
        EXPECT_TRUE(options.acted());
    }
    {
        WhenDialogOpens about(CaptionIs("About Tunewarden"),
                              [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
        w.click(IDC_MAIN_ABOUT);
        EXPECT_TRUE(about.acted());
    }
    {
        WhenDialogOpens about(CaptionIs("About Tunewarden"),
                              [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
        SendMessageA(w.handle(), WM_SYSCOMMAND, IDM_MAIN_ABOUT, 0);
        EXPECT_TRUE(about.acted());
    }
    EXPECT_TRUE(IsWindow(w.handle()));
}

POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ExpectSameCentre(POINT actual, POINT expected) {
    EXPECT_NEAR(actual.x, expected.x, 1);
    EXPECT_NEAR(actual.y, expected.y, 1);
}

TEST(MainDialogTest, WindowsOpenCentredAndASmallPlacementGrowsToTheTemplate) {
    ScratchFolder folder;
    SIZE templateSize{};
    {
        // No placement saved: centred on the work area.
        MainWindow w(folder, Options("Auto Start=false\r\n"));
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        ExpectSameCentre(CentreOf(w.handle()), {(work.left + work.right) / 2, (work.top + work.bottom) / 2});
        RECT r{};
        GetWindowRect(w.handle(), &r);
        templateSize = {r.right - r.left, r.bottom - r.top};

        // Its dialogs, its own and the system's, centred on it.
        for (const auto& [caption, button] :
             {std::pair{"Options For Testing", IDC_MAIN_OPTIONS}, std::pair{"About Tunewarden", IDC_MAIN_ABOUT},
              std::pair{"Open", IDC_MAIN_LOAD}}) {
            POINT centre{};
            WhenDialogOpens dialog(CaptionIs(caption), [&centre](HWND d) {
                centre = CentreOf(d);
                PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            });
            w.click(button);
            ASSERT_TRUE(dialog.acted()) << caption;
            SCOPED_TRACE(caption);
            ExpectSameCentre(centre, CentreOf(w.handle()));
        }
    }
    // Saved at a lower DPI, smaller than the template: grown, where it was.
    MainWindow w(folder, Options("Window Flags=0\r\nWindow Show Command=1\r\nWindow Left=30\r\n"
                                 "Window Top=35\r\nWindow Right=230\r\nWindow Bottom=135\r\n"));
    RECT r{};
    GetWindowRect(w.handle(), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 35);
    EXPECT_EQ(r.right - r.left, templateSize.cx);
    EXPECT_EQ(r.bottom - r.top, templateSize.cy);
}

}  // namespace
}  // namespace tw::win
