// Carry-less-multiply folding for CRC-16/ARC.
//
// Reflected bit order throughout: in a little-endian 128-bit load, bit k of
// the register is the coefficient of x^(127 - k) of that block, so the first
// byte of the file holds the highest powers. The running value A of a fold is
// congruent, modulo P = x^16 + x^15 + x^2 + 1, to the message read so far;
// moving it on by d bits to meet the next block is
//     A * x^d = A_hi * x^(d + 64) + A_lo * x^d,
// where A_hi is the low quadword of the register and A_lo the high one. Each
// half is multiplied by a 16-bit remainder x^e mod P, so the product stays
// below 128 bits. A carry-less product of two bit-reversed 64-bit values is
// the bit-reversed product shifted by one place (an extra factor of x), which
// every constant compensates for by using x^(e - 1) instead of x^e.
//
// At the end the CRC is A * x^16 mod P: one more fold by 16 bits leaves 80
// bits, and a Barrett reduction with mu = floor(x^80 / P) takes those to the
// 16-bit remainder. mu has 65 bits; its top one is x^64, which multiplies by
// a shift, so the multiplier only ever sees the low 64.
#include "common/Crc16.h"

#if defined(__x86_64__) || defined(__i386__)

// GCC 12's AVX-512 intrinsics build their "undefined" operands from an
// uninitialised variable, and -O3 then warns inside its own header about
// them; the warning has to be off where the header is read.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#define TW_CLMUL_TARGET __attribute__((target("pclmul,ssse3,sse4.1")))
#define TW_CLMUL512_TARGET __attribute__((target("pclmul,ssse3,sse4.1,avx2,avx512f,avx512vl,vpclmulqdq")))

