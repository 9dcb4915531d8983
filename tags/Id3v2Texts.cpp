#include "tags/Id3v2Texts.h"

#include <array>
#include <cctype>
#include <cstring>
#include <vector>

#include "common/BufferedReader.h"
#include "common/ByteOrder.h"

namespace tw {
namespace {

// Tag header: 0 "ID3" | 3 major | 4 revision | 5 flags | 6..9 syncsafe size.
constexpr std::size_t HeaderSize = 10;
constexpr std::uint8_t UnsynchronisationFlag = 0x80;
constexpr std::uint8_t ExtendedHeaderFlag = 0x40;  // in 2.2: compression

// Frame format flags, the second flags byte of a 2.3 or 2.4 frame header:
//   2.3: 1 0 0 0 0 0 0 0  compressed      2.4: 0 1 0 0 0 0 0 0  grouping id
//        0 1 0 0 0 0 0 0  encrypted            0 0 0 0 1 0 0 0  compressed
//        0 0 1 0 0 0 0 0  grouping id          0 0 0 0 0 1 0 0  encrypted
//                                              0 0 0 0 0 0 1 0  unsynchronised
//                                              0 0 0 0 0 0 0 1  data length
constexpr std::uint8_t V23Unreadable = 0x80 | 0x40;
constexpr std::uint8_t V23Grouping = 0x20;
constexpr std::uint8_t V24Grouping = 0x40;
constexpr std::uint8_t V24Unreadable = 0x08 | 0x04;
constexpr std::uint8_t V24Unsynchronised = 0x02;
constexpr std::uint8_t V24DataLength = 0x01;

enum class Slot { Title, Artist, Album, Track, Disc, Year, Date, Genre, Comment, Encoder, UserText };

struct FrameName {
    const char* v22;  // three characters; "" when version 2.2 has no such frame
    const char* v23;  // four characters, 2.3 and 2.4
    Slot slot;
};

constexpr std::array<FrameName, 11> FrameNames{{
    {"TT2", "TIT2", Slot::Title},
    {"TP1", "TPE1", Slot::Artist},
    {"TAL", "TALB", Slot::Album},
    {"TRK", "TRCK", Slot::Track},
    {"TPA", "TPOS", Slot::Disc},
    {"TYE", "TYER", Slot::Year},
    {"", "TDRC", Slot::Date},  // 2.4's recording time; some 2.3 writers use it too
    {"TCO", "TCON", Slot::Genre},
    {"COM", "COMM", Slot::Comment},
    {"TSS", "TSSE", Slot::Encoder},
    {"TXX", "TXXX", Slot::UserText},
}};

bool IsFrameIdChar(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::uint32_t Syncsafe(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0] & 0x7F) << 21) | (static_cast<std::uint32_t>(p[1] & 0x7F) << 14) |
           (static_cast<std::uint32_t>(p[2] & 0x7F) << 7) | static_cast<std::uint32_t>(p[3] & 0x7F);
}

// FF 00 back to FF.
void Resynchronise(std::vector<std::uint8_t>& bytes) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && bytes[i] == 0 && bytes[i - 1] == 0xFF)
            continue;
        bytes[out++] = bytes[i];
    }
    bytes.resize(out);
}

// The tag's body read straight on, resynchronised on the way when the whole
// tag is unsynchronised (2.2 and 2.3, whose frame sizes count the bytes
// before unsynchronisation).
class TagBody {
public:
    TagBody(BufferedReader& file, std::int64_t begin, std::int64_t end, bool unsynchronised)
        : file_(file), position_(begin), end_(end), unsynchronised_(unsynchronised) {}

    std::size_t read(std::uint8_t* out, std::size_t count) {
        if (!unsynchronised_) {
            const std::int64_t left = end_ - position_;
            const std::size_t wanted = left < static_cast<std::int64_t>(count) ? static_cast<std::size_t>(left) : count;
            const std::size_t got = file_.read(position_, out, wanted);
            position_ += static_cast<std::int64_t>(got);
            return got;
        }
        std::size_t got = 0;
        while (got < count && next(out[got]))
            ++got;
        return got;
    }

