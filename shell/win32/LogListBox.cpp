#include "shell/win32/LogListBox.h"

#include <commctrl.h>

namespace tw::win {

namespace {
constexpr UINT_PTR SubclassId = 1;
}

LogListBox::~LogListBox() {
    detach();
}

void LogListBox::attach(HWND list, std::function<void(int)> onLineRightClicked) {
    detach();
    list_ = list;
    onLineRightClicked_ = std::move(onLineRightClicked);
    if (list_ != nullptr)
        SetWindowSubclass(list_, SubclassProc, SubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void LogListBox::detach() {
    if (list_ != nullptr && IsWindow(list_))
        RemoveWindowSubclass(list_, SubclassProc, SubclassId);
    list_ = nullptr;
}

int LogListBox::selectedLine() const {
    if (list_ == nullptr)
        return -1;
    LRESULT line = SendMessageA(list_, LB_GETCURSEL, 0, 0);
    return line == LB_ERR ? -1 : static_cast<int>(line);
}

void LogListBox::onRightButtonUp(LPARAM pointer) {
    // LB_ITEMFROMPOINT: the nearest line in the low word, 1 in the high word
    // when the point lies outside every line.
    LRESULT hit = SendMessageA(list_, LB_ITEMFROMPOINT, 0, pointer);
    if (HIWORD(hit) != 0) {
        SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        return;
    }
    int line = LOWORD(hit);
    SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    if (onLineRightClicked_)
        onLineRightClicked_(line);
}

LRESULT CALLBACK LogListBox::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
    auto* self = reinterpret_cast<LogListBox*>(data);
    if (message == WM_RBUTTONUP && self != nullptr) {
        try {
            self->onRightButtonUp(lParam);
        } catch (...) {
            // Nothing may unwind through the system's code.
        }
    }
    if (message == WM_NCDESTROY && self != nullptr) {
        RemoveWindowSubclass(hwnd, SubclassProc, SubclassId);
        self->list_ = nullptr;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace tw::win
