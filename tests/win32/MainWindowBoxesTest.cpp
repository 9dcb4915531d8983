// The main window's message boxes: where they open, what stays in front
// while one is open, and the box that shows an unexpected failure.
#include "shell/win32/MainDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/win32/HandOver.h"
#include "shell/win32/MainDialogIds.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::MainWindow;
using test::PumpMessages;
using test::ScratchFolder;
using test::WindowText;

POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// True when `upper` lies above `lower` in the stacking order.
bool Above(HWND upper, HWND lower) {
    for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == lower)
            return true;
    }
    return false;
}

// Runs `step` with the tick's number on every tick of a 20 ms thread timer
// (so also inside modal loops) until it gives true, for at most five seconds.
class EveryTick {
public:
    explicit EveryTick(std::function<bool(int)> step) : step_(std::move(step)) {
        active_ = this;
        timer_ = SetTimer(nullptr, 0, 20, Tick);
    }
    ~EveryTick() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    EveryTick(const EveryTick&) = delete;
    EveryTick& operator=(const EveryTick&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        EveryTick* self = active_;
        if (self == nullptr || self->done_)
            return;
        self->done_ = self->step_(++self->ticks_) || self->ticks_ > 250;
    }
    static EveryTick* active_;
    std::function<bool(int)> step_;
    UINT_PTR timer_ = 0;
    int ticks_ = 0;
    bool done_ = false;
};
EveryTick* EveryTick::active_ = nullptr;

TEST(MainWindowBoxesTest, MessageBoxesOpenCentredOverTheWindow) {
    ScratchFolder folder;
    MainWindow w(folder, "[Options]\r\nAuto Start=false\r\n");
    // Away from the middle of the screen, where the system puts boxes.
    SetWindowPos(w.handle(), nullptr, 10, 15, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    POINT boxCentre{};
    std::string text;
    test::WhenDialogOpens box(test::CaptionIs("Selection Error"), [&](HWND b) {
        boxCentre = CentreOf(b);
        text = WindowText(GetDlgItem(b, 0xFFFF));
        PostMessageA(b, WM_COMMAND, IDOK, 0);
    });
    w.postSelection(folder / "missing.mp3");
    PumpMessages();
    ASSERT_TRUE(box.acted());
    EXPECT_EQ(text, "Unable to process " + (folder / "missing.mp3"));
    EXPECT_NEAR(boxCentre.x, CentreOf(w.handle()).x, 1);
    EXPECT_NEAR(boxCentre.y, CentreOf(w.handle()).y, 1);
}

// While "Are you sure you want to cancel?" is open, a second path arrives:
// the question stays in front, and answering it still takes the latest path.
TEST(MainWindowBoxesTest, ASelectionDuringTheQuestionBringsTheQuestionToTheFront) {
    enum class Way { HandOver, Drop };
    for (Way way : {Way::HandOver, Way::Drop}) {
        SCOPED_TRACE(way == Way::HandOver ? "hand-over" : "drop");
        ScratchFolder folder;
        const std::string first = folder / "first.mp3";
        const std::string second = folder / "second.mp3";
        const std::string third = folder / "third.mp3";
        test::WriteBytes(first, test::SoundMp3(3000));
        test::WriteBytes(second, test::SoundMp3(20));
        test::WriteBytes(third, test::SoundMp3(20));
        MainWindow w(folder, "[Options]\r\nAuto Start=false\r\n");
        w.postSelection(first);
        PumpMessages();

        HWND question = nullptr;
        bool questionInFront = false;
        bool questionAbove = false;
        int askedAt = 0;
        EveryTick user([&](int tick) {
            if (question == nullptr) {
                question = test::FindThreadDialog(test::CaptionIs("Confirmation"));
                if (question == nullptr)
                    return false;
                askedAt = tick;
                // A second start of the program raises the window it hands
                // its path to; a drop comes to the window itself.
                if (way == Way::HandOver) {
                    HandOver(w.handle(), third, MainWindow::SelectionMessage());
                } else {
                    SetForegroundWindow(w.handle());
                    PostMessageA(w.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(test::MakeDrop({third})), 0);
                }
                return false;
            }
            if (tick < askedAt + 5)
                return false;
            questionInFront = GetForegroundWindow() == question;
            questionAbove = Above(question, w.handle());
            PostMessageA(question, WM_COMMAND, IDYES, 0);
            return true;
        });
        w.postSelection(second);
        w.click(IDC_MAIN_START);
        ASSERT_NE(question, nullptr);
        EXPECT_TRUE(questionInFront);
        EXPECT_TRUE(questionAbove);
        EXPECT_EQ(w.logTexts().back(), "Processing cancelled by user.");
        PumpMessages();
        EXPECT_EQ(w.dialog().fileName(), third);
    }
}

// During a run the list and the status label lag behind the run; a
// question is asked over the log as it stands.
TEST(MainWindowBoxesTest, AQuestionDuringARunSeesTheWholeLogSoFar) {
    ScratchFolder folder;
    const std::string song = folder / "long.mp3";
    test::WriteBytes(song, test::BrokenMp3(3000));
    MainWindow w(folder, "[Options]\r\nAuto Start=false\r\n");
    w.postSelection(song);
    PumpMessages();
    std::vector<std::string> listAtQuestion;
    std::vector<std::string> logAtQuestion;
    test::WhenDialogOpens question(test::CaptionIs("Confirmation"), [&](HWND box) {
        listAtQuestion = w.listLines();
        logAtQuestion = w.logTexts();
        PostMessageA(box, WM_COMMAND, IDNO, 0);
    });
    // Asked once the run has written its first lines.
    EveryTick user([&](int) {
        if (!w.dialog().isRunning() || w.logTexts().size() < 3)
            return false;
        PostMessageA(w.handle(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_START, BN_CLICKED),
                     reinterpret_cast<LPARAM>(w.item(IDC_MAIN_START)));
        return true;
    });
    // Look at every pump point, so that the timers get their turn.
    w.dialog().setPumpInterval(0);
    w.click(IDC_MAIN_START);
    ASSERT_TRUE(question.acted());
    EXPECT_GE(logAtQuestion.size(), 3u);
    EXPECT_EQ(listAtQuestion, logAtQuestion);
    EXPECT_EQ(w.listLines(), w.logTexts());
}

}  // namespace
}  // namespace tw::win
