// The panel as a docked window: created once from its dialog template, registered with the
// host as a modeless dialog and as a dockable panel, then only shown and hidden.
#include <windows.h>
#include <commctrl.h>

#include "panel/grid_panel.h"
#include "plugin/host_interface.h"
#include "plugin/plugin_commands.h"
#include "resources/resource_ids.h"
#include "version.h"

namespace {

const wchar_t PANEL_CAPTION[] = L"" TABULON_PANEL_CAPTION;

// The docking registration. The host keeps pointers to the record and to the strings it
// names, so all three have static storage.
tTbData dockData;
wchar_t modulePath[MAX_PATH];

// The file-name part of a path: the text after its last backslash or slash.
const wchar_t* fileNamePart(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p != L'\0'; ++p) {
        if (*p == L'\\' || *p == L'/') {
            name = p + 1;
        }
    }
    return name;
}

void registerCommonControls() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&classes);
}

}  // namespace

void GridPanel::createPanel() {
    if (panelWindow != nullptr) {
        return;
    }
    registerCommonControls();
    // WM_INITDIALOG, inside this call, stores the window and builds the controls.
    panelWindow = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_PANEL), hostWindow,
                                     panelDialogProc, reinterpret_cast<LPARAM>(this));
    if (panelWindow == nullptr) {
        MessageBoxW(hostWindow, L"Tabulon: could not create the panel dialog.", L"Tabulon",
                    MB_OK | MB_ICONERROR);
        return;
    }
    SendMessageW(hostWindow, NPPM_MODELESSDIALOG, MODELESSDIALOGADD,
                 reinterpret_cast<LPARAM>(panelWindow));

    const DWORD length = GetModuleFileNameW(module, modulePath, MAX_PATH);
    modulePath[length < MAX_PATH ? length : MAX_PATH - 1] = L'\0';

    dockData = tTbData{};
    dockData.hClient = panelWindow;
    dockData.pszName = PANEL_CAPTION;
    dockData.dlgID = PANEL_COMMAND_INDEX;
    // The panel paints its grid and header itself; the host's theming of its controls would
    // leave the header's strip light and hide the selection, so the dark look is the panel's.
    dockData.uMask = DWS_DF_CONT_BOTTOM | DWS_USEOWNDARKMODE;
    dockData.hIconTab = loadTabIcon();
    if (dockData.hIconTab != nullptr) {
        dockData.uMask |= DWS_ICONTAB;
    }
    dockData.pszModuleName = fileNamePart(modulePath);
    SendMessageW(hostWindow, NPPM_DMMREGASDCKDLG, 0, reinterpret_cast<LPARAM>(&dockData));
}

void GridPanel::showPanel(bool show) {
    if (panelWindow == nullptr) {
        createPanel();
        if (panelWindow == nullptr) {
            return;
        }
    }
    SendMessageW(hostWindow, show ? NPPM_DMMSHOW : NPPM_DMMHIDE, 0,
                 reinterpret_cast<LPARAM>(panelWindow));
    if (show) {
        // A mode change made while the panel was hidden is picked up here at the latest.
        applyThemeIfChanged();
        refreshGrid(false);
        if (gridList != nullptr) {
            SetFocus(gridList);
        }
    }
}
