#include "reports/DirectoryCatalog.h"

#include <gtest/gtest.h>

#include "analysis/AudioFileInfo.h"
#include "settings/Settings.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempTree.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::Cbr128;
using test::RecordingSink;
using test::TempTree;

const std::string HeaderRow1 =
    "\t\t\tLast Modified\tOffset to First\tEst.\tEst. Time\tEst. Time\tMPEG\t\t\tSample\t\t"
    "ID3v1\tID3v1\tID3v1\tID3v1\tID3v1\tID3v1\tID3v1\tID3v1\tID3v1\tLeading\t"
    "ID3v2\tID3v2\tID3v2\tID3v2\tID3v2\tID3v2\tID3v2\tID3v2\tID3v2\tAll\tUnsync\tExt. Hdr.\tExper.\tFooter";
const std::string HeaderRow2 =
    "Directory\tFile Name\tFile Size\tDate/Time\tFrame Header\tFrames\tin M:SS\tin Seconds\tVersion\tLayer\t"
    "Bitrate (bps)\tRate (Hz)\tChannel Mode\tTag\tVersion\tTitle\tArtist\tAlbum\tTrack #\tYear\tGenre\tComment\t"
    "ID3v2 Tag\tVersion\tLength\tTitle\tArtist\tAlbum\tTrack #\tYear\tGenre\tComment\tID3v2 Tags\t"
    "Flag\tFlag\tFlag\tFlag";

std::vector<std::string> Split(const std::string& text, char delimiter) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == delimiter)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::string Modified(const std::string& path) {
    return FormatLocalTime(ToLocalTime(SystemFileSystem().openForReading(path)->modifiedTime()));
}

DirectoryCatalog::Result Catalog(const Settings& settings, const std::string& directory, RecordingSink& sink) {
    DirectoryCatalog catalog(sink, CatalogOptionsOf(settings), directory);
    return catalog.catalogDirectory();
}

// Files in listing order: plain, tagged, unknown, v10, vbri, zbad.
void WriteFiles(const TempTree& tree) {
    tree.file("D/plain.mp3", ByteBuilder().frames(10, Cbr128).build());

    ByteBuilder tagged;
    tagged
        .bytes(test::Id3v2Tag3({{"TIT2", "Title2"},
                                {"TPE1", "Artist2"},
                                {"TALB", "Album2"},
                                {"TRCK", "7/12"},
                                {"TYER", "1999"},
                                {"TCON", "(17)Rock"}}))
        .xingFrame(Cbr128, 36, 1, 142613)
        .frames(9, Cbr128)
        .id3v1("T1", "A1", "B1", "2001", "C1", 7, 17);
    tree.file("D/tagged.mp3", tagged.build());

    tree.file("D/unknown.mp3", ByteBuilder().xingFrame(Cbr128, 36, 0, 0).frames(9, Cbr128).build());

    // ID3v2.4 with a footer, Layer II mono, ID3v1.0 with a genre code
    // without a name.
    ByteBuilder v10;
    v10.id3v2Header(4, 0, 0x10, 12)
        .id3v2TextFrame("TIT2", "X")
        .fill(10)
        .frames(10, {0xFF, 0xFD, 0x90, 0xC4})
        .id3v1("Old", "", "", "1980", "", 0, 200);
    tree.file("D/v10.mp3", v10.build());

    tree.file("D/vbri.mp3", ByteBuilder().vbriFrame(Cbr128, 36, 4000).frames(9, Cbr128).build());
    tree.file("D/zbad.mp3", Bytes(9, 0));
}

std::vector<std::string> Fields(std::initializer_list<std::string> head, std::size_t empties) {
    std::vector<std::string> fields(head);
    fields.insert(fields.end(), empties, "");
    return fields;
}

