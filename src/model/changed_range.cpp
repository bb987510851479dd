// The changed stretch of the document and its rescan.
#include "model/changed_range.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "model/record_scan.h"
#include "model/row_scan_sink.h"
#include "model/sep_line.h"

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

// Puts fresh in place of the old rows [first, last); the rows after them move along with
// their chunks.
void splice(CsvTable& table, uint64_t first, uint64_t last, const std::vector<RowList::RowBytes>& fresh,
            uint64_t documentLength) {
    const uint64_t removedWidest = table.rows.widest(first, last);
    uint64_t addedWidest = 0;
    for (const RowList::RowBytes& row : fresh) addedWidest = std::max(addedWidest, row.cellCount);
    table.rows.replace(first, last, fresh);
    if (addedWidest >= table.maxCells) {
        table.maxCells = addedWidest;
    } else if (removedWidest == table.maxCells) {
        // The widest row may be gone; the chunks' widest rows tell.
        table.maxCells = table.rows.widest();
    }
    table.parsedLength = documentLength;
}

}  // namespace

uint64_t rescanStart(const CsvTable& table, const ChangedRange& change) {
    if (table.rows.empty()) return 0;
    return table.rows.start(table.rows.lastRowStartingBefore(change.start));
}

RescanResult rescanChangedRange(std::string_view window, uint64_t windowStart, uint64_t documentLength,
                                const ChangedRange& change, CsvTable& table, ReplacedRows* replaced) {
    if (!change.followed || change.empty || table.rows.empty()) return RescanResult::NotSafe;
    const uint64_t oldLength = table.rows.textLength();
    const int64_t shift = change.lengthChange;
    if (static_cast<uint64_t>(shift) + oldLength != documentLength) return RescanResult::NotSafe;
    if (change.start > change.end || change.end > documentLength) return RescanResult::NotSafe;
    const uint64_t windowEnd = windowStart + window.size();
    if (windowEnd > documentLength) return RescanResult::NotSafe;

    // The sep line is read only by a whole scan: an edit in it, or one that could join its
    // lone CR to an LF, asks for one.
    const std::string_view lead = table.rows.lead();
    const bool afterLoneCr = !lead.empty() && lead.back() == '\r';
    if (change.start < lead.size() || (change.start == lead.size() && afterLoneCr)) {
        return RescanResult::NotSafe;
    }
    const uint64_t first = table.rows.lastRowStartingBefore(change.start);
    const uint64_t from = table.rows.start(first);
    if (from < windowStart) return RescanResult::NotSafe;
    // An edit at the start of a document without one may have written one.
    if (lead.empty() && change.start < SEP_LINE_MOST_BYTES) {
        if (window.size() < SEP_LINE_MOST_BYTES && windowEnd < documentLength) {
            return RescanResult::NeedsMoreText;
        }
        if (findSepLine(window, table.quote)) return RescanResult::NotSafe;
    }

    const char delimiter = table.delimiter;
    const char quote = table.quote;
    record_scan::FieldStops stops(window.data(), window.size(), delimiter, quote);
    std::vector<RowList::RowBytes> fresh;
    uint64_t position = from;  // a record start of the new scan, in document positions
    for (;;) {
        // Past the change, a record start of the new scan that was one of the old scan too
        // begins the same bytes in the same state: the old rows from there on are right.
        if (position >= change.end) {
            const uint64_t old = position == documentLength
                               ? table.rows.size()
                               : table.rows.rowStartingAt(position - static_cast<uint64_t>(shift));
            if (old != ~uint64_t(0) && old >= first) {
                splice(table, first, old, fresh, documentLength);
                if (replaced != nullptr) *replaced = {first, old, first + fresh.size()};
                return RescanResult::Done;
            }
            if (position - change.end > MAX_RESCAN_BYTES_PAST_CHANGE) return RescanResult::NotSafe;
        }
        if (position >= windowEnd) return RescanResult::NeedsMoreText;

        const uint64_t begin = position - windowStart;
        FieldCounter counter;
        const uint64_t e = record_scan::scanFields(window.data(), window.size(), begin, delimiter, quote, stops, counter);
        // A record that reaches the window's end, or whose CR is its last byte, may go on.
        if (windowEnd < documentLength && e + 1 >= window.size()) return RescanResult::NeedsMoreText;
        const std::string_view eol = lineEndingAt(window, e);
        fresh.push_back({window.substr(begin, e - begin), eol, counter.fields});
        position = windowStart + e + eol.size();
    }
}
