// The settings-file parser: IniFile over any bytes, the load rules of
// LoadSettings and the checker's warnings.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "settings/CatalogDelimiter.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "settings/SettingsCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tw;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    IniFile ini;
    ini.setText(bytes);
    // The document keeps every byte, so that writing one key keeps the rest.
    FUZZ_CHECK(ini.text() == bytes);
    FUZZ_CHECK(ini.lineViews().size() <= size);

    const Settings settings = LoadSettings(ini);
    FUZZ_CHECK(settings.maxOffset != 0 && settings.maxResync != 0 && settings.maxFieldLen != 0);
    FUZZ_CHECK(IsCatalogDelimiter(settings.catDelimChar));
    const auto function = static_cast<std::int32_t>(settings.function);
    FUZZ_CHECK(function >= 1 && function <= 3);
    for (const std::string* path : {&settings.testDirName, &settings.logDirName, &settings.moveFilesPath})
        FUZZ_CHECK(path->size() <= IniFile::MaxValueLength);

    // Every warning names a line of the file (0: the file as a whole) and
    // quotes what it names without a control byte.
    const std::size_t lines = ini.lineViews().size();
    for (const SettingsWarning& w : CheckSettings(ini)) {
        FUZZ_CHECK(w.line <= lines);
        FUZZ_CHECK(!w.key.empty() && !w.message.empty());
        for (char c : w.key + w.message)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
    (void)SettingsFileRefusal(static_cast<std::int64_t>(size), bytes);

    // What is stored reads back as itself, and a second store changes nothing.
    IniFile stored = ini;
    StoreSettings(settings, stored);
    const Settings again = LoadSettings(stored);
    IniFile first;
    IniFile second;
    StoreSettings(settings, first);
    StoreSettings(again, second);
    FUZZ_CHECK(first.text() == second.text());
    // What the program writes, the checker reads: values may be out of range
    // (the rules keep a negative offset), never unreadable.
    for (const SettingsWarning& w : CheckSettings(first)) {
        FUZZ_CHECK(w.message.find("unknown") == std::string::npos);
        FUZZ_CHECK(w.message.find("not a whole number") == std::string::npos);
        FUZZ_CHECK(w.message.find("not true or false") == std::string::npos);
    }
    return 0;
}
