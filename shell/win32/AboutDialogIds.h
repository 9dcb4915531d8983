#pragma once

// Control ids of the "About Tunewarden" box (template IDD_ABOUT). Plain
// macros: the resource compiler reads this file too.

#define IDC_ABOUT_WEB_LINK 1057
#define IDC_ABOUT_EMAIL_LINK 1058
#define IDC_ABOUT_VERSION 1065
