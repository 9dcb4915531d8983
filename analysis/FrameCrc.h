// The CRC-16 that a protected frame (protection bit 0) carries right after
// its header: over header bytes 2 and 3, then the side information (Layer
// III), the bit allocation (Layer I), or the bit allocation and the scale
// factor selection (Layer II). The stored value is big-endian at bytes 4-5.
#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/FrameHeader.h"

namespace tw {

enum class FrameCrcResult {
    NotProtected,  // the header says there is no CRC
    Match,
    Mismatch,
    Unchecked,  // free format, a layout the header cannot tell, or too few bytes
};

// Bits that follow the CRC field and are covered by it, or -1 when the frame
// is not protected or its layout cannot be told: invalid or free-format
// header, a Layer II allocation that lies past `available`, or a region that
// would not fit in the frame. `frame` starts at the header, which `header`
// was decoded from; nothing at or past `available` is read.
std::int32_t ProtectedBitCount(const FrameHeader& header, const std::uint8_t* frame, std::size_t available);

// CRC-16 as the frames use it (polynomial 0x8005, start 0xFFFF, most
// significant bit first, no final xor) continued over `bits` bits from
// `data`; reads exactly (bits + 7) / 8 bytes.
std::uint16_t UpdateCrc16(std::uint16_t crc, const std::uint8_t* data, std::size_t bits);

// The CRC the frame should carry, over bytes 2-3 and the `protectedBits` from
// byte 6 on; reads 6 + (protectedBits + 7) / 8 bytes.
std::uint16_t ComputeFrameCrc(const std::uint8_t* frame, std::int32_t protectedBits);

// Checks the stored CRC against the frame's bytes. `available` may be less
// than the frame: only the header, the CRC field and the protected bits are
// read; with fewer bytes than those the result is Unchecked.
// With `computed`, also gives the CRC the frame should carry (when checked).
FrameCrcResult CheckFrameCrc(const FrameHeader& header, const std::uint8_t* frame, std::size_t available,
                             std::uint16_t* computed = nullptr);

}  // namespace tw
