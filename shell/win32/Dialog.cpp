#include "shell/win32/Dialog.h"

#include "shell/win32/Centring.h"
#include "shell/win32/FailureBox.h"
#include "shell/win32/WideText.h"

#include <vector>

namespace tw::win {

namespace {
constexpr const char* ThisProperty = "Tunewarden.Dialog.this";
}

Dialog::~Dialog() {
    if (hwnd_ != nullptr && !modal_ && IsWindow(hwnd_)) {
        RemovePropA(hwnd_, ThisProperty);
        DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::runModal(HINSTANCE instance, int templateId, HWND parent) {
    modal_ = true;
    INT_PTR result =
        DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), parent, DialogProc, reinterpret_cast<LPARAM>(this));
    hwnd_ = nullptr;
    return result;
}

HWND Dialog::createModeless(HINSTANCE instance, int templateId, HWND parent) {
    modal_ = false;
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::end(INT_PTR result) {
    if (hwnd_ == nullptr)
        return;
    if (modal_) {
        EndDialog(hwnd_, result);
        return;
    }
    HWND h = hwnd_;
    RemovePropA(h, ThisProperty);
    hwnd_ = nullptr;
    DestroyWindow(h);
}

bool Dialog::isChecked(int id) const {
    return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Dialog::setChecked(int id, bool checked) {
    CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string Dialog::itemText(int id) const {
    HWND control = item(id);
    int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    GetWindowTextW(control, buffer.data(), length + 1);
    return ProgramText(buffer.data());
}

void Dialog::setItemText(int id, const std::string& text) {
    SetDlgItemTextW(hwnd_, id, ShownText(text).c_str());
}

void Dialog::enableItem(int id, bool enabled) {
    EnableWindow(item(id), enabled ? TRUE : FALSE);
}

void Dialog::showItem(int id, bool visible) {
    ShowWindow(item(id), visible ? SW_SHOW : SW_HIDE);
}

bool Dialog::onCommand(int id, int, HWND) {
    if (id == IDOK) {
        onOk();
        return true;
    }
    if (id == IDCANCEL) {
        onCancel();
        return true;
    }
    return false;
}

void Dialog::onSize(UINT, int, int) {}

INT_PTR Dialog::onMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return FALSE;
}

INT_PTR Dialog::route(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            // Over the window that opened it, not where the system puts it.
            CentreOnOwner(hwnd_, GetWindow(hwnd_, GW_OWNER));
            return onInit() ? TRUE : FALSE;
        case WM_COMMAND:
            return onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
        case WM_SIZE:
            onSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
            return FALSE;  // let the default handling run too
        default: {
            bool handled = false;
            INT_PTR result = onMessage(message, wParam, lParam, handled);
            return handled ? result : FALSE;
        }
    }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetPropA(hwnd, ThisProperty, self);
    } else {
        self = static_cast<Dialog*>(GetPropA(hwnd, ThisProperty));
    }
    if (self == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY) {
        RemovePropA(hwnd, ThisProperty);
        if (self->hwnd_ == hwnd)
            self->hwnd_ = nullptr;
        return FALSE;
    }
    try {
        return self->route(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's code; the user learns
        // what stopped, and the dialog goes on with what it holds.
        std::string text = FailureText(std::current_exception());
        ShowFailure(hwnd, text);
        return FALSE;
    }
}

}  // namespace tw::win
