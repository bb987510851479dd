// The host's shortcuts while the grid has the keyboard focus.
//
// The host's message loop offers every message to its registered dialogs before its own
// shortcut table, and the panel is such a dialog: while the focus is inside it, a key the
// host maps (save, close, next document, the panel's own command...) never reaches the host's
// table. A key the grid does not use is therefore posted on to the host window, where the loop
// meets it again outside every dialog and translates it by the table the user has set up, as
// if the editor had the focus. Undo and redo are the grid's own keys as in every spreadsheet;
// they run the host's commands, so the document's history is the only history.
#include <windows.h>

#include "panel/control_ids.h"
#include "panel/grid_panel.h"
#include "panel/key_state.h"
#include "plugin/host_interface.h"

namespace {

bool isModifierKey(WPARAM key) {
    switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
        return true;
    default:
        return false;
    }
}

}  // namespace

// A key press the grid did not take. Keys that may be shortcuts (with Ctrl or Alt, and the
// function keys) go to the host; plain keys stay with the list, since a shortcut table never
// holds them and the host would only hand them to the editor as typing.
bool GridPanel::passKeyToHost(UINT message, WPARAM key, LPARAM keyData) {
    if (hostWindow == nullptr || isModifierKey(key)) {
        return false;
    }
    const bool functionKey = key >= VK_F1 && key <= VK_F24;
    const bool chord = message == WM_SYSKEYDOWN || isHeld(VK_CONTROL) || isHeld(VK_MENU);
    if (!functionKey && !chord) {
        return false;
    }
    PostMessageW(hostWindow, message, key, keyData);
    return true;
}

// Runs a command of the host's menu (undo, redo) and shows its outcome at once instead of
// after the debounce of outside edits.
void GridPanel::runHostCommand(LPARAM command) {
    if (hostWindow == nullptr) {
        return;
    }
    SendMessageW(hostWindow, NPPM_MENUCOMMAND, 0, command);
    if (refreshPending && panelWindow != nullptr) {
        KillTimer(panelWindow, REFRESH_TIMER);
        refreshGrid(true);
    }
}