namespace tw {
namespace crc16 {
namespace {

// P without its x^16 term, in the usual (unreflected) bit order.
constexpr std::uint32_t PolyLow = 0x8005;

// a * b mod P, unreflected, 16 bits each.
constexpr std::uint32_t MulModP(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (int i = 0; i < 16; ++i) {
        if ((b >> i) & 1) {
            product ^= a << i;
        }
    }
    for (int bit = 30; bit >= 16; --bit) {
        if ((product >> bit) & 1) {
            product ^= (0x10000 | PolyLow) << (bit - 16);
        }
    }
    return product;
}

// x^e mod P, unreflected, 16 bits: square and multiply.
constexpr std::uint32_t XPowModP(unsigned e) {
    std::uint32_t result = 1;
    std::uint32_t power = 2;  // x
    for (; e != 0; e >>= 1) {
        if (e & 1) {
            result = MulModP(result, power);
        }
        power = MulModP(power, power);
    }
    return result;
}

// One bit at a time, to check the above.
constexpr std::uint32_t XPowModPSlowly(unsigned e) {
    std::uint32_t r = 1;
    for (unsigned i = 0; i < e; ++i) {
        r <<= 1;
        if (r & 0x10000) {
            r = (r ^ PolyLow) & 0xFFFF;
        }
    }
    return r;
}

static_assert(XPowModP(16) == PolyLow && XPowModP(15) == 0x8000, "x^16 mod P is P without its top term");
static_assert(XPowModP(1000) == XPowModPSlowly(1000) && XPowModP(2111) == XPowModPSlowly(2111), "square and multiply");

constexpr std::uint64_t Reflect64(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int i = 0; i < 64; ++i) {
        r = (r << 1) | ((v >> i) & 1);
    }
    return r;
}

// floor(x^80 / P) by long division, unreflected, without its x^64 term.
constexpr std::uint64_t BarrettMuLow() {
    std::uint32_t rem = 0;  // up to 17 bits
    std::uint64_t quotient = 0;
    for (int i = 80; i >= 0; --i) {
        rem = (rem << 1) | (i == 80 ? 1u : 0u);
        if (rem & 0x10000) {
            rem ^= 0x10000 | PolyLow;
            if (i < 64) {
                quotient |= std::uint64_t{1} << i;
            }
        }
    }
    return quotient;
}

// Multiplier of one 64-bit half that moves it on by e bits, reflected.
constexpr std::uint64_t FoldConstant(unsigned e) {
    return Reflect64(XPowModP(e - 1));
}

struct Product128 {
    std::uint64_t lo;
    std::uint64_t hi;
};

constexpr Product128 ClMul64(std::uint64_t a, std::uint64_t b) {
    Product128 p{0, 0};
    for (int i = 0; i < 64; ++i) {
        if ((b >> i) & 1) {
            p.lo ^= a << i;
            p.hi ^= i == 0 ? 0 : a >> (64 - i);
        }
    }
    return p;
}

constexpr std::uint64_t MuLow = BarrettMuLow();
// (x^64 + mu') * P + (x^80 mod P) == x^80, i.e. mu really is the quotient.
static_assert((ClMul64(MuLow, 0x10000 | PolyLow).hi ^ (0x10000 | PolyLow)) == 0x10000 &&
                  ClMul64(MuLow, 0x10000 | PolyLow).lo == XPowModP(80),
              "Barrett quotient");
static_assert(FoldConstant(16) == std::uint64_t{1} << 48, "x^15 needs no reduction");

constexpr std::uint64_t MuLowReflected = Reflect64(MuLow);
constexpr std::uint64_t PolyLowReflected = Reflect64(PolyLow);

// Pairs for _mm_clmulepi64_si128: low quadword times the first, high times
// the second, to move a 128-bit block on by `bits`.
struct FoldPair {
    std::uint64_t forLow;
    std::uint64_t forHigh;
};

constexpr FoldPair FoldBy(unsigned bits) {
    return {FoldConstant(bits + 64), FoldConstant(bits)};
}

// Pieces up to this size (a frame at a time) skip the serial fold: every
// block is multiplied straight to the end of the piece, and on by the 16 bits
// of the CRC, so that the products are independent and the only chain left
// is the final reduction.
constexpr std::size_t DirectMax = 2048;
constexpr std::size_t DirectMaxDistance = DirectMax / 16 - 1;  // in blocks

// Entry i moves a block that lies DirectMaxDistance - i blocks before the
// last one to the end, times x^16: far blocks first, so that four blocks in
// a row find their constants in a row.
struct DirectTable {
    FoldPair k[DirectMaxDistance + 1];
};

constexpr DirectTable MakeDirectTable() {
    DirectTable t{};
    for (std::size_t i = 0; i <= DirectMaxDistance; ++i) {
        t.k[i] = FoldBy(static_cast<unsigned>(128 * (DirectMaxDistance - i) + 16));
    }
    return t;
}

alignas(64) constexpr DirectTable Direct = MakeDirectTable();
static_assert(Direct.k[DirectMaxDistance].forHigh == FoldBy(16).forHigh &&
                  Direct.k[DirectMaxDistance - 1].forLow == FoldBy(128 + 16).forLow,
              "the last entry is for the last block");

// Constants for the block `distance` blocks before the last one.
inline const FoldPair* DirectConstants(std::size_t distance) {
    return Direct.k + (DirectMaxDistance - distance);
}

// pshufb indexes for shifting by a variable number of bytes, and a byte mask.
alignas(16) constexpr std::uint8_t ShuffleTable[48] = {
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,  //
    0,    1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14,   15,    //
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
};
alignas(16) constexpr std::uint8_t MaskTable[32] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,  //
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
};

// From here on the fold costs no more than the tables (about 14 ns a call on
// the benchmark machine, and no more for bytes left over after eight at a
// time); below it the direct path would lack a whole block after the first.
constexpr std::size_t MinClmulSize = 17;

TW_CLMUL_TARGET inline __m128i Pair(FoldPair k) {
    return _mm_set_epi64x(static_cast<long long>(k.forHigh), static_cast<long long>(k.forLow));
}

TW_CLMUL_TARGET inline __m128i Quad(std::uint64_t v) {
    return _mm_set_epi64x(0, static_cast<long long>(v));
}

TW_CLMUL_TARGET inline __m128i Fold(__m128i a, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

// Moves each 128-bit block of `a` on by the pair broadcast in `k`, and adds `b`.
TW_CLMUL512_TARGET inline __m512i Fold512(__m512i a, __m512i k, __m512i b) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(a, k, 0x00), _mm512_clmulepi64_epi128(a, k, 0x11), b,
                                     0x96);
}

