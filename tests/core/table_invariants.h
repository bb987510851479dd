// Checks of what must hold for any scanned text, shared by the property tests and the fuzz
// target. Each check answers an empty string when everything holds, else what went wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"
#include "model/scanner_reference.h"
#include "model/row_text.h"
#include "model/sep_line.h"

namespace invariants {

inline std::string at(uint64_t row, const std::string& what) {
    return "row " + std::to_string(row) + ": " + what;
}

// The rows tile text exactly after its sep line, if any, which is their lead; raw, line endings
// and spans agree with the bytes; only the last row lacks a line ending; maxCells is the widest
// row.
inline std::string checkTiling(std::string_view text, const CsvTable& table, char delimiter) {
    if (table.parsedLength != text.size()) return "parsedLength differs from the text length";
    const std::optional<SepLine> line = findSepLine(text, table.quote);
    const std::string_view lead = table.rows.lead();
    if (lead != text.substr(0, line ? line->length : 0)) return "the lead is not the text's sep line";
    if (line && table.delimiter != line->delimiter) return "the sep line's delimiter is not read with";
    if (line) delimiter = line->delimiter;
    if ((text.size() == lead.size()) != table.rows.empty()) return "rows exist exactly when text follows the lead";
    uint64_t pos = lead.size();
    uint64_t widest = 0;
    for (uint64_t r = 0; r < table.rows.size(); ++r) {
        const CsvRow& row = table.rows[r];
        if (row.start != pos) return at(r, "does not start where the previous row ended");
        if (row.end < row.start || row.end > text.size()) return at(r, "end out of range");
        if (row.raw() != text.substr(row.start, row.end - row.start)) return at(r, "raw differs from the text");
        if (row.eol().size() != row.eolLength()) return at(r, "eol and eolLength disagree");
        if (row.eol() != text.substr(row.end, row.eolLength())) return at(r, "eol differs from the text");
        std::string_view eol = row.eol();
        if (!(eol.empty() || eol == "\r" || eol == "\n" || eol == "\r\n")) return at(r, "bad line ending");
        if (eol == "\r" && row.end + 1 < text.size() && text[row.end + 1] == '\n') return at(r, "CR LF split");
        if (eol.empty() && r + 1 != table.rows.size()) return at(r, "a row in the middle has no line ending");
        if (row.cellCount() == 0) return at(r, "no cells");
        if (row.cellStart(0) != 0) return at(r, "the first cell does not start at 0");
        for (uint64_t i = 0; i < row.cellCount(); ++i) {
            if (row.cellStart(i) > row.cellEnd(i)) return at(r, "a span runs backwards");
            if (i + 1 < row.cellCount()) {
                if (row.cellStart(i + 1) != row.cellEnd(i) + 1) return at(r, "spans do not abut");
                if (row.raw()[row.cellEnd(i)] != delimiter) return at(r, "no delimiter between cells");
            }
            std::string_view field = row.raw().substr(row.cellStart(i), row.cellEnd(i) - row.cellStart(i));
            if ((field.empty() || field[0] != table.quote) && row.cell(i) != field)
                return at(r, "an unquoted cell's value is not its raw bytes");
        }
        if (row.cellEnd(row.cellCount() - 1) != row.raw().size()) return at(r, "the last cell does not end the row");
        if (row.cellCount() > widest) widest = row.cellCount();
        pos = row.end + row.eolLength();
    }
    if (pos != text.size()) return "the rows do not reach the end of the text";
    if (table.maxCells != widest) return "maxCells is not the widest row";
    return {};
}

// A plain byte-by-byte reading of one record, written independently of the scanner: its
// fields as (value, start, end) and the offset where the record ends.
struct ReferenceField {
    std::string value;
    uint64_t start;
    uint64_t end;
};

inline uint64_t referenceRecord(std::string_view text, uint64_t p, char delimiter, char quote,
                                std::vector<ReferenceField>& fields) {
    fields.clear();
    const uint64_t n = text.size();
    auto stops = [&](uint64_t i) { return text[i] == delimiter || text[i] == '\r' || text[i] == '\n'; };
    uint64_t s = p;
    for (;;) {
        ReferenceField f{{}, s, s};
        uint64_t i = s;
        if (i < n && text[i] == quote) {
            ++i;
            bool open = true;
            while (open && i < n) {
                if (text[i] != quote) {
                    f.value += text[i++];
                } else if (i + 1 < n && text[i + 1] == quote) {
                    f.value += quote;
                    i += 2;
                } else {
                    ++i;
                    open = false;
                }
            }
            if (!open)
                while (i < n && !stops(i)) f.value += text[i++];
        } else {
            while (i < n && !stops(i)) f.value += text[i++];
        }
        f.end = i;
        fields.push_back(f);
        if (i < n && text[i] == delimiter) {
            s = i + 1;
            continue;
        }
        return i;
    }
}

// The table agrees with the reference reading, record by record from the end of its lead.
inline std::string checkAgainstReference(std::string_view text, const CsvTable& table) {
    std::vector<ReferenceField> fields;
    uint64_t pos = table.rows.lead().size();
    uint64_t r = 0;
    while (pos < text.size()) {
        uint64_t e = referenceRecord(text, pos, table.delimiter, table.quote, fields);
        if (r >= table.rows.size()) return "the reference finds more records";
        const CsvRow& row = table.rows[r];
        if (row.start != pos || row.end != e) return at(r, "record bounds differ from the reference");
        if (row.cellCount() != fields.size()) return at(r, "cell count differs from the reference");
        for (uint64_t i = 0; i < fields.size(); ++i) {
            if (row.cell(i) != fields[i].value) return at(r, "cell value differs from the reference");
            if (row.cellStart(i) != fields[i].start - pos || row.cellEnd(i) != fields[i].end - pos)
                return at(r, "cell span differs from the reference");
        }
        pos = row.end + row.eolLength();
        ++r;
    }
    if (r != table.rows.size()) return "scanDocument finds more records than the reference";
    return {};
}

// scanDocument agrees with the document read record by record through scanRecord.
inline std::string checkAgainstScanRecord(std::string_view text, const CsvTable& table) {
    std::vector<std::string> cells;
    std::vector<uint64_t> starts, ends;
    uint64_t pos = table.rows.lead().size();
    uint64_t r = 0;
    while (pos < text.size()) {
        uint64_t e = scanRecord(text, pos, table.delimiter, table.quote, cells, starts, ends);
        if (r >= table.rows.size()) return "scanRecord finds more records";
        const CsvRow& row = table.rows[r];
        if (row.start != pos || row.end != e) return at(r, "record bounds differ from scanRecord");
        if (row.cellCount() != cells.size()) return at(r, "cell count differs from scanRecord");
        for (uint64_t i = 0; i < cells.size(); ++i) {
            if (row.cell(i) != cells[i]) return at(r, "cell value differs from scanRecord");
            if (row.cellStart(i) != starts[i] - pos || row.cellEnd(i) != ends[i] - pos)
                return at(r, "cell span differs from scanRecord");
        }
        pos = row.end + row.eolLength();
        ++r;
    }
    if (r != table.rows.size()) return "scanDocument finds more records";
    return {};
}

// Two tables describe the same document the same way: every row's offsets, line ending, raw
// bytes, cells and spans, and the table's delimiter, quote, maxCells and stamp.
inline std::string checkSameTable(const CsvTable& expected, const CsvTable& actual) {
    if (expected.delimiter != actual.delimiter || expected.quote != actual.quote) return "delimiter or quote differs";
    if (expected.rows.lead() != actual.rows.lead()) return "lead differs";
    if (expected.parsedLength != actual.parsedLength) return "parsedLength differs";
    if (expected.maxCells != actual.maxCells) return "maxCells differs";
    if (expected.rows.size() != actual.rows.size())
        return "row count differs: " + std::to_string(expected.rows.size()) + " against " +
               std::to_string(actual.rows.size());
    for (uint64_t r = 0; r < expected.rows.size(); ++r) {
        const CsvRow& a = expected.rows[r];
        const CsvRow& b = actual.rows[r];
        if (a.start != b.start || a.end != b.end) return at(r, "offsets differ");
        if (a.eol() != b.eol() || a.raw() != b.raw()) return at(r, "line ending or raw differs");
        if (a.cellCount() != b.cellCount()) return at(r, "cell count differs");
        for (uint64_t i = 0; i < a.cellCount(); ++i)
            if (a.cell(i) != b.cell(i) || a.cellStart(i) != b.cellStart(i) || a.cellEnd(i) != b.cellEnd(i))
                return at(r, "cell " + std::to_string(i) + " differs");
    }
    return {};
}

// Two readings of one text note the same of every row (an edit's rows have no notes, so this
// is for readings only).
inline std::string checkSameNotes(const CsvTable& expected, const CsvTable& actual) {
    if (expected.rows.size() != actual.rows.size()) return "row count differs";
    for (uint64_t r = 0; r < expected.rows.size(); ++r) {
        if (expected.rows.notes(r) != actual.rows.notes(r)) return at(r, "notes differ");
    }
    return {};
}

// The scan reads text as the portable field scanner does and as the reference reading does;
// a second scan into the table given (one that held a document before) reads it alike.
inline std::string checkScansAlike(std::string_view text, char delimiter, CsvTable* reused = nullptr) {
    CsvTable expected;
    scanDocumentPortable(text, delimiter, '"', expected);
    CsvTable actual;
    scanDocument(text, delimiter, '"', actual);
    if (std::string failure = checkSameTable(expected, actual); !failure.empty()) return failure;
    if (std::string failure = checkAgainstReference(text, actual); !failure.empty()) return failure;
    if (reused == nullptr) return {};
    scanDocument(text, delimiter, '"', *reused);
    return checkSameTable(expected, *reused);
}

// Joining values and scanning the result gives the values back.
inline std::string checkJoinRoundTrip(const std::vector<std::string>& values, char delimiter, char quote) {
    std::string joined = joinFields(values, delimiter, quote);
    std::vector<std::string> cells;
    std::vector<uint64_t> starts, ends;
    uint64_t e = scanRecord(joined, 0, delimiter, quote, cells, starts, ends);
    if (e != joined.size()) return "the joined row does not scan as one record";
    if (values.empty() ? cells != std::vector<std::string>{""} : cells != values)
        return "the joined row scans to other values";
    return {};
}

// A regenerated row keeps its values, and its spans match its own raw.
inline std::string checkRebuild(CsvRow row, char delimiter, char quote) {
    std::vector<std::string> before = row.cells();
    rebuildRowText(row, delimiter, quote);
    if (row.cells() != before) return "rebuildRowText changed the values";
    if (row.raw() != joinFields(before, delimiter, quote)) return "rebuildRowText raw is not the joined values";
    std::vector<std::string> cells;
    std::vector<uint64_t> starts, ends;
    scanRecord(row.raw(), 0, delimiter, quote, cells, starts, ends);
    if (cells.size() != row.cellCount()) return "rebuilt raw has another cell count";
    for (uint64_t i = 0; i < cells.size(); ++i)
        if (starts[i] != row.cellStart(i) || ends[i] != row.cellEnd(i)) return "rebuilt spans do not match raw";
    return {};
}

}  // namespace invariants
