// The program's text is UTF-8; Windows speaks UTF-16. These convert at that
// boundary without loss: a name that Windows holds with a lone surrogate
// becomes the three bytes that code point would take, and comes back as the
// same unit, so that every file a folder lists can be opened again.
#pragma once

#include <string>
#include <string_view>

namespace tw {

// UTF-8 (lone surrogates allowed) to UTF-16 units, one per wchar_t. A byte
// that starts no valid sequence gives U+FFFD.
std::wstring Utf8ToUtf16(std::string_view text);

// UTF-16 units (the low 16 bits of each wchar_t) to UTF-8; a surrogate
// without its partner is written as its own code point.
std::string Utf16ToUtf8(std::wstring_view text);

// True when every byte belongs to a well-formed UTF-8 sequence (lone
// surrogates included, as Utf16ToUtf8 writes them). Plain ASCII is UTF-8.
bool IsUtf8Text(std::string_view text);

// Length of the longest start of `text` that is UTF-8 in that sense.
std::size_t Utf8PrefixLength(std::string_view text);

}  // namespace tw
