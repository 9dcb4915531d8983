#include "cli/Options.h"

#include <gtest/gtest.h>

#include "cli/CliSink.h"
#include "cli/Errors.h"

#include <cstdio>
#include <functional>
#include <new>
#include <stdexcept>
#include <filesystem>
#include <fstream>

#include "common/Text.h"
#include "platform/Platform.h"
#include "text/Unicode.h"
#include "settings/Settings.h"
#include "support/ByteBuilder.h"
#include "support/CliRunner.h"

namespace tw::cli {
namespace {

std::optional<Invocation> Parse(std::vector<std::string> args, std::string* errorOut = nullptr) {
    std::string error;
    auto inv = ParseCommandLine(args, error);
    if (errorOut != nullptr)
        *errorOut = error;
    return inv;
}

TEST(CliOptions, CommandsPathsAndOptionsInAnyOrder) {
    auto inv = Parse({"--recurse", "catalog", "--max-offset", "1,000", "Music", "--delimiter=,"});
    ASSERT_TRUE(inv);
    EXPECT_EQ(inv->command, Command::Catalog);
    EXPECT_EQ(inv->path, "Music");
    Settings s;
    inv->overrides.applyTo(s);
    EXPECT_TRUE(s.recurseDirs);
    EXPECT_EQ(s.maxOffset, 1000);
    EXPECT_EQ(s.catDelimChar, ',');
    EXPECT_EQ(s.maxResync, 2000);
    EXPECT_TRUE(s.ignoreEofErrors);
    EXPECT_TRUE(s.includeBitrateSummary);
    EXPECT_FALSE(s.moveFiles);

    inv = Parse({"test", "--max-resync=0", "--no-bitrate-summary", "--save-log", "log.txt", "--", "-odd.mp3"});
    ASSERT_TRUE(inv);
    EXPECT_EQ(inv->path, "-odd.mp3");
    EXPECT_EQ(inv->saveLogFile, "log.txt");
    s = Settings();
    inv->overrides.applyTo(s);
    EXPECT_EQ(s.maxResync, 0);
    EXPECT_FALSE(s.includeBitrateSummary);

    inv = Parse({"test-dir", "-r", "--report-eof-errors", "--deep", "--move-to", "/bad", "x"});
    ASSERT_TRUE(inv);
    s = Settings();
    inv->overrides.applyTo(s);
    EXPECT_FALSE(s.ignoreEofErrors);
    EXPECT_TRUE(s.deepCheck);
    EXPECT_TRUE(s.moveFiles);
    EXPECT_EQ(s.moveFilesPath, "/bad");

    EXPECT_EQ(Parse({"--help"})->command, Command::Help);
    EXPECT_EQ(Parse({"catalog", "x", "--version"})->command, Command::Version);
    inv = Parse({"catalog", "--delimiter", "tab", "x"});
    ASSERT_TRUE(inv);
    EXPECT_EQ(*inv->overrides.catDelimChar, 9);
    inv = Parse({"catalog", "--delimiter", " ", "x"});
    ASSERT_TRUE(inv);
    EXPECT_EQ(*inv->overrides.catDelimChar, ' ');
}

TEST(CliOptions, UsageErrorsAreNamed) {
    std::string e;
    EXPECT_FALSE(Parse({}, &e));
    EXPECT_EQ(e, "no command given");
    EXPECT_FALSE(Parse({"check", "x"}, &e));
    EXPECT_EQ(e, "unknown command 'check'");
    EXPECT_FALSE(Parse({"test"}, &e));
    EXPECT_EQ(e, "'test' needs a file");
    EXPECT_FALSE(Parse({"catalog"}, &e));
    EXPECT_EQ(e, "'catalog' needs a folder");
    EXPECT_FALSE(Parse({"test", "a", "b"}, &e));
    EXPECT_FALSE(Parse({"test", "a", "--bogus"}, &e));
    EXPECT_EQ(e, "unknown option '--bogus'");
    EXPECT_FALSE(Parse({"test", "a", "--max-offset"}, &e));
    EXPECT_EQ(e, "option '--max-offset' needs a value");
    EXPECT_FALSE(Parse({"test", "a", "--max-offset", "12x"}, &e));
    EXPECT_FALSE(Parse({"test", "a", "--max-offset", "2147483648"}, &e));
    EXPECT_TRUE(Parse({"test", "a", "--max-offset", "2147483647"}, &e));
    EXPECT_FALSE(Parse({"test", "a", "--max-offset", "-2147483648"}, &e));
    EXPECT_EQ(e, "option '--max-offset' needs a number of bytes, 0 or more, not '-2147483648'");
    EXPECT_FALSE(Parse({"catalog", "a", "--delimiter", ";;"}, &e));
    // A byte outside ASCII would give a negative code, which the catalog
    // would turn into a tab without a word.
    EXPECT_FALSE(Parse({"catalog", "a", "--delimiter", "\xE9"}, &e));
    EXPECT_FALSE(Parse({"catalog", "a", "--delimiter", "\n"}, &e));
    EXPECT_EQ(e, "option '--delimiter' needs 'tab' or one printable ASCII character (space to ~), not '\\x0A'");
    EXPECT_FALSE(Parse({"test", "a", "--move-to", "d"}, &e));
    EXPECT_EQ(e, "--move-to 'd' does not apply to 'test' (it is for test-dir)");
    EXPECT_FALSE(Parse({"-r", "info", "a"}, &e));
    EXPECT_EQ(e, "--recurse does not apply to 'info' (it is for test-dir and catalog)");
    EXPECT_FALSE(Parse({"test", "a", "--recurse=yes"}, &e));
    EXPECT_FALSE(Parse({"test", ""}, &e));

    EXPECT_EQ(Parse({"catalog", "x"})->format, OutputFormat::Log);
    EXPECT_EQ(Parse({"catalog", "--format=csv", "x"})->format, OutputFormat::Csv);
    EXPECT_EQ(Parse({"test-dir", "--format", "jsonl", "x"})->format, OutputFormat::Jsonl);
    EXPECT_EQ(Parse({"info", "--format", "jsonl", "--format", "log", "x"})->format, OutputFormat::Log);
    EXPECT_FALSE(Parse({"catalog", "--format", "json", "x"}, &e));
    EXPECT_EQ(e, "option '--format' needs log, jsonl or csv, not 'json'");
    EXPECT_FALSE(Parse({"test-dir", "--format", "csv", "x"}, &e));
    EXPECT_EQ(e, "'--format csv' is only for 'catalog'");
    EXPECT_FALSE(Parse({"info", "x", "--format"}, &e));
}

TEST(CliOptions, TagTextOverridesTheSettingEitherWay) {
    for (const auto& [value, asWritten] : {std::pair<const char*, bool>{"utf8", true}, {"blank", false}}) {
        auto inv = Parse({"info", "--tag-text", value, "x"});
        ASSERT_TRUE(inv);
        Settings s;
        s.tagTextAsWritten = !asWritten;  // as a settings file may have it
        inv->overrides.applyTo(s);
        EXPECT_EQ(s.tagTextAsWritten, asWritten) << value;
    }
    Settings untouched;
    Parse({"info", "x"})->overrides.applyTo(untouched);
    EXPECT_FALSE(untouched.tagTextAsWritten);
    std::string e;
    EXPECT_FALSE(Parse({"info", "--tag-text", "latin1", "x"}, &e));
    EXPECT_EQ(e, "option '--tag-text' needs utf8 or blank, not 'latin1'");
}

TEST(CliErrors, AnExceptionThatEscapesTheRunIsToldAndGivesStatus2) {
    const struct {
        std::function<int()> body;
        const char* err;
    } cases[] = {
        {[]() -> int { throw std::bad_alloc(); }, "tunewarden-cli: out of memory; the run stopped\n"},
        {[]() -> int { throw std::runtime_error("disk on fire"); },
         "tunewarden-cli: unexpected error: disk on fire; the run stopped\n"},
        {[]() -> int { throw 42; }, "tunewarden-cli: unexpected error; the run stopped\n"},
        {[] { return 1; }, ""},
    };
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        const int status = RunReportingExceptions(c.body);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.err);
        EXPECT_EQ(status, *c.err == '\0' ? 1 : 2);
    }
}

