// The promise to the user: the tool reads audio files and never writes to
// them. Test File, Test Directory and Catalog Directory, through the built
// command-line tool and through the library, leave every byte, every
// modification time and every folder of a tree as they were; a directory
// test that moves files moves them whole and never replaces a file.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "settings/Settings.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempTree.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

// These run on POSIX systems: the built tool is started through a shell, a
// second file system is looked for at /dev/shm, and one name is raw bytes.
#ifndef _WIN32
namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;
using test::RecordingSink;
using test::TempTree;

// What a tree holds: every entry by its path relative to the root, with its
// type, its modification time and, for a file, its bytes. A folder's time
// changes when anything in it is created, removed or renamed.
struct Entry {
    fs::file_type type = fs::file_type::none;
    fs::file_time_type modified;
    Bytes bytes;
    bool operator==(const Entry& o) const { return type == o.type && modified == o.modified && bytes == o.bytes; }
};
using Snapshot = std::map<std::string, Entry>;

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Snapshot Take(const fs::path& root) {
    Snapshot snapshot;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        Entry entry;
        entry.type = item.symlink_status().type();
        entry.modified = fs::last_write_time(item.path());
        if (entry.type == fs::file_type::regular)
            entry.bytes = ReadAll(item.path());
        snapshot[fs::relative(item.path(), root).string()] = entry;
    }
    return snapshot;
}

// Sets every entry's time well into the past, folders last, so that any
// write would show as a new time.
void Age(const fs::path& root) {
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10);
    std::vector<fs::path> folders;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.is_directory())
            folders.push_back(item.path());
        else
            fs::last_write_time(item.path(), past);
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        fs::last_write_time(*it, past);
    fs::last_write_time(root, past);
}

// The sample library, and files that the samples don't cover: empty, too
// short, no audio, an odd name, and two damaged files of the same name.
void Populate(const TempTree& tree) {
    fs::copy(fs::path(TW_SOURCE_DIR) / "samples", tree.path("lib"), fs::copy_options::recursive);
    tree.file("lib/odd/empty.mp3");
    tree.file("lib/odd/nine.mp2", Bytes(9, 0xFF));
    tree.file("lib/odd/caf\xE9.mp3", ByteBuilder().frames(8, Cbr128).fill(2).build());
    tree.file("lib/odd/junk-between-frames.mp3",
              ByteBuilder().frames(6, Cbr128).text("junk").frames(6, Cbr128).build());
    tree.file("lib/odd/not-audio.mp1", Bytes(5000, 'x'));
}

std::vector<std::string> FilesOf(const Snapshot& snapshot) {
    std::vector<std::string> files;
    for (const auto& [path, entry] : snapshot) {
        if (entry.type == fs::file_type::regular)
            files.push_back(path);
    }
    return files;
}

// How many audio files the listing finds: names ending in .mp1, .mp2 or .mp3.
int AudioFiles(const Snapshot& snapshot) {
    int count = 0;
    for (const std::string& file : FilesOf(snapshot)) {
        std::string ext = fs::path(file).extension().string();
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        count += ext == ".mp1" || ext == ".mp2" || ext == ".mp3" ? 1 : 0;
    }
    return count;
}

