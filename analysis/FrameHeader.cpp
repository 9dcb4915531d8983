#include "analysis/FrameHeader.h"

#include <array>

#include "common/Text.h"

namespace tw {
namespace {

// Byte 1: AAAB BCCD   A sync, B version, C layer, D protection
constexpr std::uint8_t SyncMask1 = 0xE0;     // 1110 0000
constexpr std::uint8_t VersionMask = 0x18;   // 0001 1000
constexpr std::uint8_t LayerMask = 0x06;     // 0000 0110
constexpr std::uint8_t ProtectionMask = 0x01;  // 0000 0001
// Byte 2: EEEE FFGH   E bit-rate index, F sample-rate index, G padding, H private
constexpr std::uint8_t BitrateMask = 0xF0;     // 1111 0000
constexpr std::uint8_t SampleRateMask = 0x0C;  // 0000 1100
constexpr std::uint8_t PaddingMask = 0x02;     // 0000 0010
constexpr std::uint8_t PrivateMask = 0x01;     // 0000 0001
// Byte 3: IIJJ KLMM   I channel mode, J mode extension, K copyright, L original, M emphasis
constexpr std::uint8_t ChannelModeMask = 0xC0;    // 1100 0000
constexpr std::uint8_t ModeExtensionMask = 0x30;  // 0011 0000
constexpr std::uint8_t CopyrightMask = 0x08;      // 0000 1000
constexpr std::uint8_t OriginalMask = 0x04;       // 0000 0100
constexpr std::uint8_t EmphasisMask = 0x03;       // 0000 0011

// Bit rates in kbit/s by table and bitrateIndex (0 free format, 15 bad).
constexpr std::array<std::array<std::int16_t, 16>, 5> BitrateKbps = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1},  // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},     // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1},      // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},     // MPEG-2/2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},          // MPEG-2/2.5 Layers II, III
}};

// Sample rates in Hz by versionId (row) and sampleRateIndex (column).
constexpr std::array<std::array<std::int32_t, 4>, 4> SampleRateHz = {{
    {11025, 12000, 8000, -1},  // MPEG-2.5
    {-1, -1, -1, -1},          // reserved version
    {22050, 24000, 16000, -1}, // MPEG-2
    {44100, 48000, 32000, -1}, // MPEG-1
}};

// Slot size and samples per frame by layerId (0 reserved, 1 III, 2 II, 3 I).
struct LayerFacts {
    std::int32_t slotSize;
    std::int32_t samplesMpeg1;
    std::int32_t samplesMpeg2;  // MPEG-2 and MPEG-2.5
};
constexpr std::array<LayerFacts, 4> LayerTable = {{
    {-1, -1, -1},     // reserved
    {1, 1152, 576},   // Layer III
    {1, 1152, 1152},  // Layer II
    {4, 384, 384},    // Layer I
}};

constexpr std::array<const char*, 4> VersionNames = {"2.5", "Reserved", "2.0", "1.0"};
constexpr std::array<const char*, 4> LayerNames = {"Reserved", "III", "II", "I"};
constexpr std::array<const char*, 4> ChannelModeNames = {"Stereo", "Joint Stereo", "Dual Channel (stereo)",
                                                          "Single Channel (mono)"};
constexpr std::array<const char*, 4> EmphasisNames = {"None", "50/15 ms", "Reserved", "CCIT J.17"};

std::int32_t LookUpBitrate(std::uint8_t versionId, std::uint8_t layerId, std::uint8_t index) {
    if (versionId == FrameHeader::MpegReserved || layerId == 0)
        return -1;
    int table;
    if (versionId == FrameHeader::Mpeg1)
        table = 3 - layerId;  // layerId 3 (I) -> 0, 2 (II) -> 1, 1 (III) -> 2
    else
        table = layerId == 3 ? 3 : 4;
    std::int32_t kbps = BitrateKbps[static_cast<std::size_t>(table)][index];
    return kbps > 0 ? kbps * 1000 : -1;
}

}  // namespace

