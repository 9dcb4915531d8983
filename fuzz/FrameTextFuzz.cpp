// Id3v2Tag::decodeFrameText: the first four bytes are the frame identifier
// (so that COMM and the text frames are both reached), the rest the payload,
// at most the 410 bytes that the tag reader hands over. Also the same
// payload decoded as written (DecodeId3v2Text), and the UTF-16 to UTF-8
// conversion of the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "tags/Id3v2Tag.h"
#include "tags/Id3v2Texts.h"
#include "text/Unicode.h"

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

    tw::TagText description;
    tw::TagText written =
        tw::DecodeId3v2Text(payload.get(), length, std::memcmp(frameId, "COMM", 4) == 0, &description);
    for (const tw::TagText* t : {&written, &description}) {
        FUZZ_CHECK(tw::IsValidUtf8(t->text));
        FUZZ_CHECK(t->lossy == !t->raw.empty());
        FUZZ_CHECK(t->raw.empty() || t->raw.size() < length);  // never the encoding byte
    }

    const std::string utf8 = tw::Utf16ToUtf8(tw::Utf16Units(payload.get(), length / 2, tw::Utf16Order::LittleEndian),
                                             tw::LoneSurrogate::Replace);
    FUZZ_CHECK(tw::fuzz::IsUtf8(utf8));
    FUZZ_CHECK(utf8.size() <= (length / 2) * 3);
    FUZZ_CHECK((length / 2 == 0) == utf8.empty());
    return 0;
}
