#include "shell/win32/Clipboard.h"

#include <cstring>

#include "shell/win32/WideText.h"

namespace tw::win {

void CopyTextToClipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner))
        return;
    EmptyClipboard();
    const std::wstring wide = ShownText(text);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (block != nullptr) {
        void* data = GlobalLock(block);
        if (data != nullptr) {
            std::memcpy(data, wide.c_str(), bytes);
            GlobalUnlock(block);
            // On success the clipboard owns the block.
            if (SetClipboardData(CF_UNICODETEXT, block) == nullptr)
                GlobalFree(block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

}  // namespace tw::win
