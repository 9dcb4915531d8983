// An APE tag (version 1 or 2) at the end of the audio: where it starts, how
// long it is, and the two text items that a gain tool leaves behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tw {

class BufferedReader;

struct ApeTag {
    static constexpr std::size_t FooterSize = 32;    // a header, when present, has the same size
    static constexpr std::size_t MaxGainValue = 64;  // longer values can't be the gain tool's

    std::int64_t start = 0;     // first byte: the header when there is one
    std::int64_t size = 0;      // all bytes, header included
    std::uint32_t version = 0;  // 1000 or 2000
    bool hasHeader = false;
    std::uint32_t itemCount = 0;  // as declared in the footer
    // Text items of mp3gain/aacgain, found by keys compared ignoring case.
    bool hasGainUndo = false;
    bool hasGainMinMax = false;
    std::string gainUndo;    // MP3GAIN_UNDO, e.g. "-002,-002,N"
    std::string gainMinMax;  // MP3GAIN_MINMAX, e.g. "127,205"

    // Looks for a tag whose footer ends at `end` and that lies wholly at or
    // after `lowest` (the first byte it may claim). False, and `tag` left
    // cleared, when there is none or its sizes don't fit.
    static bool locate(BufferedReader& file, std::int64_t end, std::int64_t lowest, ApeTag& tag);
    // The same over a whole file held in memory.
    static bool locate(const std::uint8_t* data, std::size_t size, std::int64_t end, std::int64_t lowest, ApeTag& tag);

    // Reads the item list of a tag already located (bytes between the header
    // and the footer) and sets the gain values. Stops at the first item that
    // doesn't fit; gives false when it stopped early.
    static bool readItems(BufferedReader& file, ApeTag& tag);
    static bool readItems(const std::uint8_t* data, std::size_t size, ApeTag& tag);
};

}  // namespace tw
