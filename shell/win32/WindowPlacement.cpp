#include "shell/win32/WindowPlacement.h"

#include <algorithm>

#include "common/Text.h"
#include "settings/IniFile.h"

namespace tw::win {

namespace {

// The settings file's one section, and the placement keys in the order saved.
constexpr const char* SectionName = "Options";
constexpr const char* KeyWindowFlags = "Window Flags";
constexpr const char* KeyWindowShowCommand = "Window Show Command";
constexpr const char* KeyWindowLeft = "Window Left";
constexpr const char* KeyWindowTop = "Window Top";
constexpr const char* KeyWindowRight = "Window Right";
constexpr const char* KeyWindowBottom = "Window Bottom";

constexpr const char* MissingText = "-1";

std::int32_t ReadValue(const IniFile& ini, const char* key) {
    return ParseLeadingInt(ini.getString(SectionName, key, MissingText).c_str());
}

void WriteValue(IniFile& ini, const char* key, std::int32_t value) {
    ini.setString(SectionName, key, std::to_string(value));
}

}  // namespace

std::int32_t PlacementShowCommand(const WindowPlacement& saved, std::int32_t startingShowCommand) {
    if (saved.showCommand == -1 || saved.flags == -1)
        return -1;
    if (saved.left == -1 || saved.top == -1 || saved.right == -1 || saved.bottom == -1)
        return -1;
    if (startingShowCommand == ShowMaximized && saved.showCommand != ShowMaximized)
        return ShowMaximized;
    if (saved.showCommand == ShowMinimized && startingShowCommand != ShowMinimized)
        return ShowRestore;
    return saved.showCommand;
}

WindowPlacement LoadPlacement(const IniFile& ini) {
    WindowPlacement placement;
    placement.showCommand = ReadValue(ini, KeyWindowShowCommand);
    placement.flags = ReadValue(ini, KeyWindowFlags);
    placement.left = ReadValue(ini, KeyWindowLeft);
    placement.top = ReadValue(ini, KeyWindowTop);
    placement.right = ReadValue(ini, KeyWindowRight);
    placement.bottom = ReadValue(ini, KeyWindowBottom);
    return placement;
}

void StorePlacement(const WindowPlacement& placement, IniFile& ini) {
    WriteValue(ini, KeyWindowFlags, placement.flags);
    WriteValue(ini, KeyWindowShowCommand, placement.showCommand);
    WriteValue(ini, KeyWindowLeft, placement.left);
    WriteValue(ini, KeyWindowTop, placement.top);
    WriteValue(ini, KeyWindowRight, placement.right);
    WriteValue(ini, KeyWindowBottom, placement.bottom);
}

void LoadWindowSettings(const std::string& path, Settings& settings, WindowPlacement& placement) {
    IniFile ini;
    ini.load(path);  // a missing file gives the defaults
    settings = LoadSettings(ini);
    placement = LoadPlacement(ini);
}

bool SaveWindowSettings(const std::string& path, const Settings& settings, const WindowPlacement& placement) {
    IniFile ini;
    ini.load(path);  // a missing file is created
    StorePlacement(placement, ini);
    StoreSettings(settings, ini);
    return ini.save(path);
}

WindowPlacement PlacementOf(HWND window) {
    WindowPlacement stored;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (window == nullptr || !GetWindowPlacement(window, &placement))
        return stored;
    stored.flags = static_cast<std::int32_t>(placement.flags);
    stored.showCommand = static_cast<std::int32_t>(placement.showCmd);
    stored.left = placement.rcNormalPosition.left;
    stored.top = placement.rcNormalPosition.top;
    stored.right = placement.rcNormalPosition.right;
    stored.bottom = placement.rcNormalPosition.bottom;
    return stored;
}

RECT ClampIntoArea(RECT r, const RECT& area, SIZE minimum) {
    LONG width = std::min(r.right - r.left, std::max(area.right - area.left, minimum.cx));
    LONG height = std::min(r.bottom - r.top, std::max(area.bottom - area.top, minimum.cy));
    LONG left = std::max(area.left, std::min(r.left, area.right - width));
    LONG top = std::max(area.top, std::min(r.top, area.bottom - height));
    return {left, top, left + width, top + height};
}

std::int32_t ApplyPlacement(HWND window, const WindowPlacement& saved, SIZE minimum) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return -1;
    std::int32_t showCommand = PlacementShowCommand(saved, static_cast<std::int32_t>(placement.showCmd));
    if (showCommand == -1)
        return -1;
    RECT normal{saved.left, saved.top, saved.right, saved.bottom};
    normal.right = std::max(normal.right, normal.left + minimum.cx);
    normal.bottom = std::max(normal.bottom, normal.top + minimum.cy);
    // The placement's rectangle counts from the primary monitor's work area;
    // the monitors' areas are in screen coordinates.
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    MONITORINFO landing{};
    landing.cbSize = sizeof landing;
    if (GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary)) {
        POINT offset{primary.rcWork.left - primary.rcMonitor.left, primary.rcWork.top - primary.rcMonitor.top};
        OffsetRect(&normal, offset.x, offset.y);
        if (GetMonitorInfoW(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST), &landing))
            normal = ClampIntoArea(normal, landing.rcWork, minimum);
        OffsetRect(&normal, -offset.x, -offset.y);
    }
    placement.flags = static_cast<UINT>(saved.flags);
    // The window stays hidden until the system shows it.
    placement.showCmd = SW_HIDE;
    placement.rcNormalPosition = normal;
    SetWindowPlacement(window, &placement);
    return showCommand;
}

}  // namespace tw::win
