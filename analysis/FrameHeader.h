// One four-byte MPEG audio frame header (MPEG-1, MPEG-2, MPEG-2.5; layers
// I, II, III): its bit fields, the values derived from them, the validity
// rule and the same-stream test.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

class FrameHeader {
public:
    // versionId values
    static constexpr std::uint8_t Mpeg25 = 0;
    static constexpr std::uint8_t MpegReserved = 1;
    static constexpr std::uint8_t Mpeg2 = 2;
    static constexpr std::uint8_t Mpeg1 = 3;
    // channelMode values
    static constexpr std::uint8_t Stereo = 0;
    static constexpr std::uint8_t JointStereo = 1;
    static constexpr std::uint8_t DualChannel = 2;
    static constexpr std::uint8_t SingleChannel = 3;

    // The header as one big-endian word:
    //   AAAAAAAA AAABBCCD EEEEFFGH IIJJKLMM
    //   A sync, B version, C layer, D protection, E bit-rate index,
    //   F sample-rate index, G padding, H private, I channel mode,
    //   J mode extension, K copyright, L original, M emphasis
    static constexpr std::uint32_t SyncMask = 0xFFE00000;           // 11111111 11100000 00000000 00000000
    static constexpr std::uint32_t VersionMask = 0x00180000;        // 00000000 00011000 00000000 00000000
    static constexpr std::uint32_t LayerMask = 0x00060000;          // 00000000 00000110 00000000 00000000
    static constexpr std::uint32_t ProtectionMask = 0x00010000;     // 00000000 00000001 00000000 00000000
    static constexpr std::uint32_t BitrateMask = 0x0000F000;        // 00000000 00000000 11110000 00000000
    static constexpr std::uint32_t SampleRateMask = 0x00000C00;     // 00000000 00000000 00001100 00000000
    static constexpr std::uint32_t PaddingMask = 0x00000200;        // 00000000 00000000 00000010 00000000
    static constexpr std::uint32_t PrivateMask = 0x00000100;        // 00000000 00000000 00000001 00000000
    static constexpr std::uint32_t ChannelModeMask = 0x000000C0;    // 00000000 00000000 00000000 11000000
    static constexpr std::uint32_t ModeExtensionMask = 0x00000030;  // 00000000 00000000 00000000 00110000
    static constexpr std::uint32_t CopyrightMask = 0x00000008;      // 00000000 00000000 00000000 00001000
    static constexpr std::uint32_t OriginalMask = 0x00000004;       // 00000000 00000000 00000000 00000100
    static constexpr std::uint32_t EmphasisMask = 0x00000003;       // 00000000 00000000 00000000 00000011

    virtual ~FrameHeader() = default;

    // Fills the fields from four header bytes and tells whether the header is
    // usable. Without the sync bits nothing is changed and false is given.
    bool decode(const std::uint8_t bytes[4]);

    // Same stream: equal in everything but bit rate, padding and mode
    // extension; in Layers I and II, stereo and joint stereo count as one
    // channel mode.
    bool matches(const FrameHeader& other) const;
    bool sameChannelMode(const FrameHeader& other) const;
    // A Layer I or II stereo or joint stereo header: its stream may switch
    // between the two.
    bool allowsStereoSwitch() const;

    std::int32_t bitrate() const { return bitrate_; }
    std::int32_t sampleRate() const { return sampleRate_; }
    std::int32_t slotSize() const { return slotSize_; }
    std::int32_t samplesPerFrame() const { return samplesPerFrame_; }
    std::int32_t frameLengthUnpadded() const { return frameLengthUnpadded_; }
    std::int32_t frameLength() const { return frameLength_; }

    bool isVersion(std::uint8_t v) const { return versionId_ == v; }
    bool isChannelMode(std::uint8_t m) const { return channelMode_ == m; }
    bool isPadded() const { return paddingBit_ == 1; }
    bool isPrivate() const { return privateBit_ == 1; }
    bool isCopyright() const { return copyrightBit_ == 1; }
    bool isOriginal() const { return originalBit_ == 1; }
    bool isCrcProtected() const { return protectionBit_ == 0; }
    bool isBitrateKnown() const { return bitrateIndex_ != 0 && bitrateIndex_ != 15 && bitrate_ != -1; }
    bool isSampleRateKnown() const { return sampleRateIndex_ != 3 && sampleRate_ != -1; }

    // Layer as a number: 1, 2, 3, or 0 for the reserved layer.
    int layerNumber() const;

    // Used after a VBRI tag: the second frame tells the stream's real CRC and
    // channel settings.
    void takeProtectionAndChannelModeFrom(const FrameHeader& other);

    std::string versionText() const;
    std::string layerText() const;
    std::string bitrateKbpsText() const;
    std::string bitrateBpsText() const;
    std::string sampleRateText() const;
    std::string channelModeText() const;
    std::string emphasisText() const;

    // The four header bytes as decoded (after a VBRI tag, with the second
    // frame's CRC and channel mode bits).
    std::uint32_t word() const { return word_; }

    // The raw bit fields.
    std::uint8_t versionId() const { return versionId_; }
    std::uint8_t layerId() const { return layerId_; }
    std::uint8_t protectionBit() const { return protectionBit_; }
    std::uint8_t bitrateIndex() const { return bitrateIndex_; }
    std::uint8_t sampleRateIndex() const { return sampleRateIndex_; }
    std::uint8_t privateBit() const { return privateBit_; }
    std::uint8_t channelMode() const { return channelMode_; }
    std::uint8_t copyrightBit() const { return copyrightBit_; }
    std::uint8_t originalBit() const { return originalBit_; }
    std::uint8_t emphasis() const { return emphasis_; }

private:
    std::uint32_t word_ = 0;
    std::uint8_t versionId_ = 0;
    std::uint8_t layerId_ = 0;
    std::uint8_t protectionBit_ = 0;
    std::uint8_t bitrateIndex_ = 0;
    std::uint8_t sampleRateIndex_ = 0;
    std::uint8_t paddingBit_ = 0;
    std::uint8_t privateBit_ = 0;
    std::uint8_t channelMode_ = 0;
    std::uint8_t modeExtension_ = 0;
    std::uint8_t copyrightBit_ = 0;
    std::uint8_t originalBit_ = 0;
    std::uint8_t emphasis_ = 0;
    std::int32_t bitrate_ = -1;
    std::int32_t sampleRate_ = -1;
    std::int32_t slotSize_ = -1;
    std::int32_t samplesPerFrame_ = -1;
    std::int32_t frameLengthUnpadded_ = -1;
    std::int32_t frameLength_ = -1;
};

}  // namespace tw
