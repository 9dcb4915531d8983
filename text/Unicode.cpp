#include "text/Unicode.h"

namespace tw {
namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Decodes the sequence at `i`; on success moves `i` past it.
bool DecodeAt(std::string_view text, std::size_t& i, char32_t& codePoint, Surrogates surrogates) {
    const std::size_t length = Utf8SequenceLength(text, i, surrogates);
    if (length == 0)
        return false;
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    char32_t value = at(0) & (length == 1 ? 0x7F : 0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k)
        value = (value << 6) | (at(k) & 0x3F);
    codePoint = value;
    i += length;
    return true;
}

// One encoder for every source of units: a pair becomes one code point, a
// lone surrogate what `lone` says.
template <class UnitAt>
std::string EncodeUtf16(std::size_t count, UnitAt unitAt, LoneSurrogate lone) {
    std::string out;
    out.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t unit = unitAt(i);
        if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(unitAt(i + 1))) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
            ++i;
            continue;
        }
        const bool lonely = IsHighSurrogate(unit) || IsLowSurrogate(unit);
        AppendUtf8(out, lonely && lone == LoneSurrogate::Replace ? Replacement : unit);
    }
    return out;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i, Surrogates surrogates) {
    const auto byte = [&](std::size_t k) -> unsigned {
        return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
    };
    const auto trail = [&](std::size_t k, unsigned low, unsigned high) {
        const unsigned b = byte(k);
        return i + k < text.size() && b >= low && b <= high;
    };
    if (i >= text.size())
        return 0;
    const unsigned lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return trail(1, 0x80, 0xBF) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms (E0 A0..); surrogates are ED A0..BF.
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = lead == 0xED && surrogates == Surrogates::Refused ? 0x9F : 0xBF;
        return trail(1, low, high) && trail(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        return trail(1, low, high) && trail(2, 0x80, 0xBF) && trail(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text, i, Surrogates::Refused);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string ToValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8SequenceLength(text, i, Surrogates::Refused);
        if (n == 0) {
            out += ReplacementUtf8;
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

bool IsUtf8Text(std::string_view text) {
    return Utf8PrefixLength(text) == text.size();
}

std::size_t Utf8PrefixLength(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = Utf8SequenceLength(text, i, Surrogates::Allowed);
        if (n == 0)
            break;
        i += n;
    }
    return i;
}

std::size_t Utf8CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const std::size_t n = Utf8SequenceLength(text, i, Surrogates::Refused);
        i += n == 0 ? 1 : n;
    }
    return count;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    const auto byte = [&out](char32_t b) { out.push_back(static_cast<char>(static_cast<std::uint8_t>(b))); };
    if (codePoint < 0x80) {
        byte(codePoint);
        return;
    }
    if (codePoint < 0x800) {
        byte(0xC0 | (codePoint >> 6));
        byte(0x80 | (codePoint & 0x3F));
        return;
    }
    if (codePoint < 0x10000) {
        byte(0xE0 | (codePoint >> 12));
        byte(0x80 | ((codePoint >> 6) & 0x3F));
        byte(0x80 | (codePoint & 0x3F));
        return;
    }
    byte(0xF0 | (codePoint >> 18));
    byte(0x80 | ((codePoint >> 12) & 0x3F));
    byte(0x80 | ((codePoint >> 6) & 0x3F));
    byte(0x80 | (codePoint & 0x3F));
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view units, LoneSurrogate lone) {
    return EncodeUtf16(
        units.size(), [&](std::size_t i) { return static_cast<char32_t>(units[i]); }, lone);
}

std::string Utf16ToUtf8(std::wstring_view text) {
    return EncodeUtf16(
        text.size(), [&](std::size_t i) { return static_cast<char32_t>(text[i]) & 0xFFFF; }, LoneSurrogate::Keep);
}

std::u16string Utf16Units(const std::uint8_t* bytes, std::size_t unitCount, Utf16Order order) {
    std::u16string units(unitCount, u'\0');
    const std::size_t high = order == Utf16Order::BigEndian ? 0 : 1;
    for (std::size_t i = 0; i < unitCount; ++i)
        units[i] = static_cast<char16_t>(bytes[2 * i + high] << 8 | bytes[2 * i + 1 - high]);
    return units;
}

std::wstring Utf8ToUtf16(std::string_view text) {
    std::wstring result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c;
        if (!DecodeAt(text, i, c, Surrogates::Allowed)) {
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

}  // namespace tw
