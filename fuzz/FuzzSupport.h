// What the fuzz targets share: the layout of their inputs, a run sink that
// checks every line it is given, and a file system of files in memory.
//
// The audio targets (scan, walk, first problem) take a file followed by a
// 12-byte block of run parameters, so that one corpus serves all three and
// the fuzzer varies the settings and the faults together with the bytes:
//
//   offset from the block | length | meaning
//   0                     | 4      | maxOffset, little-endian, signed
//   4                     | 4      | maxResync, little-endian, signed
//   8                     | 1      | reader buffer: 2^(b % 17) bytes, 1 B to 64 KiB
//                         |        | (larger ones act alike on inputs this small)
//   9                     | 1      | flags (below)
//   10                    | 2      | fault amount, little-endian
//
// An input shorter than the block is all file, with the default settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/JsonWriter.h"
#include "common/Record.h"
#include "common/ByteOrder.h"
#include "common/RunSink.h"
#include "support/MemoryFile.h"
#include "platform/Platform.h"

// A broken promise of the code under test: libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace tw::fuzz {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t ParameterBlockSize = 12;

// Flags byte of the parameter block:
//   0 0 0 0 0 0 0 1  ignoreEofErrors
//   0 0 0 0 0 0 1 0  includeBitrateSummary
//   0 0 0 0 1 1 0 0  fault: 0 none, 1 the file shrank, 2 it grew, 3 reads fail
//   0 0 0 1 0 0 0 0  cancel after `fault amount` pumps
//   0 0 1 0 0 0 0 0  the size is reported as 2 GiB or more
//   0 1 0 0 0 0 0 0  also run the whole directory test and catalog
//   1 0 0 0 0 0 0 0  deep check
constexpr std::uint8_t IgnoreEofFlag = 0x01;
constexpr std::uint8_t BitrateSummaryFlag = 0x02;
constexpr std::uint8_t FaultMask = 0x0C;
constexpr std::uint8_t CancelFlag = 0x10;
constexpr std::uint8_t HugeFlag = 0x20;
constexpr std::uint8_t DirectoryRunFlag = 0x40;
constexpr std::uint8_t DeepFlag = 0x80;

enum class Fault { None = 0, Shrank = 1, Grew = 2, FailingReads = 3 };

struct AudioInput {
    Bytes file;
    std::int32_t maxOffset = 5000;
    std::int32_t maxResync = 2000;
    std::size_t bufferCapacity = 1024 * 1024;
    bool ignoreEofErrors = true;
    bool includeBitrateSummary = true;
    Fault fault = Fault::None;
    bool cancel = false;
    bool huge = false;
    bool directoryRun = false;
    bool deep = false;
    std::uint16_t amount = 0;
};

inline AudioInput SplitAudioInput(const std::uint8_t* data, std::size_t size) {
    AudioInput in;
    if (size < ParameterBlockSize) {
        in.file.assign(data, data + size);
        return in;
    }
    const std::uint8_t* block = data + size - ParameterBlockSize;
    in.file.assign(data, block);
    in.maxOffset = static_cast<std::int32_t>(LittleEndian32(block));
    in.maxResync = static_cast<std::int32_t>(LittleEndian32(block + 4));
    in.bufferCapacity = std::size_t{1} << (block[8] % 17);
    const std::uint8_t flags = block[9];
    in.ignoreEofErrors = (flags & IgnoreEofFlag) != 0;
    in.includeBitrateSummary = (flags & BitrateSummaryFlag) != 0;
    in.fault = static_cast<Fault>((flags & FaultMask) >> 2);
    in.cancel = (flags & CancelFlag) != 0;
    in.huge = (flags & HugeFlag) != 0;
    in.directoryRun = (flags & DirectoryRunFlag) != 0;
    in.deep = (flags & DeepFlag) != 0;
    in.amount = static_cast<std::uint16_t>(block[10] | (block[11] << 8));
    return in;
}

// A file as the reader meets it after the fault of the input: the size that
// the open reported no longer matches what is there, or reads fail.
inline std::unique_ptr<MemoryFile> FaultyFile(const Bytes& bytes, const AudioInput& in) {
    auto file = std::make_unique<MemoryFile>(bytes, 1'000'000'000);
    const auto held = static_cast<std::int64_t>(bytes.size());
    switch (in.fault) {
        case Fault::None:
            break;
        case Fault::Shrank:
            file->setReportedSize(held + in.amount);
            break;
        case Fault::Grew:
            file->setReportedSize(held > in.amount ? held - in.amount : 0);
            break;
        case Fault::FailingReads:
            file->failReadsFrom(in.amount);
            break;
    }
    if (in.huge)
        file->setReportedSize(std::int64_t{0x80000000} + in.amount);
    return file;
}

// True when every byte is printable ASCII (or a tab, where allowed).
inline bool IsPrintable(const std::string& text, bool tabAllowed = false) {
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (b == '\t' && tabAllowed)
            continue;
        if (b < 0x20 || b > 0x7E)
            return false;
    }
    return true;
}

