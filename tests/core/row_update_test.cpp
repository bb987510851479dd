// One cell edit on the row model and on a document held in a string, as the plug-in makes it:
// the no-change test, the row regenerated from its cells, one replace of the row's old bytes,
// then the later rows moved along without a scan.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"
#include "model/row_update.h"
#include "table_invariants.h"

namespace {

// A document in a string, edited the way applyCellEdit edits the editor's buffer. Answers
// whether the document changed.
bool editCell(std::string& document, CsvTable& table, uint64_t rowIndex, uint64_t cellIndex,
              const std::string& value) {
    if (cellHoldsValue(table.rows[rowIndex], cellIndex, value)) {
        return false;
    }
    const RowReplacement replacement = setRowCell(table, rowIndex, cellIndex, value);
    document.replace(replacement.start, replacement.end - replacement.start, replacement.text);
    commitRowReplacement(table, rowIndex, replacement);
    return true;
}

struct Edited {
    std::string document;
    CsvTable table;
};

Edited edit(const std::string& document, uint64_t rowIndex, uint64_t cellIndex, const std::string& value) {
    Edited result{document, {}};
    scanDocument(result.document, ',', '"', result.table);
    editCell(result.document, result.table, rowIndex, cellIndex, value);
    return result;
}

TEST(RowUpdate, RegeneratesTheWholeRowWithMinimalQuoting) {
    EXPECT_EQ(edit("a,b", 0, 3, "x").document, "a,b,,x");
    EXPECT_EQ(edit("a,b", 0, 3, "").document, "a,b,,");  // padded even when cleared
    EXPECT_EQ(edit("a,b", 0, 1, "x,y").document, "a,\"x,y\"");
    EXPECT_EQ(edit("a,b", 0, 1, "say\"hi\"").document, "a,\"say\"\"hi\"\"\"");
    EXPECT_EQ(edit("\"a\",b", 0, 1, "c").document, "a,c");
    EXPECT_EQ(edit("a, b", 0, 0, "x").document, "x,\" b\"");

    // A line break inside a value is written quoted and the record stays one row.
    const Edited broken = edit("h\r\na,b\r\nc,d\r\n", 1, 1, "one\r\ntwo");
    EXPECT_EQ(broken.document, "h\r\na,\"one\r\ntwo\"\r\nc,d\r\n");
    CsvTable rescanned;
    scanDocument(broken.document, ',', '"', rescanned);
    ASSERT_EQ(rescanned.rows.size(), 3u);
    EXPECT_EQ(rescanned.rows[1].cell(1), "one\r\ntwo");
    EXPECT_EQ(invariants::checkTiling(broken.document, broken.table, ','), "");

    // Emptied between a lone CR and an LF, the row would join them and vanish: it is written
    // as one quoted empty cell and stays a record.
    const Edited emptied = edit("a\r7\nb\r\n", 1, 0, "");
    EXPECT_EQ(emptied.document, "a\r\"\"\nb\r\n");
    scanDocument(emptied.document, ',', '"', rescanned);
    EXPECT_EQ(rescanned.rows.size(), 3u);
    EXPECT_EQ(invariants::checkTiling(emptied.document, emptied.table, ','), "");
}

TEST(RowUpdate, NoChangeTestComparesBytesAndCountsMissingCellsAsChanges) {
    CsvTable table;
    scanDocument("a,,b\nc", ',', '"', table);
    EXPECT_TRUE(cellHoldsValue(table.rows[0], 0, "a"));
    EXPECT_TRUE(cellHoldsValue(table.rows[0], 1, ""));  // two empty values are equal
    EXPECT_FALSE(cellHoldsValue(table.rows[0], 0, "a "));
    EXPECT_FALSE(cellHoldsValue(table.rows[0], 0, "A"));
    EXPECT_FALSE(cellHoldsValue(table.rows[1], 1, ""));  // c has no cell 1: clearing it pads
}

TEST(RowUpdate, LaterRowsAndTheStampMoveByTheChangeOfLength) {
    Edited longer = edit("id,v\r\n1,abc\r\n2,d\r\n3,e", 1, 1, "abcdef");
    EXPECT_EQ(longer.document, "id,v\r\n1,abcdef\r\n2,d\r\n3,e");
    EXPECT_EQ(longer.table.parsedLength, longer.document.size());
    EXPECT_EQ(longer.table.rows[1].end, 14u);
    EXPECT_EQ(longer.table.rows[2].start, 16u);
    EXPECT_EQ(longer.table.rows[3].start, 21u);
    EXPECT_EQ(longer.table.rows[3].end, longer.document.size());
    EXPECT_EQ(invariants::checkTiling(longer.document, longer.table, ','), "");

    Edited shorter = edit("id,v\r\n1,abc\r\n2,d\r\n3,e", 1, 1, "");
    EXPECT_EQ(shorter.document, "id,v\r\n1,\r\n2,d\r\n3,e");
    EXPECT_EQ(invariants::checkTiling(shorter.document, shorter.table, ','), "");

    // A stamp spoiled by an outside change stays spoiled: only a scan may clear it.
    std::string document = "a\nb\nc";
    CsvTable table;
    scanDocument(document, ',', '"', table);
    table.parsedLength = ~uint64_t(0);
    ASSERT_TRUE(editCell(document, table, 0, 0, "abc"));
    EXPECT_EQ(table.parsedLength, ~uint64_t(0));
    EXPECT_EQ(table.rows[2].start, 6u);
}

TEST(RowUpdate, WideningARowRaisesMaxCellsOnly) {
    Edited wider = edit("a,b,c\nd", 1, 4, "x");
    EXPECT_EQ(wider.document, "a,b,c\nd,,,,x");
    EXPECT_EQ(wider.table.maxCells, 5u);
    Edited narrower = edit("a,b,c\nd", 0, 0, "");
    EXPECT_EQ(narrower.table.maxCells, 3u);
}

// Documents without a lone CR, so that a rescan reads the line endings the rows were given: a
// row emptied after a CR-ended row would otherwise join its LF to that CR.
class Generator {
public:
    explicit Generator(uint32_t seed) : engine_(seed) {}
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine_() % n); }

    std::string text(uint32_t maxTokens, bool withLineBreaks) {
        static const char* const TOKENS[] = {"a", "bc", "\xC3\xA9", ",", "\"", "\"", " ", "\t", ";", "\n", "\r\n"};
        const uint32_t count = withLineBreaks ? 11 : 9;
        std::string out;
        for (uint32_t i = below(maxTokens + 1); i > 0; --i) out += TOKENS[below(count)];
        return out;
    }
    // Values may hold anything, a lone CR included: they are written quoted.
    std::string value() {
        static const char* const PARTS[] = {"x", "\"", ",", "\r", "\n", " ", "\xE2\x82\xAC", "yz"};
        std::string out;
        for (uint32_t i = below(5); i > 0; --i) out += PARTS[below(8)];
        return out;
    }

