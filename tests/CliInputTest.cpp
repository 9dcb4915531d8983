// Nothing a user types loses data, and every mistake gets a clear answer:
// each case runs the built tool over a tree of audio files, a log, settings
// files and folders, and expects its exit status, its line on standard
// error, and every file of the tree as it was, bytes and modification time.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/ByteBuilder.h"
#include "support/CliRunner.h"
#include "support/TempTree.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ByteBuilder;
using test::Cbr128;

struct Case {
    const char* args;      // {name} stands for the quoted path of tree entry `name`
    int status;            // expected exit status
    const char* err;       // expected within standard error; {name} as the path, unquoted
    const char* out = "";  // all of standard output
};

// What the tool must not change: every file's bytes and time, and the set
// of entries.
std::map<std::string, std::pair<std::vector<std::uint8_t>, fs::file_time_type>> Snapshot(const test::TempTree& tree) {
    std::map<std::string, std::pair<std::vector<std::uint8_t>, fs::file_time_type>> shot;
    for (const auto& entry : fs::recursive_directory_iterator(fs::u8path(tree.root()))) {
        const std::string relative = fs::relative(entry.path(), fs::u8path(tree.root())).generic_u8string();
        if (entry.is_regular_file())
            shot[relative] = {tree.read(relative), fs::last_write_time(entry.path())};
        else
            shot[relative] = {{}, {}};
    }
    return shot;
}

// Replaces each {name} in `text` by the path of `name` in the tree.
std::string Expand(const test::TempTree& tree, std::string text, bool quote) {
    std::size_t open;
    while ((open = text.find('{')) != std::string::npos) {
        const std::size_t close = text.find('}', open);
        const std::string path = tree.path(text.substr(open + 1, close - open - 1));
        text.replace(open, close - open + 1, quote ? test::Q(path) : path);
    }
    return text;
}

class CliInput : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.file("lib/b.mp3", ByteBuilder().frames(12, Cbr128).build());
        tree_.file("lib/sub/c.mp2", ByteBuilder().frames(5, Cbr128).build());
        tree_.file("song.bin", ByteBuilder().frames(8, Cbr128).build());  // audio under another name
        tree_.file("old.log", Bytes("old log\r\n"));
        tree_.file("afile.txt", Bytes("text"));
        tree_.file("good.ini", Bytes("[Options]\r\nMax Offset=4000\r\n"));
        tree_.file("warn.ini", Bytes("[Options]\r\nMax Offset=banana\r\nRecurse Dirs=yes\r\nColour=blue\r\n"));
        tree_.file("moveon.ini", Bytes("[Options]\r\nMove Files=true\r\n"));
        tree_.file("binary.ini", Bytes(std::string("[Options]\r\nMax\0Offset=1\r\n", 25)));
        tree_.file("huge.ini", Bytes("[Options]\r\n" + std::string(70000, ';') + "\r\n"));
        tree_.dir("moves");
#ifndef _WIN32
        fs::create_symlink(tree_.path("lib/b.mp3"), tree_.native("link.log"));
#endif
        // Times in the past, so that any write shows.
        for (const auto& entry : fs::recursive_directory_iterator(fs::u8path(tree_.root())))
            if (entry.is_regular_file() && !entry.is_symlink())
                fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(48));
    }

    static test::Bytes Bytes(const std::string& text) {
        return test::Bytes(text.begin(), text.end());
    }

    void Check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            const auto before = Snapshot(tree_);
            const std::string args = Expand(tree_, c.args, true);
            test::CliResult r = test::RunCli(args);
            EXPECT_EQ(r.status, c.status) << args << "\n" << r.err;
            EXPECT_NE(r.err.find(Expand(tree_, c.err, false)), std::string::npos) << args << "\n" << r.err;
            EXPECT_EQ(r.out, c.out) << args;
            EXPECT_TRUE(Snapshot(tree_) == before) << args << ": the tree changed";
        }
    }

    test::TempTree tree_;
};

TEST_F(CliInput, NothingIsWrittenOverAnAudioFileOrAFileTheRunReads) {
    Check({
        {"test-dir --save-log {lib/b.mp3} {lib}", 2, "--save-log '{lib/b.mp3}' names an audio file"},
        {"test-dir --save-log {lib/NEW.Mp1} {lib}", 2, "names an audio file"},
        {"test --save-log {song.bin} {song.bin}", 2, "--save-log '{song.bin}' is a file this run reads"},
        {"catalog --settings {good.ini} --save-log {good.ini} {lib}", 2, "is a file this run reads"},
        {"info --save-log {lib} {lib/b.mp3}", 2, "cannot write the log file '{lib}': "},
        {"test --save-log {missing/x.log} {lib/b.mp3}", 2, "cannot write the log file '{missing/x.log}': "},
#ifndef _WIN32
        // A link is written where it leads: to an audio file, never.
        {"test --save-log {link.log} {song.bin}", 2, "names an audio file"},
#endif
    });
}

