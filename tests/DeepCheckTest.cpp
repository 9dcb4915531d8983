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

struct Outcome {
    std::optional<std::string> finding;
    std::string closing;
    bool operator==(const Outcome& o) const { return finding == o.finding && closing == o.closing; }
};

Outcome DeepFirstProblem(const std::string& path, std::size_t capacity) {
    std::unique_ptr<ReadableFile> file = SystemFileSystem().openForReading(path);
    EXPECT_TRUE(file);
    BufferedReader reader(*file, capacity);
    AudioFileInfo info;
    EXPECT_TRUE(info.scan(reader, path, 5000));
    DeepCheck deep(info, reader);
    Outcome outcome;
    outcome.finding = FirstProblem(reader, info, true, nullptr, &deep);
    outcome.closing = deep.closingLine();
    return outcome;
}

// The music CRC follows the reader's buffers; whatever their size, and
// wherever a frame straddles two of them, every byte is counted once.
TEST(DeepCheck, VerdictDoesNotDependOnTheReadersBuffer) {
    const std::filesystem::path dir = std::filesystem::path(TW_SOURCE_DIR) / "samples" / "deep";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string path = entry.path().string();
        const Outcome whole = DeepFirstProblem(path, BufferedReader::DefaultCapacity);
        for (std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{417}, std::size_t{4096}})
            EXPECT_TRUE(DeepFirstProblem(path, capacity) == whole) << path << " with a buffer of " << capacity;
        const bool clean = entry.path().filename().string().rfind("clean-", 0) == 0;
        EXPECT_EQ(!whole.finding.has_value(), clean || entry.path().filename() == "gain-changed.mp3") << path;
        ++files;
    }
    EXPECT_GE(files, 10);
}

}  // namespace
}  // namespace tw
