// The texts of a leading ID3v2 tag as written. A walk of its own, by the
// rules of each version (2.2 three-character frames, 2.3 plain frame sizes
// and extended header, 2.4 syncsafe sizes, unsynchronisation, data length
// indicators), decoding each text by its encoding: ISO-8859-1, UTF-16 with a
// byte-order mark, UTF-16BE, UTF-8. The log's texts keep the reading that
// Id3v2Tag gives them; these are for the machine-readable outputs and for the
// log when "Tag text as written" is on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tags/Id3v2TextFrame.h"
#include "tags/TagText.h"

namespace tw {

class BufferedReader;

// A user-defined text frame (TXXX): what a tool keeps under its own name,
// such as a gain tool's MP3GAIN_UNDO.
struct UserText {
    TagText description;
    TagText value;
};

struct Id3v2Texts {
    // A hostile tag can't make the list long: no tool writes this many.
    static constexpr std::size_t MaxUserTexts = 64;

    TagText title;                    // TIT2 (TT2)
    TagText artist;                   // TPE1 (TP1)
    TagText album;                    // TALB (TAL)
    TagText track;                    // TRCK (TRK), e.g. "5/12"
    TagText disc;                     // TPOS (TPA)
    TagText year;                     // TYER (TYE), else the first four characters of TDRC
    TagText genre;                    // TCON (TCO), references such as "(17)" named
    TagText comment;                  // the last COMM (COM) with an empty description
    TagText encoder;                  // TSSE (TSS)
    std::vector<UserText> userTexts;  // TXXX (TXX), in order

    // The value of the first user text of that description (ASCII, compared
    // ignoring case); nullptr when there is none.
    const TagText* userText(const char* description) const;
};

// Fills `texts` from the tag at the start of `file`; empty texts when there
// is none, or none of a kind. A later frame of the same kind replaces an
// earlier one. Reads at most MaxTextRead bytes of any frame.
void ReadId3v2Texts(BufferedReader& file, Id3v2Texts& texts);

constexpr std::size_t MaxTextRead = 16 * 1024;

}  // namespace tw
