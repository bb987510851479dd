// Where added rows go, the ranges row deletions remove, and rows with a column inserted or
// erased, on scanned documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/column_edit.h"
#include "model/csv_table.h"
#include "model/row_text.h"

namespace {

CsvTable scanned(const std::string& text) {
    CsvTable table;
    scanDocument(text, ',', '"', table);
    return table;
}

std::string withColumn(const std::string& text, ColumnChange change, uint64_t cellIndex) {
    return documentText(scanned(text), "\r\n", ColumnEdit{change, cellIndex, ','});
}

std::string applied(std::string text, const std::vector<ByteRange>& ranges) {
    for (const ByteRange& range : ranges) {
        text.replace(range.from, range.to - range.from, range.text);
    }
    return text;
}

// ---- adding a row ------------------------------------------------------------------------

TEST(RowInsertion, FollowsTheRowWithItsOwnLineEnding) {
    const CsvTable table = scanned("a,b\r\nc,d\r\n");
    EXPECT_EQ(rowInsertion(table, 0, 2, "\r\n"), (TextInsertion{5, ",\r\n"}));
    // Past the end: after the last row.
    EXPECT_EQ(rowInsertion(table, 9, 2, "\r\n"), (TextInsertion{10, ",\r\n"}));
    // The document's ending is used, not the row's.
    EXPECT_EQ(rowInsertion(scanned("a\nb\n"), 1, 1, "\r"), (TextInsertion{4, "\"\"\r"}));
}

TEST(RowInsertion, AfterALastRowWithoutLineEndingTheNewRowHasNone) {
    EXPECT_EQ(rowInsertion(scanned("a,b"), 0, 2, "\r\n"), (TextInsertion{3, "\r\n,"}));
}

TEST(RowInsertion, AnEmptyDocumentGetsOneRecordLine) {
    EXPECT_EQ(rowInsertion(scanned(""), 0, 1, "\r\n"), (TextInsertion{0, "\"\"\r\n"}));
}

// The first value typed or pasted into the empty row of a grid without data rows: the records,
// and the empty titles before them when the document is empty and the first record is the header.
TEST(FirstRecordsInsertion, WritesTheRecordsAfterTheTitlesKeepingTheLastLineEnding) {
    struct Case {
        std::string document;
        uint64_t columns;
        uint64_t cellIndex;
        std::string value;
        bool headerRow;
        std::string after;
    };
    const std::vector<Case> cases{
        {"", 1, 0, "x", false, "x"},
        {"", 1, 0, "x", true, "\"\"\r\nx"},
        {"", 1, 0, "a,b", true, "\"\"\r\n\"a,b\""},
        {"", 1, 2, "x", true, ",,\r\n,,x"},  // a cell right of the empty title widens both lines
        {"id,name\r\n", 2, 1, "x", true, "id,name\r\n,x\r\n"},
        {"id,name", 2, 0, "x", true, "id,name\r\nx,"},
        {"id\r", 1, 0, "\n", true, "id\r\"\n\"\r\n"},  // a quoted line break never joins the lone CR
    };
    for (const Case& c : cases) {
        const TextInsertion insertion =
            firstRecordsInsertion(scanned(c.document), c.columns, c.cellIndex, {{c.value}}, "\r\n", c.headerRow);
        std::string text = c.document;
        text.insert(static_cast<size_t>(insertion.position), insertion.text);
        EXPECT_EQ(text, c.after) << c.document << " / " << c.value;
        // Read again, the value is the first data record's cell.
        const CsvTable table = scanned(text);
        const auto cell = cellAt(table, c.headerRow, 0, c.cellIndex);
        ASSERT_TRUE(cell.has_value()) << c.after;
        EXPECT_EQ(*cell, c.value) << c.after;
        EXPECT_EQ(dataRowCount(table, c.headerRow), 1u) << c.after;
    }
    // A pasted block: its lines become records as wide as the widest, an empty one "" alone.
    const TextInsertion block =
        firstRecordsInsertion(scanned(""), 1, 1, {{"a", "b"}, {}, {"c"}}, "\n", true);
    EXPECT_EQ(block.text, ",,\n,a,b\n,,\n,c,");
}

TEST(RowInsertion, BlankRowHasTheShownColumnsNotTheWidestRow) {
    const std::string wide(699, ',');
    const TextInsertion insertion = rowInsertion(scanned(wide + "\r\n"), 0, MAX_GRID_COLUMNS, "\r\n");
    EXPECT_EQ(insertion.text, std::string(511, ',') + "\r\n");
    // One column, or none shown, makes one empty quoted cell, a record and not a blank line.
    EXPECT_EQ(rowInsertion(scanned("\r\n"), 0, 0, "\r\n").text, "\"\"\r\n");
}

// ---- deleting rows -----------------------------------------------------------------------

TEST(RowDeletion, OneRangePerRunLastRunFirst) {
    const std::string text = "r0\r\nr1\r\nr2\r\nr3\r\nr4\r\n";
    const CsvTable table = scanned(text);
    const std::vector<ByteRange> ranges = rowDeletionRanges(table, {1, 3, 4});
    EXPECT_EQ(ranges, (std::vector<ByteRange>{{12, 20, {}}, {4, 8, {}}}));
    EXPECT_EQ(applied(text, ranges), "r0\r\nr2\r\n");
}

TEST(RowDeletion, LastRowWithoutLineEndingTakesTheOneInFrontOfIt) {
    EXPECT_EQ(applied("a\r\nb", rowDeletionRanges(scanned("a\r\nb"), {1})), "a");
    EXPECT_EQ(applied("a\nb\nc", rowDeletionRanges(scanned("a\nb\nc"), {1, 2})), "a");
    // With a final line ending the rows before keep theirs.
    EXPECT_EQ(applied("a\r\nb\r\n", rowDeletionRanges(scanned("a\r\nb\r\n"), {1})), "a\r\n");
}

TEST(RowDeletion, EveryRowLeavesAnEmptyDocumentAndQuotedLineBreaksGoWithTheirRow) {
    EXPECT_EQ(applied("a\rb\rc", rowDeletionRanges(scanned("a\rb\rc"), {0, 1, 2})), "");
    const std::string text = "h\r\n\"x\r\ny\",z\r\nw\r\n";
    EXPECT_EQ(applied(text, rowDeletionRanges(scanned(text), {1})), "h\r\nw\r\n");
    EXPECT_TRUE(rowDeletionRanges(scanned(text), {7}).empty());
}

// ---- column edits ------------------------------------------------------------------------

// Every cell of a six-cell row is found after any insert, erase or move where cellAfterEdit
// says, and the erased one nowhere.
TEST(CellAfterEdit, FollowsEveryCellAsTheRewriteMovesIt) {
    const std::vector<std::string> before{"c0", "c1", "c2", "c3", "c4", "c5"};
    for (const ColumnChange change : {ColumnChange::Insert, ColumnChange::Erase, ColumnChange::Move}) {
        for (uint64_t at = 0; at < 6; ++at) {
            for (uint64_t target = 0; target < (change == ColumnChange::Move ? 6u : 1u); ++target) {
                const ColumnEdit edit{change, at, ',', target};
                const CsvTable after = scanned(documentText(scanned("c0,c1,c2,c3,c4,c5\r\n"), "\r\n", edit));
                const CsvRow row = after.rows[0];
                for (uint64_t cell = 0; cell < 6; ++cell) {
                    const std::optional<uint64_t> place = cellAfterEdit(edit, cell);
                    if (!place) {
                        EXPECT_TRUE(change == ColumnChange::Erase && cell == at);
                        continue;
                    }
                    ASSERT_LT(*place, row.cellCount());
                    EXPECT_EQ(row.cell(*place), before[cell]) << static_cast<int>(change) << " " << at << " " << target;
                }
            }
        }
    }
}

TEST(ColumnInsert, GoesInFrontOfTheCellOrAfterTheLastAndSkipsShortRows) {
    EXPECT_EQ(withColumn("a,b,c", ColumnChange::Insert, 1), "a,,b,c");
    EXPECT_EQ(withColumn("x", ColumnChange::Insert, 1), "x,");
    EXPECT_EQ(withColumn("a,b\r\n", ColumnChange::Insert, 3), "a,b\r\n");
    EXPECT_EQ(withColumn("a,b\r\n", ColumnChange::Insert, 0), ",a,b\r\n");
    EXPECT_EQ(withColumn("\r\n", ColumnChange::Insert, 0), ",\r\n");
}

TEST(ColumnInsert, KeepsEveryOtherByteQuotesIncluded) {
    EXPECT_EQ(withColumn("\"a,b\",c\r\n", ColumnChange::Insert, 1), "\"a,b\",,c\r\n");
    // A quoted cell is moved whole, opening quote and needless quotes included.
    EXPECT_EQ(withColumn("\"a\",\"x\r\ny\"\n", ColumnChange::Insert, 1), "\"a\",,\"x\r\ny\"\n");
}

TEST(ColumnErase, TakesTheCellWithOneDelimiter) {
    EXPECT_EQ(withColumn("a,b,c\r\na,b\r\na\r\n", ColumnChange::Erase, 1), "a,c\r\na\r\na\r\n");
    EXPECT_EQ(withColumn("x\r\n", ColumnChange::Erase, 0), "\r\n");
    EXPECT_EQ(withColumn("a,\"b,c\",d", ColumnChange::Erase, 1), "a,d");
    EXPECT_EQ(withColumn("\" a\",\"b\r\nc\"", ColumnChange::Erase, 1), "\" a\"");
    EXPECT_EQ(withColumn("a,b", ColumnChange::Erase, 0), "b");
    // A row emptied between a lone CR and an LF stays a record instead of joining them.
    EXPECT_EQ(withColumn("a,b\rc\nd,e\n", ColumnChange::Erase, 0), "b\r\"\"\ne\n");
    EXPECT_EQ(scanned(withColumn("a,b\rc\nd,e\n", ColumnChange::Erase, 0)).rows.size(), 3u);
}

TEST(DocumentText, MiddleRowsWithoutEndingGetTheDocumentsAndTheLastKeepsItsOwn) {
    CsvTable table = scanned("a\nb");
    EXPECT_EQ(documentText(table, "\r\n"), "a\nb");
    CsvRow first = table.rows.front();
    first.setEol("");
    table.rows.set(0, first);
    EXPECT_EQ(documentText(table, "\r\n"), "a\r\nb");
    EXPECT_EQ(documentText(scanned(""), "\r\n"), "");
}

// For well-formed documents with any quoting, a column insert or erase changes exactly the
// one cell in every row that has it, and re-scanning reads every other value back.
TEST(ColumnEditProperty, RescanGivesTheSameValuesWithTheColumnInsertedOrErased) {
    std::mt19937 engine(20261208);
    const std::vector<std::string> pieces = {"a", "b c", " x", "\"", ",", "\r\n", "\n", "\xC3\xA9", ""};
    for (int round = 0; round < 400; ++round) {
        std::vector<std::vector<std::string>> values(engine() % 6 + 1);
        std::string text;
        for (size_t r = 0; r < values.size(); ++r) {
            values[r].resize(engine() % 5 + 1);
            for (std::string& value : values[r]) {
                for (unsigned n = engine() % 3; n > 0; --n) value += pieces[engine() % pieces.size()];
            }
            std::string raw = joinFields(values[r], ',', '"');
            // Some cells quoted without need: their quotes must survive untouched.
            if (raw.empty() || raw.front() != '"') {
                if (engine() % 3 == 0 && values[r].front().find_first_of(",\"\r\n") == std::string::npos &&
                    !values[r].front().empty()) {
                    raw.insert(raw.begin(), '"');
                    raw.insert(raw.begin() + static_cast<long>(values[r].front().size()) + 1, '"');
                }
            }
            text += raw;
            if (r + 1 < values.size() || raw.empty() || engine() % 2 == 0) text += "\r\n";
        }
        if (values.size() == 1 && values[0].size() == 1 && values[0][0].empty()) continue;
        const uint64_t c = engine() % 6;
        for (const ColumnChange change : {ColumnChange::Insert, ColumnChange::Erase}) {
            std::vector<uint64_t> starts;
            const std::string edited = documentText(scanned(text), "\r\n", ColumnEdit{change, c, ','}, &starts);
            std::vector<std::vector<std::string>> expected = values;
            for (std::vector<std::string>& row : expected) {
                if (change == ColumnChange::Insert && c <= row.size()) {
                    row.insert(row.begin() + static_cast<long>(c), std::string());
                } else if (change == ColumnChange::Erase && c < row.size()) {
                    row.erase(row.begin() + static_cast<long>(c));
                    if (row.empty()) row.emplace_back();
                }
            }
            // A last row left empty, with no line ending after it, is no line at all.
            const bool open = text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0;
            if (open && expected.back() == std::vector<std::string>{""}) expected.pop_back();
            const CsvTable table = scanned(edited);
            ASSERT_EQ(table.rows.size(), expected.size()) << text;
            for (size_t r = 0; r < expected.size(); ++r) {
                EXPECT_EQ(table.rows[r].cells(), expected[r]) << "row " << r << " of " << text;
                EXPECT_EQ(starts[r], table.rows.start(r)) << "row " << r << " of " << text;
            }
        }
    }
}

// The one replace between two texts: applied, it gives the second; it starts at the first byte
// they differ in and ends past the last, across the blocks the comparison takes at a time.
TEST(ChangedStretch, IsTheLeastReplaceBetweenTwoTexts) {
    std::mt19937 engine(5);
    for (int round = 0; round < 300; ++round) {
        const size_t shared = engine() % 3 == 0 ? engine() % 20000 : engine() % 20;
        std::string front(shared, 'a'), back(engine() % 9000, 'z');
        for (char& c : front) c = static_cast<char>('a' + engine() % 3);
        for (char& c : back) c = static_cast<char>('x' + engine() % 3);
        std::string before = front + std::string(engine() % 4, '1') + back;
        std::string after = front + std::string(engine() % 4, '2') + back;
        const ByteRange stretch = changedStretch(before, after);
        std::string written = before;
        written.replace(stretch.from, stretch.to - stretch.from, stretch.text);
        ASSERT_EQ(written, after);
        ASSERT_TRUE(stretch.from == before.size() || stretch.from == after.size() ||
                    before[stretch.from] != after[stretch.from]);
        ASSERT_LE(stretch.to - stretch.from, before.size() - front.size() - back.size() + 0u);
    }
}

TEST(ColumnEditProperty, WholeDocumentsAreEditedAsTheirDecodedRowsAre) {
    // The document is written from the spans of each row's cells alone; a decoded row must
    // give the same bytes, on any text (quotes inside cells and after closing quotes too).
    std::mt19937 engine(1210);
    const char bytes[] = {',', '"', '"', '\r', '\n', 'a', ' ', 'b'};
    for (int round = 0; round < 500; ++round) {
        std::string text;
        for (unsigned n = engine() % 60; n > 0; --n) text += bytes[engine() % sizeof bytes];
        const CsvTable table = scanned(text);
        const ColumnEdit edit{engine() % 2 ? ColumnChange::Insert : ColumnChange::Erase, engine() % 4, ','};
        std::string expected;
        for (uint64_t r = 0; r < table.rows.size(); ++r) {
            const CsvRow row = table.rows[r];
            const size_t start = expected.size();
            appendEditedRow(expected, row, edit);
            const std::string ending = r + 1 == table.rows.size() || !row.eol().empty() ? std::string(row.eol()) : "\r\n";
            // (An emptied row between a lone CR and an LF is written "" so that it stays a row.)
            if (expected.size() == start && start > 0 && expected.back() == '\r' && !ending.empty() && ending[0] == '\n') {
                expected += "\"\"";
            }
            expected += ending;
        }
        ASSERT_EQ(documentText(table, "\r\n", edit), expected) << ::testing::PrintToString(text);
    }
}

}  // namespace

