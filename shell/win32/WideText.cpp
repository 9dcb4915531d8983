#include "shell/win32/WideText.h"

#include <windows.h>

#include "platform/Platform.h"
#include "text/Unicode.h"

namespace tw::win {

namespace {

std::wstring FromAnsiCodePage(const std::string& bytes) {
    return Utf8ToUtf16(AnsiToUtf8(bytes));
}

}  // namespace

std::wstring ShownText(const std::string& text) {
    std::wstring shown;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t utf8 = Utf8PrefixLength(std::string_view(text).substr(i));
        shown += Utf8ToUtf16(std::string_view(text).substr(i, utf8));
        i += utf8;
        // The stretch that is not UTF-8 runs up to the next ASCII byte; a
        // double-byte code page's lead byte keeps its trail byte with it.
        std::size_t end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80)
            end += IsDBCSLeadByte(static_cast<BYTE>(text[end])) && end + 1 < text.size() ? 2 : 1;
        shown += FromAnsiCodePage(text.substr(i, end - i));
        i = end;
    }
    return shown;
}

std::string ProgramText(const std::wstring& text) {
    return Utf16ToUtf8(text);
}

std::string AnsiCodePageText(const std::string& text) {
    const std::wstring wide = Utf8ToUtf16(text);
    if (wide.empty())
        return std::string();
    const int size = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &bytes[0], n, nullptr, nullptr);
    return bytes;
}

std::string ArgumentsOf(const wchar_t* commandLine) {
    if (commandLine == nullptr)
        return std::string();
    const wchar_t* p = commandLine;
    // The program's name ends at its closing quote, or else at a blank.
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return Utf16ToUtf8(p);
}

}  // namespace tw::win
