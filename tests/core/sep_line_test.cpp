// The sep line: which first lines name the delimiter, how a scan reads the records after one,
// and that no operation on the records moves or changes it.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/changed_range.h"
#include "model/column_edit.h"
#include "model/csv_table.h"
#include "model/delimiter_convert.h"
#include "model/range_fill.h"
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
    const std::pair<std::string_view, std::optional<SepLine>> cases[] = {
        {"sep=;\r\na;b", SepLine{';', 7}}, {"sep=,\na,b", SepLine{',', 6}}, {"sep=\t\r\r\n", SepLine{'\t', 6}},
        {"sep=|", SepLine{'|', 5}},        {"sep=:\n", SepLine{':', 6}},    {"sep=;;\n", {}},
        {"SEP=;\n", {}},                   {"sep=", {}},                    {"sep=\r\n", {}},
        {"sep=\"\n", {}},                  {" sep=;\n", {}},                {"\xEF\xBB\xBFsep=;\n", {}},
        {"sep=\xC3\xA9\n", {}},            {std::string_view("sep=\0\n", 6), {}},
    };
    for (const auto& [text, line] : cases) EXPECT_EQ(findSepLine(text), line) << ::testing::PrintToString(text);
    // The quote the document is read with is the one refused.
    EXPECT_EQ(findSepLine("sep='\n", '\''), std::nullopt);
}

TEST(SepLine, TheScanReadsTheRecordsAfterItWithItsDelimiter) {
    const std::string text = "sep=;\r\na;b\r\nc,x;d";
    const CsvTable table = scanned(text);
    EXPECT_EQ(sepLineOf(table), (SepLine{';', 7}));
    EXPECT_EQ(invariants::checkTiling(text, table, ','), "");
    EXPECT_EQ(cellAt(table, true, 0, 0), "c,x");  // the header is the first record, not the line
    // Positions in the line belong to no row; the list still holds its bytes.
    EXPECT_EQ(cellHolding(table.rows, 3), std::nullopt);
    EXPECT_TRUE(table.rows.holdsAt(0, text));
    EXPECT_FALSE(table.rows.holdsAt(0, "sep=,"));
}

// The line never joins a record: the first record of a document that is the line alone comes
// after a line ending, and behind a lone CR an empty record ending in LF stays one.
TEST(SepLine, NoRecordJoinsIt) {
    for (const std::string document : {"sep=;", "sep=;\n"}) {
        const CsvTable table = scanned(document);
        for (const TextInsertion& insertion : {rowInsertionBefore(table, 0, 2, "\r\n"),
                                               firstRecordsInsertion(table, 2, 0, {{"x", "y"}}, "\r\n", false),
                                               firstRecordsInsertion(table, 2, 0, {{"x", "y"}}, "\r\n", true)}) {
            const CsvTable after = scanned(std::string(document).insert(insertion.position, insertion.text));
            EXPECT_EQ(after.rows.lead().substr(0, 5), "sep=;");
            EXPECT_EQ(after.rows.cellCount(after.rows.size() - 1), 2u);
        }
    }
    const std::string document = "sep=;\rA\r\n\nB\n";
    const CsvTable table = scanned(document);
    EXPECT_EQ(applied(document, rowDeletionRanges(table, {0})), "sep=;\r\"\"\nB\n");
    EXPECT_EQ(setRowCell(scanned("sep=;\rA\n"), 0, 0, "").text, "\"\"");
    EXPECT_FALSE(orderReadsBack(table, {1, 0, 2}));
}

// An outside edit that touches the line, or writes one, is left to a whole reading; one in the
// records after it is not.
TEST(SepLine, AnOutsideEditOfTheLineAsksForAWholeReading) {
    struct Case {
        std::string document;
        char delimiter;
        uint64_t at, removed;
        std::string inserted;
        RescanResult result;
    };
    const Case cases[] = {
        {"sep=;\na;b\nc;d\n", ',', 4, 1, "|", RescanResult::NotSafe},   // another delimiter
        {"sep=;\na;b\nc;d\n", ',', 0, 6, "", RescanResult::NotSafe},    // the line removed
        {"sep=;\na;b\nc;d\n", ',', 5, 0, "x", RescanResult::NotSafe},   // no line any more
        {"sep=;\na;b\nc;d\n", ',', 6, 0, "x;", RescanResult::Done},     // the first record
        {"sep=;\ra;b\nc;d\n", ',', 6, 0, "\n", RescanResult::NotSafe},  // CR LF now
        {"a;b\nc;d\n", ';', 0, 0, "sep=;\n", RescanResult::NotSafe},    // a line written
        {"ep=;\na;b\n", ';', 0, 0, "s", RescanResult::NotSafe},         // ... a byte at a time
        {"a;b\nc;d\n", ';', 0, 0, "sep=;;", RescanResult::Done},        // no line
    };
    for (const Case& c : cases) {
        CsvTable table = scanned(c.document, c.delimiter);
        const std::string text = std::string(c.document).erase(c.at, c.removed).insert(c.at, c.inserted);
        ChangedRange change;
        noteDeletion(change, c.at, c.removed);
        noteInsertion(change, c.at, c.inserted.size());
        const uint64_t from = rescanStart(table, change);
        EXPECT_EQ(rescanChangedRange(std::string_view(text).substr(from), from, text.size(), change, table), c.result)
            << ::testing::PrintToString(text);
        if (c.result == RescanResult::Done) {
            EXPECT_EQ(invariants::checkSameTable(scanned(text, c.delimiter), table), "");
        }
    }
}

