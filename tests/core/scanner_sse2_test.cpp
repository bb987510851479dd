// The block classifier the scanner uses (SSE2 where the target has it) against the portable
// one it replaced: the same stops and quotes at every position, and the same table for every
// document, on texts long enough to cross many 64-byte blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"
#include "model/record_scan.h"
#include "model/scanner_reference.h"
#include "table_invariants.h"

namespace {

// Bytes the scanner turns on, drawn often, between runs of plain bytes of any value (bytes of
// 0x80 and up included, where a signed comparison would go wrong).
std::string randomText(std::mt19937& engine, uint64_t length) {
    static const char special[] = {',', ';', '\t', '|', '"', '"', '\r', '\n', ' ', '\0'};
    std::string text;
    while (text.size() < length) {
        if (engine() % 3 == 0) {
            text += special[engine() % sizeof special];
        } else {
            const uint64_t run = engine() % (engine() % 8 == 0 ? 200 : 12);
            for (uint64_t i = 0; i < run; ++i) text += static_cast<char>(engine() % 256);
        }
    }
    text.resize(length);
    return text;
}

TEST(ScannerSse2, FindsEveryStopAndQuoteTheNaiveWay) {
    std::mt19937 engine(1402);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomText(engine, engine() % 400);
        const char delimiter = ",;\t|\x01\x7f"[engine() % 6];
        // Each position is asked of a fresh finder as well as of one that moved forward, since
        // the finder keeps its block between calls.
        record_scan::FieldStops forward(text.data(), text.size(), delimiter, '"');
        for (uint64_t from = 0; from <= text.size(); ++from) {
            uint64_t stop = from;
            while (stop < text.size() && text[stop] != delimiter && text[stop] != '\r' && text[stop] != '\n') ++stop;
            uint64_t quote = from;
            while (quote < text.size() && text[quote] != '"') ++quote;
            record_scan::FieldStops fresh(text.data(), text.size(), delimiter, '"');
            ASSERT_EQ(fresh.find(from), stop) << "from " << from << " in " << ::testing::PrintToString(text);
            ASSERT_EQ(fresh.findQuote(from), quote) << "from " << from;
            ASSERT_EQ(forward.find(from), stop) << "from " << from;
            ASSERT_EQ(forward.findQuote(from), quote) << "from " << from;
        }
    }
}

TEST(ScannerSse2, ReadsEveryDocumentAsThePortableScanner) {
    std::mt19937 engine(20261209);
    CsvTable reused;
    for (int round = 0; round < 400; ++round) {
        const std::string text = randomText(engine, engine() % 3000);
        const char delimiter = ",;\t|"[engine() % 4];
        ASSERT_EQ(invariants::checkScansAlike(text, delimiter, &reused), "") << ::testing::PrintToString(text);
    }
}

TEST(ScannerSse2, LongQuotedCellsAndLongLines) {
    // A quoted cell spanning many blocks with doubled quotes at block edges, an unterminated
    // quote, and a line of thousands of cells.
    std::string quoted = "a,\"";
    for (int i = 0; i < 300; ++i) quoted += std::string(static_cast<size_t>(61 + i % 5), 'x') + "\"\"";
    quoted += "\",b\r\nc";
    const std::vector<std::string> texts = {quoted, "\"" + std::string(5000, ',') + "\n" + std::string(700, '"'),
                                            std::string(10000, ','), std::string(4096, '\n')};
    for (const std::string& text : texts) {
        EXPECT_EQ(invariants::checkScansAlike(text, ','), "");
    }
}

}  // namespace
