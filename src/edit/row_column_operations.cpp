// Adding and deleting rows and columns through the grid.
//
// Each operation first checks the document against the rows it was read into (the whole of it
// for a column, the rows concerned and their neighbours for a row operation), writes
// inside one undo action of the editor (one undo in the host takes the whole operation back),
// and ends with a refresh of the grid. Row operations replace only the bytes concerned; column
// operations write the document anew from the first to the last byte that changes, each row
// with one cell's bytes inserted or erased and every other byte as it was, and the host's
// bookmarks stay on their records.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "edit/messages.h"
#include "edit/record_bookmarks.h"
#include "model/column_edit.h"
#include "model/editor_access.h"
#include "model/delimiter_convert.h"
#include "model/delimiter_detection.h"
#include "model/sep_line.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"

namespace {

// The deletion box shows at most this many characters of a column's title.
constexpr size_t MAX_TITLE_SHOWN = 80;

// Groups every write made while it lives into one undo step of the view. The two messages
// always come in pairs, also when a write fails.
class UndoAction {
public:
    explicit UndoAction(HWND view) : view_(view) { SendMessageW(view_, SCI_BEGINUNDOACTION, 0, 0); }
    UndoAction(const UndoAction&) = delete;
    UndoAction& operator=(const UndoAction&) = delete;
    ~UndoAction() { SendMessageW(view_, SCI_ENDUNDOACTION, 0, 0); }

private:
    HWND view_;
};

}  // namespace

// The + Row button: an empty row below the selection.
void GridPanel::addRow() {
    insertRow(false);
}

// Inserts an empty row above the selection's first row or below its last, with as many cells
// as the grid shows columns, and makes it current.
void GridPanel::insertRow(bool above) {
    const HWND view = currentView(editorWindows());
    const std::vector<int32_t> rows = selectedGridRows();
    const int32_t gridRow = rows.empty() ? currentRow : (above ? rows.front() : rows.back());
    const uint64_t rowIndex = recordOf(gridRow);
    if (view == nullptr || !ensureDocumentUnchanged({RowRun{rowIndex, rowIndex}})) {
        return;
    }
    const std::string eol = documentEol(editorWindows());
    // Above the first grid row of a table with a header goes after the header, which is the same.
    const TextInsertion insertion = above && gridRowCount() > 0
                                        ? rowInsertionBefore(table, rowIndex, shownColumnCount, eol)
                                        : rowInsertion(table, rowIndex, shownColumnCount, eol);
    bool written = false;
    {
        const UndoAction undo(view);
        written = replaceRange(editorWindows(), insertion.position, insertion.position, insertion.text,
                               panelIsWriting);
    }
    // A filtered grid shows the new record beside the one it was inserted next to.
    const uint64_t newRecord = above ? rowIndex : rowIndex + 1;
    viewEditAtReading = RowChange{newRecord, newRecord, newRecord + 1};
    // The first data row of a grid that had none is row 0, the ready row's place.
    const int32_t newRow = gridRowCount() == 0 ? 0 : (above ? gridRow : gridRow + 1);
    finishOperation(written, newRow, std::max(currentColumn, 1));
}

// Deletes the selected rows, or the current one when none is selected, after the user
// confirms. The header record is never a grid row, so it is never deleted.
void GridPanel::deleteRows() {
    const HWND view = currentView(editorWindows());
    if (view == nullptr || table.rows.empty() || fileTooLarge || documentScan != nullptr) {
        return;
    }
    std::vector<int32_t> gridRows = selectedGridRows();
    if (gridRows.empty()) {
        gridRows.push_back(currentRow);
    }
    std::vector<uint64_t> rowIndexes;
    for (const int32_t gridRow : gridRows) {
        const uint64_t index = recordOf(gridRow);
        if (index < table.rows.size()) {
            rowIndexes.push_back(index);
        }
    }
    if (rowIndexes.empty()) {
        return;
    }
    std::sort(rowIndexes.begin(), rowIndexes.end());
    rowIndexes.erase(std::unique(rowIndexes.begin(), rowIndexes.end()), rowIndexes.end());
    std::vector<RowRun> runs;
    for (const uint64_t index : rowIndexes) {
        if (!runs.empty() && runs.back().last + 1 == index) {
            runs.back().last = index;
        } else {
            runs.push_back(RowRun{index, index});
        }
    }
    if (!ensureDocumentUnchanged(runs)) {
        return;
    }

    const std::wstring question =
        L"Delete " + std::to_wstring(rowIndexes.size()) + L" row(s) from the document?";
    if (!confirmDeletion(question, runs)) {
        return;
    }

    // Runs from the end of the document towards its start: each deletion leaves the offsets
    // of the runs still to do where the scan found them.
    bool written = true;
    {
        const UndoAction undo(view);
        for (const ByteRange& range : rowDeletionRanges(table, rowIndexes)) {
            const std::optional<uint64_t> length = documentLength(currentView(editorWindows()));
            if (!length || *length < range.from) {
                continue;
            }
            const uint64_t to = std::min(range.to, *length);
            if ((range.from < to || !range.text.empty()) &&
                !replaceRange(editorWindows(), range.from, to, range.text, panelIsWriting)) {
                written = false;
                break;  // the document is not what the next offsets assume any more
            }
        }
    }
    finishOperation(written, currentRow, currentColumn);
}

