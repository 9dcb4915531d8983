// What the runs do when the file system misbehaves: files that change or
// vanish while they are read, files and folders that can't be read, link
// loops, giant sparse files, odd names, empty files and large folders. In
// every case the run goes on with the next file, writes its usual message
// and loses nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "analysis/IntegrityTest.h"
#include "platform/Platform.h"
#include "reports/DirectoryCatalog.h"
#include "reports/DirectoryTest.h"
#include "settings/Settings.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempTree.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

// The cases are about POSIX file systems: a file deleted while it is open, FIFOs,
// symbolic links, sparse files and names of raw bytes. The Windows build tests
// its platform layer on its own.
#ifndef _WIN32
namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;
using test::Cbr128Bytes;
using test::InjectingFileSystem;
using test::RecordingSink;
using test::TempTree;

const std::string Sep(1, PathSeparator);

Bytes Frames(int count) {
    return ByteBuilder().frames(count, Cbr128).build();
}

// Ten frames, then ten junk bytes, then ten more: a sync error at 50 %.
Bytes Damaged() {
    return ByteBuilder().frames(10, Cbr128).text("JUNK-JUNK!").frames(10, Cbr128).build();
}

// A sink that runs hooks at chosen pumps, as if the user or another program
// did something while the run let the window breathe.
class HookSink : public RecordingSink {
public:
    void pumpPendingMessages() override {
        RecordingSink::pumpPendingMessages();
        auto hook = hooks.find(pumps);
        if (hook != hooks.end())
            hook->second();
    }
    void setStatusText(const std::string& text) override {
        RecordingSink::setStatusText(text);
        auto hook = statusHooks.find(text);
        if (hook != statusHooks.end())
            hook->second();
    }
    std::map<int, std::function<void()>> hooks;
    std::map<std::string, std::function<void()>> statusHooks;
};

// The real file system, except that the folders named here can't be read.
class UnreadableFolders : public InjectingFileSystem {
public:
    bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>& keepGoing) override {
        if (unlistable.count(path) != 0) {
            entries.clear();
            return false;
        }
        return InjectingFileSystem::listDirectory(path, entries, keepGoing);
    }
    std::set<std::string> unlistable;
};

// A real file whose reads fail from some offset on, as on a failing disk.
class FailingFile : public ReadableFile {
public:
    FailingFile(std::unique_ptr<ReadableFile> file, std::int64_t failFrom)
        : file_(std::move(file)), failFrom_(failFrom) {}
    std::int64_t size() const override { return file_->size(); }
    std::int64_t modifiedTime() const override { return file_->modifiedTime(); }
    std::size_t readAt(std::int64_t offset, void* buffer, std::size_t count) override {
        if (offset >= failFrom_)
            return 0;
        const auto allowed = static_cast<std::size_t>(failFrom_ - offset);
        return file_->readAt(offset, buffer, count < allowed ? count : allowed);
    }

private:
    std::unique_ptr<ReadableFile> file_;
    std::int64_t failFrom_;
};

// The real file system, except that reads of the files named here fail
// from the given offset on.
class FailingReads : public InjectingFileSystem {
public:
    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        std::unique_ptr<ReadableFile> file = InjectingFileSystem::openForReading(path);
        auto failing = failFrom.find(path);
        if (!file || failing == failFrom.end())
            return file;
        return std::make_unique<FailingFile>(std::move(file), failing->second);
    }
    std::map<std::string, std::int64_t> failFrom;
};

std::vector<std::string> WalkLines(const std::string& path, std::int32_t maxResync = 2000) {
    AudioFileInfo info;
    EXPECT_TRUE(info.scan(path, 5000)) << info.errorText();
    RecordingSink sink;
    IntegrityTestOptions options;
    options.maxResync = maxResync;
    IntegrityTest(sink, options).testFile(info);
    return sink.texts();
}

