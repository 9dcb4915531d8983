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

    virtual ~FrameHeader() = default;

    // Fills the fields from four header bytes and tells whether the header is
    // usable. Without the sync bits nothing is changed and false is given.
    bool decode(const std::uint8_t bytes[4]);

    // Same stream: equal in everything but bit rate, padding and mode extension.
    bool matches(const FrameHeader& other) const;

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
