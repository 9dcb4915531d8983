// A thin base for the program's dialogs: one static procedure stores `this`
// at WM_INITDIALOG and routes messages to virtual handlers. Exceptions stop
// here, at the Windows boundary.
#pragma once

#include <windows.h>

namespace tw::win {

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally (DialogBoxParamA); gives the value passed to end().
    INT_PTR runModal(HINSTANCE instance, int templateId, HWND parent);

    // Creates the dialog modeless (CreateDialogParamA), e.g. for tests that
    // drive it through its messages; nullptr on failure.
    HWND createModeless(HINSTANCE instance, int templateId, HWND parent);

    HWND handle() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    bool isModal() const { return modal_; }

    // Ends a modal dialog, or destroys a modeless one.
    void end(INT_PTR result);

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
