// Times the scan and the Test File walk against a plain read of the same
// bytes, on generated files of realistic size, so that the walk's cost can be
// quoted as a multiple of what merely reading the file costs.
//
// The files are written once into a temporary directory: five minutes of
// MPEG-1 Layer III at 44,100 Hz, frames synthesised byte by byte (headers with
// the padding pattern an encoder uses, pseudo-random payload), behind an
// ID3v2.3 tag with a 30 KB picture and ahead of an ID3v1 tag. The CBR file
// runs at 128 kbit/s; the VBR file starts with a Xing frame and draws each
// frame's rate from 96 to 320 kbit/s. Both are read once before timing, so
// every run reads from the page cache.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "common/RunSink.h"

namespace {

// The sink of a timed run: the lines go nowhere.
class NullSink : public tw::RunSink {
public:
    std::int32_t addFile(const std::string&) override { return 0; }
    void appendLine(const std::string&, std::int32_t) override {}
    void setStatusText(const std::string&) override {}
    void setProgressPercent(std::int32_t) override {}
    void pumpPendingMessages() override {}
    bool cancelRequested() const override { return false; }
    void clearCancelRequest() override {}
};

// Keeps the lines, to check once that a generated file walks clean.
class KeepingSink : public NullSink {
public:
    void appendLine(const std::string& text, std::int32_t) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

constexpr std::int32_t MaxOffset = 5000;  // the default "Max Offset"
constexpr int SampleRate = 44100;
constexpr int SamplesPerFrame = 1152;
constexpr int Seconds = 300;

// MPEG-1 Layer III bit rates in kbit/s by bit-rate index.
constexpr std::array<int, 15> Mpeg1Layer3Kbps = {
    0,                                 // free format
    32,  40,  48,  56,  64,  80,  96,  // 1..7
    112, 128, 160, 192, 224, 256, 320  // 8..14
};

// Index choices for the VBR file, weighted towards the middle rates as a
// VBR encoder's histogram looks for music.
constexpr std::array<int, 16> VbrIndexPool = {7, 8, 8, 9, 9, 9, 10, 10, 10, 10, 11, 11, 11, 12, 13, 14};

class Random {
public:
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }

private:
    std::uint32_t state_ = 2463534242u;
};

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutSyncsafe(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>((value >> 21) & 0x7F));
    out.push_back(static_cast<std::uint8_t>((value >> 14) & 0x7F));
    out.push_back(static_cast<std::uint8_t>((value >> 7) & 0x7F));
    out.push_back(static_cast<std::uint8_t>(value & 0x7F));
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

void PutId3v23Frame(std::vector<std::uint8_t>& out, const std::string& id, const std::vector<std::uint8_t>& payload) {
    PutText(out, id);
    PutBigEndian32(out, static_cast<std::uint32_t>(payload.size()));
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<std::uint8_t> Latin1Payload(const std::string& text) {
    std::vector<std::uint8_t> payload{0};
    PutText(payload, text);
    return payload;
}

// Tags as a tagging program leaves them: text frames, a cover picture and
// padding.
std::vector<std::uint8_t> Id3v2Tag(Random& random) {
    std::vector<std::uint8_t> body;
    PutId3v23Frame(body, "TIT2", Latin1Payload("Benchmark Track"));
    PutId3v23Frame(body, "TPE1", Latin1Payload("Tunewarden Test Signals"));
    PutId3v23Frame(body, "TALB", Latin1Payload("Synthetic Samples"));
    PutId3v23Frame(body, "TYER", Latin1Payload("2024"));
    PutId3v23Frame(body, "TRCK", Latin1Payload("1/1"));
    PutId3v23Frame(body, "TCON", Latin1Payload("(52)Electronic"));
    std::vector<std::uint8_t> comment{0, 'e', 'n', 'g', 0};
    PutText(comment, "five minutes of synthesised frames");
    PutId3v23Frame(body, "COMM", comment);
    std::vector<std::uint8_t> picture{0};
    PutText(picture, "image/jpeg");
    picture.push_back(0);
    picture.push_back(3);  // front cover
    picture.push_back(0);  // empty description
    for (int i = 0; i < 30000; ++i)
        picture.push_back(static_cast<std::uint8_t>(random.next()));
    PutId3v23Frame(body, "APIC", picture);
    body.resize(body.size() + 2048, 0);  // padding

    std::vector<std::uint8_t> tag{'I', 'D', '3', 3, 0, 0};
    PutSyncsafe(tag, static_cast<std::uint32_t>(body.size()));
    tag.insert(tag.end(), body.begin(), body.end());
    return tag;
}

std::vector<std::uint8_t> Id3v1Tag() {
    std::vector<std::uint8_t> tag(128, 0);
    const std::string fields[] = {"TAG", "Benchmark Track", "Tunewarden Test Signals", "Synthetic Samples", "2024"};
    const std::size_t offsets[] = {0, 3, 33, 63, 93};
    for (std::size_t i = 0; i < 5; ++i)
        std::copy(fields[i].begin(), fields[i].end(), tag.begin() + static_cast<std::ptrdiff_t>(offsets[i]));
    tag[126] = 1;   // track 1 (ID3v1.1)
    tag[127] = 52;  // Electronic
    return tag;
}

// One Layer III frame: joint stereo, no CRC, original; the mode extension
// varies as it does in encoded music. The payload is noise.
void AppendFrame(std::vector<std::uint8_t>& out, int bitrateIndex, bool padded, Random& random) {
    const int length =
        144 * Mpeg1Layer3Kbps[static_cast<std::size_t>(bitrateIndex)] * 1000 / SampleRate + (padded ? 1 : 0);
    out.push_back(0xFF);
    out.push_back(0xFB);
    out.push_back(static_cast<std::uint8_t>((bitrateIndex << 4) | (padded ? 0x02 : 0x00)));
    out.push_back(static_cast<std::uint8_t>(0x44 | ((random.next() & 3) << 4)));
    for (int i = 4; i < length; ++i)
        out.push_back(static_cast<std::uint8_t>(random.next()));
}

// Padding as an encoder spreads it: a slot whenever the rounding debt of the
// frames so far reaches one whole slot.
class PaddingPattern {
public:
    bool next(int kbps) {
        debt_ += 144 * kbps * 1000 % SampleRate;
        if (debt_ < SampleRate)
            return false;
        debt_ -= SampleRate;
        return true;
    }

private:
    long debt_ = 0;
};

struct GeneratedFile {
    std::string path;
    std::int64_t size = 0;
    std::int64_t frames = 0;
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot create " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        throw std::runtime_error("cannot write " + path);
}

GeneratedFile MakeCbrFile(const std::string& path) {
    Random random;
    std::vector<std::uint8_t> bytes = Id3v2Tag(random);
    const int frames = Seconds * SampleRate / SamplesPerFrame;
    PaddingPattern padding;
    for (int i = 0; i < frames; ++i)
        AppendFrame(bytes, 9, padding.next(128), random);
    const std::vector<std::uint8_t> tail = Id3v1Tag();
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    WriteFile(path, bytes);
    return {path, static_cast<std::int64_t>(bytes.size()), frames};
}

GeneratedFile MakeVbrFile(const std::string& path) {
    Random random;
    std::vector<std::uint8_t> bytes = Id3v2Tag(random);
    const int frames = Seconds * SampleRate / SamplesPerFrame;

    std::vector<std::uint8_t> audio;
    std::vector<std::size_t> starts;
    PaddingPattern padding;
    for (int i = 0; i < frames; ++i) {
        const int index = VbrIndexPool[random.next() % VbrIndexPool.size()];
        starts.push_back(audio.size());
        AppendFrame(audio, index, padding.next(Mpeg1Layer3Kbps[static_cast<std::size_t>(index)]), random);
    }

    // The Xing frame: 128 kbit/s, empty side information, then the tag with
    // frame count, byte count and a 100-entry table of contents.
    std::vector<std::uint8_t> xing;
    AppendFrame(xing, 9, false, random);
    std::vector<std::uint8_t> tag{'X', 'i', 'n', 'g'};
    PutBigEndian32(tag, 0x0F);
    PutBigEndian32(tag, static_cast<std::uint32_t>(frames));
    PutBigEndian32(tag, static_cast<std::uint32_t>(xing.size() + audio.size()));
    for (int i = 0; i < 100; ++i)
        tag.push_back(
            static_cast<std::uint8_t>(starts[static_cast<std::size_t>(i * frames / 100)] * 256 / audio.size()));
    PutBigEndian32(tag, 78);  // quality
    std::fill(xing.begin() + 4, xing.begin() + 36, std::uint8_t{0});
    std::copy(tag.begin(), tag.end(), xing.begin() + 36);
    std::fill(xing.begin() + 36 + static_cast<std::ptrdiff_t>(tag.size()), xing.end(), std::uint8_t{0});

    bytes.insert(bytes.end(), xing.begin(), xing.end());
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    const std::vector<std::uint8_t> tail = Id3v1Tag();
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    WriteFile(path, bytes);
    return {path, static_cast<std::int64_t>(bytes.size()), frames + 1};
}

// Reads every byte in 1 MiB pieces without stdio's own buffer; gives the sum
// of one byte per piece so the reads can't be optimised away.
std::int64_t ReadWholeFile(const std::string& path, std::vector<char>& buffer) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw std::runtime_error("cannot open " + path);
    std::setvbuf(f, nullptr, _IONBF, 0);
    std::int64_t total = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), f);
        if (got == 0)
            break;
        total += static_cast<std::int64_t>(got);
    }
    std::fclose(f);
    return total;
}

