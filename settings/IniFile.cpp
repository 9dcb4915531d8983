#include "settings/IniFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "common/BufferedReader.h"
#include "common/WriteTarget.h"

namespace tw {

namespace {

constexpr const char* NewLineEnd = "\r\n";  // what Windows writes

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

// [begin, end) narrowed past the blanks at both ends.
void TrimRange(const std::string& text, std::size_t& begin, std::size_t& end) {
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    TrimRange(text, begin, end);
    return text.substr(begin, end - begin);
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool IsEnclosedInQuotes(const std::string& text) {
    return text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
}

bool HasLineBreakOrNul(const std::string& text) {
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// What one line of the file is, for lookups.
struct LineShape {
    enum Kind { Other, Section, Key };
    Kind kind = Other;
    std::string name;            // trimmed section or key name
    std::size_t valueBegin = 0;  // trimmed value, key lines only
    std::size_t valueEnd = 0;
};

LineShape ShapeOf(const std::string& content) {
    LineShape shape;
    std::size_t start = 0;
    while (start < content.size() && IsBlank(content[start]))
        ++start;
    if (start == content.size() || content[start] == ';')
        return shape;
    if (content[start] == '[') {
        std::size_t close = content.find(']', start + 1);
        if (close != std::string::npos) {
            std::size_t begin = start + 1;
            std::size_t end = close;
            TrimRange(content, begin, end);
            shape.kind = LineShape::Section;
            shape.name = content.substr(begin, end - begin);
            return shape;
        }
    }
    std::size_t equals = content.find('=', start);
    if (equals == std::string::npos)
        return shape;
    std::size_t nameEnd = equals;
    TrimRange(content, start, nameEnd);
    shape.kind = LineShape::Key;
    shape.name = content.substr(start, nameEnd - start);
    shape.valueBegin = equals + 1;
    shape.valueEnd = content.size();
    TrimRange(content, shape.valueBegin, shape.valueEnd);
    return shape;
}

std::string CutToValueLength(std::string text) {
    if (text.size() > IniFile::MaxValueLength)
        text.resize(IniFile::MaxValueLength);
    return text;
}

}  // namespace

bool IniFile::load(const std::string& path) {
    lines_.clear();
    std::unique_ptr<ReadableFile> file = SystemFileSystem().openForReading(path);
    if (!file)
        return false;
    return load(*file);
}

bool IniFile::load(ReadableFile& file) {
    lines_.clear();
    BufferedReader reader(file);
    if (reader.size() <= 0)
        return true;
    std::string bytes(static_cast<std::size_t>(reader.size()), '\0');
    std::size_t got = reader.read(0, reinterpret_cast<std::uint8_t*>(&bytes[0]), bytes.size());
    bytes.resize(got);
    setText(bytes);
    return true;
}

std::string IniFile::text() const {
    std::string bytes;
    for (const Line& line : lines_) {
        bytes += line.content;
        bytes += line.end;
    }
    return bytes;
}

void IniFile::setText(const std::string& text) {
    lines_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t newline = text.find('\n', start);
        if (newline == std::string::npos) {
            lines_.push_back({text.substr(start), ""});
            return;
        }
        std::size_t contentEnd = newline;
        if (contentEnd > start && text[contentEnd - 1] == '\r')
            --contentEnd;
        lines_.push_back({text.substr(start, contentEnd - start), text.substr(contentEnd, newline + 1 - contentEnd)});
        start = newline + 1;
    }
}

std::ptrdiff_t IniFile::findSection(const std::string& section) const {
    const std::string wanted = Trimmed(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        LineShape shape = ShapeOf(lines_[i].content);
        if (shape.kind == LineShape::Section && EqualIgnoringCase(shape.name, wanted))
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

std::size_t IniFile::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && ShapeOf(lines_[i].content).kind != LineShape::Section)
        ++i;
    return i;
}

std::ptrdiff_t IniFile::findKey(std::size_t header, const std::string& key) const {
    const std::string wanted = Trimmed(key);
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        LineShape shape = ShapeOf(lines_[i].content);
        if (shape.kind == LineShape::Key && EqualIgnoringCase(shape.name, wanted))
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

std::string IniFile::getString(const std::string& section, const std::string& key,
                               const std::string& defaultText) const {
    std::string defaultValue = defaultText;
    while (!defaultValue.empty() && IsBlank(defaultValue.back()))
        defaultValue.pop_back();
    std::ptrdiff_t header = findSection(section);
    if (header < 0)
        return CutToValueLength(defaultValue);
    std::ptrdiff_t index = findKey(static_cast<std::size_t>(header), key);
    if (index < 0)
        return CutToValueLength(defaultValue);
    const std::string& content = lines_[static_cast<std::size_t>(index)].content;
    LineShape shape = ShapeOf(content);
    std::string value = content.substr(shape.valueBegin, shape.valueEnd - shape.valueBegin);
    if (IsEnclosedInQuotes(value))
        value = value.substr(1, value.size() - 2);
    return CutToValueLength(value);
}

bool IniFile::hasKey(const std::string& section, const std::string& key) const {
    std::ptrdiff_t header = findSection(section);
    return header >= 0 && findKey(static_cast<std::size_t>(header), key) >= 0;
}

std::vector<IniFile::LineView> IniFile::lineViews() const {
    std::vector<LineView> views;
    views.reserve(lines_.size());
    for (const Line& line : lines_) {
        LineView view;
        view.content = line.content;
        LineShape shape = ShapeOf(line.content);
        if (shape.kind == LineShape::Section) {
            view.kind = LineView::Kind::Section;
        } else if (shape.kind == LineShape::Key) {
            view.kind = LineView::Kind::Key;
        } else {
            const std::string trimmed = Trimmed(line.content);
            view.kind = trimmed.empty()          ? LineView::Kind::Blank
                        : trimmed.front() == ';' ? LineView::Kind::Comment
                                                 : LineView::Kind::Other;
        }
        view.name = shape.name;
        views.push_back(std::move(view));
    }
    return views;
}

bool IniFile::setString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string sectionName = Trimmed(section);
    const std::string keyName = Trimmed(key);
    if (sectionName.empty() || keyName.empty())
        return false;
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value))
        return false;
    if (sectionName.find(']') != std::string::npos)
        return false;
    // A key that the reader would take for a comment or a section header.
    if (keyName.find('=') != std::string::npos || keyName.front() == ';' || keyName.front() == '[')
        return false;

