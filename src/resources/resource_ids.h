// Identifiers of the resources inside Tabulon.dll. Shared by the resource script and the code.
#pragma once

// The panel's dialog template: an empty dialog whose controls are created at WM_INITDIALOG.
#define IDD_PANEL 2600

// The panel command's images: icons for the host's light and dark toolbars (the light one also
// marks the panel's tab in light mode, the dark one in dark mode), each with 16, 24 and 32 pixel
// images, and a 16 x 16 bitmap for the host's classic toolbar. Drawn by tools/make-icons.
#define IDI_TABULON_LIGHT 2620
#define IDI_TABULON_DARK 2621
#define IDB_TOOLBAR 2622
