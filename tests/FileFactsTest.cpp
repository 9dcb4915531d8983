#include "reports/FileFacts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "analysis/AudioFileInfo.h"
#include "platform/Platform.h"
#include "reports/DirectoryCatalog.h"
#include "reports/FileInfoReport.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempTree.h"

namespace tw {
namespace {

using namespace std::string_literals;
using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;

// A sink that also keeps the records of the run.
class RecordsSink : public test::RecordingSink, private RecordSink {
public:
    RecordSink* records() override { return this; }
    std::vector<Record> kept;

private:
    void record(const Record& record) override { kept.push_back(record); }
};

const Value& FieldOf(const Record& record, const std::string& name) {
    static const Value None;
    const Field* field = record.find(name);
    return field != nullptr ? field->value : None;
}

const Value& FieldOf(const Value& object, const std::string& name) {
    static const Value None;
    for (const Field& f : object.fields())
        if (f.name == name)
            return f.value;
    return None;
}

// One ID3v2.4 frame of encoding 3 or 1 from its raw payload.
Bytes Tag24(const std::vector<std::pair<std::string, std::string>>& frames) {
    ByteBuilder body;
    for (const auto& [id, payload] : frames)
        body.id3v2Frame(id, Bytes(payload.begin(), payload.end()));
    ByteBuilder tag;
    tag.id3v2Header(4, 0, 0, static_cast<std::uint32_t>(body.size())).bytes(body.build());
    return tag.build();
}

// a.mp3: ID3v2.4 (UTF-8 title with a tab, an undecodable UTF-16 artist,
// TDRC, TRCK, TPOS, TSSE) and an ISO-8859-1 ID3v1 tag; b.mp3: 9 bytes.
void WriteFiles(const test::TempTree& tree) {
    ByteBuilder a;
    a.bytes(Tag24({{"TIT2",
                    "\x03"
                    "Gr\xC3\xBC\xC3\x9F"
                    "e\tdir"s},
                   {"TPE1",
                    "\x01\xFF\xFE\x3D\xD8"
                    "A\0"s},
                   {"TDRC",
                    "\x03"
                    "2003-05-17"s},
                   {"TRCK",
                    "\x03"
                    "4/10"s},
                   {"TPOS",
                    "\x03"
                    "1/2"s},
                   {"TSSE",
                    "\x03"
                    "Tagger 1.0"s}}))
        .frames(10, Cbr128)
        .id3v1("Caf\xE9", "", "", "1999", "", 5, 17);
    tree.file("D/a.mp3", a.build());
    tree.file("D/b.mp3", Bytes(9, 0));
}

TEST(TagTextRecords, CatalogRecordsCarryTheTextsAsWrittenAndTheLogKeepsBlanksUnlessAsked) {
    test::TempTree tree;
    WriteFiles(tree);
    for (bool asWritten : {false, true}) {
        RecordsSink sink;
        CatalogOptions options;
        options.tagTextAsWritten = asWritten;
        DirectoryCatalog(sink, options, tree.path("D")).catalogDirectory();
        const std::vector<std::string> texts = sink.texts();
        const std::vector<std::string> row = [&] {
            std::vector<std::string> cells(1);
            for (char c : texts[5]) {
                if (c == '\t')
                    cells.emplace_back();
                else
                    cells.back().push_back(c);
            }
            return cells;
        }();
        ASSERT_EQ(row.size(), CatalogColumnCount) << sink.joined();
        // Title, artist and year of each tag, as the log shows them.
        EXPECT_EQ(row[15], asWritten ? "Caf\xC3\xA9" : "Caf ");
        EXPECT_EQ(row[25], asWritten ? "Gr\xC3\xBC\xC3\x9F"
                                       "e dir"
                                     : "Gr    e dir");
        EXPECT_EQ(row[26], asWritten ? "\xEF\xBF\xBD"
                                       "A"
                                     : "   A");
        EXPECT_EQ(row[29], asWritten ? "2003" : "");

        ASSERT_EQ(sink.kept.size(), 3u);
        const Record& a = sink.kept[0];
        EXPECT_EQ(FieldOf(a, "id3v1_title").asString(), "Caf\xC3\xA9");
        EXPECT_EQ(FieldOf(a, "id3v2_title").asString(),
                  "Gr\xC3\xBC\xC3\x9F"
                  "e\tdir");
        const Value& artist = FieldOf(a, "id3v2_artist");
        EXPECT_EQ(artist.asString(),
                  "\xEF\xBF\xBD"
                  "A");
        ASSERT_TRUE(artist.hasRawBytes());
        EXPECT_EQ(artist.rawBytes(),
                  "\xFF\xFE\x3D\xD8"
                  "A\0"s);
        EXPECT_EQ(FieldOf(a, "id3v2_year").asString(), "2003");
        EXPECT_EQ(FieldOf(FieldOf(a, "id3v2_track"), "total").asInt(), 10);
        EXPECT_EQ(FieldOf(FieldOf(a, "id3v2_disc"), "position").asInt(), 1);
        EXPECT_EQ(FieldOf(FieldOf(a, "id3v1_track"), "position").asInt(), 5);
        EXPECT_TRUE(FieldOf(FieldOf(a, "id3v1_track"), "total").isNull());
        EXPECT_EQ(FieldOf(a, "encoder").asString(), "Tagger 1.0");
        EXPECT_EQ(FieldOf(a, "channels").asInt(), 2);
        EXPECT_EQ(FieldOf(a, "average_bitrate_bps").asInt(), 128000);
        // Ten frames of 417 or 418 bytes at 128 kbit/s: the bytes, not the
        // unpadded estimate, give the time.
        EXPECT_DOUBLE_EQ(FieldOf(a, "duration_seconds").asDouble(), 10 * 417 * 8 / 128000.0);

        // The scan failed, but the file's size and time are known.
        const Record& b = sink.kept[1];
        EXPECT_EQ(FieldOf(b, "error").asString(), "Error: File too short.");
        EXPECT_EQ(FieldOf(b, "file_size").asInt(), 9);
        EXPECT_EQ(FieldOf(b, "modified").asString().size(), 25u);
        for (const char* name : {"frames", "channels", "duration_seconds", "id3v2_disc", "vbr", "encoder"})
            EXPECT_TRUE(FieldOf(b, name).isNull()) << name;
        // Fields in the same order in both.
        ASSERT_EQ(a.fields().size(), b.fields().size());
        for (std::size_t i = 0; i < a.fields().size(); ++i)
            EXPECT_EQ(a.fields()[i].name, b.fields()[i].name);
    }
}

TEST(TagTextRecords, PanesShowTheTextsAsWrittenOnlyWhenAsked) {
    test::TempTree tree;
    WriteFiles(tree);
    AudioFileInfo info;
    FileFacts facts;
    ASSERT_TRUE(ScanFile(SystemFileSystem(), tree.path("D/a.mp3"), 5000, info, &facts));
    EXPECT_EQ(Id3v1InfoText(info),
              "Tag version: 1.1          Track: 5\r\nTitle: Caf \r\nArtist: \r\nAlbum: \r\n"
              "Year: 1999          Genre: Rock\r\nComment: \r\n");
    EXPECT_EQ(Id3v1InfoText(info, TagTextStyle::AsWritten),
              "Tag version: 1.1          Track: 5\r\nTitle: Caf\xC3\xA9\r\nArtist: \r\nAlbum: \r\n"
              "Year: 1999          Genre: Rock\r\nComment: \r\n");
    const std::string pane = Id3v2InfoText(info, TagTextStyle::AsWritten);
    EXPECT_NE(pane.find("Track: 4/10\r\nTitle: Gr\xC3\xBC\xC3\x9F"
                        "e dir\r\n"),
              std::string::npos);
    EXPECT_NE(pane.find("Year: 2003          Genre: \r\n"), std::string::npos);

    const Record r = FileInfoRecord(tree.path("D/a.mp3"), info, true, facts);
    EXPECT_EQ(FieldOf(r, "file_size").asInt(), facts.size);
    EXPECT_EQ(FieldOf(FieldOf(r, "id3v2"), "title").asString(),
              "Gr\xC3\xBC\xC3\x9F"
              "e\tdir");
    EXPECT_EQ(FieldOf(FieldOf(r, "mpeg"), "encoder").asString(), "Tagger 1.0");

    // A file that can't be opened: the scan's own message, nothing known.
    EXPECT_FALSE(ScanFile(SystemFileSystem(), tree.path("D/missing.mp3"), 5000, info, &facts));
    EXPECT_EQ(info.errorText(), "Error: Unable to open file.");
    EXPECT_TRUE(FieldOf(FileInfoRecord("x", info, false, facts), "file_size").isNull());
}

TEST(TagTextRecords, EncoderAndDurationOfRealEncoderFiles) {
    struct Case {
        const char* file;
        const char* encoder;
        double seconds;
    };
    const std::vector<Case> cases = {
        // LAME's Info frame holds no audio: (65,672 - 344 - 128 - 417) bytes at 128 kbit/s.
        {"cbr128-id3v1-id3v2.mp3", "LAME3.100", 64783 * 8 / 128000.0},
        {"vbr-v2-xing-id3v2.mp3", "LAME3.100", 231 * 1152 / 44100.0},  // the Xing header's frames
        {"deep/clean-lame-no-tag.mp3", nullptr, 18495 * 8 / 96000.0},  // lame -t: 59 frames, no Info frame, no name
    };
    for (const Case& c : cases) {
        AudioFileInfo info;
        FileFacts facts;
        ASSERT_TRUE(ScanFile(SystemFileSystem(), std::string(TW_SOURCE_DIR) + "/samples/" + c.file, 5000, info, &facts))
            << c.file;
        const Value encoder = EncoderValue(info, facts);
        if (c.encoder == nullptr)
            EXPECT_TRUE(encoder.isNull()) << c.file;
        else
            EXPECT_EQ(encoder.asString(), c.encoder) << c.file;
        EXPECT_NEAR(DurationValue(info, facts).asDouble(), c.seconds, 1e-9) << c.file;
    }
}

// Runs under TZ=America/New_York too (ctest local_time_new_york).
TEST(LocalTime, IsoTimeGivesTheLocalTimeAndTheOffsetOfThatDate) {
    for (std::int64_t t : {std::int64_t{1142870400}, std::int64_t{1153440000}, std::int64_t{0},
                           std::int64_t{-86400 * 400}, std::int64_t{1700000000}}) {
        const std::string iso = IsoTime(t);
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, oh = 0, om = 0;
        char sign = 0;
        ASSERT_EQ(
            std::sscanf(iso.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &y, &mo, &d, &h, &mi, &s, &sign, &oh, &om), 9)
            << iso;
        const LocalTime local = ToLocalTime(t);
        EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s}),
                  (std::vector<int>{local.year, local.month, local.day, local.hour, local.minute, local.second}));
        // The local time is the instant moved by the offset.
        const std::time_t shifted = static_cast<std::time_t>(t + (sign == '-' ? -1 : 1) * (oh * 3600 + om * 60));
        if (const std::tm* utc = t >= 0 ? std::gmtime(&shifted) : nullptr) {
            EXPECT_EQ((std::vector<int>{utc->tm_year + 1900, utc->tm_mon + 1, utc->tm_mday, utc->tm_hour}),
                      (std::vector<int>{y, mo, d, h}))
                << iso;
        }
    }
    const char* zone = std::getenv("TZ");
    if (zone != nullptr && std::string(zone) == "America/New_York") {
        EXPECT_EQ(IsoTime(1142870400), "2006-03-20T11:00:00-05:00");  // before 2006's change to summer time
        EXPECT_EQ(IsoTime(1153440000), "2006-07-20T20:00:00-04:00");
    }
}

}  // namespace
}  // namespace tw