TW_CLMUL512_TARGET inline __m512i Pair512(FoldPair k) {
    return _mm512_broadcast_i32x4(Pair(k));
}

TW_CLMUL_TARGET inline __m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

TW_CLMUL_TARGET inline __m128i Load(const FoldPair* k) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(k));
}

// Takes in the last `n` (1..15) bytes: the register moves on by 8n bits and
// the bytes fill the room. `last16` ends where the message ends; its first
// 16 - n bytes are already in `a`.
TW_CLMUL_TARGET inline __m128i FoldTail(__m128i a, const std::uint8_t* last16, std::size_t n) {
    const __m128i overflow = _mm_shuffle_epi8(a, Load(ShuffleTable + n));   // first n bytes, moved to the top
    const __m128i kept = _mm_shuffle_epi8(a, Load(ShuffleTable + 16 + n));  // the rest, moved down
    const __m128i fresh = _mm_and_si128(Load(last16), Load(MaskTable + n));
    return _mm_xor_si128(Fold(overflow, Pair(FoldBy(128))), _mm_or_si128(kept, fresh));
}

// The CRC of a message whose value times x^16 is congruent to `w`, which
// has at most 80 bits. Stays in vector registers, so that 32-bit builds need
// no 64-bit general registers.
TW_CLMUL_TARGET inline std::uint16_t ReduceShifted(__m128i w) {
    // q = floor(floor(W / x^16) * mu / x^64), with floor(W / x^16) the 64 bits
    // from bit 48 up and mu = x^64 + mu'; W mod P is then the low 16 bits of
    // W + q * P. The shifts by one undo the reflected products' extra x.
    const __m128i wHigh = _mm_srli_si128(w, 6);
    const __m128i q = _mm_xor_si128(wHigh, _mm_slli_epi64(_mm_clmulepi64_si128(wHigh, Quad(MuLowReflected), 0x00), 1));
    const __m128i qp = _mm_srli_si128(_mm_clmulepi64_si128(q, Quad(PolyLowReflected), 0x00), 8);
    const __m128i crc = _mm_xor_si128(_mm_srli_epi64(_mm_srli_si128(w, 8), 48), _mm_srli_epi64(qp, 47));
    return static_cast<std::uint16_t>(_mm_cvtsi128_si32(crc));
}

// The CRC of a message congruent to `a`.
TW_CLMUL_TARGET inline std::uint16_t Reduce(__m128i a) {
    return ReduceShifted(Fold(a, Pair(FoldBy(16))));
}

// The first block of a piece of `n` bytes (16 <= n): when n is no multiple of
// 16 the block is the short remainder with zero bytes in front, which leave
// a CRC unchanged. The running CRC goes into the first two bytes; when the
// short block has only one, its second byte goes into the next block through
// `carry`. Returns the number of bytes taken.
TW_CLMUL_TARGET inline std::size_t FirstBlock(std::uint16_t crc, const std::uint8_t* data, std::size_t n,
                                              __m128i& first, __m128i& carry) {
    const std::size_t r = n % 16 == 0 ? 16 : n % 16;
    first = _mm_shuffle_epi8(_mm_xor_si128(Load(data), _mm_cvtsi32_si128(crc)), Load(ShuffleTable + r));
    carry = _mm_cvtsi32_si128(r == 1 ? crc >> 8 : 0);
    return r;
}