// Checks once that a generated file scans and walks without a finding, so
// the timings are of a clean walk over every frame.
void CheckWalksClean(const GeneratedFile& file) {
    tw::AudioFileInfo info;
    if (!info.scan(file.path, MaxOffset))
        throw std::runtime_error(file.path + ": " + info.errorText());
    KeepingSink sink;
    tw::IntegrityTest test(sink, tw::IntegrityTestOptions{});
    if (test.testFile(info))
        throw std::runtime_error(file.path + " does not walk clean");
    const std::string expected = "Summary: ";
    bool found = false;
    for (const std::string& line : sink.lines)
        found = found || line.compare(0, expected.size(), expected) == 0;
    if (!found)
        throw std::runtime_error(file.path + ": no summary line");
}

class Library {
public:
    Library() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = std::filesystem::temp_directory_path() / ("tw-bench-" + std::to_string(stamp));
        std::filesystem::create_directories(dir_);
        cbr_ = MakeCbrFile((dir_ / "cbr128-5min.mp3").string());
        vbr_ = MakeVbrFile((dir_ / "vbr-xing-5min.mp3").string());
        std::vector<char> buffer(1 << 20);
        for (const GeneratedFile* file : {&cbr_, &vbr_}) {
            ReadWholeFile(file->path, buffer);  // into the page cache
            CheckWalksClean(*file);
        }
    }
    ~Library() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const GeneratedFile& file(int kind) const { return kind == 0 ? cbr_ : vbr_; }

