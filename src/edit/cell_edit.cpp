// Writing one cell into the document, and the stale check before every larger write.
//
// Both keep one promise: the panel writes only into a document that still looks as it did when
// its rows were read. When that cannot be kept, the grid is read again and the user told, rather
// than anything written at offsets that no longer hold.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "edit/messages.h"
#include "model/column_edit.h"
#include "model/editor_access.h"
#include "model/row_update.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"

namespace {

using messages::WRITE_FAILED_TEXT;

constexpr wchar_t ROW_CHANGED_TEXT[] =
    L"The document changed outside the grid, so this cell edit was not applied.\r\n"
    L"The view has been refreshed - please make the change again.";
constexpr wchar_t DOCUMENT_CHANGED_TEXT[] =
    L"The document changed outside the grid, so the view has been refreshed.\r\n"
    L"Please repeat the operation.";

}  // namespace

// Writes one value into cell cellIndex of a grid row: the row is regenerated from its cells,
// exactly its old bytes are replaced in one edit (one undo step in the host), and the later rows
// move along without a new scan. True only when the document changed; a stale row or a refused
// write refreshes the grid and tells the user, and an unchanged value does nothing at all.
bool GridPanel::applyCellEdit(int32_t gridRow, uint64_t cellIndex, const std::string& value, bool* stale) {
    if (stale != nullptr) {
        *stale = false;
    }
    if (gridRow == 0 && readyRowShown()) {
        return writeFirstRecord(cellIndex, value);
    }
    return applyRecordEdit(recordOf(gridRow), cellIndex, value, stale);
}

bool GridPanel::applyRecordEdit(uint64_t rowIndex, uint64_t cellIndex, const std::string& value, bool* stale) {
    if (stale != nullptr) {
        *stale = false;
    }
    if (rowIndex >= table.rows.size()) {
        return false;
    }
    // An unchanged value is neither checked nor written, so the host gets no empty undo step.
    if (cellHoldsValue(table.rows[rowIndex], cellIndex, value)) {
        return false;
    }
    if (!rowMatchesDocument(editorWindows(), table.rows[rowIndex])) {
        if (stale != nullptr) {
            *stale = true;
        }
        refreshGrid(true);
        showBox(ROW_CHANGED_TEXT, MB_OK | MB_ICONINFORMATION);
        return false;
    }

    // The table takes the new value only once the document has it: a write that fails leaves
    // the grid showing what the document holds.
    RowReplacement replacement = setRowCell(table, rowIndex, cellIndex, value);
    // A last row without a line ending that becomes empty would be no row at all: it gets the
    // document's line ending, so the grid keeps the row it shows.
    const bool endsEmpty = replacement.text.empty() && table.rows.eol(rowIndex).empty();
    const std::string eol = endsEmpty ? documentEol(editorWindows()) : std::string();
    // The editor gets only the bytes that change, so that an undo points at the cell.
    const std::string text = replacement.text + eol;
    const SharedEnds same = sharedEnds(table.rows.raw(rowIndex), text);
    const std::string_view changed =
        std::string_view(text).substr(static_cast<size_t>(same.front), static_cast<size_t>(text.size() - same.front - same.back));
    if (!replaceRange(editorWindows(), replacement.start + same.front, replacement.end - same.back, changed,
                      panelIsWriting)) {
        refreshGrid(true);
        showBox(WRITE_FAILED_TEXT, MB_OK | MB_ICONWARNING);
        return false;
    }
    commitRowReplacement(table, rowIndex, replacement, eol);
    ++cellWrites;
    noteRowsChanged(rowIndex, rowIndex + 1, rowIndex + 1);

    // The columns are rebuilt only when the widened row changes how many the grid shows.
    const uint64_t shown = std::min(table.maxCells, MAX_GRID_COLUMNS);
    if (shown != shownColumnCount) {
        shownColumnCount = shown;
        columnsCapped = table.maxCells > MAX_GRID_COLUMNS;
        rebuildColumns();
    }
    // Only the written row looks otherwise: the rows around it keep their bytes and their marks
    // (noteRowsChanged repaints every row when the marks of others change too).
    if (const std::optional<uint64_t> shown = gridView.rows.shownRow(rowIndex)) {
        const auto row = static_cast<int32_t>(std::min<uint64_t>(*shown, INT32_MAX));
        invalidateRows(row, row);
    }
    updateStatusLine();
    return true;
}

// The empty row of a grid without data rows becomes a record once a value is typed into it: the
// record, with the empty titles line before it in an empty document with the header row on, is
// added after the document's last byte, which the check compares first.
bool GridPanel::writeFirstRecord(uint64_t cellIndex, const std::string& value) {
    if (value.empty() || !ensureDocumentUnchanged()) {
        return false;
    }
    return writeFirstRecords(cellIndex, {{value}});
}

bool GridPanel::writeFirstRecords(uint64_t firstCell, const std::vector<std::vector<std::string>>& values,
                                  bool asTitles) {
    const TextInsertion insertion = firstRecordsInsertion(table, shownColumnCount, firstCell, values,
                                                          documentEol(editorWindows()), headerRow && !asTitles);
    const bool written =
        replaceRange(editorWindows(), insertion.position, insertion.position, insertion.text, panelIsWriting);
    finishOperation(written, 0, static_cast<int32_t>(std::min<uint64_t>(firstCell, MAX_GRID_COLUMNS - 1)) + 1);
    return written;
}

// The check before a write of more than one cell. A grid switched off for a too large document
// fails it silently; any other failure refreshes the grid and asks the user to repeat the
// operation on what the grid now shows. The length is looked at first, then the bytes: a
// notification is only a hint, since the host makes some edits (a Replace All) without one.
bool GridPanel::ensureDocumentUnchanged(const std::vector<RowRun>& runs) {
    // Nothing is shown to change, and the document is already being read.
    if (fileTooLarge || documentScan != nullptr) {
        return false;
    }
    if (isDocumentUnchanged(editorWindows(), table.parsedLength) && documentHoldsRows(runs)) {
        return true;
    }
    refreshGrid(true);
    showBox(DOCUMENT_CHANGED_TEXT, MB_OK | MB_ICONINFORMATION);
    return false;
}

bool GridPanel::documentHoldsRows(const std::vector<RowRun>& runs) {
    const RowList& rows = table.rows;
    if (runs.empty() || rows.empty()) {
        return documentMatchesRows(editorWindows(), rows);
    }
    for (const RowRun& run : runs) {
        const uint64_t first = std::min(run.first, rows.size() - 1);
        const uint64_t last = std::min(std::max(run.last, first), rows.size() - 1);
        const uint64_t before = first > 0 ? first - 1 : 0;
        const uint64_t after = last + 1 < rows.size() ? last + 1 : last;
        if (!stretchMatchesRows(editorWindows(), rows, rows.start(before), rows.end(after) + rows.eol(after).size())) {
            return false;
        }
    }
    return true;
}
