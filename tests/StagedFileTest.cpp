// Files written whole or not at all: the target keeps its old bytes until the
// commit, and nothing is left beside it but the file itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/WriteTarget.h"
#include "platform/Platform.h"
#include "settings/IniFile.h"
#include "common/OutputLog.h"
#include "support/TempTree.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tw {
namespace {

namespace fs = std::filesystem;
using Mode = StagedFile::Mode;

std::string Read(const test::TempTree& tree, const std::string& relative) {
    std::vector<std::uint8_t> bytes = tree.read(relative);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::size_t EntriesIn(const test::TempTree& tree, const std::string& folder) {
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(tree.native(folder)); it != fs::directory_iterator(); ++it)
        ++n;
    return n;
}

void Write(StagedFile& file, const std::string& text) {
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file.stream()), text.size());
}

TEST(StagedFile, ReplacesTheTargetOnlyWhenCommitted) {
    test::TempTree tree;
    tree.file("D/log.txt", Bytes("old"));
    std::string error;
    std::unique_ptr<StagedFile> file = CreateStagedFile(tree.path("D/log.txt"), Mode::Replace, error);
    ASSERT_TRUE(file) << error;
    Write(*file, "new bytes");
    std::fflush(file->stream());
    EXPECT_EQ(Read(tree, "D/log.txt"), "old");
    EXPECT_EQ(EntriesIn(tree, "D"), 2u);  // the target and the hidden temporary file
    ASSERT_TRUE(file->commit(error)) << error;
    EXPECT_EQ(Read(tree, "D/log.txt"), "new bytes");
    EXPECT_EQ(EntriesIn(tree, "D"), 1u);
    EXPECT_FALSE(file->commit(error));  // once only

    // Dropped without a commit (the run stopped): the old file stays whole.
    file = CreateStagedFile(tree.path("D/log.txt"), Mode::Replace, error);
    ASSERT_TRUE(file);
    Write(*file, "half");
    file.reset();
    EXPECT_EQ(Read(tree, "D/log.txt"), "new bytes");
    EXPECT_EQ(EntriesIn(tree, "D"), 1u);

    // A new file appears only with the commit.
    file = CreateStagedFile(tree.path("D/new.txt"), Mode::Replace, error);
    ASSERT_TRUE(file);
    EXPECT_FALSE(tree.exists("D/new.txt"));
    ASSERT_TRUE(file->commit(error));
    EXPECT_EQ(Read(tree, "D/new.txt"), "");
}

