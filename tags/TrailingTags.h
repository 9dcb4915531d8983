// The tags that other programs put after the last audio frame: APE tags,
// Lyrics3 tags, an appended ID3v2 tag with a footer, and the ID3v1 tag, in
// any number and order (mutagen writes an APE tag after an existing ID3v1
// tag). Stripping them gives where the audio really ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tags/ApeTag.h"

namespace tw {

class BufferedReader;

enum class TrailingTagKind { ApeV1, ApeV2, Lyrics3V1, Lyrics3V2, Id3v2, Id3v1 };

struct TrailingTag {
    TrailingTagKind kind = TrailingTagKind::ApeV2;
    std::int64_t position = 0;
    std::int64_t size = 0;
};

struct TrailingTags {
    // Tagging runs away from the audio, so a file this full of tags is
    // hostile; what lies in front of the last one stays audio.
    static constexpr std::size_t MaxTags = 64;

    std::int64_t audioEnd = 0;
    std::vector<TrailingTag> tags;  // nearest the end of the file first
    // The gain record of the first APE tag that holds one.
    bool hasGainUndo = false;
    bool hasGainMinMax = false;
    std::string gainUndo;
    std::string gainMinMax;
};

// Strips tags that end at `audioEnd`, again and again, never past
// `audioStart` (the first frame). An ID3v1 tag counts only at the end of the
// file or right in front of another tag: elsewhere its 128 bytes may be
// audio that happens to read "TAG". Found tags lie inside the file, touch
// each other and don't overlap; the result's audioEnd is never after the one
// given.
TrailingTags StripTrailingTags(BufferedReader& file, std::int64_t audioStart, std::int64_t audioEnd);
TrailingTags StripTrailingTags(const std::uint8_t* data, std::size_t size, std::int64_t audioStart,
                               std::int64_t audioEnd);

// "APEv2 tag", "Lyrics3 v2 tag", ... for the log.
const char* TrailingTagKindText(TrailingTagKind kind);

}  // namespace tw
