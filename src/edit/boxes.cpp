// The boxes the panel shows: owned by the host window, titled "Tabulon", and modal. A box takes
// the keyboard focus while it is open; afterwards the focus goes back into the panel, where it
// was (the grid, a box of the find bar), so that the keys typed next reach the panel and not the
// editor behind it.
#include <windows.h>

#include "edit/messages.h"
#include "panel/grid_panel.h"

int GridPanel::showBox(const wchar_t* text, UINT flags) {
    const HWND focused = GetFocus();
    const bool inPanel = focused != nullptr && panelWindow != nullptr &&
                         (focused == panelWindow || IsChild(panelWindow, focused) != FALSE);
    const int answer = MessageBoxW(hostWindow, text, messages::MESSAGE_TITLE, flags);
    if (inPanel && panelWindow != nullptr && IsWindowVisible(panelWindow)) {
        // A window that went away meanwhile (the cell editor) leaves the focus to the grid.
        const HWND back = IsWindow(focused) && IsWindowVisible(focused) ? focused : gridList;
        if (back != nullptr && GetFocus() != back) {
            SetFocus(back);
        }
    }
    return answer;
}
