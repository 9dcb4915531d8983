// The tags that other programs put between the last audio frame and the
// ID3v1 tag (or the end of the file): APE tags and Lyrics3 tags, in any
// number and order. Stripping them gives where the audio really ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tags/ApeTag.h"

namespace tw {

class BufferedReader;

enum class TrailingTagKind { ApeV1, ApeV2, Lyrics3V1, Lyrics3V2 };

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

// Strips tags that end at `audioEnd` (the end of the audio as the scan sees
// it: in front of ID3v1), again and again, never past `audioStart` (the
// first frame). Found tags lie inside the file, touch each other and don't
// overlap; the result's audioEnd is never after the one given.
TrailingTags StripTrailingTags(BufferedReader& file, std::int64_t audioStart, std::int64_t audioEnd);
TrailingTags StripTrailingTags(const std::uint8_t* data, std::size_t size, std::int64_t audioStart,
                               std::int64_t audioEnd);

// "APEv2 tag", "Lyrics3 v2 tag", ... for the log.
const char* TrailingTagKindText(TrailingTagKind kind);

}  // namespace tw
