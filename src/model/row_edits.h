// The smallest writes that put changed rows into the document: what a range paste, a clear,
// a fill or a Replace all in the grid sends the editor, so that the lines it does not change
// keep their bookmarks and other markers and are not marked as changed by the host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/column_edit.h"
#include "model/row_list.h"

// The replaces that write changed rows into the document the rows describe. changed holds
// (row index, the row's new bytes with its line ending), in increasing row order; appended is
// text that goes after the last row. A row whose bytes stay gives no replace; any other gives
// one, from its first to its last changed byte. The replaces come in decreasing order of
// offset, so that each still stands where the rows say when its turn comes.
std::vector<ByteRange> rowEdits(const RowList& rows, const std::vector<std::pair<uint64_t, std::string>>& changed,
                                std::string_view appended = {});

// newWidth when every record has the same number of cells and a paste runs past the last of
// them, so that the table must be widened to stay rectangular; 0 otherwise.
uint64_t widenedWidth(const RowList& rows, uint64_t newWidth);

// When every record has the same number of cells and a paste runs past the last of them, the
// table stays rectangular: the rows outside [skipFirst, skipLast) (those the paste writes
// itself) get empty cells at their end up to newWidth. Each comes as (row index, its new bytes
// with its line ending), in increasing row order, ready for rowEdits; none when the records are
// of different widths or newWidth adds no cell.
std::vector<std::pair<uint64_t, std::string>> widenedRows(const RowList& rows, uint64_t newWidth, char delimiter,
                                                          uint64_t skipFirst, uint64_t skipLast);
