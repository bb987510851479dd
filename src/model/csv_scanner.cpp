// The scanner: reads records into the row model, and the lookups the grid makes into it.
#include "model/csv_table.h"

#include "model/record_scan.h"
#include "model/scanner_reference.h"

#include <cstddef>

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

// Collects one record's fields as row-relative cell slots plus the values that are not slices
// of raw, and stores them into a row. The scratch arrays are reused from record to record.
//
// A quoted field's value is a slice of raw as long as it arrives in one piece (no doubled
// quote, nothing after the closing quote); only a second piece copies it to the values area.
class RowScanSink {
public:
    const char* text = nullptr;
    uint64_t rowStart = 0;
    std::vector<CsvRow::CellSlot> slots;
    std::string values;
    uint64_t pieceFrom = 0;
    uint64_t pieceTo = 0;
    bool havePiece = false;
    bool inValues = false;
    uint64_t valueBegin = 0;

    void reset(uint64_t start) {
        rowStart = start;
        slots.clear();
        values.clear();
    }
    // Offsets are narrowed here; storeRecord rejects a row whose raw bytes or values do not
    // fit, so a narrowed offset is never kept.
    void plainField(uint64_t s, uint64_t e) {
        slots.push_back({static_cast<uint32_t>(e - rowStart), static_cast<uint32_t>(s - rowStart),
                         static_cast<uint32_t>(e - s)});
    }
    void beginQuoted(uint64_t s) {
        pieceFrom = pieceTo = s;  // an empty value, pointing into the field
        havePiece = false;
        inValues = false;
    }
    void appendValue(uint64_t from, uint64_t to) {
        if (inValues) {
            values.append(text + from, text + to);
        } else if (!havePiece) {
            pieceFrom = from;
            pieceTo = to;
            havePiece = true;
        } else {
            moveToValues();
            values.append(text + from, text + to);
        }
    }
    void appendByte(uint64_t at) {
        if (!inValues) moveToValues();
        values.push_back(text[at]);
    }
    void endQuoted(uint64_t, uint64_t e) {
        const uint32_t end = static_cast<uint32_t>(e - rowStart);
        if (inValues)
            slots.push_back({end, CsvRow::IN_VALUES | static_cast<uint32_t>(valueBegin),
                             static_cast<uint32_t>(values.size() - valueBegin)});
        else
            slots.push_back({end, static_cast<uint32_t>(pieceFrom - rowStart), static_cast<uint32_t>(pieceTo - pieceFrom)});
    }
    void moveToValues() {
        valueBegin = values.size();
        values.append(text + pieceFrom, text + pieceTo);
        inValues = true;
    }

    void storeInto(CsvRow& row, uint64_t rowEnd) const {
        row.storeRecord(std::string_view(text + rowStart, rowEnd - rowStart), slots.data(),
                        slots.size(), values);
    }
};

namespace {

// The line ending that follows a record ending at e: CR LF, CR, LF, or none at the text's end.
std::string_view lineEndingAt(std::string_view text, uint64_t e) {
    if (e >= text.size()) return {};
    if (text[e] == '\r') return text.substr(e, (e + 1 < text.size() && text[e + 1] == '\n') ? 2 : 1);
    return text.substr(e, 1);
}

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

template <class Stops>
uint64_t scanDocumentWith(std::string_view text, char delimiter, char quote, CsvTable& table) {
    const uint64_t length = text.size();
    table.delimiter = delimiter;
    table.quote = quote;
    table.maxCells = 0;
    table.parsedLength = length;

    try {
        Stops stops(text.data(), text.size(), delimiter, quote);
        RowScanSink sink;
        sink.text = text.data();
        // Rows already in the table are overwritten in place, so their buffers are reused; the
        // ones left over at the end are dropped.
        uint64_t rowCount = 0;
        uint64_t pos = 0;
        while (pos < length) {
            sink.reset(pos);
            uint64_t e = record_scan::scanFields(text.data(), length, pos, delimiter, quote, stops, sink);
            if (rowCount == table.rows.size()) table.rows.emplace_back();
            CsvRow& row = table.rows[rowCount++];
            sink.storeInto(row, e);
            row.start = pos;
            row.end = e;
            std::string_view eol = lineEndingAt(text, e);
            row.setEol(eol);
            if (row.cellCount() > table.maxCells) table.maxCells = row.cellCount();
            pos = e + eol.size();
        }
        table.rows.erase(table.rows.begin() + static_cast<std::ptrdiff_t>(rowCount), table.rows.end());
    } catch (...) {
        // Running out of memory half-way would leave rows of two documents under the new
        // document's stamp, and a later edit would write by offsets that no longer hold. The
        // table is emptied instead, with the stamp that fails every stale check.
        table.rows.clear();
        table.maxCells = 0;
        table.parsedLength = ~uint64_t(0);
        throw;
    }
    return length;
}

}  // namespace

uint64_t scanDocument(std::string_view text, char delimiter, char quote, CsvTable& table) {
    return scanDocumentWith<record_scan::FieldStops>(text, delimiter, quote, table);
}

uint64_t scanDocumentPortable(std::string_view text, char delimiter, char quote, CsvTable& table) {
    return scanDocumentWith<record_scan::PortableFieldStops>(text, delimiter, quote, table);
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

std::optional<std::string_view> cellAt(const CsvTable& table, bool headerRow, int32_t gridRow,
                                       uint64_t cellIndex) {
    uint64_t r = modelRowIndex(gridRow, headerRow);
    if (r >= table.rows.size()) return std::nullopt;
    const CsvRow& row = table.rows[r];
    if (cellIndex >= row.cellCount()) return std::nullopt;
    return row.cell(cellIndex);
}
