// Identifiers of the resources inside Tabulon.dll. Shared by the resource script and the code.
#pragma once

// The panel's dialog template: an empty dialog whose controls are created at WM_INITDIALOG.
#define IDD_PANEL 2600
