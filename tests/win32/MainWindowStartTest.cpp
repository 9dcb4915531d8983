// The main window as the program starts it (a modal dialog, shown by the
// system's dialog loop): the placement kept in the settings comes back,
// inside the screen's work area, and the window keeps its template's size
// as its smallest.
#include "shell/win32/MainDialog.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/win32/MainDialogIds.h"
#include "tests/win32/MainWindowHarness.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::CaptionIs;
using test::ScratchFolder;
using test::WhenDialogOpens;

struct Seen {
    bool opened = false;
    bool zoomed = false;
    RECT rect{};
    RECT normal{};
};

std::string Placement(int showCommand, RECT r) {
    return "[Options]\r\nWindow Flags=0\r\nWindow Show Command=" + std::to_string(showCommand) +
           "\r\nWindow Left=" + std::to_string(r.left) + "\r\nWindow Top=" + std::to_string(r.top) +
           "\r\nWindow Right=" + std::to_string(r.right) + "\r\nWindow Bottom=" + std::to_string(r.bottom) + "\r\n";
}

// Starts the window as the program does, with `settingsText` as its
// settings file, notes how it shows once up, and closes it with Escape.
Seen StartAndClose(const ScratchFolder& folder, const std::string& settingsText) {
    test::WriteText(folder / "Tunewarden.INI", settingsText);
    MainDialog::Startup startup;
    startup.instance = GetModuleHandleA(nullptr);
    startup.settingsPath = folder / "Tunewarden.INI";
    startup.selectionMessage = test::MainWindow::SelectionMessage();
    MainDialog dialog(startup);
    Seen seen;
    WhenDialogOpens up(CaptionIs("Tunewarden"), [&seen](HWND window) {
        seen.opened = true;
        seen.zoomed = IsZoomed(window) != FALSE;
        GetWindowRect(window, &seen.rect);
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        seen.normal = placement.rcNormalPosition;
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    dialog.run();
    return seen;
}

RECT WorkArea() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

TEST(MainWindowStartTest, ComesBackMaximizedThroughTheProgramsStart) {
    ScratchFolder folder;
    SIZE size = test::WindowSize(test::MainWindow(folder, "").handle());
    const std::string placement = Placement(3, {40, 50, 40 + size.cx + 20, 50 + size.cy + 10});
    Seen seen = StartAndClose(folder, placement);
    ASSERT_TRUE(seen.opened);
    EXPECT_TRUE(seen.zoomed);
    // Closed maximized again: the same placement is kept, with the restored
    // rectangle (the system's first show of the dialog must not undo it).
    std::string saved = test::ReadBytes(folder / "Tunewarden.INI");
    EXPECT_EQ(saved.substr(0, placement.size()), placement);
}

TEST(MainWindowStartTest, APlacementIsClampedIntoTheWorkArea) {
    ScratchFolder folder;
    const RECT work = WorkArea();
    Seen fresh = StartAndClose(folder, "[Options]\r\n");
    ASSERT_TRUE(fresh.opened);
    const LONG width = fresh.rect.right - fresh.rect.left;
    const LONG height = fresh.rect.bottom - fresh.rect.top;

    struct Case {
        const char* what;
        RECT saved;
        RECT expected;
    };
    const Case cases[] = {
        {"inside", {30, 40, 30 + width, 40 + height}, {30, 40, 30 + width, 40 + height}},
        {"past the bottom right",
         {work.right - width / 2, work.bottom - 2, work.right + width / 2, work.bottom + height - 2},
         {work.right - width, work.bottom - height, work.right, work.bottom}},
        {"above and left",
         {-500, -300, -500 + width, -300 + height},
         {work.left, work.top, work.left + width, work.top + height}},
        // Saved small at a lower DPI, low on the screen: grown to the
        // template, then lifted so that its bottom stays on the screen.
        {"grown past the bottom",
         {20, work.bottom - 100, 220, work.bottom},
         {20, work.bottom - height, 20 + width, work.bottom}},
        {"larger than the screen",
         {-10, -10, work.right + 50, work.bottom + 50},
         {work.left, work.top, work.right, work.bottom}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Seen seen = StartAndClose(folder, Placement(1, c.saved));
        ASSERT_TRUE(seen.opened);
        EXPECT_EQ(seen.rect.left, c.expected.left);
        EXPECT_EQ(seen.rect.top, c.expected.top);
        EXPECT_EQ(seen.rect.right, c.expected.right);
        EXPECT_EQ(seen.rect.bottom, c.expected.bottom);
    }
    // Maximized: the rectangle it restores to is clamped too.
    Seen maximized = StartAndClose(folder, Placement(3, {work.right - 50, 10, work.right + width - 50, 10 + height}));
    EXPECT_TRUE(maximized.zoomed);
    EXPECT_EQ(maximized.normal.right, work.right);
}

TEST(MainWindowStartTest, TheWindowCantBeMadeSmallerThanItsTemplate) {
    ScratchFolder folder;
    test::MainWindow w(folder, "");
    const SIZE templateSize = test::WindowSize(w.handle());
    SetWindowPos(w.handle(), nullptr, 0, 0, 200, 120, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(test::WindowSize(w.handle()).cx, templateSize.cx);
    EXPECT_EQ(test::WindowSize(w.handle()).cy, templateSize.cy);
    MINMAXINFO limits{};
    SendMessageA(w.handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, templateSize.cx);
    EXPECT_EQ(limits.ptMinTrackSize.y, templateSize.cy);
    // Larger still works, and the log grows with it.
    RECT log = w.rectOf(IDC_MAIN_LOG);
    SetWindowPos(w.handle(), nullptr, 0, 0, templateSize.cx + 40, templateSize.cy + 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOG).right, log.right + 40);
    EXPECT_EQ(w.rectOf(IDC_MAIN_LOG).bottom, log.bottom + 30);
}

}  // namespace
}  // namespace tw::win
