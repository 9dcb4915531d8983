// CRC-16/ARC (polynomial 0x8005 bit-reflected as 0xA001, initial value 0, no
// final xor), the checksum of a LAME tag's music CRC. The deep check runs it
// over every audio byte while the walk reads the file, so the bulk of the work
// goes to a carry-less-multiply fold when the processor has one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

// Continues `crc` over `size` bytes: Crc16Arc(Crc16Arc(0, a, n), a + n, m)
// equals Crc16Arc(0, a, n + m). Start with 0. `data` may be null when `size`
// is 0. Uses the fastest engine this processor runs.
std::uint16_t Crc16Arc(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

enum class Crc16Engine {
    Portable,  // table-driven, slicing by 8; runs everywhere
    Clmul,     // PCLMULQDQ fold on 128-bit lanes (x86, SSE4.1 as well)
    Clmul512,  // VPCLMULQDQ fold on 512-bit lanes (x86 with AVX-512)
};

// The engine Crc16Arc uses, chosen once from what the processor offers.
Crc16Engine Crc16ActiveEngine();

// Whether `engine` was built in and this processor can run it.
bool Crc16EngineAvailable(Crc16Engine engine);

// "portable", "clmul" or "clmul512".
const char* Crc16EngineName(Crc16Engine engine);

// Runs one engine, so that tests and benchmarks can compare them. An engine
// that is not available falls back to the portable one rather than executing
// instructions the processor lacks.
std::uint16_t Crc16ArcWith(Crc16Engine engine, std::uint16_t crc, const std::uint8_t* data, std::size_t size);

// The table engine on its own (also the short-input path of the others).
std::uint16_t Crc16ArcPortable(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

#if defined(__x86_64__) || defined(__i386__)
#define TW_CRC16_HAVE_CLMUL 1
// The carry-less-multiply engines themselves (Crc16Clmul.cpp, which carries
// its own target attributes, so nothing else needs -m flags). They execute
// instructions the processor may lack: check CpuHasClmul / CpuHasClmul512, or
// go through Crc16ArcWith.
namespace crc16 {
bool CpuHasClmul();
bool CpuHasClmul512();
std::uint16_t ArcClmul(std::uint16_t crc, const std::uint8_t* data, std::size_t size);
std::uint16_t ArcClmul512(std::uint16_t crc, const std::uint8_t* data, std::size_t size);
}  // namespace crc16
#endif

}  // namespace tw
