#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "text/Unicode.h"

namespace tw::cli {
namespace {

TEST(JsonWriter, RecordsBecomeOneObjectPerLineWithTypedValues) {
    Record inner("frame");
    inner.add("id", "TIT2").add("size", 45);
    Record r("file");
    r.add("path", "/m/a.mp3")
        .add("size", std::int32_t{65672})
        .add("big", std::int64_t{1} << 40)
        .add("vbr", false)
        .add("frames", nullptr)
        .add("seconds", 4.25)
        .add("list", std::vector<Value>{inner.toValue(), Value(7), Value("x")});
    EXPECT_EQ(
        JsonLine(r),
        "{\"type\":\"file\",\"path\":\"/m/a.mp3\",\"size\":65672,\"big\":1099511627776,\"vbr\":false,"
        "\"frames\":null,\"seconds\":4.25,\"list\":[{\"type\":\"frame\",\"id\":\"TIT2\",\"size\":45},7,\"x\"]}\n");
    EXPECT_EQ(JsonLine(Record()), "{}\n");
}

TEST(JsonWriter, StringsAreAlwaysValidUtf8AndEscaped) {
    std::string out;
    AppendJsonString(std::string("q\"b\\n\n\t\x01\x1f\x7f\0z", 12), out);
    EXPECT_EQ(out, "\"q\\\"b\\\\n\\n\\t\\u0001\\u001f\\u007f\\u0000z\"");

    // Well-formed sequences pass; lone, overlong, surrogate, truncated and
    // out-of-range bytes become U+FFFD one byte each.
    EXPECT_TRUE(IsValidUtf8("B\xC3\xB6rk \xE2\x82\xAC \xF0\x9F\x8E\xB5"));
    EXPECT_EQ(ToValidUtf8("B\xC3\xB6rk"), "B\xC3\xB6rk");
    EXPECT_EQ(ToValidUtf8("B\xF6rk"), "B\xEF\xBF\xBDrk");
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "\xFF", "\x80"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
        std::string fixed = ToValidUtf8(bad);
        EXPECT_TRUE(IsValidUtf8(fixed));
        EXPECT_EQ(fixed.size() % 3, 0u);
    }

    // A field that isn't UTF-8 keeps its bytes in a sibling field.
    Record r("file");
    r.add("path", "/m/B\xF6rk 100%.mp3").add("title", "ok");
    EXPECT_EQ(JsonLine(r),
              "{\"type\":\"file\",\"path\":\"/m/B\xEF\xBF\xBDrk 100%.mp3\",\"path_bytes\":\"/m/B%F6rk 100%25.mp3\","
              "\"title\":\"ok\"}\n");
}

TEST(JsonWriter, RealNumbersRoundTripAndNonFiniteIsNull) {
    for (double d : {0.1, 1.0 / 3.0, 26.122448979591837, 1e300, -0.5, 5e-324, 123456789.0}) {
        std::string text = JsonNumber(d);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), d) << text;
        EXPECT_EQ(text.find_first_not_of("0123456789.eE+-"), std::string::npos) << text;
    }
    EXPECT_EQ(JsonNumber(0.1), "0.1");
    EXPECT_EQ(JsonNumber(std::nan("")), "null");
    EXPECT_EQ(JsonNumber(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(JsonNumber(-std::numeric_limits<double>::infinity()), "null");
}

TEST(JsonWriter, CsvFieldsQuoteOnlyWhenNeeded) {
    EXPECT_EQ(CsvField("plain; text"), "plain; text");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(CsvField("B\xF6rk"), "B\xEF\xBF\xBDrk");
}

}  // namespace
}  // namespace tw::cli
