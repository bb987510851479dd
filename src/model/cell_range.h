// The grid's range of selected cells, and which rows must be repainted when it changes.
//
// A range is the rectangle between two corners, the anchor (where a Shift move or a drag
// started) and the active corner, which is the current cell. Corners are in grid rows and list
// columns (column 0 is the row numbers, data columns count from 1). Its shape says whether it
// spans whole rows (a row-number click), whole columns (a header click) or both (Ctrl+A).
#pragma once

#include <cstdint>
#include <vector>

enum class RangeShape { Cells, Rows, Columns, All };

// An inclusive rectangle of grid rows and data columns (list columns, at least 1). An empty
// range has lastRow < firstRow or lastColumn < firstColumn.
struct CellRange {
    int32_t firstRow = 0;
    int32_t lastRow = -1;
    int32_t firstColumn = 1;
    int32_t lastColumn = 0;

    bool empty() const { return lastRow < firstRow || lastColumn < firstColumn; }
    bool containsRow(int32_t row) const { return !empty() && row >= firstRow && row <= lastRow; }
    bool contains(int32_t row, int32_t column) const {
        return containsRow(row) && column >= firstColumn && column <= lastColumn;
    }
    int64_t rowCount() const { return empty() ? 0 : int64_t{lastRow} - firstRow + 1; }
    int64_t columnCount() const { return empty() ? 0 : int64_t{lastColumn} - firstColumn + 1; }
    bool operator==(const CellRange&) const = default;
};

// The selection as the panel keeps it: the anchor, the active corner, and the shape.
struct Selection {
    int32_t anchorRow = 0;
    int32_t anchorColumn = 1;
    int32_t row = 0;     // the current cell
    int32_t column = 1;
    RangeShape shape = RangeShape::Cells;
    bool operator==(const Selection&) const = default;
};

// The cells the selection covers in a grid of rowCount rows and columnCount data columns.
// Whole rows take every data column, whole columns every row; a corner on the row numbers
// (column 0) counts as column 1. Empty when the grid has no rows or no data columns.
CellRange selectedRange(const Selection& selection, int64_t rowCount, int64_t columnCount);

// An inclusive span of grid rows.
struct RowSpan {
    int32_t first = 0;
    int32_t last = -1;
    bool operator==(const RowSpan&) const = default;
};

// The rows whose painting differs between two selections: rows that enter or leave the range
// (all rows of both ranges when the range's columns changed), and the rows of the old and the
// new current cell when it moved. At most four spans, possibly overlapping, never every row
// unless the range itself changed on every row.
std::vector<RowSpan> changedRows(const Selection& before, const Selection& after, int64_t rowCount,
                                 int64_t columnCount);

// The parts of spans that a list showing rows [top, top + perPage] holds (the row after a full
// page may show in part), sorted and joined where they overlap or touch: the bands of rows to
// paint again.
std::vector<RowSpan> spansInView(std::vector<RowSpan> spans, int32_t top, int32_t perPage);
