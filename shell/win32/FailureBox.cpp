#include "shell/win32/FailureBox.h"

#include <new>

#include "shell/win32/Centring.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {
// A failure met again while its box is open (in a message the box's loop
// dispatches) would otherwise open boxes without end.
bool boxOpen = false;
}  // namespace

std::string FailureText(std::exception_ptr failure) {
    try {
        if (failure)
            std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return "Out of memory.";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "Unknown error.";
}

void ShowFailure(HWND owner, const std::string& text) {
    if (boxOpen)
        return;
    boxOpen = true;
    CentreNextOwnedWindow centring(owner);
    std::wstring shown = ShownText(std::string(FailureIntro) + "\r\n\r\n" + text);
    MessageBoxW(owner, shown.c_str(), ShownText(FailureCaption).c_str(), MB_OK | MB_ICONERROR);
    boxOpen = false;
}

}  // namespace tw::win
