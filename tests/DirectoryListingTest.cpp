#include "reports/DirectoryListing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/RecordingSink.h"
#include "tests/support/TempTree.h"

namespace tw {
namespace {

using test::InjectingFileSystem;
using test::RecordingSink;
using test::TempTree;

FileList List(const std::string& directory, bool recurse, RecordingSink& sink) {
    FileList list;
    ListAudioFiles(directory, recurse, "*.mp?", list, sink);
    return list;
}

FileList List(const std::string& directory, bool recurse) {
    RecordingSink sink;
    return List(directory, recurse, sink);
}

TEST(DirectoryListing, OwnFilesFirstThenEachSubdirectoryInSortedOrder) {
    TempTree tree;
    tree.file("D/b.mp3");
    tree.file("D/A.mp3");
    tree.file("D/x/c.mp3");
    tree.file("D/W/d.mp2");
    EXPECT_EQ(List(tree.path("D"), true),
              (FileList{tree.path("D/A.mp3"), tree.path("D/b.mp3"), tree.path("D/W/d.mp2"), tree.path("D/x/c.mp3")}));

    // Not a global sort of the paths: a file of D comes before a deeper one.
    tree.file("D/z.mp3");
    tree.file("D/a/y.mp3");
    tree.file("D/a/deeper/e.mp1");
    EXPECT_EQ(List(tree.path("D"), true),
              (FileList{tree.path("D/A.mp3"), tree.path("D/b.mp3"), tree.path("D/z.mp3"), tree.path("D/a/y.mp3"),
                        tree.path("D/a/deeper/e.mp1"), tree.path("D/W/d.mp2"), tree.path("D/x/c.mp3")}));

    // Without recursion the subdirectories are ignored entirely.
    EXPECT_EQ(List(tree.path("D"), false),
              (FileList{tree.path("D/A.mp3"), tree.path("D/b.mp3"), tree.path("D/z.mp3")}));
}

TEST(DirectoryListing, KeepsOnlyMp1Mp2Mp3InAnyLetterCase) {
    TempTree tree;
    for (const char* name : {"Song.MP3", "x.Mp1", "y.mP2", ".mp3", "a.mp4", "a.mp", "a.mpeg", "a.mp3.bak", "mp3",
                             "a.mp0", "a.m3", "a_mp3"})
        tree.file(std::string("D/") + name);
    tree.file("D/Album.mp3/inner.mp3");
    // Names beginning with a dot are listed like any other.
    EXPECT_EQ(List(tree.path("D"), false),
              (FileList{tree.path("D/.mp3"), tree.path("D/Song.MP3"), tree.path("D/x.Mp1"), tree.path("D/y.mP2")}));
    // A directory named like an audio file is descended into, never listed.
    EXPECT_EQ(List(tree.path("D"), true).size(), 5u);
    EXPECT_EQ(List(tree.path("D"), true)[4], tree.path("D/Album.mp3/inner.mp3"));
}

TEST(DirectoryListing, SortsIgnoringCaseWithBytesAsTieBreak) {
    TempTree tree;
    for (const char* name : {"aab.mp3", "a_b.mp3", "c.mp3", "B.mp3", "a.mp3", "Track9.mp3", "Track10.mp3", "n.b.mp3",
                             "n b.mp3", "abc.mp3", "ABCD.mp3"})
        tree.file(std::string("D/") + name);
    EXPECT_EQ(List(tree.path("D"), false),
              (FileList{tree.path("D/a.mp3"), tree.path("D/a_b.mp3"), tree.path("D/aab.mp3"), tree.path("D/abc.mp3"),
                        tree.path("D/ABCD.mp3"), tree.path("D/B.mp3"), tree.path("D/c.mp3"), tree.path("D/n b.mp3"),
                        tree.path("D/n.b.mp3"), tree.path("D/Track10.mp3"), tree.path("D/Track9.mp3")}));
}

#ifndef _WIN32
TEST(DirectoryListing, NamesDifferingOnlyInCaseComeInByteOrder) {
    TempTree tree;
    tree.file("D/same.mp3");
    tree.file("D/Same.mp3");
    tree.file("D/SAME.mp3");
    tree.file("D/sub/x.mp3");
    tree.file("D/Sub/y.mp3");
    EXPECT_EQ(List(tree.path("D"), true),
              (FileList{tree.path("D/SAME.mp3"), tree.path("D/Same.mp3"), tree.path("D/same.mp3"),
                        tree.path("D/Sub/y.mp3"), tree.path("D/sub/x.mp3")}));
}
#endif

TEST(DirectoryListing, GivesFullPathsWhateverTheSpellingOfTheDirectory) {
    TempTree tree;
    tree.file("D/a.mp3");
    tree.file("D/s/b.mp3");
    const FileList expected{tree.path("D/a.mp3"), tree.path("D/s/b.mp3")};
    const std::string sep(1, PathSeparator);
    EXPECT_EQ(List(tree.path("D"), true), expected);
    EXPECT_EQ(List(tree.path("D") + sep, true), expected);
    EXPECT_EQ(List(tree.path("D") + sep + "s" + sep + ".." + sep + ".", true), expected);

    // A relative directory is resolved against the current directory.
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(tree.path("D"));
    const std::string here = std::filesystem::current_path().string();
    FileList relative = List("s", false);
    FileList dot = List(".", false);
    std::filesystem::current_path(previous);
    EXPECT_EQ(relative, FileList{here + sep + "s" + sep + "b.mp3"});
    EXPECT_EQ(dot, FileList{here + sep + "a.mp3"});
}

TEST(DirectoryListing, EmptyOrMissingDirectoryGivesNothing) {
    TempTree tree;
    InjectingFileSystem fileSystem;
    RecordingSink sink;
    FileList list{"kept"};
    ListAudioFiles("", true, "*.mp?", list, sink, fileSystem);
    EXPECT_EQ(list, FileList{"kept"});
    EXPECT_EQ(fileSystem.listings, 0);
    EXPECT_EQ(sink.pumps, 1);

    ListAudioFiles(tree.path("missing"), true, "*.mp?", list, sink, fileSystem);
    EXPECT_EQ(list, FileList{"kept"});
    tree.dir("empty");
    ListAudioFiles(tree.path("empty"), true, "*.mp?", list, sink, fileSystem);
    EXPECT_EQ(list, FileList{"kept"});
    EXPECT_TRUE(sink.log.lines().empty());
}

TEST(DirectoryListing, PatternPreselectsBeforeTheExtensionRule) {
    TempTree tree;
    tree.file("D/alpha.mp3");
    tree.file("D/beta.MP2");
    tree.file("D/alpha.txt");
    RecordingSink sink;
    FileList list;
    ListAudioFiles(tree.path("D"), false, "A*", list, sink);
    EXPECT_EQ(list, FileList{tree.path("D/alpha.mp3")});
    list.clear();
    ListAudioFiles(tree.path("D"), false, "*.*", list, sink);
    EXPECT_EQ(list, (FileList{tree.path("D/alpha.mp3"), tree.path("D/beta.MP2")}));
}

TEST(DirectoryListing, PumpsOncePerDirectoryAndStopsAtCancel) {
    TempTree tree;
    tree.file("D/top.mp3");
    tree.file("D/a/a.mp3");
    tree.file("D/b/b.mp3");
    tree.file("D/b/inner/i.mp3");
    tree.file("D/c/c.mp3");

    RecordingSink all;
    EXPECT_EQ(List(tree.path("D"), true, all).size(), 5u);
    EXPECT_EQ(all.pumps, 5);

    // Cancel at the second directory: only the first one's files are kept.
    RecordingSink second;
    second.cancelAfterPumps = 2;
    EXPECT_EQ(List(tree.path("D"), true, second), FileList{tree.path("D/top.mp3")});
    EXPECT_EQ(second.pumps, 2);
    EXPECT_TRUE(second.cancelRequested());  // the caller clears it, not the listing

    RecordingSink fourth;
    fourth.cancelAfterPumps = 4;
    EXPECT_EQ(List(tree.path("D"), true, fourth),
              (FileList{tree.path("D/top.mp3"), tree.path("D/a/a.mp3"), tree.path("D/b/b.mp3")}));

    // A cancel already pending stops the listing before the first directory.
    RecordingSink first;
    first.cancelAfterPumps = 1;
    EXPECT_TRUE(List(tree.path("D"), true, first).empty());
}

TEST(DirectoryListing, LongDirectoryPumpsWhileReadAndStopsAtCancel) {
    TempTree tree;
    const std::size_t entries = 2 * FileSystem::ListingBatch + 1;
    for (std::size_t i = 0; i < entries; ++i)
        tree.file("D/" + std::to_string(i) + ".mp3");

    RecordingSink all;
    EXPECT_EQ(List(tree.path("D"), false, all).size(), entries);
    EXPECT_EQ(all.pumps, 3);  // before the directory, then after each full batch

    // A cancel in the middle of the reading keeps none of its files.
    RecordingSink middle;
    middle.cancelAfterPumps = 2;
    EXPECT_TRUE(List(tree.path("D"), false, middle).empty());
    EXPECT_EQ(middle.pumps, 2);
}

#ifndef _WIN32
TEST(DirectoryListing, LinkLoopsEndAndEachDirectoryIsListedOnce) {
    TempTree tree;
    tree.file("D/a.mp3");
    tree.file("D/sub/b.mp3");
    std::filesystem::create_directory_symlink(tree.path("D"), tree.path("D/sub/loop"));
    std::filesystem::create_directory_symlink("loop", tree.path("D/sub/again"));
    RecordingSink sink;
    EXPECT_EQ(List(tree.path("D"), true, sink), (FileList{tree.path("D/a.mp3"), tree.path("D/sub/b.mp3")}));
    // Each link not followed is told once, with the folder it leads to.
    const std::string reason = ": the same folder as '" + tree.path("D") + "', listed already (a link)";
    EXPECT_EQ(sink.skipped,
              (std::vector<std::string>{tree.path("D/sub/again") + reason, tree.path("D/sub/loop") + reason}));

    // A link that comes first in the order lists the directory under its own
    // name; the real directory is then not listed a second time.
    std::filesystem::create_directory_symlink(tree.path("D/sub"), tree.path("D/link"));
    EXPECT_EQ(List(tree.path("D"), true), (FileList{tree.path("D/a.mp3"), tree.path("D/link/b.mp3")}));

    // A link to a file is a file; one that leads nowhere counts as a file too.
    std::filesystem::create_symlink(tree.path("D/a.mp3"), tree.path("D/alias.mp3"));
    std::filesystem::create_symlink(tree.path("D/nowhere"), tree.path("D/ghost.mp3"));
    EXPECT_EQ(List(tree.path("D"), false),
              (FileList{tree.path("D/a.mp3"), tree.path("D/alias.mp3"), tree.path("D/ghost.mp3")}));
}

#endif

TEST(DirectoryListing, AFolderThatCannotBeReadIsToldAndTheWalkGoesOn) {
    TempTree tree;
    tree.file("D/a/x.mp3");
    tree.file("D/b/y.mp3");
    tree.file("D/c/z.mp3");
    InjectingFileSystem fs;
    fs.unlistable.insert(tree.path("D/b"));
    RecordingSink sink;
    FileList list;
    ListAudioFiles(tree.path("D"), true, "*.mp?", list, sink, fs);
    EXPECT_EQ(list, (FileList{tree.path("D/a/x.mp3"), tree.path("D/c/z.mp3")}));
    EXPECT_EQ(sink.skipped, (std::vector<std::string>{tree.path("D/b") + ": Permission denied"}));
    EXPECT_TRUE(sink.texts().empty());  // the log says nothing of it
}

TEST(DirectoryListing, DeepTreeKeepsItsOrder) {
    TempTree tree;
    std::string relative = "D";
    FileList expected;
    for (int depth = 0; depth < 60; ++depth) {
        expected.push_back(tree.path(relative + "/f.mp3"));
        tree.file(relative + "/f.mp3");
        tree.file(relative + "/zz/last.mp3");
        relative += "/d";
    }
    FileList list = List(tree.path("D"), true);
    ASSERT_EQ(list.size(), 120u);
    // Each level: its own file, the whole deeper chain, then its "zz".
    EXPECT_EQ(list[0], expected[0]);
    EXPECT_EQ(list[59], expected[59]);
    EXPECT_EQ(list[60], tree.path(relative.substr(0, relative.size() - 2) + "/zz/last.mp3"));
    EXPECT_EQ(list[119], tree.path("D/zz/last.mp3"));
}

}  // namespace
}  // namespace tw
