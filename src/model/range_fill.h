// Fill down and fill right (Ctrl+D, Ctrl+R): the values a range takes from its first row or
// its first column, as a block for the grid's block write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/cell_range.h"
#include "model/csv_table.h"

enum class FillDirection { Down, Right };

// The block that fills the range: every row of it gets the range's first row's values (Down),
// or every cell of a row gets that row's first value (Right). A range of one row (Down) or one
// column (Right) takes the values of the row above it or the column left of it, as
// spreadsheets do; none when there is none. A cell past a row's end is empty. Rows are grid
// rows, columns list columns (data columns from 1).
std::vector<std::vector<std::string>> filledBlock(const CsvTable& table, bool headerRow, const CellRange& range,
                                                  FillDirection direction);
// The same with grid rows as a view shows them.
std::vector<std::vector<std::string>> filledBlock(const CsvTable& table, const GridRows& rows, const CellRange& range,
                                                  FillDirection direction);
