#include "analysis/DeepCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "analysis/AudioFileInfo.h"
#include "analysis/FirstProblem.h"
#include "common/BufferedReader.h"
#include "platform/Platform.h"

namespace tw {
namespace {

// What a folder test with the deep check says of a file: the code of the
// first problem ("" for none; "walk" when the walk found it) and the codes of
// what was verified.
struct Verdict {
    std::string problem;
    std::string verified;
    bool operator==(const Verdict& o) const { return problem == o.problem && verified == o.verified; }
};

std::ostream& operator<<(std::ostream& out, const Verdict& v) {
    return out << "{\"" << v.problem << "\", \"" << v.verified << "\"}";
}

Verdict DeepVerdict(const std::string& path, std::size_t capacity) {
    std::unique_ptr<ReadableFile> file = SystemFileSystem().openForReading(path);
    EXPECT_TRUE(file);
    BufferedReader reader(*file, capacity);
    AudioFileInfo info;
    EXPECT_TRUE(info.scan(reader, path, 5000));
    DeepCheck deep(info, reader);
    const std::optional<std::string> finding = FirstProblem(reader, info, true, nullptr, &deep);
    Verdict v;
    if (finding) {
        const DeepFinding* problem = deep.firstProblem();
        v.problem = problem != nullptr && problem->headline == *finding ? problem->code : "walk";
    }
    for (const DeepVerified& verified : deep.verified())
        v.verified += (v.verified.empty() ? "" : " ") + std::string(verified.code);
    return v;
}

// The deep samples, one per quirk of a writer or kind of damage, made by
// scripts/make-deep-samples.sh. Whatever the reader's buffer size, and
// wherever a frame straddles two buffers, the verdict is the same.
TEST(DeepCheck, VerdictsOnRealFiles) {
    const struct {
        const char* file;
        Verdict verdict;
    } cases[] = {
        {"clean-lame-cbr.mp3", {"", "tag_crc frame_count byte_count music_length music_crc"}},
        {"clean-lame-no-tag.mp3", {"", ""}},
        {"clean-lame-protected.mp3", {"", "tag_crc frame_count byte_count music_length music_crc frame_crc"}},
        {"clean-twolame-protected.mp2", {"", "frame_crc"}},
        {"clean-twolame-joint-stereo.mp2", {"", ""}},
        // ffmpeg's tag CRC rule, a short header frame with the Xing header at 13.
        {"clean-ffmpeg-mono-22k.mp3", {"", "tag_crc frame_count byte_count music_length music_crc"}},
        // xingmux counts the header frame; no LAME extension.
        {"clean-gstreamer-xingmux.mp3", {"", "frame_count byte_count"}},
        // A part cut out by mp3splt: a note, the counts verified.
        {"clean-mp3splt-part.mp3", {"", "frame_count byte_count"}},
        {"clean-ape-after-id3v1.mp3", {"", "tag_crc frame_count byte_count music_length music_crc"}},
        {"clean-id3v2-appended.mp3", {"", "tag_crc frame_count byte_count music_length music_crc"}},
        {"gain-changed.mp3", {"", "tag_crc frame_count byte_count music_length music_crc"}},
        {"gain-changed-id3v2.mp3", {"", "tag_crc frame_count byte_count music_length music_crc"}},
        {"gain-changed-then-flipped.mp3", {"music_crc_mismatch", "tag_crc frame_count byte_count music_length"}},
        {"cut-at-frame-boundary.mp3", {"audio_cut_short", "tag_crc"}},
        {"flipped-audio-bit.mp3", {"music_crc_mismatch", "tag_crc frame_count byte_count music_length"}},
        {"flipped-header-frame.mp3", {"tag_crc_mismatch", ""}},
        {"flipped-side-info.mp3", {"frame_crc_mismatch", "tag_crc"}},
        {"flipped-bit-allocation.mp2", {"frame_crc_mismatch", ""}},
        {"joined.mp3", {"joined", "tag_crc music_crc"}},
        // Damage in the last 1 %, which the walk alone lets pass here.
        {"zeroed-tail.mp3", {"stream_breaks_off", "tag_crc"}},
        {"flipped-last-header.mp3", {"stream_breaks_off", "tag_crc"}},
    };
    const std::filesystem::path dir = std::filesystem::path(TW_SOURCE_DIR) / "samples" / "deep";
    for (const auto& c : cases) {
        const std::string path = (dir / c.file).string();
        EXPECT_EQ(DeepVerdict(path, BufferedReader::DefaultCapacity), c.verdict) << c.file;
        for (std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{417}, std::size_t{4096}})
            EXPECT_EQ(DeepVerdict(path, capacity), c.verdict) << c.file << " with a buffer of " << capacity;
    }
    EXPECT_EQ(static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {})), std::size(cases));
}

}  // namespace
}  // namespace tw
