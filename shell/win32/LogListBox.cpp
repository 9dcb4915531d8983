#include "shell/win32/LogListBox.h"

#include <algorithm>
#include <cwchar>

#include "shell/win32/WideText.h"

namespace tw::win {

namespace {
// Room after the widest line, so that its last character isn't on the edge.
constexpr int WidthMargin = 5;
// Distance between tab stops, in quarters of the font's average character
// width: 14 characters, room for most catalog fields (sizes, dates, times,
// versions) so that a catalog reads as columns.
constexpr int TabStopUnits = 56;

// The average character width as the dialog manager and the list box work
// it out for a font.
int AverageCharWidth(HDC dc) {
    static const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    if (!GetTextExtentPoint32A(dc, Alphabet, 52, &size))
        return 0;
    return (size.cx / 26 + 1) / 2;
}
}  // namespace

LogListBox::~LogListBox() {
    detach();
}

void LogListBox::attach(HWND list, std::function<void(int)> onLineRightClicked) {
    detach();
    list_ = list;
    onLineRightClicked_ = std::move(onLineRightClicked);
    if (list_ == nullptr)
        return;
    // Subclassed by replacing the window procedure: SetWindowSubclass costs
    // about 90 us per message under Wine, and a catalog sends several per line.
    SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LogListBox::ListProc)));
    useScriptFont();
    measureDc_ = CreateCompatibleDC(nullptr);
    auto font = reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0));
    if (measureDc_ != nullptr && font != nullptr)
        measureOldFont_ = SelectObject(measureDc_, font);
    int units = TabStopUnits;
    SendMessageA(list_, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&units));
    if (measureDc_ == nullptr)
        return;
    tabStopPixels_ = MulDiv(units, AverageCharWidth(measureDc_), 4);
    // A catalog adds a long line per file: adding up cached advance widths
    // is far cheaper than asking the system for every line.
    charWidthsKnown_ = GetCharWidth32W(measureDc_, 0, 255, charWidths_.data()) != FALSE && tabStopPixels_ > 0;
}

void LogListBox::detach() {
    // The fonts go with the dialog and with this: stop measuring first.
    releaseMeasureDc();
    if (list_ != nullptr && IsWindow(list_)) {
        unsubclass();
        if (scriptFont_ != nullptr)
            SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(givenFont_), FALSE);
    }
    releaseScriptFont();
    list_ = nullptr;
    logLines_.clear();
}

void LogListBox::useScriptFont() {
    auto given = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (given == nullptr || GetObjectW(given, sizeof description, &description) == 0)
        return;
    std::wcsncpy(description.lfFaceName, ScriptFontFace, LF_FACESIZE - 1);
    description.lfFaceName[LF_FACESIZE - 1] = L'\0';
    description.lfCharSet = DEFAULT_CHARSET;
    scriptFont_ = CreateFontIndirectW(&description);
    if (scriptFont_ == nullptr)
        return;
    givenFont_ = given;
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(scriptFont_), FALSE);
}

void LogListBox::releaseScriptFont() {
    if (scriptFont_ != nullptr)
        DeleteObject(scriptFont_);
    scriptFont_ = nullptr;
    givenFont_ = nullptr;
}

void LogListBox::unsubclass() {
    if (listProc_ == nullptr)
        return;
    // Put back only what is still ours, so that a later subclasser isn't cut out.
    if (GetWindowLongPtrW(list_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&LogListBox::ListProc))
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc_));
    SetWindowLongPtrW(list_, GWLP_USERDATA, 0);
    listProc_ = nullptr;
}

void LogListBox::releaseMeasureDc() {
    if (measureDc_ == nullptr)
        return;
    SelectObject(measureDc_, measureOldFont_);
    DeleteDC(measureDc_);
    measureDc_ = nullptr;
    measureOldFont_ = nullptr;
}

void LogListBox::addLine(const std::string& text, std::size_t logLine) {
    if (list_ == nullptr)
        return;
    if (deferred_)
        waiting_.emplace_back(ShownText(text), logLine);
    else
        add(ShownText(text), logLine);
}

