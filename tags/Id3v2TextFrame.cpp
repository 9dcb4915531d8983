#include "tags/Id3v2TextFrame.h"

#include <algorithm>
#include <string_view>

#include "tags/GenreTable.h"
#include "text/Unicode.h"

namespace tw {
namespace {

// Text encodings, the first byte of a text payload.
constexpr std::uint8_t Latin1 = 0;
constexpr std::uint8_t Utf16WithBom = 1;
constexpr std::uint8_t Utf16BigEndian = 2;
constexpr std::uint8_t Utf8 = 3;

constexpr std::size_t LanguageSize = 3;  // COMM: language before the description

// One value of a text, without its terminator, decoded by `encoding`.
TagText DecodeValue(std::uint8_t encoding, std::string_view bytes) {
    TagText value;
    if (encoding == Latin1) {
        value.text = Latin1ToUtf8(bytes);
        return value;
    }
    if (encoding == Utf16WithBom || encoding == Utf16BigEndian) {
        // A mark, where there is one, says the order; without one, 1 is
        // taken as little-endian (as writers without a mark mean it).
        Utf16Order order = encoding == Utf16BigEndian ? Utf16Order::BigEndian : Utf16Order::LittleEndian;
        std::string_view units = bytes;
        if (units.size() >= 2 && units.compare(0, 2, "\xFF\xFE") == 0) {
            order = Utf16Order::LittleEndian;
            units.remove_prefix(2);
        } else if (units.size() >= 2 && units.compare(0, 2, "\xFE\xFF") == 0) {
            order = Utf16Order::BigEndian;
            units.remove_prefix(2);
        }
        const std::u16string u16 =
            Utf16Units(reinterpret_cast<const std::uint8_t*>(units.data()), units.size() / 2, order);
        value.text = Utf16ToUtf8(u16, LoneSurrogate::Replace);
        value.lossy = units.size() % 2 != 0 || Utf16ToUtf8(u16, LoneSurrogate::Keep) != value.text;
        if (units.size() % 2 != 0)
            value.text += ReplacementUtf8;
    } else {
        std::string_view text = bytes;
        if (encoding == Utf8 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
            text.remove_prefix(3);
        value.text = ToValidUtf8(text);
        // An encoding byte past 3 names no encoding: nothing can be read as meant.
        value.lossy = !text.empty() && (encoding != Utf8 || value.text != text);
    }
    if (value.lossy)
        value.raw = std::string(bytes);
    return value;
}

// The values of a text, split at its terminators: one zero byte, or two on a
// unit boundary for UTF-16. A terminator at the very end ends the last value.
std::vector<std::string_view> SplitValues(std::uint8_t encoding, std::string_view bytes) {
    const std::size_t unit = encoding == Utf16WithBom || encoding == Utf16BigEndian ? 2 : 1;
    std::vector<std::string_view> values;
    std::size_t start = 0;
    for (std::size_t i = 0; i + unit <= bytes.size(); i += unit) {
        if (bytes[i] != 0 || (unit == 2 && bytes[i + 1] != 0))
            continue;
        values.push_back(bytes.substr(start, i - start));
        start = i + unit;
    }
    if (start < bytes.size())
        values.push_back(bytes.substr(start));
    return values;
}

}  // namespace

std::vector<std::string> GenreNames(const std::string& value) {
    auto named = [](const std::string& ref) -> std::string {
        if (ref == "RX")
            return "Remix";
        if (ref == "CR")
            return "Cover";
        if (ref.empty() || ref.size() > 3 || ref.find_first_not_of("0123456789") != std::string::npos)
            return "(" + ref + ")";
        const int code = std::stoi(ref);
        return code < static_cast<int>(GenreTable::Count)
                   ? std::string(GenreTable::name(static_cast<std::uint8_t>(code)))
                   : "(" + ref + ")";
    };
    std::vector<std::string> names;
    const bool number = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
    if ((number && value.size() <= 3 && std::stoi(value) < static_cast<int>(GenreTable::Count)) || value == "RX" ||
        value == "CR")
        return {named(value)};
    std::size_t at = 0;
    while (at + 1 < value.size() && value[at] == '(' && value[at + 1] != '(') {
        const std::size_t close = value.find(')', at);
        if (close == std::string::npos)
            break;
        names.push_back(named(value.substr(at + 1, close - at - 1)));
        at = close + 1;
    }
    std::string rest = value.substr(at);
    if (rest.compare(0, 2, "((") == 0)
        rest.erase(0, 1);
    if (!rest.empty() && (names.empty() || names.back() != rest))
        names.push_back(rest);
    return names;
}

DecodedFrame DecodeFrame(FrameLayout layout, const std::uint8_t* payload, std::size_t length) {
    DecodedFrame frame;
    if (length == 0)
        return frame;
    const std::uint8_t encoding = payload[0];
    std::string_view bytes(reinterpret_cast<const char*>(payload) + 1, length - 1);
    if (layout == FrameLayout::Comment) {
        if (bytes.size() < LanguageSize)
            return frame;
        bytes.remove_prefix(LanguageSize);
    }
    std::vector<std::string_view> values = SplitValues(encoding, bytes);
    if (layout != FrameLayout::Text && !values.empty()) {
        frame.description = DecodeValue(encoding, values.front());
        const std::size_t unit = encoding == Utf16WithBom || encoding == Utf16BigEndian ? 2 : 1;
        bytes.remove_prefix(std::min(bytes.size(), values.front().size() + unit));
        values.erase(values.begin());
    }
    frame.raw = std::string(bytes);
    for (std::string_view v : values)
        frame.values.push_back(DecodeValue(encoding, v));
    return frame;
}

TagText Joined(const std::vector<TagText>& values, const std::string& raw) {
    TagText joined;
    for (const TagText& v : values) {
        if (v.text.empty())
            continue;
        if (!joined.text.empty())
            joined.text += TagValueSeparator;
        joined.text += v.text;
        joined.lossy = joined.lossy || v.lossy;
    }
    if (joined.lossy)
        joined.raw = raw;
    return joined;
}

TagText DecodeId3v2Text(const std::uint8_t* payload, std::size_t length, bool comment, TagText* description) {
    DecodedFrame frame = DecodeFrame(comment ? FrameLayout::Comment : FrameLayout::Text, payload, length);
    if (description != nullptr)
        *description = frame.description;
    return Joined(frame.values, frame.raw);
}

}  // namespace tw