TEST(CliProgress, LinesShowRateAndTimeLeftOnceEstimableAndFitTheWidth) {
    ProgressView dir;
    dir.status = "Processing file 251 of 1,000";
    dir.fileNumber = 251;
    dir.fileTotal = 1000;
    dir.seconds = 0.2;
    dir.bytesDone = 1000000;
    dir.columns = 80;
    EXPECT_EQ(ProgressLine(dir), "250/1,000 files  [#######.......................]  25%");
    dir.seconds = 10.0;
    EXPECT_EQ(ProgressLine(dir), "250/1,000 files  [#######.......................]  25%  0.1 MB/s  0:30 left");
    dir.columns = 40;
    std::string narrow = ProgressLine(dir);
    EXPECT_EQ(narrow.size(), 39u);
    EXPECT_EQ(narrow.substr(0, 17), "250/1,000 files  ");

    ProgressView one;
    one.status = "Processing...";
    one.percent = 40;
    one.seconds = 2.0;
    one.bytesDone = 200 * 1000 * 1000;
    EXPECT_EQ(ProgressLine(one), "Processing...  [############..................]  40%  100.0 MB/s  0:03 left");
    one.percent = 0;
    EXPECT_EQ(ProgressLine(one), "Processing...");
    one.columns = 3;
    EXPECT_EQ(ProgressLine(one), "Pr");
}

