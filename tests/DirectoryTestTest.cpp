#include "reports/DirectoryTest.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "analysis/AudioFileInfo.h"
#include "analysis/FirstProblem.h"
#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "settings/Settings.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempTree.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;
using test::Cbr128Bytes;
using test::InjectingFileSystem;
using test::RecordingSink;
using test::TempTree;

const std::string Sep(1, PathSeparator);

// `count` frames with the frame at `bad` (if any) replaced by zero bytes.
ByteBuilder FramesWithHole(int count, int bad) {
    ByteBuilder b;
    for (int i = 0; i < count; ++i) {
        if (i == bad)
            b.fill(Cbr128Bytes);
        else
            b.frame(Cbr128);
    }
    return b;
}

DirectoryTest::Result RunDirectoryTest(const Settings& settings, const std::string& directory, RecordingSink& sink,
                                       FileSystem& fileSystem = SystemFileSystem()) {
    DirectoryTest test(sink, DirectoryTestOptionsOf(settings), directory, fileSystem);
    return test.testDirectory();
}

// One file of each finding, in the order in which the listing gives them.
void WriteFindings(const TempTree& tree) {
    tree.file("D/cut.mp3", ByteBuilder().frames(10, Cbr128).bytes(Cbr128).fill(100).build());
    // The ID3v1 block begins inside the first frame, so the audio ends
    // before the first frame does.
    tree.file("D/first.mp3", ByteBuilder().frame(Cbr128).patch(300, "TAG").bytes(Cbr128).fill(7).build());
    // A mono header in a joint-stereo stream, 40.09 % in.
    tree.file("D/foreign.mp3",
              ByteBuilder().frames(4, Cbr128).frame({0xFF, 0xFB, 0x90, 0xC4}).frames(5, Cbr128).build());
    // A Xing count of 344,140 frames claims 8,989.8 s for ten frames: the
    // hole at 50 % is at 4,503.5 s, shown as 75:04, never as hours.
    ByteBuilder minutes;
    minutes.xingFrame(Cbr128, 36, 1, 344140).frames(4, Cbr128).fill(Cbr128Bytes).frames(4, Cbr128);
    tree.file("D/minutes.mp3", minutes.build());
    // Bit rate, padding and mode extension may change within a stream.
    tree.file("D/mixed.mp3", ByteBuilder()
                                 .frames(3, Cbr128)
                                 .frame({0xFF, 0xFB, 0xA0, 0x64})
                                 .frame({0xFF, 0xFB, 0x92, 0x64})
                                 .frame({0xFF, 0xFB, 0x90, 0x74})
                                 .frames(3, Cbr128)
                                 .build());
    // 41.987 % is shown as 41.
    tree.file("D/pct41.mp3", FramesWithHole(7, 3).fill(70, 0x55).build());
    tree.file("D/short.mp3", Bytes(9, 0));
    tree.file("D/sound.mp3", ByteBuilder().frames(10, Cbr128).build());
    tree.file("D/sync98.mp3", FramesWithHole(100, 98).build());
    tree.file("D/sync99.mp3", FramesWithHole(100, 99).build());
    tree.file("D/tagged.mp3", ByteBuilder().frames(10, Cbr128).id3v1("t", "a", "b", "2001", "c", 0, 1).build());
    tree.file("D/tail.mp3", ByteBuilder().frames(10, Cbr128).fill(3, 0xFF).build());
    ByteBuilder unknown;
    unknown.xingFrame(Cbr128, 36, 0, 0).frames(4, Cbr128).fill(Cbr128Bytes).frames(4, Cbr128);
    tree.file("D/unknown.mp3", unknown.build());
}

