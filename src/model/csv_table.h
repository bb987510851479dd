// The row model: the panel's picture of the current document, one record per row, and the
// scanner that builds it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_row.h"
#include "model/row_list.h"

// The parsed document.
struct CsvTable {
    // The records; a sep line in front of them is the rows' lead (see sep_line.h).
    RowList rows;
    // The delimiter and quote of the last scan; every writer uses these, not the settings. A
    // sep line's delimiter takes the place of the one the scan was given.
    char delimiter = ',';
    char quote = '"';
    // The largest cell count of any row at the last scan; raised by cell edits that widen
    // a row, never lowered before the next scan.
    uint64_t maxCells = 0;
    // The document stamp: the document length at the last scan, moved along by the panel's
    // own edits, all ones after an outside change.
    uint64_t parsedLength = 0;
};

// Scans one record beginning at p. Empties the three outputs, then appends one entry per
// field: its unquoted value and its span as absolute offsets into text. Returns the offset
// of the CR or LF that ends the record, or the text length.
uint64_t scanRecord(std::string_view text, uint64_t p, char delimiter, char quote,
                    std::vector<std::string>& cells, std::vector<uint64_t>& cellStarts,
                    std::vector<uint64_t>& cellEnds);

// Rebuilds table from text in one forward pass and returns the text length. The table keeps
// its own copy of text; cell values are decoded from it when a row is read. A text that starts
// with a sep line is read with the delimiter the line names, and its rows begin after it.
uint64_t scanDocument(std::string_view text, char delimiter, char quote, CsvTable& table);

// A scan of a whole document done in steps, so that a long first scan can let the host run
// between them; scanDocument is one such scan in a single step. The table is emptied when the
// scan begins and gets its stamp only when the last step has read the whole text. The first
// step looks for a sep line, as scanDocument does: table.delimiter tells the delimiter read
// with from then on.
class DocumentScan {
public:
    // With notes, the reading notes what the problem finder need not read again
    // (RowList::RowNote); without, it leaves every record to the finder, as edits do.
    DocumentScan(CsvTable& table, uint64_t length, char delimiter, char quote, bool notes = true);
    DocumentScan(const DocumentScan&) = delete;
    DocumentScan& operator=(const DocumentScan&) = delete;

    // Reads on through text, the document of the given length (it may have moved in memory
    // since the last step, its bytes may not have changed), up to and including the first
    // record that ends at or past until. Returns how far the text is read. Running out of
    // memory empties the table, stamped to fail every stale check, and ends the scan.
    // On a machine with more than one core a step over TWO_READERS_BYTES or more reads as
    // stepInTwo does, with the second reader taking the second half.
    uint64_t step(std::string_view text, uint64_t until);
    // As step, with a second thread reading meanwhile from the first line start at or past
    // splitAt, taken for a record start, into rows of its own. This reading goes on from there
    // until it meets a record start of the second's, and takes the second's rows from there
    // on: two readings that start at the same record start read alike. The rows are always
    // those step gives; a guess that was wrong costs only the second thread's time.
    uint64_t stepInTwo(std::string_view text, uint64_t until, uint64_t splitAt);
    uint64_t position() const { return position_; }
    uint64_t length() const { return length_; }
    bool done() const { return position_ >= length_; }

    static constexpr uint64_t TWO_READERS_BYTES = uint64_t(4) << 20;

private:
    uint64_t stepAlone(std::string_view text, uint64_t until);
    // Before the first record: takes a sep line at the start of text as the rows' lead and
    // reads with its delimiter.
    void readLead(std::string_view text);
    // Puts the rows of tail from firstRow on, which go on from position(), after the rows
    // read; lastEnd is where tail's last record ends.
    void take(RowList& tail, uint64_t firstRow, uint64_t lastEnd);
    void finishIfDone();
    // Empties the table after a failure, before the failure goes on to the caller.
    void fail();

    CsvTable& table_;
    RowList::Builder rows_;
    uint64_t length_;
    bool notes_;
    uint64_t position_ = 0;
    uint64_t lastEnd_ = 0;  // where the last record read ends
    bool leadRead_ = false;
};

// The number of grid rows: the header row, when shown as such, is not one.
uint64_t dataRowCount(const CsvTable& table, bool headerRow);

// Which table row each grid row shows. Without a filter grid row g shows table row g + first
// (first is 1 past a header record); with one, grid row g shows listed[g], the listed rows
// ascending. A GridRows borrows the list of the view that made it and is used at once.
struct GridRows {
    uint64_t first = 0;
    uint64_t count = 0;
    const std::vector<uint64_t>* listed = nullptr;
    // Requires gridRow < count.
    uint64_t tableRow(uint64_t gridRow) const { return listed != nullptr ? (*listed)[gridRow] : gridRow + first; }
};
// Every record as a grid row, the header record aside.
GridRows allGridRows(const CsvTable& table, bool headerRow);

// The table row of a grid row. A negative grid row names no row: the answer is then all ones,
// which no row index reaches.
uint64_t modelRowIndex(int32_t gridRow, bool headerRow);

// The value of a grid cell, or none when the row or the cell does not exist.
std::optional<std::string> cellAt(const CsvTable& table, bool headerRow, int32_t gridRow,
                                       uint64_t cellIndex);
std::optional<std::string> cellAt(const CsvTable& table, const GridRows& rows, int32_t gridRow, uint64_t cellIndex);