// Runs the built tool; gives its standard output and its exit status.
std::pair<std::string, int> RunCli(const std::string& args) {
    std::string out;
    std::FILE* pipe = popen((std::string(TW_CLI_PATH) + " " + args + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return {out, -1};
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int raw = pclose(pipe);
    return {out, WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

TEST(ReadOnlyPromise, TheCommandLineToolChangesNothingWithoutMoves) {
    TempTree tree;
    Populate(tree);
    Age(tree.root());
    const Snapshot before = Take(tree.root());
    const std::vector<std::string> files = FilesOf(before);
    ASSERT_GE(files.size(), 30u);

    for (const std::string& file : files) {
        for (const char* command : {"test", "info"}) {
            auto [out, status] = RunCli(std::string(command) + " " + Quoted(tree.path(file)));
            EXPECT_TRUE(status == 0 || status == 1) << command << " " << file << ": " << status;
            EXPECT_FALSE(out.empty()) << command << " " << file;
        }
    }
    auto [tested, testStatus] = RunCli("test-dir -r --report-eof-errors " + Quoted(tree.path("lib")));
    EXPECT_EQ(testStatus, 1);
    EXPECT_NE(tested.find("Done processing.  Found errors/warnings in "), std::string::npos);
    auto [catalog, catalogStatus] = RunCli("catalog -r " + Quoted(tree.path("lib")));
    EXPECT_EQ(catalogStatus, 1);  // some files of the library fail their scan
    EXPECT_NE(catalog.find("Done processing.  Cataloged a total of " + std::to_string(AudioFiles(before)) + " files."),
              std::string::npos);

    EXPECT_TRUE(Take(tree.root()) == before);
}

TEST(ReadOnlyPromise, MovesArriveWholeAndNeverReplaceAFile) {
    TempTree tree;
    Populate(tree);
    // A file in the move folder with the name of a damaged sample.
    const Bytes clash = ByteBuilder().text("already here").build();
    tree.file("moved/junk-between-frames.mp3", clash);
    Age(tree.root());
    const Snapshot before = Take(tree.path("lib"));
    const Snapshot beforeMoved = Take(tree.path("moved"));

    auto [out, status] = RunCli("test-dir -r --report-eof-errors --move-to " + Quoted(tree.path("moved")) + " " +
                                Quoted(tree.path("lib")));
    EXPECT_EQ(status, 1);
    const Snapshot after = Take(tree.path("lib"));
    const Snapshot afterMoved = Take(tree.path("moved"));

    // The file that was there first is untouched; both of its namesakes in
    // the library stay where they were.
    EXPECT_TRUE(afterMoved.at("junk-between-frames.mp3") == beforeMoved.at("junk-between-frames.mp3"));
    EXPECT_TRUE(after.at("junk-between-frames.mp3") == before.at("junk-between-frames.mp3"));
    EXPECT_TRUE(after.at("odd/junk-between-frames.mp3") == before.at("odd/junk-between-frames.mp3"));

    // Every file is in exactly one place, with its bytes and its time.
    int moved = 0;
    for (const std::string& file : FilesOf(before)) {
        const std::string name = fs::path(file).filename().string();
        const bool stayed = after.count(file) != 0;
        if (stayed) {
            EXPECT_TRUE(after.at(file) == before.at(file)) << file;
            continue;
        }
        ASSERT_EQ(afterMoved.count(name), 1u) << file << " is lost";
        EXPECT_TRUE(afterMoved.at(name).bytes == before.at(file).bytes) << file;
        EXPECT_TRUE(afterMoved.at(name).modified == before.at(file).modified) << file;
        ++moved;
    }
    EXPECT_EQ(FilesOf(after).size() + FilesOf(afterMoved).size(), FilesOf(before).size() + 1);
    EXPECT_GE(moved, 10);
    EXPECT_NE(out.find(std::to_string(moved) + " files moved to directory \""), std::string::npos);
    EXPECT_NE(out.find("ERROR: Fewer files were moved than were found to have errors."), std::string::npos);
}

// A move to another file system is a copy and a removal; the copy must be
// whole and keep the time, as a rename would.
TEST(ReadOnlyPromise, AMoveToAnotherFileSystemKeepsBytesAndTime) {
    TempTree tree;
    struct stat here {};
    struct stat there {};
    const fs::path other = "/dev/shm";
    if (::stat(tree.root().c_str(), &here) != 0 || ::stat(other.c_str(), &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system at " << other;
    const fs::path target = other / ("tw-move-" + fs::path(tree.root()).filename().string());
    fs::create_directories(target);

    const Bytes damaged = ByteBuilder().frames(30, Cbr128).text("junk").frames(30, Cbr128).build();
    tree.file("D/a.mp3", damaged);
    tree.file("D/b.mp3", ByteBuilder().frames(30, Cbr128).build());
    Age(tree.root());
    const Snapshot before = Take(tree.path("D"));

    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = target.string();
    RecordingSink sink;
    DirectoryTest::Result result =
        DirectoryTest(sink, DirectoryTestOptionsOf(settings), tree.path("D")).testDirectory();
    EXPECT_EQ(result.moved, 1);
    EXPECT_FALSE(tree.exists("D/a.mp3"));
    EXPECT_EQ(ReadAll(target / "a.mp3"), damaged);
    EXPECT_TRUE(fs::last_write_time(target / "a.mp3") == before.at("a.mp3").modified);
    EXPECT_TRUE(Take(tree.path("D")).at("b.mp3") == before.at("b.mp3"));
    fs::remove_all(target);
}

TEST(ReadOnlyPromise, TheLibraryRunsChangeNothingWithoutMoves) {
    TempTree tree;
    Populate(tree);
    Age(tree.root());
    const Snapshot before = Take(tree.root());

    int walked = 0;
    for (const std::string& file : FilesOf(before)) {
        AudioFileInfo info;
        if (!info.scan(tree.path(file), 5000))
            continue;
        RecordingSink sink;
        IntegrityTest(sink, IntegrityTestOptions()).testFile(info);
        ++walked;
    }
    EXPECT_GE(walked, 20);

    Settings settings;
    settings.recurseDirs = true;
    settings.ignoreEofErrors = false;
    RecordingSink testSink;
    DirectoryTest::Result result =
        DirectoryTest(testSink, DirectoryTestOptionsOf(settings), tree.path("lib")).testDirectory();
    EXPECT_EQ(result.total, AudioFiles(before));
    RecordingSink catalogSink;
    DirectoryCatalog::Result catalog =
        DirectoryCatalog(catalogSink, CatalogOptionsOf(settings), tree.path("lib")).catalogDirectory();
    EXPECT_EQ(catalog.total, AudioFiles(before));

    EXPECT_TRUE(Take(tree.root()) == before);
}

}  // namespace
}  // namespace tw
#endif
