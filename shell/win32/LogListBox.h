// The output log's list box: a plain list box that also answers the release
// of the right mouse button by selecting the line under the pointer, keeps
// its horizontal scroll range as wide as its widest line, and ties each of
// its lines to a line of the log. Tabs show as evenly spaced columns.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
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

    // Appends `text` as a line that stands for line `logLine` of the log.
    void addLine(const std::string& text, std::size_t logLine);
    // Removes every line.
    void clear();

    // Off: lines are added without drawing (a run adds many between two
    // looks at the message queue). On again: the list redraws if lines came.
    void setRedraw(bool on);

    // The selected line, or -1.
    int selectedLine() const;
    // The log line that list line `line` stands for; none for no such line.
    std::optional<std::size_t> logLineAt(int line) const;
    // The horizontal scroll range: widest line (tabs expanded) + 5, 0 when empty.
    int widestLine() const { return widestLine_; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void onRightButtonUp(LPARAM pointer);
    int textWidth(const std::wstring& text) const;
    void releaseMeasureDc();

    HWND list_ = nullptr;
    std::function<void(int)> onLineRightClicked_;
    // A memory DC holding the list's font, for measuring lines.
    HDC measureDc_ = nullptr;
    HGDIOBJ measureOldFont_ = nullptr;
    int widestLine_ = 0;
    bool redraw_ = true;
    int firstAddedLine_ = -1;  // the first line added since the redraw went off
    // The distance between tab stops in pixels.
    int tabStopPixels_ = 0;
    // The advance width of every character of the font, when known.
    std::array<int, 256> charWidths_ = {};
    bool charWidthsKnown_ = false;
};

}  // namespace tw::win
