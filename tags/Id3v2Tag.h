// A leading ID3v2 tag: header, flags, total length, seven text frames and a
// one-line list of the frames walked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tags/Id3v2Texts.h"

namespace tw {

class BufferedReader;

class Id3v2Tag {
public:
    virtual ~Id3v2Tag() = default;

    // Reads a tag at the start of the file; true when the file has at least
    // 10 bytes and begins with "ID3".
    bool read(BufferedReader& file);
    void clear();

    // The cleaned text of a frame's payload (only `length` bytes are read).
    static std::string decodeFrameText(const char frameId[4], const std::uint8_t* payload, std::size_t length);
    static std::int32_t syncsafeToInt(const std::uint8_t bytes[4]);
    static bool isFrameIdChar(std::uint8_t c);

    std::int32_t majorVersion() const { return majorVersion_; }
    std::int32_t revision() const { return revision_; }
    bool isUnsynchronised() const { return unsynchronisation_ != 0; }
    bool hasExtendedHeader() const { return extendedHeader_ != 0; }
    bool isExperimental() const { return experimental_ != 0; }
    bool hasFooter() const { return footerPresent_ != 0; }
    std::int32_t totalLength() const { return totalLength_; }
    std::string frameList() const { return frameList_; }
    std::string title() const { return title_; }
    std::string artist() const { return artist_; }
    std::string album() const { return album_; }
    std::string track() const { return track_; }
    std::string year() const { return year_; }
    std::string genre() const { return genre_; }
    std::string comment() const { return comment_; }

    // The texts as written (tags/Id3v2Texts.h), read with the tag.
    const Id3v2Texts& asWritten() const { return written_; }

private:
    bool walk(BufferedReader& file);

    std::int32_t majorVersion_ = -1;
    std::int32_t revision_ = -1;
    std::uint8_t unsynchronisation_ = 0;
    std::uint8_t extendedHeader_ = 0;
    std::uint8_t experimental_ = 0;
    std::uint8_t footerPresent_ = 0;
    std::int32_t totalLength_ = 0;
    std::string frameList_;
    std::string title_;
    std::string artist_;
    std::string album_;
    std::string track_;
    std::string year_;
    std::string genre_;
    std::string comment_;
    Id3v2Texts written_;
};

}  // namespace tw
