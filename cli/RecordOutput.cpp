#include "cli/RecordOutput.h"

#include <string>

#include "cli/JsonWriter.h"

namespace tw::cli {
namespace {

// A cell's text: what the tab-separated row shows, where the record kept it.
std::string CellText(const Field* field) {
    if (field == nullptr)
        return std::string();
    if (field->hasText)
        return field->text;
    const Value& v = field->value;
    switch (v.kind()) {
        case Value::Kind::String:
            return v.asString();
        case Value::Kind::Int:
            return std::to_string(v.asInt());
        case Value::Kind::Bool:
            return v.asBool() ? "true" : "false";
        case Value::Kind::Double:
            return JsonNumber(v.asDouble());
        default:
            return std::string();
    }
}

void WriteRow(std::FILE* out, const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += ',';
        line += CsvField(cells[i]);
    }
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), out);
}

}  // namespace

void JsonLinesOutput::record(const Record& record) {
    std::string line = JsonLine(record);
    std::fwrite(line.data(), 1, line.size(), out_);
}

CsvCatalogOutput::CsvCatalogOutput(std::FILE* out) : out_(out), columns_(CatalogColumns()) {
    std::vector<std::string> headings;
    for (const CatalogColumn& column : columns_)
        headings.push_back(column.heading);
    headings.push_back("Error");
    WriteRow(out_, headings);
}

void CsvCatalogOutput::record(const Record& record) {
    const Field* type = record.find("type");
    if (type == nullptr || type->value.kind() != Value::Kind::String || type->value.asString() != "file")
        return;
    std::vector<std::string> cells;
    for (const CatalogColumn& column : columns_)
        cells.push_back(CellText(record.find(column.field)));
    cells.push_back(CellText(record.find("error")));
    WriteRow(out_, cells);
}

}  // namespace tw::cli
