// The byte arithmetic of edits to a block of cells: a row's text with some of its cells given
// new values, every other byte of the row as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/csv_table.h"

// The row's raw text with cells firstCell, firstCell + 1, ... holding the values (each quoted
// as a row needs it). Bytes outside the replaced cells' spans stay exactly as they were,
// quotes included; a row too short to reach a cell gains the delimiters in front of it. A row
// left unchanged by the values comes back as its raw text.
std::string rowWithCells(const CsvRow& row, uint64_t firstCell, const std::vector<std::string>& values,
                         char delimiter, char quote);
