// Rebuilding the grid from the document, the debounce of outside edits, and the status line.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <string>

#include "model/delimiter_detection.h"
#include "model/editor_access.h"
#include "model/sep_line.h"
#include "model/status_text.h"
#include "panel/control_ids.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"

namespace {

constexpr char QUOTE = '"';

// The first stretch read past the last change when rescanning by changes; it doubles while the
// rescan asks for more.
constexpr uint64_t RESCAN_WINDOW_BYTES = 64 * 1024;

// The list view counts its items in an int.
int listItemCount(uint64_t rows) {
    return static_cast<int>(std::min<uint64_t>(rows, INT_MAX));
}

}  // namespace

// Rebuilds the grid from the current editor view: read, detect, scan, then show the rows.
// keepPosition keeps the current cell and the top row; without it the grid starts at row 0,
// column 1, scrolled to the top. A whole-document scan that one slice does not finish reads on
// across timer ticks, and the rows are shown when it is done.
void GridPanel::refreshGrid(bool keepPosition, bool byChanges) {
    if (panelWindow == nullptr || gridList == nullptr || !hostReady) {
        return;
    }
    // A rebuild never writes what the user is typing; the rows it would replace are gone.
    closeCellEditor();

    // Without a view the grid keeps showing the previous table, still pending if it was.
    const HWND view = currentView(editorWindows());
    if (view == nullptr) {
        return;
    }
    // A scan still reading starts again from this refresh's view and document.
    const bool wasReading = documentScan != nullptr;
    const std::optional<RowChange> viewEdit = std::exchange(viewEditAtReading, std::nullopt);
    keepPosition = keepPosition || (wasReading && documentScan->keepPosition);
    cancelDocumentScan();
    documentCodePage = static_cast<int>(SendMessageW(view, SCI_GETCODEPAGE, 0, 0));

    switch (readIntoTable(view, byChanges, keepPosition, viewEdit)) {
        case ReadResult::TooLarge:
            // A document over the limit is not scanned; the grid is switched off.
            fileTooLarge = true;
            problemFinder.reset();
            table.rows.clear();
            table.maxCells = 0;
            table.parsedLength = 0;
            gridView.rows.reset(table, headerRow);
            showNoRows();
            break;
        case ReadResult::Reading:
            // No rows until the scan is done; the status line shows how far it is.
            fileTooLarge = false;
            showNoRows();
            SetTimer(panelWindow, SCAN_TIMER, USER_TIMER_MINIMUM, nullptr);
            break;
        case ReadResult::Read:
            showTable(keepPosition);
            break;
    }
    ++refreshGeneration;
    putBackSortArrow();
    refreshPending = false;
}

void GridPanel::showNoRows() {
    columnsCapped = false;
    shownColumnCount = 0;
    rebuildColumns();
    updateItemCount();
    enableOperations();
    updateStatusLine();
}

