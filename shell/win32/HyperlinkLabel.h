// A static text control that can act as a link: underlined blue text, the
// link cursor under the mouse pointer, and a click that opens its target
// with the shell.
#pragma once

#include <windows.h>

#include <string>

namespace tw::win {

class HyperlinkLabel {
public:
    HyperlinkLabel() = default;
    ~HyperlinkLabel();
    HyperlinkLabel(const HyperlinkLabel&) = delete;
    HyperlinkLabel& operator=(const HyperlinkLabel&) = delete;

    // Attaches the label to its static control: records the control's font
    // and its description and the control's text colour, and subclasses it
    // for the cursor and painting. False when `control` is no window.
    bool bind(HWND control);

    // Makes the label a link: its text, what a click opens (null means
    // empty: the text itself is opened), underlined blue font, size of the
    // text, link cursor.
    void setLink(const std::string& text, const char* target);

    // Changes the label's font; every argument -1 (face: null) leaves that
    // part as it is. A face is taken only when at most 31 characters long.
    // When the font can't be made, the bound font goes back to the control,
    // nothing stored changes and the result is false.
    bool changeFont(const char* face = nullptr, int height = -1, int width = -1, int bold = -1, int italic = -1,
                    int underline = -1, int colourFlag = -1, COLORREF colour = 0);

    // Resizes the control to exactly its text's extent in its font.
    void sizeToText();

    // A click: opens the target (or the text when there is no target) with
    // the shell, when the label is a link. The result is ignored.
    void onClicked();

    // What a click opens.
    std::string clickTarget() const;

    HWND handle() const { return control_; }
    bool isLink() const { return isLink_; }
    COLORREF textColour() const { return textColour_; }
    HCURSOR cursor() const { return cursor_; }
    const std::string& target() const { return target_; }

private:
    static LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void paint();
    std::string text() const;
    void unbind();

    HWND control_ = nullptr;
    WNDPROC controlProc_ = nullptr;  // the control's own procedure, while subclassed
    HFONT boundFont_ = nullptr;
    LOGFONTA fontDescription_ = {};
    bool isLink_ = false;
    COLORREF textColour_ = RGB(0, 0, 0);
    HCURSOR cursor_ = nullptr;
    HFONT ownFont_ = nullptr;
    std::string target_;
};

}  // namespace tw::win