DirectoryTest::Result TestDirectory(const Settings& settings, const std::string& dir, RecordingSink& sink,
                                    FileSystem& fileSystem = SystemFileSystem()) {
    return DirectoryTest(sink, DirectoryTestOptionsOf(settings), dir, fileSystem).testDirectory();
}

std::vector<std::string> Catalog(const Settings& settings, const std::string& dir,
                                 FileSystem& fileSystem = SystemFileSystem(), RecordingSink* given = nullptr) {
    RecordingSink own;
    RecordingSink& sink = given != nullptr ? *given : own;
    DirectoryCatalog(sink, CatalogOptionsOf(settings), dir, fileSystem).catalogDirectory();
    return sink.texts();
}

// The catalog's lines after its title and header rows, first field only
// (the directory and name columns joined back into the path) for data rows.
std::vector<std::string> CatalogBody(const std::vector<std::string>& lines) {
    std::vector<std::string> body;
    for (std::size_t i = 5; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            body.push_back(line);
            continue;
        }
        std::size_t second = line.find('\t', tab + 1);
        body.push_back(line.substr(0, tab) + line.substr(tab + 1, second - tab - 1));
    }
    return body;
}

TEST(Faults, AFileThatShrinksOrGrowsAfterTheScan) {
    TempTree tree;
    const std::string path = tree.file("a.mp3", Frames(20));
    AudioFileInfo info;
    ASSERT_TRUE(info.scan(path, 5000));
    const std::vector<std::string> clean = WalkLines(path);

    // Grown: the walk keeps to the audio that the scan measured.
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        const Bytes more = ByteBuilder().frames(3, Cbr128).text("garbage").build();
        out.write(reinterpret_cast<const char*>(more.data()), static_cast<std::streamsize>(more.size()));
    }
    RecordingSink grown;
    IntegrityTest(grown, IntegrityTestOptions()).testFile(info);
    EXPECT_EQ(grown.texts(), clean);

    // Shrunk to 7,000 bytes: the header of frame 18 (at byte 7,090) is gone,
    // and the search for the stream runs into the new end of the file.
    fs::resize_file(path, 7000);
    RecordingSink shrunk;
    IntegrityTest(shrunk, IntegrityTestOptions()).testFile(info);
    EXPECT_EQ(shrunk.texts(),
              (std::vector<std::string>{
                  "Processing: " + path, "",
                  "Error: Sync error reading frame header 18 expected at byte 7,090.  Approx. time: 0:00 (85.0% "
                  "through audio).",
                  "Previous valid frame header located at byte 6,673.", "Resync failed (reached end of file).", "",
                  "Summary: 17 total frames processed (0 padded, 17 unpadded).  Bitrate is constant."}));
    EXPECT_EQ(shrunk.status, "");
    EXPECT_EQ(shrunk.progress, 0);

    // Shrunk below the first frame's end, then removed: the walk reports and
    // ends, it never reads what isn't there.
    fs::resize_file(path, 300);
    RecordingSink cut;
    IntegrityTest(cut, IntegrityTestOptions()).testFile(info);
    EXPECT_EQ(cut.texts()[2],
              "Error: Sync error reading frame header 2 expected at byte 418.  Approx. time: 0:00 "
              "(5.0% through audio).");
    fs::remove(path);
    RecordingSink gone;
    IntegrityTest(gone, IntegrityTestOptions()).testFile(info);
    EXPECT_EQ(gone.texts(), (std::vector<std::string>{"Processing: " + path, "", "Error: Unable to open file."}));
    EXPECT_EQ(gone.status, "File Open Error");
}

