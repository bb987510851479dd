// The one-line status text under the grid: counts, delimiter and current cell, or the notice
// that the document is too large to be shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The status static takes at most this many characters, the terminating NUL included; longer
// texts are cut to one less.
inline constexpr size_t STATUS_TEXT_CAPACITY = 320;

// How the status line names a delimiter: "';'", "'|'", "Tab", and "','" for every other byte,
// the comma included.
std::wstring delimiterDisplayText(char delimiter);

// What the status line reports about a shown table.
struct GridStatus {
    uint64_t rowCount = 0;     // grid rows, header record excluded
    // While a filter chooses the rows: how many records it chooses from; the count then reads
    // "<rows> of <records> rows".
    std::optional<uint64_t> filteredFrom;
    uint64_t columnCount = 0;  // data columns shown
    bool capped = false;       // the widest row has more cells than are shown
    char delimiter = ',';
    int64_t currentRow = 0;     // grid row of the current cell, counted from 0
    int64_t currentColumn = 0;  // list column of the current cell; 0 is the row numbers
    // The size of the selected range; 1 x 1 is the current cell alone.
    uint64_t selectedRows = 1;
    uint64_t selectedColumns = 1;
    std::wstring figures;   // the selected range's figures ("Count 6 | Sum 21 ..."); empty for none
    std::wstring problems;  // how many rows have problems ("3 problems"); empty while none
    std::wstring note;  // what the last find, replace or sort said; empty for none
};

// "<rows> rows x <cols> cols[ (capped)]   |   delimiter <d>   |   cell R<row+1> C<column>" ("1 row",
// "1 col" for one; with filteredFrom "<rows> of <records> rows x <cols> cols"; "row R<row+1>" when the current cell is in the row numbers, "col C<column>"
// when there are titles but no rows, nothing when there are no columns), followed by
// "   |   <r> x <c> selected" while more than one cell is selected (then "   |   <figures>" when
// given) and by "   |   <note>" when there is a note; "   |   <problems>", when given, follows the
// table's size.
// Counts are printed in full whatever their size.
std::wstring gridStatusText(const GridStatus& status);

// A count with its thousands grouped by commas: "7", "1,234", "12,345,678".
std::wstring groupedCount(uint64_t count);

// "<shown> of <total> rows" while a filter chooses the rows ("row" for a total of one), each
// count with its thousands grouped by commas: "1,234 of 163,000 rows".
std::wstring filteredRowsText(uint64_t shown, uint64_t total);

// "Reading the document... <percent>%" while a scan that takes a while has read done of total
// bytes; the percentage is rounded down, so 100% is shown only when it is done.
std::wstring readingStatusText(uint64_t done, uint64_t total);

// "File is larger than <MB> MB - grid view is off (raise MaxFileMB in Tabulon.ini)", with the
// limit in whole megabytes.
std::wstring tooLargeStatusText(uint64_t maxFileBytes);