private:
    std::mt19937 engine_;
};

TEST(RowUpdate, AnySequenceOfEditsReadsBackAsTheEditedValues) {
    Generator gen(4202);
    for (int round = 0; round < 1500; ++round) {
        std::string document = gen.text(60, true);
        CsvTable table;
        scanDocument(document, ',', '"', table);
        if (table.rows.empty()) continue;
        std::vector<std::vector<std::string>> expected;
        for (const CsvRow& row : table.rows) expected.push_back(row.cells());

        const uint32_t edits = 1 + gen.below(8);
        for (uint32_t e = 0; e < edits; ++e) {
            const uint64_t r = gen.below(static_cast<uint32_t>(table.rows.size()));
            const uint64_t c = gen.below(static_cast<uint32_t>(table.maxCells) + 2);
            const std::string value = gen.below(4) == 0 ? std::string(table.rows[r].cellCount() > c ? table.rows[r].cell(c) : "")
                                                        : gen.value();
            const bool unchanged = c < expected[r].size() && expected[r][c] == value;
            EXPECT_EQ(editCell(document, table, r, c, value), !unchanged);
            if (expected[r].size() <= c) expected[r].resize(c + 1);
            expected[r][c] = value;
        }

        // The model describes the edited document byte for byte (a document emptied whole
        // still has its one empty row until the next scan) ...
        if (!document.empty()) {
            ASSERT_EQ(invariants::checkTiling(document, table, ','), "")
                << "document: " << ::testing::PrintToString(document);
        }
        // ... and a new scan reads the edited values, every other cell as it was. A last row
        // emptied of its only value has no bytes left and is no record any more.
        CsvTable rescanned;
        scanDocument(document, ',', '"', rescanned);
        size_t rows = table.rows.size();
        if (rows > rescanned.rows.size() && table.rows.back().raw().empty() && table.rows.back().eol().empty()) {
            --rows;
        }
        ASSERT_EQ(rescanned.rows.size(), rows) << ::testing::PrintToString(document);
        for (size_t r = 0; r < rows; ++r) {
            ASSERT_EQ(rescanned.rows[r].cells(), expected[r]) << "row " << r << " of " << ::testing::PrintToString(document);
            EXPECT_EQ(rescanned.rows[r].start, table.rows[r].start);
            EXPECT_EQ(rescanned.rows[r].end, table.rows[r].end);
        }
    }
}

}  // namespace