TEST(DirectoryTest, WritesOneLinePerFileWithAFinding) {
    TempTree tree;
    WriteFindings(tree);
    const std::string d = tree.path("D") + Sep;
    Settings settings;
    settings.ignoreEofErrors = false;
    RecordingSink sink;
    DirectoryTest::Result result = RunDirectoryTest(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.joined(),
              d + "cut.mp3  -  Warning: Last audio frame truncated.\n" +                                   //
                  d + "first.mp3  -  Error: First audio frame truncated.\n" +                              //
                  d + "foreign.mp3  -  Error: First sync error at approx. 0:00 (40% through audio).\n" +   //
                  d + "minutes.mp3  -  Error: First sync error at approx. 75:04 (50% through audio).\n" +  //
                  d + "pct41.mp3  -  Error: First sync error at approx. 0:00 (41% through audio).\n" +     //
                  d + "short.mp3  -  Error: File too short.\n" +                                           //
                  d + "sync98.mp3  -  Error: First sync error at approx. 0:03 (98% through audio).\n" +    //
                  d + "sync99.mp3  -  Warning: First sync error at approx. 0:03 (99% through audio).\n" +  //
                  d + "tail.mp3  -  Warning: Last audio frame too long\n" +                                //
                  d + "unknown.mp3  -  Error: First sync error approx. 50% through audio (unknown time index).\n" +
                  "\n"
                  "Done processing.  Found errors/warnings in 10 of 13 files tested.\n");
    EXPECT_EQ(result.outcome, DirectoryTest::Outcome::Completed);
    EXPECT_EQ(result.total, 13);
    EXPECT_EQ(result.problems, 10);
    EXPECT_FALSE(result.cancelled);

    // Lines about a file are tied to it; the closing lines to none.
    const auto& lines = sink.log.lines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(sink.log.filePathForLine(0), d + "cut.mp3");
    EXPECT_EQ(sink.log.filePathForLine(9), d + "unknown.mp3");
    EXPECT_EQ(lines[10].fileIndex, NoFile);
    EXPECT_EQ(lines[11].fileIndex, NoFile);
    // Every file processed has its entry, with or without a line.
    ASSERT_EQ(sink.log.files().size(), 13u);
    EXPECT_EQ(sink.log.files()[7], d + "sound.mp3");
}

TEST(DirectoryTest, IgnoreEofErrorsDropsOnlyTheEndOfAudioWarnings) {
    TempTree tree;
    WriteFindings(tree);
    const std::string d = tree.path("D") + Sep;
    Settings settings;
    settings.ignoreEofErrors = true;
    RecordingSink sink;
    DirectoryTest::Result result = RunDirectoryTest(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{
                                d + "first.mp3  -  Error: First audio frame truncated.",
                                d + "foreign.mp3  -  Error: First sync error at approx. 0:00 (40% through audio).",
                                d + "minutes.mp3  -  Error: First sync error at approx. 75:04 (50% through audio).",
                                d + "pct41.mp3  -  Error: First sync error at approx. 0:00 (41% through audio).",
                                d + "short.mp3  -  Error: File too short.",
                                d + "sync98.mp3  -  Error: First sync error at approx. 0:03 (98% through audio).",
                                d + "unknown.mp3  -  Error: First sync error approx. 50% through audio (unknown "
                                    "time index).",
                                "",
                                "Done processing.  Found errors/warnings in 7 of 13 files tested.",
                            }));
    EXPECT_EQ(result.problems, 7);
}

TEST(DirectoryTest, StatusProgressAndPumping) {
    TempTree tree;
    tree.file("D/a.mp3", ByteBuilder().frames(10, Cbr128).build());
    tree.file("D/b.mp3", Bytes(9, 0));
    tree.file("D/c.mp3", ByteBuilder().frames(5, Cbr128).build());
    Settings settings;
    RecordingSink sink;
    RunDirectoryTest(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.statusHistory, (std::vector<std::string>{"Retrieving directory listing...", "Processing file 1 of 3",
                                                            "Processing file 2 of 3", "Processing file 3 of 3", ""}));
    EXPECT_EQ(sink.progressHistory, (std::vector<std::int32_t>{33, 67, 100, 0}));
    // One pump for the directory, then one per frame after each first frame.
    EXPECT_EQ(sink.pumps, 1 + 9 + 4);
    EXPECT_EQ(sink.log.lines()[0].fileIndex, 1);
}

