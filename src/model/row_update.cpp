#include "model/row_update.h"

#include <vector>

#include "model/row_text.h"

namespace {

constexpr uint64_t CHANGED_OUTSIDE = ~uint64_t(0);

}  // namespace

bool cellHoldsValue(const CsvRow& row, uint64_t cellIndex, std::string_view value) {
    return cellIndex < row.cellCount() && row.cell(cellIndex) == value;
}

RowReplacement setRowCell(CsvTable& table, uint64_t rowIndex, uint64_t cellIndex, std::string_view value) {
    CsvRow& row = table.rows[rowIndex];
    std::vector<std::string> cells = row.cells();
    // Every missing cell up to the edited one becomes one more delimiter in the row, even
    // when the new value is empty.
    if (cells.size() <= cellIndex) {
        cells.resize(static_cast<size_t>(cellIndex) + 1);
    }
    cells[static_cast<size_t>(cellIndex)].assign(value.data(), value.size());
    row.setCells(cells);
    rebuildRowText(row, table.delimiter, table.quote);
    return RowReplacement{row.start, row.end, std::string(row.raw())};
}

void commitRowReplacement(CsvTable& table, uint64_t rowIndex, const RowReplacement& replacement) {
    // The change of length in two's complement: adding it moves an offset up or down.
    const uint64_t shift = uint64_t(replacement.text.size()) - (replacement.end - replacement.start);
    CsvRow& row = table.rows[rowIndex];
    row.end = replacement.start + replacement.text.size();
    for (size_t r = static_cast<size_t>(rowIndex) + 1; r < table.rows.size(); ++r) {
        table.rows[r].start += shift;
        table.rows[r].end += shift;
    }
    if (table.parsedLength != CHANGED_OUTSIDE) {
        table.parsedLength += shift;
    }
    if (row.cellCount() > table.maxCells) {
        table.maxCells = row.cellCount();
    }
}
