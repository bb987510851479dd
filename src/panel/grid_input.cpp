// Keyboard and mouse input of the grid: the list view's subclass procedure.
//
// The grid takes over the keys a spreadsheet user expects (Tab, Enter, F2, Home, End, the
// arrows, Delete, Ctrl+C, Ctrl+V, Ctrl+F and F3 for the find bar) and leaves everything else to the list view, which supplies
// Page Up, Page Down, Shift+Up, Shift+Down and the mouse selection of several rows; the focus
// moves it makes by itself reach onItemChanged. Keys the grid maps to an operation are used up
// even when the operation has nothing to do.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "panel/grid_panel.h"
#include "plugin/exception_barrier.h"

namespace {

constexpr UINT_PTR GRID_SUBCLASS_ID = 1;

// The grid is inside a dialog: it claims every key, so that Tab, Enter, Esc and the arrows
// reach it instead of moving the dialog's focus or pressing its buttons.
constexpr LRESULT WANT_ALL_INPUT = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS;

bool isHeld(int virtualKey) {
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// The list item and sub-item under a point of the list's client area; item -1 when none.
LVHITTESTINFO hitTest(HWND list, LPARAM point) {
    LVHITTESTINFO hit{};
    hit.pt.x = GET_X_LPARAM(point);
    hit.pt.y = GET_Y_LPARAM(point);
    hit.iItem = -1;
    hit.iSubItem = -1;
    if (SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) {
        hit.iItem = -1;
    }
    return hit;
}

}  // namespace

LRESULT CALLBACK GridPanel::gridInputProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR /*subclassId*/, DWORD_PTR referenceData) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        GridPanel& panel = *reinterpret_cast<GridPanel*>(referenceData);
        switch (message) {
        case WM_GETDLGCODE:
            return WANT_ALL_INPUT;
        case WM_KEYDOWN:
            if (panel.onGridKeyDown(wParam)) {
                return 0;
            }
            break;
        case WM_CHAR:
            if (panel.onGridCharacter(wParam)) {
                return 0;
            }
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_MOUSEWHEEL:
            // The edit is written before the list scrolls, so the editor never floats over a
            // cell that scrolled away.
            if (panel.cellEditor != nullptr) {
                panel.commitCellEdit(MOVE_NONE, true);
            }
            break;
        case WM_CTLCOLOREDIT:
            // The in-place editor is the list's child, so its colour request comes here.
            if (panel.darkMode && panel.editBrush != nullptr) {
                const HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, panel.colors.text);
                SetBkColor(dc, panel.colors.alternateBackground);
                return reinterpret_cast<LRESULT>(panel.editBrush);
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            panel.onGridButtonDown(lParam, message == WM_LBUTTONDOWN);
            break;
        case WM_LBUTTONDBLCLK:
            if (panel.onGridDoubleClick(lParam)) {
                return 0;
            }
            break;
        case WM_NOTIFY: {
            // The header is the list's child, so its custom-draw requests reach the list first.
            // Some list views hand them on to the panel, others keep them; answering them here
            // paints the dark header the same way on every system.
            const auto* notice = reinterpret_cast<const NMHDR*>(lParam);
            if (notice != nullptr && notice->code == NM_CUSTOMDRAW &&
                notice->hwndFrom == reinterpret_cast<HWND>(SendMessageW(window, LVM_GETHEADER, 0, 0))) {
                return panel.onHeaderCustomDraw(reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
            }
            break;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, gridInputProc, GRID_SUBCLASS_ID);
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}

// The key table. True when the key is the grid's, whether or not its operation did anything.
bool GridPanel::onGridKeyDown(WPARAM key) {
    const bool control = isHeld(VK_CONTROL);
    const bool shift = isHeld(VK_SHIFT);
    const int32_t lastColumn = static_cast<int32_t>(std::min<uint64_t>(shownColumnCount, INT32_MAX));
    switch (key) {
    case VK_TAB:
        moveCell(0, shift ? -1 : 1);
        return true;
    case VK_RETURN:
    case VK_F2:
        openCellEditor(currentRow, currentColumn, nullptr);
        return true;
    case VK_END:
        if (control) {
            // No rows gives -1, which selectCell ignores.
            const uint64_t rows = gridRowCount();
            selectCell(static_cast<int32_t>(std::min<uint64_t>(rows, INT32_MAX)) - 1, lastColumn, true);
        } else {
            selectCell(currentRow, lastColumn, true);
        }
        return true;
    case VK_HOME:
        selectCell(control ? 0 : currentRow, 1, true);
        return true;
    case VK_LEFT:
        moveCell(0, -1);
        return true;
    case VK_RIGHT:
        moveCell(0, 1);
        return true;
    case VK_UP:
        if (shift) {
            return false;  // the list extends its row selection
        }
        moveCell(-1, 0);
        return true;
    case VK_DOWN:
        if (shift) {
            return false;
        }
        moveCell(1, 0);
        return true;
    case VK_DELETE:
        if (control) {
            return false;
        }
        clearCurrentCell();
        return true;
    case 'C':
        if (!control) {
            return false;
        }
        copyToClipboard(shift);
        return true;
    case 'V':
        if (!control) {
            return false;
        }
        pasteFromClipboard();
        return true;
    case 'F':
        if (!control) {
            return false;
        }
        showFindBar();
        return true;
    case VK_F3:
        findNext(shift);
        return true;
    default:
        return false;
    }
}

// Typing a printable character opens the editor on the current cell with that character in
// place of the cell's text. Control characters and anything typed with Ctrl held (Ctrl+A,
// Ctrl+Z, and AltGr characters, which the system reports with Ctrl) are the list's.
bool GridPanel::onGridCharacter(WPARAM character) {
    if (character < 0x20 || character == 0x7F || isHeld(VK_CONTROL)) {
        return false;
    }
    const wchar_t typed[2] = {static_cast<wchar_t>(character), L'\0'};
    openCellEditor(currentRow, currentColumn, typed);
    return true;
}

// A click makes the cell under the point current before the list handles the click itself; a
// click on a row number makes column 0 current. Only the left button moves the host editor's
// caret to the row.
void GridPanel::onGridButtonDown(LPARAM point, bool leftButton) {
    if (gridList == nullptr) {
        return;
    }
    const LVHITTESTINFO hit = hitTest(gridList, point);
    if (hit.iItem < 0) {
        return;
    }
    currentRow = hit.iItem;
    currentColumn = std::max(hit.iSubItem, 0);
    updateStatusLine();
    InvalidateRect(gridList, nullptr, FALSE);
    if (leftButton) {
        syncEditorCaret();
    }
}

// A double-click on a data cell selects it and opens the editor; true when it took the message.
bool GridPanel::onGridDoubleClick(LPARAM point) {
    if (gridList == nullptr) {
        return false;
    }
    const LVHITTESTINFO hit = hitTest(gridList, point);
    if (hit.iItem < 0 || hit.iSubItem <= 0) {
        return false;
    }
    selectCell(hit.iItem, hit.iSubItem, true);
    openCellEditor(hit.iItem, hit.iSubItem, nullptr);
    return true;
}

// The Delete key: the current cell becomes empty through one document edit; the row keeps its
// delimiters. Nothing happens on the row numbers.
void GridPanel::clearCurrentCell() {
    if (currentColumn <= 0) {
        return;
    }
    if (applyCellEdit(currentRow, static_cast<uint64_t>(currentColumn) - 1, std::string()) && gridList != nullptr) {
        InvalidateRect(gridList, nullptr, FALSE);
    }
}
