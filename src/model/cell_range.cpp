#include "model/cell_range.h"

#include <algorithm>
#include <limits>

namespace {

int32_t lastIndex(int64_t count) {
    return static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max()) - 1);
}

// The rows of a that are not in b, as up to two spans.
void appendDifference(std::vector<RowSpan>& out, const CellRange& a, const CellRange& b) {
    if (a.empty()) {
        return;
    }
    if (b.empty() || b.lastRow < a.firstRow || b.firstRow > a.lastRow) {
        out.push_back({a.firstRow, a.lastRow});
        return;
    }
    if (a.firstRow < b.firstRow) {
        out.push_back({a.firstRow, b.firstRow - 1});
    }
    if (a.lastRow > b.lastRow) {
        out.push_back({b.lastRow + 1, a.lastRow});
    }
}

}  // namespace

CellRange selectedRange(const Selection& selection, int64_t rowCount, int64_t columnCount) {
    CellRange range;
    if (rowCount < 1 || columnCount < 1) {
        return range;
    }
    const int32_t lastRow = lastIndex(rowCount);
    const int32_t lastColumn = lastIndex(columnCount) + 1;
    const auto clampRow = [&](int32_t row) { return std::clamp(row, 0, lastRow); };
    const auto clampColumn = [&](int32_t column) { return std::clamp(column, 1, lastColumn); };

    const bool wholeRows = selection.shape == RangeShape::Rows || selection.shape == RangeShape::All;
    const bool wholeColumns = selection.shape == RangeShape::Columns || selection.shape == RangeShape::All;
    if (wholeColumns) {
        range.firstRow = 0;
        range.lastRow = lastRow;
    } else {
        range.firstRow = clampRow(std::min(selection.anchorRow, selection.row));
        range.lastRow = clampRow(std::max(selection.anchorRow, selection.row));
    }
    if (wholeRows) {
        range.firstColumn = 1;
        range.lastColumn = lastColumn;
    } else {
        range.firstColumn = clampColumn(std::min(selection.anchorColumn, selection.column));
        range.lastColumn = clampColumn(std::max(selection.anchorColumn, selection.column));
    }
    return range;
}

std::vector<RowSpan> changedRows(const Selection& before, const Selection& after, int64_t rowCount,
                                 int64_t columnCount) {
    std::vector<RowSpan> spans;
    const CellRange old = selectedRange(before, rowCount, columnCount);
    const CellRange now = selectedRange(after, rowCount, columnCount);
    if (old.firstColumn == now.firstColumn && old.lastColumn == now.lastColumn) {
        appendDifference(spans, old, now);
        appendDifference(spans, now, old);
    } else {
        if (!old.empty()) spans.push_back({old.firstRow, old.lastRow});
        if (!now.empty()) spans.push_back({now.firstRow, now.lastRow});
    }
    if (before.row != after.row || before.column != after.column) {
        spans.push_back({before.row, before.row});
        spans.push_back({after.row, after.row});
    }
    return spans;
}

std::vector<RowSpan> spansInView(std::vector<RowSpan> spans, int32_t top, int32_t perPage) {
    const int64_t bottom = int64_t{top} + std::max(perPage, 0);
    std::vector<RowSpan> shown;
    for (RowSpan& span : spans) {
        span.first = std::max(span.first, top);
        span.last = static_cast<int32_t>(std::min<int64_t>(span.last, bottom));
    }
    std::erase_if(spans, [](const RowSpan& span) { return span.last < span.first; });
    std::sort(spans.begin(), spans.end(), [](const RowSpan& a, const RowSpan& b) { return a.first < b.first; });
    for (const RowSpan& span : spans) {
        if (!shown.empty() && int64_t{span.first} <= int64_t{shown.back().last} + 1) {
            shown.back().last = std::max(shown.back().last, span.last);
        } else {
            shown.push_back(span);
        }
    }
    return shown;
}
