#include "settings/SettingsCheck.h"

#include <limits>
#include <map>
#include <memory>

#include "common/Text.h"
#include "platform/Platform.h"
#include "settings/CatalogDelimiter.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace tw {
namespace {

// How much of an odd line a warning quotes.
constexpr std::size_t QuotedLineLength = 40;

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Section and key names match without regard to letter case, as the reader
// matches them.
std::string Folded(std::string text) {
    for (char& c : text)
        c = FoldCase(c);
    return text;
}

const SettingKey* FindKey(const std::string& name) {
    const std::string folded = Folded(name);
    for (const SettingKey& key : SettingKeys)
        if (Folded(key.name) == folded)
            return &key;
    return nullptr;
}

// Optional sign, then digits and nothing else; `inRange` when within 32 bits.
bool IsWholeNumber(const std::string& text, bool& inRange) {
    const bool negative = !text.empty() && text[0] == '-';
    std::size_t i = !text.empty() && (negative || text[0] == '+') ? 1 : 0;
    if (i == text.size())
        return false;
    constexpr std::int64_t Largest = std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        if (magnitude <= Largest + 1)
            magnitude = magnitude * 10 + (text[i] - '0');
    }
    inRange = magnitude <= (negative ? Largest + 1 : Largest);
    return true;
}

// The value as the reader takes it (blanks around it and one pair of
// enclosing quotes removed), before it is cut to its longest.
std::string UncutValue(const std::string& content) {
    const std::size_t begin = content.find_first_not_of(" \t\r\v\f", content.find('=') + 1);
    if (begin == std::string::npos)
        return std::string();
    std::string value = content.substr(begin, content.find_last_not_of(" \t\r\v\f") + 1 - begin);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

// The problem with one value of a known key; empty when there is none.
// `used` holds what the settings rules make of the file: the text that the
// loaded record stores for each key.
std::string ValueProblem(const IniFile& ini, const IniFile& used, const SettingKey& key, const std::string& content) {
    const std::string value = ini.getString(SettingsSection, key.name, "");
    if (key.form == SettingForm::Path) {
        if (UncutValue(content).size() <= IniFile::MaxValueLength)
            return std::string();
        return FormatText("longer than %d characters; it is cut there", static_cast<int>(IniFile::MaxValueLength));
    }
    if (key.form == SettingForm::Boolean) {
        if (value == "true" || value == "false")
            return std::string();
        return QuotedForMessage(value) + " is not true or false; it reads as false";
    }
    if (key.form == SettingForm::Delimiter && value.size() == 1 && IsCatalogDelimiter(DelimiterCodeFromSetting(value)))
        return std::string();
    bool inRange = true;
    const std::string outcome = key.form == SettingForm::Placement
                                    ? std::string()
                                    : "; " + used.getString(SettingsSection, key.name, "") + " is used";
    if (!IsWholeNumber(value, inRange))
        return QuotedForMessage(value) + " is not a whole number" + outcome;
    if (!inRange)
        return QuotedForMessage(value) + " is beyond 32 bits" + outcome;
    const std::int32_t n = ParseLeadingInt(value.c_str());
    switch (key.form) {
        case SettingForm::Function:
            if (n >= 1 && n <= 3)
                return std::string();
            return QuotedForMessage(value) + " is not 1 (Test File), 2 (Test Directory) or 3 (Catalog Directory)" +
                   outcome;
        case SettingForm::Count:
            if (n >= 0)
                return std::string();
            return QuotedForMessage(value) + " is below 0" + outcome;
        case SettingForm::Delimiter:
            if (IsCatalogDelimiter(n))
                return std::string();
            return QuotedForMessage(value) + " is not 9 (tab) or a printable character's code (32 to 126)" + outcome;
        default:
            return std::string();
    }
}

}  // namespace

std::string SettingsFileRefusal(std::int64_t size, const std::string& bytes) {
    if (size > MaxSettingsFileSize)
        return "it is " + FormatThousands(static_cast<std::int32_t>(size > 0x7FFFFFFF ? 0x7FFFFFFF : size)) +
               " bytes long; a settings file has at most " +
               FormatThousands(static_cast<std::int32_t>(MaxSettingsFileSize)) + " bytes";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\v' && b != '\f')
            return FormatText("it is not text (byte 0x%02X at offset %d)", b, static_cast<int>(i));
    }
    return std::string();
}

std::vector<SettingsWarning> CheckSettings(const IniFile& ini) {
    std::vector<SettingsWarning> warnings;
    const std::vector<IniFile::LineView> lines = ini.lineViews();
    // 0: before any section; 1: in the first [Options]; 2: elsewhere.
    int where = 0;
    bool sawOptions = false;
    std::map<std::string, std::size_t> firstLineOf;
    IniFile used;
    StoreSettings(LoadSettings(ini), used);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const IniFile::LineView& line = lines[i];
        const std::size_t number = i + 1;
        if (line.kind == IniFile::LineView::Kind::Section) {
            const bool options = Folded(line.name) == Folded(SettingsSection);
            if (options && sawOptions)
                warnings.push_back({number, QuotedForMessage("[" + line.name + "]"),
                                    "the section is given again; its keys are not read"});
            where = options && !sawOptions ? 1 : 2;
            sawOptions = sawOptions || options;
            continue;
        }
        const bool keyOrOther =
            line.kind == IniFile::LineView::Kind::Key || line.kind == IniFile::LineView::Kind::Other;
        if (where == 0 && keyOrOther) {
            warnings.push_back(
                {number, QuotedForMessage(line.content.substr(0, QuotedLineLength)), "outside any section; ignored"});
            continue;
        }
        if (where != 1)
            continue;
        if (line.kind == IniFile::LineView::Kind::Other) {
            warnings.push_back(
                {number, QuotedForMessage(line.content.substr(0, QuotedLineLength)), "not a key=value line; ignored"});
            continue;
        }
        if (line.kind != IniFile::LineView::Kind::Key)
            continue;
        const SettingKey* key = FindKey(line.name);
        if (key == nullptr) {
            warnings.push_back({number, QuotedForMessage(line.name), "unknown key; ignored"});
            continue;
        }
        auto first = firstLineOf.emplace(Folded(line.name), number);
        if (!first.second) {
            warnings.push_back(
                {number, QuotedForMessage(line.name),
                 FormatText("given again; the first, on line %d, counts", static_cast<int>(first.first->second))});
            continue;
        }
        std::string problem = ValueProblem(ini, used, *key, line.content);
        if (!problem.empty())
            warnings.push_back({number, QuotedForMessage(line.name), problem});
    }
    if (!sawOptions && !lines.empty())
        warnings.push_back(
            {0, QuotedForMessage("[" + std::string(SettingsSection) + "]"), "no such section; nothing is read"});
    return warnings;
}

bool LoadCheckedSettingsFile(const std::string& path, Settings& settings, std::vector<SettingsWarning>& warnings,
                             std::string& error) {
    settings = Settings();
    warnings.clear();
    FileSystem& fileSystem = SystemFileSystem();
    std::unique_ptr<ReadableFile> file = fileSystem.openForReading(path);
    if (!file) {
        error = fileSystem.openingProblem(path);
        if (error.empty())
            error = "it can't be read";
        return false;
    }
    error = SettingsFileRefusal(file->size(), std::string());
    if (!error.empty())
        return false;
    IniFile ini;
    ini.load(*file);
    error = SettingsFileRefusal(0, ini.text());
    if (!error.empty())
        return false;
    warnings = CheckSettings(ini);
    settings = LoadSettings(ini);
    return true;
}

}  // namespace tw
