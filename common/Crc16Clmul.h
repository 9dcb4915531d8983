// The carry-less-multiply engines of Crc16.h, built only for x86 (their
// source carries its own target attributes, so nothing else needs -m flags).
// Callers check the processor first: see Crc16EngineAvailable.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define TW_CRC16_HAVE_CLMUL 1

namespace tw {
namespace crc16 {

bool CpuHasClmul();
bool CpuHasClmul512();

std::uint16_t ArcClmul(std::uint16_t crc, const std::uint8_t* data, std::size_t size);
std::uint16_t ArcClmul512(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace crc16
}  // namespace tw

#endif