using test::CliResult;
using test::Q;
using test::RunCli;

class CliRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tw-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / std::filesystem::u8path(name)).u8string(); }
    std::string write(const std::string& name, const test::Bytes& bytes) {
        std::string path = this->path(name);
        std::ofstream(std::filesystem::u8path(path), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(CliRun, TestWritesTheLogAndExitsByWhatItFound) {
    std::string clean = write("clean.mp3", test::ByteBuilder().frames(10, test::Cbr128).build());
    CliResult r = RunCli("test " + Q(clean));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Processing: " + clean +
                         "\n\nNo errors found.\nSummary: 10 total frames processed (0 padded, 10 unpadded).  "
                         "Bitrate is constant.\n");

    std::string junk =
        write("junk.mp3", test::ByteBuilder().frames(3, test::Cbr128).fill(10, 0x55).frames(7, test::Cbr128).build());
    r = RunCli("test --max-resync 0 " + Q(junk));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\nResync failed (no matching frame header found within 0 bytes).\n"), std::string::npos);

    std::string empty = write("empty.mp3", {});
    r = RunCli("test " + Q(empty));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: File too short.\n");

    r = RunCli("test " + Q(path("missing.mp3")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: Unable to open file.\n");
}

TEST_F(CliRun, InfoPrintsThePanesAndSavesTheLogWithCrLf) {
    std::string file =
        write("a.mp3", test::ByteBuilder().frames(5, test::Cbr128).id3v1("T", "A", "B", "1999", "C", 3, 17).build());
    std::string log = path("log.txt");
    CliResult r = RunCli("info --save-log " + Q(log) + " " + Q(file));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 37), "MPEG Info\nFile size: 2,213 bytes\nOffs");
    EXPECT_NE(r.out.find("\nID3v1 Tag Info\nTag version: 1.1          Track: 3\nTitle: T\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nLeading ID3v2 Tag Info\nNo tag found\n"), std::string::npos);
    std::ifstream in(log, std::ios::binary);
    std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string expected;
    for (std::size_t start = 0; start < r.out.size();) {
        std::size_t end = r.out.find('\n', start);
        expected += r.out.substr(start, end - start) + "\r\n";
        start = end + 1;
    }
    EXPECT_EQ(saved, expected);

    std::string bad = write("bad.mp3", test::Bytes(100, 0));
    r = RunCli("info " + Q(bad));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "MPEG Info\nID3v1 Tag Info\nNo tag found\nLeading ID3v2 Tag Info\nNo tag found\n"
              "Error: Can't locate first valid frame header within 5,000 bytes of beginning of file.\n");
}

