// Tag texts as written: decoded by the tag's own encoding to UTF-8, for the
// machine-readable outputs and for the log when "Tag text as written" is on.
// The log's default texts, with every byte outside printable ASCII blanked,
// stay in the tag records themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

struct TagText {
    std::string text;  // UTF-8; U+FFFD where the bytes could not be decoded
    std::string raw;   // the bytes as stored, kept only when `lossy`
    bool lossy = false;
};

// Between the values of a frame that holds several (ID3v2.4, or a NUL
// inside a 2.3 text): "/" as ID3v2.3 itself separates several artists, so
// that a 2.4 tag and its 2.3 down-conversion give the same text.
constexpr const char* TagValueSeparator = "/";

// A track or disc: "5/12" gives 5 and 12, "5" gives 5 and -1; -1 where a
// number is missing or unreadable (leading blanks are skipped; digits up to
// the first other character, at most 9 of them).
struct SetPosition {
    std::int32_t position = -1;
    std::int32_t total = -1;
    bool known() const { return position != -1 || total != -1; }
};
SetPosition ParseSetPosition(std::string_view text);

// UTF-8 for one log line: every control character (C0, DEL and C1) becomes a
// blank, so that a tag can't break a line or add a column; the rest stays.
std::string LineSafeText(std::string_view utf8);

}  // namespace tw