TEST(DirectoryCatalog, WritesTitleHeaderRowsAndOneRowPerFile) {
    TempTree tree;
    WriteFiles(tree);
    const std::string d = tree.path("D") + PathSeparator;
    Settings settings;
    RecordingSink sink;
    DirectoryCatalog::Result result = Catalog(settings, tree.path("D"), sink);

    std::vector<std::string> texts = sink.texts();
    ASSERT_EQ(texts.size(), 13u);
    EXPECT_EQ(texts[0], "Catalog of *.mp? files in " + tree.path("D"));
    EXPECT_EQ(texts[1], "");
    EXPECT_EQ(texts[2], HeaderRow1);
    EXPECT_EQ(texts[3], HeaderRow2);
    EXPECT_EQ(texts[4], "");
    EXPECT_EQ(texts[11], "");
    EXPECT_EQ(texts[12], "Done processing.  Cataloged a total of 6 files.");

    const std::string empty;
    std::vector<std::string> plain = Fields({d, "plain.mp3", "4,170", Modified(d + "plain.mp3"), "0", "10", "0:00:00",
                                             "0", "1.0", "3", "128,000", "44,100", "Joint Stereo", "No"},
                                            8);
    plain.push_back("No");
    plain.insert(plain.end(), 14, "");
    EXPECT_EQ(Split(texts[5], '\t'), plain);

    EXPECT_EQ(Split(texts[6], '\t'),
              (std::vector<std::string>{d,
                                        "tagged.mp3",
                                        "4,409",
                                        Modified(d + "tagged.mp3"),
                                        "111",
                                        "142,613",
                                        "0:62:05",
                                        "3,725",
                                        "1.0",
                                        "3",
                                        "VBR (Xing)",
                                        "44,100",
                                        "Joint Stereo",
                                        "Yes",
                                        "1.1",
                                        "T1",
                                        "A1",
                                        "B1",
                                        "7",
                                        "2001",
                                        "Rock",
                                        "C1",
                                        "Yes",
                                        "3.0",
                                        "111",
                                        "Title2",
                                        "Artist2",
                                        "Album2",
                                        "7/12",
                                        "1999",
                                        "Rock",
                                        empty,
                                        "TIT2 (17);  TPE1 (18);  TALB (17);  TRCK (15);  TYER (15);  TCON (19)",
                                        "false",
                                        "false",
                                        "false",
                                        "false"}));

    std::vector<std::string> unknown = Split(texts[7], '\t');
    ASSERT_EQ(unknown.size(), 37u);
    EXPECT_EQ(unknown[5], "Unknown");
    EXPECT_EQ(unknown[6], "Unknown");
    EXPECT_EQ(unknown[7], "Unknown");
    EXPECT_EQ(unknown[10], "VBR (Xing)");

    std::vector<std::string> v10 = Split(texts[8], '\t');
    ASSERT_EQ(v10.size(), 37u);
    EXPECT_EQ(v10[4], "32");  // header, body and footer of the ID3v2 tag
    EXPECT_EQ(v10[9], "2");
    EXPECT_EQ(v10[12], "Single Channel (mono)");
    EXPECT_EQ(std::vector<std::string>(v10.begin() + 13, v10.begin() + 22),
              (std::vector<std::string>{"Yes", "1.0", "Old", "", "", "", "1980", "", ""}));
    EXPECT_EQ(std::vector<std::string>(v10.begin() + 22, v10.end()),
              (std::vector<std::string>{"Yes", "4.0", "32", "X", "", "", "", "", "", "", "TIT2 (12)", "false", "false",
                                        "false", "true"}));

    std::vector<std::string> vbri = Split(texts[9], '\t');
    ASSERT_EQ(vbri.size(), 37u);
    EXPECT_EQ(vbri[5], "4,000");
    EXPECT_EQ(vbri[6], "0:01:44");
    EXPECT_EQ(vbri[7], "104");
    EXPECT_EQ(vbri[10], "VBR (VBRI)");

    EXPECT_EQ(texts[10], "ERROR: " + d + "zbad.mp3  -  Error: File too short.");

    // Data rows are tied to their files, everything else to none; every
    // file has its entry, the failing one too.
    const auto& lines = sink.log.lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool dataRow = i >= 5 && i <= 9;
        EXPECT_EQ(lines[i].fileIndex, dataRow ? static_cast<std::int32_t>(i - 5) : NoFile) << i;
    }
    ASSERT_EQ(sink.log.files().size(), 6u);
    EXPECT_EQ(sink.log.files()[5], d + "zbad.mp3");

    EXPECT_EQ(result.total, 6);
    EXPECT_EQ(result.failedScans, 1);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(sink.statusHistory.front(), "Retrieving directory listing...");
    EXPECT_EQ(sink.statusHistory[6], "Processing file 6 of 6");
    EXPECT_EQ(sink.statusHistory.back(), "");
    EXPECT_EQ(sink.progressHistory, (std::vector<std::int32_t>{17, 33, 50, 67, 83, 100, 0}));
    EXPECT_EQ(sink.pumps, 1 + 6);
}

