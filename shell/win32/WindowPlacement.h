// The main window's placement in the settings file: the "Window ..." keys of
// section "Options", written before the other settings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "settings/Settings.h"

namespace tw {
class IniFile;
}

namespace tw::win {

// The placement as stored; -1 means missing.
struct WindowPlacement {
    std::int32_t flags = -1;
    std::int32_t showCommand = -1;
    std::int32_t left = -1;
    std::int32_t top = -1;
    std::int32_t right = -1;
    std::int32_t bottom = -1;
};

// Show commands of a window placement, as the platform numbers them.
constexpr std::int32_t ShowMinimized = SW_SHOWMINIMIZED;
constexpr std::int32_t ShowMaximized = SW_SHOWMAXIMIZED;
constexpr std::int32_t ShowRestore = SW_RESTORE;

// The show command with which a saved placement is applied to a window that
// starts in `startingShowCommand`; -1 when the saved placement is incomplete
// and the window stays where the platform put it.
std::int32_t PlacementShowCommand(const WindowPlacement& saved, std::int32_t startingShowCommand);

// The placement keys of `ini`, each read like ParseLeadingInt; -1 when missing.
WindowPlacement LoadPlacement(const IniFile& ini);
// Writes the placement keys into `ini`; other sections and keys stay as they are.
void StorePlacement(const WindowPlacement& placement, IniFile& ini);

// The settings and the placement from the settings file at `path`; the
// defaults when it can't be read.
void LoadWindowSettings(const std::string& path, Settings& settings, WindowPlacement& placement);
// Both into the settings file at `path`, placement first, keeping what else
// it holds. False when it can't be written.
bool SaveWindowSettings(const std::string& path, const Settings& settings, const WindowPlacement& placement);

// The window's placement in the stored form; all -1 when it can't be learnt.
WindowPlacement PlacementOf(HWND window);
// `r` moved, and shrunk if need be, into `area`, but no smaller than
// `minimum`; where both can't hold, its top left corner stays in the area,
// so that the title bar can be reached.
RECT ClampIntoArea(RECT r, const RECT& area, SIZE minimum);

// Applies a saved placement to the hidden `window`, if it is complete: its
// restored rectangle at no less than `minimum` (a smaller size saved at
// another DPI would hide controls), clamped into the work area of the
// monitor it lands on. Gives the show command to show the window with once
// it is up (the system's first show of a dialog shows it restored), or -1
// when there was nothing to apply.
std::int32_t ApplyPlacement(HWND window, const WindowPlacement& saved, SIZE minimum);

}  // namespace tw::win
