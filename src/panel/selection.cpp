// The current cell, the list's row selection, scrolling, and the editor's caret.
//
// The panel has two notions of where the user is. The current cell (currentRow,
// currentColumn) is the panel's own: painting highlights it, the status line reports it, keys
// edit it. The selected rows are the list's own multiple selection, which row deletion and row
// copy work on. The operations here keep the two in step, and keep the list's focused row
// equal to currentRow.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "model/editor_access.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"

namespace {

// Gap at 96 DPI between a cell scrolled into view sideways and the list's edge.
constexpr int SCROLL_MARGIN = 4;

}  // namespace

void GridPanel::selectCell(int32_t gridRow, int32_t listColumn, bool scrollIntoView) {
    const uint64_t rowCount = gridRowCount();
    if (rowCount < 1) {
        return;  // nothing to select: the current cell keeps its old values
    }
    // The list counts its items in an int, so no row beyond INT32_MAX can be shown anyway.
    const int64_t lastRow = static_cast<int64_t>(
        std::min<uint64_t>(rowCount - 1, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
    currentRow = static_cast<int32_t>(std::clamp<int64_t>(gridRow, 0, lastRow));
    const int64_t lastColumn = static_cast<int64_t>(
        std::min<uint64_t>(shownColumnCount, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
    currentColumn = static_cast<int32_t>(std::clamp<int64_t>(listColumn, 0, lastColumn));

    if (gridList != nullptr) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = 0;
        SendMessageW(gridList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        // The LVN_ITEMCHANGED this causes finds currentRow already there and does nothing.
        state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        state.state = LVIS_FOCUSED | LVIS_SELECTED;
        SendMessageW(gridList, LVM_SETITEMSTATE, static_cast<WPARAM>(currentRow),
                     reinterpret_cast<LPARAM>(&state));
    }
    if (scrollIntoView) {
        ensureCellVisible(currentRow, currentColumn);
    }
    if (gridList != nullptr) {
        InvalidateRect(gridList, nullptr, FALSE);
    }
    updateStatusLine();
}

// Tab and Right step (0, +1), Shift+Tab and Left (0, -1), Down (+1, 0), Up (-1, 0). A step
// past the last column goes on at the first data column of the next row, a step before the
// first data column at the last column of the previous row; selectCell clamps the rest, so
// the grid's corners hold the current cell.
void GridPanel::moveCell(int32_t rowDelta, int32_t columnDelta) {
    // In 64 bits, so that no step overflows before the clamp.
    int64_t row = static_cast<int64_t>(currentRow) + rowDelta;
    int64_t column = static_cast<int64_t>(currentColumn) + columnDelta;
    const int64_t lastColumn = static_cast<int64_t>(
        std::min<uint64_t>(shownColumnCount, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
    if (columnDelta > 0 && column > lastColumn) {
        row += 1;
        column = 1;
    } else if (columnDelta < 0 && column <= 0) {
        row -= 1;
        column = lastColumn;
    }
    const auto toInt32 = [](int64_t value) {
        return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
    };
    selectCell(toInt32(std::max<int64_t>(row, 0)), toInt32(column), true);
}

void GridPanel::ensureCellVisible(int32_t gridRow, int32_t listColumn) {
    if (gridList == nullptr) {
        return;
    }
    SendMessageW(gridList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(gridRow), FALSE);
    if (listColumn <= 0) {
        return;  // the row numbers are never a reason to scroll sideways
    }
    RECT cell{};
    if (!cellRect(gridRow, listColumn, cell)) {
        return;
    }
    RECT client{};
    GetClientRect(gridList, &client);
    // The right edge first: a cell wider than the list ends 4 pixels inside its right edge.
    int distance = 0;
    if (cell.right > client.right) {
        distance = cell.right - client.right + scaled(SCROLL_MARGIN);
    } else if (cell.left < client.left) {
        distance = cell.left - client.left - scaled(SCROLL_MARGIN);
    }
    if (distance != 0) {
        SendMessageW(gridList, LVM_SCROLL, static_cast<WPARAM>(distance), 0);
    }
}

// The caret goes to the first byte of the current row's record, not to the cell, and the
// keyboard focus stays in the grid.
void GridPanel::syncEditorCaret() {
    const HWND view = currentView(editorWindows());
    if (view == nullptr) {
        return;
    }
    const uint64_t record = modelRowIndex(currentRow, headerRow);
    if (record >= table.rows.size()) {
        return;
    }
    const uint64_t start = table.rows[record].start;
    const LRESULT line = SendMessageW(view, SCI_LINEFROMPOSITION, static_cast<WPARAM>(start), 0);
    SendMessageW(view, SCI_ENSUREVISIBLEENFORCEPOLICY, static_cast<WPARAM>(line), 0);
    SendMessageW(view, SCI_GOTOPOS, static_cast<WPARAM>(start), 0);
}

// Page Up, Page Down, Shift+Down and the other moves the list makes by itself move the
// current row with the focus; the column stays, and the list repaints the rows it changed.
void GridPanel::onItemChanged(const NMLISTVIEW* change) {
    if (change == nullptr || (change->uChanged & LVIF_STATE) == 0 ||
        (change->uNewState & LVIS_FOCUSED) == 0 || change->iItem < 0 || change->iItem == currentRow) {
        return;
    }
    currentRow = change->iItem;
    updateStatusLine();
}
