// Renaming column titles in the grid, and telling a title click from a double-click.
//
// With the header row on, the titles are the header record's fields: F2 on a selected column,
// a double-click on a title or the menu's Rename title opens the cell editor over the title,
// and what it commits is written into that record as a cell edit is, one undo step. A click on
// a title sorts; since the first click of a double-click must not, the sort waits out the
// double-click time while a double-click can still come.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "panel/control_ids.h"
#include "panel/grid_panel.h"

void GridPanel::onTitleClick(int listColumn) {
    if (!headerRow) {
        onColumnHeaderClick(listColumn);
        return;
    }
    // The second click of a double-click, which some headers report as a click as well.
    if (GetTickCount64() - lastTitleDoubleClick < GetDoubleClickTime()) {
        return;
    }
    // A click before it that was no double-click sorts now, so that each click sorts once.
    if (pendingTitleClick > 0) {
        onTitleClickTimer(TITLE_CLICK_TIMER);
    }
    pendingTitleClick = listColumn;
    pendingTitleGeneration = refreshGeneration;
    SetTimer(panelWindow, TITLE_CLICK_TIMER, GetDoubleClickTime(), nullptr);
    prepareTitleSort(listColumn);
}

bool GridPanel::onTitleClickTimer(UINT_PTR timerId) {
    if (timerId != TITLE_CLICK_TIMER) {
        return false;
    }
    KillTimer(panelWindow, TITLE_CLICK_TIMER);
    const int listColumn = std::exchange(pendingTitleClick, 0);
    // A click on a grid that has been read anew since (another document) sorts nothing.
    if (listColumn > 0 && pendingTitleGeneration == refreshGeneration) {
        onColumnHeaderClick(listColumn);
    }
    return true;
}

void GridPanel::onTitleDoubleClick(int listColumn) {
    lastTitleDoubleClick = GetTickCount64();
    if (!headerRow) {
        return;  // no titles to rename: each click sorts
    }
    KillTimer(panelWindow, TITLE_CLICK_TIMER);
    pendingTitleClick = 0;
    preparedSort.reset();
    openTitleEditor(listColumn, nullptr);
}

// The header record's field cellIndex takes the value; in an empty document the value becomes
// its first record. The titles are shown anew, the sort arrow kept: the rows did not move.
bool GridPanel::writeTitle(uint64_t cellIndex, const std::string& value, bool* stale) {
    if (stale != nullptr) {
        *stale = false;
    }
    if (table.rows.empty()) {
        return !value.empty() && ensureDocumentUnchanged() && writeFirstRecords(cellIndex, {{value}}, true);
    }
    const SortArrow arrow = sortArrow;
    if (!applyRecordEdit(0, cellIndex, value, stale)) {
        return false;
    }
    rebuildColumns();
    sortArrow = arrow;
    updateSortArrow();
    return true;
}

bool GridPanel::titleRect(int32_t listColumn, RECT& rect) const {
    const HWND header = gridHeader;
    if (header == nullptr || !IsWindowVisible(header) ||
        !SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&rect))) {
        return false;
    }
    // The header paints around the editor laid over it, not over it.
    SetWindowLongPtrW(header, GWL_STYLE, GetWindowLongPtrW(header, GWL_STYLE) | WS_CLIPSIBLINGS);
    MapWindowPoints(header, gridList, reinterpret_cast<POINT*>(&rect), 2);
    // Not under the row numbers, which stay in view over the columns scrolled beneath them.
    if (filterRowShown) {
        rect.bottom -= filterRowHeight();  // the title, not its filter box
    }
    if (listColumn <= frozenColumns()) {
        OffsetRect(&rect, sidewaysScroll(), 0);  // a frozen title stays at the left edge
    } else {
        rect.left = std::max<LONG>(rect.left, frozenWidth());
    }
    return rect.right > rect.left;
}