    const Line newKeyLine{keyName + "=" + value, NewLineEnd};
    std::ptrdiff_t header = findSection(sectionName);
    if (header < 0) {
        if (!lines_.empty() && lines_.back().end.empty())
            lines_.back().end = NewLineEnd;
        lines_.push_back({"[" + sectionName + "]", NewLineEnd});
        lines_.push_back(newKeyLine);
        return true;
    }
    std::ptrdiff_t index = findKey(static_cast<std::size_t>(header), keyName);
    if (index >= 0) {
        std::string& content = lines_[static_cast<std::size_t>(index)].content;
        LineShape shape = ShapeOf(content);
        content = content.substr(0, shape.valueBegin) + value + content.substr(shape.valueEnd);
        return true;
    }
    // After the section's last non-blank line, so that blank lines that
    // separate it from the next section stay where they are.
    std::size_t last = static_cast<std::size_t>(header);
    const std::size_t end = sectionEnd(last);
    for (std::size_t i = last + 1; i < end; ++i) {
        if (!Trimmed(lines_[i].content).empty())
            last = i;
    }
    if (lines_[last].end.empty())
        lines_[last].end = NewLineEnd;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last) + 1, newKeyLine);
    return true;
}

bool IniFile::save(const std::string& path) const {
    if (CheckWriteTarget(path, {}) != WriteRefusal::None)
        return false;
    std::string errorText;
    std::unique_ptr<StagedFile> file = CreateStagedFile(path, StagedFile::Mode::Replace, errorText);
    if (!file)
        return false;
    const std::string bytes = text();
    return std::fwrite(bytes.data(), 1, bytes.size(), file->stream()) == bytes.size() && file->commit(errorText);
}

std::string IniFile::ProtectedValue(const std::string& text) {
    if (text.empty())
        return text;
    if (IsBlank(text.front()) || IsBlank(text.back()) || IsEnclosedInQuotes(text))
        return "\"" + text + "\"";
    return text;
}

}  // namespace tw
