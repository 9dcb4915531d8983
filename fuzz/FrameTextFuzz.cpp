// Id3v2Tag::decodeFrameText: the first four bytes are the frame identifier
// (so that COMM and the text frames are both reached), the rest the payload,
// at most the 410 bytes that the tag reader hands over. Also the UTF-16 to
// UTF-8 conversion of the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "tags/Id3v2Tag.h"

namespace {

// Well-formed UTF-8 without surrogates or overlong forms.
bool IsUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        std::uint32_t cp = n == 1 ? b : n == 2 ? (b & 0x1Fu) : n == 3 ? (b & 0x0Fu) : (b & 0x07u);
        for (std::size_t k = 1; k < n; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tw::Id3v2Tag;
    constexpr std::size_t MaxPayload = 410;
    if (size < 4)
        return 0;
    char frameId[4];
    std::memcpy(frameId, data, 4);
    std::size_t length = size - 4 < MaxPayload ? size - 4 : MaxPayload;

    // A buffer of exactly the payload's length, so that a read past its end
    // is seen by the address sanitizer.
    std::unique_ptr<std::uint8_t[]> payload(new std::uint8_t[length > 0 ? length : 1]);
    std::memcpy(payload.get(), data + 4, length);

    const std::string text = Id3v2Tag::decodeFrameText(frameId, payload.get(), length);
    FUZZ_CHECK(tw::fuzz::IsPrintable(text));
    // Blanking keeps the length, and UTF-16 gives at most three bytes per
    // two read.
    FUZZ_CHECK(text.size() <= length * 3 / 2 + 1);

    const std::string utf8 = tw::Utf16LeToUtf8(payload.get(), length / 2);
    FUZZ_CHECK(IsUtf8(utf8));
    FUZZ_CHECK(utf8.size() <= (length / 2) * 3);
    FUZZ_CHECK((length / 2 == 0) == utf8.empty());
    return 0;
}
