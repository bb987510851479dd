// Changing one cell of the row model in step with the document, without a new scan.
//
// A cell edit regenerates the one row that holds the cell from that row's cells and replaces
// exactly the row's old bytes in the document. Afterwards the row holds its new bytes, the
// later rows stand where the change of length moved them, and so does the document stamp. The
// document itself is not touched here: the caller writes the replacement (the editor in the
// plug-in, a plain string in the tests) between setRowCell and commitRowReplacement, and the
// table is not touched before the commit, so a write that fails leaves nothing to undo.
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
    // The cell count of the row's new text.
    uint64_t cellCount = 0;
};

// Whether cell cellIndex of the row holds exactly value, byte for byte. A cell the row does
// not have holds nothing, not even an empty value: clearing it still pads the row.
bool cellHoldsValue(const CsvRow& row, uint64_t cellIndex, std::string_view value);

// The text row rowIndex (which must exist) has with cell cellIndex set to value, the row first
// padded with empty cells up to it, regenerated with the minimal quoting for every cell; the
// answer is the row's range in the document and that text.
RowReplacement setRowCell(const CsvTable& table, uint64_t rowIndex, uint64_t cellIndex, std::string_view value);

// Brings the table in step with a document into which replacement has been written, followed
// by addedEol (a line ending given to a last row that had none): the row holds the new text,
// the later rows move by the change of length, and so does the stamp, unless it holds all ones
// (the document changed outside, which only a scan clears). maxCells grows to the row's cell
// count.
void commitRowReplacement(CsvTable& table, uint64_t rowIndex, const RowReplacement& replacement,
                          std::string_view addedEol = {});
