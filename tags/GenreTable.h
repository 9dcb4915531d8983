// The names of the ID3v1 genre codes: the common list of 80 names and the
// 68 further names of its extension, codes 0..147.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tw {

struct GenreTable {
    static constexpr std::size_t Count = 148;

    // Name of a genre code; empty for codes without a name (148..255).
    static std::string_view name(std::uint8_t code);
};

}  // namespace tw
