// The output log's list box: a plain list box that also answers the release
// of the right mouse button by selecting the line under the pointer, keeps
// its horizontal scroll range as wide as its widest line, and ties each of
// its lines to a line of the log. Tabs show as evenly spaced columns.
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
#include <utility>
#include <vector>

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
    // Removes every line.
    void clear();

    // On: lines wait, and reach the list at most every UpdateIntervalMs
    // (at updateIfDue) in one batch. A run adds many lines between two looks
    // at the message queue, and every change of the list's length costs a
    // redraw of its scroll bars (milliseconds under Wine). Off: the waiting
    // lines are added at once, and later lines go straight in.
    void setDeferred(bool on);
    // Adds the waiting lines when the last batch is UpdateIntervalMs old.
    void updateIfDue();
    // Adds the waiting lines now.
    void update();
    static constexpr unsigned UpdateIntervalMs = 100;

    // The selected line, or -1.
    int selectedLine() const;
    // The log line that list line `line` stands for; none for no such line.
    std::optional<std::size_t> logLineAt(int line) const;
    // The horizontal scroll range: widest line (tabs expanded) + 5, 0 when empty.
    int widestLine() const { return widestLine_; }

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void unsubclass();
    void useScriptFont();
    void releaseScriptFont();
    void onRightButtonUp(LPARAM pointer);
    int textWidth(const std::wstring& text) const;
    void releaseMeasureDc();
    void add(const std::wstring& shown, std::size_t logLine);

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
    int widestLine_ = 0;
    bool deferred_ = false;
    // Lines not yet in the list, as shown, with their log lines.
    std::vector<std::pair<std::wstring, std::size_t>> waiting_;
    unsigned long long lastUpdate_ = 0;  // GetTickCount64 of the last batch
    // The distance between tab stops in pixels.
    int tabStopPixels_ = 0;
    // The advance width of every character of the font, when known.
    std::array<int, 256> charWidths_ = {};
    bool charWidthsKnown_ = false;
};

}  // namespace tw::win