// For generated documents, every operation on the records of a document with a sep line gives
// the line, as it was (or naming the new delimiter), followed by exactly what it gives for the
// same records without the line; the result reads back with the line as its lead.
TEST(SepLine, OperationsOnTheRecordsLeaveTheLineAsItIs) {
    std::mt19937 engine(20261210);
    const auto below = [&](uint64_t n) { return static_cast<uint64_t>(engine() % n); };
    const std::vector<std::string> values = {"a", "b2", "10", "", " x ", "q\"q", "9,5", "x;y", "t\tu", "l|m", "n\r\n"};
    for (int round = 0; round < 300; ++round) {
        const char x = ",;\t|:"[below(5)];
        const std::string lead = std::string("sep=") + x + (below(2) ? "\r\n" : "\n");
        std::string body;
        for (uint64_t r = 0, rows = 1 + below(7); r < rows; ++r) {
            std::vector<std::string> cells(1 + below(4));
            for (std::string& cell : cells) cell = values[below(values.size())];
            body += joinFields(cells, x, '"');
            if (r + 1 < rows || below(2)) body += std::vector<std::string>{"\n", "\r\n", "\r"}[below(3)];
        }
        const std::string document = lead + body;
        SCOPED_TRACE(::testing::PrintToString(document));
        ASSERT_EQ(invariants::checkScansAlike(document, ';'), "");
        const CsvTable table = scanned(document, ';');
        CsvTable inTwo;
        DocumentScan(inTwo, document.size(), ';', '"').stepInTwo(document, document.size(), below(document.size()));
        ASSERT_EQ(invariants::checkSameTable(table, inTwo), "");
        const CsvTable plain = scanned(body, x);
        const uint64_t n = plain.rows.size();  // empty records may have joined line endings
        if (n == 0) continue;
        const auto readsBack = [&](const std::string& text, std::string_view line, const std::string& records) {
            EXPECT_EQ(text, std::string(line) + records);
            const CsvTable again = scanned(text);
            EXPECT_EQ(again.rows.lead(), line);
            EXPECT_EQ(again.rows.size(), scanned(records, line[4]).rows.size());
        };

        const bool headerRow = below(2) == 1;
        const std::vector<SortKey> keys = {{below(4), below(2) == 1}};
        const std::vector<uint64_t> order = sortedRecordOrder(table, headerRow, keys);
        EXPECT_EQ(order, sortedRecordOrder(plain, headerRow, keys));
        std::vector<uint64_t> starts, plainStarts;
        readsBack(reorderedDocumentText(table, order, "\r\n", &starts), lead,
                  reorderedDocumentText(plain, order, "\r\n", &plainStarts));
        for (uint64_t& start : plainStarts) start += lead.size();
        EXPECT_EQ(starts, plainStarts);

        for (const ColumnChange change : {ColumnChange::Insert, ColumnChange::Erase, ColumnChange::Move}) {
            const ColumnEdit edit{change, below(5), x, below(5)};
            readsBack(documentText(table, "\n", edit), lead, documentText(plain, "\n", edit));
        }
        const char to = ",;\t|"[below(4)];
        readsBack(convertedDocumentText(table, to, "\n"), std::string(lead).replace(4, 1, 1, to),
                  convertedDocumentText(plain, to, "\n"));

        const uint64_t r = below(n + 1);
        for (const bool before : {false, true}) {
            const auto insert = [&](const CsvTable& t, std::string text) {
                const TextInsertion i = before ? rowInsertionBefore(t, r, 3, "\r\n") : rowInsertion(t, r, 3, "\r\n");
                return text.insert(i.position, i.text);
            };
            readsBack(insert(table, document), lead, insert(plain, body));
        }
        std::vector<uint64_t> doomed;
        for (uint64_t k = 0; k < n; ++k) {
            if (below(2)) doomed.push_back(k);
        }
        readsBack(applied(document, rowDeletionRanges(table, doomed)), lead,
                  applied(body, rowDeletionRanges(plain, doomed)));

        const CellRange range{0, static_cast<int32_t>(n) - 1, 1, 3};
        for (const FillDirection direction : {FillDirection::Down, FillDirection::Right}) {
            EXPECT_EQ(filledBlock(table, false, range, direction), filledBlock(plain, false, range, direction));
        }
    }
}

}  // namespace