TEST(Faults, AFileThatChangesDuringTheDirectoryWalk) {
    TempTree tree;
    // Larger than what the scan reads at once, so that the walk reads on
    // from the disk after the file has shrunk.
    const std::string shrinking = tree.file("D/a.mp3", Frames(200));
    const std::string growing = tree.file("D/b.mp3", Frames(20));
    tree.file("D/c.mp3", Damaged());
    Settings settings;
    settings.ignoreEofErrors = false;
    HookSink sink;
    // a.mp3 shrinks at the first pump of its walk, b.mp3 grows at the first
    // pump of its own, after its scan.
    sink.statusHooks["Processing file 1 of 3"] = [&] {
        sink.hooks[sink.pumps + 1] = [&] { fs::resize_file(shrinking, 50000); };
    };
    sink.statusHooks["Processing file 2 of 3"] = [&] {
        sink.hooks[sink.pumps + 1] = [&] {
            std::ofstream(growing, std::ios::binary | std::ios::app) << "appended while read";
        };
    };
    DirectoryTest::Result result = TestDirectory(settings, tree.path("D"), sink);
    const std::string d = tree.path("D") + Sep;
    // Frame 121 would begin at byte 50,041, past the new end.
    EXPECT_EQ(sink.texts(),
              (std::vector<std::string>{d + "a.mp3  -  Error: First sync error at approx. 0:03 (60% through audio).",
                                        d + "c.mp3  -  Error: First sync error at approx. 0:00 (49% through audio).",
                                        "", "Done processing.  Found errors/warnings in 2 of 3 files tested."}));
    EXPECT_EQ(result.total, 3);
    EXPECT_EQ(result.problems, 2);
    EXPECT_EQ(fs::file_size(shrinking), 50000u);
    EXPECT_EQ(fs::file_size(growing), 20u * Cbr128Bytes + 19u);
}

TEST(Faults, AFileRemovedWhileADirectoryRunIsInProgress) {
    TempTree tree;
    const std::string a = tree.file("D/a.mp3", Damaged());
    tree.file("D/b.mp3", Frames(5));
    const std::string c = tree.file("D/c.mp3", Damaged());
    tree.file("D/d.mp3", Damaged());
    const std::string m = tree.dir("M");
    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = m;
    HookSink sink;
    // While a.mp3 is walked, a.mp3 itself and c.mp3 are deleted. The walk of
    // a.mp3 goes on through its open handle; its move then fails.
    sink.hooks[2] = [&] {
        fs::remove(a);
        fs::remove(c);
    };
    DirectoryTest::Result result = TestDirectory(settings, tree.path("D"), sink);
    const std::string d = tree.path("D") + Sep;
    EXPECT_EQ(sink.texts(),
              (std::vector<std::string>{
                  d + "a.mp3  -  Error: First sync error at approx. 0:00 (49% through audio).",
                  "ERROR: Unable to move file \"" + d + "a.mp3\" to \"" + m + Sep + "a.mp3\"",
                  "Windows error message: No such file or directory", "", d + "c.mp3  -  Error: Unable to  open file.",
                  d + "d.mp3  -  Error: First sync error at approx. 0:00 (49% through audio).", "",
                  "Done processing.  Found errors/warnings in 3 of 4 files tested.",
                  "1 files moved to directory \"" + m + Sep + "\".",
                  "ERROR: Fewer files were moved than were found to have errors.  See previous portion of log for "
                  "details."}));
    EXPECT_EQ(result.moved, 1);
    EXPECT_EQ(tree.read("M/d.mp3"), Damaged());
    EXPECT_EQ(tree.read("D/b.mp3"), Frames(5));

    // The catalog pumps after each file: c.mp3 is deleted after a.mp3's row.
    tree.file("D/a.mp3", Frames(5));
    tree.file("D/c.mp3", Frames(5));
    HookSink catalogSink;
    catalogSink.hooks[2] = [&] { fs::remove(c); };
    std::vector<std::string> lines = Catalog(Settings(), tree.path("D"), SystemFileSystem(), &catalogSink);
    EXPECT_EQ(CatalogBody(lines), (std::vector<std::string>{d + "a.mp3", d + "b.mp3",
                                                            "ERROR: " + d + "c.mp3  -  Error: Unable to open file.", "",
                                                            "Done processing.  Cataloged a total of 3 files."}));
}

