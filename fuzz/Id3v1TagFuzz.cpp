// Id3v1Tag::read of a 128-byte block: the input, cut or padded with zeros.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "tags/Id3v1Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tw::Id3v1Tag;
    using tw::fuzz::IsPrintable;

    std::uint8_t block[Id3v1Tag::BlockSize] = {};
    std::memcpy(block, data, size < sizeof block ? size : sizeof block);

    Id3v1Tag tag;
    const bool found = tag.read(block);
    FUZZ_CHECK(found == (std::memcmp(block, "TAG", 3) == 0));

    const std::string fields[] = {tag.title(), tag.artist(), tag.album(), tag.year(), tag.comment(), tag.genre()};
    for (const std::string& field : fields)
        FUZZ_CHECK(IsPrintable(field));
    FUZZ_CHECK(tag.title().size() <= 30 && tag.artist().size() <= 30 && tag.album().size() <= 30);
    FUZZ_CHECK(tag.year().size() <= 4 && tag.comment().size() <= 30);
    FUZZ_CHECK(tag.isVersion11() == 0 || tag.isVersion11() == 1);
    FUZZ_CHECK(tag.isVersion11() == 0 || (tag.track() >= 1 && tag.track() <= 255));
    if (!found) {
        for (const std::string& field : fields)
            FUZZ_CHECK(field.empty());
        FUZZ_CHECK(tag.isVersion11() == 0 && tag.track() == 0);
    }
    FUZZ_CHECK(IsPrintable(Id3v1Tag::genreName(block[127])));

    // A second read of another block leaves nothing of the first behind.
    std::uint8_t other[Id3v1Tag::BlockSize] = {};
    FUZZ_CHECK(!tag.read(other));
    FUZZ_CHECK(tag.title().empty() && tag.genre().empty() && tag.track() == 0);
    return 0;
}
