// Copying cells and rows to the clipboard, and pasting a value or a block from it.
//
// Fields that hold a tab, a line break or a leading quote travel quoted, as spreadsheet
// programs write and read them. Ctrl+C puts the plain value on the clipboard for other
// programs and the quoted form under the panel's own format beside it, which a paste prefers:
// so a cell with a line break copied and pasted inside the grid stays one cell.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "edit/messages.h"
#include "model/cell_text.h"
#include "model/clipboard_text.h"
#include "model/copy_formats.h"
#include "model/editor_access.h"
#include "model/row_edits.h"
#include "model/row_text.h"
#include "panel/grid_panel.h"

namespace {

constexpr wchar_t QUOTED_CELLS_FORMAT[] = L"Tabulon quoted cells";

// The panel's own clipboard format, registered once; 0 when the system refused it.
UINT quotedCellsFormat() {
    static const UINT format = RegisterClipboardFormatW(QUOTED_CELLS_FORMAT);
    return format;
}

// Hands text with its terminating zero to the open clipboard under the format. On success
// the clipboard owns the memory.
bool putClipboardText(UINT format, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory) == nullptr) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

// The open clipboard's text under the format, up to its first zero character; none when
// it has none. A text without its zero ends where the memory block does.
std::optional<std::wstring> clipboardText(UINT format) {
    const HANDLE data = GetClipboardData(format);
    if (data == nullptr) {
        return std::nullopt;
    }
    const auto* characters = static_cast<const wchar_t*>(GlobalLock(data));
    if (characters == nullptr) {
        return std::nullopt;
    }
    const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
    const size_t length = std::find(characters, characters + capacity, L'\0') - characters;
    std::wstring text(characters, length);
    GlobalUnlock(data);
    return text;
}

}  // namespace

// Puts the current cell, the selected range, or the selected rows as tab-separated lines, on
// the clipboard.
void GridPanel::copyToClipboard(bool rows, bool withTitles) {
    const UINT codePage = static_cast<UINT>(documentCodePage);
    const auto cellText = [&](int32_t gridRow, uint64_t cell) {
        const auto value = cellAt(table, gridRows(), gridRow, cell);
        return value ? decodeCell(*value, codePage) : std::wstring();
    };
    const auto titleText = [&](uint64_t cell) {
        const CsvRow header = table.rows[0];
        return cell < header.cellCount() ? decodeCell(header.cell(cell), codePage) : std::wstring();
    };
    std::wstring plain;
    std::wstring quoted;
    if (!rows && !markedRows.empty()) {
        rows = true;  // rows picked one by one are copied as rows
    }
    const bool titled = headerRow && !table.rows.empty() &&
                        (withTitles || rangeShape == RangeShape::Columns || rangeShape == RangeShape::All);
    if (!rows && !titled && singleCellSelected()) {
        if (currentColumn > 0) {
            plain = cellText(currentRow, static_cast<uint64_t>(currentColumn) - 1);
        }
        appendClipboardField(quoted, plain);
    } else {
        // The cells of the shown columns only: hidden ones are left out.
        std::vector<uint64_t> cells;
        const CellRange range = selectedCells();
        const int64_t firstColumn = rows ? 1 : range.firstColumn;
        const int64_t lastColumn = rows ? static_cast<int64_t>(shownColumnCount) : range.lastColumn;
        for (int64_t c = std::max<int64_t>(firstColumn, 1); c <= lastColumn; ++c) {
            if (!columnHidden(static_cast<int32_t>(c))) {
                cells.push_back(static_cast<uint64_t>(c - 1));
            }
        }
        std::vector<std::vector<std::wstring>> lines;
        if (titled) {
            std::vector<std::wstring>& line = lines.emplace_back();
            for (const uint64_t cell : cells) {
                line.push_back(titleText(cell));
            }
        }
        std::vector<int32_t> gridRows;
        if (rows) {
            gridRows = selectedGridRows();
        } else {
            for (int64_t r = range.firstRow; r <= range.lastRow; ++r) {
                gridRows.push_back(static_cast<int32_t>(r));
            }
        }
        for (const int32_t gridRow : gridRows) {
            std::vector<std::wstring>& line = lines.emplace_back();
            for (const uint64_t cell : cells) {
                line.push_back(cellText(gridRow, cell));
            }
        }
        plain = clipboardRowsText(lines);
        quoted = plain;
    }

    if (!OpenClipboard(panelWindow)) {
        return;
    }
    EmptyClipboard();
    putClipboardText(CF_UNICODETEXT, plain);
    if (const UINT format = quotedCellsFormat(); format != 0) {
        putClipboardText(format, quoted);
    }
    CloseClipboard();
}

