// An exception that reaches a dialog's message handling is shown in a box
// with its text, and the window goes on: after a failed run the main
// window keeps its log and is ready for the next one.
#include "shell/win32/FailureBox.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "common/RunSink.h"
#include "shell/win32/AboutDialog.h"
#include "shell/win32/MainDialog.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/ResourceIds.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::WindowText;

// Answers the failure box with OK and notes its text.
struct FailureBoxAnswer {
    FailureBoxAnswer()
        : watcher(test::CaptionIs(FailureCaption), [this](HWND box) {
              ++seen;
              text = WindowText(GetDlgItem(box, 0xFFFF));
              PostMessageA(box, WM_COMMAND, IDOK, 0);
          }) {}
    int seen = 0;
    std::string text;
    test::WhenDialogOpens watcher;
};

std::string Shown(const std::string& text) {
    return std::string(FailureIntro) + "\r\n\r\n" + text;
}

TEST(FailureBoxTest, TextOfEachKindOfFailure) {
    auto of = [](auto thrown) {
        try {
            throw thrown;
        } catch (...) {
            return FailureText(std::current_exception());
        }
    };
    EXPECT_EQ(of(std::bad_alloc()), "Out of memory.");
    EXPECT_EQ(of(std::runtime_error("Disk on fire")), "Disk on fire");
    EXPECT_EQ(of(std::out_of_range("vector::_M_range_check")), "vector::_M_range_check");
    EXPECT_EQ(of(42), "Unknown error.");
    EXPECT_EQ(FailureText(nullptr), "Unknown error.");
}

// A dialog whose button 4242 throws.
class ThrowingDialog : public AboutDialog {
protected:
    bool onCommand(int id, int notifyCode, HWND control) override {
        if (id == 4242)
            throw std::runtime_error("handler failed");
        return AboutDialog::onCommand(id, notifyCode, control);
    }
};

TEST(FailureBoxTest, ADialogShowsAFailureOfItsHandlerAndGoesOn) {
    ThrowingDialog dialog;
    HWND window = dialog.createModeless(GetModuleHandleA(nullptr), IDD_ABOUT, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    FailureBoxAnswer box;
    SendMessageA(window, WM_COMMAND, 4242, 0);
    EXPECT_EQ(box.seen, 1);
    EXPECT_EQ(box.text, Shown("handler failed"));
    EXPECT_TRUE(IsWindow(window));
}

// A main window whose run writes a few lines and then runs out of memory.
class FailingRunDialog : public MainDialog {
public:
    using MainDialog::MainDialog;

protected:
    void runFunctions(const AudioFileInfo&, BufferedReader*) override {
        sink().appendLine("first line of the run", NoFile);
        sink().setStatusText("Processing...");
        sink().appendLine("second line of the run", NoFile);
        throw std::bad_alloc();
    }
};

TEST(FailureBoxTest, AFailedRunIsShownAndTheWindowKeepsItsLog) {
    test::ScratchFolder folder;
    test::MainWindow w(folder, "[Options]\r\nClear Log=false\r\nFunction=3\r\nTest Dir Name=" + folder.path() + "\r\n",
                       "",
                       [](const MainDialog::Startup& startup) { return std::make_unique<FailingRunDialog>(startup); });
    w.dialog().sink().appendLine("from before", NoFile);
    ASSERT_TRUE(w.enabled(IDC_MAIN_START));
    FailureBoxAnswer box;
    w.click(IDC_MAIN_START);
    EXPECT_EQ(box.seen, 1);
    EXPECT_EQ(box.text, Shown("Out of memory."));
    // The log as far as the run got, in the list too; the window is ready again.
    const std::vector<std::string> expected = {"from before", "", "", "first line of the run",
                                               "second line of the run"};
    EXPECT_EQ(w.logTexts(), expected);
    EXPECT_EQ(w.listLines(), expected);
    EXPECT_TRUE(IsWindow(w.handle()));
    EXPECT_FALSE(w.dialog().isRunning());
    EXPECT_EQ(w.text(IDC_MAIN_START), "Start");
    for (int id : {IDC_MAIN_LOAD, IDC_MAIN_EXIT, IDC_MAIN_SAVE_LOG, IDC_MAIN_TEST_FILE})
        EXPECT_TRUE(w.enabled(id)) << id;
    EXPECT_EQ(w.text(IDC_MAIN_STATUS), "Processing...");
}

}  // namespace
}  // namespace tw::win
