#include "analysis/VbrHeader.h"

#include <algorithm>
#include <cstring>

#include "analysis/FrameHeader.h"
#include "common/BufferedReader.h"
#include "common/ByteOrder.h"

namespace tw {
namespace {

std::int64_t Count(std::uint32_t raw) {
    return raw > 0x7FFFFFFFu ? -1 : static_cast<std::int64_t>(raw);
}

// The encoders whose extension we read; others put other things there.
bool KnownLameWriter(const std::uint8_t* encoder) {
    return std::memcmp(encoder, "LAME", 4) == 0 || std::memcmp(encoder, "L3.99", 5) == 0 ||
           std::memcmp(encoder, "Lavc", 4) == 0 || std::memcmp(encoder, "Lavf", 4) == 0;
}

}  // namespace

std::int32_t VbrHeader::OffsetInFrame(const FrameHeader& h) {
    const bool mono = h.isChannelMode(FrameHeader::SingleChannel);
    if (h.isVersion(FrameHeader::Mpeg1))
        return mono ? 21 : 36;
    return mono ? 13 : 21;
}

bool VbrHeader::parse(const std::uint8_t* bytes, std::size_t size) {
    kind_ = Kind::None;
    frames_ = -1;
    bytes_ = -1;
    hasLame_ = false;
    musicLength_ = -1;
    encoder_[0] = '\0';
    if (size >= XingMinimum && (std::memcmp(bytes, "Xing", 4) == 0 || std::memcmp(bytes, "Info", 4) == 0)) {
        kind_ = bytes[0] == 'X' ? Kind::Xing : Kind::Info;
        const std::uint32_t flags = BigEndian32(bytes + VbrHeader::XingFlagsAt);
        std::size_t at = VbrHeader::XingFieldsAt;
        if ((flags & FramesFlag) != 0) {
            frames_ = Count(BigEndian32(bytes + at));
            at += 4;
        }
        if ((flags & BytesFlag) != 0 && at + 4 <= size)
            bytes_ = Count(BigEndian32(bytes + at));
        if (size >= LameAt + LameSize && KnownLameWriter(bytes + LameAt)) {
            const std::uint8_t* lame = bytes + LameAt;
            hasLame_ = true;
            for (std::size_t i = 0; i + 1 < sizeof encoder_; ++i)
                encoder_[i] = lame[i] >= 0x20 && lame[i] < 0x7F ? static_cast<char>(lame[i]) : '\0';
            musicLength_ = Count(BigEndian32(lame + MusicLengthAt));
            musicCrc_ = BigEndian16(lame + MusicCrcAt);
            tagCrc_ = BigEndian16(lame + TagCrcAt);
        }
        return true;
    }
    if (size >= VbriMinimum && std::memcmp(bytes, "VBRI", 4) == 0) {
        kind_ = Kind::Vbri;
        bytes_ = Count(BigEndian32(bytes + VbrHeader::VbriBytesAt));
        frames_ = Count(BigEndian32(bytes + VbrHeader::VbriFramesAt));
        return true;
    }
    return false;
}

namespace {

// A header frame is read this far; free format can be longer, and its record
// still lies near the start.
constexpr std::size_t LargestHeaderFrame = 8192;
// ffmpeg's Info frame stands right in front of the first frame, after an
// ID3v2 tag and at most some padding.
constexpr std::int64_t LookBehind = 4096;

// Reads the frame at `start` and looks for a record in it; true when found.
bool FindInFrame(BufferedReader& reader, const FrameHeader& header, std::int64_t start, VbrHeaderLocation& where) {
    const std::int64_t frameLength = header.frameLength();
    if (frameLength <= 0)
        return false;
    const auto want = std::min<std::size_t>(
        std::max<std::size_t>(static_cast<std::size_t>(frameLength), VbrHeaderLocation::TagCrcSpan),
        LargestHeaderFrame);
    where.bytes.resize(want);
    where.bytes.resize(reader.read(start, where.bytes.data(), want));
    const std::size_t inFrame = std::min(where.bytes.size(), static_cast<std::size_t>(frameLength));
    // After the side information, or two bytes later behind a frame CRC.
    std::size_t at = static_cast<std::size_t>(VbrHeader::OffsetInFrame(header));
    for (int i = header.isCrcProtected() ? 2 : 1, tried = 0; tried < i; ++tried, at += 2) {
        if (at >= inFrame || !where.record.parse(where.bytes.data() + at, inFrame - at))
            continue;
        where.frameStart = start;
        where.frameLength = frameLength;
        where.idAt = at;
        where.afterSideInfo = tried == 0;
        return true;
    }
    return false;
}

}  // namespace

VbrHeaderLocation LocateVbrHeader(BufferedReader& reader, const FrameHeader& first, std::int64_t firstOffset,
                                  std::int64_t searchFrom) {
    VbrHeaderLocation where;
    if (FindInFrame(reader, first, firstOffset, where)) {
        where.inFirstFrame = true;
        return where;
    }
    std::uint8_t bytes[4];
    for (std::int64_t p = std::max<std::int64_t>(searchFrom, firstOffset - LookBehind); p + 4 <= firstOffset; ++p) {
        FrameHeader header;
        if (!reader.read4(p, bytes) || !header.decode(bytes) || p + header.frameLength() != firstOffset)
            continue;
        if (FindInFrame(reader, header, p, where))
            return where;
    }
    where = VbrHeaderLocation();
    return where;
}

}  // namespace tw
