#include "model/column_edit.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include "model/record_scan.h"
#include "model/row_text.h"

namespace {

// A lone CR followed by an LF reads as one line ending: bytes put next to each other must not
// meet that way, or two records become one.
bool joins(char before, char after) {
    return before == '\r' && after == '\n';
}

// The first byte of a row, as the document has it: its first raw byte, or its line ending's
// for an empty row; 0 for a row past the end.
char firstByte(const CsvTable& table, uint64_t rowIndex) {
    if (rowIndex >= table.rows.size()) {
        return 0;
    }
    const CsvRow& row = table.rows[rowIndex];
    return !row.raw().empty() ? row.raw().front() : (row.eolLength() > 0 ? row.eol().front() : 0);
}

// A new row's text: its blank cells and line ending, the ending made CR LF where the chosen
// one would join a lone CR before it or an LF after it.
std::string blankRow(const std::string& blank, std::string_view eol, char before, char after) {
    std::string text = blank;
    text += eol;
    if (joins(before, text.front()) || joins(text.back(), after)) {
        text = blank + "\r\n";
    }
    return text;
}

// A new row's cells: shownColumns - 1 delimiters, or, for one column, an empty quoted value, so
// that the row reads back as a record and not as a blank line that readers skip.
std::string blankCells(const CsvTable& table, uint64_t shownColumns) {
    if (shownColumns <= 1) {
        return std::string(2, table.quote);
    }
    return std::string(static_cast<size_t>(shownColumns - 1), table.delimiter);
}

// Where the first record of a table without any goes, after the sep line if there is one, and
// the text that must come first: the line ending a sep line that ends the document lacks.
TextInsertion firstRecordPlace(const CsvTable& table, std::string_view eol) {
    const std::string_view lead = table.rows.lead();
    TextInsertion insertion{lead.size(), {}};
    if (!lead.empty() && lead.back() != '\n' && lead.back() != '\r') insertion.text = eol;
    return insertion;
}

// The line ending in front of row 0: the sep line's, or none.
char byteBeforeFirstRow(const CsvTable& table) {
    const std::string_view lead = table.rows.lead();
    return lead.empty() ? 0 : lead.back();
}

}  // namespace

TextInsertion rowInsertion(const CsvTable& table, uint64_t rowIndex, uint64_t shownColumns,
                           std::string_view eol) {
    TextInsertion insertion;
    const std::string blank = blankCells(table, shownColumns);
    if (table.rows.empty()) {
        // One record line, whatever the header row: with it on, the record is the titles.
        insertion = firstRecordPlace(table, eol);
        insertion.text += blank;
        insertion.text += eol;
        return insertion;
    }
    const uint64_t index = std::min<uint64_t>(rowIndex, table.rows.size() - 1);
    const CsvRow& row = table.rows[index];
    if (row.eolLength() > 0) {
        insertion.position = row.end + row.eolLength();
        insertion.text = blankRow(blank, eol, row.eol().back(), firstByte(table, index + 1));
    } else {
        // The new row comes before the old last row's missing ending, so the document's last
        // row again has none (a new row is never empty, so it can do without one).
        insertion.position = row.end;
        insertion.text = eol;
        insertion.text += blank;
    }
    return insertion;
}

TextInsertion rowInsertionBefore(const CsvTable& table, uint64_t rowIndex, uint64_t shownColumns,
                                 std::string_view eol) {
    if (table.rows.empty() || rowIndex == 0) {
        if (table.rows.empty()) {
            return rowInsertion(table, 0, shownColumns, eol);
        }
        return TextInsertion{table.rows.start(0), blankRow(blankCells(table, shownColumns), eol,
                                                           byteBeforeFirstRow(table), firstByte(table, 0))};
    }
    return rowInsertion(table, std::min<uint64_t>(rowIndex, table.rows.size()) - 1, shownColumns, eol);
}

