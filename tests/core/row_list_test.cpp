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
    // Stretches of the bytes, across chunks and groups, are held; one changed byte, or one
    // byte past the end, is not.
    std::string text;
    for (const Record& record : records) text += record.raw + record.eol;
    for (int probe = 0; probe < 20; ++probe) {
        const uint64_t from = engine() % (offset + 1);
        const uint64_t length = engine() % 3 == 0 ? offset - from + 1 : engine() % (offset - from + 1);
        if (from + length > offset) {
            if (rows.holdsAt(from, std::string(length, 'a'))) return "bytes past the end at " + std::to_string(from);
            continue;
        }
        std::string stretch = text.substr(from, length);
        if (!rows.holdsAt(from, stretch)) return "bytes at " + std::to_string(from);
        if (length == 0) continue;
        stretch[engine() % length] ^= 0x20;
        if (rows.holdsAt(from, stretch)) return "a changed byte at " + std::to_string(from);
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


// The records of a list of chunks that each hold one short row, more than four groups of them:
// a row of a chunk's length is added with each short row and taken out again, so no more than
// one chunk's bytes are ever held at once.
std::vector<Record> buildManySmallChunks(RowList& rows, uint64_t chunks, std::mt19937& engine) {
    const std::string big(RowList::CHUNK_BYTES - 6, 'B');
    std::vector<Record> records;
    for (uint64_t k = 0; k < chunks; ++k) {
        Record small = randomRecord(engine);
        if (small.raw.size() > 100) small.raw.resize(100);
        rows.replace(rows.size(), rows.size(), {{big, "\r\n", 1}, {small.raw, small.eol, small.cells}});
        rows.replace(rows.size() - 2, rows.size() - 1, {});
        records.push_back(small);
    }
    return records;
}

// Puts fresh in place of the rows [first, last) of both lists; answers what no longer agrees.
std::string change(RowList& rows, std::vector<Record>& records, uint64_t first, uint64_t last,
                   const std::vector<Record>& fresh, std::mt19937& engine) {
    std::vector<RowList::RowBytes> bytes;
    for (const Record& record : fresh) bytes.push_back({record.raw, record.eol, record.cells});
    rows.replace(first, last, bytes);
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(first),
                  records.begin() + static_cast<std::ptrdiff_t>(last));
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(first), fresh.begin(), fresh.end());
    return checkAgainst(rows, records, engine);
}

// Random changes on a list whose chunks lie in many groups, many of them spanning a group or
// more, some adding chunks of their own.
TEST(RowList, RandomChangesAcrossManyGroupsKeepEveryRowsBytesAndOffsets) {
    std::mt19937 engine(20261211);
    CsvTable table;
    RowList& rows = table.rows;
    std::vector<Record> records = buildManySmallChunks(rows, 5 * RowList::GROUP_CHUNKS + 40, engine);
    ASSERT_EQ(checkAgainst(rows, records, engine), "");

    const std::string big(RowList::CHUNK_BYTES + 100, 'L');
    for (int step = 0; step < 150; ++step) {
        const uint64_t first = records.empty() ? 0 : engine() % (records.size() + 1);
        const uint64_t span = engine() % 3 == 0 ? engine() % (2 * RowList::GROUP_CHUNKS) : engine() % 3;
        const uint64_t last = std::min<uint64_t>(records.size(), first + span);
        std::vector<Record> fresh(engine() % 4);
        for (Record& record : fresh) record = engine() % 8 == 0 ? Record{big, "\n", 2} : randomRecord(engine);
        ASSERT_EQ(change(rows, records, first, last, fresh, engine), "") << "step " << step;
    }
    ASSERT_EQ(change(rows, records, 0, records.size(), {}, engine), "") << "every row taken out";
    EXPECT_EQ(rows.textLength(), 0u);
    EXPECT_EQ(rows.rowStartingAt(0), ~uint64_t(0));
    ASSERT_EQ(change(rows, records, 0, 0, {{"a", "\n", 1}, {"b", "", 1}}, engine), "") << "rows in an emptied list";
}

// A document of three groups, whose rows each fill a chunk: after a full scan row k is
// chunk k and the groups hold the rows [0, G), [G, 2G) and [2G, 2G + 10).
struct ScannedGroups {
    static constexpr uint64_t G = RowList::GROUP_CHUNKS;
    std::string text;
    std::vector<Record> records;
    ScannedGroups() {
        for (uint64_t r = 0; r < 2 * G + 10; ++r) records.push_back(chunkRow(std::to_string(r)));
        for (const Record& record : records) text += record.raw + record.eol;
    }
    // A row that fills a chunk by itself, longer by more.
    static Record chunkRow(const std::string& name, uint64_t more = 0) {
        std::string raw = name + ",";
        raw.resize(RowList::CHUNK_BYTES - 1 + more, 'c');
        return {raw, "\n", 2};
    }
};

