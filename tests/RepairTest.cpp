#include "analysis/Repair.h"
#include "analysis/FrameHeader.h"
#include "analysis/Layer3SideInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "common/BufferedReader.h"
#include "platform/Platform.h"
#include "support/MemoryFile.h"
#include "support/TempPath.h"

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

// The original less the ranges the repair removed: what the copy holds
// outside the ranges it rewrote.
std::vector<std::uint8_t> Kept(const std::vector<std::uint8_t>& original, const Repaired& r) {
    std::vector<std::uint8_t> kept;
    std::int64_t at = 0;
    for (const RepairRange& removed : r.result.copy.removed) {
        kept.insert(kept.end(), original.begin() + at, original.begin() + removed.offset);
        at = removed.end;
    }
    kept.insert(kept.end(), original.begin() + at, original.end());
    return kept;
}

// Every frame the copy keeps is byte for byte a frame of the original, in
// order: the copy's bytes outside its rewritten header frame come from the
// original in the order the removed ranges leave.
void ExpectKeptBytesAreTheOriginals(const std::vector<std::uint8_t>& original, const Repaired& r) {
    std::vector<std::uint8_t> expected = Kept(original, r);
    ASSERT_EQ(expected.size(), r.copy.size());
    for (const RepairRange& rewritten : r.result.copy.rewritten)
        std::copy(r.copy.begin() + rewritten.offset, r.copy.begin() + rewritten.end,
                  expected.begin() + rewritten.offset);
    EXPECT_TRUE(expected == r.copy);
}

Repaired RepairBytes(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    test::TempPath path("tw_" + name + "_", ".mp3");
    std::ofstream(path.str(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return Repair(path.str());
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

std::uint32_t Be(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t size) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < size; ++i)
        v = v << 8 | b[at + i];
    return v;
}

// A VBRI header tells the truth about the copy: its frames (the header frame
// counted, as mp3val holds), its bytes, and a table whose entries add up to
// the audio after the header frame.
TEST(Repair, RewritesVbriCountsAndTable) {
    std::vector<std::uint8_t> bytes = Bytes(std::string(TW_SOURCE_DIR) + "/samples/vbri-synthesised.mp3");
    bytes.erase(bytes.begin() + 20000, bytes.begin() + 20300);  // a cut inside a frame
    const Repaired r = RepairBytes(bytes, "vbri");
    ASSERT_EQ(r.result.outcome, RepairResult::Outcome::Repaired) << r.result.reason;
    const std::size_t vbri = 36;
    ASSERT_EQ(std::string(r.copy.begin() + vbri, r.copy.begin() + vbri + 4), "VBRI");
    EXPECT_EQ(Be(r.copy, vbri + 14, 4), r.result.copy.framesKept + 1);
    EXPECT_EQ(Be(r.copy, vbri + 10, 4), r.copy.size());
    const std::size_t entries = Be(r.copy, vbri + 18, 2), size = Be(r.copy, vbri + 22, 2);
    const std::uint32_t perEntry = Be(r.copy, vbri + 24, 2), headerFrame = 417;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < entries; ++i)
        sum += Be(r.copy, vbri + 26 + i * size, size) * Be(r.copy, vbri + 20, 2);
    EXPECT_EQ(sum, r.copy.size() - headerFrame);
    EXPECT_GE(entries * perEntry, r.result.copy.framesKept);
}

// Where the frames of a clean stream without tags start.
std::vector<std::size_t> FrameStarts(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::size_t> starts;
    FrameHeader header;
    for (std::size_t at = 0; at + 4 <= bytes.size() && header.decode(bytes.data() + at);
         at += static_cast<std::size_t>(header.frameLength()))
        starts.push_back(at);
    return starts;
}

// A Layer III frame draws on the main data of the frames before it. Where a
// frame was lost, the frames that reached into it are made silent in a way
// every decoder takes (no scale factor bits due, the reach kept for the frames
// after); junk that held no frame costs no sound.
TEST(Repair, SilencesOnlyFramesWhoseMainDataWasLost) {
    const std::vector<std::uint8_t> clean = Bytes(std::string(TW_SOURCE_DIR) + "/samples/deep/clean-lame-cbr.mp3");
    const std::vector<std::size_t> starts = FrameStarts(clean);
    ASSERT_GT(starts.size(), 20u);
    // Encoders chain each frame's main data onto what the one before left.
    std::size_t chained = 0;
    for (std::size_t i = 2; i < starts.size(); ++i) {
        const int left = MainDataLeft(clean.data() + starts[i - 1], starts[i] - starts[i - 1]);
        const int begin = MainDataBegin(clean.data() + starts[i], clean.size() - starts[i]);
        EXPECT_LE(begin, left) << "frame " << i;
        chained += begin == left ? 1 : 0;
    }
    EXPECT_GT(chained, starts.size() * 9 / 10);

    const std::size_t at = starts[starts.size() / 2];
    // Cut short too, so that the header frame's count can't vouch for the frames.
    std::vector<std::uint8_t> junk(clean.begin(), clean.end() - 100);
    junk.insert(junk.begin() + static_cast<std::ptrdiff_t>(at), 300, 0x55);
    std::vector<std::uint8_t> lost = clean;
    std::fill_n(lost.begin() + static_cast<std::ptrdiff_t>(at), 4, 0);
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        bool silences;
    } cases[] = {{"junk", junk, false}, {"lost", lost, true}};
    for (const auto& c : cases) {
        const Repaired r = RepairBytes(c.bytes, c.name);
        ASSERT_EQ(r.result.outcome, RepairResult::Outcome::Repaired) << c.name << ": " << r.result.reason;
        const std::vector<std::uint8_t> before = Kept(c.bytes, r);
        std::size_t silenced = 0;
        for (const RepairRange& range : r.result.copy.rewritten) {
            if (range.frame < 0)
                continue;
            ++silenced;
            const std::uint8_t* frame = r.copy.data() + range.offset;
            const auto length = static_cast<std::size_t>(range.end - range.offset);
            Layer3SideInfo info;
            ASSERT_TRUE(Layer3SideInfoOf(frame, length, info));
            for (int gr = 0; gr < info.granules; ++gr)
                for (int ch = 0; ch < info.channels; ++ch)  // part2_3_length, big_values; scalefac_compress
                    EXPECT_EQ(
                        GetBits(frame, info.granuleBit(gr, ch), 21) + GetBits(frame, info.granuleBit(gr, ch) + 29, 4),
                        0u)
                        << c.name;
            EXPECT_EQ(MainDataBegin(frame, length), MainDataBegin(before.data() + range.offset, length)) << c.name;
        }
        EXPECT_EQ(silenced > 0, c.silences) << c.name;
    }
}

}  // namespace
}  // namespace tw
