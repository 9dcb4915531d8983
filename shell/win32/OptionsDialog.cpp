#include "shell/win32/OptionsDialog.h"

#include <algorithm>

#include "common/Text.h"
#include "shell/win32/FolderBrowser.h"
#include "shell/win32/OptionsDialogIds.h"
#include "shell/win32/ResourceIds.h"
#include "shell/win32/WideText.h"

namespace tw::win {

namespace {

constexpr std::int32_t TabCode = 9;

// The three number boxes; their index is the index of their guard flag.
constexpr std::array<int, 3> NumberBoxes = {
    IDC_OPT_MAX_OFFSET,     // bytes to search for the first sync
    IDC_OPT_MAX_RESYNC,     // bytes to attempt a resync
    IDC_OPT_MAX_FIELD_LEN,  // longest ID3v2 field
};

// A folder the options name: its check box enables its "Browse" button and
// its read-only box, which only "Browse" fills.
struct FolderChoice {
    int check;
    int browse;
    int path;
};
constexpr FolderChoice FolderChoices[] = {
    {IDC_OPT_MOVE_FILES, IDC_OPT_BROWSE, IDC_OPT_MOVE_PATH},             // files with errors/warnings moved
    {IDC_OPT_REPAIR_FILES, IDC_OPT_REPAIR_BROWSE, IDC_OPT_REPAIR_PATH},  // mended copies of failing files
};

const FolderChoice* FolderChoiceOf(int id) {
    for (const FolderChoice& choice : FolderChoices) {
        if (id == choice.check || id == choice.browse)
            return &choice;
    }
    return nullptr;
}

}  // namespace

std::string NumberBoxText(const std::string& typed) {
    std::string digits;
    for (char c : typed) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    // Leading zeros read as nothing, no digit as 0, and a value past the
    // largest 32-bit number as that number; then grouped as every number is.
    return FormatThousands(ParseLeadingInt(digits.c_str()));
}

// ---- The options as settings ----

std::int32_t OptionsDialog::maxOffset() const {
    return ParseThousands(fields_.maxOffsetText);
}

std::int32_t OptionsDialog::maxResync() const {
    return ParseThousands(fields_.maxResyncText);
}

std::int32_t OptionsDialog::maxFieldLen() const {
    return ParseThousands(fields_.maxFieldLenText);
}

std::int32_t OptionsDialog::catDelimChar() const {
    if (fields_.delimiterChoice != DelimiterOther)
        return TabCode;
    return DelimiterCodeOf(fields_.delimiterText);
}

void OptionsDialog::setMaxOffset(std::int32_t value) {
    fields_.maxOffsetText = FormatThousands(value);
}

void OptionsDialog::setMaxResync(std::int32_t value) {
    fields_.maxResyncText = FormatThousands(value);
}

void OptionsDialog::setMaxFieldLen(std::int32_t value) {
    fields_.maxFieldLenText = FormatThousands(value);
}

void OptionsDialog::setCatDelimChar(std::int32_t code) {
    if (code == TabCode) {
        fields_.delimiterChoice = DelimiterTab;
        fields_.delimiterText.clear();
        return;
    }
    fields_.delimiterChoice = DelimiterOther;
    // A zero code (Other with an empty box) can't be shown as a character.
    fields_.delimiterText = code == 0 ? std::string() : std::string(1, static_cast<char>(code));
}

void OptionsDialog::setFrom(const Settings& settings) {
    setRecurseDirs(settings.recurseDirs);
    setAutoStart(settings.autoStart);
    setClearLog(settings.clearLog);
    setIncludeBitrateSummary(settings.includeBitrateSummary);
    setMoveFiles(settings.moveFiles);
    setMoveFilesPath(settings.moveFilesPath);
    setIgnoreEofErrors(settings.ignoreEofErrors);
    setDeepCheck(settings.deepCheck);
    setTagTextAsWritten(settings.tagTextAsWritten);
    setRepairFiles(settings.repairFiles);
    setRepairFilesPath(settings.repairFilesPath);
    setMaxOffset(settings.maxOffset);
    setMaxResync(settings.maxResync);
    setCatDelimChar(settings.catDelimChar);
    setMaxFieldLen(settings.maxFieldLen);
}

void OptionsDialog::storeInto(Settings& settings) const {
    settings.recurseDirs = recurseDirs();
    settings.autoStart = autoStart();
    settings.clearLog = clearLog();
    settings.includeBitrateSummary = includeBitrateSummary();
    settings.moveFiles = moveFiles();
    settings.moveFilesPath = moveFilesPath();
    settings.ignoreEofErrors = ignoreEofErrors();
    settings.deepCheck = deepCheck();
    settings.tagTextAsWritten = tagTextAsWritten();
    settings.repairFiles = repairFiles();
    settings.repairFilesPath = repairFilesPath();
    settings.maxOffset = maxOffset();
    settings.maxResync = maxResync();
    settings.catDelimChar = catDelimChar();
    settings.maxFieldLen = maxFieldLen();
}

// ---- The dialog ----

void OptionsDialog::show(HWND parent) {
    runModal(GetModuleHandleA(nullptr), IDD_OPTIONS, parent);
}

HWND OptionsDialog::openModeless(HWND parent) {
    return createModeless(GetModuleHandleA(nullptr), IDD_OPTIONS, parent);
}

bool OptionsDialog::onInit() {
    putFieldsIntoControls();
    enableItem(IDC_OPT_DELIM_TEXT, fields_.delimiterChoice == DelimiterOther);
    enableFolderControls();
    return true;
}

bool OptionsDialog::onCommand(int id, int notifyCode, HWND control) {
    using Route = CommandRoute<void (OptionsDialog::*)(int)>;
    static constexpr Route Routes[] = {
        {IDC_OPT_DELIM_TAB, BN_CLICKED, &OptionsDialog::onTabClicked},             // "Tab"
        {IDC_OPT_DELIM_OTHER, BN_CLICKED, &OptionsDialog::onOtherClicked},         // "Other:"
        {IDC_OPT_MOVE_FILES, BN_CLICKED, &OptionsDialog::onFolderCheckClicked},    // move files check box
        {IDC_OPT_BROWSE, BN_CLICKED, &OptionsDialog::onBrowseClicked},             // "Browse" (move to)
        {IDC_OPT_REPAIR_FILES, BN_CLICKED, &OptionsDialog::onFolderCheckClicked},  // repair files check box
        {IDC_OPT_REPAIR_BROWSE, BN_CLICKED, &OptionsDialog::onBrowseClicked},      // "Browse" (repair into)
        {IDC_OPT_MAX_OFFSET, EN_UPDATE, &OptionsDialog::onNumberUpdated},          // number filter
        {IDC_OPT_MAX_RESYNC, EN_UPDATE, &OptionsDialog::onNumberUpdated},          // number filter
        {IDC_OPT_MAX_FIELD_LEN, EN_UPDATE, &OptionsDialog::onNumberUpdated},       // number filter
        {IDC_OPT_DELIM_TEXT, EN_UPDATE, &OptionsDialog::onDelimiterUpdated},       // one-character filter
    };
    return RouteCommand(*this, Routes, id, notifyCode) || Dialog::onCommand(id, notifyCode, control);
}

void OptionsDialog::onOk() {
    fields_.recurse = isChecked(IDC_OPT_RECURSE);
    fields_.clearLog = isChecked(IDC_OPT_CLEAR_LOG);
    fields_.maxOffsetText = itemText(IDC_OPT_MAX_OFFSET);
    fields_.ignoreEofErrors = isChecked(IDC_OPT_IGNORE_EOF);
    fields_.deepCheck = isChecked(IDC_OPT_DEEP_CHECK);
    fields_.delimiterChoice = isChecked(IDC_OPT_DELIM_TAB)     ? DelimiterTab
                              : isChecked(IDC_OPT_DELIM_OTHER) ? DelimiterOther
                                                               : DelimiterNone;
    fields_.delimiterText = AnsiCodePageText(itemText(IDC_OPT_DELIM_TEXT));
    fields_.moveFiles = isChecked(IDC_OPT_MOVE_FILES);
    fields_.moveFilesPath = itemText(IDC_OPT_MOVE_PATH);
    fields_.maxResyncText = itemText(IDC_OPT_MAX_RESYNC);
    fields_.maxFieldLenText = itemText(IDC_OPT_MAX_FIELD_LEN);
    fields_.autoStart = isChecked(IDC_OPT_AUTO_START);
    fields_.bitrateSummary = isChecked(IDC_OPT_BITRATE_SUMMARY);
    fields_.tagTextAsWritten = isChecked(IDC_OPT_TAG_TEXT_AS_WRITTEN);
    fields_.repairFiles = isChecked(IDC_OPT_REPAIR_FILES);
    fields_.repairFilesPath = itemText(IDC_OPT_REPAIR_PATH);
    end(IDOK);
}

void OptionsDialog::onTabClicked(int) {
    enableItem(IDC_OPT_DELIM_TEXT, false);
}

void OptionsDialog::onOtherClicked(int) {
    enableItem(IDC_OPT_DELIM_TEXT, true);
}

void OptionsDialog::onFolderCheckClicked(int) {
    enableFolderControls();
}

void OptionsDialog::onBrowseClicked(int id) {
    const FolderChoice* choice = FolderChoiceOf(id);
    if (choice == nullptr)
        return;
    std::string path = itemText(choice->path);
    BrowseForFolder(path, handle());
    setItemText(choice->path, path);
}

void OptionsDialog::onNumberUpdated(int id) {
    bool& guard = numberGuard(id);
    if (guard)
        return;
    HWND box = item(id);
    DWORD caret = 0;
    SendMessageA(box, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    std::string typed = itemText(id);
    std::string shown = NumberBoxText(typed);
    guard = true;
    setItemText(id, shown);
    guard = false;
    // Keep the caret's distance from the end of the text (in the box's
    // characters; what is shown is digits and commas only).
    long fromEnd = static_cast<long>(ShownText(typed).size()) - static_cast<long>(caret);
    long position = std::max(0L, static_cast<long>(shown.size()) - fromEnd);
    SendMessageA(box, EM_SETSEL, static_cast<WPARAM>(position), position);
    SendMessageA(box, EM_SCROLLCARET, 0, 0);
}

void OptionsDialog::onDelimiterUpdated(int id) {
    if (delimiterGuard_)
        return;
    std::wstring typed = ShownText(itemText(id));
    if (typed.size() <= 1)
        return;
    MessageBeep(0xFFFFFFFF);
    HWND box = item(id);
    DWORD start = 0;
    SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    // Caret at 1: a character was typed in front of the old one.
    bool typedInFront = start == 1;
    delimiterGuard_ = true;
    SetWindowTextW(box, typed.substr(typedInFront ? 1 : 0, 1).c_str());
    int caret = typedInFront ? 0 : 1;
    SendMessageA(box, EM_SETSEL, caret, caret);
    delimiterGuard_ = false;
    SendMessageA(box, EM_SCROLLCARET, 0, 0);
}

void OptionsDialog::putFieldsIntoControls() {
    // The boxes show the fields as they are; the filters are for typing.
    numberGuards_.fill(true);
    delimiterGuard_ = true;
    setChecked(IDC_OPT_RECURSE, fields_.recurse);
    setChecked(IDC_OPT_CLEAR_LOG, fields_.clearLog);
    setItemText(IDC_OPT_MAX_OFFSET, fields_.maxOffsetText);
    setChecked(IDC_OPT_IGNORE_EOF, fields_.ignoreEofErrors);
    setChecked(IDC_OPT_DEEP_CHECK, fields_.deepCheck);
    setChecked(IDC_OPT_DELIM_TAB, fields_.delimiterChoice == DelimiterTab);
    setChecked(IDC_OPT_DELIM_OTHER, fields_.delimiterChoice == DelimiterOther);
    setItemText(IDC_OPT_DELIM_TEXT, fields_.delimiterText);
    setChecked(IDC_OPT_MOVE_FILES, fields_.moveFiles);
    setItemText(IDC_OPT_MOVE_PATH, fields_.moveFilesPath);
    setItemText(IDC_OPT_MAX_RESYNC, fields_.maxResyncText);
    setItemText(IDC_OPT_MAX_FIELD_LEN, fields_.maxFieldLenText);
    setChecked(IDC_OPT_AUTO_START, fields_.autoStart);
    setChecked(IDC_OPT_BITRATE_SUMMARY, fields_.bitrateSummary);
    setChecked(IDC_OPT_TAG_TEXT_AS_WRITTEN, fields_.tagTextAsWritten);
    setChecked(IDC_OPT_REPAIR_FILES, fields_.repairFiles);
    setItemText(IDC_OPT_REPAIR_PATH, fields_.repairFilesPath);
    numberGuards_.fill(false);
    delimiterGuard_ = false;
}

void OptionsDialog::enableFolderControls() {
    for (const FolderChoice& choice : FolderChoices) {
        bool on = isChecked(choice.check);
        enableItem(choice.browse, on);
        enableItem(choice.path, on);
    }
}

bool& OptionsDialog::numberGuard(int id) {
    auto at = std::find(NumberBoxes.begin(), NumberBoxes.end(), id);
    return numberGuards_[static_cast<std::size_t>(at - NumberBoxes.begin())];
}

}  // namespace tw::win
