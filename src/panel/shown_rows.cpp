// The rows the grid shows: which record each grid row stands for, and keeping that in step with
// the table as it is read, edited and filtered.
#include <algorithm>
#include <chrono>
#include <climits>

#include "panel/grid_panel.h"

namespace {

// A filter reads this much of the document between looks at the clock.
constexpr uint64_t FILTER_STEP_BYTES = uint64_t(256) << 10;

}  // namespace

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
    filterRun.reset();
    if (rows.hasConditions()) {
        filterRun = std::make_unique<FilterRun>(rows);
        continueFilterRun(FILTER_AT_ONCE_MS, false);  // the rows are shown after the reading
    }
}

void GridPanel::applyFilter() {
    if (fileTooLarge || documentScan != nullptr) {
        return;
    }
    closeCellEditor();
    // A view out of step with the table starts from every record; one in step keeps its rows
    // shown until the run is done.
    if (gridView.rows.tableRows() != table.rows.size()) {
        gridView.rows.reset(table, headerRow);
    }
    filterRun = std::make_unique<FilterRun>(gridView.rows);
    if (continueFilterRun(FILTER_AT_ONCE_MS)) {
        return;
    }
    updateStatusLine();
}

bool GridPanel::continueFilterRun(int milliseconds, bool show) {
    if (filterRun == nullptr) {
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!filterRun->step(table, FILTER_STEP_BYTES) && std::chrono::steady_clock::now() < deadline) {
    }
    if (!filterRun->done()) {
        scheduleBackgroundWork();
        return false;
    }
    const uint64_t currentRecord = recordOf(currentRow);
    const bool taken = gridView.rows.finish(*filterRun);
    filterRun.reset();
    if (!taken) {
        // The table or the conditions changed meanwhile: the filter is applied afresh.
        gridView.rows.reset(table, headerRow);
        filterRun = std::make_unique<FilterRun>(gridView.rows);
        scheduleBackgroundWork();
        return false;
    }
    ++filterChanges;
    if (!show) {
        return true;
    }
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
    return true;
}
