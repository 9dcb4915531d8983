#include "reports/DirectoryCatalog.h"

#include <array>

#include "analysis/AudioFileInfo.h"
#include "common/Record.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "reports/DirectoryListing.h"

namespace tw {
namespace {

// The texts of a catalog run.
constexpr const char* TitlePrefix = "Catalog of *.mp? files in ";
constexpr const char* CancelledText = "Processing cancelled by user.";
constexpr const char* UnknownText = "Unknown";

struct ColumnTitle {
    const char* row1;
    const char* row2;
    const char* field;  // name in a file record
};

// The two header rows, one entry per column of a data row.
constexpr std::array<ColumnTitle, CatalogColumnCount> ColumnTitles{{
    {"", "Directory", "directory"},                             // 1: path up to its last separator
    {"", "File Name", "file_name"},                             // 2: path after it
    {"", "File Size", "file_size"},                             // 3
    {"Last Modified", "Date/Time", "modified"},                 // 4
    {"Offset to First", "Frame Header", "first_frame_offset"},  // 5
    {"Est.", "Frames", "frames"},                               // 6
    {"Est. Time", "in M:SS", "time"},                           // 7
    {"Est. Time", "in Seconds", "seconds"},                     // 8
    {"MPEG", "Version", "mpeg_version"},                        // 9
    {"", "Layer", "layer"},                                     // 10
    {"", "Bitrate (bps)", "bitrate_bps"},                       // 11
    {"Sample", "Rate (Hz)", "sample_rate_hz"},                  // 12
    {"", "Channel Mode", "channel_mode"},                       // 13
    {"ID3v1", "Tag", "id3v1"},                                  // 14
    {"ID3v1", "Version", "id3v1_version"},                      // 15
    {"ID3v1", "Title", "id3v1_title"},                          // 16
    {"ID3v1", "Artist", "id3v1_artist"},                        // 17
    {"ID3v1", "Album", "id3v1_album"},                          // 18
    {"ID3v1", "Track #", "id3v1_track"},                        // 19
    {"ID3v1", "Year", "id3v1_year"},                            // 20
    {"ID3v1", "Genre", "id3v1_genre"},                          // 21
    {"ID3v1", "Comment", "id3v1_comment"},                      // 22
    {"Leading", "ID3v2 Tag", "id3v2"},                          // 23
    {"ID3v2", "Version", "id3v2_version"},                      // 24
    {"ID3v2", "Length", "id3v2_length"},                        // 25
    {"ID3v2", "Title", "id3v2_title"},                          // 26
    {"ID3v2", "Artist", "id3v2_artist"},                        // 27
    {"ID3v2", "Album", "id3v2_album"},                          // 28
    {"ID3v2", "Track #", "id3v2_track"},                        // 29
    {"ID3v2", "Year", "id3v2_year"},                            // 30
    {"ID3v2", "Genre", "id3v2_genre"},                          // 31
    {"ID3v2", "Comment", "id3v2_comment"},                      // 32
    {"All", "ID3v2 Tags", "id3v2_frames"},                      // 33
    {"Unsync", "Flag", "id3v2_unsync"},                         // 34
    {"Ext. Hdr.", "Flag", "id3v2_extended_header"},             // 35
    {"Exper.", "Flag", "id3v2_experimental"},                   // 36
    {"Footer", "Flag", "id3v2_footer"},                         // 37
}};

// Columns left empty after a "No" in the tag columns.
constexpr std::size_t Id3v1DetailColumns = 8;   // 15..22
constexpr std::size_t Id3v2DetailColumns = 14;  // 24..37

std::string DoneText(std::int32_t total) {
    return FormatText("Done processing.  Cataloged a total of %d files.", total);
}

std::string ScanFailedText(const std::string& path, const std::string& errorText) {
    return "ERROR: " + path + "  -  " + errorText;
}

const char* YesNo(bool value) {
    return value ? "Yes" : "No";
}

const char* TrueFalse(bool value) {
    return value ? "true" : "false";
}

// Joins fields with the delimiter: one between each two, none at the ends.
// With a record, also adds each column to it as a named field, its value
// typed and its text the one in the row.
class Row {
public:
    explicit Row(char delimiter, Record* record = nullptr) : delimiter_(delimiter), record_(record) {}