bool FrameHeader::decode(const std::uint8_t bytes[4]) {
    if (bytes[0] != 0xFF || (bytes[1] & SyncMask1) != SyncMask1)
        return false;

    versionId_ = static_cast<std::uint8_t>((bytes[1] & VersionMask) >> 3);
    layerId_ = static_cast<std::uint8_t>((bytes[1] & LayerMask) >> 1);
    protectionBit_ = static_cast<std::uint8_t>(bytes[1] & ProtectionMask);
    bitrateIndex_ = static_cast<std::uint8_t>((bytes[2] & BitrateMask) >> 4);
    sampleRateIndex_ = static_cast<std::uint8_t>((bytes[2] & SampleRateMask) >> 2);
    paddingBit_ = static_cast<std::uint8_t>((bytes[2] & PaddingMask) >> 1);
    privateBit_ = static_cast<std::uint8_t>(bytes[2] & PrivateMask);
    channelMode_ = static_cast<std::uint8_t>((bytes[3] & ChannelModeMask) >> 6);
    modeExtension_ = static_cast<std::uint8_t>((bytes[3] & ModeExtensionMask) >> 4);
    copyrightBit_ = static_cast<std::uint8_t>((bytes[3] & CopyrightMask) >> 3);
    originalBit_ = static_cast<std::uint8_t>((bytes[3] & OriginalMask) >> 2);
    emphasis_ = static_cast<std::uint8_t>(bytes[3] & EmphasisMask);

    bitrate_ = LookUpBitrate(versionId_, layerId_, bitrateIndex_);
    sampleRate_ = SampleRateHz[versionId_][sampleRateIndex_];
    const LayerFacts& layer = LayerTable[layerId_];
    slotSize_ = layer.slotSize;
    // A reserved version with a valid layer takes the MPEG-1 column.
    bool mpeg2Column = versionId_ == Mpeg2 || versionId_ == Mpeg25;
    samplesPerFrame_ = mpeg2Column ? layer.samplesMpeg2 : layer.samplesMpeg1;

    if (sampleRate_ > 0 && samplesPerFrame_ > 0 && bitrate_ > 0) {
        // A whole number of slots; bitrate / 8 is exact for every table entry.
        frameLengthUnpadded_ = slotSize_ * ((bitrate_ / 8) * samplesPerFrame_ / (sampleRate_ * slotSize_));
        frameLength_ = frameLengthUnpadded_ + paddingBit_ * slotSize_;
    } else {
        frameLengthUnpadded_ = -1;
        frameLength_ = -1;
    }

    return versionId_ != MpegReserved && layerId_ != 0 && bitrateIndex_ != 0 && bitrateIndex_ != 15 &&
           sampleRateIndex_ != 3 && bitrate_ > 0 && sampleRate_ > 0;
}

bool FrameHeader::matches(const FrameHeader& other) const {
    return versionId_ == other.versionId_ && layerId_ == other.layerId_ &&
           protectionBit_ == other.protectionBit_ && sampleRateIndex_ == other.sampleRateIndex_ &&
           privateBit_ == other.privateBit_ && channelMode_ == other.channelMode_ &&
           copyrightBit_ == other.copyrightBit_ && originalBit_ == other.originalBit_ &&
           emphasis_ == other.emphasis_;
}

int FrameHeader::layerNumber() const {
    return layerId_ == 0 ? 0 : 4 - layerId_;
}

void FrameHeader::takeProtectionAndChannelModeFrom(const FrameHeader& other) {
    protectionBit_ = other.protectionBit_;
    channelMode_ = other.channelMode_;
}

std::string FrameHeader::versionText() const {
    return VersionNames[versionId_];
}

std::string FrameHeader::layerText() const {
    return LayerNames[layerId_];
}

std::string FrameHeader::bitrateKbpsText() const {
    if (bitrateIndex_ == 0)
        return "Free";
    if (bitrateIndex_ == 15)
        return "Bad";
    if (bitrate_ == -1)
        return "Unknown";
    return std::to_string(bitrate_ / 1000);
}

std::string FrameHeader::bitrateBpsText() const {
    if (bitrateIndex_ == 0)
        return "Free";
    if (bitrateIndex_ == 15)
        return "Bad";
    if (bitrate_ == -1)
        return "Unknown";
    return FormatThousands(bitrate_);
}

std::string FrameHeader::sampleRateText() const {
    if (sampleRateIndex_ == 3)
        return "Reserved";
    if (sampleRate_ == -1)
        return "Unknown";
    return FormatThousands(sampleRate_);
}

std::string FrameHeader::channelModeText() const {
    return ChannelModeNames[channelMode_];
}

std::string FrameHeader::emphasisText() const {
    return EmphasisNames[emphasis_];
}

}  // namespace tw
