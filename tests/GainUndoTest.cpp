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
    const std::vector<std::pair<std::string, GainUndo>> good = {
        {"-002,-002,N", {-2, -2, false}},
        {"+005,+003,W", {5, 3, true}},
        {"0,-255,w", {0, -255, true}},
        {" +1 , 2 ,n ", {1, 2, false}},
        {std::string("-003,+000,N\0", 12), {-3, 0, false}},
    };
    for (const auto& [text, want] : good) {
        GainUndo u;
        ASSERT_TRUE(ParseGainUndo(text, u)) << text;
        EXPECT_EQ(u.left, want.left) << text;
        EXPECT_EQ(u.right, want.right) << text;
        EXPECT_EQ(u.wrap, want.wrap) << text;
    }
    for (const char* text :
         {"", "-002,-002", "-002,-002,X", "-002,-002,NN", "+256,0,N", "0001,0,N", "--1,0,N", "1,,N", "a,1,N"}) {
        GainUndo u{7, 7, true};
        EXPECT_FALSE(ParseGainUndo(text, u)) << text;
        EXPECT_EQ(u.left, 7) << text;  // untouched
    }
}

// A Layer III frame written field by field, the way an encoder lays out the
// side information, with every bit that isn't a global_gain set.
class FrameWriter {
public:
    void put(unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (bit_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> i) & 1u)
                bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (bit_ % 8));
            ++bit_;
        }
    }
    Bytes done() {
        bytes_.resize(bytes_.size() + 16, 0xFF);  // main data
        return bytes_;
    }

private:
    Bytes bytes_;
    std::size_t bit_ = 0;
};

// Stereo (not joint) or mono; MPEG-1 or MPEG-2.
Bytes Frame(bool mpeg1, bool mono, bool protectedByCrc, const std::vector<unsigned>& gains) {
    FrameWriter w;
    const unsigned versionBits = mpeg1 ? 3 : 2;
    w.put(0x7FF, 11);
    w.put(versionBits, 2);
    w.put(1, 2);  // Layer III
    w.put(protectedByCrc ? 0 : 1, 1);
    w.put(0x50, 8);
    w.put(mono ? 0xC0 : 0x00, 8);  // stereo, not joint
    if (protectedByCrc)
        w.put(0x1234, 16);
    const int channels = mono ? 1 : 2;
    std::size_t g = 0;
    if (mpeg1) {
        w.put(0x1FF, 9);
        w.put(0x1F, mono ? 5 : 3);
        w.put(0xF, 4 * channels);
        for (int gr = 0; gr < 2; ++gr) {
            for (int ch = 0; ch < channels; ++ch) {
                w.put(0x1FFFFF, 21);
                w.put(gains[g++], 8);
                w.put(0x3FFFFFFFu, 30);
            }
        }
    } else {
        w.put(0xFF, 8);
        w.put(3, mono ? 1 : 2);
        for (int ch = 0; ch < channels; ++ch) {
            w.put(0x1FFFFF, 21);
            w.put(gains[g++], 8);
            w.put(0xF, 4);
            w.put(0x3FFFFFFFu, 30);
        }
    }
    return w.done();
}

// The same with the CRC that the encoder would have written.
Bytes FrameWithCrc(bool mpeg1, bool mono, const std::vector<unsigned>& gains) {
    Bytes frame = Frame(mpeg1, mono, true, gains);
    const std::uint16_t crc = Layer3FrameCrc(frame.data(), frame.size());
    frame[4] = static_cast<std::uint8_t>(crc >> 8);
    frame[5] = static_cast<std::uint8_t>(crc);
    return frame;
}

