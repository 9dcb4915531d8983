#include "analysis/GainUndo.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ByteOrder.h"

namespace tw {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(GainUndo, ParsesTheRecordAndRejectsAnythingElse) {
    const std::vector<std::pair<std::string, GainUndo>> good = {{"-002,-002,N", {-2, -2, false}},
                                                                {"+005,+003,W", {5, 3, true}},
                                                                {"0,-255,w", {0, -255, true}},
                                                                {" +1 , 2 ,n ", {1, 2, false}},
                                                                {std::string("-003,+000,N\0", 12), {-3, 0, false}}};
    for (const auto& [text, want] : good) {
        GainUndo u;
        ASSERT_TRUE(ParseGainUndo(text, u)) << text;
        EXPECT_TRUE(u.left == want.left && u.right == want.right && u.wrap == want.wrap) << text;
    }
    for (const char* text :
         {"", "-002,-002", "-002,-002,X", "-002,-002,NN", "+256,0,N", "0001,0,N", "--1,0,N", "1,,N", "a,1,N"}) {
        GainUndo u{7, 7, true};
        EXPECT_FALSE(ParseGainUndo(text, u)) << text;
        EXPECT_EQ(u.left, 7) << text;  // untouched
    }
}

// A stereo (not joint) or mono Layer III frame written field by field, the
// way an encoder lays out the side information, every bit that isn't a
// global_gain set; with the CRC the encoder would write, or a wrong one.
Bytes Frame(bool mpeg1, bool mono, bool protectedByCrc, const std::vector<unsigned>& gains, bool rightCrc = true) {
    Bytes bytes;
    std::size_t bit = 0;
    auto put = [&](unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i, ++bit) {
            if (bit % 8 == 0)
                bytes.push_back(0);
            if ((value >> i) & 1u)
                bytes.back() |= static_cast<std::uint8_t>(0x80u >> (bit % 8));
        }
    };
    put(0x7FF, 11);
    put(mpeg1 ? 3 : 2, 2);
    put(1, 2);  // Layer III
    put(protectedByCrc ? 0 : 1, 1);
    put(0x50, 8);
    put(mono ? 0xC0 : 0x00, 8);
    if (protectedByCrc)
        put(0x1234, 16);
    const int channels = mono ? 1 : 2;
    std::size_t g = 0;
    put(mpeg1 ? 0x1FF : 0xFF, mpeg1 ? 9 : 8);  // main_data_begin
    put(0x1F, mpeg1 ? (mono ? 5 : 3) : (mono ? 1 : 2));
    if (mpeg1)
        put(0xFF, 4 * channels);  // scfsi
    for (int gr = 0; gr < (mpeg1 ? 2 : 1); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            put(0x1FFFFF, 21);
            put(gains[g++], 8);
            put(0x3FFFFFFFu, 30);
            if (!mpeg1)
                put(0xF, 4);
        }
    }
    bytes.resize(bytes.size() + 16, 0xFF);  // main data
    if (protectedByCrc && rightCrc) {
        const std::uint16_t crc = Layer3FrameCrc(bytes.data(), bytes.size());
        bytes[4] = static_cast<std::uint8_t>(crc >> 8);
        bytes[5] = static_cast<std::uint8_t>(crc);
    }
    return bytes;
}

TEST(GainUndo, ChangesOnlyTheGlobalGainsOfEveryLayout) {
    const std::vector<std::pair<bool, bool>> layouts = {{true, false}, {true, true}, {false, false}, {false, true}};
    for (const auto& [mpeg1, mono] : layouts) {
        for (bool crc : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mpeg1 " << mpeg1 << " mono " << mono << " crc " << crc);
            const std::vector<unsigned> gains = {150, 160, 170, 180};
            const std::size_t count = (mpeg1 ? 2u : 1u) * (mono ? 1u : 2u);
            Bytes frame = Frame(mpeg1, mono, crc, gains);
            std::uint8_t read[4] = {};
            ASSERT_EQ(ReadGlobalGains(frame.data(), frame.size(), read), static_cast<int>(count));
            EXPECT_EQ(std::vector<unsigned>(read, read + count),
                      std::vector<unsigned>(gains.begin(), gains.begin() + count));

            // Channel 0 takes the left steps, channel 1 the right ones.
            std::vector<unsigned> want = gains;
            for (std::size_t i = 0; i < count; ++i)
                want[i] += mono || i % 2 == 0 ? 3 : 0xFFFFFFFEu;  // +3 and -2
            const GainUndo undo{3, mono ? 3 : -2, false};
            EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), undo), GainUndoResult::Exact);
            EXPECT_EQ(frame, Frame(mpeg1, mono, crc, want));

            // The side information must be all there.
            const std::size_t sideInfo = (crc ? 6 : 4) + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
            EXPECT_EQ(UndoGainChange(frame.data(), sideInfo - 1, undo), GainUndoResult::TooShort);
            EXPECT_EQ(ReadGlobalGains(frame.data(), sideInfo - 1, read), 0);
        }
    }
}