TEST(StagedFile, NoReplaceNeverTakesTheNameOfAnExistingFile) {
    test::TempTree tree;
    tree.file("D/there.mp3", Bytes("audio"));
    std::string error;
    EXPECT_FALSE(CreateStagedFile(tree.path("D/there.mp3"), Mode::NoReplace, error));
    EXPECT_FALSE(error.empty());

    // A file that appears at the name while the copy is written wins.
    std::unique_ptr<StagedFile> file = CreateStagedFile(tree.path("D/copy.mp3"), Mode::NoReplace, error);
    ASSERT_TRUE(file) << error;
    Write(*file, "copy");
    tree.file("D/copy.mp3", Bytes("someone else's"));
    error.clear();
    EXPECT_FALSE(file->commit(error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Read(tree, "D/copy.mp3"), "someone else's");
    EXPECT_EQ(EntriesIn(tree, "D"), 2u);

    file = CreateStagedFile(tree.path("D/fresh.mp3"), Mode::NoReplace, error);
    ASSERT_TRUE(file);
    Write(*file, "copy");
    ASSERT_TRUE(file->commit(error)) << error;
    EXPECT_EQ(Read(tree, "D/fresh.mp3"), "copy");
}

TEST(StagedFile, RefusesWhatCanNotBeATarget) {
    test::TempTree tree;
    tree.dir("D/folder");
    for (const std::string& target : {tree.path("D/missing/x.txt"), tree.path("D/folder"), std::string()}) {
        std::string error;
        EXPECT_FALSE(CreateStagedFile(target, Mode::Replace, error)) << target;
        EXPECT_FALSE(error.empty()) << target;
    }
    EXPECT_EQ(EntriesIn(tree, "D"), 1u);
}

#ifndef _WIN32
TEST(StagedFile, ALinkStaysALinkAndAFileKeepsItsPermissions) {
    test::TempTree tree;
    tree.file("D/real.ini", Bytes("old"));
    ASSERT_EQ(::chmod(tree.path("D/real.ini").c_str(), 0640), 0);
    fs::create_symlink("real.ini", tree.native("D/link.ini"));
    std::string error;
    std::unique_ptr<StagedFile> file = CreateStagedFile(tree.path("D/link.ini"), Mode::Replace, error);
    ASSERT_TRUE(file) << error;
    Write(*file, "new");
    ASSERT_TRUE(file->commit(error)) << error;
    EXPECT_TRUE(fs::is_symlink(tree.native("D/link.ini")));
    EXPECT_EQ(Read(tree, "D/real.ini"), "new");
    struct stat st {};
    ASSERT_EQ(::stat(tree.path("D/real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}
#endif

TEST(WriteTarget, AudioFilesAndTheFilesARunReadsAreNeverWritten) {
    test::TempTree tree;
    tree.file("D/song.bin", Bytes("audio under another name"));
    tree.file("D/settings.ini", Bytes("[Options]"));
    const std::vector<std::string> inputs{tree.path("D/song.bin"), tree.path("D/settings.ini")};
    for (const char* name : {"a.mp3", "B.MP3", "c.Mp1", "d.mP2", "new.mp3"})
        EXPECT_EQ(CheckWriteTarget(tree.path(std::string("D/") + name), {}), WriteRefusal::AudioFile) << name;
    for (const char* name : {"a.mp4", "a.mp3.txt", "mp3", "log.txt"})
        EXPECT_EQ(CheckWriteTarget(tree.path(std::string("D/") + name), inputs), WriteRefusal::None) << name;
    EXPECT_EQ(CheckWriteTarget(tree.path("D/song.bin"), inputs), WriteRefusal::InputFile);
    // The same file by another spelling of its path.
    EXPECT_EQ(CheckWriteTarget(tree.path("D/../D/settings.ini"), inputs), WriteRefusal::InputFile);
#ifndef _WIN32
    fs::create_symlink("x.MP3", tree.native("D/log-link.txt"));
    tree.file("D/x.MP3", Bytes("audio"));
    EXPECT_EQ(CheckWriteTarget(tree.path("D/log-link.txt"), {}), WriteRefusal::AudioFile);
#endif
}

TEST(WriteTarget, TheSavedLogAndTheSettingsFileObeyIt) {
    test::TempTree tree;
    tree.file("D/a.mp3", Bytes("audio"));
    tree.file("D/tested.bin", Bytes("audio too"));
    OutputLog log;
    log.addFile(tree.path("D/tested.bin"));
    log.appendLine("a line", 0);
    EXPECT_EQ(log.saveToFile(tree.path("D/a.mp3")), OutputLog::SaveResult::CannotCreate);
    EXPECT_EQ(log.saveToFile(tree.path("D/tested.bin")), OutputLog::SaveResult::CannotCreate);
    IniFile ini;
    ini.setText("[Options]\r\n");
    EXPECT_FALSE(ini.save(tree.path("D/a.mp3")));
    EXPECT_EQ(Read(tree, "D/a.mp3"), "audio");
    EXPECT_EQ(Read(tree, "D/tested.bin"), "audio too");

    ASSERT_EQ(log.saveToFile(tree.path("D/log.txt")), OutputLog::SaveResult::Saved);
    EXPECT_EQ(Read(tree, "D/log.txt"), "a line\r\n");
    EXPECT_EQ(EntriesIn(tree, "D"), 3u);
}

}  // namespace
}  // namespace tw