void GridPanel::showTable(bool keepPosition) {
    fileTooLarge = false;
    int32_t topRow = 0;
    int32_t row = 0;
    int32_t column = 1;
    if (keepPosition) {
        topRow = static_cast<int32_t>(SendMessageW(gridList, LVM_GETTOPINDEX, 0, 0));
        row = currentRow;
        column = currentColumn;
    }

    columnsCapped = table.maxCells > MAX_GRID_COLUMNS;
    // An empty document shows one column, with an empty title and the ready row to type into.
    shownColumnCount = std::max<uint64_t>(std::min(table.maxCells, MAX_GRID_COLUMNS), 1);
    rebuildColumns();
    updateItemCount();

    const int32_t rows = listItemCount(shownRowCount());
    const int32_t columns = static_cast<int32_t>(shownColumnCount);
    if (row >= rows) {
        row = rows > 0 ? rows - 1 : 0;
    }
    if (row < 0) {
        row = 0;
    }
    if (column > columns) {
        column = columns;
    }
    if (column <= 0 && columns >= 1) {
        column = 1;
    }
    currentRow = row;
    currentColumn = column;
    // A document shown again as it was left: its widths, current cell and top row.
    int32_t restoredTop = -1;
    if (pendingView) {
        const DocumentView view = std::move(*pendingView);
        pendingView.reset();
        restoredTop = restoreViewPlaces(view, rows);
    }
    viewShown = true;
    // A refresh that keeps its position keeps the range, cut to what the grid still has;
    // one from the top leaves the current cell alone selected.
    if (keepPosition && rows > 0) {
        anchorRow = std::clamp(anchorRow, 0, rows - 1);
        anchorColumn = std::clamp(anchorColumn, 0, std::max(columns, 0));
        markedRows.erase(std::lower_bound(markedRows.begin(), markedRows.end(), rows), markedRows.end());
    } else {
        anchorRow = currentRow;
        anchorColumn = currentColumn;
        rangeShape = RangeShape::Cells;
        markedRows.clear();
    }

    if (rows > 0) {
        LVITEMW state{};
        state.stateMask = LVIS_FOCUSED;
        state.state = LVIS_FOCUSED;
        SendMessageW(gridList, LVM_SETITEMSTATE, static_cast<WPARAM>(currentRow), reinterpret_cast<LPARAM>(&state));
        if (restoredTop >= 0) {
            topRow = restoredTop;
        }
        if ((keepPosition || restoredTop >= 0) && topRow > 0 && topRow < rows) {
            // Showing the row a page below first and then the old top row scrolls that
            // row back to the top of the list.
            int32_t perPage = static_cast<int32_t>(SendMessageW(gridList, LVM_GETCOUNTPERPAGE, 0, 0));
            if (perPage <= 0) {
                perPage = 1;
            }
            const int32_t below = static_cast<int32_t>(std::min<int64_t>(int64_t{topRow} + perPage, rows) - 1);
            SendMessageW(gridList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(below), FALSE);
            SendMessageW(gridList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(topRow), FALSE);
        }
        // The rows in view stay in view: only a refresh from the top shows the current row
        // (an operation scrolls to the cell it selects afterwards).
        if (!keepPosition && restoredTop < 0) {
            SendMessageW(gridList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(currentRow), FALSE);
        }
    }
    enableOperations();
    updateStatusLine();
    showUndoneChange();
}

// After an undo or redo the first cell it changed is current, scrolled into view (a change in
// the header record shows the first row).
void GridPanel::showUndoneChange() {
    if (!undoneAt) {
        return;
    }
    const std::optional<RowCell> held = cellHolding(table.rows, *undoneAt);
    undoneAt.reset();
    if (!held || gridRowCount() == 0 || shownColumnCount == 0) {
        return;
    }
    const uint64_t gridRow = gridView.rows.shownRowAtOrAfter(held->row).value_or(0);
    const uint64_t column = std::min<uint64_t>(held->cell + 1, shownColumnCount);
    selectCell(static_cast<int32_t>(std::min<uint64_t>(gridRow, INT32_MAX)), static_cast<int32_t>(column), true);
}