// Ctrl+X: the selection goes to the clipboard, then its cells are emptied.
void GridPanel::cutToClipboard() {
    copyToClipboard(false);
    clearSelectedCells();
}

// "Copy as": the selected cells (the whole rows of marked rows) with their titles when the
// header row is on, as one text on the clipboard.
void GridPanel::copyAs(int command) {
    const UINT codePage = static_cast<UINT>(documentCodePage);
    const CellRange range = selectedCells();
    if (range.empty() || readyRowShown()) {
        return;
    }
    std::vector<int32_t> rows;
    if (markedRows.empty()) {
        for (int32_t r = range.firstRow; r <= range.lastRow && r >= 0; ++r) {
            rows.push_back(r);
            if (r == INT32_MAX) {
                break;
            }
        }
    } else {
        rows = selectedGridRows();
    }
    const int32_t firstColumn = markedRows.empty() ? range.firstColumn : 1;
    const int32_t lastColumn = markedRows.empty() ? range.lastColumn : static_cast<int32_t>(shownColumnCount);
    std::vector<std::wstring> titles;
    std::vector<std::wstring> letters;
    for (int32_t c = firstColumn; c <= lastColumn; ++c) {
        if (columnHidden(c)) {
            continue;
        }
        letters.push_back(columnLetters(static_cast<uint64_t>(c) - 1));
        if (headerRow && !table.rows.empty()) {
            const auto title = cellAt(table, false, 0, static_cast<uint64_t>(c) - 1);
            titles.push_back(title ? decodeCell(*title, codePage) : std::wstring());
        }
    }
    TextBlock block;
    for (const int32_t r : rows) {
        std::vector<std::wstring>& line = block.emplace_back();
        for (int32_t c = firstColumn; c <= lastColumn; ++c) {
            if (columnHidden(c)) {
                continue;
            }
            const auto value = cellAt(table, gridRows(), r, static_cast<uint64_t>(c) - 1);
            line.push_back(value ? decodeCell(*value, codePage) : std::wstring());
        }
    }
    const std::wstring text = command == MENU_COPY_AS_MARKDOWN ? markdownTable(titles, letters, block)
                              : command == MENU_COPY_AS_HTML   ? htmlTable(titles, block)
                                                               : jsonRecords(titles, block);
    if (!OpenClipboard(panelWindow)) {
        return;
    }
    EmptyClipboard();
    putClipboardText(CF_UNICODETEXT, text);
    CloseClipboard();
}

