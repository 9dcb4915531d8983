#include "shell/win32/MainLayout.h"

#include <algorithm>

#include "shell/win32/MainDialogIds.h"

namespace tw::win {

namespace {

// The controls below the log: they follow the window's bottom edge. A
// control added under the log belongs here.
constexpr int BelowLog[] = {
    IDC_MAIN_HINT,  // "Double-click in Output Log ..."
};

// The panes, each with its group box: shown together or not at all.
constexpr int PaneControls[] = {
    IDC_MAIN_MPEG_GROUP,  IDC_MAIN_MPEG_INFO,   // "MPEG Info"
    IDC_MAIN_ID3V1_GROUP, IDC_MAIN_ID3V1_INFO,  // "ID3v1 Tag Info"
    IDC_MAIN_ID3V2_GROUP, IDC_MAIN_ID3V2_INFO,  // "Leading ID3v2 Tag Info"
};

// Gap between the lowest control above the panes and the log when the
// panes are hidden.
constexpr int ListGapBelowControls = 10;
// The lowest control above the panes.
constexpr int LowestAbovePanes = IDC_MAIN_START;

RECT ClientRectOf(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

void MainLayout::measure(HWND dialog) {
    RECT window{};
    GetWindowRect(dialog, &window);
    minimumSize_ = {window.right - window.left, window.bottom - window.top};
    RECT client{};
    GetClientRect(dialog, &client);
    RECT list = ClientRectOf(dialog, IDC_MAIN_LOG);
    listLeft_ = list.left;
    listTopWithInfo_ = list.top;
    listRightMargin_ = client.right - list.right;
    listBottomMargin_ = client.bottom - list.bottom;
    listTopWithoutInfo_ = ClientRectOf(dialog, LowestAbovePanes).bottom + ListGapBelowControls;
    belowLog_.clear();
    for (int id : BelowLog) {
        RECT r = ClientRectOf(dialog, id);
        belowLog_.push_back({id, r.left - client.left, client.bottom - r.top, r.right - r.left, r.bottom - r.top});
    }
    measured_ = true;
}

void MainLayout::apply(HWND dialog, bool testFile, bool panesShown) const {
    if (!measured_)
        return;
    RECT client{};
    GetClientRect(dialog, &client);
    int top = panesShown ? listTopWithInfo_ : listTopWithoutInfo_;
    // A window smaller than its template (minimized, or before its minimum
    // applies) leaves the log at no size, not a negative one.
    int width = std::max(0, static_cast<int>(client.right) - listRightMargin_ - listLeft_);
    int height = std::max(0, static_cast<int>(client.bottom) - listBottomMargin_ - top);
    MoveWindow(GetDlgItem(dialog, IDC_MAIN_LOG), listLeft_, top, width, height, TRUE);
    for (const BottomControl& c : belowLog_)
        MoveWindow(GetDlgItem(dialog, c.id), client.left + c.left, client.bottom - c.bottomOffset, c.width, c.height,
                   TRUE);
    ShowWindow(GetDlgItem(dialog, IDC_MAIN_HIDE_MPEG_INFO), testFile ? SW_SHOW : SW_HIDE);
    for (int id : PaneControls)
        ShowWindow(GetDlgItem(dialog, id), panesShown ? SW_SHOW : SW_HIDE);
}

}  // namespace tw::win
