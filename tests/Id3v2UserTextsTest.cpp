#include "tags/Id3v2Texts.h"

#include <gtest/gtest.h>

#include "common/BufferedReader.h"
#include "support/ByteBuilder.h"
#include "support/MemoryFile.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;

// A TXXX payload: encoding, description, terminator, value.
Bytes Txxx(std::uint8_t encoding, const std::string& description, const std::string& value) {
    ByteBuilder b;
    b.bytes({encoding});
    const bool wide = encoding == 1 || encoding == 2;
    const auto put = [&](const std::string& text) {
        if (encoding == 1)
            b.bytes({0xFF, 0xFE});
        for (char c : text) {
            if (wide && encoding == 2)
                b.bytes({0});
            b.bytes({static_cast<std::uint8_t>(c)});
            if (wide && encoding == 1)
                b.bytes({0});
        }
        b.fill(wide ? 2 : 1);
    };
    put(description);
    put(value);
    return b.build();
}

struct Text {
    std::string description;
    std::string value;
};

std::vector<Text> Read(const Bytes& bytes) {
    MemoryFile file(bytes);
    BufferedReader reader(file, 16);
    Id3v2Texts texts;
    ReadId3v2Texts(reader, texts);
    std::vector<Text> out;
    for (const UserText& t : texts.userTexts)
        out.push_back({t.description.text, t.value.text});
    return out;
}

// A tag of `major` holding one frame: the TXXX payload behind a frame header
// with the size written as that version writes it.
Bytes Tag(int major, std::uint8_t tagFlags, std::uint8_t formatFlags, const Bytes& payload) {
    ByteBuilder frame;
    frame.text("TXXX");
    if (major == 4)
        frame.syncsafe(static_cast<std::uint32_t>(payload.size()));
    else
        frame.be32(static_cast<std::uint32_t>(payload.size()));
    frame.bytes({0, formatFlags}).bytes(payload).fill(20);  // padding
    return ByteBuilder()
        .id3v2Header(static_cast<std::uint8_t>(major), 0, tagFlags, static_cast<std::uint32_t>(frame.size()))
        .bytes(frame.build())
        .fill(100, 0xFF)  // audio
        .build();
}

// mp3gain -s i writes MP3GAIN_UNDO as a Latin-1 TXXX frame in an
// unsynchronised 2.4 tag; taggers may use any encoding, version and
// unsynchronisation.
TEST(Id3v2UserText, ReadsTheTxxxFramesOfEveryVersionAndEncoding) {
    const std::string undo = "-002,-002,N";
    for (std::uint8_t encoding : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}}) {
        for (int major : {3, 4}) {
            const std::vector<Text> texts = Read(Tag(major, 0, 0, Txxx(encoding, "MP3GAIN_UNDO", undo)));
            ASSERT_EQ(texts.size(), 1u) << int(encoding) << " " << major;
            EXPECT_EQ(texts[0].description, "MP3GAIN_UNDO");
            EXPECT_EQ(texts[0].value, undo);
        }
    }
    // A 2.4 frame with a data length indicator; a 2.4 frame unsynchronised
    // on its own (0xFF 0x00 stands for 0xFF).
    Bytes withLength = {0, 0, 0, 12};
    const Bytes payload = Txxx(0, "k", "v");
    withLength.insert(withLength.end(), payload.begin(), payload.end());
    EXPECT_EQ(Read(Tag(4, 0, 0x01, withLength)).at(0).value, "v");
    EXPECT_EQ(Read(Tag(4, 0, 0x02, {0, 'k', 0, 0xFF, 0x00, 'x', 0})).at(0).value, "\xC3\xBFx");

    // A 2.3 tag unsynchronised as a whole: the frame sizes count the bytes
    // after resynchronisation.
    Bytes unsync = Tag(3, 0x80, 0, {0, 'k', 0, 0xFF, 'x', 0});
    unsync.insert(unsync.begin() + 10 + 10 + 4, 0x00);  // after the 0xFF
    const std::vector<Text> texts = Read(unsync);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].value, "\xC3\xBFx");  // 0xFF in ISO-8859-1

    EXPECT_TRUE(Read(Bytes(64, 0xFF)).empty());  // no tag
}

}  // namespace
}  // namespace tw
