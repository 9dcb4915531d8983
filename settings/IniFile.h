// An INI-format text file held in memory, read and written the way the
// Windows profile-string functions treat it: section and key names match
// without regard to letter case, blanks around names and around "=" do not
// count, lines beginning with ";" are comments, and writing one key leaves
// every other byte of the file as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace tw {

class IniFile {
public:
    // The profile reader's buffer holds 261 bytes: a value is cut to 260.
    static constexpr std::size_t MaxValueLength = 260;

    // Replaces the document with the contents of the file at `path`. False,
    // leaving an empty document, when the file can't be opened (a missing
    // file is the usual reason and needs no message).
    bool load(const std::string& path);
    bool load(ReadableFile& file);

    // The document as bytes, exactly as it will be saved.
    std::string text() const;
    void setText(const std::string& text);

    // The value of `key` in the first section named `section`: blanks around
    // it removed, then a pair of matching double or single quotes enclosing
    // it removed, then cut to MaxValueLength. When the section or the key is
    // missing: `defaultText` without its trailing blanks, cut the same way.
    std::string getString(const std::string& section, const std::string& key, const std::string& defaultText) const;

    // Whether the first section named `section` holds `key`.
    bool hasKey(const std::string& section, const std::string& key) const;

    // What one line of the document is, as the reader takes it.
    struct LineView {
        enum class Kind { Blank, Comment, Section, Key, Other };
        Kind kind = Kind::Blank;
        std::string name;     // trimmed section or key name
        std::string content;  // the line without its end
    };
    // Every line of the document in order (line n is element n - 1), for a
    // checker that names lines.
    std::vector<LineView> lineViews() const;

    // Sets `key` of `section` to `value`. An existing key keeps its line, its
    // spelling and the blanks around "=": only the value changes. A missing
    // key is added after the last non-blank line of the section; a missing
    // section is added at the end. New lines end in CR LF. False, with the
    // document unchanged, when a name or the value can't be written as one
    // line of the file (a line break or NUL, "=" in a key, "]" in a section,
    // an empty name).
    bool setString(const std::string& section, const std::string& key, const std::string& value);

    // Writes the document to `path`, creating the file when it is missing,
    // replacing it only once all is written. False when it can't be created
    // or written (the old file then stays as it was), or names an audio file.
    bool save(const std::string& path) const;

    // `text` in the form that getString gives back unchanged: wrapped in
    // double quotes when the reader would otherwise trim its blanks or drop
    // its enclosing quotes, else as it is.
    static std::string ProtectedValue(const std::string& text);

private:
    struct Line {
        std::string content;  // without the line end
        std::string end;      // "\r\n", "\n", or "" for a last line without one
    };

    // Index of the header line of the first section named `section`, or -1.
    std::ptrdiff_t findSection(const std::string& section) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t sectionEnd(std::size_t header) const;
    // Index of the first line of the section holding `key`, or -1.
    std::ptrdiff_t findKey(std::size_t header, const std::string& key) const;

    std::vector<Line> lines_;
};

}  // namespace tw
