// Where the program's windows appear: the main window centred on the work
// area, every other window centred on the window that owns it.
#pragma once

#include <windows.h>

namespace tw::win {

// Moves `window` so that its centre is that of `area`, kept inside the work
// area of the monitor that holds most of `area`.
void CentreWindowOn(HWND window, const RECT& area);

// Centres `window` on `owner`; nothing when there is no owner.
void CentreOnOwner(HWND window, HWND owner);

// Centres `window` on the work area of its monitor.
void CentreInWorkArea(HWND window);

// While alive, centres the next dialog of this thread that `owner` owns on
// `owner`: for the system's dialogs (open, save, folder browser), whose
// placement the program doesn't choose otherwise. It is centred as it is
// first activated, and again when it changes its own size after that (some
// lay themselves out once shown), until the user first moves or sizes it.
class CentreNextOwnedWindow {
public:
    explicit CentreNextOwnedWindow(HWND owner);
    ~CentreNextOwnedWindow();
    CentreNextOwnedWindow(const CentreNextOwnedWindow&) = delete;
    CentreNextOwnedWindow& operator=(const CentreNextOwnedWindow&) = delete;

private:
    static LRESULT CALLBACK ActivateHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SizeHook(int code, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    HHOOK activateHook_ = nullptr;
    HHOOK sizeHook_ = nullptr;
    CentreNextOwnedWindow* outer_ = nullptr;
    HWND dialog_ = nullptr;  // the dialog once activated
    bool userMoved_ = false;
};

}  // namespace tw::win
