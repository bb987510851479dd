// The changed stretch of the document and its rescan.
#include "model/changed_range.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "model/record_scan.h"
#include "model/row_scan_sink.h"

void noteInsertion(ChangedRange& change, uint64_t position, uint64_t length) {
    if (length == 0) return;
    if (change.empty) {
        change.start = position;
        change.end = position + length;
        change.empty = false;
    } else {
        // Inserted inside or before the stretch, its end moves on; inserted after it, the
        // stretch grows to take in the unchanged bytes between.
        change.end = position <= change.end ? change.end + length : position + length;
        change.start = std::min(change.start, position);
    }
    change.lengthChange += static_cast<int64_t>(length);
}

void noteDeletion(ChangedRange& change, uint64_t position, uint64_t length) {
    if (length == 0) return;
    if (change.empty) {
        change.start = change.end = position;
        change.empty = false;
    } else {
        // The stretch's end moves back when the deletion lies before it, and is the deletion's
        // place when the deletion reaches past it (or lies after it: the stretch grows).
        change.end = change.end >= position + length ? change.end - length : position;
        change.start = std::min(change.start, position);
    }
    change.lengthChange -= static_cast<int64_t>(length);
}

namespace {

// The index of the last row starting before position, or 0.
uint64_t firstRowToRescan(const CsvTable& table, uint64_t position) {
    auto after = std::lower_bound(table.rows.begin(), table.rows.end(), position,
                                  [](const CsvRow& row, uint64_t p) { return row.start < p; });
    const uint64_t index = static_cast<uint64_t>(after - table.rows.begin());
    return index > 0 ? index - 1 : 0;
}

// The index of the old row starting exactly at position, or none (all ones).
uint64_t oldRowStartingAt(const CsvTable& table, uint64_t from, uint64_t position) {
    auto hit = std::lower_bound(table.rows.begin() + static_cast<std::ptrdiff_t>(from), table.rows.end(), position,
                                [](const CsvRow& row, uint64_t p) { return row.start < p; });
    if (hit != table.rows.end() && hit->start == position) return static_cast<uint64_t>(hit - table.rows.begin());
    return ~uint64_t(0);
}

uint64_t widest(const std::vector<CsvRow>& rows, uint64_t from, uint64_t to) {
    uint64_t cells = 0;
    for (uint64_t r = from; r < to; ++r) cells = std::max(cells, rows[r].cellCount());
    return cells;
}

// Puts fresh in place of the old rows [first, last) and shifts the rows after them.
void splice(CsvTable& table, uint64_t first, uint64_t last, std::vector<CsvRow>& fresh, int64_t shift,
            uint64_t documentLength) {
    std::vector<CsvRow>& rows = table.rows;
    const uint64_t removedWidest = widest(rows, first, last);
    const uint64_t addedWidest = widest(fresh, 0, fresh.size());
    // Room first, so that nothing below can fail half-way.
    if (fresh.size() > last - first) rows.reserve(rows.size() + fresh.size() - (last - first));

    const uint64_t common = std::min<uint64_t>(last - first, fresh.size());
    for (uint64_t i = 0; i < common; ++i) rows[first + i] = std::move(fresh[i]);
    const auto at = rows.begin() + static_cast<std::ptrdiff_t>(first + common);
    if (fresh.size() > common) {
        rows.insert(at, std::make_move_iterator(fresh.begin() + static_cast<std::ptrdiff_t>(common)),
                    std::make_move_iterator(fresh.end()));
    } else if (last - first > common) {
        rows.erase(at, at + static_cast<std::ptrdiff_t>(last - first - common));
    }
    if (shift != 0) {
        const uint64_t delta = static_cast<uint64_t>(shift);  // wraps for a negative shift
        for (uint64_t r = first + fresh.size(); r < rows.size(); ++r) {
            rows[r].start += delta;
            rows[r].end += delta;
        }
    }

    if (addedWidest >= table.maxCells) {
        table.maxCells = addedWidest;
    } else if (removedWidest == table.maxCells) {
        // The widest row may be gone; only a look at every row tells.
        table.maxCells = widest(rows, 0, rows.size());
    }
    table.parsedLength = documentLength;
}

}  // namespace

uint64_t rescanStart(const CsvTable& table, const ChangedRange& change) {
    if (table.rows.empty()) return 0;
    return table.rows[firstRowToRescan(table, change.start)].start;
}

RescanResult rescanChangedRange(std::string_view window, uint64_t windowStart, uint64_t documentLength,
                                const ChangedRange& change, CsvTable& table) {
    if (!change.followed || change.empty || table.rows.empty()) return RescanResult::NotSafe;
    const CsvRow& last = table.rows.back();
    const uint64_t oldLength = last.end + last.eolLength();
    const int64_t shift = change.lengthChange;
    if (static_cast<uint64_t>(shift) + oldLength != documentLength) return RescanResult::NotSafe;
    if (change.start > change.end || change.end > documentLength) return RescanResult::NotSafe;
    const uint64_t windowEnd = windowStart + window.size();
    if (windowEnd > documentLength) return RescanResult::NotSafe;

    const uint64_t first = firstRowToRescan(table, change.start);
    const uint64_t from = table.rows[first].start;
    if (from < windowStart) return RescanResult::NotSafe;

    const char delimiter = table.delimiter;
    const char quote = table.quote;
    record_scan::FieldStops stops(window.data(), window.size(), delimiter, quote);
    RowScanSink sink;
    sink.text = window.data();
    std::vector<CsvRow> fresh;
    uint64_t position = from;  // a record start of the new scan, in document positions
    for (;;) {
        // Past the change, a record start of the new scan that was one of the old scan too
        // begins the same bytes in the same state: the old rows from there on are right.
        if (position >= change.end) {
            if (position == documentLength) {
                splice(table, first, table.rows.size(), fresh, shift, documentLength);
                return RescanResult::Done;
            }
            const uint64_t old = oldRowStartingAt(table, first, position - static_cast<uint64_t>(shift));
            if (old != ~uint64_t(0)) {
                splice(table, first, old, fresh, shift, documentLength);
                return RescanResult::Done;
            }
            if (position - change.end > MAX_RESCAN_BYTES_PAST_CHANGE) return RescanResult::NotSafe;
        }
        if (position >= windowEnd) return RescanResult::NeedsMoreText;

        const uint64_t begin = position - windowStart;
        sink.reset(begin);
        const uint64_t e = record_scan::scanFields(window.data(), window.size(), begin, delimiter, quote, stops, sink);
        // A record that reaches the window's end, or whose CR is its last byte, may go on.
        if (windowEnd < documentLength && e + 1 >= window.size()) return RescanResult::NeedsMoreText;
        CsvRow& row = fresh.emplace_back();
        sink.storeInto(row, e);
        const std::string_view eol = lineEndingAt(window, e);
        row.setEol(eol);
        row.start = position;
        row.end = windowStart + e;
        position = row.end + eol.size();
    }
}
