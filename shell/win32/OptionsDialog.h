// "Options For Testing": the modal dialog that edits the options part of the
// settings, and at the same time the holder of those options while the
// program runs.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "settings/Settings.h"
#include "shell/win32/Dialog.h"

namespace tw::win {

// The number boxes' form of a typed text: its digits without leading zeros,
// in groups of three separated by ","; "0" when no digit is left. Values
// past the largest 32-bit number show as that number, so what the box shows
// is what is read back.
std::string NumberBoxText(const std::string& typed);

class OptionsDialog : public Dialog {
public:
    // Delimiter choices of the radio group.
    static constexpr std::int32_t DelimiterNone = -1;
    static constexpr std::int32_t DelimiterTab = 0;
    static constexpr std::int32_t DelimiterOther = 1;

    // The dialog's fields, each bound to one control, in the order in which
    // OK takes them. Numbers are held as their boxes' texts.
    struct Fields {
        bool recurse = false;                          // 1042
        bool clearLog = false;                         // 1016
        std::string maxOffsetText;                     // 1038
        bool ignoreEofErrors = false;                  // 1045
        bool deepCheck = false;                        // 1070
        std::int32_t delimiterChoice = DelimiterNone;  // 1051 / 1052
        std::string delimiterText;                     // 1053
        bool moveFiles = false;                        // 1043
        std::string moveFilesPath;                     // 1055
        std::string maxResyncText;                     // 1039
        std::string maxFieldLenText;                   // 1040
        bool autoStart = false;                        // 1044
        bool bitrateSummary = false;                   // 1063
        bool tagTextAsWritten = false;                 // 1071
        bool repairFiles = false;                      // 1072
        std::string repairFilesPath;                   // 1074
    };

    const Fields& fields() const { return fields_; }

    // The options by their settings names.
    bool recurseDirs() const { return fields_.recurse; }
    bool autoStart() const { return fields_.autoStart; }
    bool clearLog() const { return fields_.clearLog; }
    bool includeBitrateSummary() const { return fields_.bitrateSummary; }
    bool moveFiles() const { return fields_.moveFiles; }
    bool ignoreEofErrors() const { return fields_.ignoreEofErrors; }
    bool deepCheck() const { return fields_.deepCheck; }
    bool tagTextAsWritten() const { return fields_.tagTextAsWritten; }
    bool repairFiles() const { return fields_.repairFiles; }
    const std::string& moveFilesPath() const { return fields_.moveFilesPath; }
    const std::string& repairFilesPath() const { return fields_.repairFilesPath; }
    std::int32_t maxOffset() const;
    std::int32_t maxResync() const;
    std::int32_t maxFieldLen() const;
    // 9 for Tab; for Other the first character of the text as a signed 8-bit
    // code, 0 when the text is empty.
    std::int32_t catDelimChar() const;

    void setRecurseDirs(bool on) { fields_.recurse = on; }
    void setAutoStart(bool on) { fields_.autoStart = on; }
    void setClearLog(bool on) { fields_.clearLog = on; }
    void setIncludeBitrateSummary(bool on) { fields_.bitrateSummary = on; }
    void setMoveFiles(bool on) { fields_.moveFiles = on; }
    void setIgnoreEofErrors(bool on) { fields_.ignoreEofErrors = on; }
    void setDeepCheck(bool on) { fields_.deepCheck = on; }
    void setTagTextAsWritten(bool on) { fields_.tagTextAsWritten = on; }
    void setRepairFiles(bool on) { fields_.repairFiles = on; }
    void setMoveFilesPath(const std::string& path) { fields_.moveFilesPath = path; }
    void setRepairFilesPath(const std::string& path) { fields_.repairFilesPath = path; }
    void setMaxOffset(std::int32_t value);
    void setMaxResync(std::int32_t value);
    void setMaxFieldLen(std::int32_t value);
    // 9 chooses Tab with an empty text; any other code chooses Other with that
    // one character (an empty text for 0).
    void setCatDelimChar(std::int32_t code);

    // Every option of `settings` into the fields, and back.
    void setFrom(const Settings& settings);
    void storeInto(Settings& settings) const;

    // Runs the dialog modally over `parent`; only OK changes the fields.
    void show(HWND parent);

    // The dialog without its own message loop (for tests); null on failure.
    HWND openModeless(HWND parent);

protected:
    bool onInit() override;
    bool onCommand(int id, int notifyCode, HWND control) override;
    void onOk() override;

private:
    void onTabClicked(int id);
    void onOtherClicked(int id);
    void onFolderCheckClicked(int id);
    void onBrowseClicked(int id);
    void onNumberUpdated(int id);
    void onDelimiterUpdated(int id);

    void putFieldsIntoControls();
    // Browse and the folder box of each folder choice, enabled with its check box.
    void enableFolderControls();
    bool& numberGuard(int id);

    Fields fields_;
    // Set while a filter replaces its own box's text; one per box.
    std::array<bool, 3> numberGuards_ = {};
    bool delimiterGuard_ = false;
};

}  // namespace tw::win
