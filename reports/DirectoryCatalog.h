// Catalog Directory: one 37-field delimited row per audio file of a tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

class FileSystem;
class RunSink;

// What a catalog run reads of the settings.
struct CatalogOptions {
    bool recurseDirs = false;
    std::int32_t maxOffset = 5000;
    char delimiter = '\t';          // or a printable character, as CatalogOptionsOf gives it
    bool tagTextAsWritten = false;  // the rows' tag texts in UTF-8 instead of blanked
};

constexpr std::size_t CatalogColumnCount = 37;

// A column of the catalog: its field in a file record and its heading (the
// two header rows joined by a blank: "ID3v1 Title"); the headings differ
// from one another.
struct CatalogColumn {
    const char* field;
    std::string heading;
};
std::vector<CatalogColumn> CatalogColumns();

// Fields of a file record that the CSV writes after the 37 columns and the
// error, so that the earlier columns keep their places.
std::vector<CatalogColumn> CatalogExtraColumns();

// With records wanted (RunSink::records()), a run gives one record per file,
// in the order of the rows:
//   {"type":"file", "path", the 37 columns by field name, with "vbr",
//    "average_bitrate_bps", "duration_seconds", "channels", "encoder" and
//    "id3v2_disc" beside their kin, "error"}
// each field's text being the row's text of it, except that the record has
// the tag texts as written and the time in ISO 8601 whatever the log shows;
// a file whose scan failed has its path, "directory", "file_name", the size
// and time when the file could be opened, the other fields null and the
// error text. Then {"type":"summary", "files", "failed_scans", "cancelled"};
// a cancelled run's "files" counts the files catalogued, and "files_found"
// after it the files the listing found.
class DirectoryCatalog {
public:
    struct Result {
        std::int32_t total = 0;   // files found
        std::int32_t tested = 0;  // files catalogued: the total, unless cancelled
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
