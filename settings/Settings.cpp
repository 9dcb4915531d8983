#include "settings/Settings.h"

#include <string>

#include "common/Text.h"
#include "platform/Platform.h"
#include "text/Unicode.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace tw {

namespace {

constexpr const char* TrueText = "true";
constexpr const char* FalseText = "false";

const char* BoolText(bool value) {
    return value ? TrueText : FalseText;
}

std::string ReadText(const IniFile& ini, const char* key, const std::string& defaultText) {
    return ini.getString(SettingsSection, key, defaultText);
}

// Paths are kept as UTF-8. A value that is not UTF-8 was written by an older
// build in the ANSI code page, and is read in it, so that no folder is lost.
std::string ReadPath(const IniFile& ini, const char* key, const std::string& defaultText) {
    std::string text = ReadText(ini, key, defaultText);
    return IsUtf8Text(text) ? text : AnsiToUtf8(text);
}

bool ReadBool(const IniFile& ini, const char* key, bool defaultValue) {
    return ReadText(ini, key, BoolText(defaultValue)) == TrueText;
}

std::int32_t ReadNumber(const IniFile& ini, const char* key, std::int32_t defaultValue) {
    return ParseLeadingInt(ReadText(ini, key, std::to_string(defaultValue)).c_str());
}

// Numbers whose 0 (also a missing key or a text without digits) means "use
// the default".
std::int32_t ReadNonZero(const IniFile& ini, const char* key, std::int32_t defaultValue) {
    std::int32_t value = ReadNumber(ini, key, defaultValue);
    return value == 0 ? defaultValue : value;
}

RunFunction RunFunctionFromNumber(std::int32_t number) {
    if (number == static_cast<std::int32_t>(RunFunction::TestDirectory))
        return RunFunction::TestDirectory;
    if (number == static_cast<std::int32_t>(RunFunction::CatalogDirectory))
        return RunFunction::CatalogDirectory;
    return RunFunction::TestFile;
}

void WriteText(IniFile& ini, const char* key, const std::string& value) {
    ini.setString(SettingsSection, key, value);
}

void WriteBool(IniFile& ini, const char* key, bool value) {
    WriteText(ini, key, BoolText(value));
}

void WriteNumber(IniFile& ini, const char* key, std::int32_t value) {
    WriteText(ini, key, std::to_string(value));
}

// Directory paths may begin or end with blanks or quotes on some systems;
// protected so that they read back as written.
void WritePath(IniFile& ini, const char* key, const std::string& path) {
    WriteText(ini, key, IniFile::ProtectedValue(path));
}

}  // namespace

Settings LoadSettings(const IniFile& ini) {
    const Settings defaults;
    Settings settings;

    settings.function =
        RunFunctionFromNumber(ReadNumber(ini, KeyFunction, static_cast<std::int32_t>(defaults.function)));
    settings.testDirName = ReadPath(ini, KeyTestDirName, defaults.testDirName);
    settings.logDirName = ReadPath(ini, KeyLogDirName, defaults.logDirName);
    settings.hideMpegInfo = ReadBool(ini, KeyHideMpegInfo, defaults.hideMpegInfo);
    settings.recurseDirs = ReadBool(ini, KeyRecurseDirs, defaults.recurseDirs);
    settings.autoStart = ReadBool(ini, KeyAutoStart, defaults.autoStart);
    settings.clearLog = ReadBool(ini, KeyClearLog, defaults.clearLog);
    settings.includeBitrateSummary = ReadBool(ini, KeyIncludeBitrateSummary, defaults.includeBitrateSummary);
    settings.moveFiles = ReadBool(ini, KeyMoveFiles, defaults.moveFiles);
    settings.moveFilesPath = ReadPath(ini, KeyMoveFilesPath, defaults.moveFilesPath);
    settings.ignoreEofErrors = ReadBool(ini, KeyIgnoreEofErrors, defaults.ignoreEofErrors);
    settings.maxOffset = ReadNonZero(ini, KeyMaxOffset, defaults.maxOffset);
    settings.maxResync = ReadNonZero(ini, KeyMaxResync, defaults.maxResync);
    settings.catDelimChar = NormalisedDelimiter(
        DelimiterCodeFromSetting(ReadText(ini, KeyCatDelimChar, std::to_string(defaults.catDelimChar))));
    settings.maxFieldLen = ReadNonZero(ini, KeyMaxFieldLen, defaults.maxFieldLen);
    settings.deepCheck = ReadBool(ini, KeyDeepCheck, defaults.deepCheck);
    settings.tagTextAsWritten = ReadBool(ini, KeyTagTextAsWritten, defaults.tagTextAsWritten);
    settings.repairFiles = ReadBool(ini, KeyRepairFiles, defaults.repairFiles);
    settings.repairFilesPath = ReadPath(ini, KeyRepairFilesPath, defaults.repairFilesPath);
    return settings;
}

