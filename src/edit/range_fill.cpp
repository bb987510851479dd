// Fill down and fill right (Ctrl+D, Ctrl+R): the selected range takes the values of its first
// row or first column (of the row above or the column left of a range one cell deep), written
// as one block: one undo step, each row from its first to its last changed byte.
#include <windows.h>

#include "model/range_fill.h"
#include "panel/grid_panel.h"

void GridPanel::fillSelection(FillDirection direction) {
    const CellRange range = selectedCells();
    // The ready row of a grid without data rows has nothing to fill from.
    if (range.empty() || readyRowShown() || !ensureDocumentUnchanged({rangeRows(range)})) {
        return;
    }
    const std::vector<std::vector<std::string>> values = filledBlock(table, gridRows(), range, direction);
    if (values.empty()) {
        return;
    }
    const Selection kept = selection();
    viewEditAtReading = RowChange{};  // the rows written stay in view
    const bool written = writeCellBlock(range.firstRow, static_cast<uint64_t>(range.firstColumn) - 1, values, false);
    finishOperation(written, range.firstRow, range.firstColumn);
    if (written) {
        restoreSelection(kept);
    }
}
