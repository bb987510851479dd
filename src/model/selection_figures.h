// The figures the status line shows for a selected range of cells, as spreadsheets show them:
// how many cells hold something and, when any of them is a number, the numbers' sum, average,
// least and greatest. A range may cover millions of cells, so the figures are worked out in
// steps of bounded size that the shell runs between messages.
//
// - A cell counts when it holds anything but spaces and tabs: the cells sorting takes for
//   empty, and cells a short row does not have, are not counted.
// - A number is a cell whose value (quotes removed) reads as one in the forms sorting knows
//   (parseNumberValue): "1,234.5", "1.234,5", "50%", "-3e4" and the like. Dates are not numbers.
// - The figures are written with a decimal comma when, of the numbers that have a decimal part,
//   more write it with a comma than with a full stop; otherwise (a tie, or no decimal parts at
//   all) with a full stop. Numbers without a decimal part ("1,234", "7") say nothing either way.
#pragma once

#include <cstdint>
#include <string>

#include "model/cell_range.h"
#include "model/csv_table.h"

// What the cells of a range add up to.
struct SelectionFigures {
    uint64_t count = 0;    // cells that are not empty
    uint64_t numbers = 0;  // of those, the cells that are numbers
    // Of the numbers; all 0 when there are none. The sum is an infinity once it has grown
    // past the largest double.
    double sum = 0;
    double minimum = 0;
    double maximum = 0;
    bool decimalComma = false;  // the document writes its decimal parts with a comma

    double average() const { return numbers == 0 ? 0 : sum / static_cast<double>(numbers); }
};

// The figures of one range, read a few rows at a time. The scan does not hold the table: each
// step is given it anew, and the shell starts the scan again whenever the table or the range
// changes. Rows past the table's end are not there to read and end the scan.
class SelectionFiguresScan {
public:
    // Begins the figures of range afresh (grid rows, list columns). An empty range is done at
    // once, with nothing counted.
    void start(const CellRange& range);
    // Reads the range's rows on from where the last step stopped, until the bytes of the rows
    // read in this step (one more for each row) reach budget; every step reads at least one row,
    // and a row is always read whole, so a step exceeds budget by at most one row. A row that
    // ends before the range's first column costs one and is not decoded. headerRow says
    // whether the table's first record is the titles, which grid rows do not count. Returns
    // done().
    bool step(const CsvTable& table, bool headerRow, uint64_t budget);
    // The same with grid rows as a view shows them.
    bool step(const CsvTable& table, const GridRows& rows, uint64_t budget);
    bool done() const { return done_; }
    // The figures of the rows read so far; those of the whole range once done.
    SelectionFigures figures() const;

private:
    void add(std::string_view value);

    CellRange range_;
    int64_t nextRow_ = 0;  // the grid row the next step reads first
    bool done_ = true;
    CsvRow row_;           // the row being read, its storage kept from row to row

    uint64_t count_ = 0;
    uint64_t numbers_ = 0;
    // The sum as Neumaier's compensated summation keeps it: the running sum and the low-order
    // parts its additions lost, added back when the figures are taken.
    double sum_ = 0;
    double compensation_ = 0;
    double minimum_ = 0;
    double maximum_ = 0;
    uint64_t commaDecimals_ = 0;
    uint64_t stopDecimals_ = 0;
};

// At most this many significant digits are shown of a figure, as spreadsheets show them.
inline constexpr int FIGURE_DIGITS = 15;

// A figure as a spreadsheet shows it: rounded to FIGURE_DIGITS significant digits, trailing
// zeros dropped, the integer part grouped by threes ("1,234,567.25"), or with a decimal comma
// "1.234.567,25", the full stop then grouping. Magnitudes from 1e-6 up to below 1e15 are written
// out; smaller and larger ones take an exponent ("1.5E+20", "2E-07", mantissa not grouped).
// Negative numbers start with '-', and a negative zero is "0". What is not a finite number,
// which only a sum grown past the largest double can be, is "too large".
std::wstring figureText(double value, bool decimalComma);

// The status line's part for the figures: "Count <n>" with the count in full, as the status
// line prints every count, then, when any cell is a number,
// "  Sum <s>  Average <a>  Min <m>  Max <x>" with each figure as figureText writes it: one part
// of the status line, its figures kept close so that they fit beside the rest.
std::wstring selectionFiguresText(const SelectionFigures& figures);
