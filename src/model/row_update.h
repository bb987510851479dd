// Changing one cell of the row model in step with the document, without a new scan.
//
// A cell edit regenerates the one row that holds the cell from that row's cells and replaces
// exactly the row's old bytes in the document. Afterwards the row's end, the offsets of every
// later row and the document stamp move by the change of length. The document itself is not
// touched here: the caller writes the replacement (the editor in the plug-in, a plain string in
// the tests) between setRowCell and commitRowReplacement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/csv_table.h"

// The document change of one cell edit: the row's byte range before the edit and the text
// that replaces it.
struct RowReplacement {
    uint64_t start = 0;
    uint64_t end = 0;
    std::string text;
};

// Whether cell cellIndex of the row holds exactly value, byte for byte. A cell the row does
// not have holds nothing, not even an empty value: clearing it still pads the row.
bool cellHoldsValue(const CsvRow& row, uint64_t cellIndex, std::string_view value);

// Sets cell cellIndex of row rowIndex (which must exist) to value, first padding the row with
// empty cells up to it, and regenerates the row's text with the minimal quoting for every cell.
// The row's start and end still describe the document before the write; the answer is that
// range with the row's new text.
RowReplacement setRowCell(CsvTable& table, uint64_t rowIndex, uint64_t cellIndex, std::string_view value);

// Brings the table in step with a document into which replacement has been written: the row's
// end and the start and end of every later row move by the change of length, and so does the
// stamp, unless it holds all ones (the document changed outside, which only a scan clears).
// maxCells grows to the row's cell count.
void commitRowReplacement(CsvTable& table, uint64_t rowIndex, const RowReplacement& replacement);
