// Repair: a mended copy of a damaged file, proven by the checker itself. The
// original is only read. The copy keeps every frame the walk accepts byte
// for byte and leaves out what is not audio (see RepairCopy); then the full
// check (every finding of the walk, and the deep check) runs on the copy,
// and a copy that doesn't pass is thrown away.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/RepairCopy.h"

namespace tw {

class BufferedReader;
class FileSystem;
class ReadableFile;
class RunSink;

// Where a repair puts its copy: bytes that take the target's name only on
// commit, and are thrown away without one.
class RepairTarget {
public:
    virtual ~RepairTarget() = default;
    virtual RepairOutput& output() = 0;
    // The copy as written, to read back for the proof.
    virtual std::unique_ptr<ReadableFile> reopen() = 0;
    virtual bool commit(std::string& errorText) = 0;
};

// Makes the target when there is something to write; nullptr with
// `errorText` set when it can't be made.
using RepairTargetMaker = std::function<std::unique_ptr<RepairTarget>(std::string& errorText)>;

// A target on disk: a temporary file beside `path`, which takes that name
// only on commit and never replaces a file; read back through `fileSystem`.
std::unique_ptr<RepairTarget> StagedRepairTarget(FileSystem& fileSystem, const std::string& path,
                                                 std::string& errorText);

// What the full check says of one file: its problems (the log's "Error:" and
// "Warning:" lines) and their kinds (event names, and the deep check's codes).
struct FileCheck {
    std::string scanError;  // the scan failed: nothing else was checked
    std::vector<std::string> problems;
    std::vector<std::string> kinds;
    std::vector<std::string> verified;  // what the deep check proved ("music_crc", ...)
    bool cancelled = false;

    bool has(const char* kind) const;
};

FileCheck CheckFile(BufferedReader& reader, const std::string& path, std::int32_t maxOffset, RunSink* sink);

struct RepairResult {
    enum class Outcome {
        Repaired,       // the copy was written, passed the check and took its name
        NotNeeded,      // the check found nothing to mend: nothing written
        NotRepairable,  // nothing written; `reason` says why
        Failed,         // the copy couldn't be written or named; `reason` says why
        Cancelled,
    };
    Outcome outcome = Outcome::NotRepairable;
    std::string reason;
    std::vector<std::string> problems;  // what the check found in the original
    RepairCopy copy;

    bool repaired() const { return outcome == Outcome::Repaired; }
};

// Checks the file at `path` and, when a copy can mend what the check finds,
// writes the copy through `makeTarget`, checks it, and commits it.
RepairResult RepairFile(FileSystem& fileSystem, const std::string& path, const RepairTargetMaker& makeTarget,
                        std::int32_t maxOffset, RunSink* sink);

}  // namespace tw
