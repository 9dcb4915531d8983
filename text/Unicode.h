// Unicode text conversions: UTF-8 in the program, UTF-16 at the Windows
// boundary and in ID3v2 tags, ISO-8859-1 in ID3v1 tags. Pure functions over
// bytes, needing nothing but the standard library, so that every layer, the
// platform's included, can use the one set of rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

// The bytes of U+FFFD, which stands for what can't be decoded.
constexpr const char* ReplacementUtf8 = "\xEF\xBF\xBD";

// What an encoder writes for a surrogate without its partner:
//  - Replace: U+FFFD, as Windows' own conversion does (code page 65001, no
//    flags); tag texts, which must come out as UTF-8 a reader accepts.
//  - Keep: the three bytes that code point would take, which Utf8ToUtf16
//    turns back into the same unit, so that every name a folder lists can
//    be opened again.
enum class LoneSurrogate { Replace, Keep };

// Whether a UTF-8 reader takes such three-byte surrogate forms as text.
enum class Surrogates { Refused, Allowed };

// Length of the well-formed UTF-8 sequence at text[i], 0 when none starts
// there. Overlong forms and values past U+10FFFF are refused; surrogates as
// the second argument says.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i, Surrogates surrogates);

// Strict UTF-8: what a JSON or CSV reader accepts.
bool IsValidUtf8(std::string_view text);

// `text` with every byte that starts no well-formed sequence (strict) turned
// into U+FFFD.
std::string ToValidUtf8(std::string_view text);

// True when every byte belongs to a well-formed UTF-8 sequence, lone
// surrogates included (as LoneSurrogate::Keep writes them). Plain ASCII is
// UTF-8.
bool IsUtf8Text(std::string_view text);

// Length of the longest start of `text` that is UTF-8 in IsUtf8Text's sense.
std::size_t Utf8PrefixLength(std::string_view text);

// Number of characters: well-formed sequences count one, every other byte one.
std::size_t Utf8CharacterCount(std::string_view text);

// Appends one code point (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// ISO-8859-1 bytes as UTF-8: every byte is the code point of its value.
std::string Latin1ToUtf8(std::string_view bytes);

// UTF-16 code units to UTF-8; a valid surrogate pair becomes one four-byte
// sequence, a lone surrogate as `lone` says.
std::string Utf16ToUtf8(std::u16string_view units, LoneSurrogate lone);

// The low 16 bits of each wchar_t as a UTF-16 unit (Windows' file names and
// window texts), lone surrogates kept.
std::string Utf16ToUtf8(std::wstring_view text);

// `unitCount` UTF-16 units stored as bytes, little- or big-endian.
enum class Utf16Order { LittleEndian, BigEndian };
std::u16string Utf16Units(const std::uint8_t* bytes, std::size_t unitCount, Utf16Order order);

// UTF-8 (lone surrogates allowed) to UTF-16 units, one per wchar_t. A byte
// that starts no valid sequence gives U+FFFD.
std::wstring Utf8ToUtf16(std::string_view text);

}  // namespace tw