TEST(DirectoryCatalog, CommaDelimiterIsWrittenAsItStands) {
    TempTree tree;
    tree.file("D/plain.mp3", ByteBuilder().frames(10, Cbr128).build());
    const std::string d = tree.path("D") + PathSeparator;
    Settings settings;
    settings.catDelimChar = ',';
    RecordingSink sink;
    Catalog(settings, tree.path("D"), sink);
    std::vector<std::string> texts = sink.texts();
    ASSERT_EQ(texts.size(), 8u);
    std::string row1 = HeaderRow1;
    std::string row2 = HeaderRow2;
    for (std::string* row : {&row1, &row2})
        for (char& c : *row)
            if (c == '\t')
                c = ',';
    EXPECT_EQ(texts[2], row1);
    EXPECT_EQ(texts[3], row2);
    // The thousands separators add fields; nothing is quoted.
    EXPECT_EQ(texts[5], d + ",plain.mp3,4,170," + Modified(d + "plain.mp3") +
                            ",0,10,0:00:00,0,1.0,3,128,000,44,100,Joint Stereo,No,,,,,,,,,No,,,,,,,,,,,,,,");
}

TEST(DirectoryCatalog, DelimiterOutsidePrintableRangeBecomesTab) {
    TempTree tree;
    tree.dir("D");
    for (std::int32_t code : {0, 8, 127, 200, -1}) {
        Settings settings;
        settings.catDelimChar = code;
        RecordingSink sink;
        Catalog(settings, tree.path("D"), sink);
        EXPECT_EQ(sink.texts()[2], HeaderRow1) << code;
    }
    Settings blank;
    blank.catDelimChar = ' ';
    RecordingSink sink;
    Catalog(blank, tree.path("D"), sink);
    EXPECT_EQ(sink.texts()[3].substr(0, 20), "Directory File Name ");
}

TEST(DirectoryCatalog, EmptyDirectoryGivesHeadersAndZeroCount) {
    TempTree tree;
    tree.dir("D");
    const std::string given = tree.path("D") + PathSeparator;  // shown unchanged
    Settings settings;
    RecordingSink sink;
    DirectoryCatalog::Result result = Catalog(settings, given, sink);
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{"Catalog of *.mp? files in " + given, "", HeaderRow1, HeaderRow2,
                                                      "", "", "Done processing.  Cataloged a total of 0 files."}));
    EXPECT_EQ(result.total, 0);
    EXPECT_EQ(sink.statusHistory, (std::vector<std::string>{"Retrieving directory listing...", ""}));
    EXPECT_EQ(sink.progressHistory, std::vector<std::int32_t>{0});
}

TEST(DirectoryCatalog, CancelKeepsTheCurrentFilesLine) {
    TempTree tree;
    WriteFiles(tree);
    Settings settings;
    RecordingSink sink;
    sink.cancelAfterPumps = 2;  // the listing's pump, then the first file's
    DirectoryCatalog::Result result = Catalog(settings, tree.path("D"), sink);
    std::vector<std::string> texts = sink.texts();
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[5].rfind(tree.path("D") + PathSeparator + "\tplain.mp3\t", 0), 0u);
    EXPECT_EQ(texts[6], "");
    EXPECT_EQ(texts[7], "Processing cancelled by user.");
    EXPECT_EQ(sink.progressHistory, (std::vector<std::int32_t>{17, 0}));
    EXPECT_TRUE(result.cancelled);

    // A cancel during the listing only shortens the list.
    tree.file("D/sub/x.mp3", ByteBuilder().frames(3, Cbr128).build());
    Settings recursive;
    recursive.recurseDirs = true;
    RecordingSink early;
    early.cancelAfterPumps = 2;  // at the subdirectory
    result = Catalog(recursive, tree.path("D"), early);
    EXPECT_EQ(early.texts().back(), "Done processing.  Cataloged a total of 6 files.");
    EXPECT_FALSE(result.cancelled);
}

}  // namespace
}  // namespace tw
