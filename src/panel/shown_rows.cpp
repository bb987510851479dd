// The rows the grid shows: which record each grid row stands for, and keeping that in step with
// the table as it is read, edited and filtered.
#include <algorithm>
#include <climits>

#include "panel/grid_panel.h"

GridRows GridPanel::gridRows() const {
    // The view describes the table only when it was told of every change of its rows; a view
    // out of step shows every record rather than rows of another table.
    if (gridView.rows.tableRows() != table.rows.size()) {
        return allGridRows(table, headerRow);
    }
    return gridView.rows.gridRows();
}

uint64_t GridPanel::recordOf(int32_t gridRow) const {
    if (gridRow < 0) {
        return ~uint64_t(0);
    }
    const GridRows rows = gridRows();
    if (rows.listed == nullptr) {
        return modelRowIndex(gridRow, headerRow);
    }
    const auto row = static_cast<uint64_t>(gridRow);
    if (row < rows.count) {
        return rows.tableRow(row);
    }
    // Past the last shown row: the records a block adds after the document's last.
    return table.rows.size() + (row - rows.count);
}

std::optional<int32_t> GridPanel::gridRowOf(uint64_t record) const {
    const GridRows rows = gridRows();
    if (rows.listed != nullptr) {
        const auto at = std::lower_bound(rows.listed->begin(), rows.listed->end(), record);
        if (at == rows.listed->end() || *at != record) {
            return std::nullopt;
        }
        return static_cast<int32_t>(std::min<int64_t>(at - rows.listed->begin(), INT32_MAX));
    }
    if (record < rows.first || record - rows.first >= rows.count) {
        return std::nullopt;
    }
    return static_cast<int32_t>(std::min<uint64_t>(record - rows.first, INT32_MAX));
}

uint64_t GridPanel::rowNumber(int32_t gridRow) const {
    const uint64_t record = recordOf(gridRow);
    const uint64_t first = headerRow && !table.rows.empty() ? 1 : 0;
    return record == ~uint64_t(0) || record < first ? 0 : record - first + 1;
}

void GridPanel::syncViewAfterReading(const std::optional<RowChange>& edit) {
    ShownRows& rows = gridView.rows;
    ++filterChanges;
    if (edit && rows.filtered()) {
        // The panel's own edit: the rows it wrote stay shown (kept, if they no longer match);
        // numbers that do not fit the table make the view filter afresh.
        rows.rowsEdited(table, edit->first, edit->oldLast, edit->newLast);
        return;
    }
    rows.reset(table, headerRow);
    if (rows.hasConditions()) {
        rows.apply(table);
    }
}

void GridPanel::applyFilter() {
    if (fileTooLarge || documentScan != nullptr) {
        return;
    }
    closeCellEditor();
    const uint64_t currentRecord = recordOf(currentRow);
    gridView.rows.reset(table, headerRow);
    gridView.rows.apply(table);
    ++filterChanges;
    // The current cell stays on its record, or moves to the nearest shown one below it.
    int32_t row = 0;
    if (const auto shown = gridView.rows.shownRowAtOrAfter(currentRecord)) {
        row = static_cast<int32_t>(std::min<uint64_t>(*shown, INT32_MAX));
    } else if (const auto before = gridView.rows.shownRowAtOrBefore(currentRecord)) {
        row = static_cast<int32_t>(std::min<uint64_t>(*before, INT32_MAX));
    }
    markedRows.clear();
    updateItemCount();
    const int32_t column = std::max(currentColumn, 1);
    if (gridRowCount() > 0) {
        selectCell(row, column, true);
    } else {
        currentRow = 0;
        anchorRow = 0;
    }
    updateHeaderMarks();
    updateStatusLine();
}
