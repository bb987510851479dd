// Keyboard and mouse input of the grid: the list view's subclass procedure.
//
// The grid takes over the keys a spreadsheet user expects (Tab, Enter, F2, Home, End, the
// arrows, Delete, Ctrl+C, Ctrl+V, Ctrl+D, Ctrl+R, Ctrl+Z, Ctrl+Y, Ctrl+F and F3 for the find
// bar), hands the host the keys that may be its shortcuts (host_shortcuts.cpp), and leaves
// everything else to the list view, which supplies Page Up, Page Down, Shift+Up, Shift+Down
// and the mouse selection of several rows; the focus
// moves it makes by itself reach onItemChanged. Keys the grid maps to an operation are used up
// even when the operation has nothing to do.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "panel/grid_panel.h"
#include "panel/key_state.h"
#include "plugin/exception_barrier.h"
#include "plugin/host_interface.h"

namespace {

constexpr UINT_PTR GRID_SUBCLASS_ID = 1;

// A title dropped at another place: wParam the dragged list column, lParam its new place.
constexpr UINT WM_TITLE_DROPPED = WM_APP + 1;

// The grid is inside a dialog: it claims every key, so that Tab, Enter, Esc and the arrows
// reach it instead of moving the dialog's focus or pressing its buttons.
constexpr LRESULT WANT_ALL_INPUT = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS;

// The list item and sub-item under a point of the list's client area; item -1 when none.
// Left of rowNumbersRight lie the row numbers, which stay there when the list is scrolled
// sideways, over whatever data column the list has under them.
// fixedRights: where the row numbers and each frozen column end; a point left of the last is
// on the fixed column it is over, whatever lies scrolled beneath.
LVHITTESTINFO hitTest(HWND list, LPARAM point, const std::vector<int>& fixedRights) {
    LVHITTESTINFO hit{};
    hit.pt.x = GET_X_LPARAM(point);
    hit.pt.y = GET_Y_LPARAM(point);
    hit.iItem = -1;
    hit.iSubItem = -1;
    if (SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) {
        hit.iItem = -1;
    }
    for (size_t column = 0; hit.iItem >= 0 && hit.pt.x >= 0 && column < fixedRights.size(); ++column) {
        if (hit.pt.x < fixedRights[column]) {
            hit.iSubItem = static_cast<int>(column);
            break;
        }
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
            if (panel.onGridKeyDown(wParam) || panel.passKeyToHost(message, wParam, lParam)) {
                return 0;
            }
            break;
        case WM_SYSKEYDOWN:
            // Shift+F10 comes as a system key, F10 being the menu bar's.
            if ((wParam == VK_F10 && panel.onGridKeyDown(wParam)) || panel.passKeyToHost(message, wParam, lParam)) {
                return 0;
            }
            break;
        case WM_CHAR:
            if (panel.onGridCharacter(wParam)) {
                return 0;
            }
            break;
        case WM_HSCROLL:
        case WM_MOUSEHWHEEL: {
            if (panel.cellEditor != nullptr) {
                panel.commitCellEdit(MOVE_NONE, true);
            }
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            panel.afterSidewaysScroll();
            return result;
        }
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
            if (const LRESULT brush = panel.darkEditColors(reinterpret_cast<HDC>(wParam))) {
                return brush;
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            // The grid's selection is its own: the list never sees the press, so it neither
            // selects rows itself nor starts a drag of its own.
            panel.onGridButtonDown(lParam, message == WM_LBUTTONDOWN, wParam);
            return 0;
        case WM_MOUSEMOVE:
            if (panel.draggingSelection) {
                panel.onGridDrag(lParam);
                return 0;
            }
            panel.onGridHover(lParam);
            break;
        case WM_MOUSELEAVE:
            panel.onGridMouseLeave();
            break;
        case WM_LBUTTONUP:
            if (panel.draggingSelection) {
                panel.draggingSelection = false;
                ReleaseCapture();
                return 0;
            }
            break;
        case WM_CAPTURECHANGED:
            panel.draggingSelection = false;
            break;
        case WM_RBUTTONUP: {
            ContextMenuPlace place;
            place.screen = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(window, &place.screen);
            panel.showContextMenu(place);
            return 0;
        }
        case WM_CONTEXTMENU:
            // From the keyboard the point is (-1, -1): the menu opens at the current cell.
            if (lParam == -1) {
                panel.showContextMenu(panel.contextMenuAtCurrentCell());
            } else if (reinterpret_cast<HWND>(wParam) != window) {
                // A right click on the column titles: the header hands its menu request up to
                // the list. Its NM_RCLICK is left alone, so that the menu opens once.
                panel.onHeaderRightClick(reinterpret_cast<HWND>(wParam));
            } else {
                ContextMenuPlace place;
                place.screen = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                panel.showContextMenu(place);
            }
            return 0;
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
            const HWND header = panel.gridHeader;
            // The header tells of every change the user makes to its items: a title's width
            // dragged, or its place.
            if (notice != nullptr && notice->hwndFrom == header && notice->code <= HDN_FIRST &&
                notice->code >= HDN_LAST) {
                panel.paintColumns.titlesKnown = false;
            }
            if (notice != nullptr && notice->code == NM_CUSTOMDRAW && notice->hwndFrom == header) {
                return panel.onHeaderCustomDraw(reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
            }
            if (notice != nullptr && (notice->code == HDN_ITEMDBLCLICKW || notice->code == HDN_ITEMDBLCLICKA) &&
                notice->hwndFrom == header) {
                panel.onTitleDoubleClick(reinterpret_cast<const NMHEADERW*>(lParam)->iItem);
                return 0;
            }
            // A title dragged to another place moves its column in the document; the header
            // never reorders its items itself (TRUE refuses), the grid is shown anew instead.
            // A hidden column keeps no width: its divider does not drag it open.
            if (notice != nullptr && notice->hwndFrom == header &&
                (notice->code == HDN_BEGINTRACKW || notice->code == HDN_BEGINTRACKA ||
                 notice->code == HDN_DIVIDERDBLCLICKW || notice->code == HDN_DIVIDERDBLCLICKA) &&
                panel.columnHidden(reinterpret_cast<const NMHEADERW*>(lParam)->iItem)) {
                return TRUE;
            }
            // The filter boxes follow the titles' widths.
            if (notice != nullptr && (notice->code == HDN_ITEMCHANGEDW || notice->code == HDN_ITEMCHANGEDA) &&
                notice->hwndFrom == header && panel.filterRowShown) {
                const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
                panel.layoutFilterBoxes();
                return result;
            }
            if (notice != nullptr && notice->code == HDN_BEGINDRAG && notice->hwndFrom == header) {
                return panel.canDragTitle(reinterpret_cast<const NMHEADERW*>(lParam)->iItem) ? FALSE : TRUE;
            }
            if (notice != nullptr && notice->code == HDN_ENDDRAG && notice->hwndFrom == header) {
                const auto* drag = reinterpret_cast<const NMHEADERW*>(lParam);
                if (drag->pitem != nullptr && (drag->pitem->mask & HDI_ORDER) != 0) {
                    // Posted: the header finishes its drag before the grid is rebuilt under it.
                    PostMessageW(window, WM_TITLE_DROPPED, static_cast<WPARAM>(drag->iItem),
                                 static_cast<LPARAM>(std::max(1, drag->pitem->iOrder)));
                }
                return TRUE;
            }
            break;
        }
        case WM_TITLE_DROPPED:
            panel.moveColumnTo(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
            return 0;
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
// Every move is the panel's own, also Page Up and Page Down, so the list never changes a
// selection of its own; a keyboard move takes the editor's caret along as a click does.
bool GridPanel::onGridKeyDown(WPARAM key) {
    const bool control = isHeld(VK_CONTROL);
    const bool shift = isHeld(VK_SHIFT);
    const int32_t lastColumn = lastListColumn();
    const int32_t lastRow = listRowCount() - 1;  // -1 without rows, which selectCell ignores
    // A plain move collapses the range onto the new cell, a move with Shift extends it.
    const auto goTo = [&](int32_t row, int32_t column, const ListPage* shown = nullptr) {
        if (shift) {
            extendSelection(row, column, true, shown);
        } else {
            selectCell(row, column, true, shown);
        }
        syncEditorCaret();
    };
    switch (key) {
    case VK_TAB:
        if (control) {
            return false;  // Ctrl+Tab switches documents in the host
        }
        moveCell(0, shift ? -1 : 1);
        syncEditorCaret();
        return true;
    case VK_RETURN:
        openCellEditor(currentRow, currentColumn, nullptr);
        return true;
    case VK_F2:
        // The caret goes to the end of the text, ready to add to it. On a selected column the
        // column's title is edited.
        if (rangeShape == RangeShape::Columns && headerRow) {
            openTitleEditor(currentColumn, nullptr);
        } else {
            openCellEditor(currentRow, currentColumn, nullptr);
        }
        if (cellEditor != nullptr) {
            const LPARAM length = GetWindowTextLengthW(cellEditor);
            SendMessageW(cellEditor, EM_SETSEL, static_cast<WPARAM>(length), length);
        }
        return true;
    case VK_END:
        goTo(control ? lastRow : currentRow, lastColumn);
        return true;
    case VK_HOME:
        goTo(control ? 0 : currentRow, 1);
        return true;
    case VK_PRIOR:
    case VK_NEXT: {
        // As the list pages: first to the edge of the page in view, then a page further.
        const ListPage view = listPage();
        const int32_t top = view.top;
        const int32_t page = std::max(1, view.perPage);
        int64_t row = currentRow;
        if (key == VK_NEXT) {
            const int64_t bottom = int64_t{top} + page - 1;
            row = currentRow < bottom ? bottom : row + page;
        } else {
            row = currentRow > top ? top : row - page;
        }
        goTo(static_cast<int32_t>(std::clamp<int64_t>(row, 0, std::max(lastRow, 0))), currentColumn, &view);
        return true;
    }
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
        const int32_t rowStep = key == VK_UP ? -1 : key == VK_DOWN ? 1 : 0;
        const int32_t columnStep = key == VK_LEFT ? -1 : key == VK_RIGHT ? 1 : 0;
        // Ctrl+Shift+Left and Right move a selected column.
        if (control && shift && columnStep != 0 && rangeShape == RangeShape::Columns) {
            moveColumn(columnStep > 0);
            return true;
        }
        if (control) {
            // To the edge of the data in that direction.
            const int32_t row = rowStep < 0 ? 0 : rowStep > 0 ? lastRow : currentRow;
            const int32_t column = columnStep < 0 ? 1 : columnStep > 0 ? lastColumn : currentColumn;
            goTo(row, column);
        } else if (shift) {
            goTo(currentRow + rowStep, currentColumn + columnStep);
        } else {
            moveCell(rowStep, columnStep);
            syncEditorCaret();
        }
        return true;
    }
    case VK_DELETE:
        if (control) {
            return false;
        }
        clearSelectedCells();
        return true;
    case 'A':
        if (!control) {
            return false;
        }
        selectAll();
        return true;
    case 'C':
        if (!control) {
            return false;
        }
        copyToClipboard(shift);
        return true;
    case 'X':
        if (!control) {
            return false;
        }
        cutToClipboard();
        return true;
    case 'V':
        if (!control) {
            return false;
        }
        pasteFromClipboard();
        return true;
    case 'D':
    case 'R':
        if (!control || shift) {
            return false;
        }
        fillSelection(key == 'D' ? FillDirection::Down : FillDirection::Right);
        return true;
    case 'Z':
    case 'Y':
        if (!control || shift) {
            return false;
        }
        runHostCommand(key == 'Z' ? IDM_EDIT_UNDO : IDM_EDIT_REDO);
        return true;
    case VK_OEM_PLUS:
    case VK_ADD:
        if (!control) {
            return false;
        }
        runMenuCommand(rangeShape == RangeShape::Columns ? MENU_INSERT_COLUMN_LEFT : MENU_INSERT_ROW_ABOVE);
        return true;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
        if (!control) {
            return false;
        }
        runMenuCommand(rangeShape == RangeShape::Columns ? MENU_DELETE_COLUMN : MENU_DELETE_ROWS);
        return true;
    case VK_SPACE:
        // Ctrl+Space selects the current cell's column.
        if (!control) {
            return false;
        }
        selectColumn(currentColumn);
        return true;
    case VK_APPS:
        showContextMenu(contextMenuAtCurrentCell());
        return true;
    case VK_F10:
        if (!shift) {
            return false;
        }
        showContextMenu(contextMenuAtCurrentCell());
        return true;
    case 'F':
        if (!control) {
            return false;
        }
        showFindBar();
        return true;
    case 'L':
        if (!control || !shift) {
            return false;
        }
        toggleFilterRow();
        return true;
    case '0':
        // Ctrl+0 hides the current column, Ctrl+Shift+0 shows the hidden ones, as spreadsheets do.
        if (!control) {
            return false;
        }
        if (shift) {
            showHiddenColumns();
        } else {
            hideColumn(currentColumn);
        }
        return true;
    case VK_F3:
        findNext(shift);
        return true;
    case VK_F8:
        goToProblem(shift);
        return true;
    default:
        return false;
    }
}

// Typing a printable character opens the editor on the current cell with that character in
// place of the cell's text. Control characters and anything typed with Ctrl held (Ctrl+A,
// Ctrl+Z, and AltGr characters, which the system reports with Ctrl) are the list's.
bool GridPanel::onGridCharacter(WPARAM character) {
    if (character < 0x20 || character == 0x7F) {
        return false;
    }
    // A character made with Ctrl held (Ctrl+NumPad Plus gives '+') is no typing: its key was a
    // shortcut, and the list must not go looking for a row that starts with it either.
    if (isHeld(VK_CONTROL)) {
        return true;
    }
    const wchar_t typed[2] = {static_cast<wchar_t>(character), L'\0'};
    openCellEditor(currentRow, currentColumn, typed);
    return true;
}

// A press makes the cell under the point current and starts a range: plain on a cell, from
// the anchor with Shift, whole rows on the row numbers (Ctrl adds or removes one row). The
// left button then drags the range until it is released; only it moves the host editor's
// caret to the row. A right press inside the range keeps it, for the context menu.
void GridPanel::onGridButtonDown(LPARAM point, bool leftButton, WPARAM buttons) {
    if (gridList == nullptr) {
        return;
    }
    if (GetFocus() != gridList) {
        SetFocus(gridList);  // an open cell editor commits as it loses the focus
    }
    const LVHITTESTINFO hit = hitTest(gridList, point, frozenRights());
    if (hit.iItem < 0) {
        return;
    }
    const int32_t column = std::max(hit.iSubItem, 0);
    const bool shift = (buttons & MK_SHIFT) != 0;
    const bool control = (buttons & MK_CONTROL) != 0;
    if (!leftButton) {
        const bool inside = column == 0 ? selectedGridRowsContain(hit.iItem)
                                        : selectedCells().contains(hit.iItem, column) || rowIsMarked(hit.iItem);
        if (!inside) {
            if (column == 0) {
                selectRows(hit.iItem, hit.iItem);
            } else {
                selectCell(hit.iItem, column, false);
            }
        }
        return;
    }
    if (column == 0) {
        if (control) {
            // The rows chosen so far become marked rows; the clicked one is added or removed.
            const CellRange range = selectedCells();
            const bool oneCell = range.rowCount() <= 1 && range.columnCount() <= 1 && rangeShape == RangeShape::Cells;
            std::vector<int32_t> rows = oneCell ? std::vector<int32_t>{currentRow} : selectedGridRows();
            for (const int32_t row : markedRows) {
                rows.push_back(row);
            }
            std::sort(rows.begin(), rows.end());
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
            const Selection before = selection();
            markedRows = std::move(rows);
            toggleMarkedRow(hit.iItem);
            currentRow = anchorRow = hit.iItem;
            currentColumn = anchorColumn = 0;
            rangeShape = RangeShape::Cells;
            if (range.rowCount() > 1) {
                invalidateRows(range.firstRow, range.lastRow);
            }
            showSelection(before, false);
        } else {
            selectRows(shift ? anchorRow : hit.iItem, hit.iItem);
        }
    } else if (shift) {
        extendSelection(hit.iItem, column, false);
    } else {
        selectCell(hit.iItem, column, false);
    }
    syncEditorCaret();
    draggingSelection = true;
    SetCapture(gridList);
}

// A right click on a column title selects that column, unless it is selected already, and
// opens the menu about it.
void GridPanel::onHeaderRightClick(HWND header) {
    HDHITTESTINFO hit{};
    GetCursorPos(&hit.pt);
    ContextMenuPlace place;
    place.screen = hit.pt;
    place.onColumn = true;
    ScreenToClient(header, &hit.pt);
    const LPARAM over = headerPointOverTitles(MAKELPARAM(static_cast<short>(hit.pt.x), static_cast<short>(hit.pt.y)));
    hit.pt = POINT{GET_X_LPARAM(over), GET_Y_LPARAM(over)};
    const int item = static_cast<int>(SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (item >= 1 && !(rangeShape == RangeShape::Columns && selectedCells().firstColumn <= item &&
                       item <= selectedCells().lastColumn)) {
        selectColumn(item);
    }
    showContextMenu(place);
}

// While the left button is held the range follows the pointer, row by row over the row numbers
// when the drag began there.
void GridPanel::onGridDrag(LPARAM point) {
    const LVHITTESTINFO hit = hitTest(gridList, point, frozenRights());
    if (hit.iItem < 0) {
        return;
    }
    const int32_t column = rangeShape == RangeShape::Rows ? 0 : std::max(hit.iSubItem, 1);
    if (hit.iItem != currentRow || column != currentColumn) {
        extendSelection(hit.iItem, column, true);
    }
}

// A double-click on a data cell selects it and opens the editor; true when it took the message.
bool GridPanel::onGridDoubleClick(LPARAM point) {
    if (gridList == nullptr) {
        return false;
    }
    const LVHITTESTINFO hit = hitTest(gridList, point, frozenRights());
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

// Over the row numbers of a row with a problem the status line tells what is wrong, until the
// mouse moves off the mark or leaves the grid.
void GridPanel::onGridHover(LPARAM point) {
    const LVHITTESTINFO hit = hitTest(gridList, point, frozenRights());
    const int32_t row = hit.iItem >= 0 && hit.iSubItem == 0 && rowHasProblem(hit.iItem) ? hit.iItem : -1;
    if (row == hoveredProblemRow) {
        return;
    }
    hoveredProblemRow = row;
    if (row >= 0) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, gridList, 0};
        TrackMouseEvent(&track);
    }
    updateStatusLine();
}

void GridPanel::onGridMouseLeave() {
    if (hoveredProblemRow >= 0) {
        hoveredProblemRow = -1;
        updateStatusLine();
    }
}