// Pastes the clipboard's text at the selection's top-left cell: a block with its top-left
// corner there, adding rows when it runs past the last one; a single value into the current
// cell, or into every cell of a selected range. Nothing is written when a pasted character has
// no place in the document's code page.
void GridPanel::pasteFromClipboard() {
    const CellRange range = selectedCells();
    if (range.empty() || (table.rows.empty() && !readyRowShown()) || !ensureDocumentUnchanged()) {
        return;
    }
    const UINT ownFormat = quotedCellsFormat();
    const bool hasOwn = ownFormat != 0 && IsClipboardFormatAvailable(ownFormat);
    if (!hasOwn && !IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        return;
    }
    if (!OpenClipboard(panelWindow)) {
        return;
    }
    std::optional<std::wstring> text;
    if (hasOwn) {
        text = clipboardText(ownFormat);
    }
    if (!text) {
        text = clipboardText(CF_UNICODETEXT);
    }
    CloseClipboard();
    if (!text || text->empty()) {
        return;
    }

    const PasteBlock block = parsePasteBlock(*text);
    const UINT codePage = static_cast<UINT>(documentCodePage);
    std::vector<std::vector<std::string>> values;
    values.reserve(block.lines.size());
    for (const std::vector<std::wstring>& line : block.lines) {
        std::vector<std::string>& encoded = values.emplace_back();
        encoded.reserve(line.size());
        for (const std::wstring& field : line) {
            bool lossy = false;
            encoded.push_back(encodeCell(field, codePage, &lossy));
            if (lossy) {
                showBox(messages::UNSTORABLE_CHARACTERS_TEXT, MB_OK | MB_ICONWARNING);
                return;
            }
        }
    }

    if (block.isSingleValue() && singleCellSelected()) {
        if (currentColumn > 0) {
            applyCellEdit(currentRow, static_cast<uint64_t>(currentColumn) - 1, values.front().front());
        }
        return;
    }
    if (block.isSingleValue()) {
        // One value fills the range.
        const std::string value = values.front().front();
        values.assign(static_cast<size_t>(range.rowCount()),
                      std::vector<std::string>(static_cast<size_t>(range.columnCount()), value));
    } else if (!hiddenCellIndexes().empty() && range.firstColumn >= 1) {
        // The block's columns go to the shown columns, passing over hidden ones, which the
        // write leaves alone.
        for (std::vector<std::string>& line : values) {
            std::vector<std::string> spread;
            int32_t column = range.firstColumn;
            for (std::string& value : line) {
                while (columnHidden(column)) {
                    spread.emplace_back();
                    ++column;
                }
                spread.push_back(std::move(value));
                ++column;
            }
            line = std::move(spread);
        }
    }
    const Selection kept = selection();
    bool written = false;
    if (readyRowShown()) {
        // Into the empty row of a grid without data rows: the block's lines become the first
        // records.
        written = writeFirstRecords(static_cast<uint64_t>(std::max(range.firstColumn, 1)) - 1, values);
    } else {
        written = writeCellBlock(range.firstRow, static_cast<uint64_t>(range.firstColumn) - 1, values, false);
        finishOperation(written, range.firstRow, range.firstColumn);
    }
    if (written && block.isSingleValue()) {
        restoreSelection(kept);
    } else if (written) {
        // The pasted block is selected, the current cell at its top-left corner.
        size_t width = 1;
        for (const std::vector<std::string>& line : values) {
            width = std::max(width, line.size());
        }
        restoreSelection(Selection{range.firstRow + static_cast<int32_t>(values.size()) - 1,
                                   range.firstColumn + static_cast<int32_t>(width) - 1, range.firstRow,
                                   range.firstColumn, RangeShape::Cells});
    }
}

// Delete on a selection: a single cell through its own edit, a range by writing the rows it
// changes, in one undo step that takes it all back. The range stays selected.
void GridPanel::clearSelectedCells() {
    if (singleCellSelected() && markedRows.empty()) {
        clearCurrentCell();
        return;
    }
    // The ready row of a grid without data rows is no record: nothing to clear.
    if (table.rows.empty() || readyRowShown() || !ensureDocumentUnchanged()) {
        return;
    }
    const Selection kept = selection();
    const std::vector<int32_t> marked = markedRows;
    bool written = false;
    if (!marked.empty()) {
        // Marked rows are cleared whole, each on its own, from the last up, so that the writes
        // gathered for a row stand where the rows above it say.
        written = true;
        std::vector<std::vector<std::string>> blank(1, std::vector<std::string>(static_cast<size_t>(shownColumnCount)));
        std::vector<ByteRange> pending;
        const std::vector<int32_t> rows = selectedGridRows();
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            written = writeCellBlock(*row, 0, blank, true, &pending) && written;
        }
        written = written && writeEdits(pending);
    } else {
        const CellRange range = selectedCells();
        const std::vector<std::vector<std::string>> blank(
            static_cast<size_t>(range.rowCount()), std::vector<std::string>(static_cast<size_t>(range.columnCount())));
        written = writeCellBlock(range.firstRow, static_cast<uint64_t>(range.firstColumn) - 1, blank, true);
    }
    finishOperation(written, kept.row, kept.column);
    if (written) {
        restoreSelection(kept);
        markedRows = marked;
    }
}

