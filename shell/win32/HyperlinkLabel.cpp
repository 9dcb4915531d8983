#include "shell/win32/HyperlinkLabel.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "shell/win32/ResourceIds.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {

constexpr COLORREF LinkColour = RGB(0, 0, 255);
constexpr std::size_t LongestFaceName = LF_FACESIZE - 1;  // 31 characters

HFONT FontOf(HWND control) {
    return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
}

}  // namespace

HyperlinkLabel::~HyperlinkLabel() {
    unbind();
    if (ownFont_ != nullptr)
        DeleteObject(ownFont_);
}

bool HyperlinkLabel::bind(HWND control) {
    if (!IsWindow(control))
        return false;
    unbind();
    control_ = control;
    boundFont_ = FontOf(control);
    HGDIOBJ described = boundFont_ != nullptr ? static_cast<HGDIOBJ>(boundFont_) : GetStockObject(SYSTEM_FONT);
    GetObjectA(described, sizeof fontDescription_, &fontDescription_);
    HDC dc = GetDC(control);
    if (dc != nullptr) {
        textColour_ = GetTextColor(dc);
        ReleaseDC(control, dc);
    }
    // Subclassed by replacing the window procedure, as the log list is:
    // SetWindowSubclass costs about 90 us a message under Wine.
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    controlProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HyperlinkLabel::LabelProc)));
    return true;
}

void HyperlinkLabel::unbind() {
    if (control_ == nullptr)
        return;
    if (IsWindow(control_)) {
        // Put back only what is still ours, so that a later subclasser isn't cut out.
        if (GetWindowLongPtrW(control_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&HyperlinkLabel::LabelProc))
            SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc_));
        SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
        // The own font is about to go: leave the control with one that lives.
        if (ownFont_ != nullptr)
            SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(boundFont_), FALSE);
    }
    control_ = nullptr;
    controlProc_ = nullptr;
}

void HyperlinkLabel::setLink(const std::string& text, const char* target) {
    SetWindowTextW(control_, ShownText(text).c_str());
    target_ = target != nullptr ? target : "";
    changeFont(nullptr, -1, -1, -1, -1, 1, 1, LinkColour);
    sizeToText();
    cursor_ = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK));
    if (cursor_ == nullptr)
        cursor_ = LoadCursorW(nullptr, IDC_HAND);
    isLink_ = true;
}

bool HyperlinkLabel::changeFont(const char* face, int height, int width, int bold, int italic, int underline,
                                int colourFlag, COLORREF colour) {
    LOGFONTA description = fontDescription_;
    if (face != nullptr && std::strlen(face) <= LongestFaceName)
        std::strcpy(description.lfFaceName, face);
    if (height != -1)
        description.lfHeight = height;
    if (width != -1)
        description.lfWidth = width;
    if (bold != -1)
        description.lfWeight = bold != 0 ? FW_BOLD : FW_NORMAL;
    if (italic != -1)
        description.lfItalic = italic != 0 ? TRUE : FALSE;
    if (underline != -1)
        description.lfUnderline = underline != 0 ? TRUE : FALSE;

    // The control lets go of the old own font before it is deleted.
    HFONT font = CreateFontIndirectA(&description);
    HFONT shown = font != nullptr ? font : boundFont_;
    SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
    if (ownFont_ != nullptr)
        DeleteObject(ownFont_);
    ownFont_ = font;
    if (font == nullptr)
        return false;
    fontDescription_ = description;
    if (colourFlag != -1)
        textColour_ = colour;
    return true;
}

void HyperlinkLabel::sizeToText() {
    std::wstring shown = ShownText(text());
    HDC dc = GetDC(control_);
    if (dc == nullptr)
        return;
    HGDIOBJ previous = SelectObject(dc, FontOf(control_));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control_, dc);
    SetWindowPos(control_, nullptr, 0, 0, extent.cx, extent.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string HyperlinkLabel::clickTarget() const {
    return target_.empty() ? text() : target_;
}

void HyperlinkLabel::onClicked() {
    if (!isLink_)
        return;
    ShellExecuteW(GetParent(control_), L"open", ShownText(clickTarget()).c_str(), L"", L"", SW_SHOWNORMAL);
}

std::string HyperlinkLabel::text() const {
    int length = GetWindowTextLengthW(control_);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    GetWindowTextW(control_, buffer.data(), length + 1);
    return ProgramText(buffer.data());
}

void HyperlinkLabel::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control_, &ps);
    if (dc == nullptr)
        return;
    std::wstring shown = ShownText(text());
    HGDIOBJ previous = SelectObject(dc, FontOf(control_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColour_);
    TextOutW(dc, 0, 0, shown.c_str(), static_cast<int>(shown.size()));
    SelectObject(dc, previous);
    EndPaint(control_, &ps);
}

LRESULT CALLBACK HyperlinkLabel::LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HyperlinkLabel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->controlProc_ == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    WNDPROC next = self->controlProc_;
    switch (message) {
        case WM_SETCURSOR:
            if (self->cursor_ == nullptr)
                break;
            SetCursor(self->cursor_);
            return TRUE;
        case WM_PAINT:
            self->paint();
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->control_ = nullptr;
            self->controlProc_ = nullptr;
            break;
        default:
            break;
    }
    return CallWindowProcW(next, window, message, wParam, lParam);
}

}  // namespace tw::win
