// A Lyrics3 tag in front of the ID3v1 tag (or at the end of the file):
// version 2 ("LYRICSBEGIN" ... six-digit size, "LYRICS200") and version 1
// ("LYRICSBEGIN" ... "LYRICSEND").
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

class BufferedReader;

struct Lyrics3Tag {
    static constexpr std::size_t V2TrailerSize = 15;  // six digits and "LYRICS200"
    static constexpr std::size_t V1MaxText = 5100;    // the longest lyrics a version 1 tag may hold

    std::int64_t start = 0;  // at "LYRICSBEGIN"
    std::int64_t size = 0;   // all bytes up to `end`
    int version = 0;         // 1 or 2

    // Looks for a tag that ends at `end` and lies wholly at or after
    // `lowest`. False, and `tag` cleared, when there is none.
    static bool locate(BufferedReader& file, std::int64_t end, std::int64_t lowest, Lyrics3Tag& tag);
    static bool locate(const std::uint8_t* data, std::size_t size, std::int64_t end, std::int64_t lowest,
                       Lyrics3Tag& tag);
};

}  // namespace tw
