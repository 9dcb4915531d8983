// A Cancel may land at any point where a run lets events through. Each run
// here is repeated with the cancel at every one of its pump points in turn:
// it must stop there, write its own cancel lines, and leave the status line
// and the progress bar cleared.
#include <gtest/gtest.h>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "settings/Settings.h"
#include "support/ByteBuilder.h"
#include "support/MemoryFileSystem.h"
#include "support/RecordingSink.h"
#include "support/TempTree.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Cbr128;

TEST(CancelAtEveryPumpPoint, TestFile) {
    // Frames, junk that needs a resync, and more frames.
    test::MemoryFileSystem fs;
    fs.addFile("song.mp3", ByteBuilder().frames(3, Cbr128).fill(30, 0x55).frames(4, Cbr128).build());
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(fs, "song.mp3", 5000));

    test::RecordingSink whole;
    IntegrityTest(whole, {}, fs).testFile(info);
    ASSERT_GT(whole.pumps, 400);

    for (int n = 1; n <= whole.pumps; ++n) {
        test::RecordingSink sink;
        sink.cancelAfterPumps = n;
        IntegrityTest(sink, {}, fs).testFile(info);
        const auto lines = sink.texts();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 2], "") << n;
        EXPECT_EQ(lines.back(), "Processing cancelled by user.") << n;
        EXPECT_EQ(sink.pumps, n) << "the walk went on after the cancel";
        EXPECT_EQ(sink.status, "");
        EXPECT_EQ(sink.progress, 0);
    }
}

TEST(CancelAtEveryPumpPoint, DirectoryTestAndCatalog) {
    test::TempTree tree;
    tree.file("a.mp3", ByteBuilder().frames(3, Cbr128).fill(10, 0x55).frames(2, Cbr128).build());
    tree.file("b.mp3", ByteBuilder().frames(4, Cbr128).build());
    tree.file("sub/c.mp3", ByteBuilder().frames(2, Cbr128).build());
    tree.file("sub/deeper/d.mp2", ByteBuilder().frames(3, Cbr128).build());
    Settings settings;
    settings.recurseDirs = true;

    test::RecordingSink whole;
    DirectoryTest(whole, DirectoryTestOptionsOf(settings), tree.root()).testDirectory();
    const std::size_t wholeLines = whole.texts().size();
    for (int n = 1; n <= whole.pumps; ++n) {
        test::RecordingSink sink;
        sink.cancelAfterPumps = n;
        DirectoryTest::Result r = DirectoryTest(sink, DirectoryTestOptionsOf(settings), tree.root()).testDirectory();
        const auto lines = sink.texts();
        ASSERT_FALSE(lines.empty());
        // A cancel during the listing only cuts the list short; later ones end the run.
        if (r.cancelled) {
            EXPECT_EQ(lines.back(), "Processing cancelled by user.") << n;
        } else {
            EXPECT_LE(r.total, 4) << n;
            EXPECT_EQ(lines.back().substr(0, 17), "Done processing. ") << n;
        }
        EXPECT_LE(lines.size(), wholeLines);
        EXPECT_EQ(sink.status, "");
        EXPECT_EQ(sink.progress, 0);
    }

    test::RecordingSink wholeCatalog;
    DirectoryCatalog(wholeCatalog, CatalogOptionsOf(settings), tree.root()).catalogDirectory();
    for (int n = 1; n <= wholeCatalog.pumps; ++n) {
        test::RecordingSink sink;
        sink.cancelAfterPumps = n;
        DirectoryCatalog::Result r = DirectoryCatalog(sink, CatalogOptionsOf(settings), tree.root()).catalogDirectory();
        const auto lines = sink.texts();
        EXPECT_EQ(lines.back(), r.cancelled
                                    ? "Processing cancelled by user."
                                    : "Done processing.  Cataloged a total of " + std::to_string(r.total) + " files.")
            << n;
        EXPECT_EQ(sink.status, "");
        EXPECT_EQ(sink.progress, 0);
    }
}

}  // namespace
}  // namespace tw
