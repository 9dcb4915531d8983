// The link label on a plain window of its own, for the parts the About box
// can't show.
#include "shell/win32/HyperlinkLabel.h"

#include <gtest/gtest.h>

#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::CursorOver;
using test::FontDescriptionOf;
using test::LinkCursor;
using test::TextExtentIn;
using test::WindowSize;

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
