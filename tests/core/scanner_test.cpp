// The scanner and the row model: table-driven documents, each read through scanDocument and
// record by record through scanRecord, plus the row's value semantics and the grid lookups.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "model/csv_table.h"
#include "table_invariants.h"

namespace {

struct ExpectedRow {
    uint64_t start;
    uint64_t end;
    std::string eol;
    std::vector<std::string> cells;
    std::vector<std::pair<uint64_t, uint64_t>> spans;  // empty: not checked
};

struct ScanCase {
    const char* name;
    std::string text;
    char delimiter;
    std::vector<ExpectedRow> rows;
};

void PrintTo(const ScanCase& c, std::ostream* out) { *out << c.name; }

std::string bytes(const char* s, size_t n) { return std::string(s, n); }

const std::vector<ScanCase>& scanCases() {
    static const std::vector<ScanCase> cases = {
        {"two plain cells", "a,b", ',', {{0, 3, "", {"a", "b"}, {{0, 1}, {2, 3}}}}},
        {"CR LF rows, no empty row after the last ending", "a,b\r\nc,d\r\n", ',',
         {{0, 3, "\r\n", {"a", "b"}, {}}, {5, 8, "\r\n", {"c", "d"}, {}}}},
        {"empty line between rows", "a\n\nb", ',',
         {{0, 1, "\n", {"a"}, {}}, {2, 2, "\n", {""}, {{0, 0}}}, {3, 4, "", {"b"}, {}}}},
        {"LF then CR are two endings", "a\n\rb", ',',
         {{0, 1, "\n", {"a"}, {}}, {2, 2, "\r", {""}, {}}, {3, 4, "", {"b"}, {}}}},
        {"lone CR ends a row", "a\rb\r", ',', {{0, 1, "\r", {"a"}, {}}, {2, 3, "\r", {"b"}, {}}}},
        {"only a line ending", "\r\n", ',', {{0, 0, "\r\n", {""}, {{0, 0}}}}},
        {"quoted line break stays in the row", "\"x\r\ny\",z\n", ',',
         {{0, 8, "\n", {"x\r\ny", "z"}, {{0, 6}, {7, 8}}}}},
        {"doubled quote", "\"a\"\"b\",c", ',', {{0, 8, "", {"a\"b", "c"}, {{0, 6}, {7, 8}}}}},
        {"empty quoted field", "\"\"", ',', {{0, 2, "", {""}, {{0, 2}}}}},
        {"delimiter last gives an empty cell", "a,", ',', {{0, 2, "", {"a", ""}, {{0, 1}, {2, 2}}}}},
        {"delimiter before a line ending", "a,\nb", ',', {{0, 2, "\n", {"a", ""}, {}}, {3, 4, "", {"b"}, {}}}},
        {"quote inside an unquoted field is content", "a\"b,c", ',', {{0, 5, "", {"a\"b", "c"}, {}}}},
        {"leading space: unquoted, quotes kept", " \"a\",b", ',',
         {{0, 6, "", {" \"a\"", "b"}, {{0, 4}, {5, 6}}}}},
        {"bytes after the closing quote join the value", "\"ab\"cd,e", ',',
         {{0, 8, "", {"abcd", "e"}, {{0, 6}, {7, 8}}}}},
        {"space after the closing quote is kept", "\"ab\" ,c", ',', {{0, 7, "", {"ab ", "c"}, {{0, 5}, {6, 7}}}}},
        {"closing quote before a line ending", "\"a\"\nb", ',', {{0, 3, "\n", {"a"}, {}}, {4, 5, "", {"b"}, {}}}},
        {"closing quote at the very end", "x,\"a\"", ',', {{0, 5, "", {"x", "a"}, {{0, 1}, {2, 5}}}}},
        {"unterminated quote swallows the rest", "\"abc\ndef", ',', {{0, 8, "", {"abc\ndef"}, {{0, 8}}}}},
        {"unterminated quote ending in a doubled quote", "\"a\"\"", ',', {{0, 4, "", {"a\""}, {{0, 4}}}}},
        {"lone opening quote at the end", "a,\"", ',', {{0, 3, "", {"a", ""}, {{0, 1}, {2, 3}}}}},
        {"NUL bytes are content", bytes("a\0b,\0", 5), ',', {{0, 5, "", {bytes("a\0b", 3), bytes("\0", 1)}, {}}}},
        {"UTF-8 and a byte-order mark are content", "\xEF\xBB\xBFh\xC3\xA9,x", ',',
         {{0, 8, "", {"\xEF\xBB\xBFh\xC3\xA9", "x"}, {{0, 6}, {7, 8}}}}},
        {"semicolon: commas are content", "a,b;\"c;d\"", ';', {{0, 9, "", {"a,b", "c;d"}, {}}}},
        {"tab delimiter, spaces kept", " a \t b", '\t', {{0, 6, "", {" a ", " b"}, {}}}},
        {"empty document", "", ',', {}},
    };
    return cases;
}

void expectRows(const ScanCase& c, const CsvTable& table) {
    ASSERT_EQ(table.rows.size(), c.rows.size());
    for (size_t r = 0; r < c.rows.size(); ++r) {
        const ExpectedRow& want = c.rows[r];
        const CsvRow& row = table.rows[r];
        SCOPED_TRACE("row " + std::to_string(r));
        EXPECT_EQ(row.start, want.start);
        EXPECT_EQ(row.end, want.end);
        EXPECT_EQ(row.eol(), want.eol);
        EXPECT_EQ(row.cells(), want.cells);
        if (!want.spans.empty()) {
            ASSERT_EQ(row.cellCount(), want.spans.size());
            for (size_t i = 0; i < want.spans.size(); ++i) {
                EXPECT_EQ(row.cellStart(i), want.spans[i].first) << "cell " << i;
                EXPECT_EQ(row.cellEnd(i), want.spans[i].second) << "cell " << i;
            }
        }
    }
}

class ScanCaseTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanCaseTest, DocumentScanGivesTheExpectedRows) {
    const ScanCase& c = GetParam();
    CsvTable table;
    EXPECT_EQ(scanDocument(c.text, c.delimiter, '"', table), c.text.size());
    expectRows(c, table);
    EXPECT_EQ(invariants::checkTiling(c.text, table, c.delimiter), "");
}

