// UTF-16LE to UTF-8 without the platform, so that Linux and Windows builds
// give the same bytes: a valid surrogate pair becomes one 4-byte sequence,
// a surrogate without its partner becomes U+FFFD, as the Windows conversion
// (code page 65001, no flags) does.
#include "tags/Id3v2Tag.h"

namespace tw {

namespace {

constexpr std::uint32_t ReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::uint32_t UnitAt(const std::uint8_t* bytes, std::size_t index) {
    return static_cast<std::uint32_t>(bytes[2 * index]) | (static_cast<std::uint32_t>(bytes[2 * index + 1]) << 8);
}

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
    auto byte = [&out](std::uint32_t b) { out.push_back(static_cast<char>(static_cast<std::uint8_t>(b))); };
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

}  // namespace

std::string Utf16LeToUtf8(const std::uint8_t* bytes, std::size_t unitCount) {
    std::string out;
    out.reserve(unitCount * 3);
    for (std::size_t i = 0; i < unitCount; ++i) {
        std::uint32_t unit = UnitAt(bytes, i);
        if (IsHighSurrogate(unit) && i + 1 < unitCount && IsLowSurrogate(UnitAt(bytes, i + 1))) {
            std::uint32_t low = UnitAt(bytes, i + 1);
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            ++i;
            continue;
        }
        if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(out, ReplacementCharacter);
            continue;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

}  // namespace tw
