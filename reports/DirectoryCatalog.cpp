#include "reports/DirectoryCatalog.h"

#include <array>

#include "analysis/AudioFileInfo.h"
#include "common/Record.h"
#include "common/RunSink.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "reports/DirectoryListing.h"
#include "reports/FileFacts.h"
#include "tags/TagText.h"

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

// Record fields of no column of the log's row, as the CSV heads them.
struct ExtraColumn {
    const char* field;
    const char* heading;
};
constexpr std::array<ExtraColumn, 5> ExtraColumns{{
    {"duration_seconds", "Duration (s)"},
    {"average_bitrate_bps", "Average Bitrate (bps)"},
    {"channels", "Channels"},
    {"encoder", "Encoder"},
    {"id3v2_disc", "ID3v2 Disc #"},
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
    // A column whose record has a text of its own (tag texts as written,
    // the ISO time): `field` in the row, `text` in the record.
    Row& add(const std::string& field, Value value, const std::string& text) {
        if (record_ != nullptr)
            record_->add(ColumnTitles[fields_].field, std::move(value), text);
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
    Row& extra(const char* name, Value value, const std::string& text) {
        if (record_ != nullptr)
            record_->add(name, std::move(value), text);
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

std::vector<CatalogColumn> CatalogExtraColumns() {
    std::vector<CatalogColumn> columns;
    for (const ExtraColumn& column : ExtraColumns)
        columns.push_back({column.field, column.heading});
    return columns;
}

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

// A tag text: the log's text in the row, as written in the record.
Row& AddTagText(Row& row, const std::string& logText, const TagText& written) {
    return row.add(logText, TagTextValue(written), written.text);
}

std::string DataRow(char delimiter, const std::string& path, const AudioFileInfo& info, const FileFacts& facts,
                    TagTextStyle style, Record* record) {
    std::string name = FileNameOf(path);
    Row row(delimiter, record);
    const std::string modified = record != nullptr ? IsoTime(facts.modifiedTime) : std::string();
    row.add(path.substr(0, path.size() - name.size()))
        .add(name)
        .addNumber(info.fileSize())
        .add(info.modifiedText(), modified, modified)
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
    row.extra("duration_seconds", DurationValue(info, facts));

    const FrameHeader& header = info.firstHeader();
    const bool bitrateKnown = !info.hasVbrHeader() && header.isBitrateKnown();
    row.add(header.versionText())
        .add(LayerText(header), header.layerNumber() == 0 ? Value() : Value(header.layerNumber()))
        .add(BitrateText(info), bitrateKnown ? Value(header.bitrate()) : Value())
        .extra("vbr", VbrHeaderValue(info))
        .extra("average_bitrate_bps", AverageBitrateValue(info, facts))
        .add(header.sampleRateText(), header.isSampleRateKnown() ? Value(header.sampleRate()) : Value())
        .add(header.channelModeText())
        .extra("channels", ChannelsValue(info))
        .extra("encoder", record != nullptr ? EncoderValue(info, facts) : Value());

    const Id3v1Tag& v1 = info.id3v1();
    row.add(YesNo(info.hasId3v1()), info.hasId3v1());
    if (info.hasId3v1()) {
        const LogTagTexts log = Id3v1LogTexts(v1, style);
        const Id3v1Texts& w = v1.asWritten();
        row.add(FormatText("1.%d", v1.isVersion11()))
            .add(log.title, w.title, w.title)
            .add(log.artist, w.artist, w.artist)
            .add(log.album, w.album, w.album);
        if (v1.isVersion11() == 1)
            row.add(FormatText("%d", v1.track()), PositionValue(SetPosition{v1.track(), -1}));
        else
            row.add("", nullptr);
        row.add(log.year, w.year, w.year).add(log.genre).add(log.comment, w.comment, w.comment);
    } else {
        row.addEmpty(Id3v1DetailColumns);
    }

    const Id3v2Tag& v2 = info.id3v2();
    row.add(YesNo(info.hasId3v2()), info.hasId3v2());
    if (info.hasId3v2()) {
        const LogTagTexts log = Id3v2LogTexts(v2, style);
        const Id3v2Texts& w = v2.asWritten();
        row.add(FormatText("%d.%d", v2.majorVersion(), v2.revision())).addNumber(v2.totalLength());
        AddTagText(row, log.title, w.title);
        AddTagText(row, log.artist, w.artist);
        AddTagText(row, log.album, w.album);
        row.add(log.track, PositionValue(w.track), w.track.text)
            .extra("id3v2_disc", PositionValue(w.disc), w.disc.text);
        AddTagText(row, log.year, w.year);
        AddTagText(row, log.genre, w.genre);
        AddTagText(row, log.comment, w.comment);
        const std::string list = v2.frameList();
        row.add(list, record != nullptr ? FrameListValue(list) : Value())
            .add(TrueFalse(v2.isUnsynchronised()), v2.isUnsynchronised())
            .add(TrueFalse(v2.hasExtendedHeader()), v2.hasExtendedHeader())
            .add(TrueFalse(v2.isExperimental()), v2.isExperimental())
            .add(TrueFalse(v2.hasFooter()), v2.hasFooter());
    } else {
        // Columns 24-29, then 30-37.
        row.addEmpty(6).extra("id3v2_disc", nullptr).addEmpty(Id3v2DetailColumns - 6);
    }
    row.extra("error", nullptr);
    return row.text();
}

// "2,147,483,648": FormatThousands beyond 32 bits, for a file too large to scan.
std::string GroupedDigits(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t i = digits.size(); i > 3 && digits[i - 4] != '-'; i -= 3)
        digits.insert(i - 3, ",");
    return digits;
}

// A file whose scan failed: its path, what is known of the file and the
// error; every other field null.
Record ScanFailedRecord(const std::string& path, const FileFacts& facts, const std::string& errorText) {
    std::string name = FileNameOf(path);
    Record record("file");
    record.add("path", path);
    Row row('\t', &record);
    row.add(path.substr(0, path.size() - name.size())).add(name);
    if (facts.opened) {
        const std::string modified = IsoTime(facts.modifiedTime);
        row.add("", facts.size, GroupedDigits(facts.size)).add("", modified, modified);
    } else {
        row.addEmpty(2);
    }
    // Columns 5-8, 9-11, 12-13, 14-22, 23-29 and 30-37, with the fields of
    // no column where a data row has them.
    row.addEmpty(4).extra("duration_seconds", nullptr);
    row.addEmpty(3).extra("vbr", nullptr).extra("average_bitrate_bps", nullptr);
    row.addEmpty(2).extra("channels", nullptr).extra("encoder", nullptr);
    row.addEmpty(1 + Id3v1DetailColumns).addEmpty(7).extra("id3v2_disc", nullptr).addEmpty(8);
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

    const TagTextStyle style = options_.tagTextAsWritten ? TagTextStyle::AsWritten : TagTextStyle::Blanked;
    // One record serves every file; each scan fills it anew.
    AudioFileInfo info;
    FileFacts facts;
    for (std::int32_t i = 0; i < total; ++i) {
        const std::string& path = files[static_cast<std::size_t>(i)];
        std::int32_t fileIndex = sink_.addFile(path);
        sink_.setStatusText(ProcessingFileStatus(i + 1, total));
        if (ScanFile(fileSystem_, path, options_.maxOffset, info, records != nullptr ? &facts : nullptr)) {
            if (records != nullptr) {
                Record record("file");
                record.add("path", path);
                sink_.appendLine(DataRow(delimiter, path, info, facts, style, &record), fileIndex);
                records->record(record);
            } else {
                sink_.appendLine(DataRow(delimiter, path, info, facts, style, nullptr), fileIndex);
            }
        } else {
            ++result.failedScans;
            sink_.appendLine(ScanFailedText(path, info.errorText()), NoFile);
            if (records != nullptr)
                records->record(ScanFailedRecord(path, facts, info.errorText()));
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
