#include "reports/DirectoryCatalog.h"

#include <array>

#include "analysis/AudioFileInfo.h"
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
};

// The two header rows, one entry per column of a data row.
constexpr std::array<ColumnTitle, 37> ColumnTitles{{
    {"", "Directory"},                    // 1: path up to its last separator
    {"", "File Name"},                    // 2: path after it
    {"", "File Size"},                    // 3
    {"Last Modified", "Date/Time"},       // 4
    {"Offset to First", "Frame Header"},  // 5
    {"Est.", "Frames"},                   // 6
    {"Est. Time", "in M:SS"},             // 7
    {"Est. Time", "in Seconds"},          // 8
    {"MPEG", "Version"},                  // 9
    {"", "Layer"},                        // 10
    {"", "Bitrate (bps)"},                // 11
    {"Sample", "Rate (Hz)"},              // 12
    {"", "Channel Mode"},                 // 13
    {"ID3v1", "Tag"},                     // 14
    {"ID3v1", "Version"},                 // 15
    {"ID3v1", "Title"},                   // 16
    {"ID3v1", "Artist"},                  // 17
    {"ID3v1", "Album"},                   // 18
    {"ID3v1", "Track #"},                 // 19
    {"ID3v1", "Year"},                    // 20
    {"ID3v1", "Genre"},                   // 21
    {"ID3v1", "Comment"},                 // 22
    {"Leading", "ID3v2 Tag"},             // 23
    {"ID3v2", "Version"},                 // 24
    {"ID3v2", "Length"},                  // 25
    {"ID3v2", "Title"},                   // 26
    {"ID3v2", "Artist"},                  // 27
    {"ID3v2", "Album"},                   // 28
    {"ID3v2", "Track #"},                 // 29
    {"ID3v2", "Year"},                    // 30
    {"ID3v2", "Genre"},                   // 31
    {"ID3v2", "Comment"},                 // 32
    {"All", "ID3v2 Tags"},                // 33
    {"Unsync", "Flag"},                   // 34
    {"Ext. Hdr.", "Flag"},                // 35
    {"Exper.", "Flag"},                   // 36
    {"Footer", "Flag"},                   // 37
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
class Row {
public:
    explicit Row(char delimiter) : delimiter_(delimiter) {}

    Row& add(const std::string& field) {
        if (fields_++ > 0)
            text_ += delimiter_;
        text_ += field;
        return *this;
    }
    Row& addEmpty(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            add("");
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    char delimiter_;
    std::size_t fields_ = 0;
    std::string text_;
};

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

std::string DataRow(char delimiter, const std::string& path, const AudioFileInfo& info) {
    std::string name = FileNameOf(path);
    Row row(delimiter);
    row.add(path.substr(0, path.size() - name.size()))
        .add(name)
        .add(FormatThousands(info.fileSize()))
        .add(info.modifiedText())
        .add(FormatThousands(info.firstFrameOffset()))
        .add(info.frameCount() == -1 ? UnknownText : FormatThousands(info.frameCount()));

    if (info.estimatedSeconds() == -1.0) {
        row.add(UnknownText).add(UnknownText);
    } else {
        // One rounded value for both columns; minutes never wrap into hours.
        std::int32_t seconds = RoundToInt(info.estimatedSeconds());
        row.add(FormatText("0:%02d:%02d", seconds / 60, seconds % 60)).add(FormatThousands(seconds));
    }

    const FrameHeader& header = info.firstHeader();
    row.add(header.versionText())
        .add(LayerText(header))
        .add(BitrateText(info))
        .add(header.sampleRateText())
        .add(header.channelModeText());

    const Id3v1Tag& v1 = info.id3v1();
    row.add(YesNo(info.hasId3v1()));
    if (info.hasId3v1()) {
        row.add(FormatText("1.%d", v1.isVersion11()))
            .add(v1.title())
            .add(v1.artist())
            .add(v1.album())
            .add(v1.isVersion11() == 1 ? FormatText("%d", v1.track()) : std::string())
            .add(v1.year())
            .add(v1.genre())
            .add(v1.comment());
    } else {
        row.addEmpty(Id3v1DetailColumns);
    }

    const Id3v2Tag& v2 = info.id3v2();
    row.add(YesNo(info.hasId3v2()));
    if (info.hasId3v2()) {
        row.add(FormatText("%d.%d", v2.majorVersion(), v2.revision()))
            .add(FormatThousands(v2.totalLength()))
            .add(v2.title())
            .add(v2.artist())
            .add(v2.album())
            .add(v2.track())
            .add(v2.year())
            .add(v2.genre())
            .add(v2.comment())
            .add(v2.frameList())
            .add(TrueFalse(v2.isUnsynchronised()))
            .add(TrueFalse(v2.hasExtendedHeader()))
            .add(TrueFalse(v2.isExperimental()))
            .add(TrueFalse(v2.hasFooter()));
    } else {
        row.addEmpty(Id3v2DetailColumns);
    }
    return row.text();
}

}  // namespace

std::int32_t NormalisedDelimiter(std::int32_t code) {
    return code < 32 || code > 126 ? 9 : code;
}

DirectoryCatalog::DirectoryCatalog(RunSink& sink, const CatalogOptions& options, const std::string& testDirName)
    : DirectoryCatalog(sink, options, testDirName, SystemFileSystem()) {}

DirectoryCatalog::DirectoryCatalog(RunSink& sink, const CatalogOptions& options, const std::string& testDirName,
                                   FileSystem& fileSystem)
    : sink_(sink), options_(options), testDirName_(testDirName), fileSystem_(fileSystem) {}

DirectoryCatalog::Result DirectoryCatalog::catalogDirectory() {
    Result result;
    sink_.setStatusText(RetrievingListingStatus);
    FileList files;
    ListAudioFiles(testDirName_, options_.recurseDirs, AudioFilePattern, files, sink_, fileSystem_);

    // The settings file's load rule, applied here too.
    const char delimiter = static_cast<char>(NormalisedDelimiter(options_.delimiterCode));

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
            sink_.appendLine(DataRow(delimiter, path, info), fileIndex);
        } else {
            ++result.failedScans;
            sink_.appendLine(ScanFailedText(path, info.errorText()), NoFile);
        }
        sink_.setProgressPercent(RoundToInt((i + 1) * 100.0 / total));
        sink_.pumpPendingMessages();
        if (sink_.cancelRequested())
            break;
    }

    result.cancelled = sink_.cancelRequested();
    sink_.appendLine("", NoFile);
    sink_.appendLine(result.cancelled ? std::string(CancelledText) : DoneText(total), NoFile);
    sink_.setStatusText("");
    sink_.setProgressPercent(0);
    return result;
}

}  // namespace tw