// Over the size limit, or while the document is being read, the grid shows nothing, so nothing
// that edits it can work: those buttons are off, and the status line says why.
// A button changed draws itself with the next paint rather than at once, as it does under Wine
// when it is enabled: the panel, shown or changed, is mostly about to be painted anyway.
void GridPanel::enableOperations() {
    if (panelWindow == nullptr) {
        return;
    }
    const bool off = fileTooLarge || documentScan != nullptr;
    for (const int id : {IDC_ADD_ROW, IDC_DELETE_ROW, IDC_ADD_COLUMN, IDC_DELETE_COLUMN, IDC_FIT}) {
        const HWND button = GetDlgItem(panelWindow, id);
        if (button == nullptr || (IsWindowEnabled(button) == FALSE) == off) {
            continue;
        }
        // (Drawing is turned back on by making the button visible: a hidden one is left as is.)
        const bool shown = (GetWindowLongPtrW(button, GWL_STYLE) & WS_VISIBLE) != 0;
        if (shown) {
            SendMessageW(button, WM_SETREDRAW, FALSE, 0);
        }
        EnableWindow(button, off ? FALSE : TRUE);
        if (shown) {
            SendMessageW(button, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(button, nullptr, TRUE);
        }
    }
}

GridPanel::ReadResult GridPanel::readIntoTable(HWND view, bool byChanges, bool keepPosition,
                                               const std::optional<RowChange>& viewEdit) {
    const uint64_t length = documentLength(view).value_or(0);
    if (length > maxFileBytes) {
        outsideChanges = ChangedRange();
        changedView = nullptr;
        return ReadResult::TooLarge;
    }
    const bool rescanned = byChanges && rescanOutsideChanges(view, length);
    outsideChanges = ChangedRange();
    changedView = nullptr;
    if (rescanned) {
        return ReadResult::Read;
    }
    const std::string_view text = viewText(view, maxFileBytes).value_or(std::string_view());
    // A sep= line names the document's delimiter, which the reading takes from it; nothing is
    // detected, and the choices stay as they are.
    if (autoDelimiter && !findSepLine(text, QUOTE)) {
        if (const char detected = detectDelimiter(text); detected != 0) {
            delimiter = detected;
            // The last delimiter detected is the fallback the settings file keeps.
            defaultDelimiter = detected;
        }
    }
    // The scan reads into a table of its own, which takes over the storage of the rows held.
    documentScan = std::make_unique<DocumentReading>(view, std::move(table), text.size(), delimiter, QUOTE,
                                                     keepPosition, viewEdit);
    table = CsvTable();
    table.parsedLength = UINT64_MAX;
    // The view stays as it was until the reading is done, so that it can follow the edit that
    // began the reading; meanwhile it describes no table, and the grid shows no rows.
    // A larger document is read from the first tick on, so that the command that asked for it
    // (opening the panel, say) does not also hold the host for a slice.
    if (text.size() > SCAN_AT_ONCE_BYTES) {
        return ReadResult::Reading;
    }
    if (continueDocumentScan()) {
        finishDocumentScan();
        return ReadResult::Read;
    }
    // (A scan dropped at once leaves the table empty and stale.)
    return documentScan == nullptr ? ReadResult::Read : ReadResult::Reading;
}

bool GridPanel::continueDocumentScan() {
    DocumentReading& reading = *documentScan;
    // Nothing runs during a slice that could change the document; between slices the edits
    // are told (and drop the scan), but the text may have moved in memory.
    const std::optional<std::string_view> text = viewText(reading.view, maxFileBytes);
    if (!text || text->size() != reading.scan.length()) {
        cancelDocumentScan();
        return false;
    }
    // A step is begun only when one as long as the last would still end before the deadline:
    // a slice that ran past it by a step held the host's loop that much longer.
    auto stepStart = std::chrono::steady_clock::now();
    const auto deadline = stepStart + std::chrono::milliseconds(SCAN_SLICE_MS);
    const uint64_t sliceEnd = reading.scan.position() + SCAN_SLICE_BYTES;
    try {
        std::chrono::steady_clock::duration lastStep{};
        do {
            reading.scan.step(*text, std::min(reading.scan.position() + SCAN_STEP_BYTES, sliceEnd));
            const auto stepEnd = std::chrono::steady_clock::now();
            lastStep = stepEnd - stepStart;
            stepStart = stepEnd;
        } while (!reading.scan.done() && reading.scan.position() < sliceEnd && stepStart + lastStep < deadline);
    } catch (...) {
        // The table stays empty and stale, as after any scan that ran out of memory.
        cancelDocumentScan();
        throw;
    }
    return reading.scan.done();
}

void GridPanel::finishDocumentScan() {
    table = std::move(documentScan->table);
    const std::optional<RowChange> viewEdit = documentScan->viewEdit;
    documentScan.reset();
    syncViewAfterReading(viewEdit);
    KillTimer(panelWindow, SCAN_TIMER);
    startFindingProblems();
}

void GridPanel::cancelDocumentScan() {
    if (documentScan == nullptr) {
        return;
    }
    documentScan.reset();
    if (panelWindow != nullptr) {
        KillTimer(panelWindow, SCAN_TIMER);
    }
    table = CsvTable();
    table.parsedLength = UINT64_MAX;
    gridView.rows.reset(table, headerRow);
    problemFinder.reset();
}

bool GridPanel::onScanTimer(UINT_PTR timerId) {
    if (timerId != SCAN_TIMER) {
        return false;
    }
    if (documentScan == nullptr) {
        KillTimer(panelWindow, SCAN_TIMER);
        return true;
    }
    const bool keepPosition = documentScan->keepPosition;
    if (documentScan->scan.done()) {
        // Read to its end on the tick before: no tick both reads a slice and shows the rows.
        // A sort's arrow outlives the reading its own write began; any other refresh since
        // would have begun a reading of its own.
        const SortArrow arrow = sortArrow;
        const bool arrowOfThisReading = sortArrowShown();
        finishDocumentScan();
        showTable(keepPosition);
        ++refreshGeneration;
        putBackSortArrow();
        if (arrowOfThisReading) {
            sortArrow = arrow;
            sortArrow.generation = refreshGeneration;
            updateSortArrow();
        }
        return true;
    }
    // Slice after slice while nothing waits for the host's loop: a tick's wait is time lost when
    // nobody is typing. Input, a sent or posted message or a paint that comes ends the run after
    // the slice under way; the status line's progress is painted every STATUS_EVERY.
    constexpr auto STATUS_EVERY = std::chrono::milliseconds(100);
    auto lastStatus = std::chrono::steady_clock::now();
    continueDocumentScan();
    while (documentScan != nullptr && !documentScan->scan.done() &&
           HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT)) == 0) {
        if (std::chrono::steady_clock::now() - lastStatus >= STATUS_EVERY) {
            updateStatusLine();
            lastStatus = std::chrono::steady_clock::now();
            continue;  // the paint it asks for is waiting now
        }
        continueDocumentScan();
    }
    if (documentScan == nullptr) {
        // The document is not the one the scan began on: read it afresh.
        refreshGrid(keepPosition);
    } else {
        updateStatusLine();
    }
    return true;
}

