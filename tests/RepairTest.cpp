#include "analysis/Repair.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "common/BufferedReader.h"
#include "platform/Platform.h"
#include "support/MemoryFile.h"

namespace tw {
namespace {

// A copy held in memory: what a repair writes, read back for its proof.
class MemoryTarget final : public RepairTarget, public RepairOutput {
public:
    explicit MemoryTarget(std::vector<std::uint8_t>& committed) : committed_(committed) {}
    RepairOutput& output() override { return *this; }
    std::unique_ptr<ReadableFile> reopen() override { return std::make_unique<MemoryFile>(bytes_); }
    bool commit(std::string&) override {
        committed_ = bytes_;
        return true;
    }
    bool append(const std::uint8_t* b, std::size_t n) override {
        bytes_.insert(bytes_.end(), b, b + n);
        return true;
    }
    bool overwrite(std::int64_t at, const std::uint8_t* b, std::size_t n) override {
        std::memcpy(bytes_.data() + at, b, n);
        return true;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t>& committed_;
};

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Repaired {
    RepairResult result;
    std::vector<std::uint8_t> copy;
};

Repaired Repair(const std::string& path) {
    Repaired r;
    r.result = RepairFile(
        SystemFileSystem(), path,
        [&](std::string&) -> std::unique_ptr<RepairTarget> { return std::make_unique<MemoryTarget>(r.copy); }, 5000,
        nullptr);
    return r;
}

// Every frame the copy keeps is byte for byte a frame of the original, in
// order: the copy's bytes outside its rewritten header frame come from the
// original in the order the removed ranges leave.
void ExpectKeptBytesAreTheOriginals(const std::vector<std::uint8_t>& original, const Repaired& r) {
    std::vector<std::uint8_t> expected;
    std::int64_t at = 0;
    for (const RepairRange& removed : r.result.copy.removed) {
        expected.insert(expected.end(), original.begin() + at, original.begin() + removed.offset);
        at = removed.end;
    }
    expected.insert(expected.end(), original.begin() + at, original.end());
    ASSERT_EQ(expected.size(), r.copy.size());
    for (const RepairRange& rewritten : r.result.copy.rewritten)
        std::copy(r.copy.begin() + rewritten.offset, r.copy.begin() + rewritten.end,
                  expected.begin() + rewritten.offset);
    EXPECT_TRUE(expected == r.copy);
}

TEST(Repair, MendsWhatCanBeMendedAndProvesIt) {
    using O = RepairResult::Outcome;
    const struct {
        const char* file;
        O outcome;
        std::int64_t framesDropped;
    } cases[] = {
        {"deep/cut-at-frame-boundary.mp3", O::Repaired, 0},
        {"deep/flipped-side-info.mp3", O::Repaired, 1},
        {"deep/flipped-bit-allocation.mp2", O::Repaired, 1},
        {"deep/flipped-header-frame.mp3", O::Repaired, 0},
        {"deep/joined.mp3", O::Repaired, 0},
        // The last frame, zeroed, was never a frame to the walk; the one
        // before ends in the zeros and goes too.
        {"deep/zeroed-tail.mp3", O::Repaired, 1},
        // The frame whose header broke was never one to the walk.
        {"deep/flipped-last-header.mp3", O::Repaired, 0},
        {"junk-between-frames.mp3", O::Repaired, 0},
        {"truncated-last-frame.mp3", O::Repaired, 1},
        {"garbage-appended.mp3", O::Repaired, 0},
        {"stray-bytes-after-last-frame.mp3", O::Repaired, 0},
        {"short-frame.mp3", O::Repaired, 1},
        // A second stream (mono after stereo) that a copy of the first would lose.
        {"stereo-then-mono-joined.mp3", O::NotRepairable, 0},
        // Changed audio bits without a frame CRC to point at them.
        {"deep/flipped-audio-bit.mp3", O::NotRepairable, 0},
        {"deep/gain-changed-then-flipped.mp3", O::NotRepairable, 0},
        {"deep/clean-lame-cbr.mp3", O::NotNeeded, 0},
        {"deep/gain-changed.mp3", O::NotNeeded, 0},
    };
    for (const auto& c : cases) {
        const std::string path = std::string(TW_SOURCE_DIR) + "/samples/" + c.file;
        const Repaired r = Repair(path);
        EXPECT_EQ(r.result.outcome, c.outcome) << c.file << ": " << r.result.reason;
        EXPECT_EQ(r.result.copy.framesDropped, c.framesDropped) << c.file;
        if (c.outcome != O::Repaired) {
            EXPECT_TRUE(r.copy.empty()) << c.file;
            continue;
        }
        ExpectKeptBytesAreTheOriginals(Bytes(path), r);
    }
}

}  // namespace
}  // namespace tw
