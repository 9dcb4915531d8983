// The Test File walk, IntegrityTest::testFile, with resynchronisation: the
// file is scanned, then possibly changed (it shrank, grew, or its reads fail
// from some offset on) before the walk opens it again, as happens to a file
// that another program writes meanwhile. The sink checks every line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "common/BufferedReader.h"
#include "fuzz/FuzzSupport.h"

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
    CheckingSink sink(2 * in.file.size() + 64, false);
    if (in.cancel)
        sink.cancelAfterPumps = in.amount;
    tw::IntegrityTestOptions options;
    options.maxResync = in.maxResync;
    options.includeBitrateSummary = in.includeBitrateSummary;
    tw::IntegrityTest test(sink, options, tree);
    test.testFile(info);

    FUZZ_CHECK(sink.lines() >= 2);
    FUZZ_CHECK(sink.status.empty() || sink.status == "File Open Error" || sink.status == "Done Processing");
    if (sink.status.empty())
        FUZZ_CHECK(sink.progress == 0);
    if (sink.status.empty() && sink.lastLine != "Processing cancelled by user.")
        FUZZ_CHECK(sink.lastLine.rfind("Summary: ", 0) == 0 || sink.lastLine.find("kbps") != std::string::npos);
    return 0;
}