    bool skip(std::int64_t count) {
        if (!unsynchronised_) {
            if (count > end_ - position_) {
                position_ = end_;
                return false;
            }
            position_ += count;
            return true;
        }
        std::uint8_t ignored;
        for (std::int64_t i = 0; i < count; ++i)
            if (!next(ignored))
                return false;
        return true;
    }

private:
    bool next(std::uint8_t& byte) {
        for (;;) {
            if (chunkAt_ == chunkSize_) {
                const std::int64_t left = end_ - position_;
                const std::size_t wanted =
                    left < static_cast<std::int64_t>(chunk_.size()) ? static_cast<std::size_t>(left) : chunk_.size();
                chunkSize_ = file_.read(position_, chunk_.data(), wanted);
                position_ += static_cast<std::int64_t>(chunkSize_);
                chunkAt_ = 0;
                if (chunkSize_ == 0)
                    return false;
            }
            const std::uint8_t b = chunk_[chunkAt_++];
            const bool dropped = afterFF_ && b == 0;
            afterFF_ = b == 0xFF;
            if (!dropped) {
                byte = b;
                return true;
            }
        }
    }

    BufferedReader& file_;
    std::int64_t position_;
    std::int64_t end_;
    bool unsynchronised_;
    bool afterFF_ = false;
    std::array<std::uint8_t, 4096> chunk_{};
    std::size_t chunkAt_ = 0;
    std::size_t chunkSize_ = 0;
};

const FrameName* FindFrame(const std::uint8_t* id, bool threeCharacters) {
    for (const FrameName& name : FrameNames) {
        const char* wanted = threeCharacters ? name.v22 : name.v23;
        const std::size_t size = threeCharacters ? 3 : 4;
        if (std::strlen(wanted) == size && std::memcmp(id, wanted, size) == 0)
            return &name;
    }
    return nullptr;
}

// Strips what 2.3 and 2.4 put in front of a frame's data; false when the
// data can't be read (compressed or encrypted).
bool Unwrap(std::vector<std::uint8_t>& payload, std::int32_t major, std::uint8_t format, bool tagUnsynchronised) {
    std::size_t skip = 0;
    if (major == 3) {
        if ((format & V23Unreadable) != 0)
            return false;
        skip = (format & V23Grouping) != 0 ? 1 : 0;
    } else if (major == 4) {
        if ((format & V24Unreadable) != 0)
            return false;
        skip = ((format & V24Grouping) != 0 ? 1 : 0) + ((format & V24DataLength) != 0 ? 4 : 0);
    }
    payload.erase(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(std::min(skip, payload.size())));
    if (major == 4 && ((format & V24Unsynchronised) != 0 || tagUnsynchronised))
        Resynchronise(payload);
    return true;
}

}  // namespace

