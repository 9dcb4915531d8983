// The machine-readable outputs of tunewarden-cli: records written as JSON
// Lines, or the catalog's file records as CSV.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "common/Record.h"
#include "reports/DirectoryCatalog.h"

namespace tw {
class FileSystem;
}

namespace tw::cli {

// The number in every header record. It goes up by one whenever a record
// changes in a way a script could trip over: a field or record type removed
// or renamed, a value of another type or meaning. Added fields and record
// types leave it as it is.
constexpr int RecordSchema = 1;

// The first record of a run: {"type":"header", "tool", "version", "schema",
// "command", "path", "arguments" (as given), "options" (the settings in
// force, a settings file's included)}.
Record HeaderRecord(const Invocation& invocation, const Settings& settings, const std::vector<std::string>& arguments,
                    FileSystem& fileSystem);

// Every record as one JSON object on one line, with the paths of its "path",
// "moved_to" and "move_folder" fields made absolute.
class JsonLinesOutput : public RecordSink {
public:
    JsonLinesOutput(std::FILE* out, FileSystem& fileSystem) : out_(out), fileSystem_(fileSystem) {}
    void record(const Record& record) override;

private:
    std::FILE* out_;
    FileSystem& fileSystem_;
};

// RFC 4180: one header row of the catalog's 37 column headings and "Error",
// then the headings of the fields added since (CatalogExtraColumns), then
// one row per file record (scan failures too), CR LF after each. Other
// records (the summary) are left out.
class CsvCatalogOutput : public RecordSink {
public:
    explicit CsvCatalogOutput(std::FILE* out);
    void record(const Record& record) override;

private:
    std::FILE* out_;
    std::vector<CatalogColumn> columns_;
    std::vector<CatalogColumn> extraColumns_;
};

}  // namespace tw::cli
