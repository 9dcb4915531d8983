#include "cli/RecordOutput.h"

#include <string>

#include "cli/JsonWriter.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

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

const char* CommandName(Command command) {
    switch (command) {
        case Command::Test:
            return "test";
        case Command::Info:
            return "info";
        case Command::TestDir:
            return "test-dir";
        case Command::Catalog:
            return "catalog";
        case Command::Repair:
            return "repair";
        default:
            return "";
    }
}

Value AbsoluteOrNull(const std::string& path, FileSystem& fileSystem) {
    return path.empty() ? Value() : Value(fileSystem.absolutePath(path));
}

}  // namespace

Record HeaderRecord(const Invocation& invocation, const Settings& settings, const std::vector<std::string>& arguments,
                    FileSystem& fileSystem) {
    std::vector<Value> given(arguments.begin(), arguments.end());
    Record options;
    options.add("recurse", settings.recurseDirs)
        .add("max_offset", settings.maxOffset)
        .add("max_resync", settings.maxResync)
        .add("bitrate_summary", settings.includeBitrateSummary)
        .add("report_eof_errors", !settings.ignoreEofErrors)
        .add("deep", settings.deepCheck)
        .add("move_to", settings.moveFiles ? AbsoluteOrNull(settings.moveFilesPath, fileSystem) : Value())
        .add("repair_to", settings.repairFiles ? AbsoluteOrNull(settings.repairFilesPath, fileSystem) : Value())
        .add("delimiter", std::string(1, static_cast<char>(NormalisedDelimiter(settings.catDelimChar))))
        .add("tag_text", settings.tagTextAsWritten ? "utf8" : "blank")
        .add("save_log", AbsoluteOrNull(invocation.saveLogFile, fileSystem))
        .add("settings", AbsoluteOrNull(invocation.settingsFile, fileSystem));
    Record header("header");
    header.add("tool", "tunewarden-cli")
        .add("version", TW_VERSION)
        .add("schema", RecordSchema)
        .add("command", CommandName(invocation.command))
        .add("path", fileSystem.absolutePath(invocation.path))
        .add("arguments", std::move(given))
        .add("options", options.toValue());
    return header;
}

void JsonLinesOutput::record(const Record& record) {
    // Scripts get every path absolute, whatever was typed.
    Record absolute = record;
    for (const char* name : {"path", "moved_to", "move_folder", "output", "repair_folder"}) {
        const Field* field = record.find(name);
        if (field != nullptr && field->value.kind() == Value::Kind::String)
            absolute.replace(name, fileSystem_.absolutePath(field->value.asString()));
    }
    std::string line = JsonLine(absolute);
    std::fwrite(line.data(), 1, line.size(), out_);
}

CsvCatalogOutput::CsvCatalogOutput(std::FILE* out)
    : out_(out), columns_(CatalogColumns()), extraColumns_(CatalogExtraColumns()) {
    std::vector<std::string> headings;
    for (const CatalogColumn& column : columns_)
        headings.push_back(column.heading);
    headings.push_back("Error");
    for (const CatalogColumn& column : extraColumns_)
        headings.push_back(column.heading);
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
    for (const CatalogColumn& column : extraColumns_)
        cells.push_back(CellText(record.find(column.field)));
    WriteRow(out_, cells);
}

}  // namespace tw::cli
