// Id3v2Tag::read of the input as a whole file held in memory, read through
// readers of several buffer sizes that must all agree, and once more with
// the reads failing half-way, as on a failing disk. The read includes the
// texts as written (ReadId3v2Texts): always valid UTF-8, with the raw bytes
// exactly where something could not be decoded.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/BufferedReader.h"
#include "fuzz/FuzzSupport.h"
#include "tags/Id3v2Tag.h"
#include "text/Unicode.h"

namespace {

using tw::BufferedReader;
using tw::Id3v2Tag;
using tw::MemoryFile;
using tw::fuzz::Bytes;
using tw::fuzz::IsPrintable;

std::vector<const tw::TagText*> WrittenFields(const tw::Id3v2Texts& w) {
    return {&w.title, &w.artist, &w.album, &w.track, &w.disc, &w.year, &w.genre, &w.comment, &w.encoder};
}

std::string Written(const tw::Id3v2Texts& w) {
    std::string out;
    for (const tw::TagText* t : WrittenFields(w))
        out += t->text + "|" + t->raw + "|" + (t->lossy ? "1" : "0") + "|";
    return out;
}

std::string Snapshot(const Id3v2Tag& t) {
    return std::to_string(t.majorVersion()) + "|" + std::to_string(t.revision()) + "|" +
           std::to_string(t.isUnsynchronised()) + std::to_string(t.hasExtendedHeader()) +
           std::to_string(t.isExperimental()) + std::to_string(t.hasFooter()) + "|" + std::to_string(t.totalLength()) +
           "|" + t.frameList() + "|" + t.title() + "|" + t.artist() + "|" + t.album() + "|" + t.track() + "|" +
           t.year() + "|" + t.genre() + "|" + t.comment() + "|" + Written(t.asWritten());
}

// "TIT2 (25);  TPE1 (18)": identifiers of A-Z and 0-9, sizes of at least 10.
bool WellFormedFrameList(const std::string& list) {
    std::size_t i = 0;
    while (i < list.size()) {
        if (i + 7 > list.size())
            return false;
        for (std::size_t k = 0; k < 4; ++k) {
            if (!Id3v2Tag::isFrameIdChar(static_cast<std::uint8_t>(list[i + k])))
                return false;
        }
        if (list.compare(i + 4, 2, " (") != 0)
            return false;
        std::size_t close = list.find(')', i + 6);
        if (close == std::string::npos || close == i + 6)
            return false;
        i = close + 1;
        if (i == list.size())
            return true;
        if (list.compare(i, 3, ";  ") != 0)
            return false;
        i += 3;
    }
    return list.empty();
}

void Check(const Id3v2Tag& tag, bool found, const Bytes& bytes) {
    const bool isTag = bytes.size() >= 10 && std::memcmp(bytes.data(), "ID3", 3) == 0;
    FUZZ_CHECK(found == isTag);
    if (!found) {
        FUZZ_CHECK(tag.majorVersion() == -1 && tag.revision() == -1 && tag.totalLength() == 0);
        FUZZ_CHECK(tag.frameList().empty() && tag.title().empty() && tag.comment().empty());
        return;
    }
    FUZZ_CHECK(tag.totalLength() >= 10);
    FUZZ_CHECK(WellFormedFrameList(tag.frameList()));
    // Every entry stands for a frame header of 10 bytes that was read.
    FUZZ_CHECK(tag.frameList().size() <= 3 * bytes.size());
    for (const std::string& text :
         {tag.title(), tag.artist(), tag.album(), tag.track(), tag.year(), tag.genre(), tag.comment()}) {
        FUZZ_CHECK(IsPrintable(text));
        FUZZ_CHECK(text.size() <= 3 * 410);
    }
    for (const tw::TagText* t : WrittenFields(tag.asWritten())) {
        FUZZ_CHECK(tw::IsValidUtf8(t->text));
        FUZZ_CHECK(t->lossy == !t->raw.empty());
        // A text's values come from at most MaxTextRead bytes, each byte at
        // most one U+FFFD (three bytes), joined by one-byte separators.
        FUZZ_CHECK(t->text.size() <= 4 * tw::MaxTextRead);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes bytes(data, data + size);

    MemoryFile file(bytes);
    BufferedReader reader(file);
    Id3v2Tag tag;
    const bool found = tag.read(reader);
    Check(tag, found, bytes);
    const std::string expected = Snapshot(tag);

    // The buffer's size must never show in the result.
    for (std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        MemoryFile again(bytes);
        BufferedReader small(again, capacity);
        Id3v2Tag other;
        FUZZ_CHECK(other.read(small) == found);
        FUZZ_CHECK(Snapshot(other) == expected);
    }

    // Reads that fail part-way end the walk early; nothing else happens.
    MemoryFile failing(bytes);
    failing.failReadsFrom(static_cast<std::int64_t>(size / 2));
    BufferedReader failingReader(failing, 64);
    Id3v2Tag cut;
    const bool cutFound = cut.read(failingReader);
    if (size / 2 >= 10)
        FUZZ_CHECK(cutFound == found);
    if (cutFound)
        Check(cut, cutFound, bytes);
    return 0;
}