// A piece of 32 to DirectMax bytes.
TW_CLMUL_TARGET std::uint16_t DirectClmul(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    __m128i first, carry;
    const std::size_t r = FirstBlock(crc, data, size, first, carry);
    const std::uint8_t* p = data + r;
    const std::size_t blocks = (size - r) / 16;  // after the first
    const FoldPair* k = DirectConstants(blocks) + 1;
    // Two sums, so that the additions do not form one long chain either.
    __m128i even = _mm_xor_si128(Fold(first, Load(k - 1)), Fold(_mm_xor_si128(Load(p), carry), Load(k)));
    __m128i odd = _mm_setzero_si128();
    std::size_t i = 1;
    for (; i + 2 <= blocks; i += 2) {
        odd = _mm_xor_si128(odd, Fold(Load(p + 16 * i), Load(k + i)));
        even = _mm_xor_si128(even, Fold(Load(p + 16 * i + 16), Load(k + i + 1)));
    }
    if (i < blocks) {
        odd = _mm_xor_si128(odd, Fold(Load(p + 16 * i), Load(k + i)));
    }
    return ReduceShifted(_mm_xor_si128(even, odd));
}

// Folds 16-byte blocks into `a`, then the tail, and reduces. `p` is where the
// bytes after `a` start; `n` counts them.
TW_CLMUL_TARGET inline std::uint16_t Finish(__m128i a, const std::uint8_t* p, std::size_t n) {
    const __m128i k128 = Pair(FoldBy(128));
    while (n >= 16) {
        a = _mm_xor_si128(Fold(a, k128), Load(p));
        p += 16;
        n -= 16;
    }
    if (n > 0) {
        a = FoldTail(a, p + n - 16, n);
    }
    return Reduce(a);
}

}  // namespace

bool CpuHasClmul() {
    static const bool has =
        __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1");
    return has;
}

bool CpuHasClmul512() {
#ifdef _WIN32
    // MinGW's GCC assumes a 32- or 64-byte aligned stack when it spills wide
    // registers, which the Windows ABI does not give: stay on 128 bits there.
    return false;
#else
    static const bool has = CpuHasClmul() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                            __builtin_cpu_supports("vpclmulqdq");
    return has;
#endif
}

TW_CLMUL_TARGET std::uint16_t ArcClmul(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    if (size < MinClmulSize) {
        return Crc16ArcPortable(crc, data, size);
    }
    if (size <= DirectMax) {
        return DirectClmul(crc, data, size);
    }
    const __m128i start = _mm_cvtsi32_si128(crc);
    // Eight blocks in flight hide the multiplier's latency.
    __m128i x[8];
    for (int i = 0; i < 8; ++i) {
        x[i] = Load(data + 16 * i);
    }
    x[0] = _mm_xor_si128(x[0], start);
    const std::uint8_t* p = data + 128;
    std::size_t n = size - 128;
    const __m128i k1024 = Pair(FoldBy(1024));
    while (n >= 128) {
        for (int i = 0; i < 8; ++i) {
            x[i] = _mm_xor_si128(Fold(x[i], k1024), Load(p + 16 * i));
        }
        p += 128;
        n -= 128;
    }
    __m128i a = _mm_xor_si128(Fold(x[0], Pair(FoldBy(896))), Fold(x[1], Pair(FoldBy(768))));
    a = _mm_xor_si128(a, _mm_xor_si128(Fold(x[2], Pair(FoldBy(640))), Fold(x[3], Pair(FoldBy(512)))));
    a = _mm_xor_si128(a, _mm_xor_si128(Fold(x[4], Pair(FoldBy(384))), Fold(x[5], Pair(FoldBy(256)))));
    a = _mm_xor_si128(a, _mm_xor_si128(Fold(x[6], Pair(FoldBy(128))), x[7]));
    return Finish(a, p, n);
}

