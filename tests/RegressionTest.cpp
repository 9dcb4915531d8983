// Inputs that once made a parser misbehave, kept with their bytes inline so
// that the fault can't come back unnoticed.
#include <gtest/gtest.h>

#include <string>

#include "common/BufferedReader.h"
#include "support/MemoryFile.h"
#include "tags/Id3v2Tag.h"
#include "tests/support/ByteBuilder.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;

// A tag of `count` empty TXXX frames (ten bytes each), then a TIT2 frame.
Bytes TagOfEmptyFrames(int count) {
    ByteBuilder body;
    for (int i = 0; i < count; ++i)
        body.id3v2Frame("TXXX", {});
    body.id3v2TextFrame("TIT2", "Last");
    return ByteBuilder().id3v2Header(3, 0, 0, static_cast<std::uint32_t>(body.size())).bytes(body.build()).build();
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Found by measuring, not by the fuzzers (their inputs are too small to
// show it): a 100 MB file whose tag is ten million empty frames made a frame
// list of 120 MB, and the catalog run holding its row peaked at 470 MB. The
// list now stops taking entries at 1 MiB; tags of real files stay whole.
TEST(Regression, AHugeTagOfTinyFramesKeepsTheFrameListBounded) {
    MemoryFile file(TagOfEmptyFrames(150000));
    BufferedReader reader(file);
    Id3v2Tag tag;
    ASSERT_TRUE(tag.read(reader));
    const std::string list = tag.frameList();
    EXPECT_GE(list.size(), 1024u * 1024u - 20u);
    EXPECT_LE(list.size(), 1024u * 1024u + 20u);
    EXPECT_EQ(list.substr(0, 24), "TXXX (10);  TXXX (10);  ");
    EXPECT_EQ(list.back(), ')');
    // The walk itself goes on to the end of the tag.
    EXPECT_EQ(tag.title(), "Last");

    // A thousand frames, far more than any real tag, are all listed.
    MemoryFile real(TagOfEmptyFrames(1000));
    BufferedReader realReader(real);
    ASSERT_TRUE(tag.read(realReader));
    EXPECT_EQ(Count(tag.frameList(), "TXXX (10)"), 1000u);
    EXPECT_EQ(tag.frameList().substr(tag.frameList().size() - 21), "TXXX (10);  TIT2 (15)");
}

}  // namespace
}  // namespace tw
