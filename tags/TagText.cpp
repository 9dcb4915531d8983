#include "tags/TagText.h"

#include "text/Unicode.h"

namespace tw {
namespace {

constexpr int MaxDigits = 9;  // stays within 32 bits

// Digits at `i` (after blanks) as a number, moving `i` past them; -1 when
// there are none.
std::int32_t NumberAt(std::string_view text, std::size_t& i) {
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::int32_t value = 0;
    int digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (digits++ < MaxDigits)
            value = value * 10 + (text[i] - '0');
    }
    return digits == 0 || digits > MaxDigits ? -1 : value;
}

}  // namespace

SetPosition ParseSetPosition(std::string_view text) {
    SetPosition result;
    std::size_t i = 0;
    result.position = NumberAt(text, i);
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && text[i] == '/') {
        ++i;
        result.total = NumberAt(text, i);
    }
    return result;
}

std::string LineSafeText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = Utf8SequenceLength(utf8, i, Surrogates::Refused);
        const auto lead = static_cast<unsigned char>(utf8[i]);
        // C1 controls are U+0080..U+009F: C2 80..C2 9F.
        const bool control = n <= 1 ? lead < 0x20 || lead == 0x7F
                                    : n == 2 && lead == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
        if (control)
            out += ' ';
        else
            out.append(utf8, i, n == 0 ? 1 : n);
        i += n == 0 ? 1 : n;
    }
    return out;
}

}  // namespace tw
