// Where a scan's records go: the row builder of a table, with the widest row and the end of
// the last record kept on the way.
#pragma once

#include <cstdint>

#include "model/row_list.h"

struct TableSink {
    RowList::Builder& rows;
    uint64_t& maxCells;
    uint64_t& lastEnd;
    void record(uint64_t end, uint64_t eolLength, uint64_t cellCount, uint8_t notes = 0) {
        rows.add(end, eolLength, cellCount, notes);
        if (cellCount > maxCells) maxCells = cellCount;
        lastEnd = end;
    }
};