// ---- records that must not join or vanish ---------------------------------------------------

// Rows in a document after an insertion or after deletions.
size_t rowCount(const std::string& text) {
    return scanned(text).rows.size();
}

std::string inserted(const std::string& text, const TextInsertion& insertion) {
    return text.substr(0, insertion.position) + insertion.text + text.substr(insertion.position);
}

TEST(RowInsertion, EveryInsertionAddsExactlyOneRow) {
    struct Case {
        std::string document;
        uint64_t after;
        uint64_t columns;
        std::string eol;
    };
    const std::vector<Case> cases = {
        {"a", 0, 1, "\r\n"},            // one column, last row without an ending
        {"a\rb\r", 0, 1, "\n"},          // after a lone CR, with LF endings
        {"a\r\n\nb\r\n", 0, 1, "\r"},    // before a row that begins with LF, with CR endings
        {"a\r", 0, 1, "\n"},             // after a last lone CR
        {"a,b\r\nc,d", 1, 2, "\r\n"},
    };
    for (const Case& c : cases) {
        const CsvTable table = scanned(c.document);
        const std::string after = inserted(c.document, rowInsertion(table, c.after, c.columns, c.eol));
        EXPECT_EQ(rowCount(after), table.rows.size() + 1) << c.document;
        // Every byte of the document is still there, in order, around the insertion.
        const std::string before = inserted(c.document, rowInsertionBefore(table, c.after, c.columns, c.eol));
        EXPECT_EQ(rowCount(before), table.rows.size() + 1) << c.document;
    }
    EXPECT_EQ(inserted("a", rowInsertion(scanned("a"), 0, 1, "\r\n")), "a\r\n\"\"");
    EXPECT_EQ(rowInsertionBefore(scanned("x,y\r\n"), 0, 2, "\r\n"), (TextInsertion{0, ",\r\n"}));
    // In front of a row other than the first: after the row before it.
    EXPECT_EQ(rowInsertionBefore(scanned("a,b\r\nc,d\r\n"), 1, 2, "\r\n"), (TextInsertion{5, ",\r\n"}));
}

