// A settings file checked as it is read: every key that the program does not
// know, every value it can't read and every value out of range gets one
// warning naming its line and key, and the settings rules then decide the
// value as always. A file that can't be a settings file is refused whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

class IniFile;
struct Settings;

// Far beyond any settings file the program writes (under 1 KiB): a larger
// file is not one.
constexpr std::int64_t MaxSettingsFileSize = 64 * 1024;

struct SettingsWarning {
    std::size_t line = 0;  // 1-based; 0 for the file as a whole
    std::string key;       // 'the key' (or the line's text when it has none), quoted, control bytes as \xNN
    std::string message;
};

// Why bytes of this size can't be a settings file: too large, or not text (a
// NUL or another control character than tab, line ends and form feeds).
// Empty when they can be one.
std::string SettingsFileRefusal(std::int64_t size, const std::string& bytes);

// The warnings for the section "Options" of `ini`, in line order.
std::vector<SettingsWarning> CheckSettings(const IniFile& ini);

// Reads the settings file at `path`, checks it and loads it. False, with
// `error` set and the defaults in `settings`, when the file can't be read or
// is refused; then nothing of it is used.
bool LoadCheckedSettingsFile(const std::string& path, Settings& settings, std::vector<SettingsWarning>& warnings,
                             std::string& error);

}  // namespace tw