TextInsertion firstRecordsInsertion(const CsvTable& table, uint64_t shownColumns, uint64_t firstCell,
                                    const std::vector<std::vector<std::string>>& values, std::string_view eol,
                                    bool headerRow) {
    uint64_t columns = std::max<uint64_t>(shownColumns, 1);
    for (const std::vector<std::string>& line : values) {
        columns = std::max<uint64_t>(columns, firstCell + line.size());
    }
    std::string records;
    for (const std::vector<std::string>& line : values) {
        std::vector<std::string> cells(static_cast<size_t>(columns));
        std::copy(line.begin(), line.end(), cells.begin() + static_cast<std::ptrdiff_t>(firstCell));
        const std::string record = joinFields(cells, table.delimiter, table.quote);
        if (!records.empty()) {
            records += eol;
        }
        records += record.empty() ? blankCells(table, 1) : record;
    }
    TextInsertion insertion;
    if (table.rows.empty()) {
        insertion = firstRecordPlace(table, eol);
        if (headerRow) {
            insertion.text += blankCells(table, columns);
            insertion.text += eol;
        }
        insertion.text += records;
        return insertion;
    }
    const CsvRow& last = table.rows[table.rows.size() - 1];
    if (last.eolLength() > 0) {
        insertion.position = last.end + last.eolLength();
        insertion.text = blankRow(records, eol, last.eol().back(), 0);
    } else {
        insertion.position = last.end;
        insertion.text = std::string(eol) + records;
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
        range.to = lastRow.end + lastRow.eolLength();
        if (first > 0 && lastRow.eolLength() == 0) {
            const CsvRow& before = table.rows[first - 1];
            if (before.raw().empty()) {
                // An empty line cannot end the document without its ending: it keeps it, and
                // the document now ends with that line break.
                range.to = lastRow.end;
            } else {
                range.from = before.end;
            }
        } else if (first == 0 && joins(byteBeforeFirstRow(table), firstByte(table, last + 1))) {
            // The sep line would end in a lone CR right in front of the LF of an empty row; the
            // line stays as it is, and the row's one empty value is written quoted instead.
            range.text.assign(2, table.quote);
        } else if (first > 0 && table.rows[first - 1].eolLength() > 0 &&
                   joins(table.rows[first - 1].eol().back(), firstByte(table, last + 1))) {
            // The row before would end in a lone CR right in front of an LF. It takes the last
            // deleted row's line ending instead of its own, unless that one would join too: a
            // lone CR again, or an LF after the lone CR of the row before an empty row. Then it
            // ends in CR LF, which joins nothing.
            const CsvRow& before = table.rows[first - 1];
            const std::string_view taken = lastRow.eol();
            const bool afterLoneCr = before.raw().empty() && first >= 2 && table.rows[first - 2].eolLength() > 0 &&
                                     joins(table.rows[first - 2].eol().back(), taken.front());
            range.from = before.end;
            if (taken.back() != '\r' && !afterLoneCr) {
                range.to = lastRow.end;
            } else {
                range.text = "\r\n";
            }
        }
        ranges.push_back(range);
    }
    std::reverse(ranges.begin(), ranges.end());
    return ranges;
}

namespace {

// Where a record's fields lie in its bytes, without their values: what a column edit needs of
// each row of the document it writes anew, and much less than decoding the row.
class FieldSpans {
public:
    void read(std::string_view raw, char delimiter, char quote) {
        starts_.clear();
        ends_.clear();
        record_scan::FieldStops stops(raw.data(), raw.size(), delimiter, quote);
        record_scan::scanFields(raw.data(), raw.size(), 0, delimiter, quote, stops, *this);
    }
    uint64_t cellCount() const { return starts_.size(); }
    uint64_t cellStart(uint64_t i) const { return starts_[i]; }
    uint64_t cellEnd(uint64_t i) const { return ends_[i]; }

    // The sink of scanFields.
    void plainField(uint64_t s, uint64_t e) {
        starts_.push_back(s);
        ends_.push_back(e);
    }
    void beginQuoted(uint64_t) {}
    void appendValue(uint64_t, uint64_t) {}
    void appendByte(uint64_t) {}
    void endQuoted(uint64_t s, uint64_t e) { plainField(s, e); }

private:
    std::vector<uint64_t> starts_;
    std::vector<uint64_t> ends_;
};

// appendEditedRow for a row given as its bytes and the spans of its cells (a CsvRow, or
// FieldSpans).
template <class Cells>
void appendEdited(std::string& out, std::string_view raw, const Cells& row, const ColumnEdit& edit) {
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
    if (edit.change == ColumnChange::Move && cells > 0 && c != edit.target && (c < cells || edit.target < cells)) {
        // The cells in their new order, joined by the row's own delimiters.
        std::vector<std::string_view> order;
        order.reserve(static_cast<size_t>(std::max(cells, edit.target + 1)));
        for (uint64_t i = 0; i < cells; ++i) {
            order.push_back(raw.substr(row.cellStart(i), row.cellEnd(i) - row.cellStart(i)));
        }
        std::string_view moved;
        if (c < cells) {
            moved = order[static_cast<size_t>(c)];
            order.erase(order.begin() + static_cast<ptrdiff_t>(c));
        }
        while (order.size() < edit.target) order.emplace_back();
        order.insert(order.begin() + static_cast<ptrdiff_t>(edit.target), moved);
        out.append(raw.substr(0, row.cellStart(0)));
        for (size_t i = 0; i < order.size(); ++i) {
            if (i > 0) out.push_back(edit.delimiter);
            out.append(order[i]);
        }
        out.append(raw.substr(row.cellEnd(cells - 1)));
        return;
    }
    out.append(raw);
}

}  // namespace

