// The CRC-16 of a protected MPEG audio frame worked out one bit at a time:
// the reference that tests and fuzzing hold the table-driven one to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::test {

// Over the last two header bytes, then `protectedBits` bits from byte 6 on.
inline std::uint16_t ReferenceFrameCrc(const std::uint8_t* frame, std::size_t protectedBits) {
    std::uint16_t crc = 0xFFFF;
    auto feed = [&crc, frame](std::size_t bit) {
        const bool in = ((frame[bit / 8] >> (7 - bit % 8)) & 1) != 0;
        const bool top = (crc & 0x8000) != 0;
        crc = static_cast<std::uint16_t>(crc << 1);
        if (top != in)
            crc ^= 0x8005;
    };
    for (std::size_t bit = 16; bit < 32; ++bit)
        feed(bit);
    for (std::size_t bit = 48; bit < 48 + protectedBits; ++bit)
        feed(bit);
    return crc;
}

}  // namespace tw::test
