// The payload of one ID3v2 text frame (or COMM) decoded as written: its
// encoding byte, then values ended by terminators, each decoded by that
// encoding (ISO-8859-1, UTF-16 with a byte-order mark, UTF-16BE, UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tags/TagText.h"

namespace tw {

struct DecodedFrame {
    std::vector<TagText> values;
    TagText description;  // COMM only
    std::string raw;      // the bytes the values came from, after the encoding byte
};

// What comes before a frame's values: nothing (text frames), a description
// (TXXX), or a language and a description (COMM).
enum class FrameLayout { Text, UserText, Comment };

DecodedFrame DecodeFrame(FrameLayout layout, const std::uint8_t* payload, std::size_t length);

// The non-empty values joined by TagValueSeparator; `raw` kept when any was
// decoded with loss.
TagText Joined(const std::vector<TagText>& values, const std::string& raw);

// "(17)", "(17)Rock", "17", "RX": the ID3v1 genre references named, the
// refinement after them kept (once), as taggers show them.
std::vector<std::string> GenreNames(const std::string& value);

// One payload (encoding byte first) as its values joined, terminators
// dropped; `description` (when not null) gets a COMM frame's description.
TagText DecodeId3v2Text(const std::uint8_t* payload, std::size_t length, bool comment, TagText* description = nullptr);

}  // namespace tw
