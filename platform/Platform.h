// The one interface between the portable core and the operating system.
// Everything that differs between POSIX and Windows (files, directories,
// moves, error texts, the executable's path, console details) lives behind
// it; the core never includes a system header of its own. Every path and
// text that crosses it is UTF-8 (on POSIX: the bytes the system uses).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tw {

// A file open for reading only, shared with other processes for reading and
// writing. Reads are positional: no shared file position to get wrong.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;

    // Length in bytes when the file was opened.
    virtual std::int64_t size() const = 0;

    // Last modification, in seconds since 1970-01-01 UTC.
    virtual std::int64_t modifiedTime() const = 0;

    // Copies up to `count` bytes starting at `offset` into `buffer` and gives
    // the number copied. Fewer means end of file or a read error; a negative
    // offset gives 0.
    virtual std::size_t readAt(std::int64_t offset, void* buffer, std::size_t count) = 0;
};

// Broken-down local time of a file's modification.
struct LocalTime {
    int year = 0;    // e.g. 2007
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..60
};

// Which directory an entry really is, for spotting link loops.
struct DirectoryIdentity {
    std::uint64_t device = 0;
    std::uint64_t object = 0;
    bool operator==(const DirectoryIdentity& o) const { return device == o.device && object == o.object; }
    bool operator<(const DirectoryIdentity& o) const {
        return device != o.device ? device < o.device : object < o.object;
    }
};

struct DirectoryEntry {
    std::string name;          // as the system reports it, no path
    bool isDirectory = false;  // entries whose type can't be learnt count as files
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens a regular file for reading (never blocks on a FIFO, never
    // accepts a directory). nullptr on any failure.
    virtual std::unique_ptr<ReadableFile> openForReading(const std::string& path) = 0;

    // True when `path` names a directory that the process may enter.
    virtual bool directoryExists(const std::string& path) = 0;

    // Identity of an existing directory; false when it can't be learnt.
    virtual bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) = 0;

    // Every entry of a directory except "." and "..". False when the
    // directory can't be read (then `entries` is left empty). A directory of
    // many thousand entries takes a while to read: `keepGoing` is asked
    // every ListingBatch entries, and false from it stops the reading
    // (false, `entries` left empty).
    virtual bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                               const std::function<bool()>& keepGoing) = 0;
    static constexpr std::size_t ListingBatch = 512;

    // The absolute form of `path`, lexically (joined with the current
    // directory; "." and ".." resolved), links left as they are.
    virtual std::string absolutePath(const std::string& path) = 0;

    // Moves a file; never replaces an existing `to`. On failure gives false
    // and sets `errorText` to the system's message for the failure.
    virtual bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) = 0;

    // Why openForReading(path) fails, or listDirectory(path) does: the
    // system's text ("No such file or directory", "Permission denied"), for
    // a message that names the path. Empty when nothing is wrong, or when
    // this file system can't say.
    virtual std::string openingProblem(const std::string& path) {
        static_cast<void>(path);
        return std::string();
    }
    virtual std::string listingProblem(const std::string& path) {
        static_cast<void>(path);
        return std::string();
    }
};

// A file system that passes every call to another one: the base of those
// that watch some calls (openings, for progress or messages) and change none.
class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        return inner_.openForReading(path);
    }
    bool directoryExists(const std::string& path) override { return inner_.directoryExists(path); }
    bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) override {
        return inner_.directoryIdentity(path, identity);
    }
    bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>& keepGoing) override {
        return inner_.listDirectory(path, entries, keepGoing);
    }
    std::string absolutePath(const std::string& path) override { return inner_.absolutePath(path); }
    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        return inner_.moveFileNoReplace(from, to, errorText);
    }
    std::string openingProblem(const std::string& path) override { return inner_.openingProblem(path); }
    std::string listingProblem(const std::string& path) override { return inner_.listingProblem(path); }

protected:
    FileSystem& inner() { return inner_; }

private:
    FileSystem& inner_;
};

// The real file system of the machine.
FileSystem& SystemFileSystem();

// Local time of a modification time as given by ReadableFile::modifiedTime.
LocalTime ToLocalTime(std::int64_t secondsSinceEpoch);

// A file written under a temporary name beside its target, which takes the
// target's name only when it is complete. Until then, and when the program
// stops or the write fails, whatever stood at the target stays whole. Every
// file the program writes is written through one of these.
class StagedFile {
public:
    enum class Mode {
        Replace,    // commit replaces an existing target (a saved log, a settings file)
        NoReplace,  // commit fails when the target exists (a copy that must never replace a file)
        // As NoReplace, without waiting for the disk at commit: for a copy
        // whose original stays where it is (a repair), where that wait per
        // file would cost more than the copy itself.
        NewCopy,
    };

    // Without a commit, the temporary file is removed.
    virtual ~StagedFile() = default;

    // Where the bytes go, as they are.
    virtual std::FILE* stream() = 0;

    // The temporary file's path, to read back what was written before the
    // commit (a repair proves its copy there).
    virtual std::string temporaryPath() const = 0;

    // Flushes the bytes to the disk and gives the file the target's name.
    // False, with the temporary file removed and `errorText` set, when a
    // write failed or the target can't take the file.
    virtual bool commit(std::string& errorText) = 0;
};

// Creates the temporary file in the target's folder. A target that is a
// link is written where the link leads. nullptr, with `errorText` set to the
// system's message, when the file can't be created, or when the target
// exists and is not a regular file, may not be written, or (NoReplace)
// exists at all.
std::unique_ptr<StagedFile> CreateStagedFile(const std::string& target, StagedFile::Mode mode, std::string& errorText);

// Creates the folder `path` and every folder above it that is missing.
// False, with `errorText` set to the system's message, when one can't be
// made (an existing folder is no failure).
bool CreateFolders(const std::string& path, std::string& errorText);

// The path with every link resolved where the system can tell (POSIX); the
// path as given when it doesn't exist or can't be resolved.
std::string ResolvedPath(const std::string& path);

// True when both paths exist and name the same file (through links and
// other names, such as hard links or a different letter case).
bool SameExistingFile(const std::string& a, const std::string& b);

// Text in the system's ANSI code page, as UTF-8 (Windows); elsewhere there is
// no such code page and the text comes back as it is.
std::string AnsiToUtf8(const std::string& text);

// Full path of the running executable; empty when unknown.
std::string ExecutablePath();

}  // namespace tw
