// JSON Lines and CSV text of structured records (common/Record.h).
//
// Strings are raw bytes in the records; the output is always valid UTF-8:
// every well-formed UTF-8 sequence passes unchanged, and every byte that does
// not begin one becomes U+FFFD. A string field whose bytes are not valid
// UTF-8 gets a sibling field "<name>_bytes" right after it, holding the raw
// bytes percent-escaped (bytes 0x20..0x7E other than '%' as they are, every
// other byte as %XX), so that a script can still open such a file; so does a
// text decoded with loss (Value::decodedText), with the bytes as stored. Control
// bytes are escaped (\n, \t, \u0001, ...). Real numbers are written with the
// fewest digits that read back to the same double; NaN and infinities are
// written as null.
#pragma once

#include <string>

#include "common/Record.h"

namespace tw::cli {

// The raw bytes in the "_bytes" form described above.
std::string PercentEscapeBytes(const std::string& bytes);

// The double with the fewest digits that reads back the same; "null" for NaN
// and infinities.
std::string JsonNumber(double value);

// Appends a JSON string literal (with its quotes) of `bytes` to `out`.
void AppendJsonString(const std::string& bytes, std::string& out);

// Appends a value or a whole record (as one object, no line end) to `out`.
void AppendJsonValue(const Value& value, std::string& out);
void AppendJsonObject(const std::vector<Field>& fields, std::string& out);

// One record as one JSON Lines line, "\n" included.
std::string JsonLine(const Record& record);

// One CSV field as RFC 4180 wants it: valid UTF-8 (as above), quoted when it
// holds a comma, a quote, CR or LF, quotes doubled.
std::string CsvField(const std::string& bytes);

}  // namespace tw::cli
