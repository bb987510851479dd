// The current cell, the selected range, scrolling, and the editor's caret.
//
// The selection is the panel's own, not the list's: the current cell (currentRow,
// currentColumn) is one corner of a range, the anchor the other, and the shape says whether
// it spans whole rows or columns; rows picked with Ctrl+click come on top. Painting reads it,
// and a change repaints only the rows whose look changed, so no key visits every row of a
// large document. The list keeps only its focused row, equal to currentRow.
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

int32_t GridPanel::listRowCount() const {
    // The list counts its items in an int, so no row beyond INT32_MAX can be shown anyway.
    return static_cast<int32_t>(
        std::min<uint64_t>(shownRowCount(), static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
}

int32_t GridPanel::lastListColumn() const {
    return static_cast<int32_t>(
        std::min<uint64_t>(shownColumnCount, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
}

Selection GridPanel::selection() const {
    return Selection{anchorRow, anchorColumn, currentRow, currentColumn, rangeShape};
}

CellRange GridPanel::selectedCells() const {
    return selectedRange(selection(), listRowCount(), lastListColumn());
}

bool GridPanel::rowIsMarked(int32_t gridRow) const {
    return !markedRows.empty() && std::binary_search(markedRows.begin(), markedRows.end(), gridRow);
}

bool GridPanel::singleCellSelected() const {
    const CellRange range = selectedCells();
    return markedRows.empty() && rangeShape == RangeShape::Cells && range.rowCount() <= 1 &&
           range.columnCount() <= 1;
}

void GridPanel::restoreSelection(const Selection& kept) {
    if (listRowCount() < 1) {
        return;
    }
    const Selection before = selection();
    anchorRow = std::clamp(kept.anchorRow, 0, listRowCount() - 1);
    anchorColumn = std::clamp(kept.anchorColumn, 0, lastListColumn());
    currentRow = std::clamp(kept.row, 0, listRowCount() - 1);
    currentColumn = std::clamp(kept.column, 0, lastListColumn());
    rangeShape = kept.shape;
    showSelection(before, false);
}

void GridPanel::selectCell(int32_t gridRow, int32_t listColumn, bool scrollIntoView, const ListPage* shown) {
    if (listRowCount() < 1) {
        return;  // nothing to select: the current cell keeps its old values
    }
    const Selection before = selection();
    currentRow = std::clamp(gridRow, 0, listRowCount() - 1);
    // A hidden column is passed over, onwards in the direction of the move.
    currentColumn = shownColumnNear(std::clamp(listColumn, 0, lastListColumn()), currentColumn);
    anchorRow = currentRow;
    anchorColumn = currentColumn;
    rangeShape = RangeShape::Cells;
    if (!markedRows.empty()) {
        std::vector<RowSpan> marked;
        for (const int32_t row : markedRows) {
            marked.push_back({row, row});
        }
        invalidateRows(marked);
        markedRows.clear();
    }
    showSelection(before, scrollIntoView, shown);
}

void GridPanel::extendSelection(int32_t gridRow, int32_t listColumn, bool scrollIntoView, const ListPage* shown) {
    if (listRowCount() < 1) {
        return;
    }
    const Selection before = selection();
    currentRow = std::clamp(gridRow, 0, listRowCount() - 1);
    // Whole rows stay whole rows, with the row numbers current; a cell range keeps to data.
    const int32_t firstColumn = rangeShape == RangeShape::Rows ? 0 : std::min(1, lastListColumn());
    currentColumn = shownColumnNear(std::clamp(listColumn, firstColumn, lastListColumn()), currentColumn);
    showSelection(before, scrollIntoView, shown);
}

void GridPanel::selectRows(int32_t anchor, int32_t gridRow) {
    if (listRowCount() < 1) {
        return;
    }
    selectCell(anchor, 0, false);
    const Selection before = selection();
    rangeShape = RangeShape::Rows;
    currentRow = std::clamp(gridRow, 0, listRowCount() - 1);
    showSelection(before, true);
}

void GridPanel::selectColumn(int32_t listColumn) {
    if (listRowCount() < 1 || listColumn < 1 || listColumn > lastListColumn()) {
        return;
    }
    selectCell(currentRow, listColumn, false);
    const Selection before = selection();
    rangeShape = RangeShape::Columns;
    showSelection(before, true);
}

void GridPanel::selectAll() {
    if (listRowCount() < 1) {
        return;
    }
    const Selection before = selection();
    rangeShape = RangeShape::All;
    showSelection(before, false);
}

void GridPanel::toggleMarkedRow(int32_t gridRow) {
    if (gridRow < 0 || gridRow >= listRowCount()) {
        return;
    }
    const auto at = std::lower_bound(markedRows.begin(), markedRows.end(), gridRow);
    if (at != markedRows.end() && *at == gridRow) {
        markedRows.erase(at);
    } else {
        markedRows.insert(at, gridRow);
    }
    invalidateRows(gridRow, gridRow);
}

void GridPanel::showSelection(const Selection& before, bool scrollIntoView, const ListPage* known) {
    if (gridList == nullptr) {
        updateStatusLine();
        return;
    }
    // The view before the move. The list paints every row it scrolls into view afresh, so of
    // the rows whose look changed only those it showed before can still show the old look.
    const ListPage shown = known != nullptr ? *known : listPage();
    ListPage now = shown;  // the view after the move
    const auto wholeIn = [&](const ListPage& page) {
        return currentRow >= page.top && currentRow < page.top + page.perPage;
    };
    if (before.row != currentRow) {
        // Only the focus moves in the list: the selection is the panel's and painted from its
        // state, so no key has to visit the list's every item.
        LVITEMW state{};
        state.stateMask = LVIS_FOCUSED;
        state.state = LVIS_FOCUSED;
        SendMessageW(gridList, LVM_SETITEMSTATE, static_cast<WPARAM>(currentRow),
                     reinterpret_cast<LPARAM>(&state));
        // The focus on a row wholly in view leaves the view as it was; under Wine the list
        // scrolls any other into view itself.
        if (!wholeIn(shown)) {
            now = listPage();
        }
    }
    if (scrollIntoView) {
        ensureCellVisible(currentRow, currentColumn, &now);
        if (!wholeIn(now)) {
            now = listPage();
        }
    }
    const std::vector<RowSpan> stale =
        spansInView(changedRows(before, selection(), listRowCount(), lastListColumn()), shown.top, shown.perPage + 1);
    if (!stale.empty()) {
        invalidateRows(stale, now);
    }
    updateStatusLine();
}

GridPanel::ListPage GridPanel::listPage() const {
    ListPage page;
    if (gridList != nullptr) {
        page.top = static_cast<int32_t>(SendMessageW(gridList, LVM_GETTOPINDEX, 0, 0));
        page.perPage = static_cast<int32_t>(SendMessageW(gridList, LVM_GETCOUNTPERPAGE, 0, 0));
    }
    return page;
}

// Only the rows in view are painted, so a span of a hundred thousand rows costs what the rows
// on the screen cost. The list is asked where its rows lie once for all the spans: its rows are
// all of one height, and each question costs a round trip in the real host.
void GridPanel::invalidateRows(int32_t firstRow, int32_t lastRow) {
    invalidateRows(std::vector<RowSpan>{{firstRow, lastRow}});
}

void GridPanel::invalidateRows(const std::vector<RowSpan>& spans) {
    if (gridList == nullptr || spans.empty()) {
        return;
    }
    invalidateRows(spans, listPage());
}

void GridPanel::invalidateRows(const std::vector<RowSpan>& spans, const ListPage& page) {
    if (gridList == nullptr) {
        return;
    }
    const int32_t top = page.top;
    const std::vector<RowSpan> bands = spansInView(spans, top, page.perPage + 1);
    if (bands.empty()) {
        return;
    }
    RECT topRow{};
    topRow.left = LVIR_BOUNDS;
    if (!SendMessageW(gridList, LVM_GETITEMRECT, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&topRow))) {
        InvalidateRect(gridList, nullptr, FALSE);
        return;
    }
    const int64_t height = topRow.bottom - topRow.top;
    RECT client{};
    GetClientRect(gridList, &client);
    for (const RowSpan& band : bands) {
        const int64_t bandTop = topRow.top + (int64_t{band.first} - top) * height;
        const int64_t bandBottom = topRow.top + (int64_t{band.last} - top + 1) * height;
        RECT area{client.left, static_cast<LONG>(std::min<int64_t>(bandTop, client.bottom)), client.right,
                  static_cast<LONG>(std::min<int64_t>(bandBottom, client.bottom))};
        InvalidateRect(gridList, &area, FALSE);
    }
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
    // Tab and Shift+Tab pass over hidden columns, to the next row when only hidden ones follow.
    while (columnDelta != 0 && column >= 1 && column <= lastColumn && columnHidden(static_cast<int32_t>(column))) {
        column += columnDelta > 0 ? 1 : -1;
    }
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

void GridPanel::ensureCellVisible(int32_t gridRow, int32_t listColumn, const ListPage* shown) {
    if (gridList == nullptr) {
        return;
    }
    if (shown == nullptr || gridRow < shown->top || gridRow >= shown->top + shown->perPage) {
        SendMessageW(gridList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(gridRow), FALSE);
    }
    if (listColumn <= frozenColumns()) {
        return;  // the row numbers and the frozen columns are never a reason to scroll sideways
    }
    // Only the cell's left and right matter here, and the titles tell them without a question
    // to the list.
    RECT client{};
    GetClientRect(gridList, &client);
    const PaintColumns& columns = columnsForPaint();
    RECT cell{};
    if (!paintedCellRect(client, listColumn, columns, cell)) {
        return;
    }
    // The row numbers and the frozen columns end where the last frozen title ends.
    const int frozenRight = static_cast<int>(
        columns.titles[std::min(static_cast<size_t>(frozenColumns()), columns.titles.size() - 1)].right);
    // The right edge first: a cell wider than the list ends 4 pixels inside its right edge.
    int distance = 0;
    if (cell.right > client.right) {
        distance = cell.right - client.right + scaled(SCROLL_MARGIN);
    } else if (cell.left < client.left + frozenRight) {
        // Data left of the row numbers and the frozen columns is under them, which stay in view.
        distance = cell.left - client.left - frozenRight - scaled(SCROLL_MARGIN);
    }
    if (distance != 0) {
        SendMessageW(gridList, LVM_SCROLL, static_cast<WPARAM>(distance), 0);
        afterSidewaysScroll();
    }
}

// A sideways scroll moves the list's picture, the row numbers with it: they are painted again
// where they stay, and so is the header's title over them.
void GridPanel::afterSidewaysScroll() {
    if (gridList == nullptr) {
        return;
    }
    InvalidateRect(gridList, nullptr, FALSE);
    layoutFilterBoxes();
    const HWND header = gridHeader;
    if (header != nullptr) {
        InvalidateRect(header, nullptr, FALSE);
    }
}

// The caret goes to the first byte of the current row's record, not to the cell, and the
// keyboard focus stays in the grid.
void GridPanel::syncEditorCaret() {
    const HWND view = currentView(editorWindows());
    if (view == nullptr) {
        return;
    }
    const uint64_t record = recordOf(currentRow);
    if (record >= table.rows.size()) {
        return;
    }
    const uint64_t start = table.rows.start(record);
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
    anchorRow = currentRow;
    anchorColumn = currentColumn;
    rangeShape = RangeShape::Cells;
    markedRows.clear();
    InvalidateRect(gridList, nullptr, FALSE);
    updateStatusLine();
}
