// Catalog Directory: one 37-field delimited row per audio file of a tree.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

class FileSystem;
class RunSink;
struct Settings;

class DirectoryCatalog {
public:
    struct Result {
        std::int32_t total = 0;
        std::int32_t failedScans = 0;
        bool cancelled = false;
    };

    DirectoryCatalog(RunSink& sink, const Settings& settings, const std::string& testDirName);
    DirectoryCatalog(RunSink& sink, const Settings& settings, const std::string& testDirName, FileSystem& fileSystem);
    virtual ~DirectoryCatalog() = default;

    Result catalogDirectory();

private:
    RunSink& sink_;
    const Settings& settings_;
    std::string testDirName_;
    FileSystem& fileSystem_;
};

}  // namespace tw
