// The VBR records that encoders write into the first frame of a stream: the
// Xing header (its "Xing" form, and the "Info" form lame and ffmpeg write for
// CBR), and the VBRI header. Each carries a frame count and a byte count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tw {

class BufferedReader;
class FrameHeader;

class VbrHeader {
public:
    enum class Kind { None, Xing, Info, Vbri };

    // Xing flags: which optional fields follow the flags word.
    static constexpr std::uint32_t FramesFlag = 0x1;
    static constexpr std::uint32_t BytesFlag = 0x2;
    static constexpr std::uint32_t TocFlag = 0x4;
    static constexpr std::uint32_t QualityFlag = 0x8;

    // Xing/Info, from its id: the flags, then the fields they name, in this
    // order (frames, bytes, a table of 100 entries, quality).
    static constexpr std::size_t XingFlagsAt = 4;
    static constexpr std::size_t XingFieldsAt = 8;
    static constexpr std::size_t XingTocSize = 100;
    // VBRI, from its id: version, delay, quality (2 bytes each), bytes (4),
    // frames (4), then its table: entries, scale, bytes per entry, frames per
    // entry (2 bytes each) and the entries.
    static constexpr std::size_t VbriBytesAt = 10;
    static constexpr std::size_t VbriFramesAt = 14;
    static constexpr std::size_t VbriEntriesAt = 18;
    static constexpr std::size_t VbriTocAt = 26;

    // Bytes that a Xing or VBRI record needs from its id on before it counts.
    static constexpr std::size_t XingMinimum = 12;
    static constexpr std::size_t VbriMinimum = 18;

    // Where the record stands in the header frame: after the header and the
    // side information, by version and channel mode. A CRC-protected frame
    // may have it two bytes further on, after the CRC.
    static std::int32_t OffsetInFrame(const FrameHeader& header);

    // The LAME extension: 36 bytes from 120 bytes after a Xing/Info id, as
    // lame and ffmpeg write it.
    static constexpr std::size_t LameAt = 120;
    static constexpr std::size_t LameSize = 36;
    static constexpr std::size_t MusicLengthAt = 28;  // bytes from the header frame to the end of the audio
    static constexpr std::size_t MusicCrcAt = 32;     // CRC-16/ARC of the audio after the header frame
    static constexpr std::size_t TagCrcAt = 34;       // CRC-16/ARC of the header frame up to here

    // Reads the record whose id starts `bytes`; `size` bytes are at hand.
    // Gives false (kind None) when there is none.
    bool parse(const std::uint8_t* bytes, std::size_t size);

    Kind kind() const { return kind_; }
    bool isXingOrInfo() const { return kind_ == Kind::Xing || kind_ == Kind::Info; }

    // -1 when the record doesn't give it; a count of 2^31 or more, which no
    // file of ours can hold, is as good as unknown.
    std::int64_t frames() const { return frames_; }
    std::int64_t bytes() const { return bytes_; }

    // The LAME extension, when the encoder named there is one we know to
    // write it (lame, ffmpeg's libavcodec/libavformat).
    bool hasLameExtension() const { return hasLame_; }
    std::int64_t musicLength() const { return musicLength_; }
    std::uint16_t musicCrc() const { return musicCrc_; }
    std::uint16_t tagCrc() const { return tagCrc_; }
    // Where the tag CRC stands, from the id: the tag CRC covers the header
    // frame up to it.
    static constexpr std::size_t TagCrcFromId = LameAt + TagCrcAt;

    // The encoder string at the start of the LAME extension ("LAME3.100",
    // "Lavc60.31"), when there is one.
    const char* encoder() const { return encoder_; }

private:
    Kind kind_ = Kind::None;
    char encoder_[10] = {};
    bool hasLame_ = false;
    std::int64_t musicLength_ = -1;
    std::uint16_t musicCrc_ = 0;
    std::uint16_t tagCrc_ = 0;
    std::int64_t frames_ = -1;
    std::int64_t bytes_ = -1;
};

// Where a stream's record stands, found once per file for the scan and the
// deep check alike.
struct VbrHeaderLocation {
    // ffmpeg's tag CRC covers the first 190 bytes of the header frame,
    // whatever its length.
    static constexpr std::size_t TagCrcSpan = 190;

    VbrHeader record;              // kind None when there is none
    std::int64_t frameStart = -1;  // the header frame
    std::int64_t frameLength = 0;
    std::size_t idAt = 0;        // where the record's id stands in the frame
    bool inFirstFrame = false;   // else a frame of its own in front of the stream's first
    bool afterSideInfo = false;  // right after the side information, where the scan reads it
    // The header frame's bytes as the file holds them (up to a limit), and
    // those after it up to TagCrcSpan where the frame is shorter.
    std::vector<std::uint8_t> bytes;

    bool found() const { return record.kind() != VbrHeader::Kind::None; }
};

// Looks for a Xing/Info or VBRI record: in the first frame (at `firstOffset`,
// with header `first`) right after the side information, or two bytes later
// behind a frame CRC; failing that, in a frame that ends right where the
// first one starts, at or after `searchFrom` (ffmpeg writes its Info frame
// in a channel mode of its own, so the scan takes the next frame as the
// first).
VbrHeaderLocation LocateVbrHeader(BufferedReader& reader, const FrameHeader& first, std::int64_t firstOffset,
                                  std::int64_t searchFrom);

}  // namespace tw