private:
    std::filesystem::path dir_;
    GeneratedFile cbr_;
    GeneratedFile vbr_;
};

const GeneratedFile& FileOfKind(int kind) {
    static Library library;
    return library.file(kind);
}

void Report(benchmark::State& state, const GeneratedFile& file) {
    state.SetBytesProcessed(state.iterations() * file.size);
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * file.frames), benchmark::Counter::kIsRate);
    state.counters["file_bytes"] = static_cast<double>(file.size);
}

void BM_RawRead(benchmark::State& state, int kind) {
    const GeneratedFile& file = FileOfKind(kind);
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadWholeFile(file.path, buffer));
        benchmark::ClobberMemory();
    }
    Report(state, file);
}

void BM_Scan(benchmark::State& state, int kind) {
    const GeneratedFile& file = FileOfKind(kind);
    tw::AudioFileInfo info;
    for (auto _ : state) {
        if (!info.scan(file.path, MaxOffset)) {
            state.SkipWithError(info.errorText().c_str());
            break;
        }
        benchmark::DoNotOptimize(info.frameCount());
    }
    Report(state, file);
}

void BM_TestFile(benchmark::State& state, int kind) {
    const GeneratedFile& file = FileOfKind(kind);
    NullSink sink;
    tw::AudioFileInfo info;
    for (auto _ : state) {
        if (!info.scan(file.path, MaxOffset)) {
            state.SkipWithError(info.errorText().c_str());
            break;
        }
        tw::IntegrityTest test(sink, tw::IntegrityTestOptions{});
        benchmark::DoNotOptimize(test.testFile(info));
    }
    Report(state, file);
}

constexpr int Cbr = 0;
constexpr int Vbr = 1;

BENCHMARK_CAPTURE(BM_RawRead, cbr, Cbr)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Scan, cbr, Cbr)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_TestFile, cbr, Cbr)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RawRead, vbr, Vbr)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Scan, vbr, Vbr)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_TestFile, vbr, Vbr)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