TEST(Faults, UnreadableFilesAndFoldersAreReportedOrSkipped) {
    TempTree tree;
    tree.file("D/a.mp3", Frames(5));
    const std::string locked = tree.file("D/locked.mp3", Damaged());
    tree.file("D/sub/hidden.mp3", Damaged());
    tree.file("D/z/bad.mp3", Damaged());
    const std::string m = tree.dir("M");
    UnreadableFolders fileSystem;
    fileSystem.unopenable.insert(locked);
    fileSystem.unlistable.insert(tree.path("D/sub"));
    Settings settings;
    settings.recurseDirs = true;
    settings.moveFiles = true;
    settings.moveFilesPath = m;
    RecordingSink sink;
    DirectoryTest::Result result = TestDirectory(settings, tree.path("D"), sink, fileSystem);
    const std::string d = tree.path("D") + Sep;
    EXPECT_EQ(sink.texts(),
              (std::vector<std::string>{
                  d + "locked.mp3  -  Error: Unable to  open file.",
                  d + "z" + Sep + "bad.mp3  -  Error: First sync error at approx. 0:00 (49% through audio).", "",
                  "Done processing.  Found errors/warnings in 2 of 3 files tested.",
                  "1 files moved to directory \"" + m + Sep + "\".",
                  "ERROR: Fewer files were moved than were found to have errors.  See previous portion of log for "
                  "details."}));
    EXPECT_EQ(result.total, 3);
    EXPECT_TRUE(tree.exists("D/locked.mp3"));
    EXPECT_TRUE(tree.exists("D/sub/hidden.mp3"));
    EXPECT_TRUE(tree.exists("M/bad.mp3"));

    tree.file("D/z/bad.mp3", Damaged());
    EXPECT_EQ(
        CatalogBody(Catalog(settings, tree.path("D"), fileSystem)),
        (std::vector<std::string>{d + "a.mp3", "ERROR: " + d + "locked.mp3  -  Error: Unable to open file.",
                                  d + "z" + Sep + "bad.mp3", "", "Done processing.  Cataloged a total of 3 files."}));
}

TEST(Faults, ReadsThatFailPartWayAreProblemsOfThatFileOnly) {
    TempTree tree;
    const std::string a = tree.file("D/a.mp3", Frames(20));
    tree.file("D/b.mp3", Frames(20));
    FailingReads fileSystem;
    // Frame 13 begins at byte 5,005, beyond what can be read.
    fileSystem.failFrom[a] = 5000;

    AudioFileInfo info;
    ASSERT_TRUE(info.scan(fileSystem, a, 5000));
    RecordingSink walk;
    IntegrityTest(walk, IntegrityTestOptions(), fileSystem).testFile(info);
    EXPECT_EQ(walk.texts()[2],
              "Error: Sync error reading frame header 13 expected at byte 5,005.  Approx. time: "
              "0:00 (60.0% through audio).");

    Settings settings;
    RecordingSink sink;
    TestDirectory(settings, tree.path("D"), sink, fileSystem);
    const std::string d = tree.path("D") + Sep;
    EXPECT_EQ(sink.texts(),
              (std::vector<std::string>{d + "a.mp3  -  Error: First sync error at approx. 0:00 (60% through audio).",
                                        "", "Done processing.  Found errors/warnings in 1 of 2 files tested."}));
}

TEST(Faults, AFolderRemovedWhileTheTreeIsListed) {
    TempTree tree;
    tree.file("D/top.mp3", Damaged());
    tree.file("D/a/x.mp3", Damaged());
    tree.file("D/b/y.mp3", Damaged());
    Settings settings;
    settings.recurseDirs = true;
    HookSink sink;
    // The listing pumps once before each folder: D/a goes just before its turn.
    sink.hooks[2] = [&] { fs::remove_all(tree.path("D/a")); };
    DirectoryTest::Result result = TestDirectory(settings, tree.path("D"), sink);
    EXPECT_EQ(result.total, 2);
    EXPECT_EQ(sink.log.files(),
              (std::vector<std::string>{tree.path("D/top.mp3"), tree.path("D") + Sep + "b" + Sep + "y.mp3"}));
}

