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
