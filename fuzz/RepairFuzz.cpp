// The repair's copy (CopyRepaired) of a hostile file, through a reader of the
// input's buffer size: whatever it leaves out or rewrites, the copy is the
// original less the ranges it names as left out, but for the ranges it names
// as rewritten; the ranges lie in order inside the file and the copy; the
// frame counts add up. A second copy through a reader of the default size
// is the same, and so is the check of the copy the repair's proof runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/Repair.h"
#include "analysis/RepairCopy.h"
#include "common/BufferedReader.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace tw::fuzz;

struct MemoryOutput final : tw::RepairOutput {
    Bytes bytes;
    bool append(const std::uint8_t* b, std::size_t n) override {
        bytes.insert(bytes.end(), b, b + n);
        return true;
    }
    bool overwrite(std::int64_t at, const std::uint8_t* b, std::size_t n) override {
        FUZZ_CHECK(at >= 0 && static_cast<std::size_t>(at) + n <= bytes.size());
        std::memcpy(bytes.data() + at, b, n);
        return true;
    }
};

tw::RepairCopy Copy(const Bytes& file, std::size_t capacity, std::int32_t maxOffset, MemoryOutput& out) {
    tw::MemoryFile memory(file);
    tw::BufferedReader reader(memory, capacity);
    tw::AudioFileInfo info;
    if (!info.scan(reader, "fuzz.mp3", maxOffset))
        return {};
    return tw::CopyRepaired(reader, info, out, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AudioInput in = SplitAudioInput(data, size);
    const std::int32_t maxOffset = in.maxOffset & 0xFFFF;
    MemoryOutput out;
    const tw::RepairCopy copy = Copy(in.file, in.bufferCapacity, maxOffset, out);
    if (!copy.written)
        return 0;
    FUZZ_CHECK(static_cast<std::size_t>(copy.bytesWritten) == out.bytes.size());
    FUZZ_CHECK(copy.framesKept >= 0 && copy.framesDropped >= 0);

    Bytes expected;
    std::int64_t at = 0;
    for (const tw::RepairRange& r : copy.removed) {
        FUZZ_CHECK(r.offset >= at && r.end > r.offset && r.end <= static_cast<std::int64_t>(in.file.size()));
        expected.insert(expected.end(), in.file.begin() + at, in.file.begin() + r.offset);
        at = r.end;
    }
    expected.insert(expected.end(), in.file.begin() + at, in.file.end());
    FUZZ_CHECK(expected.size() == out.bytes.size());
    std::int64_t rewrittenEnd = -1;
    for (const tw::RepairRange& r : copy.rewritten) {
        FUZZ_CHECK(r.offset >= 0 && r.end > r.offset && r.end <= static_cast<std::int64_t>(out.bytes.size()));
        FUZZ_CHECK(r.offset >= rewrittenEnd || r.what.rfind("header frame", 0) == 0);
        rewrittenEnd = r.end;
        std::copy(out.bytes.begin() + r.offset, out.bytes.begin() + r.end, expected.begin() + r.offset);
    }
    FUZZ_CHECK(expected == out.bytes);

    // The buffer's size never shows in the copy.
    MemoryOutput again;
    const tw::RepairCopy second = Copy(in.file, tw::BufferedReader::DefaultCapacity, maxOffset, again);
    FUZZ_CHECK(second.written && again.bytes == out.bytes);

    // The proof's check of the copy runs on whatever the copy holds.
    tw::MemoryFile copied(out.bytes);
    tw::BufferedReader reader(copied);
    const tw::FileCheck check = tw::CheckFile(reader, "copy.mp3", maxOffset, nullptr);
    FUZZ_CHECK(check.problems.size() == check.kinds.size());
    return 0;
}
