// The output log's list box: a plain list box that also answers the release
// of the right mouse button by selecting the line under the pointer, keeps
// its horizontal scroll range as wide as its widest line, and ties each of
// its lines to a line of the log. Tab-separated lines (a catalog) show as
// columns: each column as wide as its widest cell, headers included, plus a
// gap; the text itself keeps its tabs.
//
// It shows its text in ScriptFontFace at the size of the dialog's font. The
// dialog's font is a bitmap font of the Western characters, and a list box,
// unlike an edit box, doesn't fall back to other fonts: a Japanese or Hebrew
// name would be a row of boxes. Its TrueType twin has the same metrics, holds
// Greek, Cyrillic and Hebrew, and the system's font linking completes it
// with the fonts of the East Asian scripts.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tw {
class OutputLog;
}

namespace tw::win {

class LogListBox {
public:
    static constexpr const wchar_t* ScriptFontFace = L"Microsoft Sans Serif";

    LogListBox() = default;
    ~LogListBox();
    LogListBox(const LogListBox&) = delete;
    LogListBox& operator=(const LogListBox&) = delete;

    // Subclasses the list box `list`. `onLineRightClicked` runs after a
    // right-button release over a line, with that line selected.
    void attach(HWND list, std::function<void(int line)> onLineRightClicked);
    void detach();

    HWND handle() const { return list_; }

    // Appends `text` as a line that stands for line `logLine` of the log.
    void addLine(const std::string& text, std::size_t logLine);
    // Appends the lines of `log` from line `first` on, each standing for its
    // log line, and draws the list once for all of them: every change of the
    // list's length costs a redraw of its scroll bars (milliseconds under
    // Wine), and a run adds many lines at a time.
    void addLines(const OutputLog& log, std::size_t first);
    // Removes every line.
    void clear();

    // The selected line, or -1.
    int selectedLine() const;
    // The log line that list line `line` stands for; none for no such line.
    std::optional<std::size_t> logLineAt(int line) const;
    // The horizontal scroll range: widest line (tabs expanded) + 5, 0 when empty.
    int widestLine() const { return widestLine_; }
    // Where each column after the first begins, in pixels from the start of
    // a line, as the list draws it; empty until a line with a tab arrives.
    const std::vector<int>& columnStarts() const { return columnStarts_; }

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void unsubclass();
    void useScriptFont();
    void releaseScriptFont();
    void onRightButtonUp(LPARAM pointer);
    void releaseMeasureDc();
    // Adds one line without drawing the consequences; true when the columns changed.
    bool add(const std::wstring& shown, std::size_t logLine);
    // The widths of the line's tab-separated cells, into cells_.
    void measureCells(const std::wstring& shown);
    int cellWidth(const std::wstring& shown, std::size_t begin, std::size_t end) const;
    // Sets the list's tab stops from the column widths.
    void setColumnStarts();
    void resetColumns();
    // Brings the horizontal scroll range up to date.
    void updateWidestLine();

    HWND list_ = nullptr;
    WNDPROC listProc_ = nullptr;  // the list's own procedure, while subclassed
    HFONT scriptFont_ = nullptr;  // ours, while the list shows with it
    HFONT givenFont_ = nullptr;   // the one the dialog gave the list
    // The log line of each list line.
    std::vector<std::size_t> logLines_;
    std::function<void(int)> onLineRightClicked_;
    // A memory DC holding the list's font, for measuring lines.
    HDC measureDc_ = nullptr;
    HGDIOBJ measureOldFont_ = nullptr;
    // The font's average character width as the list reckons it: the unit
    // of its tab stops is a quarter of it.
    int averageCharWidth_ = 0;
    // The advance width of every character of the font, when known.
    std::array<int, 256> charWidths_ = {};
    bool charWidthsKnown_ = false;

    // What the lines measure: the widest line without a tab; the widest
    // cell of each column that has a tab after it; for the lines of n tabs,
    // the widest last cell at [n - 1].
    bool measuredAny_ = false;
    int widestPlain_ = 0;
    std::vector<int> columnWidths_;
    std::vector<int> widestLastCells_;
    std::vector<int> columnStarts_;
    std::vector<int> cells_;  // the cells of the line being measured
    int widestLine_ = 0;
};

}  // namespace tw::win
