// The smallest writes of changed rows: applied to the document they give exactly the new rows,
// each stays inside its own row, and a row that does not change is not written.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"
#include "model/row_edits.h"

namespace {

TEST(RowEdits, GiveTheNewRowsAndTouchNothingElse) {
    std::mt19937 random(11);
    const auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    static const char* const endings[] = {"\r\n", "\n", "\r"};
    static const char* const values[] = {"", "a", "b,c", "\"q\r\nr\"", "a,b,c"};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const uint32_t count = 1 + below(8);
        for (uint32_t r = 0; r < count; ++r) {
            text += values[below(5)];
            text += endings[below(3)];
        }
        CsvTable table;
        scanDocument(text, ',', '"', table);
        const RowList& rows = table.rows;

        std::vector<std::pair<uint64_t, std::string>> changed;
        std::string expected;
        size_t differing = 0;
        for (uint64_t r = 0; r < rows.size(); ++r) {
            std::string row = std::string(rows.raw(r)) + std::string(rows.eol(r));
            if (below(2) == 0) {
                std::string fresh = below(3) == 0 ? row : row.substr(0, below(static_cast<uint32_t>(row.size()) + 1)) +
                                                              values[below(5)] + endings[below(3)];
                differing += fresh != row;
                changed.emplace_back(r, fresh);
                row = fresh;
            }
            expected += row;
        }
        const std::string appended = below(3) == 0 ? std::string("x,y\r\n") : std::string();
        expected += appended;

        const std::vector<ByteRange> edits = rowEdits(rows, changed, appended);
        ASSERT_EQ(edits.size(), differing + (appended.empty() ? 0 : 1));
        std::string written = text;
        uint64_t lastFrom = UINT64_MAX;
        for (const ByteRange& edit : edits) {
            ASSERT_LE(edit.to, lastFrom);  // last first, none overlapping the one before
            if (edit.from < text.size()) {
                const uint64_t r = rows.lastRowStartingBefore(edit.from + 1);
                ASSERT_LE(edit.to, rows.end(r) + rows.eol(r).size());  // inside its own row
            }
            written.replace(edit.from, edit.to - edit.from, edit.text);
            lastFrom = edit.from;
        }
        ASSERT_EQ(written, expected) << testing::PrintToString(text);
    }
}

}  // namespace
