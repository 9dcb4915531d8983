// The 128-byte ID3v1 tag at the end of a file, and the genre table.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

// The texts as written: ISO-8859-1 read as such, trimmed as the log's texts
// are (up to the first zero byte, trailing white space removed).
struct Id3v1Texts {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
};

class Id3v1Tag {
public:
    static constexpr std::size_t BlockSize = 128;

    virtual ~Id3v1Tag() = default;

    // Decodes a 128-byte block; false (and every field cleared) unless it
    // begins with "TAG".
    bool read(const std::uint8_t block[BlockSize]);
    void clear();

    // Genre name of a code; empty for codes without a name (148..255).
    static std::string genreName(std::uint8_t code);

    std::string title() const { return title_; }
    std::string artist() const { return artist_; }
    std::string album() const { return album_; }
    std::string genre() const { return genre_; }
    std::string year() const { return year_; }
    std::string comment() const { return comment_; }
    std::int32_t isVersion11() const { return isVersion11_; }
    std::int32_t track() const { return track_; }
    const Id3v1Texts& asWritten() const { return written_; }

private:
    std::int32_t isVersion11_ = 0;
    std::int32_t track_ = 0;
    std::string title_;
    std::string artist_;
    std::string album_;
    std::string genre_;
    std::string year_;
    std::string comment_;
    Id3v1Texts written_;
};

}  // namespace tw
