// The main window's placement as the settings file keeps it.
#include "shell/win32/WindowPlacement.h"

#include <gtest/gtest.h>

#include "settings/IniFile.h"

namespace tw::win {
namespace {

TEST(WindowPlacementTest, ValuesAreMinusOneWhenMissing) {
    IniFile ini;
    ini.setText(
        "[Options]\r\n"
        "Window Flags=2\r\n"
        "Window Show Command=3\r\n"
        "Window Left=-10\r\n"
        "Window Top=x\r\n");
    const WindowPlacement p = LoadPlacement(ini);
    EXPECT_EQ(p.flags, 2);
    EXPECT_EQ(p.showCommand, 3);
    EXPECT_EQ(p.left, -10);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.right, -1);
    EXPECT_EQ(p.bottom, -1);
}

TEST(WindowPlacementTest, KeysComeFirstInANewFile) {
    IniFile ini;
    StorePlacement({2, 3, -32000, 10, 800, 600}, ini);
    StoreSettings(Settings(), ini);
    const std::string text = ini.text();
    const std::string placement =
        "[Options]\r\n"
        "Window Flags=2\r\n"
        "Window Show Command=3\r\n"
        "Window Left=-32000\r\n"
        "Window Top=10\r\n"
        "Window Right=800\r\n"
        "Window Bottom=600\r\n"
        "Function=1\r\n";
    EXPECT_EQ(text.substr(0, placement.size()), placement);
    const WindowPlacement back = LoadPlacement(ini);
    EXPECT_EQ(back.left, -32000);
    EXPECT_EQ(back.bottom, 600);
}

TEST(WindowPlacementTest, ShowCommandAppliesOnlyACompletePlacement) {
    const WindowPlacement normal{0, 1, 10, 20, 410, 320};
    EXPECT_EQ(PlacementShowCommand(normal, 1), 1);
    // Closed while maximized: comes back maximized.
    EXPECT_EQ(PlacementShowCommand({0, ShowMaximized, 10, 20, 410, 320}, 1), ShowMaximized);
    // Closed while minimized: comes back restored, unless it starts minimized.
    EXPECT_EQ(PlacementShowCommand({0, ShowMinimized, 10, 20, 410, 320}, 1), ShowRestore);
    EXPECT_EQ(PlacementShowCommand({0, ShowMinimized, 10, 20, 410, 320}, ShowMinimized), ShowMinimized);
    // Started maximized: stays maximized.
    EXPECT_EQ(PlacementShowCommand(normal, ShowMaximized), ShowMaximized);
    EXPECT_EQ(PlacementShowCommand({0, ShowMinimized, 10, 20, 410, 320}, ShowMaximized), ShowMaximized);

    EXPECT_EQ(PlacementShowCommand(WindowPlacement(), 1), -1);
    EXPECT_EQ(PlacementShowCommand({-1, 1, 10, 20, 410, 320}, 1), -1);
    EXPECT_EQ(PlacementShowCommand({0, -1, 10, 20, 410, 320}, 1), -1);
    EXPECT_EQ(PlacementShowCommand({0, 1, -1, 20, 410, 320}, 1), -1);
    EXPECT_EQ(PlacementShowCommand({0, 1, 10, -1, 410, 320}, 1), -1);
    EXPECT_EQ(PlacementShowCommand({0, 1, 10, 20, -1, 320}, 1), -1);
    EXPECT_EQ(PlacementShowCommand({0, 1, 10, 20, 410, -1}, 1), -1);
    EXPECT_EQ(PlacementShowCommand({0, 1, -2, -20, 410, 320}, 1), 1);
}

TEST(WindowPlacementTest, ClampIntoAreaMovesThenShrinksButNotBelowTheMinimum) {
    const RECT area{0, 0, 1280, 800};
    const SIZE minimum{600, 450};
    struct Case {
        RECT given;
        RECT expected;
    };
    const Case cases[] = {
        {{10, 20, 710, 520}, {10, 20, 710, 520}},         // inside: unchanged
        {{900, 500, 1600, 1000}, {580, 300, 1280, 800}},  // past the bottom right: moved in
        {{-50, -20, 650, 480}, {0, 0, 700, 500}},         // past the top left: moved in
        {{-10, -10, 1400, 900}, {0, 0, 1280, 800}},       // larger than the area: shrunk to it
        {{100, 100, 700, 550}, {100, 100, 700, 550}},     // exactly the minimum
    };
    for (const Case& c : cases) {
        RECT r = ClampIntoArea(c.given, area, minimum);
        EXPECT_EQ(r.left, c.expected.left) << c.given.left;
        EXPECT_EQ(r.top, c.expected.top) << c.given.left;
        EXPECT_EQ(r.right, c.expected.right) << c.given.left;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.given.left;
    }
    // An area smaller than the minimum: the minimum wins, the top left
    // corner stays in the area.
    RECT small = ClampIntoArea({200, 200, 900, 700}, {0, 0, 500, 400}, minimum);
    EXPECT_EQ(small.left, 0);
    EXPECT_EQ(small.top, 0);
    EXPECT_EQ(small.right - small.left, 600);
    EXPECT_EQ(small.bottom - small.top, 450);
}

}  // namespace
}  // namespace tw::win
