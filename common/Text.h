// Number formatting and parsing, rounding, text cleaning and path splitting:
// the small rules that every message and every column of the program obeys.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

// Separator of path components: "\" on Windows, "/" elsewhere.
#ifdef _WIN32
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif

// 1234567 -> "1,234,567"; -1000 -> "-1,000".
std::string FormatThousands(std::int64_t value);

// Inverse of FormatThousands: commas dropped, leading white space skipped,
// optional sign, digits up to the first other character; no digits gives 0.
// Saturates at the 32-bit limits.
std::int32_t ParseThousands(const std::string& text);

// Reads a number the way the settings file does: leading white space, an
// optional sign, digits up to the first other character (none gives 0).
// Saturates at the 32-bit limits.
std::int32_t ParseLeadingInt(const char* text);

// Every byte below 0x20 or above 0x7E becomes a blank; the length stays.
void BlankNonPrintable(std::string& text);

// Half away from zero: add or subtract 0.5, then truncate. Saturates at the
// 32-bit limits; NaN gives 0.
std::int32_t RoundToInt(double value);

// The part of `path` after its last separator (all of it when there is none).
std::string FileNameOf(const std::string& path);

// `path` up to its last separator, the separator excluded, except that a
// root keeps its separator ("C:\" on Windows, "/" elsewhere). Empty when
// there is no separator.
std::string FolderOf(const std::string& path);

// Case-insensitive order of file names: A-Z fold to a-z, then unsigned byte
// order; a prefix sorts first.
bool LessIgnoringCase(const std::string& a, const std::string& b);

// 'text' in single quotes, for a message on a terminal: control bytes are
// written \xNN, so that nothing a user or a file gave can steer the terminal.
std::string QuotedForMessage(const std::string& text);

// printf into a std::string.
std::string FormatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace tw
