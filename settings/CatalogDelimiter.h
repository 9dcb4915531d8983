// The catalog's field delimiter, as every front end takes it in: one rule for
// the settings file, the options dialog's "Other:" box and --delimiter.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

constexpr std::int32_t TabDelimiterCode = 9;

// The code of a delimiter typed as a character: its first byte as a signed
// 8-bit value, so that a byte above 127 gives a negative code (which the
// rule below turns into tab); 0 for an empty text.
std::int32_t DelimiterCodeOf(const std::string& text);

// Tab, or a printable ASCII character (32 to 126): the codes the catalog
// writes as they are.
bool IsCatalogDelimiter(std::int32_t code);

// The rule for every other code: it becomes tab.
std::int32_t NormalisedDelimiter(std::int32_t code);

// The code a settings file's "Cat Delim Char" value gives: a number, read as
// every number of the file is ("44" is a comma); or one character other than
// a digit or a sign, taken as itself ("," is a comma too). Not normalised.
std::int32_t DelimiterCodeFromSetting(const std::string& value);

}  // namespace tw
