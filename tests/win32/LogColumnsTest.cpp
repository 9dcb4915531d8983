// Tab-separated lines in the log list (a catalog) show as columns under
// their headers, as wide as their widest cells; the text keeps its tabs.
#include "shell/win32/MainDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "reports/DirectoryCatalog.h"
#include "shell/win32/MainDialogIds.h"
#include "shell/win32/WideText.h"
#include "tests/support/RecordingSink.h"
#include "tests/win32/MainWindowHarness.h"

namespace tw::win {
namespace {

using test::MainWindow;
using test::ScratchFolder;

// The width of `text` in the list's font.
int Measure(HWND list, const std::string& text) {
    std::wstring shown = ShownText(text);
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return static_cast<int>(size.cx);
}

std::vector<std::string> CellsOf(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t begin = 0;
    for (std::size_t tab; (tab = line.find('\t', begin)) != std::string::npos; begin = tab + 1)
        cells.push_back(line.substr(begin, tab - begin));
    cells.push_back(line.substr(begin));
    return cells;
}

// Every cell followed by a tab ends before the start of the next column.
void ExpectEveryCellFitsItsColumn(MainWindow& w, const std::vector<std::string>& lines) {
    const std::vector<int>& starts = w.dialog().logList().columnStarts();
    HWND list = w.item(IDC_MAIN_LOG);
    int widest = 0;
    for (const std::string& line : lines) {
        std::vector<std::string> cells = CellsOf(line);
        if (cells.size() == 1) {
            widest = std::max(widest, Measure(list, line));
            continue;
        }
        ASSERT_GE(starts.size(), cells.size() - 1) << line;
        for (std::size_t k = 0; k + 1 < cells.size(); ++k) {
            int columnStart = k == 0 ? 0 : starts[k - 1];
            EXPECT_LT(columnStart + Measure(list, cells[k]), starts[k]) << "column " << k << " of " << line;
        }
        widest = std::max(widest, starts[cells.size() - 2] + Measure(list, cells.back()));
    }
    EXPECT_EQ(w.dialog().widestLine(), widest + 5);
}

// The rightmost inked pixel of each of the list's first `rows` lines, as the
// list draws them.
std::vector<int> RightmostInk(HWND list, int rows) {
    RECT client{};
    GetClientRect(list, &client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    std::vector<int> rightmost;
    for (int row = 0; row < rows; ++row) {
        RECT r{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        int found = -1;
        for (int y = std::max(0L, r.top); y < std::min(r.bottom, client.bottom); ++y) {
            for (int x = 0; x < client.right; ++x) {
                std::uint32_t p = pixels[y * client.right + x];
                int brightness = static_cast<int>((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF));
                if (brightness < 3 * 128)
                    found = std::max(found, x);
            }
        }
        rightmost.push_back(found);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return rightmost;
}

TEST(LogColumnsTest, CellsStandUnderTheirHeadersAsTheListDrawsThem) {
    ScratchFolder folder;
    MainWindow w(folder, "");
    HWND list = w.item(IDC_MAIN_LOG);
    // Each row ends in the same last cell: when the columns line up, its
    // right edge is at the same place in every row.
    const std::vector<std::string> lines = {
        "\tHeading\tX",
        "A wide first cell\tb\tX",
        "a\tA much wider second cell\tX",
        "\t\tX",
    };
    for (const std::string& line : lines)
        w.dialog().sink().appendLine(line, NoFile);
    const std::vector<int> starts = w.dialog().logList().columnStarts();
    ASSERT_EQ(starts.size(), 2u);
    ExpectEveryCellFitsItsColumn(w, lines);
    // There is a gap between a column's widest cell and the next column.
    EXPECT_GE(starts[0] - Measure(list, "A wide first cell"), 4);
    EXPECT_GE(starts[1] - starts[0] - Measure(list, "A much wider second cell"), 4);

    ASSERT_LT(starts[1] + Measure(list, "X") + 5, w.rectOf(IDC_MAIN_LOG).right - w.rectOf(IDC_MAIN_LOG).left);
    std::vector<int> ink = RightmostInk(list, 4);
    for (int row = 1; row < 4; ++row)
        EXPECT_EQ(ink[row], ink[0]) << "row " << row;
    EXPECT_GE(ink[0], starts[1]);
    EXPECT_LE(ink[0], starts[1] + Measure(list, "X") + 2);

    // The lines keep their tabs; Clear Log forgets the columns.
    EXPECT_EQ(w.listLines(), lines);
    w.click(IDC_MAIN_CLEAR_LOG);
    EXPECT_TRUE(w.dialog().logList().columnStarts().empty());
    w.dialog().sink().appendLine("x\ty", NoFile);
    ASSERT_EQ(w.dialog().logList().columnStarts().size(), 1u);
    EXPECT_LT(w.dialog().logList().columnStarts()[0], starts[0]);
}

TEST(LogColumnsTest, ACatalogOfLongNamesInALongPathLinesUp) {
    ScratchFolder folder;
    const std::string music = folder / "A folder with a rather long name\\and another long one below it";
    ASSERT_TRUE(CreateDirectoryA((folder / "A folder with a rather long name").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(music.c_str(), nullptr));
    const char* names[] = {
        "01 - a.mp3",
        "02 - The Longest Song Title Anyone Ever Gave To A Test File (Extended Remix).mp3",
        "03 - middle length name.mp3",
    };
    for (const char* name : names)
        test::WriteBytes(music + "\\" + name, test::SoundMp3(30));
    test::WriteText(music + "\\04 - not audio at all.mp3", "not audio");

    MainWindow w(folder, "[Options]\r\nFunction=3\r\nTest Dir Name=" + music + "\r\n");
    w.click(IDC_MAIN_START);
    test::RecordingSink expected;
    DirectoryCatalog(expected, CatalogOptionsOf(Settings()), music).catalogDirectory();
    ASSERT_EQ(w.logTexts(), expected.texts());
    EXPECT_EQ(w.listLines(), expected.texts());
    ExpectEveryCellFitsItsColumn(w, expected.texts());
    EXPECT_EQ(w.dialog().logList().columnStarts().size(), CatalogColumnCount - 1);
}

}  // namespace
}  // namespace tw::win