TEST(RowDeletion, EveryDeletionRemovesExactlyItsRows) {
    struct Case {
        std::string document;
        std::vector<uint64_t> rows;
    };
    const std::vector<Case> cases = {
        {"a\r\nb\r\n\nc", {1}},     // CR LF before, an LF row after
        {"a\rb\r\nc", {1}},         // a lone CR before an ordinary row
        {"a\rb\r\n\nc", {1}},       // would leave a lone CR in front of the empty LF row
        {"a\rb\rc\r\n\nd", {1, 2}}, // the same for a run whose last row ends in CR LF
        {"a\r\n\r\nb", {2}},        // the last row after an empty line
        {"a\r\n\r\n\r\nb", {2, 3}},
        {"a\r\nb", {1}},
    };
    for (const Case& c : cases) {
        const CsvTable table = scanned(c.document);
        const std::string after = applied(c.document, rowDeletionRanges(table, c.rows));
        EXPECT_EQ(rowCount(after), table.rows.size() - c.rows.size()) << c.document;
        // The rows that stay keep their cells in order.
        const CsvTable rest = scanned(after);
        std::vector<std::string> kept, expected;
        for (const CsvRow& row : rest.rows) kept.emplace_back(row.raw());
        for (size_t r = 0; r < table.rows.size(); ++r) {
            if (std::find(c.rows.begin(), c.rows.end(), r) == c.rows.end()) expected.emplace_back(table.rows[r].raw());
        }
        EXPECT_EQ(kept, expected) << c.document;
    }
}

