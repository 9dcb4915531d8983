// A FileSystem of files held in memory, so that the runs can be tested
// without touching the disk, and failures can be staged on purpose.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/MemoryFile.h"
#include "platform/Platform.h"

namespace tw::test {

class MemoryFileSystem : public FileSystem {
public:
    void addFile(const std::string& path, std::vector<std::uint8_t> bytes) { files[path] = std::move(bytes); }

    std::unique_ptr<ReadableFile> openForReading(const std::string& path) override {
        ++opens;
        auto it = files.find(path);
        if (it == files.end() || unopenable.count(path) != 0)
            return nullptr;
        auto file = std::make_unique<MemoryFile>(it->second, modifiedTime);
        auto size = reportedSizes.find(path);
        if (size != reportedSizes.end())
            file->setReportedSize(size->second);
        return file;
    }
    bool directoryExists(const std::string& path) override { return directories.count(path) != 0; }
    bool directoryIdentity(const std::string& path, DirectoryIdentity& identity) override {
        if (directories.count(path) == 0)
            return false;
        identity.device = 1;
        identity.object = std::hash<std::string>()(path);
        return true;
    }
    bool listDirectory(const std::string&, std::vector<DirectoryEntry>& entries,
                       const std::function<bool()>&) override {
        entries.clear();
        return false;
    }
    std::string absolutePath(const std::string& path) override { return path; }
    bool moveFileNoReplace(const std::string& from, const std::string& to, std::string& errorText) override {
        if (files.count(to) != 0 || files.count(from) == 0) {
            errorText = "File exists";
            return false;
        }
        files[to] = std::move(files[from]);
        files.erase(from);
        return true;
    }

    std::map<std::string, std::vector<std::uint8_t>> files;
    std::map<std::string, std::int64_t> reportedSizes;  // a file that changed size after the scan
    std::set<std::string> unopenable;
    std::set<std::string> directories;
    std::int64_t modifiedTime = 0;
    int opens = 0;
};

}  // namespace tw::test