TEST_F(CliInput, BadNumbersAndDelimitersAreRefusedUpFront) {
    Check({
        {"test-dir --max-offset -1 {lib}", 2, "option '--max-offset' needs a number of bytes, 0 or more, not '-1'"},
        {"test --max-resync -5 {song.bin}", 2, "option '--max-resync' needs a number of bytes, 0 or more, not '-5'"},
        {"catalog --max-offset banana {lib}", 2, "not 'banana'"},
        {"test --max-resync 1e3 {song.bin}", 2, "not '1e3'"},
        {"info --max-offset 2147483648 {song.bin}", 2, "not '2147483648'"},
        {"catalog --delimiter ';;' {lib}", 2, "option '--delimiter' needs 'tab' or one printable ASCII character"},
        {"catalog --delimiter= {lib}", 2, "not ''"},
        {"catalog --delimiter \xC3\xA9 {lib}", 2, "not '\xC3\xA9'"},
        {"test --format xml {song.bin}", 2, "option '--format' needs log, jsonl or csv, not 'xml'"},
    });
}

TEST_F(CliInput, AnOptionThatDoesNotApplyIsNamed) {
    Check({
        {"test --move-to {moves} {lib/b.mp3}", 2, "--move-to '{moves}' does not apply to 'test' (it is for test-dir)"},
        {"catalog --deep --move-to /nonexistent {lib}", 2, "--deep does not apply to 'catalog'"},
        {"info -r {lib/b.mp3}", 2, "--recurse does not apply to 'info' (it is for test-dir and catalog)"},
        {"test-dir --delimiter , {lib}", 2, "--delimiter ',' does not apply to 'test-dir' (it is for catalog)"},
        {"catalog --report-eof-errors {lib}", 2, "--report-eof-errors does not apply to 'catalog'"},
        {"info --max-resync 5 {song.bin}", 2, "--max-resync '5' does not apply to 'info' (it is for test)"},
        {"test-dir --no-bitrate-summary {lib}", 2, "--no-bitrate-summary does not apply to 'test-dir'"},
        {"test --format csv {song.bin}", 2, "'--format csv' is only for 'catalog'"},
    });
}

TEST_F(CliInput, AMoveFolderMustExistAndLieOutsideTheFolderUnderTest) {
    Check({
        {"test-dir --move-to {lib} {lib}", 2, "--move-to '{lib}' is the folder under test"},
        {"test-dir -r --move-to {lib/sub} {lib}", 2, "--move-to '{lib/sub}' is inside the folder under test"},
        {"test-dir --move-to {nowhere} {lib}", 2, "cannot move files into '{nowhere}': "},
        {"test-dir --move-to {afile.txt} {lib}", 2, "cannot move files into '{afile.txt}': "},
        {"test-dir --settings {moveon.ini} {lib}", 2, "'Move Files' is on in the settings file"},
    });
}

TEST_F(CliInput, EveryPathErrorNamesThePathAndTheReason) {
    // Where the log has its own line, it stays, and so does the status.
    Check({
        {"test {missing.mp3}", 1, "cannot open '{missing.mp3}': ", "Error: Unable to open file.\n"},
        {"test {lib}", 1, "cannot open '{lib}': Is a directory", "Error: Unable to open file.\n"},
        {"test-dir {missing}", 2, "cannot read the folder '{missing}': "},
        {"catalog {lib/b.mp3}", 2, "cannot read the folder '{lib/b.mp3}': "},
        {"test --settings {missing.ini} {song.bin}", 2, "cannot use the settings file '{missing.ini}': "},
    });
#ifndef _WIN32
    Check({{"test {missing.mp3}", 1, "cannot open '{missing.mp3}': No such file or directory\n",
            "Error: Unable to open file.\n"}});
#endif
}

TEST_F(CliInput, ASettingsFileThatIsNoneIsRefusedAndEachOddLineIsNamed) {
    Check({
        {"test --settings {binary.ini} {song.bin}", 2, "'{binary.ini}': it is not text (byte 0x00 at offset 14)"},
        {"test --settings {huge.ini} {song.bin}", 2, "it is 70,013 bytes long; a settings file has at most 65,536"},
        {"", 2, "no command given"},
        {"frobnicate {lib}", 2, "unknown command 'frobnicate'"},
        {"test {song.bin} {lib}", 2, "too many arguments"},
    });
    // The run goes on with what the settings rules make of each value.
    const std::string warn = tree_.path("warn.ini");
    test::CliResult r =
        test::RunCli("catalog --format jsonl --settings " + test::Q(warn) + " " + test::Q(tree_.path("lib")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "tunewarden-cli: " + warn + ":2: 'Max Offset': 'banana' is not a whole number; 5000 is used\n" +
                         "tunewarden-cli: " + warn + ":3: 'Recurse Dirs': 'yes' is not true or false; it reads as " +
                         "false\ntunewarden-cli: " + warn + ":4: 'Colour': unknown key; ignored\n");
    EXPECT_NE(r.out.find("{\"type\":\"summary\",\"files\":1,"), std::string::npos);
}

}  // namespace
}  // namespace tw
