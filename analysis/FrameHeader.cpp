#include "analysis/FrameHeader.h"

#include <array>

#include "common/ByteOrder.h"
#include "common/Text.h"

namespace tw {
namespace {

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
    {11025, 12000, 8000, -1},   // MPEG-2.5
    {-1, -1, -1, -1},           // reserved version
    {22050, 24000, 16000, -1},  // MPEG-2
    {44100, 48000, 32000, -1},  // MPEG-1
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

constexpr std::int32_t LookUpBitrate(std::uint8_t versionId, std::uint8_t layerId, std::uint8_t index) {
    if (versionId == FrameHeader::MpegReserved || layerId == 0)
        return -1;
    int table = 0;
    if (versionId == FrameHeader::Mpeg1)
        table = 3 - layerId;  // layerId 3 (I) -> 0, 2 (II) -> 1, 1 (III) -> 2
    else
        table = layerId == 3 ? 3 : 4;
    std::int32_t kbps = BitrateKbps[static_cast<std::size_t>(table)][index];
    return kbps > 0 ? kbps * 1000 : -1;
}

// Everything that follows from version, layer, bit-rate index and sample-rate
// index, worked out once at compile time: the walk decodes a header per frame.
struct Derived {
    std::int32_t bitrate;
    std::int32_t sampleRate;
    std::int32_t slotSize;
    std::int32_t samplesPerFrame;
    std::int32_t frameLengthUnpadded;
    bool valid;
};

// Index bits: version (2) layer (2) bitrateIndex (4) sampleRateIndex (2), i.e.
// byte 1 bits 4..1 followed by byte 2 bits 7..2.
constexpr std::size_t DerivedIndex(std::uint8_t byte1, std::uint8_t byte2) {
    return (static_cast<std::size_t>((byte1 >> 1) & 0x0F) << 6) | static_cast<std::size_t>(byte2 >> 2);
}

constexpr std::array<Derived, 1024> MakeDerivedTable() {
    std::array<Derived, 1024> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto versionId = static_cast<std::uint8_t>((i >> 8) & 3);
        const auto layerId = static_cast<std::uint8_t>((i >> 6) & 3);
        const auto bitrateIndex = static_cast<std::uint8_t>((i >> 2) & 15);
        const auto sampleRateIndex = static_cast<std::uint8_t>(i & 3);
        Derived d{};
        d.bitrate = LookUpBitrate(versionId, layerId, bitrateIndex);
        d.sampleRate = SampleRateHz[versionId][sampleRateIndex];
        const LayerFacts& layer = LayerTable[layerId];
        d.slotSize = layer.slotSize;
        // A reserved version with a valid layer takes the MPEG-1 column.
        const bool mpeg2Column = versionId == FrameHeader::Mpeg2 || versionId == FrameHeader::Mpeg25;
        d.samplesPerFrame = mpeg2Column ? layer.samplesMpeg2 : layer.samplesMpeg1;
        // A whole number of slots; bitrate / 8 is exact for every table entry.
        d.frameLengthUnpadded = d.sampleRate > 0 && d.samplesPerFrame > 0 && d.bitrate > 0
                                    ? d.slotSize * ((d.bitrate / 8) * d.samplesPerFrame / (d.sampleRate * d.slotSize))
                                    : -1;
        d.valid = versionId != FrameHeader::MpegReserved && layerId != 0 && bitrateIndex != 0 && bitrateIndex != 15 &&
                  sampleRateIndex != 3 && d.bitrate > 0 && d.sampleRate > 0;
        table[i] = d;
    }
    return table;
}

constexpr std::array<Derived, 1024> DerivedTable = MakeDerivedTable();

// Spot checks of the table against hand-worked frames.
static_assert(DerivedTable[DerivedIndex(0xFB, 0x90)].frameLengthUnpadded == 417, "MPEG-1 L3 128k 44.1k");
static_assert(DerivedTable[DerivedIndex(0xF3, 0x84)].frameLengthUnpadded == 192, "MPEG-2 L3 64k 24k");
static_assert(DerivedTable[DerivedIndex(0xE3, 0x18)].frameLengthUnpadded == 72, "MPEG-2.5 L3 8k 8k");
static_assert(DerivedTable[DerivedIndex(0xFF, 0xC0)].frameLengthUnpadded == 416, "MPEG-1 L1 384k 44.1k");
static_assert(!DerivedTable[DerivedIndex(0xFB, 0x00)].valid, "free format");

// The bits of `mask` in `word`, shifted down to bit 0.
constexpr std::uint8_t Field(std::uint32_t word, std::uint32_t mask) {
    std::uint32_t low = mask & (~mask + 1);  // lowest set bit of the mask
    return static_cast<std::uint8_t>((word & mask) / low);
}

}  // namespace

bool FrameHeader::decode(const std::uint8_t bytes[4]) {
    const std::uint32_t word = BigEndian32(bytes);
    if ((word & SyncMask) != SyncMask)
        return false;

    word_ = word;
    versionId_ = Field(word, VersionMask);
    layerId_ = Field(word, LayerMask);
    protectionBit_ = Field(word, ProtectionMask);
    bitrateIndex_ = Field(word, BitrateMask);
    sampleRateIndex_ = Field(word, SampleRateMask);
    paddingBit_ = Field(word, PaddingMask);
    privateBit_ = Field(word, PrivateMask);
    channelMode_ = Field(word, ChannelModeMask);
    modeExtension_ = Field(word, ModeExtensionMask);
    copyrightBit_ = Field(word, CopyrightMask);
    originalBit_ = Field(word, OriginalMask);
    emphasis_ = Field(word, EmphasisMask);

    const Derived& d = DerivedTable[DerivedIndex(bytes[1], bytes[2])];
    bitrate_ = d.bitrate;
    sampleRate_ = d.sampleRate;
    slotSize_ = d.slotSize;
    samplesPerFrame_ = d.samplesPerFrame;
    frameLengthUnpadded_ = d.frameLengthUnpadded;
    frameLength_ = d.frameLengthUnpadded < 0 ? -1 : d.frameLengthUnpadded + paddingBit_ * d.slotSize;
    return d.valid;
}

bool FrameHeader::matches(const FrameHeader& other) const {
    return versionId_ == other.versionId_ && layerId_ == other.layerId_ && protectionBit_ == other.protectionBit_ &&
           sampleRateIndex_ == other.sampleRateIndex_ && privateBit_ == other.privateBit_ && sameChannelMode(other) &&
           copyrightBit_ == other.copyrightBit_ && originalBit_ == other.originalBit_ && emphasis_ == other.emphasis_;
}

bool FrameHeader::sameChannelMode(const FrameHeader& other) const {
    if (channelMode_ == other.channelMode_)
        return true;
    // Layers I and II may switch between stereo and joint stereo from frame
    // to frame (an encoder picks per frame whether intensity stereo pays).
    return allowsStereoSwitch() && other.channelMode_ <= JointStereo;
}

bool FrameHeader::allowsStereoSwitch() const {
    return (layerNumber() == 1 || layerNumber() == 2) && channelMode_ <= JointStereo;
}

int FrameHeader::layerNumber() const {
    return layerId_ == 0 ? 0 : 4 - layerId_;
}

void FrameHeader::takeProtectionAndChannelModeFrom(const FrameHeader& other) {
    protectionBit_ = other.protectionBit_;
    channelMode_ = other.channelMode_;
    const std::uint32_t taken = ProtectionMask | ChannelModeMask;
    word_ = (word_ & ~taken) | (other.word_ & taken);
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