namespace {

// The xor of the four blocks of `z`.
TW_CLMUL512_TARGET inline __m128i XorLanes(__m512i z) {
    const __m256i halves = _mm256_xor_si256(_mm512_castsi512_si256(z), _mm512_extracti64x4_epi64(z, 1));
    return _mm_xor_si128(_mm256_castsi256_si128(halves), _mm256_extracti128_si256(halves, 1));
}

// DirectClmul, four blocks to an instruction: a piece of 80 to DirectMax
// bytes, so that at least four blocks follow the first.
TW_CLMUL512_TARGET std::uint16_t DirectClmul512(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    __m128i first, carry;
    const std::size_t r = FirstBlock(crc, data, size, first, carry);
    const std::uint8_t* p = data + r;
    const std::size_t blocks = (size - r) / 16;  // after the first
    const FoldPair* k = DirectConstants(blocks) + 1;
    const __m512i head = _mm512_xor_si512(_mm512_loadu_si512(p), _mm512_zextsi128_si512(carry));
    // Two sums, so that the additions do not form one long chain; the last
    // one to three blocks go in through a masked load, which reads nothing
    // past them.
    __m512i acc0 = Fold512(head, _mm512_loadu_si512(k), _mm512_setzero_si512());
    __m512i acc1 = _mm512_setzero_si512();
    std::size_t i = 4;
    for (; i + 8 <= blocks; i += 8) {
        acc1 = Fold512(_mm512_loadu_si512(p + 16 * i), _mm512_loadu_si512(k + i), acc1);
        acc0 = Fold512(_mm512_loadu_si512(p + 16 * i + 64), _mm512_loadu_si512(k + i + 4), acc0);
    }
    if (i + 4 <= blocks) {
        acc1 = Fold512(_mm512_loadu_si512(p + 16 * i), _mm512_loadu_si512(k + i), acc1);
        i += 4;
    }
    if (i < blocks) {
        const auto quads = static_cast<__mmask8>((1u << (2 * (blocks - i))) - 1);
        acc0 = Fold512(_mm512_maskz_loadu_epi64(quads, p + 16 * i), _mm512_maskz_loadu_epi64(quads, k + i), acc0);
    }
    const __m128i acc = _mm_xor_si128(Fold(first, Load(k - 1)), XorLanes(_mm512_xor_si512(acc0, acc1)));
    return ReduceShifted(acc);
}

}  // namespace

TW_CLMUL512_TARGET std::uint16_t ArcClmul512(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    if (size <= DirectMax) {
        return size >= 80 ? DirectClmul512(crc, data, size) : ArcClmul(crc, data, size);
    }
    // Four 512-bit lanes, sixteen blocks in flight.
    __m512i lanes[4];
    for (int i = 0; i < 4; ++i) {
        lanes[i] = _mm512_loadu_si512(data + 64 * i);
    }
    lanes[0] = _mm512_xor_si512(lanes[0], _mm512_zextsi128_si512(_mm_cvtsi32_si128(crc)));
    const std::uint8_t* p = data + 256;
    std::size_t n = size - 256;
    const __m512i k2048 = Pair512(FoldBy(2048));
    while (n >= 256) {
        for (int i = 0; i < 4; ++i) {
            lanes[i] = Fold512(lanes[i], k2048, _mm512_loadu_si512(p + 64 * i));
        }
        p += 256;
        n -= 256;
    }
    __m512i z = Fold512(lanes[0], Pair512(FoldBy(1536)), Fold512(lanes[1], Pair512(FoldBy(1024)), lanes[3]));
    z = Fold512(lanes[2], Pair512(FoldBy(512)), z);
    const __m512i k512 = Pair512(FoldBy(512));
    while (n >= 64) {
        z = Fold512(z, k512, _mm512_loadu_si512(p));
        p += 64;
        n -= 64;
    }
    // The four blocks of z, first to last, move on by 384, 256, 128 and 0 bits.
    const FoldPair k384 = FoldBy(384), k256 = FoldBy(256), k128 = FoldBy(128);
    const __m512i kLanes =
        _mm512_set_epi64(0, 0, static_cast<long long>(k128.forHigh), static_cast<long long>(k128.forLow),
                         static_cast<long long>(k256.forHigh), static_cast<long long>(k256.forLow),
                         static_cast<long long>(k384.forHigh), static_cast<long long>(k384.forLow));
    __m512i moved =
        _mm512_xor_si512(_mm512_clmulepi64_epi128(z, kLanes, 0x00), _mm512_clmulepi64_epi128(z, kLanes, 0x11));
    moved = _mm512_mask_blend_epi64(0xC0, moved, z);
    const __m128i a = XorLanes(moved);
    return Finish(a, p, n);
}

}  // namespace crc16
}  // namespace tw

#pragma GCC diagnostic pop

#endif
