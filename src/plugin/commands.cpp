// The command menu and its commands: open or close the panel, fit the columns, the About box.
#include "plugin/plugin_commands.h"

#include "panel/control_ids.h"
#include "panel/grid_panel.h"
#include "plugin/exception_barrier.h"
#include "version.h"

FuncItem pluginCommands[PLUGIN_COMMAND_COUNT];

namespace {

// Ctrl+Alt+G opens and closes the panel.
ShortcutKey panelShortcut;

// The check state last sent for the panel command: the panel's shown state as the menu knows it.
bool panelMenuChecked = false;

const wchar_t ABOUT_TITLE[] = L"About Tabulon";
const wchar_t ABOUT_TEXT[] =
    L"Tabulon " TABULON_VERSION_TEXT L"  \u2022  " TABULON_MAKER_ADDRESS
    L"\r\nA spreadsheet view of the current document that edits in place.\r\n"
    L"\r\n"
    L"Panel usage\r\n"
    L"  \u2022  Double-click, F2 or just start typing to edit a cell\r\n"
    L"  \u2022  Enter commits and moves down, Tab commits and moves right\r\n"
    L"  \u2022  Shift+Enter / Shift+Tab move the other way, Esc cancels\r\n"
    L"  \u2022  Ctrl+Enter inside a cell inserts a line break\r\n"
    L"  \u2022  Delete clears the selected cell\r\n"
    L"  \u2022  Ctrl+C copies the cell, Ctrl+Shift+C copies the selected rows as TSV\r\n"
    L"  \u2022  Ctrl+V pastes a single cell or a whole block from Excel\r\n"
    L"\r\n"
    L"Every change is applied to the Notepad++ buffer itself, so Ctrl+Z\r\n"
    L"undoes it and Ctrl+S saves it like any other edit.";

void setMenuItem(int index, const wchar_t* name, PluginCommandFunction function,
                 ShortcutKey* shortcut) {
    FuncItem& item = pluginCommands[index];
    lstrcpynW(item._itemName, name, MENU_ITEM_NAME_LENGTH);
    item._pFunc = function;
    item._init2Check = false;
    item._pShKey = shortcut;
}

// Tells the host the panel command's check state.
void sendPanelMenuCheck() {
    SendMessageW(gridPanel().hostWindow, NPPM_SETMENUITEMCHECK,
                 static_cast<WPARAM>(pluginCommands[PANEL_COMMAND_INDEX]._cmdID),
                 panelMenuChecked ? 1 : 0);
}

bool panelIsVisible(const GridPanel& panel) {
    return panel.panelWindow != nullptr && IsWindowVisible(panel.panelWindow);
}

}  // namespace

void fillPluginCommands() {
    panelShortcut._isCtrl = true;
    panelShortcut._isAlt = true;
    panelShortcut._isShift = false;
    panelShortcut._key = 0x47;  // virtual-key code of G

    // The null function of the third item makes the host draw a separator.
    setMenuItem(0, L"&Tabulon panel", togglePanel, &panelShortcut);
    setMenuItem(1, L"&Auto-fit columns", autoFitCommand, nullptr);
    setMenuItem(2, L"-", nullptr, nullptr);
    setMenuItem(3, L"&About...", showAbout, nullptr);
}

void togglePanel() {
    callGuarded([] {
        GridPanel& panel = gridPanel();
        const bool created = panel.panelWindow == nullptr;
        if (created) {
            panel.createPanel();
            if (panel.panelWindow == nullptr) {
                // createPanel has told the user. Trying again in the same command would only
                // repeat the error box, and checking the menu item would claim a panel that
                // does not exist; the next command tries afresh.
                return;
            }
        }
        // The host shows a panel when it registers it, so right after creation the window's
        // visibility says nothing about what the user asked for: the first command opens.
        const bool show = created || !IsWindowVisible(panel.panelWindow);
        panelMenuChecked = show;
        panel.showPanel(show);
        sendPanelMenuCheck();
    });
}

void autoFitCommand() {
    callGuarded([] {
        GridPanel& panel = gridPanel();
        if (panelIsVisible(panel)) {
            // The same path as the panel's Fit button.
            SendMessageW(panel.panelWindow, WM_COMMAND, IDC_FIT, 0);
        } else {
            // A hidden or missing panel is opened, not fitted.
            togglePanel();
        }
    });
}

void showAbout() {
    callGuarded([] {
        MessageBoxW(gridPanel().hostWindow, ABOUT_TEXT, ABOUT_TITLE, MB_OK | MB_ICONINFORMATION);
    });
}

void onPanelClosed() {
    callGuarded([] {
        panelMenuChecked = false;
        sendPanelMenuCheck();
    });
}
