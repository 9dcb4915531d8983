// Writes the seed corpora of the fuzz targets:
//   tw_fuzz_seeds SAMPLES_DIR OUT_DIR
// OUT_DIR/audio (scan, walk, first problem), OUT_DIR/frame_header,
// OUT_DIR/frame_crc, OUT_DIR/id3v1, OUT_DIR/id3v2, OUT_DIR/frame_text and
// OUT_DIR/trailing_tags, each from the sample library (cut to a few KiB) and
// from small files built in code. Nothing is committed: the corpora are made
// afresh for every fuzzing run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "analysis/FrameHeader.h"
#include "tags/Id3v2Tag.h"
#include "tests/support/ByteBuilder.h"

namespace fs = std::filesystem;
using tw::test::ByteBuilder;
using tw::test::Bytes;
using tw::test::Cbr128;

namespace {

// Larger samples keep their head and their last 128 bytes (an ID3v1 tag).
constexpr std::size_t SampleHead = 12 * 1024;
constexpr std::size_t SampleLimit = 16 * 1024;
constexpr std::size_t TagTail = 128;
constexpr std::size_t TrailingTail = 2048;
constexpr std::size_t Id3v2SeedLimit = 4096;

// The same, mono.
const std::initializer_list<std::uint8_t> Mono128{0xFF, 0xFB, 0x90, 0xC4};
// MPEG-1 Layer II, 192 kbit/s, 44,100 Hz, stereo.
const std::initializer_list<std::uint8_t> Layer2{0xFF, 0xFD, 0xA0, 0x04};
// MPEG-1 Layer I, 128 kbit/s, 44,100 Hz, mono.
const std::initializer_list<std::uint8_t> Layer1{0xFF, 0xFF, 0x40, 0xC0};
// MPEG-2.5 Layer III, 16 kbit/s, 11,025 Hz, mono.
const std::initializer_list<std::uint8_t> Mpeg25{0xFF, 0xE3, 0x20, 0xC4};

struct Parameters {
    std::int32_t maxOffset;
    std::int32_t maxResync;
    std::uint8_t bufferShift;
    std::uint8_t flags;
    std::uint16_t amount;
};

// A spread of settings and faults, handed out to the audio seeds in turn.
constexpr Parameters ParameterSets[] = {
    {5000, 2000, 16, 0x03, 0},   // defaults
    {5000, 2000, 12, 0x42, 0},   // report EOF problems; whole directory runs
    {5000, 2000, 5, 0x07, 300},  // the file shrank by 300 bytes
    {5000, 2000, 9, 0x0B, 500},  // the file grew by 500 bytes
    {100, 10, 3, 0x0F, 2000},    // reads fail from byte 2,000 on
    {0, 0, 0, 0x13, 3},          // cancel after three pumps
    {5000, 2000, 15, 0x23, 0},   // the size reads 2 GiB
    {-1, -5, 1, 0x41, 0},        // negative settings
    {5000, 2000, 16, 0x83, 0},   // deep check
    {5000, 2000, 7, 0xC2, 0},    // deep check with a small buffer; whole directory runs
};

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutLittleEndian(Bytes& out, std::uint32_t v, int count) {
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes WithParameters(Bytes file, const Parameters& p) {
    PutLittleEndian(file, static_cast<std::uint32_t>(p.maxOffset), 4);
    PutLittleEndian(file, static_cast<std::uint32_t>(p.maxResync), 4);
    file.push_back(p.bufferShift);
    file.push_back(p.flags);
    PutLittleEndian(file, p.amount, 2);
    return file;
}

Bytes CutSample(const Bytes& bytes) {
    if (bytes.size() <= SampleLimit)
        return bytes;
    Bytes cut(bytes.begin(), bytes.begin() + SampleHead);
    cut.insert(cut.end(), bytes.end() - TagTail, bytes.end());
    return cut;
}

// The first header of the sample that the next one confirms, with that next
// one: eight bytes for the frame header target.
bool FirstHeaderPair(const Bytes& bytes, Bytes& pair) {
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i) {
        tw::FrameHeader first;
        tw::FrameHeader second;
        if (!first.decode(&bytes[i]))
            continue;
        std::size_t next = i + static_cast<std::size_t>(first.frameLength());
        if (next + 4 > bytes.size() || !second.decode(&bytes[next]) || !first.matches(second))
            continue;
        pair.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin() + static_cast<std::ptrdiff_t>(i) + 4);
        pair.insert(pair.end(), bytes.begin() + static_cast<std::ptrdiff_t>(next),
                    bytes.begin() + static_cast<std::ptrdiff_t>(next) + 4);
        return true;
    }
    return false;
}