// Well-formed UTF-8 without surrogates or overlong forms.
inline bool IsUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        std::uint32_t cp = n == 1 ? b : n == 2 ? (b & 0x1Fu) : n == 3 ? (b & 0x0Fu) : (b & 0x07u);
        for (std::size_t k = 1; k < n; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

// Writes every record as the command-line tool's --format jsonl would: one
// object on one line, valid UTF-8, no raw control byte.
class JsonCheckingRecords final : public RecordSink {
public:
    void record(const Record& record) override {
        std::string line = cli::JsonLine(record);
        FUZZ_CHECK(line.size() >= 3 && line.front() == '{' && line[line.size() - 2] == '}');
        FUZZ_CHECK(line.find('\n') == line.size() - 1);
        for (std::size_t i = 0; i + 1 < line.size(); ++i)
            FUZZ_CHECK(static_cast<unsigned char>(line[i]) >= 0x20);
        FUZZ_CHECK(IsUtf8(line));
        ++records;
    }
    long records = 0;
};

// A sink that discards the lines after checking them: printable text, a
// file index that was handed out, progress within 0..100, and no more lines
// than the input can explain. Can request a cancel after a number of pumps.
// Its records go through the JSON Lines writer and are checked.
class CheckingSink final : public RunSink {
public:
    CheckingSink(std::size_t lineLimit, bool tabAllowed) : lineLimit_(lineLimit), tabAllowed_(tabAllowed) {}

    std::int32_t addFile(const std::string& path) override {
        FUZZ_CHECK(IsPrintable(path));
        return files_++;
    }
    void appendLine(const std::string& text, std::int32_t fileIndex) override {
        FUZZ_CHECK(IsPrintable(text, tabAllowed_));
        FUZZ_CHECK(fileIndex == NoFile || (fileIndex >= 0 && fileIndex < files_));
        FUZZ_CHECK(++lines_ <= lineLimit_);
        lastLine = text;
        if (onLine)
            onLine(text);
    }
    void setStatusText(const std::string& text) override {
        FUZZ_CHECK(IsPrintable(text));
        status = text;
    }
    void setProgressPercent(std::int32_t percent) override {
        FUZZ_CHECK(percent >= 0 && percent <= 100);
        progress = percent;
    }
    void pumpPendingMessages() override {
        ++pumps;
        if (pumps == cancelAfterPumps)
            cancel_ = true;
    }
    bool cancelRequested() const override { return cancel_; }
    void clearCancelRequest() override { cancel_ = false; }
    RecordSink* records() override { return &json; }

    std::size_t lines() const { return lines_; }

    JsonCheckingRecords json;

    // A further check of every line, where a target has one.
    std::function<void(const std::string&)> onLine;

    std::string lastLine;
    std::string status;
    std::int32_t progress = 0;
    long pumps = 0;
    long cancelAfterPumps = -1;

private:
    std::size_t lineLimit_;
    bool tabAllowed_;
    std::int32_t files_ = 0;
    std::size_t lines_ = 0;
    bool cancel_ = false;
};

// Files and one level of folders in memory. Every open gives a fresh
// MemoryFile, so the walk can meet other bytes than the scan did.
class MemoryTree final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end())
            return nullptr;
        auto file = std::make_unique<MemoryFile>(it->second, 1'000'000'000);
        if (onOpen)
            onOpen(*file);
        return file;
    }
    bool directoryExists(const std::string& path) override { return path == Folder || path == MoveFolder; }
    bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) override {
        if (!directoryExists(path))
            return false;
        identity.device = 1;
        identity.object = path == Folder ? 1 : 2;
        return true;
    }
    bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>&) override {
        entries.clear();
        if (!directoryExists(path))
            return false;
        const std::string prefix = path + "/";
        for (const auto& [name, bytes] : files) {
            if (name.compare(0, prefix.size(), prefix) == 0)
                entries.push_back({name.substr(prefix.size()), false});
        }
        return true;
    }
    std::string absolutePath(const std::string& path) override { return path; }
    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        if (files.count(from) == 0 || files.count(to) != 0) {
            errorText = "File exists";
            return false;
        }
        auto node = files.extract(from);
        node.key() = to;
        files.insert(std::move(node));
        return true;
    }

    static constexpr const char* Folder = "/fuzz";
    static constexpr const char* MoveFolder = "/moved";
    std::map<std::string, Bytes> files;
    std::function<void(MemoryFile&)> onOpen;
};

}  // namespace tw::fuzz
