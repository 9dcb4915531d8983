#include "tags/Id3v1Tag.h"

#include <cstring>

#include "common/Text.h"
#include "tags/GenreTable.h"
#include "text/Unicode.h"

namespace tw {

namespace {

// Where a text field sits in the 128-byte block.
struct FieldSpan {
    std::size_t offset;
    std::size_t length;
};

constexpr FieldSpan TitleField{3, 30};
constexpr FieldSpan ArtistField{33, 30};
constexpr FieldSpan AlbumField{63, 30};
constexpr FieldSpan YearField{93, 4};
constexpr FieldSpan CommentField{97, 30};  // 1.1 form: 28 bytes, a zero, the track
constexpr std::size_t TrackMarkerOffset = 125;
constexpr std::size_t TrackOffset = 126;
constexpr std::size_t GenreOffset = 127;

bool IsTrailingSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The field up to its first zero byte, trailing white space removed.
std::string TrimmedField(const std::uint8_t* block, FieldSpan field) {
    const char* start = reinterpret_cast<const char*>(block + field.offset);
    const void* zero = std::memchr(start, 0, field.length);
    std::size_t length =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - start) : field.length;
    while (length > 0 && IsTrailingSpace(start[length - 1]))
        --length;
    return std::string(start, length);
}

// The trimmed field with every non-printable byte blanked (so a control
// character that is not white space survives the trim as a blank).
std::string CleanField(const std::uint8_t* block, FieldSpan field) {
    std::string text = TrimmedField(block, field);
    BlankNonPrintable(text);
    return text;
}

std::string WrittenField(const std::uint8_t* block, FieldSpan field) {
    return Latin1ToUtf8(TrimmedField(block, field));
}

}  // namespace

bool Id3v1Tag::read(const std::uint8_t block[BlockSize]) {
    clear();
    if (std::memcmp(block, "TAG", 3) != 0)
        return false;

    title_ = CleanField(block, TitleField);
    artist_ = CleanField(block, ArtistField);
    album_ = CleanField(block, AlbumField);
    genre_ = genreName(block[GenreOffset]);
    year_ = CleanField(block, YearField);
    comment_ = CleanField(block, CommentField);
    written_ =
        Id3v1Texts{WrittenField(block, TitleField), WrittenField(block, ArtistField), WrittenField(block, AlbumField),
                   WrittenField(block, YearField), WrittenField(block, CommentField)};

    isVersion11_ = 0;
    if (block[TrackMarkerOffset] == 0 && block[TrackOffset] != 0) {
        isVersion11_ = 1;
        track_ = block[TrackOffset];
    }
    return true;
}

void Id3v1Tag::clear() {
    isVersion11_ = 0;
    track_ = 0;
    title_.clear();
    artist_.clear();
    album_.clear();
    genre_.clear();
    year_.clear();
    comment_.clear();
    written_ = Id3v1Texts();
}

std::string Id3v1Tag::genreName(std::uint8_t code) {
    return std::string(GenreTable::name(code));
}

}  // namespace tw
