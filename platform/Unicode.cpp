#include "platform/Unicode.h"

#include <cstdint>

namespace tw {
namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Decodes the sequence at `i`; on success moves `i` past it. Overlong forms
// and values past U+10FFFF are refused.
bool DecodeAt(std::string_view text, std::size_t& i, char32_t& codePoint) {
    const std::size_t n = text.size();
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80) {
        codePoint = lead;
        ++i;
        return true;
    }
    std::size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return false;
    }
    if (n - i < length || at(i + 1) < low || at(i + 1) > high)
        return false;
    char32_t value = lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if (!IsContinuation(at(i + k)))
            return false;
        value = (value << 6) | (at(i + k) & 0x3F);
    }
    codePoint = value;
    i += length;
    return true;
}

}  // namespace

std::wstring Utf8ToUtf16(std::string_view text) {
    std::wstring result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c;
        if (!DecodeAt(text, i, c)) {
            c = Replacement;
            ++i;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            result += static_cast<wchar_t>(0xD800 + (c >> 10));
            result += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            result += static_cast<wchar_t>(c);
        }
    }
    return result;
}

std::string Utf16ToUtf8(std::wstring_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            char32_t next = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            result += static_cast<char>(c);
        } else if (c < 0x800) {
            result += static_cast<char>(0xC0 | (c >> 6));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            result += static_cast<char>(0xE0 | (c >> 12));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (c >> 18));
            result += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return result;
}

bool IsUtf8Text(std::string_view text) {
    return Utf8PrefixLength(text) == text.size();
}

std::size_t Utf8PrefixLength(std::string_view text) {
    std::size_t i = 0;
    char32_t ignored;
    while (i < text.size() && DecodeAt(text, i, ignored)) {
    }
    return i;
}

}  // namespace tw
