#include "model/column_edit.h"

#include <algorithm>

#include "model/row_text.h"

TextInsertion rowInsertion(const CsvTable& table, uint64_t rowIndex, uint64_t shownColumns,
                           std::string_view eol, bool headerRow) {
    TextInsertion insertion;
    if (table.rows.empty()) {
        insertion.text = eol;
        if (headerRow) {
            insertion.text += eol;
        }
        return insertion;
    }
    const uint64_t cells = std::max<uint64_t>(shownColumns, 1);
    const std::string blank(static_cast<size_t>(cells - 1), table.delimiter);
    const CsvRow& row = table.rows[std::min<uint64_t>(rowIndex, table.rows.size() - 1)];
    if (row.eolLength() > 0) {
        insertion.position = row.end + row.eolLength();
        insertion.text = blank;
        insertion.text += eol;
    } else {
        insertion.position = row.end;
        insertion.text = eol;
        insertion.text += blank;
    }
    return insertion;
}

std::vector<ByteRange> rowDeletionRanges(const CsvTable& table, const std::vector<uint64_t>& rowIndexes) {
    std::vector<ByteRange> ranges;
    size_t i = 0;
    while (i < rowIndexes.size()) {
        size_t j = i;
        while (j + 1 < rowIndexes.size() && rowIndexes[j + 1] == rowIndexes[j] + 1) {
            ++j;
        }
        const uint64_t first = rowIndexes[i];
        const uint64_t last = rowIndexes[j];
        i = j + 1;
        if (last >= table.rows.size()) {
            continue;
        }
        const CsvRow& lastRow = table.rows[last];
        ByteRange range;
        range.from = table.rows[first].start;
        if (first > 0 && lastRow.eolLength() == 0) {
            range.from = table.rows[first - 1].end;
        }
        range.to = lastRow.end + lastRow.eolLength();
        ranges.push_back(range);
    }
    std::reverse(ranges.begin(), ranges.end());
    return ranges;
}

void appendEditedRow(std::string& out, const CsvRow& row, const ColumnEdit& edit) {
    const std::string_view raw = row.raw();
    const uint64_t cells = row.cellCount();
    const uint64_t c = edit.cellIndex;
    if (edit.change == ColumnChange::Insert && c <= cells) {
        const uint64_t at = c < cells ? row.cellStart(c) : raw.size();
        out.append(raw.substr(0, at));
        out.push_back(edit.delimiter);
        out.append(raw.substr(at));
        return;
    }
    if (edit.change == ColumnChange::Erase && c < cells) {
        uint64_t from = 0;
        uint64_t to = 0;
        if (c + 1 < cells) {
            from = row.cellStart(c);
            to = row.cellStart(c + 1);
        } else if (c > 0) {
            from = row.cellEnd(c - 1);
            to = row.cellEnd(c);
        } else {
            from = row.cellStart(0);
            to = row.cellEnd(0);
        }
        if (from < to && to <= raw.size()) {
            out.append(raw.substr(0, from));
            out.append(raw.substr(to));
            return;
        }
    }
    out.append(raw);
}

std::string documentText(const CsvTable& table, std::string_view eol, const ColumnEdit& edit) {
    // One allocation: the rows' own lengths, the endings and one byte per row for an insertion.
    uint64_t size = 0;
    for (const CsvRow& row : table.rows) {
        size += row.raw().size() + std::max<uint64_t>(row.eolLength(), eol.size()) + 1;
    }
    std::string text;
    text.reserve(static_cast<size_t>(size));
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const CsvRow& row = table.rows[r];
        appendEditedRow(text, row, edit);
        const bool last = r + 1 == table.rows.size();
        text.append(last || row.eolLength() > 0 ? row.eol() : eol);
    }
    return text;
}