// Puts the values into the row model, a block with its top-left corner at a grid row and cell,
// and writes the rows it changed, each from its first to its last changed byte (or leaves the
// writes to the caller). Rows the block runs past the end are
// added, each ending with the document's line ending; the old last row gains one if it had
// none. A pasted block regenerates every row it reaches whole from its cells, as a cell edit
// does, short rows padded up to it. Clearing regenerates only the rows it changes: an empty
// value past a row's end changes nothing.
bool GridPanel::writeCellBlock(int32_t firstGridRow, uint64_t firstCell,
                               const std::vector<std::vector<std::string>>& values, bool clearing,
                               std::vector<ByteRange>* pending) {
    // The rows written stay in view when the grid reads the document after the write.
    viewEditAtReading = RowChange{};
    if (gridRows().listed == nullptr) {
        return writeRecordBlock(recordOf(firstGridRow), firstCell, values, clearing, pending);
    }
    // A filtered grid: the block's lines go to the shown rows from firstGridRow down, lines past
    // the last shown row to new records after the document's last. Each run of consecutive
    // records is written as a block, the last run first, so that the places of the runs before
    // it still hold; the writes make one undo step.
    struct Run {
        uint64_t record;
        size_t line;
    };
    std::vector<Run> runs;
    for (size_t k = 0; k < values.size(); ++k) {
        const uint64_t record = recordOf(static_cast<int32_t>(std::min<int64_t>(int64_t{firstGridRow} + static_cast<int64_t>(k), INT32_MAX)));
        if (record == ~uint64_t(0)) {
            return false;
        }
        if (runs.empty() || runs.back().record + (k - runs.back().line) != record) {
            runs.push_back(Run{record, k});
        }
    }
    std::vector<ByteRange> edits;
    for (size_t i = runs.size(); i-- > 0;) {
        const size_t end = i + 1 < runs.size() ? runs[i + 1].line : values.size();
        const std::vector<std::vector<std::string>> lines(values.begin() + static_cast<std::ptrdiff_t>(runs[i].line),
                                                          values.begin() + static_cast<std::ptrdiff_t>(end));
        if (!writeRecordBlock(runs[i].record, firstCell, lines, clearing, &edits)) {
            return false;
        }
    }
    if (pending != nullptr) {
        pending->insert(pending->end(), std::make_move_iterator(edits.begin()), std::make_move_iterator(edits.end()));
        return true;
    }
    return writeEdits(edits);
}

