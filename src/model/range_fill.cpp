#include "model/range_fill.h"

#include <optional>

std::vector<std::vector<std::string>> filledBlock(const CsvTable& table, bool headerRow, const CellRange& range,
                                                  FillDirection direction) {
    return filledBlock(table, allGridRows(table, headerRow), range, direction);
}

std::vector<std::vector<std::string>> filledBlock(const CsvTable& table, const GridRows& gridRows, const CellRange& range,
                                                  FillDirection direction) {
    std::vector<std::vector<std::string>> block;
    if (range.empty() || range.firstColumn < 1) {
        return block;
    }
    const auto value = [&](int32_t row, int32_t column) {
        const std::optional<std::string> cell = cellAt(table, gridRows, row, static_cast<uint64_t>(column) - 1);
        return cell ? *cell : std::string();
    };
    const size_t rows = static_cast<size_t>(range.rowCount());
    const size_t columns = static_cast<size_t>(range.columnCount());
    if (direction == FillDirection::Down) {
        // From the range's first row, or from the row above a range of one row.
        const int32_t source = range.rowCount() > 1 ? range.firstRow : range.firstRow - 1;
        if (source < 0) {
            return block;
        }
        std::vector<std::string> line;
        for (int32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
            line.push_back(value(source, column));
        }
        block.assign(rows, line);
        return block;
    }
    const int32_t source = range.columnCount() > 1 ? range.firstColumn : range.firstColumn - 1;
    if (source < 1) {
        return block;
    }
    for (int32_t row = range.firstRow; row <= range.lastRow; ++row) {
        block.emplace_back(columns, value(row, source));
    }
    return block;
}