TEST(DirectoryTest, EmptyOrMissingDirectoryStillCloses) {
    TempTree tree;
    tree.dir("D");
    tree.dir("M");
    Settings settings;
    RecordingSink plain;
    RunDirectoryTest(settings, tree.path("D"), plain);
    EXPECT_EQ(plain.texts(),
              (std::vector<std::string>{"", "Done processing.  Found errors/warnings in 0 of 0 files tested."}));
    EXPECT_EQ(plain.statusHistory, (std::vector<std::string>{"Retrieving directory listing...", ""}));
    EXPECT_EQ(plain.progressHistory, std::vector<std::int32_t>{0});

    settings.moveFiles = true;
    settings.moveFilesPath = tree.path("M");
    RecordingSink moving;
    RunDirectoryTest(settings, tree.path("missing"), moving);
    EXPECT_EQ(moving.texts(),
              (std::vector<std::string>{"", "Done processing.  Found errors/warnings in 0 of 0 files tested.",
                                        "0 files moved to directory \"" + tree.path("M") + Sep + "\"."}));
}

TEST(DirectoryTest, InvalidMoveFolderStopsBeforeAnything) {
    EXPECT_STREQ(DirectoryTest::InvalidMoveFolderText,
                 "Directory specified to move files with errors/warnings is invalid.  Please correct in Options "
                 "screen.");
    EXPECT_STREQ(DirectoryTest::InvalidMoveFolderCaption, "Directory Error");

    TempTree tree;
    tree.file("D/short.mp3", Bytes(9, 0));
    tree.file("notADirectory", Bytes(1, 0));
    for (const std::string& moveTo : {std::string(), tree.path("missing"), tree.path("notADirectory")}) {
        Settings settings;
        settings.moveFiles = true;
        settings.moveFilesPath = moveTo;
        InjectingFileSystem fileSystem;
        RecordingSink sink;
        DirectoryTest::Result result = RunDirectoryTest(settings, tree.path("D"), sink, fileSystem);
        EXPECT_EQ(result.outcome, DirectoryTest::Outcome::InvalidMoveFolder) << moveTo;
        EXPECT_TRUE(sink.log.lines().empty());
        EXPECT_TRUE(sink.statusHistory.empty());
        EXPECT_EQ(sink.pumps, 0);
        EXPECT_EQ(fileSystem.listings, 0);
    }
}

TEST(DirectoryTest, MovesFailingFilesWithoutReplacingAny) {
    TempTree tree;
    tree.file("D/clash.mp3", Bytes(9, 1));
    tree.file("D/good.mp3", ByteBuilder().frames(3, Cbr128).build());
    tree.file("D/a/bad.mp3", Bytes(9, 2));
    tree.file("D/b/bad.mp3", Bytes(9, 3));
    tree.file("M/clash.mp3", Bytes(4, 7));
    const std::string d = tree.path("D") + Sep;
    const std::string m = tree.path("M") + Sep;
    Settings settings;
    settings.recurseDirs = true;
    settings.moveFiles = true;
    settings.moveFilesPath = tree.path("M");
    RecordingSink sink;
    DirectoryTest::Result result = RunDirectoryTest(settings, tree.path("D"), sink);

    std::vector<std::string> texts = sink.texts();
    ASSERT_EQ(texts.size(), 13u);
    EXPECT_EQ(texts[0], d + "clash.mp3  -  Error: File too short.");
    EXPECT_EQ(texts[1], "ERROR: Unable to move file \"" + d + "clash.mp3\" to \"" + m + "clash.mp3\"");
    EXPECT_EQ(texts[2].rfind("Windows error message: ", 0), 0u);
    EXPECT_GT(texts[2].size(), std::string("Windows error message: ").size());
    EXPECT_EQ(texts[3], "");
    EXPECT_EQ(texts[4], d + "a" + Sep + "bad.mp3  -  Error: File too short.");
    EXPECT_EQ(texts[5], d + "b" + Sep + "bad.mp3  -  Error: File too short.");
    EXPECT_EQ(texts[6], "ERROR: Unable to move file \"" + d + "b" + Sep + "bad.mp3\" to \"" + m + "bad.mp3\"");
    EXPECT_EQ(texts[7].rfind("Windows error message: ", 0), 0u);
    EXPECT_EQ(texts[8], "");
    EXPECT_EQ(texts[9], "");
    EXPECT_EQ(texts[10], "Done processing.  Found errors/warnings in 3 of 4 files tested.");
    EXPECT_EQ(texts[11], "1 files moved to directory \"" + m + "\".");
    EXPECT_EQ(texts[12],
              "ERROR: Fewer files were moved than were found to have errors.  See previous portion of log "
              "for details.");
    for (std::size_t i : {1u, 2u, 3u, 6u, 7u, 8u})
        EXPECT_EQ(sink.log.lines()[i].fileIndex, NoFile) << i;
    EXPECT_EQ(result.moved, 1);
    EXPECT_EQ(result.problems, 3);

    // Nothing was replaced or lost.
    EXPECT_EQ(tree.read("M/clash.mp3"), Bytes(4, 7));
    EXPECT_EQ(tree.read("D/clash.mp3"), Bytes(9, 1));
    EXPECT_EQ(tree.read("M/bad.mp3"), Bytes(9, 2));
    EXPECT_FALSE(tree.exists("D/a/bad.mp3"));
    EXPECT_EQ(tree.read("D/b/bad.mp3"), Bytes(9, 3));
    EXPECT_TRUE(tree.exists("D/good.mp3"));
}

