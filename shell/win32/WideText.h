// Text at the window's boundary. The program's text is UTF-8 (paths, messages)
// or bytes from a file (tag texts); the window is a Unicode window.
#pragma once

#include <string>

namespace tw::win {

// A text as the window shows it: every stretch that is UTF-8 as UTF-8, and
// every other stretch (ID3v1 bytes, say) in the ANSI code page, as the
// system has always shown those bytes.
std::wstring ShownText(const std::string& text);

// A text from the window as the program's UTF-8.
std::string ProgramText(const std::wstring& text);

// UTF-8 as bytes of the ANSI code page, for what is kept as one such byte
// (the catalog's delimiter); a character the code page lacks becomes its
// default character.
std::string AnsiCodePageText(const std::string& text);

// A Windows command line without the program's name and the blanks after
// it, as UTF-8 (what WinMain's own command line would be, whole).
std::string ArgumentsOf(const wchar_t* commandLine);

}  // namespace tw::win
