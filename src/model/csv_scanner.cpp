// The scanner: reads records into the row model, and the lookups the grid makes into it.
#include "model/csv_table.h"

#include "model/record_blocks.h"
#include "model/record_scan.h"
#include "model/row_scan_sink.h"
#include "model/scanner_reference.h"
#include "model/sep_line.h"
#include "model/table_sink.h"

#include <algorithm>
#include <cstddef>
#include <thread>

namespace {

// Collects one record's fields as values and absolute spans (scanRecord).
struct VectorSink {
    const char* text;
    std::vector<std::string>& cells;
    std::vector<uint64_t>& cellStarts;
    std::vector<uint64_t>& cellEnds;

    void plainField(uint64_t s, uint64_t e) {
        cells.emplace_back(text + s, text + e);
        cellStarts.push_back(s);
        cellEnds.push_back(e);
    }
    void beginQuoted(uint64_t) { cells.emplace_back(); }
    void appendValue(uint64_t from, uint64_t to) { cells.back().append(text + from, text + to); }
    void appendByte(uint64_t at) { cells.back().push_back(text[at]); }
    void endQuoted(uint64_t s, uint64_t e) {
        cellStarts.push_back(s);
        cellEnds.push_back(e);
    }
};

}  // namespace

uint64_t scanRecord(std::string_view text, uint64_t p, char delimiter, char quote,
                    std::vector<std::string>& cells, std::vector<uint64_t>& cellStarts,
                    std::vector<uint64_t>& cellEnds) {
    cells.clear();
    cellStarts.clear();
    cellEnds.clear();
    record_scan::FieldStops stops(text.data(), text.size(), delimiter, quote);
    VectorSink sink{text.data(), cells, cellStarts, cellEnds};
    return record_scan::scanFields(text.data(), text.size(), p, delimiter, quote, stops, sink);
}

namespace {

// Reads the records of text from pos with scanFields, up to the first that ends at or past
// until; the reading of documents whose delimiter or quote is a line-break byte, and the
// reference the block reading is held to.
template <class Stops>
uint64_t scanRecordsByFields(std::string_view text, uint64_t pos, uint64_t until, char delimiter, char quote,
                             TableSink& sink) {
    const uint64_t length = text.size();
    Stops stops(text.data(), length, delimiter, quote);
    while (pos < length) {
        FieldCounter counter;
        const uint64_t e = record_scan::scanFields(text.data(), length, pos, delimiter, quote, stops, counter);
        const uint64_t eolLength = lineEndingAt(text, e).size();
        sink.record(e, eolLength, counter.fields);
        pos = e + eolLength;
        if (e >= until) break;
    }
    return pos;
}

RowList& rowsReadWith(CsvTable& table, char delimiter, char quote) {
    table.rows.setReading(delimiter, quote);
    return table.rows;
}

void emptyAfterFailure(CsvTable& table) {
    // Running out of memory half-way would leave rows of two documents under the new
    // document's stamp, and a later edit would write by offsets that no longer hold. The
    // table is emptied instead, with the stamp that fails every stale check.
    table.rows.clear();
    table.maxCells = 0;
    table.parsedLength = ~uint64_t(0);
}

}  // namespace

DocumentScan::DocumentScan(CsvTable& table, uint64_t length, char delimiter, char quote, bool notes)
    : table_(table), rows_(rowsReadWith(table, delimiter, quote), std::string_view()), length_(length), notes_(notes) {
    table_.delimiter = delimiter;
    table_.quote = quote;
    table_.maxCells = 0;
    table_.parsedLength = ~uint64_t(0);
    finishIfDone();
}

uint64_t DocumentScan::step(std::string_view text, uint64_t until) {
    static const bool secondCore = std::thread::hardware_concurrency() > 1;
    const uint64_t stretch = std::min(until, length_) - std::min(position_, length_);
    if (secondCore && stretch >= TWO_READERS_BYTES) return stepInTwo(text, until, position_ + stretch / 2);
    return stepAlone(text, until);
}

void DocumentScan::readLead(std::string_view text) {
    if (leadRead_ || done()) return;
    leadRead_ = true;
    const std::optional<SepLine> line = findSepLine(text.substr(0, length_), table_.quote);
    if (!line) return;
    try {
        table_.delimiter = line->delimiter;
        table_.rows.setReading(line->delimiter, table_.quote);
        rows_.keepLead(text.substr(0, line->length));
        position_ = line->length;
        finishIfDone();
    } catch (...) {
        fail();
        throw;
    }
}

