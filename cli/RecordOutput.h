// The machine-readable outputs of tunewarden-cli: records written as JSON
// Lines, or the catalog's file records as CSV.
#pragma once

#include <cstdio>
#include <vector>

#include "reports/DirectoryCatalog.h"

#include "common/Record.h"

namespace tw::cli {

// Every record as one JSON object on one line.
class JsonLinesOutput : public RecordSink {
public:
    explicit JsonLinesOutput(std::FILE* out) : out_(out) {}
    void record(const Record& record) override;

private:
    std::FILE* out_;
};

// RFC 4180: one header row of the catalog's 37 column headings and "Error",
// then one row per file record (scan failures too), CR LF after each. Other
// records (the summary) are left out.
class CsvCatalogOutput : public RecordSink {
public:
    explicit CsvCatalogOutput(std::FILE* out);
    void record(const Record& record) override;

private:
    std::FILE* out_;
    std::vector<CatalogColumn> columns_;
};

}  // namespace tw::cli
