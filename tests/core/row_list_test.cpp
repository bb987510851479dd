// The rows kept as chunks of bytes, held against a plain list of records through long random
// sequences of changes that cross, split and empty chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"

namespace {

struct Record {
    std::string raw;
    std::string eol;
    uint64_t cells;
};

// A record's text: short rows mostly, now and then one longer than a chunk.
Record randomRecord(std::mt19937& engine) {
    static const char* const pieces[] = {"a", "bc", ",", "\"q\"", "\"x,\r\ny\"", "\xC3\xA9", " "};
    Record record;
    const unsigned length = engine() % 500 == 0 ? 9000 : engine() % 12;
    for (unsigned i = 0; i < length; ++i) record.raw += pieces[engine() % 7];
    static const char* const eols[] = {"\r\n", "\n", "\r"};
    record.eol = eols[engine() % 3];
    record.cells = engine() % 9;
    return record;
}

std::string checkAgainst(const RowList& rows, const std::vector<Record>& records, std::mt19937& engine) {
    if (rows.size() != records.size()) return "row count";
    std::vector<uint64_t> starts;
    uint64_t offset = 0;
    uint64_t widest = 0;
    for (const Record& record : records) {
        starts.push_back(offset);
        offset += record.raw.size() + record.eol.size();
        widest = std::max(widest, record.cells);
    }
    if (rows.textLength() != offset) return "text length";
    if (rows.widest() != widest) return "widest row";
    for (uint64_t r = 0; r < records.size(); ++r) {
        if (rows.start(r) != starts[r] || rows.end(r) != starts[r] + records[r].raw.size())
            return "offsets of row " + std::to_string(r);
        if (rows.raw(r) != records[r].raw || rows.eol(r) != records[r].eol || rows.cellCount(r) != records[r].cells)
            return "bytes of row " + std::to_string(r);
    }
    for (int probe = 0; probe < 50 && offset > 0; ++probe) {
        const uint64_t position = engine() % (offset + 2);
        const auto after = std::upper_bound(starts.begin(), starts.end(), position - (position > 0 ? 1 : 0));
        const uint64_t before = position == 0 ? 0 : static_cast<uint64_t>(after - starts.begin()) - 1;
        if (rows.lastRowStartingBefore(position) != before) return "last row before " + std::to_string(position);
        const auto hit = std::lower_bound(starts.begin(), starts.end(), position);
        const uint64_t exact = hit != starts.end() && *hit == position ? static_cast<uint64_t>(hit - starts.begin())
                                                                       : ~uint64_t(0);
        if (rows.rowStartingAt(position) != exact) return "row starting at " + std::to_string(position);
    }
    return {};
}

TEST(RowList, RandomChangesKeepEveryRowsBytesAndOffsets) {
    std::mt19937 engine(20261209);
    for (int round = 0; round < 6; ++round) {
        std::vector<Record> records;
        std::string text;
        CsvTable table;
        scanDocument("", ',', '"', table);
        RowList& rows = table.rows;
        for (int step = 0; step < 300; ++step) {
            // Anything from a one-row edit to a swap of thousands of rows, at the start, in the
            // middle or at the end.
            const uint64_t first = records.empty() ? 0 : engine() % (records.size() + 1);
            const uint64_t span = engine() % 4 == 0 ? engine() % 3000 : engine() % 3;
            const uint64_t last = std::min<uint64_t>(records.size(), first + span);
            std::vector<Record> fresh(step < 20 ? 400 : engine() % 4 == 0 ? engine() % 2000 : engine() % 3);
            for (Record& record : fresh) record = randomRecord(engine);
            std::vector<RowList::RowBytes> bytes;
            for (const Record& record : fresh) bytes.push_back({record.raw, record.eol, record.cells});

            rows.replace(first, last, bytes);
            records.erase(records.begin() + static_cast<std::ptrdiff_t>(first),
                          records.begin() + static_cast<std::ptrdiff_t>(last));
            records.insert(records.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
            const std::string fault = checkAgainst(rows, records, engine);
            ASSERT_EQ(fault, "") << "round " << round << " step " << step;
        }
    }
}

// A decoded row is the record its bytes scan to, wherever its chunk lies; the cache of decoded
// rows forgets a row once it changes.
TEST(RowList, DecodedRowsFollowTheirBytes) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "\"r" + std::to_string(i) + "\"\"\",b,c\n";
    CsvTable table;
    scanDocument(text, ',', '"', table);
    ASSERT_EQ(table.rows.size(), 20000u);
    const CsvRow row = table.rows[12345];
    EXPECT_EQ(row.cell(0), "r12345\"");
    EXPECT_EQ(row.start, text.find("\"r12345\""));
    EXPECT_EQ(row.end, row.start + row.raw().size());
    EXPECT_EQ(row.eol(), "\n");
    EXPECT_EQ(cellAt(table, false, 12345, 0), "r12345\"");

    CsvRow changed;
    changed.assignText("x,\"y\r\nz\"", ',', '"');
    changed.setEol("\r\n");
    table.rows.set(12345, changed);
    EXPECT_EQ(cellAt(table, false, 12345, 1), "y\r\nz");
    EXPECT_EQ(cellAt(table, false, 12345, 2), std::nullopt);
    EXPECT_EQ(table.rows[12346].start, row.start + changed.raw().size() + 2);
}

}  // namespace