namespace {

// Any set of rows of a document with lone CR, LF and CR LF mixed, empty rows among them, with
// or without a final line ending: what stays reads back as exactly the other rows.
TEST(RowDeletion, AnyRowsOfMixedLineEndingsLeaveExactlyTheOthers) {
    std::mt19937 random(7);
    const auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    static const char* const endings[] = {"\r\n", "\n", "\r"};
    static const char* const values[] = {"", "", "a", "b,c", "\"q\r\nr\""};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const uint32_t rows = 1 + below(7);
        for (uint32_t r = 0; r < rows; ++r) {
            text += values[below(5)];
            if (r + 1 < rows || below(2) == 0) text += endings[below(3)];
        }
        const CsvTable table = scanned(text);
        std::vector<uint64_t> doomed;
        for (uint64_t r = 0; r < table.rows.size(); ++r) {
            if (below(3) == 0) doomed.push_back(r);
        }
        if (doomed.empty()) continue;
        const std::string after = applied(text, rowDeletionRanges(table, doomed));
        std::vector<std::string> kept, expected;
        for (const CsvRow& row : scanned(after).rows) kept.emplace_back(row.raw());
        for (uint64_t r = 0; r < table.rows.size(); ++r) {
            if (!std::binary_search(doomed.begin(), doomed.end(), r)) expected.emplace_back(table.rows[r].raw());
        }
        ASSERT_EQ(kept, expected) << testing::PrintToString(text) << " -> " << testing::PrintToString(after);
    }
}

