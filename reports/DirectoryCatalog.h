// Catalog Directory: one 37-field delimited row per audio file of a tree.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

class FileSystem;
class RunSink;

// What a catalog run reads of the settings.
struct CatalogOptions {
    bool recurseDirs = false;
    std::int32_t maxOffset = 5000;
    std::int32_t delimiterCode = 9;  // tab
};

// The delimiter rule: codes outside 32..126 become tab (9).
std::int32_t NormalisedDelimiter(std::int32_t code);

class DirectoryCatalog {
public:
    struct Result {
        std::int32_t total = 0;
        std::int32_t failedScans = 0;
        bool cancelled = false;
    };

    DirectoryCatalog(RunSink& sink, const CatalogOptions& options, const std::string& testDirName);
    DirectoryCatalog(RunSink& sink, const CatalogOptions& options, const std::string& testDirName,
                     FileSystem& fileSystem);
    virtual ~DirectoryCatalog() = default;

    Result catalogDirectory();

private:
    RunSink& sink_;
    CatalogOptions options_;
    std::string testDirName_;
    FileSystem& fileSystem_;
};

}  // namespace tw
