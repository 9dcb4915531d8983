#pragma once

// Resource ids shared by every .rc file of the Windows program. They must not
// collide, so they live in one place; each dialog keeps its control ids in its
// own header.

// Dialog templates.
#define IDD_MAIN 100
#define IDD_OPTIONS 101
#define IDD_ABOUT 102

// Program icon (the lowest icon id, so Explorer shows it for the exe).
#define IDI_PROGRAM 128

// Hand cursor shown over the About box's links.
#define IDC_LINK 129
