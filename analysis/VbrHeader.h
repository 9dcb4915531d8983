// The VBR records that encoders write into the first frame of a stream: the
// Xing header (its "Xing" form, and the "Info" form lame and ffmpeg write for
// CBR), and the VBRI header. Each carries a frame count and a byte count.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

class FrameHeader;

class VbrHeader {
public:
    enum class Kind { None, Xing, Info, Vbri };

    // Xing flags: which optional fields follow the flags word.
    static constexpr std::uint32_t FramesFlag = 0x1;
    static constexpr std::uint32_t BytesFlag = 0x2;
    static constexpr std::uint32_t TocFlag = 0x4;
    static constexpr std::uint32_t QualityFlag = 0x8;

    // Bytes that a Xing or VBRI record needs from its id on before it counts.
    static constexpr std::size_t XingMinimum = 12;
    static constexpr std::size_t VbriMinimum = 18;

    // Where the record stands in the header frame: after the header and the
    // side information, by version and channel mode. A CRC-protected frame
    // may have it two bytes further on, after the CRC.
    static std::int32_t OffsetInFrame(const FrameHeader& header);

    // Reads the record whose id starts `bytes`; `size` bytes are at hand.
    // Gives false (kind None) when there is none.
    bool parse(const std::uint8_t* bytes, std::size_t size);

    Kind kind() const { return kind_; }
    bool isXingOrInfo() const { return kind_ == Kind::Xing || kind_ == Kind::Info; }

    // -1 when the record doesn't give it; a count of 2^31 or more, which no
    // file of ours can hold, is as good as unknown.
    std::int64_t frames() const { return frames_; }
    std::int64_t bytes() const { return bytes_; }

private:
    Kind kind_ = Kind::None;
    std::int64_t frames_ = -1;
    std::int64_t bytes_ = -1;
};

}  // namespace tw