    Row& add(const std::string& field) {
        if (record_ != nullptr)
            record_->add(ColumnTitles[fields_].field, field, field);
        return append(field);
    }
    Row& add(const std::string& field, Value value) {
        if (record_ != nullptr)
            record_->add(ColumnTitles[fields_].field, std::move(value), field);
        return append(field);
    }
    // Numbers as they show: "65,672" in the row, 65672 in the record.
    Row& addNumber(std::int32_t number) { return add(FormatThousands(number), number); }
    // The text "Unknown" is null in the record.
    Row& addUnknown() { return add(UnknownText, nullptr); }
    Row& addEmpty(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            add("", nullptr);
        return *this;
    }
    // A field of the record only, not a column of the row.
    Row& extra(const char* name, Value value) {
        if (record_ != nullptr)
            record_->add(name, std::move(value));
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    Row& append(const std::string& field) {
        if (fields_++ > 0)
            text_ += delimiter_;
        text_ += field;
        return *this;
    }

    char delimiter_;
    Record* record_;
    std::size_t fields_ = 0;
    std::string text_;
};

}  // namespace

std::vector<CatalogColumn> CatalogColumns() {
    std::vector<CatalogColumn> columns;
    for (const ColumnTitle& title : ColumnTitles) {
        std::string heading = title.row1;
        if (!heading.empty())
            heading += ' ';
        heading += title.row2;
        columns.push_back({title.field, heading});
    }
    return columns;
}

namespace {

std::string HeaderRow(char delimiter, bool first) {
    Row row(delimiter);
    for (const ColumnTitle& title : ColumnTitles)
        row.add(first ? title.row1 : title.row2);
    return row.text();
}

std::string LayerText(const FrameHeader& header) {
    int layer = header.layerNumber();
    return layer == 0 ? std::string("Reserved") : std::to_string(layer);
}

std::string BitrateText(const AudioFileInfo& info) {
    if (info.hasXingHeader())
        return "VBR (Xing)";
    if (info.hasVbriHeader())
        return "VBR (VBRI)";
    return info.firstHeader().bitrateBpsText();
}

Value VbrHeaderValue(const AudioFileInfo& info) {
    if (info.hasXingHeader())
        return "Xing";
    if (info.hasVbriHeader())
        return "VBRI";
    return nullptr;
}

// "TIT2 (45);  TPE1 (59)" as [{"id":"TIT2","size":45}, ...].
Value FrameListValue(const std::string& list) {
    std::vector<Value> frames;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(";  ", start);
        if (end == std::string::npos)
            end = list.size();
        std::string entry = list.substr(start, end - start);
        std::size_t open = entry.find(" (");
        Record frame;
        frame.add("id", entry.substr(0, open));
        frame.add("size", open == std::string::npos ? Value() : Value(ParseThousands(entry.substr(open + 2))));
        frames.push_back(frame.toValue());
        start = end + 3;
    }
    return frames;
}

std::string DataRow(char delimiter, const std::string& path, const AudioFileInfo& info, Record* record) {
    std::string name = FileNameOf(path);
    Row row(delimiter, record);
    row.add(path.substr(0, path.size() - name.size()))
        .add(name)
        .addNumber(info.fileSize())
        .add(info.modifiedText())
        .addNumber(info.firstFrameOffset());
    if (info.frameCount() == -1)
        row.addUnknown();
    else
        row.addNumber(info.frameCount());

    if (info.estimatedSeconds() == -1.0) {
        row.addUnknown().addUnknown();
    } else {
        // One rounded value for both columns; minutes never wrap into hours.
        std::int32_t seconds = RoundToInt(info.estimatedSeconds());
        row.add(FormatText("0:%02d:%02d", seconds / 60, seconds % 60)).addNumber(seconds);
    }

    const FrameHeader& header = info.firstHeader();
    const bool bitrateKnown = !info.hasVbrHeader() && header.isBitrateKnown();
    row.add(header.versionText())
        .add(LayerText(header), header.layerNumber() == 0 ? Value() : Value(header.layerNumber()))
        .add(BitrateText(info), bitrateKnown ? Value(header.bitrate()) : Value())
        .extra("vbr", VbrHeaderValue(info))
        .add(header.sampleRateText(), header.isSampleRateKnown() ? Value(header.sampleRate()) : Value())
        .add(header.channelModeText());

    const Id3v1Tag& v1 = info.id3v1();
    row.add(YesNo(info.hasId3v1()), info.hasId3v1());
    if (info.hasId3v1()) {
        row.add(FormatText("1.%d", v1.isVersion11())).add(v1.title()).add(v1.artist()).add(v1.album());
        if (v1.isVersion11() == 1)
            row.add(FormatText("%d", v1.track()), v1.track());
        else
            row.add("", nullptr);
        row.add(v1.year()).add(v1.genre()).add(v1.comment());
    } else {
        row.addEmpty(Id3v1DetailColumns);
    }

    const Id3v2Tag& v2 = info.id3v2();
    row.add(YesNo(info.hasId3v2()), info.hasId3v2());
    if (info.hasId3v2()) {
        row.add(FormatText("%d.%d", v2.majorVersion(), v2.revision()))
            .addNumber(v2.totalLength())
            .add(v2.title())
            .add(v2.artist())
            .add(v2.album())
            .add(v2.track())
            .add(v2.year())
            .add(v2.genre())
            .add(v2.comment());
        const std::string list = v2.frameList();
        row.add(list, record != nullptr ? FrameListValue(list) : Value())
            .add(TrueFalse(v2.isUnsynchronised()), v2.isUnsynchronised())
            .add(TrueFalse(v2.hasExtendedHeader()), v2.hasExtendedHeader())
            .add(TrueFalse(v2.isExperimental()), v2.isExperimental())
            .add(TrueFalse(v2.hasFooter()), v2.hasFooter());
    } else {
        row.addEmpty(Id3v2DetailColumns);
    }
    row.extra("error", nullptr);
    return row.text();
}

// A file whose scan failed: its path and the error, every column null.
Record ScanFailedRecord(const std::string& path, const std::string& errorText) {
    std::string name = FileNameOf(path);
    Record record("file");
    record.add("path", path);
    Row row('\t', &record);
    row.add(path.substr(0, path.size() - name.size())).add(name).addEmpty(CatalogColumnCount - 2);
    record.add("error", errorText);
    return record;
}

}  // namespace

DirectoryCatalog::DirectoryCatalog(RunSink& sink, const CatalogOptions& options, const std::string& testDirName)
    : DirectoryCatalog(sink, options, testDirName, SystemFileSystem()) {}

DirectoryCatalog::DirectoryCatalog(RunSink& sink, const CatalogOptions& options, const std::string& testDirName,
                                   FileSystem& fileSystem)
    : sink_(sink), options_(options), testDirName_(testDirName), fileSystem_(fileSystem) {}

DirectoryCatalog::Result DirectoryCatalog::catalogDirectory() {
    Result result;
    RecordSink* records = sink_.records();
    sink_.setStatusText(RetrievingListingStatus);
    FileList files;
    ListAudioFiles(testDirName_, options_.recurseDirs, AudioFilePattern, files, sink_, fileSystem_);

    const char delimiter = options_.delimiter;

    sink_.appendLine(TitlePrefix + testDirName_, NoFile);
    sink_.appendLine("", NoFile);
    sink_.appendLine(HeaderRow(delimiter, true), NoFile);
    sink_.appendLine(HeaderRow(delimiter, false), NoFile);
    sink_.appendLine("", NoFile);

    const auto total = static_cast<std::int32_t>(files.size());
    result.total = total;
    sink_.clearCancelRequest();

    // One record serves every file; each scan fills it anew.
    AudioFileInfo info;
    for (std::int32_t i = 0; i < total; ++i) {
        const std::string& path = files[static_cast<std::size_t>(i)];
        std::int32_t fileIndex = sink_.addFile(path);
        sink_.setStatusText(ProcessingFileStatus(i + 1, total));
        if (info.scan(fileSystem_, path, options_.maxOffset)) {
            if (records != nullptr) {
                Record record("file");
                record.add("path", path);
                sink_.appendLine(DataRow(delimiter, path, info, &record), fileIndex);
                records->record(record);
            } else {
                sink_.appendLine(DataRow(delimiter, path, info, nullptr), fileIndex);
            }
        } else {
            ++result.failedScans;
            sink_.appendLine(ScanFailedText(path, info.errorText()), NoFile);
            if (records != nullptr)
                records->record(ScanFailedRecord(path, info.errorText()));
        }
        ++result.tested;
        sink_.setProgressPercent(RoundToInt((i + 1) * 100.0 / total));
        sink_.pumpPendingMessages();
        if (sink_.cancelRequested())
            break;
    }

    result.cancelled = sink_.cancelRequested();
    sink_.appendLine("", NoFile);
    sink_.appendLine(result.cancelled ? std::string(CancelledText) : DoneText(total), NoFile);
    if (records != nullptr) {
        Record summary("summary");
        summary.add("files", result.tested);
        if (result.cancelled)
            summary.add("files_found", total);
        summary.add("failed_scans", result.failedScans).add("cancelled", result.cancelled);
        records->record(summary);
    }
    sink_.setStatusText("");
    sink_.setProgressPercent(0);
    return result;
}

}  // namespace tw
