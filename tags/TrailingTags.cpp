#include "tags/TrailingTags.h"

#include "common/BufferedReader.h"
#include "tags/Lyrics3Tag.h"

namespace tw {

namespace {

// Both callers go through here with the same steps; only the reads differ.
template <class LocateApe, class ReadItems, class LocateLyrics>
TrailingTags Strip(std::int64_t audioStart, std::int64_t audioEnd, LocateApe locateApe, ReadItems readItems,
                   LocateLyrics locateLyrics) {
    TrailingTags result;
    result.audioEnd = audioEnd;
    if (audioStart < 0 || audioEnd < audioStart)
        return result;
    while (result.tags.size() < TrailingTags::MaxTags) {
        const std::int64_t end = result.audioEnd;
        ApeTag ape;
        Lyrics3Tag lyrics;
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
        } else {
            break;
        }
    }
    return result;
}

}  // namespace

TrailingTags StripTrailingTags(BufferedReader& file, std::int64_t audioStart, std::int64_t audioEnd) {
    return Strip(
        audioStart, audioEnd,
        [&](std::int64_t end, std::int64_t lowest, ApeTag& tag) { return ApeTag::locate(file, end, lowest, tag); },
        [&](ApeTag& tag) { return ApeTag::readItems(file, tag); },
        [&](std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag) {
            return Lyrics3Tag::locate(file, end, lowest, tag);
        });
}

TrailingTags StripTrailingTags(const std::uint8_t* data, std::size_t size, std::int64_t audioStart,
                               std::int64_t audioEnd) {
    return Strip(
        audioStart, audioEnd,
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
    }
    return "tag";
}

}  // namespace tw