TEST_F(CliRun, UsageErrorsAndUnstartableRunsExitWith2) {
    EXPECT_EQ(RunCli("").status, 2);
    EXPECT_EQ(RunCli("frobnicate x").status, 2);
    EXPECT_EQ(RunCli("test-dir " + Q(path("nowhere"))).status, 2);
    CliResult help = RunCli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.substr(0, 40), "Usage: tunewarden-cli COMMAND [OPTIONS] ");
    CliResult moved = RunCli("test-dir --move-to " + Q(path("nowhere")) + " " + Q(dir_.u8string()));
    EXPECT_EQ(moved.status, 2);
    EXPECT_EQ(moved.out, "");
}

TEST_F(CliRun, ASavedLogReplacesTheOldOneOnlyWhole) {
    std::string file = write("a.mp3", test::ByteBuilder().frames(5, test::Cbr128).build());
    std::string log = write("run.log", {'o', 'l', 'd'});
    CliResult r = RunCli("test --save-log " + Q(log) + " " + Q(file));
    EXPECT_EQ(r.status, 0);
    std::ifstream in(std::filesystem::u8path(log), std::ios::binary);
    std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved.substr(0, 12), "Processing: ");
    std::size_t entries = 0;
    for (auto it = std::filesystem::directory_iterator(dir_); it != std::filesystem::directory_iterator(); ++it)
        ++entries;
    EXPECT_EQ(entries, 2u);  // no temporary file left beside it
}

#ifndef _WIN32
TEST_F(CliRun, ASkippedFolderIsToldOnStderrAndInJsonLinesAlone) {
    std::filesystem::create_directories(dir_ / "D" / "sub");
    write("D/a.mp3", test::ByteBuilder().frames(5, test::Cbr128).build());
    std::filesystem::create_directory_symlink(dir_ / "D", dir_ / "D" / "sub" / "up");
    const std::string d = path("D");
    const std::string told = "tunewarden-cli: skipped the folder '" + path("D/sub/up") + "': the same folder as '" + d +
                             "', listed already (a link)\n";
    CliResult log = RunCli("test-dir -r " + Q(d));
    EXPECT_EQ(log.status, 0);
    EXPECT_EQ(log.err, told);
    EXPECT_EQ(log.out, "\nDone processing.  Found errors/warnings in 0 of 1 files tested.\n");
    CliResult records = RunCli("catalog -r --format jsonl " + Q(d));
    EXPECT_EQ(records.status, 0);
    EXPECT_EQ(records.err, told);
    EXPECT_NE(records.out.find("{\"type\":\"skipped\",\"path\":\"" + path("D/sub/up") +
                               "\",\"reason\":\"the same folder as '" + d + "', listed already (a link)\"}\n"),
              std::string::npos)
        << records.out;
}
#endif

TEST_F(CliRun, NamesInAnyScriptArriveWholeAndLinesEndInLfAlone) {
    // Japanese, Cyrillic and an emoji outside the BMP.
    std::string file =
        write("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5.mp3", test::ByteBuilder().frames(4, test::Cbr128).build());
    std::string log = path("\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.txt");
    CliResult r = RunCli("test --save-log " + Q(log) + " " + Q(file));
    EXPECT_EQ(r.status, 0);
    const std::string processing = "Processing: " + file;
    EXPECT_EQ(r.out.substr(0, processing.size() + 3), processing + "\n\nN");
    std::ifstream in(std::filesystem::u8path(log), std::ios::binary);
    std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved.substr(0, processing.size() + 4), processing + "\r\n\r\n");

    EXPECT_EQ(RunCli("--version").out, std::string("tunewarden-cli ") + TW_VERSION + "\n");
    EXPECT_EQ(RunCli("--help").out.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace tw::cli
