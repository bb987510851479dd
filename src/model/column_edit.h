// The byte arithmetic of the row and column operations: where an added row goes, which ranges
// a row deletion removes, and the text of a row with a column inserted or erased.
//
// A column operation works on a row's raw bytes by the spans the scanner recorded, inserting
// or erasing bytes only at span boundaries: every other byte of the row, quotes included,
// stays exactly as it was. It never regenerates a row from its values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"

// A half-open range of document bytes, and the text that takes its place (none for a plain
// deletion).
struct ByteRange {
    uint64_t from = 0;
    uint64_t to = 0;
    std::string text;
    bool operator==(const ByteRange&) const = default;
};

// Bytes to insert at a document position.
struct TextInsertion {
    uint64_t position = 0;
    std::string text;
    bool operator==(const TextInsertion&) const = default;
};

// The insertion that adds an empty row after table row rowIndex (the last row when rowIndex
// is past the end). The row has shownColumns empty cells, so it is shownColumns - 1
// delimiters; with one column (or none shown) it is "" (two quotes), one empty value that reads
// back as a record, where an empty line would be skipped by many readers. After a row with a
// line ending it comes with one of its own; after a last row without one it comes before its
// own text, so the document's last row again has none. An empty table gets exactly one record
// line (the titles, when the first record is the header), after its sep line if it has one;
// a sep line that ends the document gets its line ending first.
TextInsertion rowInsertion(const CsvTable& table, uint64_t rowIndex, uint64_t shownColumns,
                           std::string_view eol);

// The insertion that adds an empty row in front of table row rowIndex: where row 0 starts (after
// the sep line, if any) for row 0, else after the row before it. A new row's line ending is CR
// LF wherever the document's own ending would meet a lone CR before it or an LF after it and
// read as one.
TextInsertion rowInsertionBefore(const CsvTable& table, uint64_t rowIndex, uint64_t shownColumns,
                                 std::string_view eol);

// The insertion that writes the first data records of a table that has none (an empty
// document, or titles alone), from values typed or pasted into the empty row the grid offers,
// firstCell being the cell of each line's first value: each record has the shown columns (at
// least up to its last value), the values quoted where they must be. They go after the last
// record; an empty document with the header row on first gets a line of empty titles, so that
// they are read as data. The document's last line keeps its ending, or the lack of one, but
// for a sep line, which ends in one when records follow it.
TextInsertion firstRecordsInsertion(const CsvTable& table, uint64_t shownColumns, uint64_t firstCell,
                                    const std::vector<std::vector<std::string>>& values, std::string_view eol,
                                    bool headerRow);

// The ranges that delete the given table rows (sorted ascending, no duplicates), one per run
// of consecutive rows, in the order they are to be applied: the last run first, so that each
// range still stands at its offsets when its turn comes. A run that ends with the document's
// last row, when that row has no line ending, takes the line ending in front of it instead,
// so the row before it becomes the last row without one (an empty row before it keeps its own).
// Where a lone CR would come to stand before an LF, the row before takes the last deleted
// row's line ending instead of its own, or CR LF where that one would join as well; that range
// then puts text in place of the bytes it removes. The sep line is never touched: where its lone
// CR would come to stand before the LF of an empty row, that row's empty value is written
// quoted instead.
std::vector<ByteRange> rowDeletionRanges(const CsvTable& table, const std::vector<uint64_t>& rowIndexes);

// What a column operation does to every row.
enum class ColumnChange {
    None,    // rows are written as they are
    Insert,  // an empty cell goes in at cellIndex, moving that cell and the later ones right
    Erase,   // cell cellIndex goes, with one delimiter next to it
    Move,    // cell cellIndex goes to place target, with its exact bytes; the cells between
             // move one place towards where it was
};

struct ColumnEdit {
    ColumnChange change = ColumnChange::None;
    uint64_t cellIndex = 0;
    char delimiter = ',';
    uint64_t target = 0;  // Move: the moved cell's place afterwards
};

// Where a cell's column is after the edit: its new index, or none for the erased cell. What the
// view keeps by cell (filters, hidden columns, widths) follows its column with this.
std::optional<uint64_t> cellAfterEdit(const ColumnEdit& edit, uint64_t cell);

// Appends the row's raw text with the column edit applied. An insertion at the row's cell
// count appends a new last cell; rows shorter than that, and rows without the erased cell, are
// appended unchanged. Erasing a row's only cell leaves it as an empty line. A move keeps every
// cell's bytes and the row's delimiters; a moved cell that lands past the row's end is put
// behind empty cells up to its place, and a row without the moved cell gets an empty cell at
// its place when that lies inside the row (the cells after it stay under their titles), and
// otherwise stays as it is.
void appendEditedRow(std::string& out, const CsvRow& row, const ColumnEdit& edit);

// The whole document written from the rows: the sep line as it is, if there is one, then each
// row's text (with the column edit applied) and its line ending. A row in the middle that has
// no line ending of its own gets eol; the last row keeps exactly the ending it has, possibly
// none. starts, when given, gets where each row begins in the text.
std::string documentText(const CsvTable& table, std::string_view eol, const ColumnEdit& edit = {},
                         std::vector<uint64_t>* starts = nullptr);

// How many bytes before and after share at their start, and then at their end (not counting
// the shared start twice in either).
struct SharedEnds {
    uint64_t front = 0;
    uint64_t back = 0;
};
SharedEnds sharedEnds(std::string_view before, std::string_view after);

// The one replace that turns before into after: from the first byte they differ in to the last,
// both counted in before, and after's bytes for that stretch. Empty where they are equal.
ByteRange changedStretch(std::string_view before, std::string_view after);
