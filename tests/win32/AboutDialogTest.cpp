// The About box and its link labels.
#include "shell/win32/AboutDialog.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/win32/AboutDialogIds.h"
#include "shell/win32/ResourceIds.h"
#include "tests/win32/WindowActions.h"

namespace tw::win {
namespace {

using test::CursorOver;
using test::FontDescriptionOf;
using test::LinkCursor;
using test::ShowsColour;
using test::TextExtentIn;
using test::WindowSize;
using test::WindowText;

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
    HWND version = test::FindChildWithText(about.handle(), "Tunewarden version " TW_VERSION);
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

}  // namespace
}  // namespace tw::win