TEST(GainUndo, ChangesOnlyTheGlobalGainsOfEveryLayout) {
    struct Case {
        bool mpeg1, mono;
        std::vector<unsigned> gains;
    };
    const Case cases[] = {
        {true, false, {150, 160, 170, 180}},
        {true, true, {150, 160}},
        {false, false, {150, 160}},
        {false, true, {150}},
    };
    for (const Case& c : cases) {
        for (bool crc : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mpeg1 " << c.mpeg1 << " mono " << c.mono << " crc " << crc);
            auto build = [&](const std::vector<unsigned>& gains) {
                return crc ? FrameWithCrc(c.mpeg1, c.mono, gains) : Frame(c.mpeg1, c.mono, false, gains);
            };
            Bytes frame = build(c.gains);
            std::uint8_t read[4] = {};
            ASSERT_EQ(ReadGlobalGains(frame.data(), frame.size(), read), static_cast<int>(c.gains.size()));
            EXPECT_EQ(std::vector<unsigned>(read, read + c.gains.size()), c.gains);

            // Channel 0 takes the left steps, channel 1 the right ones.
            std::vector<unsigned> want = c.gains;
            for (std::size_t i = 0; i < want.size(); ++i)
                want[i] += c.mono || i % 2 == 0 ? 3 : 0xFFFFFFFEu;  // +3 and -2
            const GainUndo undo{3, c.mono ? 3 : -2, false};
            EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), undo), GainUndoResult::Exact);
            EXPECT_EQ(frame, build(want));

            // The side information must be all there.
            const std::size_t sideInfo = (crc ? 6 : 4) + (c.mpeg1 ? (c.mono ? 17 : 32) : (c.mono ? 9 : 17));
            EXPECT_EQ(UndoGainChange(frame.data(), sideInfo - 1, undo), GainUndoResult::TooShort);
            EXPECT_EQ(ReadGlobalGains(frame.data(), sideInfo - 1, read), 0);
        }
    }
}

TEST(GainUndo, WrapClampAndChannelRules) {
    std::uint8_t g[4];
    // Wrapped changes come back modulo 256.
    Bytes frame = Frame(true, false, false, {254, 1, 100, 100});
    EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), {3, -3, true}), GainUndoResult::Exact);
    ReadGlobalGains(frame.data(), frame.size(), g);
    EXPECT_EQ(std::vector<int>(g, g + 4), (std::vector<int>{1, 254, 103, 97}));

    // Without wrap a value at the bound may have been clamped by the change.
    frame = Frame(true, false, false, {255, 150, 150, 150});
    EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), {-3, -3, false}), GainUndoResult::MaybeInexact);
    frame = Frame(true, false, false, {255, 150, 150, 150});
    EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), {3, 3, false}), GainUndoResult::MaybeInexact);
    ReadGlobalGains(frame.data(), frame.size(), g);
    EXPECT_EQ(g[0], 255);  // stops at the bound, never wraps

    // A CRC that didn't match before is no CRC the tool wrote: it stays.
    frame = Frame(true, false, true, {150, 150, 150, 150});
    EXPECT_EQ(UndoGainChange(frame.data(), frame.size(), {1, 1, false}), GainUndoResult::Exact);
    EXPECT_EQ(BigEndian16(&frame[4]), 0x1234);

    // The tool records unequal steps on mono and joint stereo but applies none.
    for (const Bytes& f : {Frame(false, true, false, {150}), [] {
                               Bytes joint = Frame(true, false, false, {150, 150, 150, 150});
                               joint[3] = 0x40;
                               return joint;
                           }()}) {
        Bytes copy = f;
        EXPECT_EQ(UndoGainChange(copy.data(), copy.size(), {-4, 0, false}), GainUndoResult::ChannelsDiffer);
        EXPECT_EQ(copy, f);
    }

    // Layer II, reserved version, no sync: left alone.
    for (std::uint8_t b1 : {0xFD, 0xEB, 0x7B}) {
        Bytes other = Frame(true, false, false, {150, 150, 150, 150});
        other[1] = b1;
        const Bytes before = other;
        EXPECT_EQ(UndoGainChange(other.data(), other.size(), {1, 1, false}), GainUndoResult::NotLayer3);
        EXPECT_EQ(other, before);
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
