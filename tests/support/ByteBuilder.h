// Builds MPEG audio files in memory, so that each edge case is written out
// where it is tested: frames, Xing and VBRI tags with the LAME extension,
// ID3v1 and ID3v2 tags, APE tags.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/FrameHeader.h"
#include "common/Crc16.h"

namespace tw::test {

using Bytes = std::vector<std::uint8_t>;

// The frame most tests are made of: MPEG-1 Layer III, 128 kbit/s, 44,100 Hz,
// joint stereo, 417 bytes unpadded.
inline const std::initializer_list<std::uint8_t> Cbr128{0xFF, 0xFB, 0x90, 0x64};
constexpr int Cbr128Bytes = 417;

class ByteBuilder {
public:
    ByteBuilder& bytes(std::initializer_list<std::uint8_t> b) {
        data_.insert(data_.end(), b.begin(), b.end());
        return *this;
    }
    ByteBuilder& bytes(const Bytes& b) {
        data_.insert(data_.end(), b.begin(), b.end());
        return *this;
    }
    ByteBuilder& text(const std::string& s) {
        data_.insert(data_.end(), s.begin(), s.end());
        return *this;
    }
    ByteBuilder& fill(std::size_t n, std::uint8_t value = 0) {
        data_.insert(data_.end(), n, value);
        return *this;
    }
    ByteBuilder& be32(std::uint32_t v) {
        return bytes({static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                      static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
    }
    ByteBuilder& le32(std::uint32_t v) {
        return bytes({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                      static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
    }
    ByteBuilder& syncsafe(std::uint32_t v) {
        return bytes({static_cast<std::uint8_t>((v >> 21) & 0x7F), static_cast<std::uint8_t>((v >> 14) & 0x7F),
                      static_cast<std::uint8_t>((v >> 7) & 0x7F), static_cast<std::uint8_t>(v & 0x7F)});
    }

    // One whole frame: the four header bytes, then zero bytes up to the
    // header's frameLength.
    ByteBuilder& frame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
        return frame({b0, b1, b2, b3});
    }
    ByteBuilder& frame(std::initializer_list<std::uint8_t> header) {
        std::uint8_t h[4];
        std::copy(header.begin(), header.end(), h);
        FrameHeader fh;
        fh.decode(h);
        std::size_t start = data_.size();
        data_.insert(data_.end(), h, h + 4);
        if (fh.frameLength() > 4)
            data_.resize(start + static_cast<std::size_t>(fh.frameLength()), 0);
        return *this;
    }
    ByteBuilder& frames(int count, std::initializer_list<std::uint8_t> header) {
        for (int i = 0; i < count; ++i)
            frame(header);
        return *this;
    }

    // A frame that carries a Xing tag at `xingOffset` with the given flags and
    // frame count.
    ByteBuilder& xingFrame(std::initializer_list<std::uint8_t> header, std::size_t xingOffset, std::uint32_t flags,
                           std::uint32_t frames, const char* magic = "Xing") {
        std::size_t start = data_.size();
        frame(header);
        patch(start + xingOffset, std::string(magic, 4));
        patchBe32(start + xingOffset + 4, flags);
        patchBe32(start + xingOffset + 8, frames);
        return *this;
    }

    // A frame that carries a VBRI tag at `vbriOffset` with the frame count.
    ByteBuilder& vbriFrame(std::initializer_list<std::uint8_t> header, std::size_t vbriOffset, std::uint32_t frames) {
        std::size_t start = data_.size();
        frame(header);
        patch(start + vbriOffset, "VBRI");
        patchBe32(start + vbriOffset + 14, frames);
        return *this;
    }

    // A Xing or Info header frame as lame writes it: the frame and byte
    // counts, a table of contents, the quality, then the LAME extension with
    // its music length and music CRC and the tag CRC over the frame up to it.
    ByteBuilder& lameFrame(std::initializer_list<std::uint8_t> header, std::size_t xingOffset, std::uint32_t frames,
                           std::uint32_t bytes, std::uint32_t musicLength, std::uint16_t musicCrc,
                           const char* magic = "Xing") {
        const std::size_t start = data_.size();
        xingFrame(header, xingOffset, 0xF, frames, magic);
        const std::size_t lame = start + xingOffset + 120;
        patchBe32(start + xingOffset + 12, bytes);
        patch(lame, "LAME3.100");
        patchBe32(lame + 28, musicLength);
        patch(lame + 32, {static_cast<char>(musicCrc >> 8), static_cast<char>(musicCrc)});
        const std::uint16_t tagCrc = Crc16Arc(0, data_.data() + start, xingOffset + 120 + 34);
        return patch(lame + 34, {static_cast<char>(tagCrc >> 8), static_cast<char>(tagCrc)});
    }

    // An APE tag block (header or footer) as given, to build broken tags too.
    ByteBuilder& apeBlock(std::uint32_t version, std::uint32_t size, std::uint32_t count, std::uint32_t flags) {
        return text("APETAGEX").le32(version).le32(size).le32(count).le32(flags).fill(8);
    }
    // One APE item: value size, flags, key, its terminating zero, value.
    ByteBuilder& apeItem(const std::string& key, const std::string& value, std::uint32_t flags = 0) {
        return le32(static_cast<std::uint32_t>(value.size())).le32(flags).text(key).fill(1).text(value);
    }
    // An APE tag around `items`, with the footer's size and count; a header
    // when asked (version 2 only has one).
    ByteBuilder& apeTag(const Bytes& items, std::uint32_t count, bool header, std::uint32_t version = 2000) {
        return apeTag(items, count, header, version, static_cast<std::uint32_t>(items.size() + 32));
    }
    ByteBuilder& apeTag(const Bytes& items, std::uint32_t count, bool header, std::uint32_t version,
                        std::uint32_t declaredSize) {
        constexpr std::uint32_t HasHeader = 0x80000000u;
        constexpr std::uint32_t IsHeader = 0x20000000u;
        if (header)
            apeBlock(version, declaredSize, count, HasHeader | IsHeader);
        bytes(items);
        return apeBlock(version, declaredSize, count, header ? HasHeader : 0);
    }

    // A 128-byte ID3v1 tag; track 0 writes the 1.0 form.
    ByteBuilder& id3v1(const std::string& title, const std::string& artist, const std::string& album,
                       const std::string& year, const std::string& comment, std::uint8_t track, std::uint8_t genre) {
        std::size_t start = data_.size();
        data_.resize(start + 128, 0);
        patch(start, "TAG");
        patch(start + 3, title.substr(0, 30));
        patch(start + 33, artist.substr(0, 30));
        patch(start + 63, album.substr(0, 30));
        patch(start + 93, year.substr(0, 4));
        patch(start + 97, comment.substr(0, track != 0 ? 28 : 30));
        if (track != 0) {
            data_[start + 125] = 0;
            data_[start + 126] = track;
        }
        data_[start + 127] = genre;
        return *this;
    }

    // An ID3v2 header declaring `size` bytes after it.
    ByteBuilder& id3v2Header(std::uint8_t major, std::uint8_t revision, std::uint8_t flags, std::uint32_t size) {
        text("ID3");
        bytes({major, revision, flags});
        return syncsafe(size);
    }
    // One ID3v2 frame with a syncsafe size.
    ByteBuilder& id3v2Frame(const std::string& id, const Bytes& payload) {
        text(id.substr(0, 4));
        syncsafe(static_cast<std::uint32_t>(payload.size()));
        bytes({0, 0});
        return bytes(payload);
    }
    // A text frame of encoding 0.
    ByteBuilder& id3v2TextFrame(const std::string& id, const std::string& value) {
        Bytes payload{0};
        payload.insert(payload.end(), value.begin(), value.end());
        return id3v2Frame(id, payload);
    }

    ByteBuilder& patch(std::size_t at, const std::string& s) {
        if (data_.size() < at + s.size())
            data_.resize(at + s.size(), 0);
        std::memcpy(data_.data() + at, s.data(), s.size());
        return *this;
    }
    ByteBuilder& patchBe32(std::size_t at, std::uint32_t v) {
        std::string s{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                      static_cast<char>(v)};
        return patch(at, s);
    }

    std::size_t size() const { return data_.size(); }
    const Bytes& build() const { return data_; }
    Bytes& data() { return data_; }

private:
    Bytes data_;
};

// A complete ID3v2.3 tag holding the given text frames, padded with zeros to
// `padding` extra bytes.
inline Bytes Id3v2Tag3(const std::vector<std::pair<std::string, std::string>>& frames, std::size_t padding = 0) {
    ByteBuilder body;
    for (const auto& f : frames)
        body.id3v2TextFrame(f.first, f.second);
    body.fill(padding);
    ByteBuilder tag;
    tag.id3v2Header(3, 0, 0, static_cast<std::uint32_t>(body.size())).bytes(body.build());
    return tag.build();
}

}  // namespace tw::test
