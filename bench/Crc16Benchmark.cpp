// Times the CRC-16/ARC engines against a plain read of the same bytes, on a
// buffer far larger than the caches (as the deep check sees a 100 MB file)
// and on one that stays in the second-level cache (the walk checks bytes that
// the reader has just copied into its 256 KB buffer), each in one call and in
// 417-byte pieces, a frame at a time (128 kbit/s at 44,100 Hz).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/Crc16.h"

namespace {

constexpr std::size_t Large = 100u << 20;
constexpr std::size_t Cached = 256u << 10;
constexpr std::size_t Piece = 417;

const std::vector<std::uint8_t>& Bytes() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(Large);
        std::uint32_t state = 2463534242u;
        for (auto& byte : b) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            byte = static_cast<std::uint8_t>(state);
        }
        return b;
    }();
    return bytes;
}

// Every byte loaded once, eight at a time, into a sum the compiler must keep.
void BM_Read(benchmark::State& state, std::size_t size) {
    const std::uint8_t* data = Bytes().data();
    for (auto _ : state) {
        std::uint64_t sum[4] = {0, 0, 0, 0};
        for (std::size_t i = 0; i + 32 <= size; i += 32) {
            for (int k = 0; k < 4; ++k) {
                std::uint64_t word;
                std::memcpy(&word, data + i + 8 * k, 8);
                sum[k] += word;
            }
        }
        benchmark::DoNotOptimize(sum[0] + sum[1] + sum[2] + sum[3]);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_Crc16(benchmark::State& state, tw::Crc16Engine engine, std::size_t size, std::size_t piece) {
    if (!tw::Crc16EngineAvailable(engine)) {
        state.SkipWithError("engine not available on this processor");
        return;
    }
    const std::uint8_t* data = Bytes().data();
    for (auto _ : state) {
        std::uint16_t crc = 0;
        for (std::size_t done = 0; done < size; done += piece) {
            const std::size_t n = piece < size - done ? piece : size - done;
            crc = tw::Crc16ArcWith(engine, crc, data + done, n);
        }
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.SetLabel(tw::Crc16EngineName(engine));
}

// Crc16Arc itself (the engine it picked) over the cached buffer in pieces of
// the given size, to show the cost of a call apart from the cost of a byte.
void BM_Crc16Arc(benchmark::State& state) {
    const auto piece = static_cast<std::size_t>(state.range(0));
    const std::uint8_t* data = Bytes().data();
    for (auto _ : state) {
        std::uint16_t crc = 0;
        for (std::size_t done = 0; done + piece <= Cached; done += piece) {
            crc = tw::Crc16Arc(crc, data + done, piece);
        }
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (Cached / piece * piece)));
    state.counters["ns_per_call"] = benchmark::Counter(static_cast<double>(state.iterations() * (Cached / piece)),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(tw::Crc16EngineName(tw::Crc16ActiveEngine()));
}

using tw::Crc16Engine;

BENCHMARK_CAPTURE(BM_Read, large, Large);
BENCHMARK_CAPTURE(BM_Crc16, portable / large, Crc16Engine::Portable, Large, Large);
BENCHMARK_CAPTURE(BM_Crc16, clmul / large, Crc16Engine::Clmul, Large, Large);
BENCHMARK_CAPTURE(BM_Crc16, clmul512 / large, Crc16Engine::Clmul512, Large, Large);
BENCHMARK_CAPTURE(BM_Crc16, portable / large417, Crc16Engine::Portable, Large, Piece);
BENCHMARK_CAPTURE(BM_Crc16, clmul / large417, Crc16Engine::Clmul, Large, Piece);
BENCHMARK_CAPTURE(BM_Crc16, clmul512 / large417, Crc16Engine::Clmul512, Large, Piece);

BENCHMARK_CAPTURE(BM_Read, cached, Cached);
BENCHMARK_CAPTURE(BM_Crc16, portable / cached, Crc16Engine::Portable, Cached, Cached);
BENCHMARK_CAPTURE(BM_Crc16, clmul / cached, Crc16Engine::Clmul, Cached, Cached);
BENCHMARK_CAPTURE(BM_Crc16, clmul512 / cached, Crc16Engine::Clmul512, Cached, Cached);
BENCHMARK_CAPTURE(BM_Crc16, portable / cached417, Crc16Engine::Portable, Cached, Piece);
BENCHMARK_CAPTURE(BM_Crc16, clmul / cached417, Crc16Engine::Clmul, Cached, Piece);
BENCHMARK_CAPTURE(BM_Crc16, clmul512 / cached417, Crc16Engine::Clmul512, Cached, Piece);

BENCHMARK(BM_Crc16Arc)->Arg(16)->Arg(40)->Arg(104)->Arg(208)->Arg(417)->Arg(1044)->Arg(1441)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
