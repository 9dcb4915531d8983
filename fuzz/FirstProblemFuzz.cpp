// The directory test's first-problem walk, FirstProblem, on the reader that
// the scan used (as the directory test does), compared with a walk through a
// reader of the default buffer size. When the input asks for it, a whole
// directory test with moves and a whole catalog run over a folder in memory
// that holds the file twice.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/AudioFileInfo.h"
#include "analysis/DeepCheck.h"
#include "analysis/FirstProblem.h"
#include "common/BufferedReader.h"
#include "fuzz/FuzzSupport.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "settings/Settings.h"

namespace {

using namespace tw::fuzz;

bool IsFinding(const std::string& text) {
    return text.rfind("Error:", 0) == 0 || text.rfind("Warning:", 0) == 0;
}

std::size_t Tabs(const std::string& line) {
    std::size_t n = 0;
    for (char c : line)
        n += c == '\t' ? 1 : 0;
    return n;
}

void RunDirectory(const AudioInput& in) {
    MemoryTree tree;
    tree.files[std::string(MemoryTree::Folder) + "/a.mp3"] = in.file;
    tree.files[std::string(MemoryTree::Folder) + "/b.MP3"] = in.file;
    if (in.fault == Fault::FailingReads)
        tree.onOpen = [&in](tw::MemoryFile& f) { f.failReadsFrom(in.amount); };

    tw::Settings settings;
    settings.ignoreEofErrors = in.ignoreEofErrors;
    settings.maxOffset = in.maxOffset;
    settings.moveFiles = true;
    settings.moveFilesPath = MemoryTree::MoveFolder;
    settings.deepCheck = in.deep;

    CheckingSink testSink(64, false);
    if (in.cancel)
        testSink.cancelAfterPumps = in.amount;
    tw::DirectoryTest test(testSink, tw::DirectoryTestOptionsOf(settings), MemoryTree::Folder, tree);
    const auto result = test.testDirectory();
    // A cancel seen while the folder is listed only cuts the list short.
    FUZZ_CHECK(result.total == 2 || (in.cancel && result.total < 2));
    FUZZ_CHECK(result.moved <= result.problems && result.problems <= result.total);
    // Moved files arrive whole and nothing is lost.
    FUZZ_CHECK(tree.files.size() == 2);
    for (const auto& [name, bytes] : tree.files)
        FUZZ_CHECK(bytes == in.file);

    // The catalog of whatever is left in the folder: every row has 37 fields.
    CheckingSink catalogSink(64, true);
    catalogSink.onLine = [](const std::string& line) { FUZZ_CHECK(Tabs(line) == 0 || Tabs(line) == 36); };
    tw::DirectoryCatalog catalog(catalogSink, tw::CatalogOptionsOf(settings), MemoryTree::Folder, tree);
    catalog.catalogDirectory();
    FUZZ_CHECK(catalogSink.lastLine.rfind("Done processing.  Cataloged a total of ", 0) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AudioInput in = SplitAudioInput(data, size);

    auto file = FaultyFile(in.file, in);
    tw::BufferedReader reader(*file, in.bufferCapacity);
    tw::AudioFileInfo info;
    if (info.scan(reader, "fuzz.mp3", in.maxOffset)) {
        CheckingSink sink(0, false);
        if (in.cancel)
            sink.cancelAfterPumps = in.amount;
        std::optional<tw::DeepCheck> deep;
        if (in.deep)
            deep.emplace(info, reader);
        const std::optional<std::string> finding =
            tw::FirstProblem(reader, info, in.ignoreEofErrors, in.cancel ? &sink : nullptr, deep ? &*deep : nullptr);
        if (finding) {
            FUZZ_CHECK(IsFinding(*finding));
            FUZZ_CHECK(IsPrintable(*finding));
            // The deep check's own warnings (a damaged header frame, more
            // frames than recorded) aren't end-of-file problems.
            if (in.ignoreEofErrors && !in.deep)
                FUZZ_CHECK(finding->rfind("Warning:", 0) != 0);
        }
        if (deep)
            FUZZ_CHECK(IsPrintable(deep->closingLine()));

        // The buffer never shows in the result, nor in what the deep check
        // proved.
        auto again = FaultyFile(in.file, in);
        tw::BufferedReader defaultReader(*again);
        CheckingSink otherSink(0, false);
        otherSink.cancelAfterPumps = sink.cancelAfterPumps;
        std::optional<tw::DeepCheck> otherDeep;
        if (in.deep)
            otherDeep.emplace(info, defaultReader);
        FUZZ_CHECK(tw::FirstProblem(defaultReader, info, in.ignoreEofErrors, in.cancel ? &otherSink : nullptr,
                                    otherDeep ? &*otherDeep : nullptr) == finding);
        if (deep)
            FUZZ_CHECK(deep->closingLine() == otherDeep->closingLine());
    }

    if (in.directoryRun)
        RunDirectory(in);
    return 0;
}
