#include "tags/Id3v2UserText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/BufferedReader.h"
#include "common/ByteOrder.h"

namespace tw {
namespace {

constexpr std::size_t HeaderSize = 10;
constexpr std::size_t FrameHeaderSize = 10;
constexpr std::uint8_t UnsynchronisationFlag = 0x80;
constexpr std::uint8_t ExtendedHeaderFlag = 0x40;
// 2.4 frame format flags (second flag byte).
constexpr std::uint8_t FrameUnsynchronisedFlag = 0x02;
constexpr std::uint8_t DataLengthFlag = 0x01;
constexpr std::uint8_t CompressedOrEncrypted24 = 0x0C;
constexpr std::uint8_t CompressedOrEncrypted23 = 0xC0;
// A TXXX frame of a tool's record is short; longer payloads are not read.
constexpr std::uint32_t MaxPayload = 4096;
// A whole 2.3 tag is read to undo its unsynchronisation only up to this size.
constexpr std::int64_t MaxUnsynchronisedTag = 16 * 1024 * 1024;

std::uint32_t Syncsafe(const std::uint8_t* b) {
    return static_cast<std::uint32_t>(b[0] & 0x7F) << 21 | static_cast<std::uint32_t>(b[1] & 0x7F) << 14 |
           static_cast<std::uint32_t>(b[2] & 0x7F) << 7 | static_cast<std::uint32_t>(b[3] & 0x7F);
}

// FF 00 becomes FF.
void Resynchronise(std::vector<std::uint8_t>& bytes) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[out++] = bytes[i];
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0x00)
            ++i;
    }
    bytes.resize(out);
}

// One string of a TXXX payload in its encoding, from `at`; moves `at` past
// its terminator.
std::string TakeString(const std::vector<std::uint8_t>& p, std::size_t& at, std::uint8_t encoding) {
    std::string text;
    const bool wide = encoding == 1 || encoding == 2;
    bool bigEndian = encoding == 2;
    if (wide && at + 1 < p.size() && ((p[at] == 0xFF && p[at + 1] == 0xFE) || (p[at] == 0xFE && p[at + 1] == 0xFF))) {
        bigEndian = p[at] == 0xFE;
        at += 2;
    }
    while (at < p.size()) {
        std::uint32_t c = p[at];
        if (wide) {
            if (at + 1 >= p.size())
                break;
            c = bigEndian ? (c << 8 | p[at + 1]) : (c | static_cast<std::uint32_t>(p[at + 1]) << 8);
            at += 2;
        } else {
            ++at;
        }
        if (c == 0)
            break;
        text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return text;
}

// The frames of one tag body, from wherever it comes.
template <class Read>
std::vector<UserText> Frames(Read read, std::int64_t position, std::int64_t end, int major) {
    std::vector<UserText> texts;
    std::vector<std::uint8_t> payload;
    std::uint8_t header[FrameHeaderSize];
    while (position + static_cast<std::int64_t>(FrameHeaderSize) <= end) {
        if (read(position, header, FrameHeaderSize) != FrameHeaderSize || header[0] == 0)
            break;  // padding, or nothing more to read
        const std::uint32_t size = major == 4 ? Syncsafe(header + 4) : BigEndian32(header + 4);
        const std::int64_t next = position + static_cast<std::int64_t>(FrameHeaderSize) + size;
        if (next > end)
            break;
        const std::uint8_t format = header[9];
        const bool skipped =
            major == 4 ? (format & CompressedOrEncrypted24) != 0 : (format & CompressedOrEncrypted23) != 0;
        if (std::memcmp(header, "TXXX", 4) == 0 && !skipped && size <= MaxPayload) {
            payload.resize(size);
            payload.resize(read(position + static_cast<std::int64_t>(FrameHeaderSize), payload.data(), size));
            if (major == 4 && (format & FrameUnsynchronisedFlag) != 0)
                Resynchronise(payload);
            std::size_t at = major == 4 && (format & DataLengthFlag) != 0 ? 4 : 0;
            if (at < payload.size()) {
                const std::uint8_t encoding = payload[at++];
                UserText text;
                text.description = TakeString(payload, at, encoding);
                text.value = TakeString(payload, at, encoding);
                texts.push_back(std::move(text));
            }
        }
        position = next;
    }
    return texts;
}

}  // namespace

std::vector<UserText> ReadId3v2UserTexts(BufferedReader& file) {
    std::uint8_t header[HeaderSize];
    if (file.readAside(0, header, HeaderSize) != HeaderSize || std::memcmp(header, "ID3", 3) != 0)
        return {};
    const int major = header[3];
    if (major != 3 && major != 4)
        return {};
    const std::int64_t end = static_cast<std::int64_t>(HeaderSize) + Syncsafe(header + 6);
    std::int64_t start = static_cast<std::int64_t>(HeaderSize);
    const bool unsynchronised = (header[5] & UnsynchronisationFlag) != 0;

    if (major == 3 && unsynchronised) {
        // The frames lie in the resynchronised bytes of the whole tag.
        if (end > MaxUnsynchronisedTag)
            return {};
        std::vector<std::uint8_t> body(static_cast<std::size_t>(end - start));
        body.resize(file.readAside(start, body.data(), body.size()));
        Resynchronise(body);
        std::int64_t from = 0;
        if ((header[5] & ExtendedHeaderFlag) != 0 && body.size() >= 4)
            from = 4 + static_cast<std::int64_t>(BigEndian32(body.data()));
        auto fromMemory = [&body](std::int64_t at, std::uint8_t* out, std::size_t count) -> std::size_t {
            if (at < 0 || at >= static_cast<std::int64_t>(body.size()))
                return 0;
            const std::size_t n = std::min(count, body.size() - static_cast<std::size_t>(at));
            std::memcpy(out, body.data() + at, n);
            return n;
        };
        return Frames(fromMemory, from, static_cast<std::int64_t>(body.size()), major);
    }
    if ((header[5] & ExtendedHeaderFlag) != 0) {
        std::uint8_t size[4];
        if (file.readAside(start, size, 4) != 4)
            return {};
        // 2.3 counts the size field out, 2.4 in.
        start += major == 4 ? Syncsafe(size) : 4 + static_cast<std::int64_t>(BigEndian32(size));
    }
    auto fromFile = [&file](std::int64_t at, std::uint8_t* out, std::size_t count) {
        return file.readAside(at, out, count);
    };
    return Frames(fromFile, start, end, major);
}

}  // namespace tw
