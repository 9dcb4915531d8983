// The user-defined text frames (TXXX) of a leading ID3v2 tag, read as the
// tag's version says: frame sizes plain (2.3) or syncsafe (2.4), the
// unsynchronisation of the whole tag (2.3) or of each frame (2.4) undone, an
// extended header skipped. The tag record reads the tag its own way; this is
// for the frames whose exact payload matters, such as the records that a
// gain tool leaves (MP3GAIN_UNDO).
#pragma once

#include <string>
#include <vector>

namespace tw {

class BufferedReader;

struct UserText {
    std::string description;
    std::string value;  // ASCII; any other character becomes '?'
};

// Every TXXX frame of the tag at the start of the file, in order; none when
// there is no ID3v2.3 or 2.4 tag. A damaged frame ends the list there.
std::vector<UserText> ReadId3v2UserTexts(BufferedReader& file);

}  // namespace tw