void StoreSettings(const Settings& settings, IniFile& ini) {
    // Only the three functions are ever written, whatever the record holds.
    WriteNumber(ini, KeyFunction,
                static_cast<std::int32_t>(RunFunctionFromNumber(static_cast<std::int32_t>(settings.function))));
    WritePath(ini, KeyTestDirName, settings.testDirName);
    WritePath(ini, KeyLogDirName, settings.logDirName);
    WriteBool(ini, KeyHideMpegInfo, settings.hideMpegInfo);
    WriteBool(ini, KeyRecurseDirs, settings.recurseDirs);
    WriteBool(ini, KeyAutoStart, settings.autoStart);
    WriteBool(ini, KeyClearLog, settings.clearLog);
    WriteBool(ini, KeyIncludeBitrateSummary, settings.includeBitrateSummary);
    WriteBool(ini, KeyMoveFiles, settings.moveFiles);
    WritePath(ini, KeyMoveFilesPath, settings.moveFilesPath);
    WriteBool(ini, KeyIgnoreEofErrors, settings.ignoreEofErrors);
    WriteNumber(ini, KeyMaxOffset, settings.maxOffset);
    WriteNumber(ini, KeyMaxResync, settings.maxResync);
    WriteNumber(ini, KeyCatDelimChar, settings.catDelimChar);
    WriteNumber(ini, KeyMaxFieldLen, settings.maxFieldLen);
    // Written once it has been switched on, so that a file that never used
    // the deep check keeps the keys it always had.
    if (settings.deepCheck || ini.hasKey(SettingsSection, KeyDeepCheck))
        WriteBool(ini, KeyDeepCheck, settings.deepCheck);
    if (settings.tagTextAsWritten || ini.hasKey(SettingsSection, KeyTagTextAsWritten))
        WriteBool(ini, KeyTagTextAsWritten, settings.tagTextAsWritten);
    if (settings.repairFiles || !settings.repairFilesPath.empty() || ini.hasKey(SettingsSection, KeyRepairFiles)) {
        WriteBool(ini, KeyRepairFiles, settings.repairFiles);
        WritePath(ini, KeyRepairFilesPath, settings.repairFilesPath);
    }
}

std::string SettingsFilePath(const std::string& executablePath) {
    if (executablePath.empty())
        return executablePath;
    // Both separators count, so that a Windows path reads the same anywhere.
    std::size_t lastSeparator = executablePath.find_last_of("/\\");
    std::size_t componentStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
    std::size_t dot = executablePath.rfind('.');
    if (dot == std::string::npos || dot < componentStart)
        return executablePath + ".INI";
    return executablePath.substr(0, dot + 1) + "INI";
}

bool LoadSettingsFile(const std::string& path, Settings& settings) {
    IniFile ini;
    bool read = ini.load(path);
    settings = LoadSettings(ini);
    return read;
}

bool SaveSettingsFile(const std::string& path, const Settings& settings) {
    IniFile ini;
    ini.load(path);  // a missing file is created
    StoreSettings(settings, ini);
    return ini.save(path);
}

IntegrityTestOptions IntegrityTestOptionsOf(const Settings& settings) {
    IntegrityTestOptions options;
    options.maxResync = settings.maxResync;
    options.includeBitrateSummary = settings.includeBitrateSummary;
    options.deepCheck = settings.deepCheck;
    return options;
}

DirectoryTestOptions DirectoryTestOptionsOf(const Settings& settings) {
    DirectoryTestOptions options;
    options.recurseDirs = settings.recurseDirs;
    options.maxOffset = settings.maxOffset;
    options.ignoreEofErrors = settings.ignoreEofErrors;
    options.moveFiles = settings.moveFiles;
    options.moveFilesPath = settings.moveFilesPath;
    options.repairFiles = settings.repairFiles;
    options.repairFilesPath = settings.repairFilesPath;
    options.deepCheck = settings.deepCheck;
    return options;
}

CatalogOptions CatalogOptionsOf(const Settings& settings) {
    CatalogOptions options;
    options.recurseDirs = settings.recurseDirs;
    options.maxOffset = settings.maxOffset;
    // The options dialog may hand over any code (0 for an empty "Other:").
    options.delimiter = static_cast<char>(NormalisedDelimiter(settings.catDelimChar));
    options.tagTextAsWritten = settings.tagTextAsWritten;
    return options;
}

}  // namespace tw