// Whether the table's last row ends the document of the given length and its bytes stand
// where the table puts them.
bool GridPanel::lastRowStandsAt(HWND view, uint64_t length) const {
    const uint64_t r = table.rows.size() - 1;
    const std::string_view raw = table.rows.raw(r);
    const uint64_t start = table.rows.start(r);
    if (start + raw.size() + table.rows.eol(r).size() != length) {
        return false;
    }
    const char* bytes = rangePointer(view, start, raw.size());
    return raw.empty() || (bytes != nullptr && std::memcmp(bytes, raw.data(), raw.size()) == 0);
}

bool GridPanel::rescanOutsideChanges(HWND view, uint64_t length) {
    if (view != changedView || !outsideChanges.followed || outsideChanges.empty || table.rows.empty()) {
        return false;
    }
    // A full scan would detect the delimiter afresh: only a rescan with the same one holds.
    // With a sep= line the line names it; an edit of the line makes the rescan refuse.
    const bool sepLine = sepLineOf(table).has_value();
    char wanted = sepLine ? table.delimiter : delimiter;
    if (autoDelimiter && !sepLine) {
        const uint64_t headLength = std::min(length, DETECTION_HEAD_BYTES);
        const char* head = rangePointer(view, 0, headLength);
        if (head == nullptr && headLength != 0) {
            return false;
        }
        if (const char detected = detectDelimiter(std::string_view(head, headLength)); detected != 0) {
            wanted = detected;
        }
    }
    if (wanted != table.delimiter) {
        return false;
    }

    const uint64_t start = rescanStart(table, outsideChanges);
    if (start > length || outsideChanges.end < start) {
        return false;
    }
    ReplacedRows replaced;
    for (uint64_t extra = RESCAN_WINDOW_BYTES;; extra *= 2) {
        const uint64_t windowLength = std::min(length - start, outsideChanges.end - start + extra);
        const char* window = rangePointer(view, start, windowLength);
        if (window == nullptr && windowLength != 0) {
            return false;
        }
        const RescanResult result = rescanChangedRange(std::string_view(window, windowLength), start, length,
                                                       outsideChanges, table, &replaced);
        if (result == RescanResult::NotSafe) {
            return false;
        }
        if (result == RescanResult::Done) {
            break;
        }
        if (windowLength == length - start) {
            return false;  // the whole rest was read and still more is asked for
        }
    }
    // An edit that was never reported would show in the last row, which every change of length
    // moves: its bytes must stand where the table now puts them.
    // (A rescan that took every row away leaves an empty document, whose length says it all.)
    if (table.rows.empty() ? length != 0 : !lastRowStandsAt(view, length)) {
        return false;
    }
    if (!sepLine) {
        delimiter = wanted;
        if (autoDelimiter) {
            defaultDelimiter = wanted;
        }
    }
    noteRowsChanged(replaced.first, replaced.oldLast, replaced.newLast, true);
    return true;
}

