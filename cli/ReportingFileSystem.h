// A file system that passes every call to another one and tells each file
// that can't be opened, with the system's reason, to a reporter: the log
// keeps its own line for it ("Error: Unable to open file."), and the user
// also learns which path failed and why.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tw::cli {

class ReportingFileSystem final : public FileSystem {
public:
    using Reporter = std::function<void(const std::string& message)>;

    ReportingFileSystem(FileSystem& real, Reporter reporter) : real_(real), reporter_(std::move(reporter)) {}

    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override;
    bool directoryExists(const std::string& path) override { return real_.directoryExists(path); }
    bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) override {
        return real_.directoryIdentity(path, identity);
    }
    bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>& keepGoing) override {
        return real_.listDirectory(path, entries, keepGoing);
    }
    std::string absolutePath(const std::string& path) override { return real_.absolutePath(path); }
    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        return real_.moveFileNoReplace(from, to, errorText);
    }
    std::string openingProblem(const std::string& path) override { return real_.openingProblem(path); }
    std::string listingProblem(const std::string& path) override { return real_.listingProblem(path); }

private:
    FileSystem& real_;
    Reporter reporter_;
};

}  // namespace tw::cli