TEST(GainUndo, WrapClampCrcAndChannelRules) {
    std::uint8_t g[4];
    // Wrapped changes come back modulo 256.
    Bytes frame = Frame(true, false, false, {254, 1, 100, 100});
    EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), {3, -3, true}), GainUndoResult::Exact);
    ReadGlobalGains(frame.data(), frame.size(), g);
    EXPECT_EQ(std::vector<int>(g, g + 4), (std::vector<int>{1, 254, 103, 97}));

    // Without wrap a value at the bound may have been clamped by the change.
    for (int steps : {-3, 3}) {
        frame = Frame(true, false, false, {255, 0, 150, 150});
        EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), {steps, steps, false}), GainUndoResult::MaybeInexact);
    }
    ReadGlobalGains(frame.data(), frame.size(), g);
    EXPECT_EQ(g[0], 255);  // stops at the bound, never wraps

    // A CRC that didn't match before is no CRC the tool wrote: it stays.
    frame = Frame(true, false, true, {150, 150, 150, 150}, false);
    EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), {1, 1, false}), GainUndoResult::Exact);
    EXPECT_EQ(BigEndian16(&frame[4]), 0x1234);

    // The tool records unequal steps on mono and joint stereo but applies
    // none; Layer II (0xFD) and a reserved version (0xEB) are no business.
    const Bytes mono = Frame(false, true, false, {150});
    Bytes joint = Frame(true, false, false, {150, 150, 150, 150});
    joint[3] = 0x40;
    Bytes layer2 = joint, reserved = joint;
    layer2[1] = 0xFD;
    reserved[1] = 0xEB;
    const std::vector<std::pair<Bytes, GainUndoResult>> untouched = {{mono, GainUndoResult::ChannelsDiffer},
                                                                     {joint, GainUndoResult::ChannelsDiffer},
                                                                     {layer2, GainUndoResult::NotLayer3},
                                                                     {reserved, GainUndoResult::NotLayer3}};
    for (const auto& [before, result] : untouched) {
        Bytes copy = before;
        EXPECT_EQ(UndoGainChange(copy.data(), copy.size(), {-4, 0, false}), result);
        EXPECT_EQ(copy, before);
    }
}

// The start of real frames (header, CRC, side information) before and after
// mp3gain 1.6.2 changed them, and its record.
struct RealFrame {
    const char* what;
    Bytes original;
    std::vector<std::pair<std::size_t, std::uint8_t>> mp3gainChanged;
    GainUndo record;
};

TEST(GainUndo, UndoesRealMp3gainChangesByteForByte) {
    const RealFrame frames[] = {
        {"MPEG-1 32 kHz stereo, protected; mp3gain -l 0 3, -l 1 -2 (\"-003,+002,N\")",
         {0xFF, 0xFA, 0x18, 0x04, 0x54, 0x36, 0x06, 0x8B, 0xF0, 0xEC, 0x09, 0x4E, 0xC1, 0x3D,
          0xC0, 0xA8, 0x1A, 0xA1, 0x39, 0xF0, 0x07, 0x1D, 0x15, 0x43, 0x38, 0x25, 0x41, 0x01,
          0xF7, 0x02, 0xB0, 0x6B, 0x85, 0x67, 0xC0, 0x1C, 0x74, 0x4C, 0x7D, 0xBB},
         {{4, 0x45}, {5, 0xE0}, {11, 0x50}, {12, 0x41}, {19, 0xD0}, {26, 0x47}, {34, 0x40}},
         {-3, 2, false}},
        {"MPEG-2 16 kHz stereo, protected; same change",
         {0xFF, 0xF2, 0x48, 0x04, 0x4C, 0xA4, 0x0F, 0x07, 0x68, 0x39, 0x24, 0x00,
          0xEF, 0x18, 0x00, 0x8D, 0xF8, 0x8A, 0x4C, 0x01, 0xDE, 0xD0, 0x01, 0x43},
         {{4, 0x32}, {5, 0x6B}, {10, 0x2A}, {18, 0x44}},
         {-3, 2, false}},
        {"MPEG-2.5 8 kHz mono; mp3gain -g 4 (\"-004,-004,N\")",
         {0xFF, 0xE3, 0x18, 0xC4, 0x06, 0x0E, 0x68, 0xA6, 0x5C, 0x01, 0xDE, 0x00, 0x00, 0xFF},
         {{8, 0x6C}},
         {-4, -4, false}},
    };
    for (const RealFrame& f : frames) {
        SCOPED_TRACE(f.what);
        Bytes gained = f.original;
        for (const auto& [at, value] : f.mp3gainChanged)
            gained[at] = value;
        // The encoder's CRC holds before and the tool's after.
        if ((f.original[1] & 1) == 0) {
            EXPECT_EQ(Layer3FrameCrc(f.original.data(), f.original.size()), (f.original[4] << 8) | f.original[5]);
            EXPECT_EQ(Layer3FrameCrc(gained.data(), gained.size()), (gained[4] << 8) | gained[5]);
        }
        EXPECT_EQ(UndoGainChange(gained.data(), gained.size(), f.record), GainUndoResult::Exact);
        EXPECT_EQ(gained, f.original);
    }
}

}  // namespace
}  // namespace tw
