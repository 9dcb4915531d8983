// An exception that reaches the Windows boundary is shown, not swallowed:
// the user learns that what they asked for stopped, and why.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace tw::win {

constexpr const char* FailureCaption = "Unexpected Error";
constexpr const char* FailureIntro = "Tunewarden stopped what it was doing after an unexpected error:";

// What a failure says: "Out of memory." for std::bad_alloc, the message of
// any other std::exception, "Unknown error." for anything else.
std::string FailureText(std::exception_ptr failure);

// Shows FailureIntro and `text` in an error box centred over `owner` (which
// may be null). A failure while such a box is open shows no second box.
void ShowFailure(HWND owner, const std::string& text);

}  // namespace tw::win
