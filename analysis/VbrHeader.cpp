#include "analysis/VbrHeader.h"

#include <cstring>

#include "analysis/FrameHeader.h"
#include "common/ByteOrder.h"

namespace tw {
namespace {

// Xing/Info: id, flags, then the fields the flags name, in this order.
constexpr std::size_t XingFlagsAt = 4;
constexpr std::size_t XingFirstFieldAt = 8;

// VBRI: id, version (2), delay (2), quality (2), bytes (4), frames (4).
constexpr std::size_t VbriBytesAt = 10;
constexpr std::size_t VbriFramesAt = 14;

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
    if (size >= XingMinimum && (std::memcmp(bytes, "Xing", 4) == 0 || std::memcmp(bytes, "Info", 4) == 0)) {
        kind_ = bytes[0] == 'X' ? Kind::Xing : Kind::Info;
        const std::uint32_t flags = BigEndian32(bytes + XingFlagsAt);
        std::size_t at = XingFirstFieldAt;
        if ((flags & FramesFlag) != 0) {
            frames_ = Count(BigEndian32(bytes + at));
            at += 4;
        }
        if ((flags & BytesFlag) != 0 && at + 4 <= size)
            bytes_ = Count(BigEndian32(bytes + at));
        if (size >= LameAt + LameSize && KnownLameWriter(bytes + LameAt)) {
            const std::uint8_t* lame = bytes + LameAt;
            hasLame_ = true;
            musicLength_ = Count(BigEndian32(lame + MusicLengthAt));
            musicCrc_ = BigEndian16(lame + MusicCrcAt);
            tagCrc_ = BigEndian16(lame + TagCrcAt);
        }
        return true;
    }
    if (size >= VbriMinimum && std::memcmp(bytes, "VBRI", 4) == 0) {
        kind_ = Kind::Vbri;
        bytes_ = Count(BigEndian32(bytes + VbriBytesAt));
        frames_ = Count(BigEndian32(bytes + VbriFramesAt));
        return true;
    }
    return false;
}

}  // namespace tw
