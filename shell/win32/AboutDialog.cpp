#include "shell/win32/AboutDialog.h"

#include <array>
#include <string>

#include "shell/win32/AboutDialogIds.h"
#include "shell/win32/ResourceIds.h"

namespace tw::win {

namespace {

// Texts of the box's links.
constexpr const char* WebPrefix = "web: ";
constexpr const char* EmailPrefix = "email: ";
constexpr const char* MailtoPrefix = "mailto:";
constexpr const char* VersionText = "Tunewarden version " TW_VERSION;

}  // namespace

void AboutDialog::show(HWND parent) {
    runModal(GetModuleHandleA(nullptr), IDD_ABOUT, parent);
}

HWND AboutDialog::openModeless(HWND parent) {
    return createModeless(GetModuleHandleA(nullptr), IDD_ABOUT, parent);
}

bool AboutDialog::onInit() {
    setItemText(IDC_ABOUT_VERSION, VersionText);
    webLink_.bind(item(IDC_ABOUT_WEB_LINK));
    emailLink_.bind(item(IDC_ABOUT_EMAIL_LINK));
    webLink_.setLink(std::string(WebPrefix) + WebAddress, WebAddress);
    emailLink_.setLink(std::string(EmailPrefix) + EmailAddress, (std::string(MailtoPrefix) + EmailAddress).c_str());
    return true;
}

bool AboutDialog::onCommand(int id, int notifyCode, HWND control) {
    using Route = CommandRoute<void (AboutDialog::*)()>;
    static constexpr Route Routes[] = {
        {IDC_ABOUT_WEB_LINK, STN_CLICKED, &AboutDialog::onWebLinkClicked},      // web page
        {IDC_ABOUT_EMAIL_LINK, STN_CLICKED, &AboutDialog::onEmailLinkClicked},  // new e-mail message
    };
    return RouteCommand(*this, Routes, id, notifyCode) || Dialog::onCommand(id, notifyCode, control);
}

void AboutDialog::onWebLinkClicked() {
    webLink_.onClicked();
}

void AboutDialog::onEmailLinkClicked() {
    emailLink_.onClicked();
}

}  // namespace tw::win