// The + Col button: an empty column in front of the current one (at the first column when the
// row numbers are current). Rows too short to reach it stay as they are.
void GridPanel::addColumn() {
    insertColumn(false);
}

// Inserts an empty column left of the selection's first column or right of its last.
void GridPanel::insertColumn(bool right) {
    if (table.rows.empty() || !ensureDocumentUnchanged()) {
        return;
    }
    const CellRange range = selectedCells();
    const int32_t first = range.empty() ? std::max(currentColumn, 1) : range.firstColumn;
    const int32_t last = range.empty() ? std::max(currentColumn, 1) : range.lastColumn;
    const int32_t column = currentColumn > 0 || right ? (right ? last + 1 : first) : 1;
    const uint64_t cellIndex = static_cast<uint64_t>(column) - 1;
    const ColumnEdit edit{ColumnChange::Insert, cellIndex, table.delimiter};
    std::vector<uint64_t> starts;
    const bool written = replaceDocument(documentText(table, documentEol(editorWindows()), edit, &starts), &starts);
    if (written) {
        followColumnEdit(edit);
    }
    finishOperation(written, currentRow, currentColumn > 0 || right ? column : currentColumn);
}

// Deletes the current column from every row, the header record included, after the user
// confirms.
void GridPanel::deleteColumn() {
    if (table.rows.empty() || shownColumnCount == 0 || currentColumn <= 0 || !ensureDocumentUnchanged()) {
        return;
    }
    const uint64_t cellIndex = static_cast<uint64_t>(currentColumn) - 1;
    const std::wstring title = dataColumnTitle(cellIndex).substr(0, MAX_TITLE_SHOWN);
    if (!confirmDeletion(L"Delete column \"" + title + L"\" from every row?")) {
        return;
    }
    const ColumnEdit edit{ColumnChange::Erase, cellIndex, table.delimiter};
    std::vector<uint64_t> starts;
    const bool written = replaceDocument(documentText(table, documentEol(editorWindows()), edit, &starts), &starts);
    if (written) {
        followColumnEdit(edit);
    }
    finishOperation(written, currentRow, currentColumn);
}

void GridPanel::moveColumn(bool right) {
    if (currentColumn < 1) {
        return;
    }
    moveColumnTo(currentColumn, currentColumn + (right ? 1 : -1));
}

bool GridPanel::canDragTitle(int listColumn) const {
    return listColumn >= 1 && !table.rows.empty() && !readyRowShown() && cellEditor == nullptr;
}

void GridPanel::moveColumnTo(int32_t from, int32_t to) {
    const auto columns = static_cast<int64_t>(shownColumnCount);
    if (table.rows.empty() || readyRowShown() || from < 1 || to < 1 || from == to || from > columns ||
        to > columns || !ensureDocumentUnchanged()) {
        return;
    }
    const bool columnSelected = rangeShape == RangeShape::Columns;
    const ColumnEdit edit{ColumnChange::Move, static_cast<uint64_t>(from) - 1, table.delimiter,
                          static_cast<uint64_t>(to) - 1};
    std::vector<uint64_t> starts;
    const bool written = replaceDocument(documentText(table, documentEol(editorWindows()), edit, &starts), &starts);
    if (written) {
        followColumnEdit(edit);
    }
    finishOperation(written, currentRow, to);
    if (written && columnSelected) {
        selectColumn(to);
    }
}

void GridPanel::convertDelimiter(char to) {
    const bool sepLine = sepLineOf(table).has_value();
    if (table.rows.empty() || readyRowShown() || to == table.delimiter || !canBeDelimiter(to, table.quote) ||
        (sepLine && !canBeSepDelimiter(to, table.quote)) || !ensureDocumentUnchanged()) {
        return;
    }
    std::vector<uint64_t> starts;
    const std::string text = convertedDocumentText(table, to, documentEol(editorWindows()), &starts);
    const bool written = replaceDocument(text, &starts);
    // A document with a sep= line names its delimiter itself: the line now names the new one,
    // and the choices stay as they were.
    if (written && !sepLine) {
        // The grid reads the document with the new delimiter: detection keeps choosing for the
        // document when it finds that one, otherwise the choice becomes the new delimiter.
        if (autoDelimiter && detectDelimiter(text) != to) {
            autoDelimiter = false;
        }
        delimiter = to;
        showSettingsInControls();
        saveSettingsIfKnown();
    }
    finishOperation(written, currentRow, currentColumn);
}

