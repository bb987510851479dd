#include "model/row_update.h"

#include <vector>

#include "model/row_text.h"

namespace {

constexpr uint64_t CHANGED_OUTSIDE = ~uint64_t(0);

}  // namespace

bool cellHoldsValue(const CsvRow& row, uint64_t cellIndex, std::string_view value) {
    return cellIndex < row.cellCount() && row.cell(cellIndex) == value;
}

RowReplacement setRowCell(const CsvTable& table, uint64_t rowIndex, uint64_t cellIndex, std::string_view value) {
    CsvRow row = table.rows[rowIndex];
    std::vector<std::string> cells = row.cells();
    // Every missing cell up to the edited one becomes one more delimiter in the row, even
    // when the new value is empty.
    if (cells.size() <= cellIndex) {
        cells.resize(static_cast<size_t>(cellIndex) + 1);
    }
    cells[static_cast<size_t>(cellIndex)].assign(value.data(), value.size());
    row.setCells(cells);
    rebuildRowText(row, table.delimiter, table.quote);
    std::string text(row.raw());
    // An empty row between a lone CR (a row's or the sep line's) and an LF would join them into
    // one line ending and be no record any more: its one empty cell is written quoted.
    const std::string_view eol = table.rows.eol(rowIndex);
    const bool afterLoneCr =
        rowIndex > 0 ? table.rows.eol(rowIndex - 1) == "\r" : table.rows.lead().ends_with('\r');
    if (text.empty() && afterLoneCr && !eol.empty() && eol.front() == '\n') {
        text.assign(2, table.quote);
    }
    return RowReplacement{row.start, row.end, std::move(text), row.cellCount()};
}

void commitRowReplacement(CsvTable& table, uint64_t rowIndex, const RowReplacement& replacement,
                          std::string_view addedEol) {
    // The change of length in two's complement: adding it moves an offset up or down.
    const uint64_t shift =
        uint64_t(replacement.text.size() + addedEol.size()) - (replacement.end - replacement.start);
    const std::string eol(addedEol.empty() ? table.rows.eol(rowIndex) : addedEol);
    table.rows.replace(rowIndex, rowIndex + 1, {RowList::RowBytes{replacement.text, eol, replacement.cellCount}});
    if (table.parsedLength != CHANGED_OUTSIDE) {
        table.parsedLength += shift;
    }
    if (replacement.cellCount > table.maxCells) {
        table.maxCells = replacement.cellCount;
    }
}
