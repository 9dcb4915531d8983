#include "analysis/HeaderFrameRewrite.h"

#include <algorithm>

#include "common/ByteOrder.h"
#include "common/Crc16.h"

namespace tw {
namespace {

std::uint32_t Clamp32(std::int64_t v) {
    return static_cast<std::uint32_t>(std::min<std::int64_t>(std::max<std::int64_t>(v, 0), 0x7FFFFFFF));
}

// 100 entries: where the frame at each percent of the frames starts, in
// 256ths of the bytes, as lame writes it.
void WriteXingToc(std::uint8_t* toc, const CopiedAudio& audio) {
    const auto count = static_cast<std::int64_t>(audio.frameStarts.size());
    for (std::size_t i = 0; i < VbrHeader::XingTocSize; ++i) {
        std::int64_t value = 0;
        if (count > 0 && audio.bytes > 0) {
            const std::int64_t frame = static_cast<std::int64_t>(i) * count / 100;
            value = (audio.frameStarts[static_cast<std::size_t>(frame)] - audio.headerAt) * 256 / audio.bytes;
        }
        toc[i] = static_cast<std::uint8_t>(std::min<std::int64_t>(value, 255));
    }
}

// Each entry: the bytes of its run of frames after the header frame,
// divided by the scale. Entries past the copy's frames are zero.
void WriteVbriToc(std::uint8_t* vbri, std::size_t room, const CopiedAudio& audio) {
    const std::size_t entries = BigEndian16(vbri + VbrHeader::VbriEntriesAt);
    const std::uint32_t scale = std::max<std::uint32_t>(BigEndian16(vbri + VbrHeader::VbriEntriesAt + 2), 1);
    const std::size_t size = BigEndian16(vbri + VbrHeader::VbriEntriesAt + 4);
    const std::size_t perEntry = BigEndian16(vbri + VbrHeader::VbriEntriesAt + 6);
    if (size < 1 || size > 4 || perEntry == 0 || VbrHeader::VbriTocAt + entries * size > room)
        return;
    const std::int64_t largest = (std::int64_t{1} << (8 * size)) - 1;
    const std::vector<std::int64_t>& starts = audio.frameStarts;
    const std::int64_t audioEnd = audio.headerAt + audio.bytes;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t first = i * perEntry;
        std::int64_t value = 0;
        if (first < starts.size()) {
            const std::size_t next = first + perEntry;
            const std::int64_t end = next < starts.size() ? starts[next] : audioEnd;
            value = std::min<std::int64_t>((end - starts[first] + scale / 2) / scale, largest);
        }
        std::uint8_t* at = vbri + VbrHeader::VbriTocAt + i * size;
        for (std::size_t b = 0; b < size; ++b)
            at[b] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - b)));
    }
}

}  // namespace

RewrittenHeaderFrame RewriteHeaderFrame(const VbrHeaderLocation& where, const CopiedAudio& audio) {
    RewrittenHeaderFrame result;
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(where.frameLength, static_cast<std::int64_t>(where.bytes.size())));
    std::vector<std::uint8_t> frame(where.bytes.begin(), where.bytes.begin() + static_cast<std::ptrdiff_t>(length));
    const std::size_t id = where.idAt;
    const VbrHeader& record = where.record;
    const auto frames = Clamp32(static_cast<std::int64_t>(audio.frameStarts.size()));
    const auto bytes = Clamp32(audio.bytes);
    if (record.isXingOrInfo() && id + VbrHeader::XingFieldsAt <= length) {
        const std::uint32_t flags = BigEndian32(frame.data() + id + 4);
        std::size_t at = id + VbrHeader::XingFieldsAt;
        if ((flags & VbrHeader::FramesFlag) != 0 && at + 4 <= length) {
            PutBigEndian32(frame.data() + at, frames);
            at += 4;
        }
        if ((flags & VbrHeader::BytesFlag) != 0 && at + 4 <= length) {
            PutBigEndian32(frame.data() + at, bytes);
            at += 4;
        }
        if ((flags & VbrHeader::TocFlag) != 0 && at + VbrHeader::XingTocSize <= length)
            WriteXingToc(frame.data() + at, audio);
    } else if (record.kind() == VbrHeader::Kind::Vbri && id + VbrHeader::VbriTocAt <= length) {
        // The header frame counts among a VBRI header's frames (mp3val holds
        // a copy to that).
        PutBigEndian32(frame.data() + id + VbrHeader::VbriBytesAt, bytes);
        PutBigEndian32(frame.data() + id + VbrHeader::VbriFramesAt, Clamp32(static_cast<std::int64_t>(frames) + 1));
        WriteVbriToc(frame.data() + id, length - id, audio);
    }
    const std::size_t crcAt = id + VbrHeader::TagCrcFromId;
    const bool lame = record.hasLameExtension() && crcAt + 2 <= length;
    if (lame) {
        std::uint8_t* ext = frame.data() + id + VbrHeader::LameAt;
        PutBigEndian32(ext + VbrHeader::MusicLengthAt, bytes);
        // The encoder's CRC stays when the kept frames still match it (junk
        // between them was all there was), and when nothing was left out of
        // the music: then a mismatch is changed audio, and the check of the
        // copy must see it. Frames left out or lost leave it nothing to vouch
        // for.
        const bool intact = record.musicLength() == audio.bytes && audio.musicCrc == record.musicCrc();
        result.musicCrcRecomputed = !intact && (audio.musicChanged || record.musicLength() != audio.bytes);
        if (result.musicCrcRecomputed)
            PutBigEndian16(ext + VbrHeader::MusicCrcAt, audio.musicCrc);
        std::fill(frame.begin() + static_cast<std::ptrdiff_t>(crcAt + 2), frame.end(), 0);
    }
    // The encoder's tag CRC stays when nothing it covers changed (ffmpeg's
    // rule differs from lame's, and both are right).
    const std::size_t covered = lame ? crcAt : length;
    if (std::equal(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(covered), where.bytes.begin()) &&
        std::equal(frame.begin() + static_cast<std::ptrdiff_t>(std::min(covered + 2, length)), frame.end(),
                   where.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(covered + 2, length))))
        return result;
    if (lame)
        PutBigEndian16(frame.data() + crcAt, Crc16Arc(0, frame.data(), crcAt));
    result.bytes = std::move(frame);
    return result;
}

}  // namespace tw
