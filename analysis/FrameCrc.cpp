#include "analysis/FrameCrc.h"

#include <array>

#include "analysis/Layer2Tables.h"
#include "common/ByteOrder.h"

namespace tw {
namespace {

constexpr std::uint16_t Polynomial = 0x8005;
constexpr std::uint16_t InitialCrc = 0xFFFF;
// Header (4 bytes) and the CRC field (2 bytes) come before the protected bits.
constexpr std::size_t CrcOffset = 4;
constexpr std::size_t ProtectedOffset = 6;
constexpr std::int32_t ProtectedOffsetBits = 8 * static_cast<std::int32_t>(ProtectedOffset);
constexpr int ModeExtensionShift = 4;
static_assert(FrameHeader::ModeExtensionMask >> ModeExtensionShift == 3, "two bits at 5..4");

constexpr std::uint16_t StepBit(std::uint16_t crc, bool bit) {
    const bool top = ((crc & 0x8000) != 0) != bit;
    crc = static_cast<std::uint16_t>(crc << 1);
    return top ? static_cast<std::uint16_t>(crc ^ Polynomial) : crc;
}

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        auto crc = static_cast<std::uint16_t>(i << 8);
        for (int b = 0; b < 8; ++b)
            crc = StepBit(crc, false);
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> CrcTable = MakeCrcTable();

constexpr std::uint16_t StepByte(std::uint16_t crc, std::uint8_t byte) {
    return static_cast<std::uint16_t>((crc << 8) ^ CrcTable[((crc >> 8) ^ byte) & 0xFF]);
}

// The usual check value of this CRC: "123456789" gives 0xAEE7.
constexpr std::uint16_t CheckValue() {
    std::uint16_t crc = InitialCrc;
    for (char c : {'1', '2', '3', '4', '5', '6', '7', '8', '9'})
        crc = StepByte(crc, static_cast<std::uint8_t>(c));
    return crc;
}
static_assert(CheckValue() == 0xAEE7, "CRC table");

std::int32_t Channels(const FrameHeader& header) {
    return header.isChannelMode(FrameHeader::SingleChannel) ? 1 : 2;
}

// First subband whose allocation both channels share: all of them unless
// joint stereo, where the mode extension puts it at 4, 8, 12 or 16.
std::int32_t JointStereoBound(const FrameHeader& header, std::int32_t subbands) {
    if (!header.isChannelMode(FrameHeader::JointStereo))
        return subbands;
    const auto modeExtension =
        static_cast<std::int32_t>((header.word() & FrameHeader::ModeExtensionMask) >> ModeExtensionShift);
    const std::int32_t bound = 4 * (modeExtension + 1);
    return bound < subbands ? bound : subbands;
}

std::int32_t Layer1Bits(const FrameHeader& header) {
    constexpr std::int32_t Subbands = 32;
    constexpr std::int32_t FieldBits = 4;
    if (Channels(header) == 1)
        return Subbands * FieldBits;
    const std::int32_t bound = JointStereoBound(header, Subbands);
    return (2 * bound + (Subbands - bound)) * FieldBits;
}

std::int32_t Layer3Bits(const FrameHeader& header) {
    const bool mono = Channels(header) == 1;
    const std::int32_t bytes = header.isVersion(FrameHeader::Mpeg1) ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return 8 * bytes;
}

// Reads the allocation fields, which must lie within `available`, and adds
// two bits of scale factor selection per subband and channel with a
// non-zero allocation.
std::int32_t Layer2Bits(const FrameHeader& header, const std::uint8_t* frame, std::size_t available) {
    const Layer2Allocation* table = Layer2AllocationFor(header);
    if (table == nullptr)
        return -1;
    const std::int32_t channels = Channels(header);
    const std::int32_t bound = JointStereoBound(header, table->subbands);
    const std::size_t limitBits = 8 * (available - ProtectedOffset);
    std::size_t position = 0;
    std::int32_t selected = 0;
    for (std::int32_t sb = 0; sb < table->subbands; ++sb) {
        const std::uint8_t width = table->fieldBits[static_cast<std::size_t>(sb)];
        const std::int32_t fields = sb < bound ? channels : 1;
        for (std::int32_t f = 0; f < fields; ++f) {
            if (position + width > limitBits)
                return -1;
            // A field of at most 4 bits spans one byte or two; the second is
            // read only when the field reaches into it.
            const std::size_t byte = ProtectedOffset + position / 8;
            const std::size_t shift = position % 8;
            std::uint32_t window = static_cast<std::uint32_t>(frame[byte]) << 8;
            if (shift + width > 8)
                window |= frame[byte + 1];
            const std::uint32_t value = (window >> (16 - shift - width)) & ((1u << width) - 1);
            position += width;
            // A shared allocation above the bound is there for both channels.
            if (value != 0)
                selected += sb < bound ? 1 : channels;
        }
    }
    return static_cast<std::int32_t>(position) + 2 * selected;
}

}  // namespace

std::int32_t ProtectedBitCount(const FrameHeader& header, const std::uint8_t* frame, std::size_t available) {
    if (!header.isCrcProtected() || frame == nullptr || available < ProtectedOffset ||
        header.isVersion(FrameHeader::MpegReserved) || !header.isBitrateKnown() || !header.isSampleRateKnown() ||
        header.frameLength() <= 0)
        return -1;
    std::int32_t bits = -1;
    switch (header.layerNumber()) {
        case 1:
            bits = Layer1Bits(header);
            break;
        case 2:
            bits = Layer2Bits(header, frame, available);
            break;
        case 3:
            bits = Layer3Bits(header);
            break;
        default:
            return -1;
    }
    // Small Layer I frames at 32 kbit/s cannot hold two channels' allocations.
    if (bits < 0 || ProtectedOffsetBits + bits > 8 * header.frameLength())
        return -1;
    return bits;
}

std::uint16_t UpdateCrc16(std::uint16_t crc, const std::uint8_t* data, std::size_t bits) {
    const std::size_t whole = bits / 8;
    for (std::size_t i = 0; i < whole; ++i)
        crc = StepByte(crc, data[i]);
    const std::size_t tail = bits % 8;
    for (std::size_t i = 0; i < tail; ++i)
        crc = StepBit(crc, ((data[whole] >> (7 - i)) & 1) != 0);
    return crc;
}

std::uint16_t ComputeFrameCrc(const std::uint8_t* frame, std::int32_t protectedBits) {
    const std::uint16_t crc = UpdateCrc16(InitialCrc, frame + 2, 16);
    return UpdateCrc16(crc, frame + ProtectedOffset, static_cast<std::size_t>(protectedBits));
}

FrameCrcResult CheckFrameCrc(const FrameHeader& header, const std::uint8_t* frame, std::size_t available,
                             std::uint16_t* computed) {
    if (!header.isCrcProtected())
        return FrameCrcResult::NotProtected;
    const std::int32_t bits = ProtectedBitCount(header, frame, available);
    if (bits < 0 || available < ProtectedOffset + (static_cast<std::size_t>(bits) + 7) / 8)
        return FrameCrcResult::Unchecked;
    const std::uint16_t crc = ComputeFrameCrc(frame, bits);
    if (computed != nullptr)
        *computed = crc;
    return crc == BigEndian16(frame + CrcOffset) ? FrameCrcResult::Match : FrameCrcResult::Mismatch;
}

}  // namespace tw