TEST(DirectoryTest, UnopenableFileIsNeverMovedAndEachFileIsOpenedOnce) {
    TempTree tree;
    tree.file("D/locked.mp3", ByteBuilder().frames(3, Cbr128).build());
    tree.file("D/short.mp3", Bytes(9, 0));
    tree.file("D/sound.mp3", ByteBuilder().frames(3, Cbr128).build());
    tree.dir("M");
    const std::string d = tree.path("D") + Sep;
    const std::string m = tree.path("M") + Sep;
    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = m;  // a trailing separator is not doubled
    InjectingFileSystem fileSystem;
    fileSystem.unopenable.insert(d + "locked.mp3");
    fileSystem.moveError = "Access is denied.";
    RecordingSink sink;
    RunDirectoryTest(settings, tree.path("D"), sink, fileSystem);
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{
                                d + "locked.mp3  -  Error: Unable to  open file.",
                                d + "short.mp3  -  Error: File too short.",
                                "ERROR: Unable to move file \"" + d + "short.mp3\" to \"" + m + "short.mp3\"",
                                "Windows error message: Access is denied.",
                                "",
                                "",
                                "Done processing.  Found errors/warnings in 2 of 3 files tested.",
                                "0 files moved to directory \"" + m + "\".",
                                "ERROR: Fewer files were moved than were found to have errors.  See previous "
                                "portion of log for details.",
                            }));
    EXPECT_EQ(fileSystem.opens, 3);
}

#ifndef _WIN32
TEST(DirectoryTest, DanglingLinkIsAnUnopenableFile) {
    TempTree tree;
    tree.dir("D");
    std::filesystem::create_symlink(tree.path("nowhere"), tree.path("D/ghost.mp3"));
    Settings settings;
    RecordingSink sink;
    RunDirectoryTest(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.texts()[0], tree.path("D/ghost.mp3") + "  -  Error: Unable to  open file.");
}
#endif

TEST(DirectoryTest, MoveFilesOffWritesNoMoveLines) {
    TempTree tree;
    tree.file("D/short.mp3", Bytes(9, 0));
    Settings settings;
    settings.moveFilesPath = tree.path("nowhere");  // not looked at
    RecordingSink sink;
    DirectoryTest::Result result = RunDirectoryTest(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.texts(),
              (std::vector<std::string>{tree.path("D/short.mp3") + "  -  Error: File too short.", "",
                                        "Done processing.  Found errors/warnings in 1 of 1 files tested."}));
    EXPECT_EQ(result.moved, 0);
    EXPECT_TRUE(tree.exists("D/short.mp3"));
}

TEST(DirectoryTest, CancelDuringAWalkEndsTheRunWithoutCounts) {
    TempTree tree;
    tree.file("D/a.mp3", ByteBuilder().frames(10, Cbr128).fill(2).build());  // 9 pumps, then a finding
    tree.file("D/b.mp3", FramesWithHole(10, 8).build());
    tree.file("D/c.mp3", Bytes(9, 0));
    tree.dir("M");
    Settings settings;
    settings.ignoreEofErrors = false;
    settings.moveFiles = true;
    settings.moveFilesPath = tree.path("M");
    RecordingSink sink;
    sink.cancelAfterPumps = 1 + 9 + 3;  // in b's walk, before its hole
    DirectoryTest::Result result = RunDirectoryTest(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{tree.path("D/a.mp3") + "  -  Warning: Last audio frame too long",
                                                      "", "Processing cancelled by user."}));
    EXPECT_EQ(sink.progressHistory, (std::vector<std::int32_t>{33, 0}));
    EXPECT_EQ(sink.status, "");
    EXPECT_EQ(sink.log.files().size(), 2u);  // c was never reached
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.moved, 1);
    EXPECT_TRUE(tree.exists("M/a.mp3"));
    EXPECT_TRUE(tree.exists("D/b.mp3"));
}

