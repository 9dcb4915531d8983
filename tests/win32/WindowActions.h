// Test helpers that drive windows through their messages, including modal
// dialogs, which are reached from a thread timer while their loop runs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tw::test {

// Types `keys` into `control` as WM_CHAR messages, one per character.
void TypeChars(HWND control, const std::string& keys);

// The window's text.
std::string WindowText(HWND window);

// The clipboard's Unicode text as UTF-8, "(none)" without one, "(not opened)" when busy.
std::string ClipboardText();

// Caret position (end of the selection) of an edit box.
int CaretOf(HWND edit);

// The first visible dialog window of this thread for which `match` is true.
HWND FindThreadDialog(const std::function<bool(HWND)>& match);

// The first child of `parent` (at any depth) whose text is `text`.
HWND FindChildWithText(HWND parent, const std::string& text);

// The extent of the control's text in the control's font.
SIZE TextExtentIn(HWND control);
// The window's outer size.
SIZE WindowSize(HWND window);
// The description of the font that the control draws with.
LOGFONTA FontDescriptionOf(HWND control);
// The cursor that the window sets when the pointer moves over it.
HCURSOR CursorOver(HWND window);
// The program's hand cursor for links.
HCURSOR LinkCursor();
// True when some pixel of the window's client area has the colour.
bool ShowsColour(HWND window, COLORREF colour);

// While alive, polls every 20 ms (from a thread timer, so also inside modal
// loops) for a dialog that `match` accepts and runs `action` on it once. A
// dialog still open after about five seconds gets IDCANCEL, so a test can't
// hang on a dialog that never matched.
class WhenDialogOpens {
public:
    WhenDialogOpens(std::function<bool(HWND)> match, std::function<void(HWND)> action);
    ~WhenDialogOpens();
    WhenDialogOpens(const WhenDialogOpens&) = delete;
    WhenDialogOpens& operator=(const WhenDialogOpens&) = delete;

    bool acted() const { return acted_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

    std::function<bool(HWND)> match_;
    std::function<void(HWND)> action_;
    UINT_PTR timer_ = 0;
    int ticks_ = 0;
    bool acted_ = false;
};

// A match for the dialog with caption `caption`.
std::function<bool(HWND)> CaptionIs(const std::string& caption);

}  // namespace tw::test
