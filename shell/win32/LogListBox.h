// The output log's list box: a plain list box that also answers the release
// of the right mouse button by selecting the line under the pointer.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace tw::win {

class LogListBox {
public:
    LogListBox() = default;
    ~LogListBox();
    LogListBox(const LogListBox&) = delete;
    LogListBox& operator=(const LogListBox&) = delete;

    // Subclasses the list box `list`. `onLineRightClicked` runs after a
    // right-button release over a line, with that line selected.
    void attach(HWND list, std::function<void(int line)> onLineRightClicked);
    void detach();

    HWND handle() const { return list_; }

    // The selected line, or -1.
    int selectedLine() const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void onRightButtonUp(LPARAM pointer);

    HWND list_ = nullptr;
    std::function<void(int)> onLineRightClicked_;
};

}  // namespace tw::win
