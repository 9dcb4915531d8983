// Plain-text clipboard access for the window.
#pragma once

#include <windows.h>

#include <string>

namespace tw::win {

// Puts `text` on the clipboard as Unicode text (CF_UNICODETEXT, from which
// the system makes the other text forms), opened for `owner`. Gives up
// silently when the clipboard can't be opened; when the memory can't be
// allocated the clipboard is left empty.
void CopyTextToClipboard(HWND owner, const std::string& text);

}  // namespace tw::win
