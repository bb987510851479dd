// Which records a filter shows: the text of a column's filter box read as a condition, and the
// records whose cells meet the conditions of every filtered column.
//
// A box's text is one condition on the cell's value as the grid shows it (unquoted, decoded):
//   text      the value contains the text, without regard to case
//   =text     the value is the text, without regard to case
//   !text     the value does not contain the text
//   >n >=n <n <=n
//             the value is a number (in the forms sorting recognises) or an ISO date compared
//             with n, which is one of the same kind; a value of another kind does not match
//   ""        the value is empty;  !""  the value is not empty
// An empty box filters nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/cell_find.h"
#include "model/csv_table.h"
#include "model/sort_order.h"

struct FilterCondition {
    enum class Kind { None, Contains, Equals, NotContains, Less, LessOrEqual, Greater, GreaterOrEqual, Empty, NotEmpty };
    Kind kind = Kind::None;
    std::wstring text;                   // the text of Contains, Equals and NotContains
    ValueKind boundKind = ValueKind::Text;  // the comparisons: Number or DateTime; Text for no bound
    double bound = 0;
};

// The condition a box's text stands for. A comparison whose bound is neither a number nor an
// ISO date is a Contains of the whole text, so that ">" typed alone finds the cells with one.
FilterCondition parseFilterCondition(std::wstring_view boxText);

// Whether a cell's value meets a condition; a row that lacks the cell has an empty value.
class FilterMatcher {
public:
    FilterMatcher(FilterCondition condition, const CellDecoder& decode, const CaseFolder& fold);
    bool matches(std::string_view value) const;

private:
    FilterCondition condition_;
    CellMatcher text_;
};

// Whether a row's cells meet every condition, each given with its cell index.
bool meetsConditions(const CsvRow& row, const std::vector<std::pair<uint64_t, FilterMatcher>>& conditions);

// The table rows (header record excluded) whose cells meet every condition, each given with
// its cell index, in document order.
std::vector<uint64_t> filteredRows(const CsvTable& table, bool headerRow,
                                   const std::vector<std::pair<uint64_t, FilterMatcher>>& conditions);