TEST(Faults, ThingsThatAreNoRegularFileAreNeverOpened) {
    TempTree tree;
    tree.file("D/a.mp3", Frames(5));
    // A FIFO would block a reader forever; a dangling link leads nowhere.
    ASSERT_EQ(::mkfifo(tree.path("D/fifo.mp3").c_str(), 0644), 0);
    fs::create_symlink(tree.path("D/nowhere.mp3"), tree.path("D/gone.mp3"));
    tree.dir("D/Album.mp3");
    const std::string m = tree.dir("M");
    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = m;
    RecordingSink sink;
    TestDirectory(settings, tree.path("D"), sink);
    const std::string d = tree.path("D") + Sep;
    EXPECT_EQ(sink.texts(),
              (std::vector<std::string>{
                  d + "fifo.mp3  -  Error: Unable to  open file.", d + "gone.mp3  -  Error: Unable to  open file.", "",
                  "Done processing.  Found errors/warnings in 2 of 3 files tested.",
                  "0 files moved to directory \"" + m + Sep + "\".",
                  "ERROR: Fewer files were moved than were found to have errors.  See previous portion of log for "
                  "details."}));
    EXPECT_TRUE(fs::is_fifo(tree.path("D/fifo.mp3")));

    AudioFileInfo info;
    EXPECT_FALSE(info.scan(tree.path("D/fifo.mp3"), 5000));
    EXPECT_EQ(info.errorText(), "Error: Unable to open file.");
    EXPECT_FALSE(info.scan(tree.path("D/Album.mp3"), 5000));
    EXPECT_EQ(info.errorText(), "Error: Unable to open file.");
}

TEST(Faults, SymbolicLinkLoopsEndAndListEachFileOnce) {
    TempTree tree;
    tree.file("D/a.mp3", Frames(5));
    tree.file("D/sub/b.mp3", Damaged());
    tree.file("D/sub/deeper/c.mp3", Frames(5));
    fs::create_directory_symlink(tree.path("D"), tree.path("D/sub/up"));
    fs::create_directory_symlink(".", tree.path("D/self"));
    fs::create_directory_symlink("../..", tree.path("D/sub/deeper/back"));
    Settings settings;
    settings.recurseDirs = true;
    RecordingSink sink;
    DirectoryTest::Result result = TestDirectory(settings, tree.path("D"), sink);
    const std::string d = tree.path("D") + Sep;
    EXPECT_EQ(result.total, 3);
    EXPECT_EQ(sink.log.files(), (std::vector<std::string>{d + "a.mp3", d + "sub" + Sep + "b.mp3",
                                                          d + "sub" + Sep + "deeper" + Sep + "c.mp3"}));
    EXPECT_EQ(sink.texts().back(), "Done processing.  Found errors/warnings in 1 of 3 files tested.");

    EXPECT_EQ(CatalogBody(Catalog(settings, tree.path("D"))).back(), "Done processing.  Cataloged a total of 3 files.");
}