uint64_t DocumentScan::stepAlone(std::string_view text, uint64_t until) {
    readLead(text);
    if (done()) return position_;
    try {
        const std::string_view document = text.substr(0, length_);
        rows_.setText(document);
        TableSink sink{rows_, table_.maxCells, lastEnd_};
        if (record_scan::readsByBlocks(table_.delimiter, table_.quote)) {
            position_ = record_scan::scanRecordBlocks(document.data(), length_, position_, until, table_.delimiter,
                                                      table_.quote, sink, notes_);
        } else {
            position_ = scanRecordsByFields<record_scan::FieldStops>(document, position_, until, table_.delimiter,
                                                                     table_.quote, sink);
        }
        finishIfDone();
    } catch (...) {
        fail();
        throw;
    }
    return position_;
}

void DocumentScan::finishIfDone() {
    if (done()) {
        rows_.finish();
        table_.parsedLength = length_;
    }
}

void DocumentScan::fail() {
    emptyAfterFailure(table_);
    position_ = length_;
}

uint64_t scanDocument(std::string_view text, char delimiter, char quote, CsvTable& table) {
    DocumentScan scan(table, text.size(), delimiter, quote);
    scan.step(text, text.size());
    return text.size();
}

uint64_t scanDocumentPortable(std::string_view text, char delimiter, char quote, CsvTable& table) {
    const std::optional<SepLine> line = findSepLine(text, quote);
    if (line) delimiter = line->delimiter;
    const uint64_t lead = line ? line->length : 0;
    table.delimiter = delimiter;
    table.quote = quote;
    table.maxCells = 0;
    table.parsedLength = text.size();
    table.rows.setReading(delimiter, quote);
    try {
        RowList::Builder rows(table.rows, text);
        rows.keepLead(text.substr(0, lead));
        uint64_t lastEnd = 0;
        TableSink sink{rows, table.maxCells, lastEnd};
        scanRecordsByFields<record_scan::PortableFieldStops>(text, lead, text.size(), delimiter, quote, sink);
        rows.finish();
    } catch (...) {
        emptyAfterFailure(table);
        throw;
    }
    return text.size();
}

void CsvRow::assignText(std::string_view text, char delimiter, char quote) {
    // Text taken from this row's own buffer (its raw or a value) is copied first, since the
    // buffer is rewritten below.
    const char* own = reinterpret_cast<const char*>(words_.get());
    if (own && text.data() >= own && text.data() < own + capacityWords_ * sizeof(uint32_t)) {
        std::string copy(text);
        assignText(copy, delimiter, quote);
        return;
    }
    record_scan::FieldStops stops(text.data(), text.size(), delimiter, quote);
    RowScanSink sink;
    sink.text = text.data();
    sink.reset(0);
    uint64_t e = record_scan::scanFields(text.data(), text.size(), 0, delimiter, quote, stops, sink);
    sink.storeInto(*this, e);
}

uint64_t dataRowCount(const CsvTable& table, bool headerRow) {
    uint64_t count = table.rows.size();
    return (headerRow && count > 0) ? count - 1 : count;
}

uint64_t modelRowIndex(int32_t gridRow, bool headerRow) {
    if (gridRow < 0) return ~uint64_t(0);
    return static_cast<uint64_t>(gridRow) + (headerRow ? 1 : 0);
}

GridRows allGridRows(const CsvTable& table, bool headerRow) {
    const uint64_t first = headerRow && !table.rows.empty() ? 1 : 0;
    return GridRows{first, table.rows.size() - first, nullptr};
}

std::optional<std::string> cellAt(const CsvTable& table, bool headerRow, int32_t gridRow, uint64_t cellIndex) {
    return cellAt(table, allGridRows(table, headerRow), gridRow, cellIndex);
}

std::optional<std::string> cellAt(const CsvTable& table, const GridRows& rows, int32_t gridRow, uint64_t cellIndex) {
    if (gridRow < 0 || static_cast<uint64_t>(gridRow) >= rows.count) return std::nullopt;
    const uint64_t r = rows.tableRow(static_cast<uint64_t>(gridRow));
    if (r >= table.rows.size()) return std::nullopt;
    const CsvRow& row = table.rows.cached(r);
    if (cellIndex >= row.cellCount()) return std::nullopt;
    return std::string(row.cell(cellIndex));
}
