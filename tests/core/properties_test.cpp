// Properties over generated documents: the rows tile any text, the document scan agrees with
// the record scan, joined cells read back, regenerated rows have spans that match their raw.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"
#include "model/row_text.h"
#include "table_invariants.h"

namespace {

// Tokens the generator draws from: plain text, UTF-8, the four delimiter candidates, the
// quote, both line-break bytes and the space. Quotes and line breaks are drawn often, since
// they are what the scanner's states turn on.
const std::vector<std::string>& tokens() {
    static const std::vector<std::string> list = {"a", "a", "\xC3\xA9", ",", ";", "\t", "|",
                                                  "\"", "\"", "\r", "\n", " "};
    return list;
}

// A small deterministic generator: the standard fixes mt19937's output, not a distribution's.
class Generator {
public:
    explicit Generator(uint32_t seed) : engine_(seed) {}
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine_() % n); }

    // Some documents are mostly plain text, so that long fields occur as well as short ones.
    std::string document(uint32_t maxTokens) {
        std::string text;
        uint32_t n = below(maxTokens + 1);
        bool sparse = below(3) == 0;
        if (sparse) n *= 4;
        for (uint32_t i = 0; i < n; ++i) {
            if (sparse && below(10) != 0)
                text += tokens()[below(3)];
            else
                text += tokens()[below(static_cast<uint32_t>(tokens().size()))];
        }
        return text;
    }

    std::vector<std::string> values(uint32_t maxCells) {
        std::vector<std::string> cells(below(maxCells) + 1);
        for (std::string& cell : cells) cell = document(6);
        return cells;
    }

    char delimiter() {
        // Mostly the candidates; sometimes any byte the settings accept.
        if (below(4) != 0) return ",;\t|"[below(4)];
        for (;;) {
            char d = static_cast<char>(1 + below(127));
            if (d != '\n' && d != '\r' && d != '"') return d;
        }
    }

private:
    std::mt19937 engine_;
};

constexpr int ROUNDS = 3000;

TEST(Properties, RowsTileAnyDocumentAndMatchBothReadings) {
    Generator gen(20261208);
    CsvTable reused;
    for (int round = 0; round < ROUNDS; ++round) {
        std::string text = gen.document(40);
        char delimiter = gen.delimiter();
        CsvTable fresh;
        scanDocument(text, delimiter, '"', fresh);
        ASSERT_EQ(invariants::checkTiling(text, fresh, delimiter), "") << "text: " << ::testing::PrintToString(text);
        ASSERT_EQ(invariants::checkAgainstScanRecord(text, fresh), "") << "text: " << ::testing::PrintToString(text);
        ASSERT_EQ(invariants::checkAgainstReference(text, fresh), "") << "text: " << ::testing::PrintToString(text);
        // The same text into a table that holds the previous round's rows.
        scanDocument(text, delimiter, '"', reused);
        ASSERT_EQ(invariants::checkAgainstScanRecord(text, reused), "") << "text: " << ::testing::PrintToString(text);
    }
}

TEST(Properties, JoinedCellsReadBack) {
    Generator gen(7);
    for (int round = 0; round < ROUNDS; ++round) {
        std::vector<std::string> values = gen.values(6);
        char delimiter = gen.delimiter();
        ASSERT_EQ(invariants::checkJoinRoundTrip(values, delimiter, '"'), "")
            << "values: " << ::testing::PrintToString(values);
    }
}

TEST(Properties, RegeneratedRowsKeepTheirValuesAndMatchTheirRaw) {
    Generator gen(99);
    for (int round = 0; round < ROUNDS / 3; ++round) {
        std::string text = gen.document(40);
        char delimiter = gen.delimiter();
        CsvTable table;
        scanDocument(text, delimiter, '"', table);
        for (const CsvRow& row : table.rows)
            ASSERT_EQ(invariants::checkRebuild(row, delimiter, '"'), "") << "text: " << ::testing::PrintToString(text);
        CsvRow edited;
        edited.setCells(gen.values(6));
        ASSERT_EQ(invariants::checkRebuild(edited, delimiter, '"'), "");
    }
}

TEST(Properties, PathologicalInputsScanWhole) {
    // Many cells in one row, one long line, one unterminated quote, stray CRs and NULs.
    std::vector<std::string> texts;
    texts.push_back(std::string(100000, ','));
    texts.push_back(std::string(1 << 20, 'x'));
    texts.push_back("\"" + std::string(1 << 20, 'y') + "\n,\r\"\"");
    texts.push_back(std::string(5000, '\r'));
    texts.push_back(std::string(3000, '\0') + std::string("\r\n\0\0,\0", 6));
    for (const std::string& text : texts) {
        CsvTable table;
        scanDocument(text, ',', '"', table);
        EXPECT_EQ(invariants::checkTiling(text, table, ','), "");
    }
    CsvTable table;
    scanDocument(texts[0], ',', '"', table);
    EXPECT_EQ(table.maxCells, 100001u);
    scanDocument(texts[2], ',', '"', table);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].cellCount(), 1u);
    EXPECT_EQ(table.rows[0].cell(0).size(), (1u << 20) + 4u);
}

}  // namespace