TEST(Faults, FilesOfTwoGibibytesAndMoreAreRefusedAndTheRunGoesOn) {
    TempTree tree;
    constexpr std::uintmax_t TwoGiB = std::uintmax_t{1} << 31;
    // Sparse: ten real frames, then a hole up to the size.
    auto sparse = [&](const std::string& name, std::uintmax_t size) {
        std::string path = tree.file(name, Frames(10));
        fs::resize_file(path, size);
        return path;
    };
    tree.file("D/a.mp3", Frames(5));
    const std::string big = sparse("D/big.mp3", TwoGiB);
    sparse("D/bigger.mp3", TwoGiB + 3 * Cbr128Bytes);
    const std::string edge = sparse("D/edge.mp3", TwoGiB - 1);
    tree.file("D/z.mp3", Damaged());

    AudioFileInfo info;
    EXPECT_FALSE(info.scan(big, 5000));
    EXPECT_EQ(info.errorText(), "Error: File too large.");
    // The largest size that fits is still scanned, and its walk ends in the
    // hole after the tenth frame.
    ASSERT_TRUE(info.scan(edge, 5000));
    EXPECT_EQ(info.fileSize(), 2147483647);
    EXPECT_EQ(info.audioSize(), 2147483647);
    const std::vector<std::string> walk = WalkLines(edge);
    ASSERT_EQ(walk.size(), 7u);
    EXPECT_EQ(walk[2],
              "Error: Sync error reading frame header 11 expected at byte 4,171.  Approx. time: 0:00 (0.0% "
              "through audio).");
    EXPECT_EQ(walk[4], "Resync failed (no matching frame header found within 2,000 bytes).");

    const std::string m = tree.dir("M");
    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = m;
    RecordingSink sink;
    DirectoryTest::Result result = TestDirectory(settings, tree.path("D"), sink);
    const std::string d = tree.path("D") + Sep;
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{
                                d + "big.mp3  -  Error: File too large.", d + "bigger.mp3  -  Error: File too large.",
                                d + "edge.mp3  -  Error: First sync error at approx. 0:00 (0% through audio).",
                                d + "z.mp3  -  Error: First sync error at approx. 0:00 (49% through audio).", "",
                                "Done processing.  Found errors/warnings in 4 of 5 files tested.",
                                "4 files moved to directory \"" + m + Sep + "\"."}));
    EXPECT_EQ(result.moved, 4);
    EXPECT_EQ(fs::file_size(tree.path("M/big.mp3")), TwoGiB);
    EXPECT_EQ(fs::file_size(tree.path("M/bigger.mp3")), TwoGiB + 3 * Cbr128Bytes);

    // The catalog, over the moved files: the giants get their error lines
    // and the rows go on.
    tree.file("M/a.mp3", Frames(5));
    const std::vector<std::string> lines = Catalog(Settings(), m);
    const std::string mm = m + Sep;
    EXPECT_EQ(CatalogBody(lines),
              (std::vector<std::string>{mm + "a.mp3", "ERROR: " + mm + "big.mp3  -  Error: File too large.",
                                        "ERROR: " + mm + "bigger.mp3  -  Error: File too large.", mm + "edge.mp3",
                                        mm + "z.mp3", "", "Done processing.  Cataloged a total of 5 files."}));
    EXPECT_NE(lines[8].find("\t2,147,483,647\t"), std::string::npos);
}

TEST(Faults, PathsWithBytesBeyondAscii) {
    TempTree tree;
    // A UTF-8 folder name and a file name that is no valid UTF-8 at all.
    const std::string folder = "D/M\xC3\xBCsik";
    const std::string odd = "caf\xE9\xFF.mp3";
    const std::string path = tree.file(folder + "/" + odd, Damaged());
    tree.file(folder + "/\xE2\x99\xAB.mp3", Frames(5));
    const std::string m = tree.dir("M\xC3\xA9");

    EXPECT_EQ(WalkLines(path)[0], "Processing: " + path);
    Settings settings;
    settings.recurseDirs = true;
    settings.moveFiles = true;
    settings.moveFilesPath = m;
    RecordingSink sink;
    TestDirectory(settings, tree.path("D"), sink);
    EXPECT_EQ(sink.texts()[0], path + "  -  Error: First sync error at approx. 0:00 (49% through audio).");
    EXPECT_EQ(sink.texts().back(), "1 files moved to directory \"" + m + Sep + "\".");
    EXPECT_EQ(tree.read("M\xC3\xA9/" + odd), Damaged());

    const std::vector<std::string> lines = Catalog(settings, tree.path("D"));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5].substr(0, lines[5].find('\t', lines[5].find('\t') + 1)),
              tree.path(folder) + Sep + "\t\xE2\x99\xAB.mp3");
}

