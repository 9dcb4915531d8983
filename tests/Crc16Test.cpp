#include "common/Crc16.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace tw {
namespace {

// One bit at a time, straight from the definition.
std::uint16_t BitwiseArc(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1);
        }
    }
    return crc;
}

std::vector<Crc16Engine> AvailableEngines() {
    std::vector<Crc16Engine> engines;
    for (Crc16Engine engine : {Crc16Engine::Portable, Crc16Engine::Clmul, Crc16Engine::Clmul512}) {
        if (Crc16EngineAvailable(engine)) {
            engines.push_back(engine);
        }
    }
    return engines;
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

TEST(Crc16, CheckValueOnEveryEngine) {
    const std::uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_TRUE(Crc16EngineAvailable(Crc16ActiveEngine()));
    EXPECT_EQ(Crc16Arc(0, text, sizeof text), 0xBB3D);
    EXPECT_EQ(Crc16Arc(0x1234, nullptr, 0), 0x1234);
    std::vector<std::uint8_t> repeated;
    for (int i = 0; i < 20; ++i) {
        repeated.insert(repeated.end(), text, text + sizeof text);
    }
    for (Crc16Engine engine : AvailableEngines()) {
        SCOPED_TRACE(Crc16EngineName(engine));
        EXPECT_EQ(Crc16ArcWith(engine, 0, text, sizeof text), 0xBB3D);
        EXPECT_EQ(Crc16ArcWith(engine, 0, repeated.data(), repeated.size()),
                  BitwiseArc(0, repeated.data(), repeated.size()));
    }
}

// Every length up to 600, and every one from 1900 to 2700 (where pieces stop
// being multiplied block by block to their end and the lanes take over), from
// every start alignment within 16 bytes and a non-zero running CRC: the block
// loops, the tails and the seeding of the first block are all crossed.
TEST(Crc16, EnginesMatchBitwiseOverLengthsAndAlignments) {
    const std::vector<std::uint8_t> bytes = RandomBytes(2720, 1);
    for (Crc16Engine engine : AvailableEngines()) {
        SCOPED_TRACE(Crc16EngineName(engine));
        for (std::size_t offset = 0; offset < 16; ++offset) {
            const auto seed = static_cast<std::uint16_t>(0x9E37 * (offset + 1));
            std::uint16_t expected = seed;
            for (std::size_t length = 0; length <= 2700; ++length) {
                if (length <= 600 || length >= 1900) {
                    // A copy that ends where the piece ends, so that a sanitizer
                    // build sees any read past it.
                    const std::vector<std::uint8_t> piece(bytes.begin(),
                                                          bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
                    ASSERT_EQ(Crc16ArcWith(engine, seed, piece.data() + offset, length), expected)
                        << "offset " << offset << " length " << length;
                }
                expected = BitwiseArc(expected, bytes.data() + offset + length, 1);
            }
        }
    }
}

TEST(Crc16, EnginesMatchBitwiseOnLargeBuffers) {
    const std::vector<std::uint8_t> bytes = RandomBytes((1 << 20) + 64, 2);
    for (std::size_t length : {std::size_t{4096}, std::size_t{65536 + 13}, std::size_t{(1 << 20) + 31}}) {
        const std::uint16_t expected = BitwiseArc(0xFFFF, bytes.data() + 3, length);
        for (Crc16Engine engine : AvailableEngines()) {
            EXPECT_EQ(Crc16ArcWith(engine, 0xFFFF, bytes.data() + 3, length), expected)
                << Crc16EngineName(engine) << " length " << length;
        }
    }
}

// The walk feeds pieces of any size; chaining them must give the CRC of the
// whole, whatever mix of short and long pieces.
TEST(Crc16, ChainedPiecesGiveTheWholeCrc) {
    const std::vector<std::uint8_t> bytes = RandomBytes(200000, 3);
    const std::uint16_t whole = BitwiseArc(0, bytes.data(), bytes.size());
    std::mt19937 random(4);
    for (Crc16Engine engine : AvailableEngines()) {
        for (std::size_t maxPiece : {std::size_t{40}, std::size_t{1500}, std::size_t{70000}}) {
            std::uint16_t crc = 0;
            std::size_t done = 0;
            while (done < bytes.size()) {
                const std::size_t piece = std::min<std::size_t>(random() % (maxPiece + 1), bytes.size() - done);
                crc = Crc16ArcWith(engine, crc, bytes.data() + done, piece);
                done += piece;
            }
            EXPECT_EQ(crc, whole) << Crc16EngineName(engine) << " pieces up to " << maxPiece;
        }
    }
}

}  // namespace
}  // namespace tw
