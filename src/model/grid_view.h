// The grid's view of the document: which records it shows as rows, and which cells it shows as
// columns, in which order. Filters, hidden columns and frozen columns live here; none of them
// changes a byte of the document.
//
// Rows. A shown row (what the list shows, counted from 0) stands for a table row. Without a
// filter every record is shown, the header record aside, and the map is worked out without any
// storage; with one the view holds the shown table rows in order. A row the user edits while
// filtered stays shown until the filter is applied again, even when it no longer meets it: such
// a row is "kept", and the grid marks it. Outside edits that replace a stretch of rows have
// only the new rows tested; the rows after them move along.
//
// Columns. A shown column (a data column of the list, counted from 0) stands for a cell index.
// The columns follow the document's order of cells unless an order is given; hidden cells are
// skipped, and the first frozen columns stay in view at the left.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/cell_find.h"
#include "model/csv_table.h"
#include "model/row_filter.h"

class FilterRun;

// An edit of a table's rows: the rows [first, oldLast) became the rows [first, newLast).
struct RowChange {
    uint64_t first = 0;
    uint64_t oldLast = 0;
    uint64_t newLast = 0;
};

// Which table rows the grid shows, and the filter that chooses them.
class ShownRows {
public:
    // The decoding and case folding the filter's text conditions compare with.
    explicit ShownRows(CellDecoder decode = decodeUtf8, CaseFolder fold = foldAsciiCase);

    // Takes the table as it now is (after a full scan, or when the header row is switched) and
    // shows all of its records, the header record aside, with no row kept. The conditions stay
    // as they are, to be applied again.
    void reset(const CsvTable& table, bool headerRow);

    // The conditions: a column's filter box text, read as parseFilterCondition reads it. An
    // empty text takes the cell's condition away. Setting them changes no row: apply does.
    void setCondition(uint64_t cellIndex, std::wstring_view boxText);
    void clearConditions();
    // The box text of a cell's condition; empty when it has none.
    std::wstring conditionText(uint64_t cellIndex) const;
    // The cells with a box text, with their texts, by cell index.
    const std::vector<std::pair<uint64_t, std::wstring>>& conditionTexts() const { return texts_; }
    // Whether any condition would filter a row out (an empty box, "=" alone, filters nothing).
    bool hasConditions() const { return !matchers_.empty(); }

    // Applies the conditions to the table in one go: the rows that meet them all are shown,
    // and no row is kept. Without conditions every record is shown and the view is unfiltered.
    void apply(const CsvTable& table);
    // Takes the rows of a finished run (see FilterRun) as apply would. Returns false, changing
    // nothing, for a run that is not done or that is stale: the conditions, the table or the
    // rows changed through this view since it began.
    bool finish(FilterRun& run);

    // Whether a filter chooses the rows (even one that happens to show every row).
    bool filtered() const { return filtered_; }
    // The records a grid row may show: the table's rows, the header record aside.
    uint64_t recordCount() const { return tableRows_ - firstRecord(); }
    uint64_t count() const { return filtered_ ? shown_.size() : recordCount(); }
    // The table's row count the view was last told of: the view describes a table only
    // when it has that many rows.
    uint64_t tableRows() const { return tableRows_; }
    // The shown rows as a map from grid rows, valid until the view changes.
    GridRows gridRows() const {
        return filtered_ ? GridRows{0, shown_.size(), &shown_} : GridRows{firstRecord(), recordCount(), nullptr};
    }
    // The table row of a shown row; requires shownRow < count().
    uint64_t tableRow(uint64_t shownRow) const;
    // The shown row of a table row; none when the row is not shown.
    std::optional<uint64_t> shownRow(uint64_t tableRow) const;
    bool isShown(uint64_t tableRow) const { return shownRow(tableRow).has_value(); }
    // The shown row of the first shown table row at or after tableRow, and of the last at or
    // before it; none when there is no such row. They keep the current cell on a near row when
    // its own disappears.
    std::optional<uint64_t> shownRowAtOrAfter(uint64_t tableRow) const;
    std::optional<uint64_t> shownRowAtOrBefore(uint64_t tableRow) const;
    // Whether a shown row is kept: shown though it no longer meets the conditions.
    bool isKept(uint64_t shownRow) const;
    uint64_t keptCount() const { return kept_.size(); }

    // The table's rows [first, oldLast) were replaced by the rows [first, newLast) (table is the
    // table afterwards), and the rows from oldLast on moved along.
    // - rowsReplaced, for edits from outside the grid (ReplacedRows after a rescan): the new
    //   rows are shown when they meet the conditions, as applying the filter would show them,
    //   and the rows after them are not tested again;
    // - rowsEdited, for the grid's own edits: a row keeps its place on the screen. The rows are
    //   paired in order: a new row paired with a shown row is shown, one paired with a hidden
    //   row stays hidden, and a row the edit adds beyond the old ones is shown; a shown row that
    //   does not meet the conditions is kept, one that does is no longer kept.
    // Both test rows against the conditions last applied, not against boxes typed since. Numbers
    // that do not describe the table (an edit that was missed) make the view apply those
    // conditions afresh, keeping no row. A reordering of the records is no such edit: apply the
    // filter again after one.
    void rowsReplaced(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast);
    void rowsEdited(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast);

private:
    friend class FilterRun;

// An edit of a table's rows: the rows [first, oldLast) became the rows [first, newLast).
struct RowChange {
    uint64_t first = 0;
    uint64_t oldLast = 0;
    uint64_t newLast = 0;
};