// Gives the virtual list its row count and repaints it. The count keeps the scroll position:
// texts are asked for on demand, so the count is all the list holds.
void GridPanel::updateItemCount() {
    if (gridList == nullptr) {
        return;
    }
    // The list's own work for a new count may grow with the count; the same count is not
    // given again, so typing in a cell of a large document costs the list a repaint only.
    const int count = listItemCount(shownRowCount());
    if (SendMessageW(gridList, LVM_GETITEMCOUNT, 0, 0) != count) {
        SendMessageW(gridList, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    }
    InvalidateRect(gridList, nullptr, TRUE);
}

// Writes the row and column counts, the delimiter and the current cell into the status line,
// or the notice that the document is too large.
void GridPanel::updateStatusLine() {
    const HWND status = panelWindow != nullptr ? GetDlgItem(panelWindow, IDC_STATUS) : nullptr;
    if (status == nullptr) {
        return;
    }
    std::wstring text;
    if (fileTooLarge) {
        text = tooLargeStatusText(maxFileBytes);
    } else if (documentScan != nullptr) {
        text = readingStatusText(documentScan->scan.position(), documentScan->scan.length());
    } else {
        GridStatus shown;
        shown.rowCount = gridRowCount();
        if (gridRows().listed != nullptr) {
            shown.filteredFrom = gridView.rows.recordCount();
        }
        shown.columnCount = shownColumnCount;
        shown.capped = columnsCapped;
        shown.delimiter = sepLineOf(table) ? table.delimiter : delimiter;
        // The current row by the number its row shows: its record's own.
        shown.currentRow = static_cast<int64_t>(rowNumber(currentRow)) - 1;
        shown.currentColumn = currentColumn;
        if (!singleCellSelected()) {
            const CellRange range = selectedCells();
            shown.selectedColumns = static_cast<uint64_t>(range.columnCount());
            shown.selectedRows = markedRows.empty() ? static_cast<uint64_t>(range.rowCount())
                                                    : selectedGridRows().size();
            if (!markedRows.empty()) {
                shown.selectedColumns = shownColumnCount;
            }
            shown.figures = selectionFiguresNote();
        }
        if (problemFinder.count() > 0) {
            shown.problems = problemCountText(problemFinder.count());
        }
        shown.note = hoveredProblemRow >= 0 ? problemNote(hoveredProblemRow) : findStatusNote();
        if (filterRun != nullptr) {
            const uint64_t toRead = std::max<uint64_t>(filterRun->rowsToRead(), 1);
            shown.note = L"filtering\u2026 " + std::to_wstring(filterRun->rowsRead() * 100 / toRead) + L"%";
        }
        text = gridStatusText(shown);
    }
    // The same text again is not set: background work that changed nothing shown leaves the
    // line alone. The line holds only what is set here, so the text last set is what it shows.
    if (statusShown && *statusShown == text) {
        return;
    }
    SetWindowTextW(status, text.c_str());
    statusShown = std::move(text);
}

// An edit reached the document from outside the panel. The rows no longer describe it, so the
// stamp is spoiled until the next scan, and the refresh is put off until the edits pause: every
// edit restarts the timer's full delay. A hidden panel is refreshed when it is shown instead.
void GridPanel::onDocumentModified(HWND from, int modificationType, intptr_t position, intptr_t length) {
    if (panelIsWriting) {
        // The panel keeps its rows in step with its own writes, but not with a stretch of
        // outside edits noted before: their positions no longer hold.
        if (!outsideChanges.empty) {
            stopFollowing(outsideChanges);
        }
        return;
    }
    cancelDocumentScan();
    findNote.text.clear();  // what a find or Replace all said is not true any more
    const bool visible = panelWindow != nullptr && IsWindowVisible(panelWindow);
    // A change before the first one an undo or redo made so far is the new first one; later
    // changes do not move it.
    if (visible && position >= 0 && (modificationType & (SC_PERFORMED_UNDO | SC_PERFORMED_REDO)) != 0) {
        undoneAt = std::min(undoneAt.value_or(UINT64_MAX), static_cast<uint64_t>(position));
    }
    if (!visible || position < 0 || length < 0 || (changedView != nullptr && from != changedView)) {
        // Unseen edits, or edits in two views (one document shown twice tells each edit twice).
        stopFollowing(outsideChanges);
    } else {
        changedView = from;
        if ((modificationType & SC_MOD_INSERTTEXT) != 0) {
            noteInsertion(outsideChanges, static_cast<uint64_t>(position), static_cast<uint64_t>(length));
        } else {
            noteDeletion(outsideChanges, static_cast<uint64_t>(position), static_cast<uint64_t>(length));
        }
    }
    scheduleRefreshAfterEdit();
}

void GridPanel::onDocumentModified() {
    if (!panelIsWriting) {
        cancelDocumentScan();
        stopFollowing(outsideChanges);
        findNote.text.clear();  // what a find or Replace all said is not true any more
    }
    scheduleRefreshAfterEdit();
}

void GridPanel::scheduleRefreshAfterEdit() {
    if (panelIsWriting) {
        return;
    }
    if (panelWindow == nullptr || !IsWindowVisible(panelWindow)) {
        return;
    }
    table.parsedLength = UINT64_MAX;
    refreshPending = true;
    SetTimer(panelWindow, REFRESH_TIMER, REFRESH_DELAY_MS, nullptr);
}

// The debounce timer: only REFRESH_TIMER is ours, and it fires once per arming. While the user
// is typing in a cell editor the refresh waits, since it would close the editor.
bool GridPanel::onRefreshTimer(UINT_PTR timerId) {
    if (timerId != REFRESH_TIMER) {
        return false;
    }
    KillTimer(panelWindow, REFRESH_TIMER);
    if (!refreshPending) {
        return true;
    }
    if (cellEditor != nullptr) {
        SetTimer(panelWindow, REFRESH_TIMER, REFRESH_DELAY_MS, nullptr);
        return true;
    }
    refreshGrid(true, true);
    return true;
}

bool GridPanel::onWatchTimer(UINT_PTR timerId) {
    if (timerId != WATCH_TIMER) {
        return false;
    }
    if (panelWindow == nullptr || !IsWindowVisible(panelWindow) || cellEditor != nullptr || panelIsWriting) {
        return true;
    }
    const HWND view = currentView(editorWindows());
    if (view != nullptr && static_cast<int>(SendMessageW(view, SCI_GETCODEPAGE, 0, 0)) != documentCodePage) {
        refreshGrid(true);
    }
    return true;
}
