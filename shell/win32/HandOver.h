// The single-instance hand-over: a path given to a second start of the
// program travels to the running window as a global atom posted with the
// registered selection message, and the second process ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tw::win {

// Names shared with other instances of the program.
extern const char* const SelectionMessageName;
extern const char* const InstancePropertyName;

// Marks `window` as the main window of a running instance.
void MarkAsRunningInstance(HWND window);

// The main window of a running instance: the first top-level window, in
// stacking order, that carries the instance property; null when none does.
HWND FindRunningInstance();

// Posts `text` to `target` as a selection, in UTF-16. False when the text
// can't travel (longer than an atom's 255 characters) or can't be posted.
bool PostSelection(HWND target, const std::string& text, UINT selectionMessage);

// Brings `window` to the front; when it has a window of its own open over
// it (a message box, a dialog), that one instead: the user has to answer it
// first, and a raised owner would hide it.
void BringToFront(HWND window);

// Gives `commandLine` (unchanged, quotes and all) to the instance window
// `target` as a selection and brings that window to the front. False when
// it can't be posted; the caller then handles it itself.
bool HandOver(HWND target, const std::string& commandLine, UINT selectionMessage);

// The text that a selection message carries; the atom is released. None
// for an atom that names nothing.
std::optional<std::string> TakeSelection(ATOM atom);

}  // namespace tw::win
