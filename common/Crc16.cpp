#include "common/Crc16.h"

#include <array>
#include <cstring>

namespace tw {
namespace {

constexpr std::uint16_t ReflectedPoly = 0xA001;

// Table k gives the CRC of byte i followed by k zero bytes, so that eight
// bytes are looked up independently and combined with xor.
using SliceTables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr SliceTables MakeSliceTables() {
    SliceTables t{};
    for (int i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 1) ? (crc >> 1) ^ ReflectedPoly : crc >> 1);
        }
        t[0][i] = crc;
    }
    for (int k = 1; k < 8; ++k) {
        for (int i = 0; i < 256; ++i) {
            const std::uint16_t prev = t[k - 1][i];
            t[k][i] = static_cast<std::uint16_t>((prev >> 8) ^ t[0][prev & 0xFF]);
        }
    }
    return t;
}

constexpr SliceTables Tables = MakeSliceTables();

constexpr std::uint16_t ByteWise(std::uint16_t crc, const char* text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ Tables[0][(crc ^ static_cast<std::uint8_t>(text[i])) & 0xFF]);
    }
    return crc;
}

static_assert(ByteWise(0, "123456789", 9) == 0xBB3D, "CRC-16/ARC check value");

inline std::uint64_t LoadLittle64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

Crc16Engine SelectEngine() {
#ifdef TW_CRC16_HAVE_CLMUL
    if (crc16::CpuHasClmul512()) {
        return Crc16Engine::Clmul512;
    }
    if (crc16::CpuHasClmul()) {
        return Crc16Engine::Clmul;
    }
#endif
    return Crc16Engine::Portable;
}

using EngineFunction = std::uint16_t (*)(std::uint16_t, const std::uint8_t*, std::size_t);

EngineFunction FunctionOf(Crc16Engine engine) {
#ifdef TW_CRC16_HAVE_CLMUL
    if (engine == Crc16Engine::Clmul512 && crc16::CpuHasClmul512()) {
        return crc16::ArcClmul512;
    }
    if (engine == Crc16Engine::Clmul && crc16::CpuHasClmul()) {
        return crc16::ArcClmul;
    }
#else
    (void)engine;
#endif
    return Crc16ArcPortable;
}

}  // namespace

std::uint16_t Crc16ArcPortable(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    while (size >= 8) {
        const std::uint64_t word = LoadLittle64(data) ^ crc;
        crc = static_cast<std::uint16_t>(Tables[7][word & 0xFF] ^ Tables[6][(word >> 8) & 0xFF] ^
                                         Tables[5][(word >> 16) & 0xFF] ^ Tables[4][(word >> 24) & 0xFF] ^
                                         Tables[3][(word >> 32) & 0xFF] ^ Tables[2][(word >> 40) & 0xFF] ^
                                         Tables[1][(word >> 48) & 0xFF] ^ Tables[0][word >> 56]);
        data += 8;
        size -= 8;
    }
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>((crc >> 8) ^ Tables[0][(crc ^ data[i]) & 0xFF]);
    }
    return crc;
}

Crc16Engine Crc16ActiveEngine() {
    static const Crc16Engine engine = SelectEngine();
    return engine;
}

bool Crc16EngineAvailable(Crc16Engine engine) {
    switch (engine) {
        case Crc16Engine::Portable:
            return true;
#ifdef TW_CRC16_HAVE_CLMUL
        case Crc16Engine::Clmul:
            return crc16::CpuHasClmul();
        case Crc16Engine::Clmul512:
            return crc16::CpuHasClmul512();
#else
        default:
            return false;
#endif
    }
    return false;
}

const char* Crc16EngineName(Crc16Engine engine) {
    switch (engine) {
        case Crc16Engine::Portable:
            return "portable";
        case Crc16Engine::Clmul:
            return "clmul";
        case Crc16Engine::Clmul512:
            return "clmul512";
    }
    return "unknown";
}

std::uint16_t Crc16ArcWith(Crc16Engine engine, std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    return FunctionOf(engine)(crc, data, size);
}

std::uint16_t Crc16Arc(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    static const EngineFunction function = FunctionOf(Crc16ActiveEngine());
    return function(crc, data, size);
}

}  // namespace tw