void ReadId3v2Texts(BufferedReader& file, Id3v2Texts& texts) {
    texts = Id3v2Texts();
    std::uint8_t header[HeaderSize];
    if (file.read(0, header, HeaderSize) != HeaderSize || std::memcmp(header, "ID3", 3) != 0)
        return;
    const std::int32_t major = header[3];
    const std::uint8_t flags = header[5];
    if (major < 2 || major > 4 || (major == 2 && (flags & ExtendedHeaderFlag) != 0))
        return;
    const bool unsynchronised = (flags & UnsynchronisationFlag) != 0;
    const std::int64_t end = static_cast<std::int64_t>(HeaderSize) + Syncsafe(header + 6);
    TagBody body(file, HeaderSize, end, unsynchronised && major < 4);

    if (major > 2 && (flags & ExtendedHeaderFlag) != 0) {
        // 2.3 counts the bytes after the size; 2.4 counts the size too.
        std::uint8_t size[4];
        if (body.read(size, 4) != 4)
            return;
        const std::int64_t rest =
            major == 3 ? static_cast<std::int64_t>(BigEndian32(size)) : static_cast<std::int64_t>(Syncsafe(size)) - 4;
        if (rest < 0 || !body.skip(rest))
            return;
    }

    const bool v22 = major == 2;
    const std::size_t frameHeaderSize = v22 ? 6 : 10;
    const std::size_t idSize = v22 ? 3 : 4;
    TagText date;
    std::vector<std::uint8_t> payload;
    std::uint8_t frameHeader[10];
    while (body.read(frameHeader, frameHeaderSize) == frameHeaderSize) {
        bool idValid = true;
        for (std::size_t i = 0; i < idSize; ++i)
            idValid = idValid && IsFrameIdChar(frameHeader[i]);
        if (!idValid)
            break;  // padding, or the end of what can be made sense of
        const std::uint8_t* sizeBytes = frameHeader + idSize;
        const std::int64_t size =
            v22          ? (static_cast<std::int64_t>(sizeBytes[0]) << 16 | sizeBytes[1] << 8 | sizeBytes[2])
            : major == 3 ? static_cast<std::int64_t>(BigEndian32(sizeBytes))
                         : static_cast<std::int64_t>(Syncsafe(sizeBytes));
        const FrameName* name = FindFrame(frameHeader, v22);
        if (name == nullptr) {
            if (!body.skip(size))
                break;
            continue;
        }
        const std::size_t wanted =
            size < static_cast<std::int64_t>(MaxTextRead) ? static_cast<std::size_t>(size) : MaxTextRead;
        payload.resize(wanted);
        payload.resize(body.read(payload.data(), wanted));
        const bool whole = payload.size() == wanted && body.skip(size - static_cast<std::int64_t>(wanted));
        if (Unwrap(payload, major, v22 ? 0 : frameHeader[9], unsynchronised)) {
            const FrameLayout layout = name->slot == Slot::Comment    ? FrameLayout::Comment
                                       : name->slot == Slot::UserText ? FrameLayout::UserText
                                                                      : FrameLayout::Text;
            DecodedFrame frame = DecodeFrame(layout, payload.data(), payload.size());
            switch (name->slot) {
                case Slot::Title:
                    texts.title = Joined(frame.values, frame.raw);
                    break;
                case Slot::Artist:
                    texts.artist = Joined(frame.values, frame.raw);
                    break;
                case Slot::Album:
                    texts.album = Joined(frame.values, frame.raw);
                    break;
                case Slot::Track:
                    texts.track = Joined(frame.values, frame.raw);
                    break;
                case Slot::Disc:
                    texts.disc = Joined(frame.values, frame.raw);
                    break;
                case Slot::Year:
                    texts.year = Joined(frame.values, frame.raw);
                    break;
                case Slot::Date:
                    date = Joined(frame.values, frame.raw);
                    break;
                case Slot::Encoder:
                    texts.encoder = Joined(frame.values, frame.raw);
                    break;
                case Slot::UserText:
                    if (texts.userTexts.size() < Id3v2Texts::MaxUserTexts)
                        texts.userTexts.push_back({frame.description, Joined(frame.values, frame.raw)});
                    break;
                case Slot::Comment:
                    if (frame.description.text.empty())
                        texts.comment = Joined(frame.values, frame.raw);
                    break;
                case Slot::Genre: {
                    std::vector<TagText> named;
                    for (const TagText& v : frame.values)
                        for (std::string& genre : GenreNames(v.text))
                            named.push_back(TagText{std::move(genre), std::string(), v.lossy});
                    texts.genre = Joined(named, frame.raw);
                    break;
                }
            }
        }
        if (!whole)
            break;
    }

    // 2.4 keeps the year in the recording time, "2003" or "2003-05-17T...".
    if (texts.year.text.empty() && !date.text.empty()) {
        const bool dated = date.text.size() >= 4 && date.text.find_first_not_of("0123456789") >= 4;
        texts.year = dated ? TagText{date.text.substr(0, 4), std::string(), false} : date;
    }
}

const TagText* Id3v2Texts::userText(const char* description) const {
    const std::size_t length = std::strlen(description);
    for (const UserText& user : userTexts) {
        const std::string& text = user.description.text;
        if (text.size() != length)
            continue;
        bool same = true;
        for (std::size_t i = 0; i < length && same; ++i)
            same = std::toupper(static_cast<unsigned char>(text[i])) ==
                   std::toupper(static_cast<unsigned char>(description[i]));
        if (same)
            return &user.value;
    }
    return nullptr;
}

}  // namespace tw