TEST_P(ScanCaseTest, RecordByRecordScanAgrees) {
    const ScanCase& c = GetParam();
    CsvTable table;
    scanDocument(c.text, c.delimiter, '"', table);
    EXPECT_EQ(invariants::checkAgainstScanRecord(c.text, table), "");
}

TEST_P(ScanCaseTest, RescanIntoAUsedTableGivesTheSameRows) {
    // The table first holds a wider, longer document, so every row buffer is reused.
    const ScanCase& c = GetParam();
    CsvTable table;
    scanDocument("\"q\"\"1\",2,3,4,5\n6,7,8\r\n9\n10,11,12,13,14,15,16\n\n\n\"x\ny\"", ',', '"', table);
    scanDocument(c.text, c.delimiter, '"', table);
    expectRows(c, table);
    EXPECT_EQ(invariants::checkTiling(c.text, table, c.delimiter), "");
}

TEST_P(ScanCaseTest, EachRowAssignedItsOwnTextScansTheSame) {
    const ScanCase& c = GetParam();
    CsvTable table;
    scanDocument(c.text, c.delimiter, '"', table);
    for (const CsvRow& row : table.rows) {
        CsvRow copy;
        copy.assignText(row.raw(), c.delimiter, '"');
        EXPECT_EQ(copy.raw(), row.raw());
        EXPECT_EQ(copy.cells(), row.cells());
        for (uint64_t i = 0; i < row.cellCount(); ++i) {
            EXPECT_EQ(copy.cellStart(i), row.cellStart(i));
            EXPECT_EQ(copy.cellEnd(i), row.cellEnd(i));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, ScanCaseTest, ::testing::ValuesIn(scanCases()),
                         [](const ::testing::TestParamInfo<ScanCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(ScanRecord, GivesAbsoluteOffsetsAndStopsAtTheLineBreak) {
    std::vector<std::string> cells{"stale"};
    std::vector<uint64_t> starts{99}, ends{99};
    std::string text = "x\n\"a\",b\r\nc";
    EXPECT_EQ(scanRecord(text, 2, ',', '"', cells, starts, ends), 7u);
    EXPECT_EQ(cells, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(starts, (std::vector<uint64_t>{2, 6}));
    EXPECT_EQ(ends, (std::vector<uint64_t>{5, 7}));
}

TEST(ScanRecord, FindsEachStopByteAtEveryPositionOfALongField) {
    // Long fields are searched in blocks; a stop must be seen wherever it lies, on either side
    // of a block boundary and in the short block at the end of the text.
    std::vector<std::string> cells;
    std::vector<uint64_t> starts, ends;
    for (char stop : {';', '\r', '\n'}) {
        for (size_t k = 0; k < 150; ++k) {
            std::string text(150, 'a');
            text[5] = '\x80';
            text[70] = '\xFF';
            text[k] = stop;
            uint64_t e = scanRecord(text, 0, ';', '"', cells, starts, ends);
            SCOPED_TRACE("stop byte " + std::to_string(int(stop)) + " at " + std::to_string(k));
            EXPECT_EQ(ends[0], k);
            EXPECT_EQ(e, stop == ';' ? text.size() : k);
            // The same after a closing quote.
            std::string quoted = "\"q\"" + text;
            scanRecord(quoted, 0, ';', '"', cells, starts, ends);
            EXPECT_EQ(ends[0], k + 3);
        }
    }
}

TEST(ScanRecord, AtTheEndOfTheTextGivesOneEmptyField) {
    std::vector<std::string> cells;
    std::vector<uint64_t> starts, ends;
    EXPECT_EQ(scanRecord("ab", 2, ',', '"', cells, starts, ends), 2u);
    EXPECT_EQ(cells, std::vector<std::string>{""});
    EXPECT_EQ(starts, std::vector<uint64_t>{2});
    EXPECT_EQ(ends, std::vector<uint64_t>{2});
}

TEST(ScanRecord, UsesTheQuoteItIsGiven) {
    std::vector<std::string> cells;
    std::vector<uint64_t> starts, ends;
    scanRecord("'a,''b',\"c", 0, ',', '\'', cells, starts, ends);
    EXPECT_EQ(cells, (std::vector<std::string>{"a,'b", "\"c"}));
}

TEST(ScanDocument, KeepsEveryCellOfWideRowsAndCountsTheWidest) {
    std::string text = "a\nb,c,d\n";
    for (int i = 0; i < 700; ++i) {
        if (i) text += ',';
        text += std::to_string(i);
    }
    CsvTable table;
    scanDocument(text, ',', '"', table);
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(table.maxCells, 700u);
    EXPECT_EQ(table.rows[2].cellCount(), 700u);
    EXPECT_EQ(table.rows[2].cell(699), "699");
    EXPECT_GT(table.maxCells, MAX_GRID_COLUMNS);
}

TEST(ScanDocument, SetsDelimiterQuoteAndStampAndDropsRowsOfTheLastScan) {
    CsvTable table;
    scanDocument("1\n2\n3\n4\n", ',', '"', table);
    table.parsedLength = ~uint64_t(0);
    scanDocument("a;b", ';', '\'', table);
    EXPECT_EQ(table.delimiter, ';');
    EXPECT_EQ(table.quote, '\'');
    EXPECT_EQ(table.parsedLength, 3u);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].cells(), (std::vector<std::string>{"a", "b"}));
    scanDocument("", ',', '"', table);
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(table.maxCells, 0u);
    EXPECT_EQ(table.parsedLength, 0u);
}

TEST(CsvRow, CopiesOwnTheirBytes) {
    CsvTable table;
    scanDocument("\"a,1\",b\n", ',', '"', table);
    CsvRow copy = table.rows[0];
    EXPECT_NE(copy.raw().data(), table.rows[0].raw().data());
    copy.setCells({"x"});
    EXPECT_EQ(table.rows[0].cells(), (std::vector<std::string>{"a,1", "b"}));
    EXPECT_EQ(table.rows[0].raw(), "\"a,1\",b");
    EXPECT_EQ(copy.eol(), "\n");
    EXPECT_EQ(copy.start, table.rows[0].start);

    CsvRow assigned;
    assigned = table.rows[0];
    EXPECT_EQ(assigned.cells(), table.rows[0].cells());
    assigned = assigned;  // self-assignment keeps the row
    EXPECT_EQ(assigned.raw(), "\"a,1\",b");
}

TEST(CsvRow, MovedFromRowIsEmpty) {
    CsvRow row;
    row.assignText("a,b", ',', '"');
    CsvRow moved = std::move(row);
    EXPECT_EQ(moved.cells(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(row.cellCount(), 0u);  // NOLINT(bugprone-use-after-move): a moved-from row is empty
    EXPECT_EQ(row.raw(), "");
}

TEST(CsvRow, SetCellsKeepsRawUntilRebuilt) {
    CsvRow row;
    row.assignText("a,b", ',', '"');
    row.setEol("\r\n");
    row.setCells({"x", "y", "z"});
    EXPECT_EQ(row.cells(), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(row.raw(), "a,b");
    EXPECT_EQ(row.eol(), "\r\n");
    EXPECT_EQ(row.eolLength(), 2u);
}

TEST(CsvRow, AssignTextTakesOnlyTheFirstRecord) {
    CsvRow row;
    row.assignText("a,\"b\nc\"\nd", ',', '"');
    EXPECT_EQ(row.raw(), "a,\"b\nc\"");
    EXPECT_EQ(row.cells(), (std::vector<std::string>{"a", "b\nc"}));
}

TEST(CsvRow, AssignTextAcceptsTheRowsOwnBytes) {
    CsvRow row;
    row.assignText("\"a,b\"\"\",c;d", ',', '"');
    row.assignText(row.raw(), ';', '"');
    EXPECT_EQ(row.cells(), (std::vector<std::string>{"a,b\",c", "d"}));
    row.assignText(row.cell(1), ',', '"');
    EXPECT_EQ(row.cells(), std::vector<std::string>{"d"});
    // Many more cells than before: the layout moves as the row is rewritten.
    row.assignText("a,b,c,d,e,f,g,h", ';', '"');
    row.assignText(row.raw(), ',', '"');
    EXPECT_EQ(row.cellCount(), 8u);
    EXPECT_EQ(row.cell(7), "h");
}

TEST(CsvRow, LineEndingLongerThanTwoBytesIsRefused) {
    CsvRow row;
    EXPECT_THROW(row.setEol("\r\n\n"), std::length_error);
}

TEST(GridLookup, HeaderRowIsNotAGridRow) {
    CsvTable table;
    scanDocument("h1,h2\na\nb,c\n", ',', '"', table);
    EXPECT_EQ(dataRowCount(table, true), 2u);
    EXPECT_EQ(dataRowCount(table, false), 3u);
    EXPECT_EQ(modelRowIndex(0, true), 1u);
    EXPECT_EQ(modelRowIndex(0, false), 0u);
    EXPECT_EQ(cellAt(table, true, 1, 1), std::optional<std::string_view>("c"));
    EXPECT_EQ(cellAt(table, false, 0, 1), std::optional<std::string_view>("h2"));
    EXPECT_FALSE(cellAt(table, true, 0, 1).has_value());   // a short row has no second cell
    EXPECT_FALSE(cellAt(table, true, 2, 0).has_value());   // past the last row
    EXPECT_FALSE(cellAt(table, false, 3, 0).has_value());
}

TEST(GridLookup, NegativeGridRowNamesNoRow) {
    CsvTable table;
    scanDocument("h\nv\n", ',', '"', table);
    // With the header row on, -1 + 1 must not land on the header.
    EXPECT_GE(modelRowIndex(-1, true), table.rows.size());
    EXPECT_GE(modelRowIndex(-1, false), table.rows.size());
    EXPECT_GE(modelRowIndex(INT32_MIN, true), table.rows.size());
    EXPECT_FALSE(cellAt(table, true, -1, 0).has_value());
    EXPECT_FALSE(cellAt(table, false, -1, 0).has_value());
}

TEST(GridLookup, EmptyTableHasNoRows) {
    CsvTable table;
    EXPECT_EQ(dataRowCount(table, true), 0u);
    EXPECT_EQ(dataRowCount(table, false), 0u);
    EXPECT_FALSE(cellAt(table, false, 0, 0).has_value());
}

}  // namespace