void LogListBox::add(const std::wstring& shown, std::size_t logLine) {
    LRESULT item = SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    // Lines are only ever appended, so the list's own numbering indexes this.
    if (item >= 0 && static_cast<std::size_t>(item) == logLines_.size())
        logLines_.push_back(logLine);
    int width = textWidth(shown) + WidthMargin;
    if (width <= widestLine_)
        return;
    widestLine_ = width;
    SendMessageA(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
}

void LogListBox::clear() {
    widestLine_ = 0;
    logLines_.clear();
    waiting_.clear();
    if (list_ == nullptr)
        return;
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    SendMessageA(list_, LB_SETHORIZONTALEXTENT, 0, 0);
}

void LogListBox::setDeferred(bool on) {
    if (!on)
        update();
    deferred_ = on;
    lastUpdate_ = GetTickCount64();
}

void LogListBox::updateIfDue() {
    if (!waiting_.empty() && GetTickCount64() - lastUpdate_ >= UpdateIntervalMs)
        update();
}

void LogListBox::update() {
    lastUpdate_ = GetTickCount64();
    if (list_ == nullptr || waiting_.empty()) {
        waiting_.clear();
        return;
    }
    // The batch goes in undrawn, so that the list and its scroll bars are
    // drawn once for it rather than once per line.
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    const int firstAdded = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    for (const auto& [shown, logLine] : waiting_)
        add(shown, logLine);
    waiting_.clear();
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    // Only lines that came into view are drawn again: a catalog appends
    // below the view most of the time, and its lines are costly to draw.
    RECT line{}, client{};
    GetClientRect(list_, &client);
    if (SendMessageA(list_, LB_GETITEMRECT, static_cast<WPARAM>(firstAdded), reinterpret_cast<LPARAM>(&line)) !=
            LB_ERR &&
        line.top < client.bottom) {
        RECT stale{client.left, std::max(line.top, client.top), client.right, client.bottom};
        InvalidateRect(list_, &stale, TRUE);
    }
}

int LogListBox::selectedLine() const {
    if (list_ == nullptr)
        return -1;
    LRESULT line = SendMessageA(list_, LB_GETCURSEL, 0, 0);
    return line == LB_ERR ? -1 : static_cast<int>(line);
}

std::optional<std::size_t> LogListBox::logLineAt(int line) const {
    if (list_ == nullptr || line < 0 || static_cast<std::size_t>(line) >= logLines_.size())
        return std::nullopt;
    return logLines_[static_cast<std::size_t>(line)];
}

int LogListBox::textWidth(const std::wstring& text) const {
    if (measureDc_ == nullptr || text.empty())
        return 0;
    // Lines of the first 256 characters (nearly all) are measured from the
    // width table; tabs expanded as the list draws them, to the next stop.
    if (charWidthsKnown_ && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 256; })) {
        int width = 0;
        for (wchar_t c : text)
            width = c == L'\t' ? (width / tabStopPixels_ + 1) * tabStopPixels_
                               : width + charWidths_[static_cast<std::size_t>(c)];
        return width;
    }
    // Tabs expanded as the list draws them.
    int stops = tabStopPixels_;
    DWORD extent = GetTabbedTextExtentW(measureDc_, text.data(), static_cast<int>(text.size()), stops > 0 ? 1 : 0,
                                        stops > 0 ? &stops : nullptr);
    return LOWORD(extent);
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

LRESULT CALLBACK LogListBox::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<LogListBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->listProc_ == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    WNDPROC next = self->listProc_;
    if (message == WM_RBUTTONUP) {
        try {
            self->onRightButtonUp(lParam);
        } catch (...) {
            // Nothing may unwind through the system's code.
        }
    }
    if (message == WM_NCDESTROY) {
        self->unsubclass();
        self->releaseMeasureDc();
        self->releaseScriptFont();
        self->list_ = nullptr;
    }
    return CallWindowProcW(next, hwnd, message, wParam, lParam);
}

}  // namespace tw::win
