// The sep line: which first lines name the delimiter, how a scan reads the records after one,
// and that no operation on the records moves or changes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/changed_range.h"
#include "model/column_edit.h"
#include "model/csv_table.h"
#include "model/delimiter_convert.h"
#include "model/range_fill.h"
#include "model/row_edits.h"
#include "model/row_text.h"
#include "model/row_update.h"
#include "model/sep_line.h"
#include "model/sort_order.h"
#include "table_invariants.h"

namespace {

CsvTable scanned(std::string_view text, char delimiter = ',') {
    CsvTable table;
    scanDocument(text, delimiter, '"', table);
    return table;
}

std::string applied(std::string text, const std::vector<ByteRange>& ranges) {
    for (const ByteRange& range : ranges) text.replace(range.from, range.to - range.from, range.text);
    return text;
}

TEST(SepLine, IsFoundOnlyInItsExactForm) {
    using std::nullopt;
    struct Case {
        std::string_view text;
        std::optional<SepLine> line;
    };
    const Case cases[] = {
        {"sep=;\r\na;b", SepLine{';', 7}},
        {"sep=,\na,b", SepLine{',', 6}},
        {"sep=\t\r\r\n", SepLine{'\t', 6}},
        {"sep=|", SepLine{'|', 5}},
        {"sep=:\n", SepLine{':', 6}},
        {"sep=;;\n", nullopt},
        {"SEP=;\n", nullopt},
        {"Sep=;\n", nullopt},
        {"sep=", nullopt},
        {"sep=\n", nullopt},
        {"sep=\r\n", nullopt},
        {"sep=\"\n", nullopt},
        {" sep=;\n", nullopt},
        {"\xEF\xBB\xBFsep=;\n", nullopt},
        {"sep=\xC3\xA9\n", nullopt},
        {std::string_view("sep=\0\n", 6), nullopt},
        {"", nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(findSepLine(c.text), c.line) << ::testing::PrintToString(c.text);
    // The quote the document is read with is the one refused.
    EXPECT_EQ(findSepLine("sep='\n", '\''), std::nullopt);
    EXPECT_EQ(findSepLine("sep=\"\n", '\''), (SepLine{'"', 6}));
}

TEST(SepLine, TheScanReadsTheRecordsAfterItWithItsDelimiter) {
    const std::string text = "sep=;\r\na;b\r\nc,x;d";
    const CsvTable table = scanned(text);
    EXPECT_EQ(table.delimiter, ';');
    EXPECT_EQ(table.rows.lead(), "sep=;\r\n");
    EXPECT_EQ(sepLineOf(table), (SepLine{';', 7}));
    EXPECT_EQ(invariants::checkTiling(text, table, ','), "");
    EXPECT_EQ(cellAt(table, true, 0, 0), "c,x");  // the header is the first record, not the line
    // Positions in the line belong to no row; the list still holds its bytes.
    EXPECT_EQ(table.rows.rowStartingAt(0), ~uint64_t(0));
    EXPECT_EQ(table.rows.rowStartingAt(7), 0u);
    EXPECT_EQ(table.rows.lastRowStartingBefore(3), 0u);
    EXPECT_EQ(cellHolding(table.rows, 3), std::nullopt);
    EXPECT_TRUE(table.rows.holdsAt(0, text));
    EXPECT_FALSE(table.rows.holdsAt(0, "sep=,"));
    // A line alone is a document without records.
    const CsvTable bare = scanned("sep=|");
    EXPECT_TRUE(bare.rows.empty());
    EXPECT_EQ(bare.delimiter, '|');
    EXPECT_EQ(bare.parsedLength, 5u);
}

// A document without records gets its first one after the line, which gains the line ending it
// lacked at the document's end.
TEST(SepLine, FirstRecordsGoAfterIt) {
    for (const std::string document : {"sep=;", "sep=;\n"}) {
        const CsvTable table = scanned(document);
        const std::vector<TextInsertion> insertions = {
            rowInsertion(table, 0, 2, "\r\n"), rowInsertionBefore(table, 0, 2, "\r\n"),
            firstRecordsInsertion(table, 2, 0, {{"x", "y"}}, "\r\n", false)};
        for (const TextInsertion& insertion : insertions) {
            std::string text = document;
            text.insert(insertion.position, insertion.text);
            const CsvTable after = scanned(text);
            EXPECT_EQ(after.rows.lead().substr(0, 5), "sep=;") << text;
            EXPECT_EQ(after.rows.size(), 1u) << text;
            EXPECT_EQ(after.rows.cellCount(0), 2u) << text;
        }
    }
}

// Behind a line that ends in a lone CR, an empty record ending in LF would join it: the line
// stays, and the record is written so that it stays one.
TEST(SepLine, ItsLoneCrIsNeverJoinedToAnEmptyRecord) {
    const std::string document = "sep=;\rA\r\n\nB\n";
    const CsvTable table = scanned(document);
    ASSERT_EQ(table.rows.size(), 3u);
    const std::string deleted = applied(document, rowDeletionRanges(table, {0}));
    EXPECT_EQ(deleted, "sep=;\r\"\"\nB\n");

    const CsvTable single = scanned("sep=;\rA\n");
    EXPECT_EQ(setRowCell(single, 0, 0, "").text, "\"\"");

    EXPECT_FALSE(orderReadsBack(table, {1, 0, 2}));
    EXPECT_TRUE(orderReadsBack(table, {2, 1, 0}));
}

// An outside edit that touches the line, or writes one, is left to a whole reading; one in the
// records after it is not.
TEST(SepLine, AnOutsideEditOfTheLineAsksForAWholeReading) {
    struct Case {
        std::string document;
        char delimiter;
        uint64_t at;
        uint64_t removed;
        std::string inserted;
        RescanResult result;
    };
    const Case cases[] = {
        {"sep=;\na;b\nc;d\n", ',', 4, 1, "|", RescanResult::NotSafe},       // another delimiter
        {"sep=;\na;b\nc;d\n", ',', 0, 6, "", RescanResult::NotSafe},        // the line removed
        {"sep=;\na;b\nc;d\n", ',', 5, 0, "x", RescanResult::NotSafe},       // no line any more
        {"sep=;\na;b\nc;d\n", ',', 6, 0, "x;", RescanResult::Done},         // the first record
        {"sep=;\ra;b\nc;d\n", ',', 6, 0, "\n", RescanResult::NotSafe},      // CR LF now
        {"a;b\nc;d\n", ';', 0, 0, "sep=;\n", RescanResult::NotSafe},        // a line written
        {"ep=;\na;b\n", ';', 0, 0, "s", RescanResult::NotSafe},             // ... a byte at a time
        {"a;b\nc;d\n", ';', 0, 0, "sep=;;", RescanResult::Done},            // no line
    };
    for (const Case& c : cases) {
        CsvTable table = scanned(c.document, c.delimiter);
        std::string text = c.document;
        ChangedRange change;
        text.erase(c.at, c.removed);
        noteDeletion(change, c.at, c.removed);
        text.insert(c.at, c.inserted);
        noteInsertion(change, c.at, c.inserted.size());
        const uint64_t from = rescanStart(table, change);
        EXPECT_EQ(rescanChangedRange(std::string_view(text).substr(from), from, text.size(), change, table), c.result)
            << ::testing::PrintToString(text);
        if (c.result == RescanResult::Done) {
            EXPECT_EQ(invariants::checkSameTable(scanned(text, c.delimiter), table), "") << text;
        }
    }
}

// For generated documents, every operation on the records of a document with a sep line gives
// the line, as it was (or naming the new delimiter), followed by exactly what it gives for the
// same records without the line.
TEST(SepLine, OperationsOnTheRecordsLeaveTheLineAsItIs) {
    std::mt19937 engine(20261210);
    const auto below = [&](uint64_t n) { return static_cast<uint64_t>(engine() % n); };
    const std::vector<std::string> values = {"a", "b2", "10", "", " x ", "q\"q", "9,5", "x;y", "t\tu", "l|m", "n\r\n"};
    const std::vector<std::string> endings = {"\n", "\r\n", "\r"};
    for (int round = 0; round < 300; ++round) {
        const char x = ",;\t|:"[below(5)];
        const std::string lead = std::string("sep=") + x + (below(2) ? "\r\n" : "\n");
        std::string body;
        const uint64_t rowCount = 1 + below(7);
        for (uint64_t r = 0; r < rowCount; ++r) {
            std::vector<std::string> cells(1 + below(4));
            for (std::string& cell : cells) cell = values[below(values.size())];
            body += joinFields(cells, x, '"');
            if (r + 1 < rowCount || below(2)) body += endings[below(endings.size())];
        }
        const std::string document = lead + body;
        SCOPED_TRACE(::testing::PrintToString(document));
        ASSERT_EQ(invariants::checkScansAlike(document, ';'), "");
        const CsvTable table = scanned(document, ';');
        CsvTable inTwo;
        DocumentScan scan(inTwo, document.size(), ';', '"');
        scan.stepInTwo(document, document.size(), below(document.size()));
        ASSERT_EQ(invariants::checkSameTable(table, inTwo), "");
        const CsvTable plain = scanned(body, x);
        ASSERT_EQ(table.rows.size(), plain.rows.size());
        const uint64_t n = table.rows.size();  // empty records may have joined line endings
        if (n == 0) continue;
        const uint64_t shift = lead.size();
        const auto shifted = [&](std::vector<ByteRange> ranges) {
            for (ByteRange& range : ranges) range.from += shift, range.to += shift;
            return ranges;
        };
        const auto readsBackWith = [&](const std::string& text, std::string_view line, const std::string& records,
                                       char delimiter) {
            EXPECT_EQ(text, std::string(line) + records);
            const CsvTable again = scanned(text);
            EXPECT_EQ(again.rows.lead(), line);
            EXPECT_EQ(again.rows.size(), scanned(records, delimiter).rows.size());
        };

        const bool headerRow = below(2) == 1;
        const std::vector<SortKey> keys = {{below(4), below(2) == 1}};
        const std::vector<uint64_t> order = sortedRecordOrder(table, headerRow, keys);
        EXPECT_EQ(order, sortedRecordOrder(plain, headerRow, keys));
        std::vector<uint64_t> starts, plainStarts;
        readsBackWith(reorderedDocumentText(table, order, "\r\n", &starts), lead,
                      reorderedDocumentText(plain, order, "\r\n", &plainStarts), x);
        for (uint64_t& start : plainStarts) start += shift;
        EXPECT_EQ(starts, plainStarts);

        for (const ColumnChange change : {ColumnChange::Insert, ColumnChange::Erase, ColumnChange::Move}) {
            const ColumnEdit edit{change, below(5), x, below(5)};
            readsBackWith(documentText(table, "\n", edit), lead, documentText(plain, "\n", edit), x);
        }

        const char to = ",;\t|"[below(4)];
        std::string renamed = lead;
        renamed[4] = to;
        readsBackWith(convertedDocumentText(table, to, "\n"), renamed, convertedDocumentText(plain, to, "\n"), to);

        const uint64_t r = below(n + 1);
        for (const bool before : {false, true}) {
            const TextInsertion insertion =
                before ? rowInsertionBefore(table, r, 3, "\r\n") : rowInsertion(table, r, 3, "\r\n");
            const TextInsertion plainInsertion =
                before ? rowInsertionBefore(plain, r, 3, "\r\n") : rowInsertion(plain, r, 3, "\r\n");
            EXPECT_EQ(insertion, (TextInsertion{plainInsertion.position + shift, plainInsertion.text}));
        }

        std::vector<uint64_t> doomed;
        for (uint64_t k = 0; k < n; ++k) {
            if (below(2)) doomed.push_back(k);
        }
        const std::vector<ByteRange> deletion = rowDeletionRanges(table, doomed);
        EXPECT_EQ(deletion, shifted(rowDeletionRanges(plain, doomed)));
        readsBackWith(applied(document, deletion), lead, applied(body, rowDeletionRanges(plain, doomed)), x);

        const auto lastRow = static_cast<int32_t>(n) - 1;
        const CellRange range{0, lastRow, 1, 3};
        for (const FillDirection direction : {FillDirection::Down, FillDirection::Right}) {
            EXPECT_EQ(filledBlock(table, false, range, direction), filledBlock(plain, false, range, direction));
        }
        const uint64_t cell = below(3);
        const RowReplacement replacement = setRowCell(table, r % n, cell, "v");
        const RowReplacement plainReplacement = setRowCell(plain, r % n, cell, "v");
        EXPECT_EQ(replacement.start, plainReplacement.start + shift);
        EXPECT_EQ(replacement.text, plainReplacement.text);
        const std::vector<std::pair<uint64_t, std::string>> changed = {{r % n, "v" + std::string(1, x) + "\n"}};
        EXPECT_EQ(rowEdits(table.rows, changed), shifted(rowEdits(plain.rows, changed)));
    }
}

}  // namespace
