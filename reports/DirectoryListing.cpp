#include "reports/DirectoryListing.h"

#include <algorithm>
#include <map>

#include "common/RunSink.h"
#include "common/Text.h"
#include "common/WriteTarget.h"
#include "platform/Platform.h"

namespace tw {
namespace {

unsigned char FoldCase(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

// Wildcard match ignoring letter case: "*" is any run of characters, "?" any
// single character. Linear backtracking to the last "*", so no pattern can
// make it slow.
bool MatchesPattern(const std::string& name, const std::string& pattern) {
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starAt = std::string::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
            continue;
        }
        if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
            continue;
        }
        if (starAt == std::string::npos)
            return false;
        p = starAt + 1;
        n = ++resumeAt;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// Names that differ only in letter case fall back to their bytes, so that
// the order never depends on the order of enumeration.
bool ListingOrder(const std::string& a, const std::string& b) {
    if (LessIgnoringCase(a, b))
        return true;
    if (LessIgnoringCase(b, a))
        return false;
    return a < b;
}

// The absolute form of a directory without its trailing separator, ready to
// have the separator and an entry name appended ("" for the POSIX root, "C:"
// for a drive root).
std::string AbsolutePrefix(FileSystem& fileSystem, const std::string& directory) {
    std::string base = directory;
    if (base.back() != PathSeparator)
        base += PathSeparator;
    std::string absolute = fileSystem.absolutePath(base);
    if (!absolute.empty() && absolute.back() == PathSeparator)
        absolute.pop_back();
    return absolute;
}

// The path by which a directory is opened: a root keeps its separator, since
// "C:" alone names the current directory of drive C.
std::string OpenablePath(const std::string& prefix) {
    if (prefix.empty())
        return std::string(1, PathSeparator);
#ifdef _WIN32
    if (prefix.size() == 2 && prefix[1] == ':')
        return prefix + PathSeparator;
#endif
    return prefix;
}

// Lists one directory: appends its audio files, sorted, and pushes its
// subdirectories (when recursing) so that they come off the stack in sorted
// order. A directory already listed, or one that can't be read, adds nothing
// and is told to the sink as skipped.
void ListOneDirectory(const std::string& prefix, bool recurse, const std::string& pattern, FileList& fileList,
                      FileSystem& fileSystem, std::map<DirectoryIdentity, std::string>& visited,
                      std::vector<std::string>& pending, RunSink& sink) {
    std::string path = OpenablePath(prefix);
    DirectoryIdentity identity;
    if (fileSystem.directoryIdentity(path, identity)) {
        auto listed = visited.emplace(identity, path);
        if (!listed.second) {
            sink.skippedFolder(path, "the same folder as '" + listed.first->second + "', listed already (a link)");
            return;
        }
    }
    std::vector<DirectoryEntry> entries;
    // Messages are let through while a long directory is read, too.
    const auto keepGoing = [&sink] {
        sink.pumpPendingMessages();
        return !sink.cancelRequested();
    };
    if (!fileSystem.listDirectory(path, entries, keepGoing)) {
        if (!sink.cancelRequested()) {
            std::string reason = fileSystem.listingProblem(path);
            sink.skippedFolder(path, reason.empty() ? std::string("it can't be read") : reason);
        }
        return;
    }

    std::vector<std::string> files;
    std::vector<std::string> subdirectories;
    for (const DirectoryEntry& entry : entries) {
        if (entry.isDirectory) {
            if (recurse)
                subdirectories.push_back(entry.name);
            continue;
        }
        if (MatchesPattern(entry.name, pattern) && IsAudioFileName(entry.name))
            files.push_back(entry.name);
    }

    std::sort(files.begin(), files.end(), ListingOrder);
    for (const std::string& name : files)
        fileList.push_back(prefix + PathSeparator + name);

    std::sort(subdirectories.begin(), subdirectories.end(), ListingOrder);
    for (auto it = subdirectories.rbegin(); it != subdirectories.rend(); ++it)
        pending.push_back(prefix + PathSeparator + *it);
}

}  // namespace

std::string ProcessingFileStatus(std::int32_t number, std::int32_t total) {
    return "Processing file " + FormatThousands(number) + " of " + FormatThousands(total);
}

bool ParseProcessingFileStatus(const std::string& text, std::int32_t& number, std::int32_t& total) {
    static const std::string Prefix = "Processing file ";
    static const std::string Middle = " of ";
    if (text.compare(0, Prefix.size(), Prefix) != 0)
        return false;
    std::size_t middle = text.find(Middle, Prefix.size());
    if (middle == std::string::npos)
        return false;
    number = ParseThousands(text.substr(Prefix.size(), middle - Prefix.size()));
    total = ParseThousands(text.substr(middle + Middle.size()));
    return text == ProcessingFileStatus(number, total);
}

void ListAudioFiles(const std::string& directory, bool recurse, const std::string& pattern, FileList& fileList,
                    RunSink& sink) {
    ListAudioFiles(directory, recurse, pattern, fileList, sink, SystemFileSystem());
}

void ListAudioFiles(const std::string& directory, bool recurse, const std::string& pattern, FileList& fileList,
                    RunSink& sink, FileSystem& fileSystem) {
    // Messages are let through once per directory, before it is read, and
    // every so many entries of a long one.
    sink.pumpPendingMessages();
    if (sink.cancelRequested())
        return;
    if (directory.empty())
        return;

    // Depth first with an explicit stack instead of recursion, so that a deep
    // tree cannot exhaust the call stack. Each entry is the absolute path of
    // a directory without its trailing separator.
    std::vector<std::string> pending{AbsolutePrefix(fileSystem, directory)};
    // Directories already listed: a link back up the tree is not followed a
    // second time, so a looping tree ends.
    std::map<DirectoryIdentity, std::string> visited;
    for (;;) {
        std::string prefix = std::move(pending.back());
        pending.pop_back();
        ListOneDirectory(prefix, recurse, pattern, fileList, fileSystem, visited, pending, sink);
        if (pending.empty())
            return;
        sink.pumpPendingMessages();
        if (sink.cancelRequested())
            return;
    }
}

}  // namespace tw
