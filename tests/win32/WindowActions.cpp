#include "tests/win32/WindowActions.h"

#include "text/Unicode.h"
#include "shell/win32/ResourceIds.h"

#include <vector>

namespace tw::test {

namespace {

WhenDialogOpens* activeWatcher = nullptr;

constexpr UINT TickMilliseconds = 20;
constexpr int GiveUpTicks = 250;

bool IsDialogWindow(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770";
}

}  // namespace

void TypeChars(HWND control, const std::string& keys) {
    for (char key : keys)
        SendMessageA(control, WM_CHAR, static_cast<unsigned char>(key), 1);
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    GetWindowTextW(window, buffer.data(), length + 1);
    return Utf16ToUtf8(buffer.data());
}

std::string ClipboardText() {
    if (!OpenClipboard(nullptr))
        return "(not opened)";
    std::string text = "(none)";
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data != nullptr) {
        const wchar_t* locked = static_cast<const wchar_t*>(GlobalLock(data));
        if (locked != nullptr)
            text = Utf16ToUtf8(locked);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

int CaretOf(HWND edit) {
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end);
}

HWND FindThreadDialog(const std::function<bool(HWND)>& match) {
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found;
    } search = {&match, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (!IsWindowVisible(window) || !IsDialogWindow(window) || !(*s->match)(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindChildWithText(HWND parent, const std::string& text) {
    struct Search {
        const std::string* text;
        HWND found;
    } search = {&text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (WindowText(window) != *s->text)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::function<bool(HWND)> CaptionIs(const std::string& caption) {
    return [caption](HWND window) { return WindowText(window) == caption; };
}

WhenDialogOpens::WhenDialogOpens(std::function<bool(HWND)> match, std::function<void(HWND)> action)
    : match_(std::move(match)), action_(std::move(action)) {
    activeWatcher = this;
    timer_ = SetTimer(nullptr, 0, TickMilliseconds, Tick);
}

WhenDialogOpens::~WhenDialogOpens() {
    KillTimer(nullptr, timer_);
    activeWatcher = nullptr;
}

void CALLBACK WhenDialogOpens::Tick(HWND, UINT, UINT_PTR, DWORD) {
    WhenDialogOpens* self = activeWatcher;
    if (self == nullptr)
        return;
    ++self->ticks_;
    if (!self->acted_) {
        HWND dialog = FindThreadDialog(self->match_);
        if (dialog != nullptr) {
            self->acted_ = true;
            self->action_(dialog);
            return;
        }
    }
    if (self->ticks_ < GiveUpTicks)
        return;
    HWND stuck = FindThreadDialog([](HWND) { return true; });
    if (stuck != nullptr)
        PostMessageA(stuck, WM_COMMAND, IDCANCEL, 0);
}

SIZE TextExtentIn(HWND control) {
    std::wstring text = Utf8ToUtf16(WindowText(control));
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return extent;
}

SIZE WindowSize(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

LOGFONTA FontDescriptionOf(HWND control) {
    LOGFONTA description = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof description, &description);
    return description;
}

HCURSOR CursorOver(HWND window) {
    SetCursor(nullptr);
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

HCURSOR LinkCursor() {
    return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK));
}

bool ShowsColour(HWND window, COLORREF colour) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT r = {};
    GetClientRect(window, &r);
    HDC dc = GetDC(window);
    bool found = false;
    for (int y = r.top; y < r.bottom && !found; ++y)
        for (int x = r.left; x < r.right && !found; ++x)
            found = GetPixel(dc, x, y) == colour;
    ReleaseDC(window, dc);
    return found;
}

}  // namespace tw::test
