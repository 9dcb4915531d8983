// The About box and its link labels.
#include "shell/win32/AboutDialog.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/win32/AboutDialogIds.h"
#include "shell/win32/ResourceIds.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::WindowText;

SIZE TextExtentIn(HWND control) {
    std::string text = WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
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

// The cursor that the window sets when the pointer moves over it.
HCURSOR CursorOver(HWND window) {
    SetCursor(nullptr);
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

HCURSOR LinkCursor() {
    return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK));
}

// True when some pixel of the window's client area has the colour.
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

TEST(AboutDialogTest, LinksShowTheirAddressesAndOpenTheirTargets) {
    AboutDialog about;
    HWND window = about.openModeless(nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    EXPECT_EQ(WindowText(window), "About Tunewarden");

    const HyperlinkLabel& web = about.webLink();
    const HyperlinkLabel& email = about.emailLink();
    EXPECT_EQ(web.handle(), about.item(IDC_ABOUT_WEB_LINK));
    EXPECT_EQ(WindowText(web.handle()), "web: https://tunewarden.example.org");
    EXPECT_EQ(web.clickTarget(), "https://tunewarden.example.org");
    EXPECT_EQ(WindowText(email.handle()), "email: support@tunewarden.example.org");
    EXPECT_EQ(email.clickTarget(), "mailto:support@tunewarden.example.org");

    for (const HyperlinkLabel* link : {&web, &email}) {
        EXPECT_TRUE(link->isLink());
        EXPECT_EQ(link->textColour(), RGB(0, 0, 255));
        EXPECT_TRUE(FontDescriptionOf(link->handle()).lfUnderline);
        // The clickable area ends where the text ends.
        SIZE extent = TextExtentIn(link->handle());
        SIZE size = WindowSize(link->handle());
        EXPECT_EQ(size.cx, extent.cx) << WindowText(link->handle());
        EXPECT_EQ(size.cy, extent.cy) << WindowText(link->handle());
        EXPECT_GT(extent.cx, 0);
    }
    EXPECT_TRUE(ShowsColour(web.handle(), RGB(0, 0, 255)));
}

TEST(AboutDialogTest, OnlyTheLinksShowTheLinkCursor) {
    AboutDialog about;
    ASSERT_NE(about.openModeless(nullptr), nullptr);
    ShowWindow(about.handle(), SW_SHOW);
    ASSERT_NE(LinkCursor(), nullptr);
    EXPECT_EQ(CursorOver(about.item(IDC_ABOUT_WEB_LINK)), LinkCursor());
    EXPECT_EQ(CursorOver(about.item(IDC_ABOUT_EMAIL_LINK)), LinkCursor());
    HWND version = test::FindChildWithText(about.handle(), "Tunewarden version 1.0.0");
    ASSERT_NE(version, nullptr);
    EXPECT_NE(CursorOver(version), LinkCursor());
}

TEST(AboutDialogTest, ShowRunsModallyUntilEscape) {
    AboutDialog about;
    test::WhenDialogOpens user(test::CaptionIs("About Tunewarden"),
                               [](HWND window) { PostMessageA(window, WM_COMMAND, IDCANCEL, 0); });
    about.show(nullptr);
    EXPECT_TRUE(user.acted());
}

// A label on a plain window of its own, for the parts the About box can't show.
class HyperlinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
        control_ = CreateWindowExA(0, "STATIC", "plain text", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 10, 200, 20, host_,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(control_, nullptr);
        SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    void TearDown() override { DestroyWindow(host_); }

    HWND host_ = nullptr;
    HWND control_ = nullptr;
};

TEST_F(HyperlinkLabelTest, PlainLabelKeepsItsLookAndTheDefaultCursor) {
    HyperlinkLabel label;
    ASSERT_TRUE(label.bind(control_));
    EXPECT_FALSE(label.isLink());
    EXPECT_EQ(label.cursor(), nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_NE(CursorOver(control_), LinkCursor());
    // Without a target a click opens the label's own text.
    EXPECT_EQ(label.clickTarget(), "plain text");
    EXPECT_FALSE(label.bind(nullptr));
}

TEST_F(HyperlinkLabelTest, ChangeFontChangesOnlyWhatIsGiven) {
    HyperlinkLabel label;
    ASSERT_TRUE(label.bind(control_));
    LOGFONTA bound = FontDescriptionOf(control_);
    COLORREF boundColour = label.textColour();

    ASSERT_TRUE(label.changeFont(nullptr, -1, -1, 1));
    LOGFONTA bold = FontDescriptionOf(control_);
    EXPECT_EQ(bold.lfWeight, FW_BOLD);
    EXPECT_EQ(bold.lfHeight, bound.lfHeight);
    EXPECT_STREQ(bold.lfFaceName, bound.lfFaceName);
    EXPECT_EQ(label.textColour(), boundColour);

    // Changes add up; a face name of 32 characters is not taken.
    ASSERT_TRUE(label.changeFont("Face name thirty-two chars long!!", -1, -1, -1, 1, -1, 1, RGB(1, 2, 3)));
    LOGFONTA italic = FontDescriptionOf(control_);
    EXPECT_EQ(italic.lfWeight, FW_BOLD);
    EXPECT_TRUE(italic.lfItalic);
    EXPECT_FALSE(italic.lfUnderline);
    EXPECT_STREQ(italic.lfFaceName, bound.lfFaceName);
    EXPECT_EQ(label.textColour(), RGB(1, 2, 3));

    ASSERT_TRUE(label.changeFont("Courier New", 20, -1, 0));
    LOGFONTA courier = FontDescriptionOf(control_);
    EXPECT_STREQ(courier.lfFaceName, "Courier New");
    EXPECT_EQ(courier.lfHeight, 20);
    EXPECT_EQ(courier.lfWeight, FW_NORMAL);
    EXPECT_TRUE(courier.lfItalic);
}

TEST_F(HyperlinkLabelTest, SetLinkWithoutTargetOpensItsText) {
    HyperlinkLabel label;
    ASSERT_TRUE(label.bind(control_));
    label.setLink("www.example.org", nullptr);
    EXPECT_TRUE(label.isLink());
    EXPECT_EQ(label.target(), "");
    EXPECT_EQ(label.clickTarget(), "www.example.org");
    EXPECT_EQ(CursorOver(control_), LinkCursor());
    EXPECT_EQ(WindowSize(control_).cx, TextExtentIn(control_).cx);
}

TEST_F(HyperlinkLabelTest, ControlKeepsALiveFontAfterTheLabelGoes) {
    {
        HyperlinkLabel label;
        ASSERT_TRUE(label.bind(control_));
        label.setLink("link", "target");
    }
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
    // No longer subclassed: the default cursor again.
    EXPECT_NE(CursorOver(control_), LinkCursor());
}

}  // namespace
}  // namespace tw::win