// The head of the sample's first frame that the next one confirms, marked as
// CRC-protected so that the frame CRC target starts from real layouts.
constexpr std::size_t FrameCrcSeedLimit = 64;
bool FirstFrameAsProtected(const Bytes& bytes, Bytes& frame) {
    for (std::size_t i = 0; i + 4 <= bytes.size(); ++i) {
        tw::FrameHeader first;
        tw::FrameHeader second;
        if (!first.decode(&bytes[i]))
            continue;
        const std::size_t next = i + static_cast<std::size_t>(first.frameLength());
        if (next + 4 > bytes.size() || !second.decode(&bytes[next]) || !first.matches(second))
            continue;
        const std::size_t end = std::min(next, i + FrameCrcSeedLimit);
        frame.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin() + static_cast<std::ptrdiff_t>(end));
        frame[1] = static_cast<std::uint8_t>(frame[1] & 0xFE);
        return true;
    }
    return false;
}

// Protected headers of every layer, Layer II tables and joint stereo bounds,
// a Layer I frame too small for its allocation, and free format.
std::vector<Bytes> BuiltProtectedFrames() {
    const std::uint8_t headers[][3] = {{0xFE, 0x40, 0x50}, {0xFE, 0x14, 0x00}, {0xF6, 0x40, 0xC0}, {0xFC, 0xA0, 0x40},
                                       {0xFC, 0x64, 0x04}, {0xFC, 0x18, 0xC4}, {0xFC, 0x90, 0x74}, {0xF4, 0x80, 0xC0},
                                       {0xF4, 0x10, 0x64}, {0xFA, 0x90, 0x44}, {0xFA, 0x90, 0xC0}, {0xF2, 0x80, 0xC0},
                                       {0xE2, 0x28, 0x44}, {0xFA, 0x00, 0x00}};
    std::vector<Bytes> frames;
    for (const auto& h : headers) {
        Bytes frame(FrameCrcSeedLimit);
        for (std::size_t i = 0; i < frame.size(); ++i)
            frame[i] = static_cast<std::uint8_t>(i * 37 + 11);
        frame[0] = 0xFF;
        std::copy(std::begin(h), std::end(h), frame.begin() + 1);
        frames.push_back(frame);
    }
    return frames;
}

std::size_t Id3v2Length(const Bytes& b) {
    if (b.size() < 10 || std::memcmp(b.data(), "ID3", 3) != 0)
        return 0;
    std::size_t size = (std::size_t{b[6]} << 21) | (std::size_t{b[7]} << 14) | (std::size_t{b[8]} << 7) | b[9];
    return size + 10 + ((b[5] & 0x10) != 0 ? 10 : 0);
}

