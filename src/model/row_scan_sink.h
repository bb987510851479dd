// The sinks of the record scan that build rows: the filler of a decoded CsvRow (behind
// CsvRow::assignText) and the field counter of the scans that keep only a record's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"

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

// Counts one record's fields, for the scans that keep only the bytes: the values are decoded
// when a row is read.
struct FieldCounter {
    uint64_t fields = 0;
    void plainField(uint64_t, uint64_t) { ++fields; }
    void beginQuoted(uint64_t) {}
    void appendValue(uint64_t, uint64_t) {}
    void appendByte(uint64_t) {}
    void endQuoted(uint64_t, uint64_t) { ++fields; }
};

// The line ending that follows a record ending at e: CR LF, CR, LF, or none at the text's end.
inline std::string_view lineEndingAt(std::string_view text, uint64_t e) {
    if (e >= text.size()) return {};
    if (text[e] == '\r') return text.substr(e, (e + 1 < text.size() && text[e + 1] == '\n') ? 2 : 1);
    return text.substr(e, 1);
}
