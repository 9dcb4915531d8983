// The main window's layout: what moves when the window is resized, when the
// panes are hidden and when the function changes. Everything is measured
// from the template as the window opens, in client pixels, so that the
// layout follows the template at any DPI; only the log and the controls
// below it move.
#pragma once

#include <windows.h>

#include <vector>

namespace tw::win {

class MainLayout {
public:
    // Measures the template's layout of `dialog`, which must still have its
    // template's size: that size is also the smallest the window may take.
    void measure(HWND dialog);
    bool measured() const { return measured_; }

    // Places the log and the controls below it in `dialog`'s client area,
    // and shows the panes (and the log below them) or hides them; "Hide
    // MPEG Info" shows in Test File mode only.
    void apply(HWND dialog, bool testFile, bool panesShown) const;

    // The window's smallest outer size: its template's.
    SIZE minimumSize() const { return minimumSize_; }

private:
    // A control below the log, which keeps its place relative to the
    // window's bottom left corner and its size.
    struct BottomControl {
        int id;
        int left;
        int bottomOffset;  // client bottom - control top
        int width;
        int height;
    };

    bool measured_ = false;
    SIZE minimumSize_{};
    int listLeft_ = 0;
    int listTopWithInfo_ = 0;
    int listTopWithoutInfo_ = 0;
    int listRightMargin_ = 0;
    int listBottomMargin_ = 0;
    std::vector<BottomControl> belowLog_;
};

}  // namespace tw::win
