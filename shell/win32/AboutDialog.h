// The "About Tunewarden" box: icon, version and credit lines, and two links.
#pragma once

#include <windows.h>

#include "shell/win32/Dialog.h"
#include "shell/win32/HyperlinkLabel.h"

namespace tw::win {

class AboutDialog : public Dialog {
public:
    // The program's addresses, as the links show and open them.
    static constexpr const char* WebAddress = "https://tunewarden.example.org";
    static constexpr const char* EmailAddress = "support@tunewarden.example.org";

    // Runs the box modally over `parent`; the result is of no use.
    void show(HWND parent);

    // The box without its own message loop (for tests); null on failure.
    HWND openModeless(HWND parent);

    const HyperlinkLabel& webLink() const { return webLink_; }
    const HyperlinkLabel& emailLink() const { return emailLink_; }

protected:
    bool onInit() override;
    bool onCommand(int id, int notifyCode, HWND control) override;

private:
    void onWebLinkClicked();
    void onEmailLinkClicked();

    HyperlinkLabel webLink_;
    HyperlinkLabel emailLink_;
};

}  // namespace tw::win