TEST(DirectoryTest, CancelDuringTheListingOnlyShortensTheList) {
    TempTree tree;
    tree.file("D/top.mp3", Bytes(9, 0));
    tree.file("D/sub/x.mp3", Bytes(9, 0));
    Settings settings;
    settings.recurseDirs = true;
    RecordingSink sink;
    sink.cancelAfterPumps = 2;
    DirectoryTest::Result result = RunDirectoryTest(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.texts(),
              (std::vector<std::string>{tree.path("D/top.mp3") + "  -  Error: File too short.", "",
                                        "Done processing.  Found errors/warnings in 1 of 1 files tested."}));
    EXPECT_FALSE(result.cancelled);
}

// The walk on its own, over bytes in memory.
std::optional<std::string> WalkBytes(const Bytes& bytes, bool ignoreEofErrors, RecordingSink* sink = nullptr,
                                     std::int64_t reportedSize = -1) {
    MemoryFile file(bytes);
    if (reportedSize >= 0)
        file.setReportedSize(reportedSize);
    BufferedReader reader(file);
    AudioFileInfo info;
    EXPECT_TRUE(info.scan(reader, "memory.mp3", 5000)) << info.errorText();
    return FirstProblem(reader, info, ignoreEofErrors, sink);
}

TEST(FirstProblem, WalksUpToTheFirstProblemOnly) {
    // Exactly whole frames, with or without a sink.
    EXPECT_EQ(WalkBytes(ByteBuilder().frames(4, Cbr128).build(), false), std::nullopt);
    RecordingSink sink;
    EXPECT_EQ(WalkBytes(ByteBuilder().frames(4, Cbr128).build(), false, &sink), std::nullopt);
    EXPECT_EQ(sink.pumps, 3);

    // One to three stray bytes.
    for (std::size_t stray : {1u, 2u, 3u}) {
        EXPECT_EQ(WalkBytes(ByteBuilder().frames(4, Cbr128).fill(stray).build(), false),
                  "Warning: Last audio frame too long");
        EXPECT_EQ(WalkBytes(ByteBuilder().frames(4, Cbr128).fill(stray).build(), true), std::nullopt);
    }
    // Four stray bytes are a header that doesn't decode, at 100 %.
    EXPECT_EQ(WalkBytes(ByteBuilder().frames(4, Cbr128).fill(4).build(), false),
              "Warning: First sync error at approx. 0:00 (100% through audio).");

    // Fields that the same-stream test compares: channel mode, original,
    // copyright, emphasis, CRC and private bits.
    const std::vector<std::array<std::uint8_t, 4>> foreign{{0xFF, 0xFB, 0x90, 0xC4}, {0xFF, 0xFB, 0x90, 0x60},
                                                           {0xFF, 0xFB, 0x90, 0x6C}, {0xFF, 0xFB, 0x90, 0x65},
                                                           {0xFF, 0xFA, 0x90, 0x64}, {0xFF, 0xFB, 0x91, 0x64}};
    for (const auto& h : foreign) {
        Bytes bytes = ByteBuilder().frames(2, Cbr128).frame(h[0], h[1], h[2], h[3]).frames(7, Cbr128).build();
        EXPECT_EQ(WalkBytes(bytes, true), "Error: First sync error at approx. 0:00 (20% through audio).")
            << int(h[1]) << " " << int(h[2]) << " " << int(h[3]);
    }

    // A file that is shorter than it claims: the missing header is a sync error.
    Bytes ten = ByteBuilder().frames(10, Cbr128).build();
    EXPECT_EQ(WalkBytes(ten, true, nullptr, 11 * Cbr128Bytes),
              "Error: First sync error at approx. 0:00 (90% through audio).");
}

}  // namespace
}  // namespace tw
