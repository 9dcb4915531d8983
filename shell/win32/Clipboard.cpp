#include "shell/win32/Clipboard.h"

#include <cstring>

namespace tw::win {

void CopyTextToClipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner))
        return;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (block != nullptr) {
        void* data = GlobalLock(block);
        if (data != nullptr) {
            std::memcpy(data, text.c_str(), text.size() + 1);
            GlobalUnlock(block);
            // On success the clipboard owns the block.
            if (SetClipboardData(CF_TEXT, block) == nullptr)
                GlobalFree(block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

}  // namespace tw::win
