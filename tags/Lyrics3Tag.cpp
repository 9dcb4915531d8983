#include "tags/Lyrics3Tag.h"

#include <cstring>

#include "tags/TagSource.h"

namespace tw {

namespace {

using tagsource::FromMemory;
using tagsource::FromReader;

constexpr char Begin[] = "LYRICSBEGIN";
constexpr std::int64_t BeginSize = 11;
constexpr std::int64_t V1EndSize = 9;  // "LYRICSEND"
constexpr std::int64_t V2Trailer = static_cast<std::int64_t>(Lyrics3Tag::V2TrailerSize);

template <class Source>
bool LocateV2(Source& source, std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag) {
    if (!tagsource::Fits(source, end, lowest, V2Trailer + BeginSize))
        return false;
    std::uint8_t trailer[Lyrics3Tag::V2TrailerSize];
    if (source.read(end - V2Trailer, trailer, sizeof trailer) != sizeof trailer ||
        std::memcmp(trailer + 6, "LYRICS200", 9) != 0)
        return false;
    std::int64_t size = 0;  // "LYRICSBEGIN" and the fields, without the trailer
    for (int i = 0; i < 6; ++i) {
        if (trailer[i] < '0' || trailer[i] > '9')
            return false;
        size = size * 10 + (trailer[i] - '0');
    }
    if (size < BeginSize || end - V2Trailer - lowest < size)
        return false;
    const std::int64_t start = end - V2Trailer - size;
    std::uint8_t begin[BeginSize];
    if (source.read(start, begin, sizeof begin) != sizeof begin || std::memcmp(begin, Begin, BeginSize) != 0)
        return false;
    tag.start = start;
    tag.size = end - start;
    tag.version = 2;
    return true;
}

template <class Source>
bool LocateV1(Source& source, std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag) {
    if (!tagsource::Fits(source, end, lowest, BeginSize + V1EndSize))
        return false;
    // The whole of the longest tag is read at once: a few kilobytes.
    constexpr std::int64_t Window = static_cast<std::int64_t>(Lyrics3Tag::V1MaxText) + BeginSize + V1EndSize;
    const std::int64_t from = end - lowest < Window ? lowest : end - Window;
    std::uint8_t bytes[Window];
    const auto count = static_cast<std::size_t>(end - from);
    if (source.read(from, bytes, count) != count || std::memcmp(bytes + count - V1EndSize, "LYRICSEND", 9) != 0)
        return false;
    // The nearest "LYRICSBEGIN" before the end starts the tag.
    for (std::size_t i = count - static_cast<std::size_t>(V1EndSize + BeginSize) + 1; i-- > 0;) {
        if (std::memcmp(bytes + i, Begin, BeginSize) == 0) {
            tag.start = from + static_cast<std::int64_t>(i);
            tag.size = end - tag.start;
            tag.version = 1;
            return true;
        }
    }
    return false;
}

template <class Source>
bool Locate(Source source, std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag) {
    tag = Lyrics3Tag{};
    if (LocateV2(source, end, lowest, tag) || LocateV1(source, end, lowest, tag))
        return true;
    tag = Lyrics3Tag{};
    return false;
}

}  // namespace

bool Lyrics3Tag::locate(BufferedReader& file, std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag) {
    return Locate(FromReader{file}, end, lowest, tag);
}

bool Lyrics3Tag::locate(const std::uint8_t* data, std::size_t size, std::int64_t end, std::int64_t lowest,
                        Lyrics3Tag& tag) {
    return Locate(FromMemory{data, size}, end, lowest, tag);
}

}  // namespace tw
