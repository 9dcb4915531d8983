#include "shell/win32/Centring.h"

#include <algorithm>

namespace tw::win {

namespace {
// The innermost live CentreNextOwnedWindow of this thread.
thread_local CentreNextOwnedWindow* activeCentring = nullptr;
}  // namespace

void CentreWindowOn(HWND window, const RECT& area) {
    RECT r{};
    if (window == nullptr || !GetWindowRect(window, &r))
        return;
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
        // The title bar stays reachable even for a window larger than the area.
        const RECT& work = monitor.rcWork;
        x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
        y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOnOwner(HWND window, HWND owner) {
    RECT area{};
    if (owner == nullptr || !GetWindowRect(owner, &area))
        return;
    CentreWindowOn(window, area);
}

void CentreInWorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor))
        CentreWindowOn(window, monitor.rcWork);
}

CentreNextOwnedWindow::CentreNextOwnedWindow(HWND owner) : owner_(owner), outer_(activeCentring) {
    if (owner_ == nullptr)
        return;
    activateHook_ = SetWindowsHookExA(WH_CBT, ActivateHook, nullptr, GetCurrentThreadId());
    sizeHook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, SizeHook, nullptr, GetCurrentThreadId());
    activeCentring = this;
}

CentreNextOwnedWindow::~CentreNextOwnedWindow() {
    if (activateHook_ != nullptr)
        UnhookWindowsHookEx(activateHook_);
    if (sizeHook_ != nullptr)
        UnhookWindowsHookEx(sizeHook_);
    if (activeCentring == this)
        activeCentring = outer_;
}

LRESULT CALLBACK CentreNextOwnedWindow::ActivateHook(int code, WPARAM wParam, LPARAM lParam) {
    CentreNextOwnedWindow* self = activeCentring;
    if (code == HCBT_ACTIVATE && self != nullptr && self->dialog_ == nullptr) {
        auto window = reinterpret_cast<HWND>(wParam);
        if (GetWindow(window, GW_OWNER) == self->owner_) {
            self->dialog_ = window;
            CentreOnOwner(window, self->owner_);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CentreNextOwnedWindow::SizeHook(int code, WPARAM wParam, LPARAM lParam) {
    CentreNextOwnedWindow* self = activeCentring;
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code != HC_ACTION || self == nullptr || self->dialog_ == nullptr || message->hwnd != self->dialog_ ||
        self->userMoved_)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    if (message->message == WM_ENTERSIZEMOVE) {
        self->userMoved_ = true;
    } else if (message->message == WM_SIZE && message->wParam == SIZE_RESTORED) {
        CentreOnOwner(self->dialog_, self->owner_);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tw::win
