#include "tags/TrailingTags.h"

#include <cstring>

#include "common/BufferedReader.h"
#include "tags/TagSource.h"
#include "tags/Lyrics3Tag.h"

namespace tw {

namespace {

constexpr std::int64_t Id3v1Size = 128;
constexpr std::int64_t Id3v2HeaderSize = 10;  // the footer has the same size

std::int64_t SyncsafeSize(const std::uint8_t* b) {
    if ((b[0] | b[1] | b[2] | b[3]) & 0x80)
        return -1;
    return static_cast<std::int64_t>(b[0]) << 21 | static_cast<std::int64_t>(b[1]) << 14 |
           static_cast<std::int64_t>(b[2]) << 7 | b[3];
}

// An ID3v2 tag whose footer ("3DI") ends at `end`, with its header ("ID3")
// where the footer's size says; gives its start, or -1.
template <class Source>
std::int64_t Id3v2WithFooterBefore(Source source, std::int64_t end, std::int64_t lowest) {
    if (!tagsource::Fits(source, end, lowest, 2 * Id3v2HeaderSize))
        return -1;
    std::uint8_t footer[Id3v2HeaderSize];
    if (source.read(end - Id3v2HeaderSize, footer, sizeof footer) != sizeof footer ||
        std::memcmp(footer, "3DI", 3) != 0)
        return -1;
    const std::int64_t body = SyncsafeSize(footer + 6);
    if (body < 0 || end - lowest < body + 2 * Id3v2HeaderSize)
        return -1;
    const std::int64_t start = end - body - 2 * Id3v2HeaderSize;
    std::uint8_t header[Id3v2HeaderSize];
    if (source.read(start, header, sizeof header) != sizeof header || std::memcmp(header, "ID3", 3) != 0 ||
        std::memcmp(header + 3, footer + 3, 7) != 0)
        return -1;
    return start;
}

template <class Source>
bool Id3v1Before(Source source, std::int64_t end, std::int64_t lowest) {
    std::uint8_t id[3];
    return tagsource::Fits(source, end, lowest, Id3v1Size) && source.read(end - Id3v1Size, id, 3) == 3 &&
           std::memcmp(id, "TAG", 3) == 0;
}

// Both callers go through here with the same steps; only the reads differ.
template <class Source, class LocateApe, class ReadItems, class LocateLyrics>
TrailingTags Strip(Source source, std::int64_t audioStart, std::int64_t audioEnd, LocateApe locateApe,
                   ReadItems readItems, LocateLyrics locateLyrics) {
    TrailingTags result;
    result.audioEnd = audioEnd;
    if (audioStart < 0 || audioEnd < audioStart)
        return result;
    while (result.tags.size() < TrailingTags::MaxTags) {
        const std::int64_t end = result.audioEnd;
        ApeTag ape;
        Lyrics3Tag lyrics;
        std::int64_t id3v2 = -1;
        // APE first: its footer may hold "TAG" 128 bytes from its end.
        if (locateApe(end, audioStart, ape)) {
            result.tags.push_back(
                {ape.version == 1000 ? TrailingTagKind::ApeV1 : TrailingTagKind::ApeV2, ape.start, ape.size});
            result.audioEnd = ape.start;
            readItems(ape);  // a damaged item list still leaves the tag where it is
            if (!result.hasGainUndo && ape.hasGainUndo) {
                result.hasGainUndo = true;
                result.gainUndo = ape.gainUndo;
            }
            if (!result.hasGainMinMax && ape.hasGainMinMax) {
                result.hasGainMinMax = true;
                result.gainMinMax = ape.gainMinMax;
            }
        } else if (locateLyrics(end, audioStart, lyrics)) {
            result.tags.push_back({lyrics.version == 1 ? TrailingTagKind::Lyrics3V1 : TrailingTagKind::Lyrics3V2,
                                   lyrics.start, lyrics.size});
            result.audioEnd = lyrics.start;
        } else if ((id3v2 = Id3v2WithFooterBefore(source, end, audioStart)) >= 0) {
            result.tags.push_back({TrailingTagKind::Id3v2, id3v2, end - id3v2});
            result.audioEnd = id3v2;
        } else if ((end == source.size() || !result.tags.empty()) && Id3v1Before(source, end, audioStart)) {
            result.tags.push_back({TrailingTagKind::Id3v1, end - Id3v1Size, Id3v1Size});
            result.audioEnd = end - Id3v1Size;
        } else {
            break;
        }
    }
    return result;
}

}  // namespace

TrailingTags StripTrailingTags(BufferedReader& file, std::int64_t audioStart, std::int64_t audioEnd) {
    return Strip(
        tagsource::FromReader{file}, audioStart, audioEnd,
        [&](std::int64_t end, std::int64_t lowest, ApeTag& tag) { return ApeTag::locate(file, end, lowest, tag); },
        [&](ApeTag& tag) { return ApeTag::readItems(file, tag); },
        [&](std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag) {
            return Lyrics3Tag::locate(file, end, lowest, tag);
        });
}

TrailingTags StripTrailingTags(const std::uint8_t* data, std::size_t size, std::int64_t audioStart,
                               std::int64_t audioEnd) {
    return Strip(
        tagsource::FromMemory{data, size}, audioStart, audioEnd,
        [&](std::int64_t end, std::int64_t lowest, ApeTag& tag) {
            return ApeTag::locate(data, size, end, lowest, tag);
        },
        [&](ApeTag& tag) { return ApeTag::readItems(data, size, tag); },
        [&](std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag) {
            return Lyrics3Tag::locate(data, size, end, lowest, tag);
        });
}

const char* TrailingTagKindText(TrailingTagKind kind) {
    switch (kind) {
        case TrailingTagKind::ApeV1:
            return "APEv1 tag";
        case TrailingTagKind::ApeV2:
            return "APEv2 tag";
        case TrailingTagKind::Lyrics3V1:
            return "Lyrics3 v1 tag";
        case TrailingTagKind::Lyrics3V2:
            return "Lyrics3 v2 tag";
        case TrailingTagKind::Id3v2:
            return "ID3v2 tag";
        case TrailingTagKind::Id3v1:
            return "ID3v1 tag";
    }
    return "tag";
}

}  // namespace tw
