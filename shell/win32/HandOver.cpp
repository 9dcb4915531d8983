#include "shell/win32/HandOver.h"

#include "shell/win32/WideText.h"

namespace tw::win {

namespace {

// Posts a selection atom; the atom is released when it can't be posted.
bool PostAtom(HWND target, ATOM atom, UINT selectionMessage) {
    if (selectionMessage != 0 && PostMessageA(target, selectionMessage, atom, 0))
        return true;
    GlobalDeleteAtom(atom);
    return false;
}

// A visible, enabled window that `owner` owns (an open message box or
// dialog); null when there is none.
HWND OpenPopupOf(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetWindowThreadProcessId(owner, nullptr),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window) || !IsWindowEnabled(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

const char* const SelectionMessageName = "Tunewarden: ProcessSelectionMessage";
const char* const InstancePropertyName = "Tunewarden: My Unique Window Property";

void MarkAsRunningInstance(HWND window) {
    SetPropA(window, InstancePropertyName, reinterpret_cast<HANDLE>(1));
}

HWND FindRunningInstance() {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetPropA(window, InstancePropertyName) != nullptr)
            return window;
    }
    return nullptr;
}

bool PostSelection(HWND target, const std::string& text, UINT selectionMessage) {
    ATOM atom = GlobalAddAtomW(ShownText(text).c_str());
    return atom != 0 && PostAtom(target, atom, selectionMessage);
}

void BringToFront(HWND window) {
    // Down the chain of open windows, each owned by the one before: the
    // last one is the one that takes input. (Eight is far past any chain
    // the program opens; the bound only keeps a broken chain from looping.)
    HWND front = window;
    for (int depth = 0; depth < 8; ++depth) {
        HWND popup = OpenPopupOf(front);
        if (popup == nullptr)
            break;
        front = popup;
    }
    SetForegroundWindow(front);
    BringWindowToTop(front);
}

bool HandOver(HWND target, const std::string& commandLine, UINT selectionMessage) {
    // A text that can't travel leaves the running window where it is.
    ATOM atom = GlobalAddAtomW(ShownText(commandLine).c_str());
    if (atom == 0)
        return false;
    OpenIcon(target);
    BringToFront(target);
    return PostAtom(target, atom, selectionMessage);
}

std::optional<std::string> TakeSelection(ATOM atom) {
    wchar_t name[256] = {};
    UINT length = GlobalGetAtomNameW(atom, name, 256);
    if (length == 0)
        return std::nullopt;
    GlobalDeleteAtom(atom);
    return ProgramText(std::wstring(name, length));
}

}  // namespace tw::win
