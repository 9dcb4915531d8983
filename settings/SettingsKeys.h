// The settings file's one section and its keys, with the form of each value:
// what the loader reads and what the checker knows.
#pragma once

#include <array>
#include <cstddef>

namespace tw {

constexpr const char* SettingsSection = "Options";

constexpr const char* KeyFunction = "Function";
constexpr const char* KeyTestDirName = "Test Dir Name";
constexpr const char* KeyLogDirName = "Log Dir Name";
constexpr const char* KeyHideMpegInfo = "Hide MPEG Info";
constexpr const char* KeyRecurseDirs = "Recurse Dirs";
constexpr const char* KeyAutoStart = "Auto Start";
constexpr const char* KeyClearLog = "Clear Log";
constexpr const char* KeyIncludeBitrateSummary = "Include Bitrate Summary";
constexpr const char* KeyMoveFiles = "Move Files";
constexpr const char* KeyMoveFilesPath = "Move Files Path";
constexpr const char* KeyIgnoreEofErrors = "Ignore EOF Errors";
constexpr const char* KeyMaxOffset = "Max Offset";
constexpr const char* KeyMaxResync = "Max Resync";
constexpr const char* KeyCatDelimChar = "Cat Delim Char";
constexpr const char* KeyMaxFieldLen = "Max Field Len";
constexpr const char* KeyDeepCheck = "Deep Check";
constexpr const char* KeyTagTextAsWritten = "Tag text as written";
constexpr const char* KeyRepairFiles = "Repair Files";
constexpr const char* KeyRepairFilesPath = "Repair Files Path";

enum class SettingForm {
    Boolean,    // "true" or "false"
    Function,   // 1, 2 or 3
    Count,      // a number of 0 or more; 0 means the default
    Delimiter,  // a character code, or the character itself
    Path,       // text of at most IniFile::MaxValueLength characters
    Placement,  // a number the window keeps for its placement (-1: none)
};

struct SettingKey {
    const char* name;
    SettingForm form;
};

// Every key the program reads or writes in the section, the window's
// placement keys included.
constexpr std::array<SettingKey, 25> SettingKeys = {{
    {KeyFunction, SettingForm::Function},
    {KeyTestDirName, SettingForm::Path},
    {KeyLogDirName, SettingForm::Path},
    {KeyHideMpegInfo, SettingForm::Boolean},
    {KeyRecurseDirs, SettingForm::Boolean},
    {KeyAutoStart, SettingForm::Boolean},
    {KeyClearLog, SettingForm::Boolean},
    {KeyIncludeBitrateSummary, SettingForm::Boolean},
    {KeyMoveFiles, SettingForm::Boolean},
    {KeyMoveFilesPath, SettingForm::Path},
    {KeyIgnoreEofErrors, SettingForm::Boolean},
    {KeyMaxOffset, SettingForm::Count},
    {KeyMaxResync, SettingForm::Count},
    {KeyCatDelimChar, SettingForm::Delimiter},
    {KeyMaxFieldLen, SettingForm::Count},
    {KeyDeepCheck, SettingForm::Boolean},
    {KeyTagTextAsWritten, SettingForm::Boolean},
    {KeyRepairFiles, SettingForm::Boolean},
    {KeyRepairFilesPath, SettingForm::Path},
    // Written by the window (shell/win32/WindowPlacement.cpp).
    {"Window Flags", SettingForm::Placement},
    {"Window Show Command", SettingForm::Placement},
    {"Window Left", SettingForm::Placement},
    {"Window Top", SettingForm::Placement},
    {"Window Right", SettingForm::Placement},
    {"Window Bottom", SettingForm::Placement},
}};

}  // namespace tw