std::vector<int32_t> GridPanel::selectedGridRows() const {
    std::vector<int32_t> rows;
    const CellRange range = selectedCells();
    const bool oneCell = rangeShape == RangeShape::Cells && range.rowCount() <= 1 && range.columnCount() <= 1;
    if (!oneCell || markedRows.empty()) {
        // A single cell selects its row, unless rows were marked beside it.
        const int32_t first = oneCell ? currentRow : range.firstRow;
        const int32_t last = oneCell ? currentRow : range.lastRow;
        if (!range.empty() || oneCell) {
            rows.reserve(static_cast<size_t>(std::max<int64_t>(int64_t{last} - first + 1, 0)));
            for (int32_t row = first; row <= last && row >= 0; ++row) {
                rows.push_back(row);
                if (row == INT32_MAX) {
                    break;
                }
            }
        }
    }
    if (!markedRows.empty()) {
        rows.insert(rows.end(), markedRows.begin(), markedRows.end());
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    }
    return rows;
}

bool GridPanel::selectedGridRowsContain(int32_t gridRow) const {
    const CellRange range = selectedCells();
    const bool oneCell = rangeShape == RangeShape::Cells && range.rowCount() <= 1 && range.columnCount() <= 1;
    return rowIsMarked(gridRow) || (!oneCell && range.containsRow(gridRow)) ||
           (markedRows.empty() && gridRow == currentRow);
}

bool GridPanel::replaceDocument(const std::string& text, const std::vector<uint64_t>* starts) {
    const HWND view = currentView(editorWindows());
    if (view == nullptr) {
        return false;
    }
    const uint64_t length = documentLength(view).value_or(0);
    // Bookmarks follow their records; the lines outside the stretch that changes keep theirs
    // and are not marked as changed by the host.
    const std::vector<RecordBookmark> marks =
        starts != nullptr ? recordBookmarks(view, table.rows) : std::vector<RecordBookmark>();
    uint64_t from = 0;
    uint64_t to = length;
    std::string_view put = text;
    const std::optional<std::string_view> now = viewText(view);
    const RowList& rows = table.rows;
    if (now && now->size() == length) {
        const SharedEnds same = sharedEnds(*now, text);
        from = same.front;
        to = length - same.back;
        put = put.substr(static_cast<size_t>(same.front), static_cast<size_t>(text.size() - same.front - same.back));
        // A change from the first line to the last is the whole text to the editor, which
        // replaces a whole text far faster than all of it but a few bytes. No change stays none.
        const bool changes = from < to || !put.empty();
        const bool fromFirstLine = rows.size() < 2 || from < rows.start(1);
        const bool toLastLine = rows.empty() || to > rows.start(rows.size() - 1);
        // A sep= line before the records stays out of it, unless the change is in the line.
        const uint64_t lead = rows.lead().size();
        if (changes && fromFirstLine && toLastLine) {
            from = from < lead ? 0 : lead;
            to = length;
            put = std::string_view(text).substr(static_cast<size_t>(std::min<uint64_t>(from, text.size())));
        }
    }
    bool written = true;
    if (from < to || !put.empty()) {
        const UndoAction undo(view);
        written = replaceRange(editorWindows(), from, to, put, panelIsWriting);
    }
    table.parsedLength = written ? text.size() : UINT64_MAX;
    if (written && !marks.empty()) {
        placeBookmarks(view, marks, *starts);
    }
    return written;
}

bool GridPanel::writeEdits(const std::vector<ByteRange>& edits) {
    const HWND view = currentView(editorWindows());
    const std::optional<uint64_t> before = documentLength(view);
    if (view == nullptr || !before) {
        return false;
    }
    int64_t growth = 0;
    bool written = true;
    {
        const UndoAction undo(view);
        for (const ByteRange& edit : edits) {
            if (!replaceRange(editorWindows(), edit.from, edit.to, edit.text, panelIsWriting)) {
                written = false;
                break;  // the document is not what the next offsets assume any more
            }
            growth += static_cast<int64_t>(edit.text.size()) - static_cast<int64_t>(edit.to - edit.from);
        }
    }
    table.parsedLength = written ? static_cast<uint64_t>(static_cast<int64_t>(*before) + growth) : UINT64_MAX;
    return written;
}

// The box is modal: while it is open the host goes on running, and a refresh (a document
// switch, the debounce timer) may rebuild the rows the deletion was computed from.
bool GridPanel::confirmDeletion(const std::wstring& question, const std::vector<RowRun>& runs) {
    const uint64_t generation = refreshGeneration;
    const int answer = showBox(question.c_str(), MB_OKCANCEL | MB_ICONQUESTION);
    return answer == IDOK && ensureDocumentUnchanged(runs) && refreshGeneration == generation;
}

void GridPanel::finishOperation(bool written, int32_t gridRow, int32_t listColumn) {
    refreshGrid(true);
    if (written) {
        selectCell(gridRow, listColumn, true);
    } else {
        showBox(messages::WRITE_FAILED_TEXT, MB_OK | MB_ICONWARNING);
    }
}
