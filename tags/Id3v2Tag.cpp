#include "tags/Id3v2Tag.h"

#include <array>
#include <cstring>
#include <limits>

#include "common/BufferedReader.h"
#include "common/Text.h"
#include "text/Unicode.h"

namespace tw {

namespace {

// Tag header, the first 10 bytes of the file:
//   0 "ID3" | 3 major | 4 revision | 5 flags | 6..9 syncsafe size
constexpr std::size_t HeaderSize = 10;
constexpr std::size_t MajorOffset = 3;
constexpr std::size_t RevisionOffset = 4;
constexpr std::size_t FlagsOffset = 5;
constexpr std::size_t SizeOffset = 6;
constexpr std::int64_t FooterSize = 10;

// Header flags byte:
//   1 0 0 0 0 0 0 0  unsynchronisation
//   0 1 0 0 0 0 0 0  extended header
//   0 0 1 0 0 0 0 0  experimental
//   0 0 0 1 0 0 0 0  footer present
constexpr std::uint8_t UnsynchronisationFlag = 0x80;
constexpr std::uint8_t ExtendedHeaderFlag = 0x40;
constexpr std::uint8_t ExperimentalFlag = 0x20;
constexpr std::uint8_t FooterFlag = 0x10;

// Frame header at position P:
//   0..3 identifier | 4..7 syncsafe payload size | 8..9 flags (ignored)
constexpr std::size_t FrameHeaderSize = 10;
constexpr std::size_t FrameIdSize = 4;
constexpr std::size_t FrameSizeOffset = 4;

// A frame's payload is read only this far; pictures and the like are skipped.
constexpr std::size_t MaxPayloadRead = 410;

// Text payload: encoding byte, then (COMM only) language and description.
constexpr std::uint8_t EncodingUtf16WithBom = 1;
constexpr std::uint8_t LastKnownEncoding = 3;
constexpr std::size_t LanguageSize = 3;
constexpr std::size_t ByteOrderMarkSize = 2;

// Written after every entry of the frame list, and cut after the last one.
constexpr std::size_t FrameListSeparatorLength = 3;  // ";  "

// The frame list takes no more entries once it is this long. No real tag
// comes near it (a thousand frames make some 15 KiB), but a hostile tag of
// millions of empty frames would otherwise make a list, and a catalog row,
// larger than the file.
constexpr std::size_t MaxFrameListLength = 1024 * 1024;

// Whole bytes, top bits not masked, in unsigned arithmetic: at most 0x1FFFFFFF.
std::uint32_t SyncsafeValue(const std::uint8_t bytes[4]) {
    return (static_cast<std::uint32_t>(bytes[0]) << 21) | (static_cast<std::uint32_t>(bytes[1]) << 14) |
           (static_cast<std::uint32_t>(bytes[2]) << 7) | static_cast<std::uint32_t>(bytes[3]);
}

std::int32_t ClampToInt32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

bool IsFrame(const char frameId[4], const char* name) {
    return std::memcmp(frameId, name, FrameIdSize) == 0;
}

// Index just after the first zero byte (two consecutive zero bytes when
// `pair`) found from `from` on, inside the first `length` bytes; `length`
// when there is none.
std::size_t SkipPastTerminator(const std::uint8_t* p, std::size_t from, std::size_t length, bool pair) {
    for (std::size_t i = from; i < length; ++i) {
        if (p[i] != 0)
            continue;
        if (!pair)
            return i + 1;
        if (i + 1 < length && p[i + 1] == 0)
            return i + 2;
    }
    return length;
}

// One entry of the frame list: "TIT2 (25);  ", the size with its header.
std::string FrameListEntry(const char frameId[4], std::int64_t frameSize) {
    return std::string(frameId, FrameIdSize) + " (" + FormatThousands(ClampToInt32(frameSize)) + ");  ";
}

// "(17)Rock" -> "Rock", "(17)" -> "": a leading reference is dropped.
std::string GenreWithoutReference(const std::string& text) {
    if (text.empty() || text[0] != '(')
        return text;
    std::size_t close = text.find(')');
    if (close == std::string::npos)
        return text;
    return text.substr(close + 1);
}

}  // namespace

bool Id3v2Tag::read(BufferedReader& file) {
    clear();
    if (!walk(file))
        return false;
    ReadId3v2Texts(file, written_);
    return true;
}

bool Id3v2Tag::walk(BufferedReader& file) {
    if (file.size() < static_cast<std::int64_t>(HeaderSize))
        return false;
    std::uint8_t header[HeaderSize];
    if (file.read(0, header, HeaderSize) != HeaderSize)
        return false;
    if (std::memcmp(header, "ID3", 3) != 0)
        return false;

    majorVersion_ = header[MajorOffset];
    revision_ = header[RevisionOffset];
    unsynchronisation_ = (header[FlagsOffset] & UnsynchronisationFlag) != 0 ? 1 : 0;
    extendedHeader_ = (header[FlagsOffset] & ExtendedHeaderFlag) != 0 ? 1 : 0;
    experimental_ = (header[FlagsOffset] & ExperimentalFlag) != 0 ? 1 : 0;
    footerPresent_ = (header[FlagsOffset] & FooterFlag) != 0 ? 1 : 0;

    // Positions in 64 bits, so that no declared size can wrap them.
    const std::int64_t tagEnd = static_cast<std::int64_t>(SyncsafeValue(header + SizeOffset)) + HeaderSize;
    totalLength_ = ClampToInt32(tagEnd + (footerPresent_ != 0 ? FooterSize : 0));

    std::int64_t position = HeaderSize;
    if (extendedHeader_ != 0) {
        std::uint8_t extendedSize[4];
        if (!file.read4(HeaderSize, extendedSize))
            return true;
        position += SyncsafeValue(extendedSize);
    }

    std::array<std::uint8_t, MaxPayloadRead> payload;
    while (position + static_cast<std::int64_t>(FrameHeaderSize) <= tagEnd) {
        std::uint8_t frameHeader[FrameHeaderSize];
        if (file.read(position, frameHeader, FrameHeaderSize) != FrameHeaderSize)
            break;
        char frameId[FrameIdSize];
        bool idValid = true;
        for (std::size_t i = 0; i < FrameIdSize; ++i) {
            idValid = idValid && isFrameIdChar(frameHeader[i]);
            frameId[i] = static_cast<char>(frameHeader[i]);
        }
        if (!idValid)
            break;
        const std::uint32_t payloadSize = SyncsafeValue(frameHeader + FrameSizeOffset);
        const std::int64_t next = position + static_cast<std::int64_t>(FrameHeaderSize) + payloadSize;
        if (next > tagEnd)
            break;

        std::size_t wanted = payloadSize < MaxPayloadRead ? payloadSize : MaxPayloadRead;
        std::size_t got = file.read(position + static_cast<std::int64_t>(FrameHeaderSize), payload.data(), wanted);
        std::string text = decodeFrameText(frameId, payload.data(), got);

        if (IsFrame(frameId, "TIT2"))
            title_ = text;
        else if (IsFrame(frameId, "TPE1"))
            artist_ = text;
        else if (IsFrame(frameId, "TALB"))
            album_ = text;
        else if (IsFrame(frameId, "TRCK"))
            track_ = text;
        else if (IsFrame(frameId, "TYER"))
            year_ = text;
        else if (IsFrame(frameId, "COMM"))
            comment_ = text;
        else if (IsFrame(frameId, "TCON"))
            genre_ = GenreWithoutReference(text);

        if (frameList_.size() < MaxFrameListLength)
            frameList_ += FrameListEntry(frameId, next - position);
        position = next;
    }

    if (frameList_.size() > FrameListSeparatorLength)
        frameList_.resize(frameList_.size() - FrameListSeparatorLength);
    return true;
}

void Id3v2Tag::clear() {
    majorVersion_ = -1;
    revision_ = -1;
    unsynchronisation_ = 0;
    extendedHeader_ = 0;
    experimental_ = 0;
    footerPresent_ = 0;
    totalLength_ = 0;
    frameList_.clear();
    title_.clear();
    artist_.clear();
    album_.clear();
    track_.clear();
    year_.clear();
    genre_.clear();
    comment_.clear();
    written_ = Id3v2Texts();
}

std::string Id3v2Tag::decodeFrameText(const char frameId[4], const std::uint8_t* payload, std::size_t length) {
    if (length == 0)
        return {};
    const std::uint8_t encoding = payload[0];
    const bool utf16WithBom = encoding == EncodingUtf16WithBom;
    std::size_t start = encoding <= LastKnownEncoding ? 1 : 0;

    if (IsFrame(frameId, "COMM")) {
        start += LanguageSize;
        start = SkipPastTerminator(payload, start, length, utf16WithBom);
    }

    std::string text;
    if (utf16WithBom) {
        // The byte-order mark is skipped, not examined: the text is taken
        // as little-endian.
        if (length - start <= ByteOrderMarkSize)
            return {};
        start += ByteOrderMarkSize;
        // As Windows converts it: a lone surrogate becomes U+FFFD.
        text = Utf16ToUtf8(Utf16Units(payload + start, (length - start) / 2, Utf16Order::LittleEndian),
                           LoneSurrogate::Replace);
    } else {
        if (start >= length)
            return {};
        text.assign(reinterpret_cast<const char*>(payload + start), length - start);
    }
    BlankNonPrintable(text);
    return text;
}

std::int32_t Id3v2Tag::syncsafeToInt(const std::uint8_t bytes[4]) {
    return static_cast<std::int32_t>(SyncsafeValue(bytes));
}

bool Id3v2Tag::isFrameIdChar(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace tw
