#include "common/BufferedReader.h"

#include <gtest/gtest.h>

#include <random>

#include "support/MemoryFile.h"

namespace tw {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    return bytes;
}

TEST(BufferedReader, GivesTheFilesBytesWhateverTheAccessPattern) {
    const auto bytes = Pattern(300000);
    MemoryFile file(bytes);
    BufferedReader reader(file, 4096);
    std::mt19937 random(42);
    std::vector<std::uint8_t> out(10000);
    for (int i = 0; i < 2000; ++i) {
        std::int64_t offset = static_cast<std::int64_t>(random() % 310000);
        std::size_t count = random() % (i % 10 == 0 ? 10000 : 40);
        std::size_t got = reader.read(offset, out.data(), count);
        std::size_t expected =
            offset >= 300000 ? 0 : std::min<std::size_t>(count, 300000 - static_cast<std::size_t>(offset));
        ASSERT_EQ(got, expected) << offset << " " << count;
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(got), bytes.begin() + offset));
    }
    std::uint8_t four[4];
    EXPECT_FALSE(reader.read4(299997, four));
    EXPECT_TRUE(reader.read4(299996, four));
    EXPECT_EQ(reader.read(-1, four, 4), 0u);
}

TEST(BufferedReader, AWalkCostsOneReadPerBufferNotPerHeader) {
    MemoryFile file(Pattern(8 * 1024 * 1024));
    BufferedReader reader(file);
    std::uint8_t four[4];
    for (std::int64_t at = 0; at + 4 <= file.size(); at += 417)
        ASSERT_TRUE(reader.read4(at, four));
    // Reads grow from 32 KiB to the full capacity while the walk goes straight
    // on: a couple of small reads, then one per buffer.
    EXPECT_LE(file.readCount(), 8u * 1024 * 1024 / BufferedReader::DefaultCapacity + 3);

    // A scan's head and tail stay small.
    MemoryFile other(Pattern(8 * 1024 * 1024));
    BufferedReader scan(other);
    for (std::int64_t at = 0; at < 5000; ++at)
        scan.read4(at, four);
    std::uint8_t tail[128];
    EXPECT_EQ(scan.readAside(other.size() - 128, tail, 128), 128u);
    EXPECT_EQ(other.readCount(), 2u);
    // The look aside kept the head: reading on from it needs no new read.
    EXPECT_TRUE(scan.read4(6000, four));
    EXPECT_EQ(other.readCount(), 2u);
    EXPECT_EQ(scan.readAside(10, tail, 4), 4u);
    EXPECT_EQ(other.readCount(), 2u);
}

TEST(BufferedReader, ShortReadsAreNeverPaddedWithOldBytes) {
    MemoryFile file(Pattern(100000));
    file.failReadsFrom(50002);
    BufferedReader reader(file, 1024);
    std::uint8_t four[4];
    EXPECT_TRUE(reader.read4(49998, four));
    EXPECT_FALSE(reader.read4(49999, four));
    std::uint8_t big[5000];
    EXPECT_EQ(reader.read(48000, big, 5000), 2002u);
}

}  // namespace
}  // namespace tw
