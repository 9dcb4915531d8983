// A thin base for the program's dialogs: one static procedure stores `this`
// at WM_INITDIALOG and routes messages to virtual handlers. Exceptions stop
// here, at the Windows boundary, and are shown in a box (FailureBox.h).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <type_traits>

namespace tw::win {

// One entry of a dialog's command table: a control, its notification code
// and the member that handles it (with or without the control's id).
template <class Handler>
struct CommandRoute {
    int id;
    int notifyCode;
    Handler handler;
};

// Runs the handler of the route that matches `id` and `notifyCode`; false
// when none does. The table is a plain array, so that a new control's route
// is one more line.
template <class D, class Handler, std::size_t N>
bool RouteCommand(D& dialog, const CommandRoute<Handler> (&routes)[N], int id, int notifyCode) {
    for (const CommandRoute<Handler>& route : routes) {
        if (route.id != id || route.notifyCode != notifyCode)
            continue;
        if constexpr (std::is_invocable_v<Handler, D&, int>)
            (dialog.*route.handler)(id);
        else
            (dialog.*route.handler)();
        return true;
    }
    return false;
}

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally (DialogBoxParamW); gives the value passed to end().
    INT_PTR runModal(HINSTANCE instance, int templateId, HWND parent);

    // Creates the dialog modeless (CreateDialogParamW), e.g. for tests that
    // drive it through its messages; nullptr on failure.
    HWND createModeless(HINSTANCE instance, int templateId, HWND parent);

    HWND handle() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    bool isModal() const { return modal_; }

    // Ends a modal dialog, or destroys a modeless one.
    void end(INT_PTR result);

    // The controls by id.
    bool isChecked(int id) const;
    void setChecked(int id, bool checked);
    // UTF-8 in and out; a text that is not UTF-8 is shown as ShownText shows it.
    std::string itemText(int id) const;
    void setItemText(int id, const std::string& text);
    void enableItem(int id, bool enabled);
    void showItem(int id, bool visible);

protected:
    // WM_INITDIALOG; return false when the focus was set by hand.
    virtual bool onInit() { return true; }
    // WM_COMMAND; return true when handled.
    virtual bool onCommand(int id, int notifyCode, HWND control);
    // WM_SIZE
    virtual void onSize(UINT type, int width, int height);
    // IDOK / IDCANCEL defaults end the dialog with that id.
    virtual void onOk() { end(IDOK); }
    virtual void onCancel() { end(IDCANCEL); }
    // Any other message; set `handled` and give the dialog result to take it.
    virtual INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR route(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

}  // namespace tw::win