TEST(RowList, ScannedGroupsFindRowsOnBothSidesOfTheirBoundaries) {
    std::mt19937 engine(20261212);
    const uint64_t G = ScannedGroups::G;
    ScannedGroups document;
    CsvTable table;
    scanDocument(document.text, ',', '"', table);
    RowList& rows = table.rows;
    ASSERT_EQ(checkAgainst(rows, document.records, engine), "");
    for (uint64_t boundary : {G, 2 * G}) {
        const uint64_t at = boundary * RowList::CHUNK_BYTES;
        EXPECT_EQ(rows.start(boundary), at);
        EXPECT_EQ(rows.end(boundary - 1), at - 1);
        EXPECT_EQ(rows.rowStartingAt(at), boundary);
        EXPECT_EQ(rows.rowStartingAt(at - 1), ~uint64_t(0));
        EXPECT_EQ(rows.lastRowStartingBefore(at), boundary - 1);
        EXPECT_EQ(rows.lastRowStartingBefore(at + 1), boundary);
        EXPECT_EQ(rows[boundary].cell(0), std::to_string(boundary));
    }

    CsvRow shorter;
    shorter.assignText("wider,row,here", ',', '"');
    shorter.setEol("\r\n");
    rows.set(G + 5, shorter);
    EXPECT_EQ(rows.widest(), 3u);
    EXPECT_EQ(rows.start(2 * G), 2 * G * RowList::CHUNK_BYTES - RowList::CHUNK_BYTES + 16);
    EXPECT_EQ(rows.rowStartingAt(rows.start(2 * G + 3)), 2 * G + 3);

    // A scan takes over the chunks of these rows, in whatever groups they are.
    scanDocument("a,b\nc\n", ',', '"', table);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.raw(1), "c");
    EXPECT_EQ(rows.widest(), 2u);
}

// Changes at the boundaries of scanned groups, each on a fresh scan: rows rewritten where they
// stand on both sides of a boundary, a group emptied, a small last group, a group that grows
// past twice its chunks.
TEST(RowList, ChangesAtGroupBoundariesKeepEveryRowsBytesAndOffsets) {
    std::mt19937 engine(20261213);
    const uint64_t G = ScannedGroups::G;
    const ScannedGroups document;
    std::vector<Record> added;
    for (uint64_t k = 0; k < G + 3; ++k) added.push_back(ScannedGroups::chunkRow("added" + std::to_string(k)));
    const struct {
        const char* what;
        uint64_t first;
        uint64_t last;
        std::vector<Record> fresh;
    } cases[] = {
        {"a row each side of a boundary", G - 1, G + 1, {{"x", "\r\n", 1}, {"y,yy", "\n", 2}}},
        {"the chunk each side of a boundary, where they stand", G - 1, G + 1,
         {ScannedGroups::chunkRow("x", 7), ScannedGroups::chunkRow("y", 3)}},
        {"the last row of a group and the first of the next two", G - 1, 2 * G + 1,
         {{"x", "\n", 1}, {"wide,,,,", "\n", 5}, ScannedGroups::chunkRow("z")}},
        {"a whole group", G, 2 * G, {}},
        {"a whole group but its last row", G, 2 * G - 1, {{"x", "", 1}}},
        {"the half of two groups", G / 2, G + G / 2, {}},
        {"most of the last group", 2 * G, 2 * G + 8, {{"x", "\n", 1}}},
        {"the last group", 2 * G, 2 * G + 10, {}},
        {"the two last groups", G, 2 * G + 10, {}},
        {"more chunks than two groups hold in a group", 3, 3, added},
        {"more chunks than two groups hold at the end", 2 * G + 10, 2 * G + 10, added},
        {"all but the first row", 1, 2 * G + 10, {}},
    };
    for (const auto& c : cases) {
        CsvTable table;
        scanDocument(document.text, ',', '"', table);
        std::vector<Record> records = document.records;
        ASSERT_EQ(change(table.rows, records, c.first, c.last, c.fresh, engine), "") << c.what;
        // And the list still takes a change of one row in the middle, and one across its start.
        const uint64_t middle = records.size() / 2;
        ASSERT_EQ(change(table.rows, records, middle, middle + 1, {{"m", "\n", 1}}, engine), "") << c.what;
        ASSERT_EQ(change(table.rows, records, 0, std::min<uint64_t>(2, records.size()), {}, engine), "") << c.what;
    }
}

}  // namespace

namespace {

// Every position of a small document, in each of its cells, delimiters, quotes and line endings.
TEST(RowList, EveryPositionIsHeldByItsRowAndCell) {
    const std::string text = "ab,\"c,d\"\r\n\r\nx,y,z\nlast";
    CsvTable table;
    scanDocument(text, ',', '"', table);
    // Position by position: the row and the cell that hold it.
    const char* const expected[] = {
        "00", "00", "00", "01", "01", "01", "01", "01", "01", "01",  // ab,"c,d"\r\n
        "10", "10",                                                  // \r\n
        "20", "20", "21", "21", "22", "22",                          // x,y,z\n
        "30", "30", "30", "30", "30",                                // last and the end
    };
    ASSERT_EQ(std::size(expected), text.size() + 1);
    for (uint64_t p = 0; p <= text.size(); ++p) {
        const std::optional<RowCell> held = cellHolding(table.rows, p);
        ASSERT_TRUE(held) << p;
        EXPECT_EQ(std::to_string(held->row) + std::to_string(held->cell), expected[p]) << "position " << p;
    }
    EXPECT_FALSE(cellHolding(table.rows, text.size() + 1));
}

}  // namespace
