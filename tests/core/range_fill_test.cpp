// The blocks that fill a range down or right, from its own first row or column or from the row
// above and the column left of a range one cell deep.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/range_fill.h"

namespace {

using Block = std::vector<std::vector<std::string>>;

TEST(FilledBlock, DownAndRightFromTheFirstRowOrColumnOrFromTheNeighbour) {
    CsvTable table;
    scanDocument("A,B,C\r\na0,b0,c0\r\na1,\"b,1\"\r\na2,b2,c2\r\n", ',', '"', table);
    struct Case {
        CellRange range;  // grid rows, list columns
        FillDirection direction;
        Block expected;
    };
    const std::vector<Case> cases{
        {{0, 2, 1, 2}, FillDirection::Down, {{"a0", "b0"}, {"a0", "b0"}, {"a0", "b0"}}},
        {{1, 1, 2, 3}, FillDirection::Down, {{"b0", "c0"}}},        // one row: from the row above
        {{0, 0, 1, 1}, FillDirection::Down, {}},                    // nothing above the first row
        {{1, 2, 2, 3}, FillDirection::Right, {{"b,1", "b,1"}, {"b2", "b2"}}},
        {{1, 2, 3, 3}, FillDirection::Right, {{"b,1"}, {"b2"}}},    // one column: from its left
        {{0, 1, 1, 1}, FillDirection::Right, {}},                   // nothing left of the first
        {{1, 2, 3, 3}, FillDirection::Down, {{""}, {""}}},          // a short row's missing cell
    };
    for (const Case& c : cases) {
        EXPECT_EQ(filledBlock(table, true, c.range, c.direction), c.expected)
            << c.range.firstRow << "," << c.range.firstColumn;
    }
}

}  // namespace
