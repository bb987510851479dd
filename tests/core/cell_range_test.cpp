// The selected range from its corners and shape, and the rows a change of selection repaints.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "model/cell_range.h"

namespace {

TEST(SelectedRange, CornersInAnyOrderShapesAndClamping) {
    // The anchor below and right of the current cell gives the same rectangle.
    EXPECT_EQ(selectedRange(Selection{5, 3, 2, 1, RangeShape::Cells}, 10, 4), (CellRange{2, 5, 1, 3}));
    // A corner on the row numbers counts as the first data column; corners beyond are cut.
    EXPECT_EQ(selectedRange(Selection{0, 0, 20, 9, RangeShape::Cells}, 10, 4), (CellRange{0, 9, 1, 4}));
    EXPECT_EQ(selectedRange(Selection{7, 0, 3, 0, RangeShape::Rows}, 10, 4), (CellRange{3, 7, 1, 4}));
    EXPECT_EQ(selectedRange(Selection{4, 2, 4, 2, RangeShape::Columns}, 10, 4), (CellRange{0, 9, 2, 2}));
    EXPECT_EQ(selectedRange(Selection{4, 2, 4, 2, RangeShape::All}, 10, 4), (CellRange{0, 9, 1, 4}));
    // Nothing to select without rows or columns.
    EXPECT_TRUE(selectedRange(Selection{}, 0, 4).empty());
    EXPECT_TRUE(selectedRange(Selection{}, 3, 0).empty());
    const CellRange range{2, 5, 1, 3};
    EXPECT_TRUE(range.contains(2, 1));
    EXPECT_TRUE(range.contains(5, 3));
    EXPECT_FALSE(range.contains(6, 1));
    EXPECT_FALSE(range.contains(3, 0));
    EXPECT_EQ(range.rowCount(), 4);
    EXPECT_EQ(range.columnCount(), 3);
}

// Rows covered by the spans, as a set, for comparison.
std::vector<int> rowsOf(const std::vector<RowSpan>& spans) {
    std::vector<int> rows;
    for (const RowSpan& span : spans) {
        for (int r = span.first; r <= span.last; ++r) rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

TEST(ChangedRows, OnlyRowsWhoseLookChanges) {
    constexpr int64_t ROWS = 163000;
    // A plain move down: the two rows of the current cell, nothing else.
    EXPECT_EQ(rowsOf(changedRows(Selection{4, 2, 4, 2}, Selection{5, 2, 5, 2}, ROWS, 5)), (std::vector<int>{4, 5}));
    // Shift+Down over a range of 100000 rows repaints the row that joins and the old current
    // row, not the range.
    const Selection tall{0, 1, 100000, 3};
    const Selection taller{0, 1, 100001, 3};
    EXPECT_EQ(rowsOf(changedRows(tall, taller, ROWS, 5)), (std::vector<int>{100000, 100001}));
    // Collapsing a range repaints the rows that leave it.
    EXPECT_EQ(rowsOf(changedRows(Selection{2, 1, 4, 1}, Selection{4, 1, 4, 1}, ROWS, 5)), (std::vector<int>{2, 3}));
    // A wider range changes every row it has.
    EXPECT_EQ(rowsOf(changedRows(Selection{2, 1, 3, 1}, Selection{2, 1, 3, 2}, ROWS, 5)), (std::vector<int>{2, 3}));
    // Nothing changed, nothing to repaint.
    EXPECT_TRUE(changedRows(tall, tall, ROWS, 5).empty());
}

// The spans cut to the rows in view, then joined into bands where they overlap or touch.
TEST(ChangedRows, SpansInViewAreCutToTheViewAndJoined) {
    using Spans = std::vector<RowSpan>;
    const struct {
        Spans spans;
        Spans bands;
    } cases[] = {
        {{{14, 14}, {15, 15}, {14, 14}, {15, 15}}, {{14, 15}}},  // a move down: one band of two rows
        {{{30, 30}, {12, 12}}, {{12, 12}, {30, 30}}},  // apart: two bands, in order
        {{{0, 100000}}, {{10, 31}}},                   // a tall range: only the page and a row
        {{{0, 9}, {32, 40}}, {}},                      // out of view above and below
        {{{8, 12}, {11, 20}, {21, 21}}, {{10, 21}}},   // overlapping and touching
        {{}, {}},
    };
    for (const auto& [spans, bands] : cases) {
        EXPECT_EQ(spansInView(spans, 10, 21), bands) << "first span " << (spans.empty() ? -1 : spans[0].first);
    }
}

}  // namespace