// Each frame of a leading tag as identifier + payload (at most 410 bytes).
std::vector<Bytes> Id3v2Frames(const Bytes& b) {
    std::vector<Bytes> frames;
    const std::size_t end = std::min(Id3v2Length(b), b.size());
    std::size_t p = 10;
    if (end > 0 && (b[5] & 0x40) != 0 && b.size() >= 14)
        p += (std::size_t{b[10]} << 21) | (std::size_t{b[11]} << 14) | (std::size_t{b[12]} << 7) | b[13];
    while (p + 10 <= end) {
        if (!tw::Id3v2Tag::isFrameIdChar(b[p]))
            break;
        std::size_t size =
            (std::size_t{b[p + 4]} << 21) | (std::size_t{b[p + 5]} << 14) | (std::size_t{b[p + 6]} << 7) | b[p + 7];
        if (p + 10 + size > end)
            break;
        Bytes frame(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p) + 4);
        std::size_t take = std::min<std::size_t>(size, 410);
        frame.insert(frame.end(), b.begin() + static_cast<std::ptrdiff_t>(p + 10),
                     b.begin() + static_cast<std::ptrdiff_t>(p + 10 + take));
        frames.push_back(frame);
        p += 10 + size;
    }
    return frames;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::vector<Bytes> BuiltAudio() {
    std::vector<Bytes> files;
    files.push_back(Bytes(9, 0));
    files.push_back(Bytes(10, 0));
    files.push_back(ByteBuilder().frames(10, Cbr128).build());
    files.push_back(ByteBuilder().frame(Cbr128).build());
    files.push_back(ByteBuilder().xingFrame(Cbr128, 36, 0x0F, 1234).frames(6, Cbr128).build());
    files.push_back(ByteBuilder().xingFrame(Cbr128, 36, 0, 0).frames(3, Cbr128).build());
    files.push_back(ByteBuilder().vbriFrame(Cbr128, 36, 4000).frames(5, Cbr128).build());
    files.push_back(ByteBuilder().vbriFrame(Cbr128, 36, 4000).fill(8).build());
    files.push_back(ByteBuilder().frames(8, Mono128).xingFrame(Mono128, 21, 1, 7).frames(2, Mono128).build());
    files.push_back(ByteBuilder()
                        .bytes(tw::test::Id3v2Tag3({{"TIT2", "Song"}, {"TPE1", "Artist"}, {"TCON", "(17)Rock"}}, 20))
                        .frames(6, Cbr128)
                        .id3v1("Title", "Artist", "Album", "2007", "Comment", 3, 17)
                        .build());
    files.push_back(ByteBuilder().frames(5, Cbr128).text("JUNK-JUNK!").frames(5, Cbr128).build());
    files.push_back(ByteBuilder().frames(6, Cbr128).fill(2).build());
    files.push_back(ByteBuilder().frames(6, Cbr128).bytes(Cbr128).fill(100).build());
    files.push_back(ByteBuilder().frames(4, Cbr128).frames(4, Mono128).build());
    files.push_back(ByteBuilder().frames(12, Layer2).build());
    files.push_back(ByteBuilder().frames(20, Layer1).build());
    files.push_back(ByteBuilder().frames(20, Mpeg25).id3v1("", "", "", "", "", 0, 255).build());
    files.push_back(ByteBuilder().fill(300, 0xFF).frames(3, Cbr128).build());
    return files;
}

std::vector<Bytes> BuiltTags() {
    std::vector<Bytes> tags;
    tags.push_back(ByteBuilder().id3v2Header(3, 0, 0, 0).build());
    tags.push_back(tw::test::Id3v2Tag3({{"TIT2", "Song"}, {"TRCK", "3/12"}, {"TYER", "2007"}}, 30));
    // Extended header and footer flags, a frame larger than what is read.
    Bytes big(1000, 'x');
    big[0] = 0;
    ByteBuilder body;
    body.syncsafe(6).fill(2).id3v2Frame("TALB", big).id3v2TextFrame("TIT2", "After");
    tags.push_back(ByteBuilder()
                       .id3v2Header(4, 0, 0x50, static_cast<std::uint32_t>(body.size()))
                       .bytes(body.build())
                       .text("3DI")
                       .fill(7)
                       .build());
    // Version 2.2: three-character identifiers.
    tags.push_back(
        ByteBuilder().id3v2Header(2, 0, 0, 20).text("TT2").bytes({0, 0, 6, 0}).text("Song!").fill(8).build());
    // COMM in UTF-16 with a byte-order mark, and a declared size past the end.
    Bytes comm{1, 'e', 'n', 'g', 0xFF, 0xFE, 'd', 0, 0, 0, 0xFF, 0xFE, 'N', 0, 'i', 0, 0x3D, 0xD8, 0x00, 0xDE};
    tags.push_back(ByteBuilder().id3v2Header(3, 0, 0x80, 4000).id3v2Frame("COMM", comm).build());
    return tags;
}

std::vector<Bytes> BuiltFrameTexts() {
    std::vector<Bytes> texts;
    auto add = [&texts](const char* id, Bytes payload) {
        Bytes b = Text(id);
        b.insert(b.end(), payload.begin(), payload.end());
        texts.push_back(b);
    };
    add("TIT2", {0, 'S', 'o', 'n', 'g', 0});
    add("TIT2", {1, 0xFF, 0xFE, 'S', 0, 0xE9, 0, 0x00, 0xD8});
    add("TPE1", {2, 'A', 0, 'b', 0});
    add("TALB", {3, 0xC3, 0xA9, 't', 0xC3, 0xA9});
    add("TCON", {5, '(', '1', '7', ')', 'R'});
    add("COMM", {0, 'e', 'n', 'g', 0, 'N', 'i', 'c', 'e'});
    add("COMM", {1, 'e', 'n', 'g', 0xFF, 0xFE, 'd', 0, 0, 0, 0xFF, 0xFE, 'N', 0, 'i', 0});
    add("COMM", {1, 'e', 'n', 'g', 'x', 0});
    return texts;
}