    uint64_t firstRecord() const { return headerRow_ && tableRows_ > 0 ? 1 : 0; }
    void rebuildMatchers();
    // Whether the numbers of an edit fit the table before it and the table after it.
    bool describes(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast) const;
    // Whether row r meets the conditions last applied.
    bool meets(const CsvTable& table, uint64_t r);
    // Shows the rows of the table that meet the conditions last applied, none kept.
    void refilter(const CsvTable& table);
    // What both updates begin with: false when nothing is left to do (no filter, or numbers
    // that do not fit the table, after which the filter was applied afresh).
    bool beginUpdate(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast);

    CellDecoder decode_;
    CaseFolder fold_;
    std::vector<std::pair<uint64_t, std::wstring>> texts_;     // by cell index, none empty
    std::vector<std::pair<uint64_t, FilterMatcher>> matchers_;  // of the texts that filter
    std::vector<std::pair<uint64_t, FilterMatcher>> applied_;   // those the shown rows meet

    uint64_t tableRows_ = 0;
    bool headerRow_ = false;
    bool filtered_ = false;
    std::vector<uint64_t> shown_;  // the shown table rows, ascending; only while filtered
    std::vector<uint64_t> kept_;   // the kept ones among them, ascending
    // Counts every change of the conditions or the rows, so that a run begun before it is
    // known to be stale.
    uint64_t generation_ = 0;
    CsvRow row_;  // the row being tested, its storage kept from row to row
};

// Applying a view's conditions to a table a bounded number of rows at a time, so that a filter
// on a huge document does not hold up the host: each step is given the table anew, and the
// finished run is handed to ShownRows::finish. Its rows are those apply gives. The shell starts
// a run again whenever the table or the conditions change.
class FilterRun {
public:
    // Begins applying the view's conditions as they are now to the table it was last given.
    explicit FilterRun(const ShownRows& view);
    // Reads the next rows until the bytes of the rows read in this step (one more for each
    // row) reach budget; every step reads at least one row, and reads it whole. Returns done().
    bool step(const CsvTable& table, uint64_t budget);
    bool done() const { return next_ >= tableRows_; }
    // The rows read so far and the rows to read, for a progress note.
    uint64_t rowsRead() const { return next_ - firstRecord_; }
    uint64_t rowsToRead() const { return tableRows_ - firstRecord_; }

private:
    friend class ShownRows;

    std::vector<std::pair<uint64_t, FilterMatcher>> matchers_;
    uint64_t generation_;
    uint64_t tableRows_;
    uint64_t firstRecord_;
    uint64_t next_;
    std::vector<uint64_t> shown_;
    CsvRow row_;
};

// Which cells the grid shows as columns, in which order, and how many stay frozen at the left.
// Hidden cells and a frozen count beyond the table's columns are kept but ignored, so that a
// table that loses columns leaves a valid view.
class ShownColumns {
public:
    // The number of cells the grid has columns for (the table's widest row, as the grid caps
    // it). Cell indexes from here on name no column.
    void setColumnCount(uint64_t count);
    uint64_t columnCount() const { return columnCount_; }

    // The order of the cells from left to right; cells it leaves out follow in the document's
    // order, and repeated cells or cells past the count are ignored. Empty: the document order.
    void setOrder(std::vector<uint64_t> order);
    void hide(uint64_t cellIndex);
    void show(uint64_t cellIndex);
    void showAll();
    // Whether a cell of the table is hidden.
    bool isHidden(uint64_t cellIndex) const { return cellIndex < columnCount_ && !columnOf(cellIndex); }
    // The hidden cells, by cell index, those past the count included.
    const std::vector<uint64_t>& hiddenCells() const { return hidden_; }

    // The first count shown columns stay in view at the left; at most all shown columns do.
    void setFrozenCount(uint64_t count) { frozen_ = count; }
    uint64_t frozenCount() const { return std::min<uint64_t>(frozen_, count()); }

    uint64_t count() const { return shown_.size(); }
    // The cell index of a shown column; requires shownColumn < count().
    uint64_t cellOf(uint64_t shownColumn) const { return shown_[shownColumn]; }
    // The shown column of a cell; none for a hidden cell or one past the count.
    std::optional<uint64_t> columnOf(uint64_t cellIndex) const;
    // The first shown column right of the cell's place, and the last left of it, whether the
    // cell itself is shown or hidden; none at either end. For a cell past the count, there is
    // none right of it and the last shown column is left of it.
    std::optional<uint64_t> nextColumn(uint64_t cellIndex) const;
    std::optional<uint64_t> previousColumn(uint64_t cellIndex) const;
    // The hidden cells between shown column shownColumn - 1 and shownColumn, in view order:
    // before the first column for 0, after the last for count().
    std::vector<uint64_t> hiddenBefore(uint64_t shownColumn) const;

private:
    void rebuild();
    static constexpr uint64_t NONE = ~uint64_t(0);

    uint64_t columnCount_ = 0;
    std::vector<uint64_t> order_;   // as given
    std::vector<uint64_t> hidden_;  // ascending
    uint64_t frozen_ = 0;

    std::vector<uint64_t> places_;     // every cell below the count, in view order
    std::vector<uint64_t> placeOf_;    // by cell index: its place in places_
    std::vector<uint64_t> shownUpTo_;  // by place: the shown cells before it (one more entry)
    std::vector<uint64_t> shown_;      // the shown cells, in view order
};

// The grid's whole view: its rows and its columns.
struct GridView {
    ShownRows rows;
    ShownColumns columns;
};
