// Layer II bit allocation layouts: how many subbands a frame codes and how
// wide each subband's allocation field is. The frame's CRC covers these
// fields, so the deep check needs them to know where the protected bits end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "analysis/FrameHeader.h"

namespace tw {

struct Layer2Allocation {
    std::int32_t subbands;                     // subbands coded, the rest are silent
    std::array<std::uint8_t, 32> fieldBits{};  // width of each allocation field, 0 past `subbands`
};

constexpr std::size_t Layer2TableCount = 5;

// By table; the comment names the streams that use it (bit rates per channel).
constexpr std::array<Layer2Allocation, Layer2TableCount> Layer2Allocations = {{
    // 0: 48 kHz at 56 kbit/s or more; 44.1 and 32 kHz at 56 to 80 kbit/s
    {27, {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2}},
    // 1: 44.1 and 32 kHz at 96 kbit/s or more
    {30, {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2}},
    // 2: 48 and 44.1 kHz at 48 kbit/s or less
    {8, {4, 4, 3, 3, 3, 3, 3, 3}},
    // 3: 32 kHz at 48 kbit/s or less
    {12, {4, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}},
    // 4: MPEG-2 and MPEG-2.5 (16 to 24 kHz and below), any bit rate
    {30, {4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
}};

// A slip in a row shows up as a wrong subband count or field total.
constexpr std::int32_t CodedSubbands(const Layer2Allocation& a) {
    std::int32_t n = 0;
    for (std::uint8_t bits : a.fieldBits)
        n += bits != 0 ? 1 : 0;
    return n;
}
constexpr std::int32_t FieldBitsPerChannel(const Layer2Allocation& a) {
    std::int32_t n = 0;
    for (std::uint8_t bits : a.fieldBits)
        n += bits;
    return n;
}
static_assert(Layer2Allocations.size() == 5, "four MPEG-1 tables and the MPEG-2 one");
static_assert(CodedSubbands(Layer2Allocations[0]) == 27 && FieldBitsPerChannel(Layer2Allocations[0]) == 88, "table 0");
static_assert(CodedSubbands(Layer2Allocations[1]) == 30 && FieldBitsPerChannel(Layer2Allocations[1]) == 94, "table 1");
static_assert(CodedSubbands(Layer2Allocations[2]) == 8 && FieldBitsPerChannel(Layer2Allocations[2]) == 26, "table 2");
static_assert(CodedSubbands(Layer2Allocations[3]) == 12 && FieldBitsPerChannel(Layer2Allocations[3]) == 38, "table 3");
static_assert(CodedSubbands(Layer2Allocations[4]) == 30 && FieldBitsPerChannel(Layer2Allocations[4]) == 75, "table 4");

// The table a Layer II frame uses, or nullptr when its header cannot tell
// (free format, reserved values, another layer). Bit-rate and mode pairs that
// encoders should not write still get the table decoders pick for them.
const Layer2Allocation* Layer2AllocationFor(const FrameHeader& header);

}  // namespace tw