std::vector<Bytes> BuiltId3v1() {
    std::vector<Bytes> blocks;
    blocks.push_back(
        ByteBuilder().id3v1("Title", "Artist", "Album", "2007", "A comment of thirty characters", 0, 17).build());
    blocks.push_back(ByteBuilder().id3v1("Tab\there", "  ", "\x01\x02", "19\x7f", "", 7, 147).build());
    blocks.push_back(ByteBuilder().id3v1("", "", "", "", "", 255, 148).build());
    return blocks;
}

// An APEv2 tag of text items, with a header when asked (as mp3gain writes it).
Bytes ApeTagOf(const std::vector<std::pair<std::string, std::string>>& items, bool header) {
    ByteBuilder body;
    auto le32 = [](ByteBuilder& b, std::uint32_t v) {
        b.bytes({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                 static_cast<std::uint8_t>(v >> 24)});
    };
    for (const auto& [key, value] : items) {
        le32(body, static_cast<std::uint32_t>(value.size()));
        le32(body, 0);
        body.text(key).fill(1).text(value);
    }
    auto block = [&](std::uint32_t flags) {
        ByteBuilder b;
        b.text("APETAGEX");
        le32(b, 2000);
        le32(b, static_cast<std::uint32_t>(body.size() + 32));
        le32(b, static_cast<std::uint32_t>(items.size()));
        le32(b, flags);
        return b.fill(8).build();
    };
    ByteBuilder tag;
    if (header)
        tag.bytes(block(0xA0000000u));
    return tag.bytes(body.build()).bytes(block(header ? 0x80000000u : 0)).build();
}

// Frames followed by the tags that gain tools and lyrics editors leave in
// front of ID3v1, for fuzz_trailing_tags (its first byte, zero here, sets
// where the audio starts).
std::vector<Bytes> BuiltTrailingTags() {
    const Bytes gain = ApeTagOf({{"MP3GAIN_UNDO", "-003,-003,N"}}, true);
    const Bytes replayGain = ApeTagOf(
        {{"MP3GAIN_MINMAX", "127,205"}, {"mp3gain_undo", "+005,+002,W"}, {"REPLAYGAIN_TRACK_GAIN", "-0.7 dB"}}, false);
    const std::string lyricsBody = "LYRICSBEGININD0000210LYR00005hello";
    const Bytes lyrics2 =
        ByteBuilder().text(lyricsBody).text("0000" + std::to_string(lyricsBody.size())).text("LYRICS200").build();
    const Bytes lyrics1 = ByteBuilder().text("LYRICSBEGIN").text("la la la").text("LYRICSEND").build();
    const Bytes id3v1 = ByteBuilder().id3v1("Title", "Artist", "Album", "2007", "", 1, 17).build();
    std::vector<Bytes> files;
    auto file = [&](std::initializer_list<Bytes> tags) {
        ByteBuilder b;
        b.fill(1).frames(2, Cbr128);
        for (const Bytes& t : tags)
            b.bytes(t);
        files.push_back(b.build());
    };
    file({gain, id3v1});
    file({gain});
    file({replayGain, lyrics2, id3v1});
    file({lyrics2, gain, id3v1});
    file({lyrics1, replayGain});
    // A protected MPEG-1 stereo frame head that mp3gain changed, for the undo.
    files.push_back({0xFF, 0xFA, 0x18, 0x04, 0x45, 0xE0, 0x06, 0x8B, 0xF0, 0xEC, 0x09, 0x50, 0x41, 0x3D,
                     0xC0, 0xA8, 0x1A, 0xA1, 0x39, 0xD0, 0x07, 0x1D, 0x15, 0x43, 0x38, 0x25, 0x47, 0x01,
                     0xF7, 0x02, 0xB0, 0x6B, 0x85, 0x67, 0x40, 0x1C, 0x74, 0x4C, 0x7D, 0xBB});
    return files;
}