bool GridPanel::writeRecordBlock(uint64_t firstRow, uint64_t firstCell,
                                 const std::vector<std::vector<std::string>>& values, bool clearing,
                                 std::vector<ByteRange>* pending) {
    if (firstRow > table.rows.size() || table.rows.empty()) {
        return false;
    }
    const std::string eol = documentEol(editorWindows());
    const uint64_t rowsNeeded = firstRow + values.size();
    const uint64_t existing = table.rows.size();
    // The rows the block reaches, decoded, and from the old last row on when the block runs
    // past it; they go back into the table in one change.
    const uint64_t from = std::min(firstRow, existing - 1);
    const uint64_t to = std::min(rowsNeeded, existing);
    std::vector<CsvRow> block;
    block.reserve(static_cast<size_t>(std::max(rowsNeeded, existing) - from));
    for (uint64_t r = from; r < to; ++r) {
        block.push_back(table.rows[r]);
    }
    while (from + block.size() < rowsNeeded) {
        if (block.back().eolLength() == 0) {
            block.back().setEol(eol);
        }
        CsvRow added;
        added.setEol(eol);
        added.setCells(std::vector<std::string>(static_cast<size_t>(std::max<uint64_t>(shownColumnCount, 1))));
        rebuildRowText(added, table.delimiter, table.quote);
        block.push_back(std::move(added));
    }
    // A paste past the last column of a rectangular table widens every record, in the same
    // step: the rows it writes are padded here, the others get their empty cells at their end.
    uint64_t pastedWidth = 0;
    for (const std::vector<std::string>& line : values) {
        pastedWidth = std::max<uint64_t>(pastedWidth, firstCell + line.size());
    }
    // The rows the block writes are padded even when it writes every record. A filtered grid
    // widens no record it does not show.
    const uint64_t padTo = clearing || gridRows().listed != nullptr ? 0 : widenedWidth(table.rows, pastedWidth);
    std::vector<std::pair<uint64_t, std::string>> widened;
    if (padTo > 0) {
        widened = widenedRows(table.rows, pastedWidth, table.delimiter, from, to);
    }
    for (size_t k = 0; padTo > 0 && k < block.size(); ++k) {
        CsvRow& row = block[k];
        const bool reached = from + k >= firstRow && from + k < rowsNeeded;
        if (!reached && row.cellCount() < padTo) {
            // A row the block does not reach keeps its bytes, with the empty cells after them.
            row.assignText(std::string(row.raw()) + std::string(padTo - row.cellCount(), table.delimiter),
                           table.delimiter, table.quote);
        }
    }

    uint64_t widest = 0;
    for (size_t k = 0; k < values.size(); ++k) {
        CsvRow& row = block[static_cast<size_t>(firstRow + k - from)];
        std::vector<std::string> cells = row.cells();
        if (cells.size() < padTo) {
            cells.resize(static_cast<size_t>(padTo));
        }
        bool changed = !clearing;
        for (size_t i = 0; i < values[k].size(); ++i) {
            const size_t j = static_cast<size_t>(firstCell + i);
            if (clearing && (j < cells.size() ? cells[j] == values[k][i] : values[k][i].empty())) {
                continue;
            }
            if (gridView.columns.isHidden(j)) {
                continue;  // a block written over a range leaves hidden cells alone
            }
            if (cells.size() <= j) {
                cells.resize(j + 1);
            }
            cells[j] = values[k][i];
            changed = true;
        }
        if (changed) {
            row.setCells(cells);
            rebuildRowText(row, table.delimiter, table.quote);
        }
        widest = std::max<uint64_t>(widest, row.cellCount());
    }
    // What the document gets: each row the block changed from its first to its last changed
    // byte, the rows past the old last one after it.
    std::vector<std::pair<uint64_t, std::string>> changed;
    std::string appended;
    for (uint64_t r = from; r < from + block.size(); ++r) {
        const CsvRow& row = block[static_cast<size_t>(r - from)];
        std::string bytes = std::string(row.raw()) + std::string(row.eol());
        if (r < to) {
            changed.emplace_back(r, std::move(bytes));
        } else {
            appended += bytes;
        }
    }
    if (!widened.empty()) {
        changed.insert(changed.end(), std::make_move_iterator(widened.begin()), std::make_move_iterator(widened.end()));
        std::sort(changed.begin(), changed.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    std::vector<ByteRange> edits = rowEdits(table.rows, changed, appended);

    std::vector<RowList::RowBytes> bytes;
    bytes.reserve(block.size());
    for (const CsvRow& row : block) {
        bytes.push_back({row.raw(), row.eol(), row.cellCount()});
    }
    table.rows.replace(from, to, bytes);
    table.maxCells = std::max(table.maxCells, widest);
    noteRowsChanged(from, to, from + bytes.size());
    if (pending != nullptr) {
        pending->insert(pending->end(), std::make_move_iterator(edits.begin()), std::make_move_iterator(edits.end()));
        return true;
    }
    return writeEdits(edits);
}