TEST(Faults, EmptyAndNineByteFiles) {
    TempTree tree;
    const std::string empty = tree.file("D/empty.mp3");
    tree.file("D/nine.mp3", Bytes(9, 0xFF));
    tree.file("D/ok.mp3", Frames(5));
    AudioFileInfo info;
    EXPECT_FALSE(info.scan(empty, 5000));
    EXPECT_EQ(info.errorText(), "Error: File too short.");
    EXPECT_EQ(info.fileSize(), 0);

    const std::string m = tree.dir("M");
    Settings settings;
    settings.moveFiles = true;
    settings.moveFilesPath = m;
    RecordingSink sink;
    TestDirectory(settings, tree.path("D"), sink);
    const std::string d = tree.path("D") + Sep;
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{d + "empty.mp3  -  Error: File too short.",
                                                      d + "nine.mp3  -  Error: File too short.", "",
                                                      "Done processing.  Found errors/warnings in 2 of 3 files tested.",
                                                      "2 files moved to directory \"" + m + Sep + "\"."}));
    EXPECT_TRUE(tree.read("M/empty.mp3").empty());
    EXPECT_EQ(tree.read("M/nine.mp3"), Bytes(9, 0xFF));

    tree.file("D/empty.mp3");
    EXPECT_EQ(CatalogBody(Catalog(Settings(), tree.path("D"))),
              (std::vector<std::string>{"ERROR: " + d + "empty.mp3  -  Error: File too short.", d + "ok.mp3", "",
                                        "Done processing.  Cataloged a total of 2 files."}));
}

TEST(Faults, AFolderOfTenThousandFiles) {
    TempTree tree;
    // MPEG-2.5 Layer III, 8 kbit/s, 12,000 Hz, mono: 48-byte frames, so a
    // file of two frames is 96 bytes. Every thousandth has 3 stray bytes.
    const Bytes tiny = ByteBuilder().frames(2, {0xFF, 0xE3, 0x14, 0xC4}).build();
    ASSERT_EQ(tiny.size(), 96u);
    Bytes stray = tiny;
    stray.insert(stray.end(), 3, 0);
    constexpr int Count = 10000;
    for (int i = 0; i < Count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "D/f%05d.mp3", i);
        tree.file(name, i % 1000 == 999 ? stray : tiny);
    }
    Settings settings;
    settings.ignoreEofErrors = false;
    RecordingSink sink;
    DirectoryTest::Result result = TestDirectory(settings, tree.path("D"), sink);
    EXPECT_EQ(result.total, Count);
    EXPECT_EQ(result.problems, 10);
    const std::vector<std::string> texts = sink.texts();
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[0], tree.path("D/f00999.mp3") + "  -  Warning: Last audio frame too long");
    EXPECT_EQ(texts[9], tree.path("D/f09999.mp3") + "  -  Warning: Last audio frame too long");
    EXPECT_EQ(texts[11], "Done processing.  Found errors/warnings in 10 of 10,000 files tested.");
    ASSERT_EQ(sink.log.files().size(), static_cast<std::size_t>(Count));
    EXPECT_EQ(sink.log.files()[1234], tree.path("D/f01234.mp3"));

    const std::vector<std::string> lines = Catalog(Settings(), tree.path("D"));
    ASSERT_EQ(lines.size(), 5u + Count + 2u);
    EXPECT_EQ(lines.back(), "Done processing.  Cataloged a total of 10000 files.");
    EXPECT_EQ(CatalogBody(lines)[Count - 1], tree.path("D/f09999.mp3"));
}

}  // namespace
}  // namespace tw
#endif