// Settings files: as the window writes one, and with the oddities a hand
// edit brings.
constexpr const char* SettingsSeeds[] = {
    "[Options]\r\nWindow Flags=0\r\nWindow Show Command=1\r\nWindow Left=10\r\nWindow Top=10\r\n"
    "Window Right=700\r\nWindow Bottom=500\r\nFunction=2\r\nTest Dir Name=C:\\Music\r\n"
    "Log Dir Name=C:\\My Documents\r\nHide MPEG Info=false\r\nRecurse Dirs=true\r\nAuto Start=true\r\n"
    "Clear Log=true\r\nInclude Bitrate Summary=true\r\nMove Files=false\r\nMove Files Path=\r\n"
    "Ignore EOF Errors=true\r\nMax Offset=5000\r\nMax Resync=2000\r\nCat Delim Char=9\r\nMax Field Len=50\r\n",
    "; hand-written\n[options]\n max offset = 1,000 \nCat Delim Char=,\nRecurse Dirs=yes\nColour=blue\n",
    "Key=outside\n[Options]\nMax Offset=99999999999\nMax Offset=7\n[Options]\nFunction=7\nbroken line\n",
    "[Options]\nMove Files Path=\"  quoted  \"\nTest Dir Name='x'\nDeep Check=true\nCat Delim Char=-23",
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SAMPLES_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    const fs::path samples = argv[1];
    const fs::path out = argv[2];
    for (const char* dir :
         {"audio", "frame_header", "frame_crc", "id3v1", "id3v2", "frame_text", "trailing_tags", "settings"})
        fs::create_directories(out / dir);

    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(samples)) {
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());

    std::size_t turn = 0;
    auto nextParameters = [&turn]() { return ParameterSets[turn++ % std::size(ParameterSets)]; };
    int count = 0;
    for (const fs::path& path : paths) {
        const Bytes bytes = Read(path);
        const std::string stem = path.stem().string();
        Write(out / "audio" / (stem + ".default"), WithParameters(CutSample(bytes), ParameterSets[0]));
        Write(out / "audio" / (stem + ".varied"), WithParameters(CutSample(bytes), nextParameters()));
        Bytes pair;
        if (FirstHeaderPair(bytes, pair))
            Write(out / "frame_header" / stem, pair);
        Bytes protectedFrame;
        if (FirstFrameAsProtected(bytes, protectedFrame))
            Write(out / "frame_crc" / stem, protectedFrame);
        if (bytes.size() >= TagTail && std::memcmp(&bytes[bytes.size() - TagTail], "TAG", 3) == 0)
            Write(out / "id3v1" / stem, Bytes(bytes.end() - TagTail, bytes.end()));
        Write(out / "trailing_tags" / stem,
              Bytes(bytes.end() - static_cast<std::ptrdiff_t>(std::min(bytes.size(), TrailingTail)), bytes.end()));
        if (const std::size_t length = Id3v2Length(bytes); length > 0) {
            const std::size_t keep = std::min({bytes.size(), length + 64, Id3v2SeedLimit});
            Write(out / "id3v2" / stem, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep)));
            int n = 0;
            for (const Bytes& frame : Id3v2Frames(bytes))
                Write(out / "frame_text" / (stem + "." + std::to_string(n++)), frame);
        }
        count += 2;
    }

    int n = 0;
    for (const Bytes& file : BuiltAudio()) {
        Write(out / "audio" / ("built-" + std::to_string(n) + ".default"), WithParameters(file, ParameterSets[0]));
        Write(out / "audio" / ("built-" + std::to_string(n++) + ".varied"), WithParameters(file, nextParameters()));
        count += 2;
    }
    n = 0;
    for (const Bytes& tag : BuiltTags())
        Write(out / "id3v2" / ("built-" + std::to_string(n++)), tag);
    n = 0;
    for (const Bytes& text : BuiltFrameTexts())
        Write(out / "frame_text" / ("built-" + std::to_string(n++)), text);
    n = 0;
    for (const Bytes& frame : BuiltProtectedFrames())
        Write(out / "frame_crc" / ("built-" + std::to_string(n++)), frame);
    n = 0;
    for (const Bytes& block : BuiltId3v1())
        Write(out / "id3v1" / ("built-" + std::to_string(n++)), block);
    n = 0;
    for (const Bytes& file : BuiltTrailingTags())
        Write(out / "trailing_tags" / ("built-" + std::to_string(n++)), file);
    for (const Bytes& header :
         {Bytes{0xFF, 0xFB, 0x90, 0x64, 0xFF, 0xFB, 0x92, 0x64}, Bytes{0xFF, 0xFF, 0x40, 0xC0, 0xFF, 0xFE, 0x40, 0xC0},
          Bytes{0xFF, 0xE3, 0x20, 0xC4, 0xFF, 0xF3, 0xF0, 0x00}})
        Write(out / "frame_header" / ("built-" + std::to_string(n++)), header);

    n = 0;
    for (const char* text : SettingsSeeds)
        Write(out / "settings" / ("built-" + std::to_string(n++)), Bytes(text, text + std::strlen(text)));

    std::printf("seed corpora written to %s (%d audio seeds)\n", out.string().c_str(), count);
    return 0;
}
