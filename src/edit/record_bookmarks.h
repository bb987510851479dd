// The host's bookmarks tied to records rather than lines, so that a write that moves records
// (a sort) or changes them in place (a column operation) leaves each bookmark on its record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "model/row_list.h"

// A bookmark tied to a record: the record and the bookmarked line's place among its lines.
struct RecordBookmark {
    uint64_t record = 0;
    intptr_t lineInRecord = 0;
};

// The host's bookmarks in the view, each tied to the record whose bytes its line begins in.
std::vector<RecordBookmark> recordBookmarks(HWND view, const RowList& rows);

// Puts the bookmarks back on their records' lines, the records now beginning at starts.
void placeBookmarks(HWND view, const std::vector<RecordBookmark>& marks, const std::vector<uint64_t>& starts);
