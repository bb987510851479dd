// The benchmark documents, generated deterministically: the same bytes on every run and
// every machine.
#pragma once

#include <cstdint>
#include <string>

namespace documents {

// Ten columns (numbers, dates, times, words with UTF-8), CR LF line endings; one field in
// seven is quoted with a comma inside, one in a hundred is quoted with CR LF and doubled
// quotes inside. About `bytes` long, ending after a whole row.
std::string typical(uint64_t bytes);

// 600 columns of short numbers per row.
std::string wide(uint64_t bytes);

// A small table in which a few cells are quoted texts of several MiB, with line breaks,
// delimiters and doubled quotes inside.
std::string hugeCells(uint64_t bytes);

// A quote at the start that is never closed, followed by typical text with its quotes
// doubled: one row, one cell.
std::string unterminatedQuote(uint64_t bytes);

// Typical fields on one line without any line break: a single record of millions of cells.
std::string singleLine(uint64_t bytes);

}  // namespace documents
