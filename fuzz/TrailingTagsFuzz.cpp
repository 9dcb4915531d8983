// StripTrailingTags (APE, Lyrics3, appended ID3v2 and ID3v1 tags) over the
// input as a whole file, from memory and through readers of several buffer
// sizes that must all agree; ParseGainUndo of the record found (or of the
// input's head); and UndoGainChange of the input's head as a frame.
//
// The first byte, taken modulo 64, is also where the audio starts: the tags
// may never reach in front of it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/GainUndo.h"
#include "common/BufferedReader.h"
#include "fuzz/FuzzSupport.h"
#include "tags/TrailingTags.h"

namespace {

using tw::BufferedReader;
using tw::GainUndo;
using tw::GainUndoResult;
using tw::MemoryFile;
using tw::TrailingTagKind;
using tw::TrailingTags;
using tw::fuzz::Bytes;

bool At(const Bytes& bytes, std::int64_t offset, const char* text) {
    const std::size_t n = std::strlen(text);
    return offset >= 0 && static_cast<std::size_t>(offset) + n <= bytes.size() &&
           std::memcmp(bytes.data() + offset, text, n) == 0;
}

void Check(const TrailingTags& t, const Bytes& bytes, std::int64_t audioStart, std::int64_t audioEnd) {
    FUZZ_CHECK(t.audioEnd >= audioStart && t.audioEnd <= audioEnd);
    FUZZ_CHECK(t.tags.size() <= TrailingTags::MaxTags);
    // Each tag ends where the one after it starts (or at the old audio end):
    // inside the file, no overlap, no gap.
    std::int64_t end = audioEnd;
    for (const auto& tag : t.tags) {
        FUZZ_CHECK(tag.size >= 15 && tag.position >= audioStart && tag.position + tag.size == end);
        switch (tag.kind) {
            case TrailingTagKind::ApeV1:
            case TrailingTagKind::ApeV2:
                FUZZ_CHECK(tag.size >= 32 && At(bytes, end - 32, "APETAGEX"));
                break;
            case TrailingTagKind::Lyrics3V1:
                FUZZ_CHECK(At(bytes, tag.position, "LYRICSBEGIN") && At(bytes, end - 9, "LYRICSEND"));
                break;
            case TrailingTagKind::Lyrics3V2:
                FUZZ_CHECK(At(bytes, tag.position, "LYRICSBEGIN") && At(bytes, end - 9, "LYRICS200"));
                break;
            case TrailingTagKind::Id3v2:
                FUZZ_CHECK(tag.size >= 20 && At(bytes, tag.position, "ID3") && At(bytes, end - 10, "3DI"));
                break;
            case TrailingTagKind::Id3v1:
                FUZZ_CHECK(tag.size == 128 && At(bytes, tag.position, "TAG"));
                // Only at the end of the file or right in front of another tag.
                FUZZ_CHECK(end == static_cast<std::int64_t>(bytes.size()) || &tag != &t.tags.front());
                break;
        }
        end = tag.position;
    }
    FUZZ_CHECK(end == t.audioEnd);
    FUZZ_CHECK(t.gainUndo.size() <= tw::ApeTag::MaxGainValue && t.gainMinMax.size() <= tw::ApeTag::MaxGainValue);
    FUZZ_CHECK(t.hasGainUndo || t.gainUndo.empty());
}

std::string Snapshot(const TrailingTags& t) {
    std::string s = std::to_string(t.audioEnd) + "|" + t.gainUndo + "|" + t.gainMinMax;
    for (const auto& tag : t.tags)
        s += "|" + std::to_string(static_cast<int>(tag.kind)) + "@" + std::to_string(tag.position);
    return s;
}

void CheckUndoRecord(const std::string& text) {
    GainUndo u;
    if (!tw::ParseGainUndo(text, u))
        return;
    FUZZ_CHECK(u.left >= -255 && u.left <= 255 && u.right >= -255 && u.right <= 255);
    // The tool's own way of writing it reads back the same.
    char again[32];
    std::snprintf(again, sizeof again, "%+04d,%+04d,%c", u.left, u.right, u.wrap ? 'W' : 'N');
    GainUndo back;
    FUZZ_CHECK(tw::ParseGainUndo(again, back));
    FUZZ_CHECK(back.left == u.left && back.right == u.right && back.wrap == u.wrap);
}

// Undo on the input's head as a frame: only the side information may change,
// and a wrapped undo followed by its opposite gives back the gains.
void CheckFrameUndo(const Bytes& bytes, GainUndo undo) {
    Bytes frame(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(bytes.size(), 64)));
    const Bytes before = frame;
    std::uint8_t gainsBefore[4] = {};
    const int count = tw::ReadGlobalGains(frame.data(), frame.size(), gainsBefore);
    const GainUndoResult result = tw::UndoGainChange(frame.data(), frame.size(), undo);
    if (result != GainUndoResult::Exact && result != GainUndoResult::MaybeInexact) {
        FUZZ_CHECK(frame == before);
        return;
    }
    FUZZ_CHECK(count > 0);
    const std::size_t sideInfoEnd = 6 + 32;  // the furthest it can reach
    for (std::size_t i = std::min(sideInfoEnd, frame.size()); i < frame.size(); ++i)
        FUZZ_CHECK(frame[i] == before[i]);
    FUZZ_CHECK(frame[0] == before[0] && frame[1] == before[1] && frame[2] == before[2] && frame[3] == before[3]);
    if (!undo.wrap)
        return;
    FUZZ_CHECK(result == GainUndoResult::Exact);
    const GainUndo opposite{-undo.left, -undo.right, true};
    FUZZ_CHECK(tw::UndoGainChange(frame.data(), frame.size(), opposite) == GainUndoResult::Exact);
    std::uint8_t gainsAfter[4] = {};
    FUZZ_CHECK(tw::ReadGlobalGains(frame.data(), frame.size(), gainsAfter) == count);
    FUZZ_CHECK(std::memcmp(gainsBefore, gainsAfter, static_cast<std::size_t>(count)) == 0);
    // A CRC that matched is written again and so comes back; one that didn't
    // is left alone, unless the changed gains happen to match it.
    const bool protectedByCrc = (frame[1] & 1) == 0;
    const bool crcMatched = protectedByCrc && tw::Layer3FrameCrc(before.data(), before.size()) ==
                                                  static_cast<unsigned>(before[4] << 8 | before[5]);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (crcMatched || !(protectedByCrc && (i == 4 || i == 5)))
            FUZZ_CHECK(frame[i] == before[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes bytes(data, data + size);
    const auto fileSize = static_cast<std::int64_t>(size);
    std::int64_t audioEnd = fileSize;
    if (size >= 128 && std::memcmp(data + size - 128, "TAG", 3) == 0)
        audioEnd -= 128;
    const std::int64_t audioStart = size > 0 ? std::min<std::int64_t>(data[0] % 64, audioEnd) : 0;

    const TrailingTags inMemory = tw::StripTrailingTags(bytes.data(), bytes.size(), audioStart, audioEnd);
    Check(inMemory, bytes, audioStart, audioEnd);
    const std::string expected = Snapshot(inMemory);

    // The buffer's size must never show in the result.
    for (std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        MemoryFile file(bytes);
        BufferedReader reader(file, capacity);
        FUZZ_CHECK(Snapshot(tw::StripTrailingTags(reader, audioStart, audioEnd)) == expected);
    }

    // Failing reads lose tags, never invent them or break the promises.
    MemoryFile failing(bytes);
    failing.failReadsFrom(fileSize / 2);
    BufferedReader failingReader(failing, 64);
    const TrailingTags cut = tw::StripTrailingTags(failingReader, audioStart, audioEnd);
    Check(cut, bytes, audioStart, audioEnd);
    FUZZ_CHECK(cut.audioEnd >= inMemory.audioEnd);

    // An end past the file finds nothing.
    FUZZ_CHECK(tw::StripTrailingTags(bytes.data(), bytes.size(), 0, fileSize + 1).tags.empty());

    CheckUndoRecord(inMemory.gainUndo);
    CheckUndoRecord(
        std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(size, 24))));

    GainUndo undo;
    if (!tw::ParseGainUndo(inMemory.gainUndo, undo) && size >= 4)
        undo = {static_cast<std::int8_t>(data[1]), static_cast<std::int8_t>(data[2]), (data[3] & 1) != 0};
    CheckFrameUndo(bytes, undo);
    return 0;
}
