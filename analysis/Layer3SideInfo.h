// Where the side information of a Layer III frame lies, from its header
// alone, and the fields two tools change in place: the gain undo (each
// granule's global_gain) and the repair (a frame made silent).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

struct Layer3SideInfo {
    std::size_t offset = 0;  // first byte, after the header and any CRC
    std::size_t length = 0;  // bytes
    int channels = 0;
    int granules = 0;
    std::size_t mainDataBeginBits = 0;   // 9 (MPEG-1) or 8
    std::size_t firstGranuleBit = 0;     // from the start of the side information
    std::size_t granuleChannelBits = 0;  // one granule of one channel
    std::uint8_t channelMode = 0;
    bool protectedByCrc = false;

    // Bit of the side information where a granule's channel starts: its
    // part2_3_length (12 bits), big_values (9), global_gain (8), ...
    std::size_t granuleBit(int granule, int channel) const {
        return offset * 8 + firstGranuleBit +
               granuleChannelBits * static_cast<std::size_t>(granule * channels + channel);
    }
};

// False for anything but a Layer III header of a known version.
bool Layer3SideInfoOf(const std::uint8_t* frame, std::size_t length, Layer3SideInfo& info);

// `bits` (at most 16) bits from bit `bit` of `bytes`, most significant first.
unsigned GetBits(const std::uint8_t* bytes, std::size_t bit, std::size_t bits);
void SetBits(std::uint8_t* bytes, std::size_t bit, std::size_t bits, unsigned value);

// main_data_begin: how many bytes of the main data of the frames before it
// the frame's own begins with; -1 when the side information isn't all there.
int MainDataBegin(const std::uint8_t* frame, std::size_t length);

// Bytes of the frame after its side information: its part of the main data.
int MainDataSize(const std::uint8_t* frame, std::size_t length);

// Bytes of main data, this frame's and the frames' before it, that its own
// main data leaves unused: where the next frame's main data begins when
// nothing comes between. -1 when the side information isn't all there.
int MainDataLeft(const std::uint8_t* frame, std::size_t length);

// Makes a frame decode to silence without reading any main data: every
// granule's part2_3_length, big_values and scalefac_compress (so that no
// scale factor bits are due) become 0; a CRC that matched is written again.
// main_data_begin stays, cut to the `reach` bytes of main data in front of
// the frame: decoders that hand the reservoir on frame by frame (mpg123) pass
// the frames after it only what it reaches back for. False when it isn't a
// whole Layer III frame.
bool SilenceLayer3Frame(std::uint8_t* frame, std::size_t length, int reach);

// CRC-16 of a Layer III frame: the last two header bytes and the side
// information. 0 when the side information isn't all there.
std::uint16_t Layer3FrameCrc(const std::uint8_t* frame, std::size_t length);

}  // namespace tw
