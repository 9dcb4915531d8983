// The Test File walk, IntegrityTest::testFile, with resynchronisation: the
// file is scanned, then possibly changed (it shrank, grew, or its reads fail
// from some offset on) before the walk opens it again, as happens to a file
// that another program writes meanwhile. The sink checks every line. On an
// unchanged file the walk must agree with the directory test's first-problem
// walk about the first problem.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/AudioFileInfo.h"
#include "analysis/FirstProblem.h"
#include "analysis/IntegrityTest.h"
#include "common/BufferedReader.h"
#include "fuzz/FuzzSupport.h"
#include "reports/DirectoryTest.h"

namespace {

// The text between `from` and the next `to` after it; empty when absent.
std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    std::size_t start = text.find(from);
    if (start == std::string::npos)
        return {};
    start += from.size();
    std::size_t end = text.find(to, start);
    return end == std::string::npos ? std::string() : text.substr(start, end - start);
}

// The first finding of the Test File walk and the directory test's finding
// name the same problem.
bool SameProblem(const std::string& walk, const std::string& directory) {
    if (walk == "Error: End of file encountered in first audio frame.")
        return directory == "Error: First audio frame truncated.";
    if (walk == "Warning: Last audio frame too long.")
        return directory == "Warning: Last audio frame too long";
    if (walk == "Warning: Last audio frame truncated.")
        return directory == walk;
    const std::string prefix = walk.substr(0, walk.find(' '));
    if (directory.compare(0, prefix.size() + 1, prefix + " ") != 0)
        return false;
    if (walk.find(" Sync error reading frame header ") == std::string::npos ||
        directory.find(" First sync error ") == std::string::npos)
        return false;
    return Between(walk, "Approx. time: ", " (") == Between(directory, "at approx. ", " (");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tw::fuzz;
    const AudioInput in = SplitAudioInput(data, size);
    const std::string path = std::string(MemoryTree::Folder) + "/a.mp3";

    tw::AudioFileInfo info;
    {
        tw::MemoryFile file(in.file, 1'000'000'000);
        tw::BufferedReader reader(file, in.bufferCapacity);
        if (!info.scan(reader, path, in.maxOffset))
            return 0;
    }

    MemoryTree tree;
    Bytes walked = in.file;
    switch (in.fault) {
        case Fault::None:
            break;
        case Fault::Shrank:
            walked.resize(walked.size() > in.amount ? walked.size() - in.amount : 0);
            break;
        case Fault::Grew:
            // More of the same stream, so that the walk may find headers there.
            for (std::size_t i = 0; i < in.amount; ++i)
                walked.push_back(in.file[i % in.file.size()]);
            break;
        case Fault::FailingReads:
            tree.onOpen = [&in](tw::MemoryFile& f) { f.failReadsFrom(in.amount); };
            break;
    }
    tree.files[path] = walked;

    // At most a handful of lines per sync error, and every resync moves on by
    // four bytes or more; the bitrate summary adds a bounded block.
    // The deep check adds a bounded block: its tags, findings and verdict.
    CheckingSink sink(2 * in.file.size() + (in.deep ? 256 : 64), false);
    if (in.cancel)
        sink.cancelAfterPumps = in.amount;
    tw::IntegrityTestOptions options;
    options.maxResync = in.maxResync;
    options.includeBitrateSummary = in.includeBitrateSummary;
    options.deepCheck = in.deep;
    std::string firstFinding;
    sink.onLine = [&firstFinding](const std::string& line) {
        if (firstFinding.empty() && (line.rfind("Error:", 0) == 0 || line.rfind("Warning:", 0) == 0))
            firstFinding = line;
    };
    tw::IntegrityTest test(sink, options, tree);
    const bool problem = test.testFile(info);

    FUZZ_CHECK(sink.lines() >= 2);
    FUZZ_CHECK(sink.status.empty() || sink.status == "File Open Error" || sink.status == "Done Processing");
    if (sink.status.empty())
        FUZZ_CHECK(sink.progress == 0);
    if (sink.status.empty() && sink.lastLine != "Processing cancelled by user.")
        FUZZ_CHECK(sink.lastLine.rfind("Summary: ", 0) == 0 || sink.lastLine.find("kbps") != std::string::npos);

    // The directory test's walk follows the same headers and must stop at
    // the same first problem, with the same words and the same time.
    if (in.fault != Fault::None || in.cancel || in.deep)
        return 0;
    tw::MemoryFile again(in.file);
    tw::BufferedReader reader(again);
    const std::optional<std::string> finding = tw::FirstProblem(reader, info, false);
    FUZZ_CHECK(finding.has_value() == problem);
    FUZZ_CHECK(finding.has_value() == !firstFinding.empty());
    if (finding)
        FUZZ_CHECK(SameProblem(firstFinding, *finding));
    return 0;
}