void appendEditedRow(std::string& out, const CsvRow& row, const ColumnEdit& edit) {
    appendEdited(out, row.raw(), row, edit);
}

std::string documentText(const CsvTable& table, std::string_view eol, const ColumnEdit& edit,
                         std::vector<uint64_t>* starts) {
    // One allocation: the rows' own lengths, the endings and one byte per row for an insertion.
    uint64_t size = 0;
    for (uint64_t r = 0; r < table.rows.size(); ++r) {
        size += table.rows.raw(r).size() + std::max<uint64_t>(table.rows.eol(r).size(), eol.size()) + 1;
    }
    const std::string_view lead = table.rows.lead();
    std::string text;
    text.reserve(static_cast<size_t>(lead.size() + size));
    text.append(lead);
    FieldSpans spans;
    if (starts != nullptr) starts->assign(table.rows.size(), 0);
    for (uint64_t r = 0; r < table.rows.size(); ++r) {
        if (starts != nullptr) (*starts)[r] = text.size();
        const std::string_view raw = table.rows.raw(r);
        const std::string_view rowEol = table.rows.eol(r);
        spans.read(raw, table.delimiter, table.quote);
        const size_t rowStart = text.size();
        appendEdited(text, raw, spans, edit);
        const bool last = r + 1 == table.rows.size();
        const std::string_view ending = last || !rowEol.empty() ? rowEol : eol;
        // A row the edit empties, between a lone CR and an LF, would join the two into one
        // line ending and be lost: it is written as an empty quoted value.
        if (text.size() == rowStart && rowStart > 0 && !ending.empty() && joins(text.back(), ending.front())) {
            text.append(2, table.quote);
        }
        text.append(ending);
    }
    return text;
}

namespace {

// How many bytes a and b share at the front: whole blocks by memcmp, then byte by byte.
size_t sharedFront(const char* a, const char* b, size_t most) {
    constexpr size_t BLOCK = 4096;
    size_t at = 0;
    while (at + BLOCK <= most && std::memcmp(a + at, b + at, BLOCK) == 0) at += BLOCK;
    while (at < most && a[at] == b[at]) ++at;
    return at;
}

// How many bytes a and b (each ending at the pointer) share at the back.
size_t sharedBack(const char* aEnd, const char* bEnd, size_t most) {
    constexpr size_t BLOCK = 4096;
    size_t at = 0;
    while (at + BLOCK <= most && std::memcmp(aEnd - at - BLOCK, bEnd - at - BLOCK, BLOCK) == 0) at += BLOCK;
    while (at < most && aEnd[-1 - static_cast<std::ptrdiff_t>(at)] == bEnd[-1 - static_cast<std::ptrdiff_t>(at)]) ++at;
    return at;
}

}  // namespace

SharedEnds sharedEnds(std::string_view before, std::string_view after) {
    const size_t most = std::min(before.size(), after.size());
    const size_t front = sharedFront(before.data(), after.data(), most);
    const size_t back = sharedBack(before.data() + before.size(), after.data() + after.size(), most - front);
    return SharedEnds{front, back};
}

ByteRange changedStretch(std::string_view before, std::string_view after) {
    const SharedEnds same = sharedEnds(before, after);
    const size_t front = static_cast<size_t>(same.front), back = static_cast<size_t>(same.back);
    return ByteRange{front, before.size() - back, std::string(after.substr(front, after.size() - front - back))};
}

std::optional<uint64_t> cellAfterEdit(const ColumnEdit& edit, uint64_t cell) {
    switch (edit.change) {
    case ColumnChange::Insert:
        return cell >= edit.cellIndex ? cell + 1 : cell;
    case ColumnChange::Erase:
        if (cell == edit.cellIndex) return std::nullopt;
        return cell > edit.cellIndex ? cell - 1 : cell;
    case ColumnChange::Move:
        if (cell == edit.cellIndex) return edit.target;
        if (edit.cellIndex < edit.target && cell > edit.cellIndex && cell <= edit.target) return cell - 1;
        if (edit.target < edit.cellIndex && cell >= edit.target && cell < edit.cellIndex) return cell + 1;
        return cell;
    case ColumnChange::None:
        break;
    }
    return cell;
}
