#include "shell/win32/LogListBox.h"

#include <algorithm>
#include <cwchar>

#include "common/OutputLog.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {
// Room after the widest line, so that its last character isn't on the edge.
constexpr int WidthMargin = 5;
// Between a column's widest cell and the next column, in the list's tab
// units (quarters of the average character width): two characters.
constexpr int ColumnGapUnits = 8;

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
    if (measureDc_ == nullptr)
        return;
    averageCharWidth_ = AverageCharWidth(measureDc_);
    // A catalog adds a long line per file: adding up cached advance widths
    // is far cheaper than asking the system for every line.
    charWidthsKnown_ = GetCharWidth32W(measureDc_, 0, 255, charWidths_.data()) != FALSE;
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
    resetColumns();
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
    if (add(ShownText(text), logLine)) {
        setColumnStarts();
        InvalidateRect(list_, nullptr, TRUE);
    }
    updateWidestLine();
}

void LogListBox::addLines(const OutputLog& log, std::size_t first) {
    const auto& lines = log.lines();
    if (list_ == nullptr || first >= lines.size())
        return;
    // The batch goes in undrawn, so that the list and its scroll bars are
    // drawn once for it rather than once per line.
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    const int firstAdded = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    bool columnsChanged = false;
    for (std::size_t i = first; i < lines.size(); ++i)
        columnsChanged = add(ShownText(lines[i].text), i) || columnsChanged;
    if (columnsChanged)
        setColumnStarts();
    updateWidestLine();
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    RECT client{};
    GetClientRect(list_, &client);
    if (columnsChanged) {
        // Every row in view moves to the new columns.
        InvalidateRect(list_, &client, TRUE);
        return;
    }
    // Otherwise only lines that came into view are drawn again: a catalog
    // appends below the view most of the time, and its lines are costly to draw.
    RECT line{};
    if (SendMessageA(list_, LB_GETITEMRECT, static_cast<WPARAM>(firstAdded), reinterpret_cast<LPARAM>(&line)) !=
            LB_ERR &&
        line.top < client.bottom) {
        RECT stale{client.left, std::max(line.top, client.top), client.right, client.bottom};
        InvalidateRect(list_, &stale, TRUE);
    }
}

bool LogListBox::add(const std::wstring& shown, std::size_t logLine) {
    LRESULT item = SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    // Lines are only ever appended, so the list's own numbering indexes this.
    if (item >= 0 && static_cast<std::size_t>(item) == logLines_.size())
        logLines_.push_back(logLine);
    measuredAny_ = true;
    measureCells(shown);
    if (cells_.size() == 1) {
        widestPlain_ = std::max(widestPlain_, cells_[0]);
        return false;
    }
    const std::size_t tabs = cells_.size() - 1;
    if (widestLastCells_.size() < tabs)
        widestLastCells_.resize(tabs, 0);
    widestLastCells_[tabs - 1] = std::max(widestLastCells_[tabs - 1], cells_[tabs]);
    bool changed = false;
    if (columnWidths_.size() < tabs) {
        columnWidths_.resize(tabs, 0);
        changed = true;
    }
    for (std::size_t column = 0; column < tabs; ++column) {
        if (cells_[column] <= columnWidths_[column])
            continue;
        columnWidths_[column] = cells_[column];
        changed = true;
    }
    return changed;
}

void LogListBox::measureCells(const std::wstring& shown) {
    cells_.clear();
    std::size_t begin = 0;
    for (;;) {
        std::size_t tab = shown.find(L'\t', begin);
        std::size_t end = tab == std::wstring::npos ? shown.size() : tab;
        cells_.push_back(cellWidth(shown, begin, end));
        if (tab == std::wstring::npos)
            return;
        begin = tab + 1;
    }
}

int LogListBox::cellWidth(const std::wstring& shown, std::size_t begin, std::size_t end) const {
    if (measureDc_ == nullptr || begin >= end)
        return 0;
    auto first = shown.begin() + static_cast<std::ptrdiff_t>(begin);
    auto last = shown.begin() + static_cast<std::ptrdiff_t>(end);
    // Cells of the first 256 characters (nearly all) are measured from the
    // width table.
    if (charWidthsKnown_ && std::all_of(first, last, [](wchar_t c) { return c < 256; })) {
        int width = 0;
        for (auto c = first; c != last; ++c)
            width += charWidths_[static_cast<std::size_t>(*c)];
        return width;
    }
    SIZE size{};
    GetTextExtentPoint32W(measureDc_, shown.data() + begin, static_cast<int>(end - begin), &size);
    return size.cx;
}

void LogListBox::setColumnStarts() {
    if (averageCharWidth_ <= 0)
        return;
    // The list takes its stops in quarters of the average character width
    // and turns them into pixels itself: each stop is the first unit past
    // its column's widest cell, then the gap.
    std::vector<int> units;
    columnStarts_.clear();
    int start = 0;
    for (int width : columnWidths_) {
        int unit = (start + width) * 4 / averageCharWidth_;
        while (MulDiv(unit, averageCharWidth_, 4) < start + width)
            ++unit;
        units.push_back(unit + ColumnGapUnits);
        start = MulDiv(units.back(), averageCharWidth_, 4);
        columnStarts_.push_back(start);
    }
    SendMessageA(list_, LB_SETTABSTOPS, static_cast<WPARAM>(units.size()), reinterpret_cast<LPARAM>(units.data()));
}

void LogListBox::resetColumns() {
    measuredAny_ = false;
    widestPlain_ = 0;
    columnWidths_.clear();
    widestLastCells_.clear();
    columnStarts_.clear();
    widestLine_ = 0;
}

void LogListBox::updateWidestLine() {
    int widest = widestPlain_;
    for (std::size_t tabs = 1; tabs <= widestLastCells_.size() && tabs <= columnStarts_.size(); ++tabs)
        widest = std::max(widest, columnStarts_[tabs - 1] + widestLastCells_[tabs - 1]);
    int range = measuredAny_ ? widest + WidthMargin : 0;
    if (range == widestLine_)
        return;
    widestLine_ = range;
    SendMessageA(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(range), 0);
}

void LogListBox::clear() {
    logLines_.clear();
    resetColumns();
    if (list_ == nullptr)
        return;
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    SendMessageA(list_, LB_SETHORIZONTALEXTENT, 0, 0);
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