// A moved cell keeps its exact bytes, quotes included, and the cells between move one place;
// short rows are padded only where the moved cell lands past their end, and a row without the
// moved cell gets an empty one in its place so the later cells stay under their titles.
TEST(ColumnMove, CellsMoveKeepingTheirBytes) {
    const auto moved = [](const std::string& text, uint64_t from, uint64_t to) {
        return documentText(scanned(text), "\r\n", ColumnEdit{ColumnChange::Move, from, ',', to});
    };
    const struct {
        const char* text;
        uint64_t from, to;
        const char* expected;
    } cases[] = {
        {"a,\"b,1\",c\r\n1,2,3\r\n", 0, 1, "\"b,1\",a,c\r\n2,1,3\r\n"},
        {"a,b,c\r\nx\r\n\r\nd,e", 1, 2, "a,c,b\r\nx\r\n\r\nd,,e"},
        {"a,\"x\"\"y\"\r\n", 0, 1, "\"x\"\"y\",a\r\n"},
        {"a,b,c,d\r\n1,2\r\n", 3, 0, "d,a,b,c\r\n,1,2\r\n"},
        {"a,b,c,d\r\n1,2\r\n", 0, 3, "b,c,d,a\r\n2,,,1\r\n"},
        {"a,b,c\n1,2,3\n", 2, 2, "a,b,c\n1,2,3\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(moved(c.text, c.from, c.to), c.expected) << c.text << " " << c.from << "->" << c.to;
    }
}

}  // namespace
