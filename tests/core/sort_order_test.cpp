// The ordering of cell values, the order of records it gives, and the document written in that
// order; with properties over generated tables: stable, every record's bytes kept, idempotent,
// descending the reverse of ascending but for equal keys and empty cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"
#include "model/sort_order.h"

namespace {

CsvTable scanned(const std::string& text) {
    CsvTable table;
    scanDocument(text, ',', '"', table);
    return table;
}

// The first cell of every record, in the sorted order.
std::vector<std::string> sortedFirstCells(const std::string& text, bool descending, bool headerRow = false) {
    const CsvTable table = scanned(text);
    std::vector<std::string> cells;
    for (const uint64_t r : sortedRecordOrder(table, headerRow, {{0, descending}})) {
        cells.emplace_back(table.rows[r].cell(0));
    }
    return cells;
}

using Cells = std::vector<std::string>;

TEST(NumberValue, AcceptsSignsDecimalsThousandsAndPercent) {
    EXPECT_EQ(parseNumberValue("42"), 42.0);
    EXPECT_EQ(parseNumberValue("-3.5"), -3.5);
    EXPECT_EQ(parseNumberValue("+7"), 7.0);
    EXPECT_EQ(parseNumberValue(" 12 "), 12.0);
    EXPECT_EQ(parseNumberValue(".5"), 0.5);
    EXPECT_EQ(parseNumberValue("1,234,567"), 1234567.0);
    EXPECT_EQ(parseNumberValue("1,234.5"), 1234.5);
    EXPECT_EQ(parseNumberValue("1.234.567"), 1234567.0);
    EXPECT_EQ(parseNumberValue("1.234,5"), 1234.5);
    EXPECT_EQ(parseNumberValue("1,5"), 1.5);
    EXPECT_EQ(parseNumberValue("50%"), 0.5);
    EXPECT_EQ(parseNumberValue("-12.5 %"), -0.125);

    for (const char* text : {"", "-", "%", "1.", "1,23,4", "12,34.5.6", "1e5", "0x10", "1-2", "abc", "1 000",
                             "12:30", "2024-01-02", "--1", "1,2345,678"}) {
        EXPECT_FALSE(parseNumberValue(text)) << text;
    }
}

TEST(DateTimeValue, IsoDatesAndDateTimesInTimeOrderAndNothingImpossible) {
    const auto moment = [](const char* text) { return parseDateTimeValue(text).value_or(-1e300); };
    EXPECT_LT(moment("2023-12-31"), moment("2024-01-01"));
    EXPECT_EQ(moment("2024-01-02") - moment("2024-01-01"), 86400.0);
    EXPECT_EQ(moment("2024-01-01T10:30") - moment("2024-01-01"), 37800.0);
    EXPECT_EQ(moment("2024-01-01 10:30:15.5"), moment("2024-01-01T10:30:15.5"));
    EXPECT_EQ(moment("2024-01-01T10:00:00+02:00"), moment("2024-01-01T08:00:00Z"));
    EXPECT_LT(moment("1969-12-31"), moment("1970-01-01"));
    EXPECT_TRUE(parseDateTimeValue("2024-02-29"));

    for (const char* text : {"2023-02-29", "2024-13-01", "2024-00-10", "2024-04-31", "2024-1-1", "24-01-01",
                             "2024-01-01T25:00", "2024-01-01X10:00", "2024-01-01T10:00+2", "2024/01/01",
                             "2024-01-01T10"}) {
        EXPECT_FALSE(parseDateTimeValue(text)) << text;
    }
}

TEST(NaturalTextKey, FoldsCaseAndOrdersDigitRunsByValue) {
    const auto key = [](const char* text) {
        std::string k;
        naturalTextKey(text, k);
        return k;
    };
    EXPECT_EQ(key("Apple"), key("aPPLE"));
    EXPECT_LT(key("file2"), key("file10"));
    EXPECT_LT(key("file10"), key("file10a"));
    EXPECT_EQ(key("file007"), key("file7"));
    EXPECT_LT(key("a 1"), key("a1"));   // a space before a digit, as in plain byte order
    EXPECT_LT(key("x9"), key("xa"));    // digits before letters
    EXPECT_LT(key("z"), key("\xC3\xA9"));  // UTF-8 by code point
}

TEST(SortOrder, NumbersBeforeDatesBeforeTextAndEmptyCellsLastBothWays) {
    const std::string text = "b\n\n10\n2024-01-05\n9\nA\n\"\"\n2023-12-31\n\" 2,000 \"\n";
    EXPECT_EQ(sortedFirstCells(text, false),
              (Cells{"9", "10", " 2,000 ", "2023-12-31", "2024-01-05", "A", "b", "", ""}));
    EXPECT_EQ(sortedFirstCells(text, true),
              (Cells{"b", "A", "2024-01-05", "2023-12-31", " 2,000 ", "10", "9", "", ""}));
}

TEST(SortOrder, TheHeaderStaysFirstAndShortRowsCountAsEmpty) {
    const CsvTable table = scanned("name,n\nx,3\ny\nz,1\n");
    EXPECT_EQ(sortedRecordOrder(table, true, {{1, false}}), (std::vector<uint64_t>{0, 3, 1, 2}));
    EXPECT_EQ(sortedRecordOrder(table, true, {{1, true}}), (std::vector<uint64_t>{0, 1, 3, 2}));
    // A column that no row has leaves everything in place.
    EXPECT_EQ(sortedRecordOrder(table, true, {{7, false}}), (std::vector<uint64_t>{0, 1, 2, 3}));
    EXPECT_EQ(sortedRecordOrder(table, true, {}), (std::vector<uint64_t>{0, 1, 2, 3}));
}

TEST(SortOrder, LaterKeysDecideBetweenEqualEarlierOnesAndAFourthIsIgnored) {
    const CsvTable table = scanned("a,2,x,1\nb,1,y,1\na,1,z,1\nb,1,w,2\n");
    EXPECT_EQ(sortedRecordOrder(table, false, {{0, false}, {1, true}}), (std::vector<uint64_t>{0, 2, 1, 3}));
    EXPECT_EQ(sortedRecordOrder(table, false, {{3, false}, {1, false}, {2, true}}),
              (std::vector<uint64_t>{2, 1, 0, 3}));
    EXPECT_EQ(sortedRecordOrder(table, false, {{3, false}, {3, false}, {3, false}, {2, false}}),
              (std::vector<uint64_t>{0, 1, 2, 3}));
}

TEST(SortOrder, TheCollationComesFromTheCaller) {
    const CsvTable table = scanned("b\nC\na\n");
    // Plain byte order: capitals first.
    const CollationKeyFunction bytes = [](std::string_view value, std::string& key) { key.append(value); };
    EXPECT_EQ(sortedRecordOrder(table, false, {{0, false}}, bytes), (std::vector<uint64_t>{1, 2, 0}));
    EXPECT_EQ(sortedRecordOrder(table, false, {{0, false}}), (std::vector<uint64_t>{2, 0, 1}));
}

TEST(ReorderedDocument, RecordsKeepTheirBytesAndEndingsAndNeverJoin) {
    // A quoted multi-line record, mixed endings and a last record without one.
    const CsvTable table = scanned("c,\"x\r\ny\"\r\na, b \n\"b\",1");
    EXPECT_EQ(reorderedDocumentText(table, {1, 2, 0}, "\r\n"), "a, b \n\"b\",1\r\nc,\"x\r\ny\"\r\n");
    EXPECT_EQ(reorderedDocumentText(table, {0, 1, 2}, "\r\n"), "c,\"x\r\ny\"\r\na, b \n\"b\",1");

    // A lone CR before an empty record ending in LF would make one CR LF of the two.
    const CsvTable lone = scanned("b\ra\n\n");
    ASSERT_EQ(lone.rows.size(), 3u);
    const std::string text = reorderedDocumentText(lone, {0, 2, 1}, "\r");
    EXPECT_EQ(text, "b\r\n\na\n");
    EXPECT_EQ(scanned(text).rows.size(), 3u);

    // The byte-order mark stays in front of the document.
    const CsvTable marked = scanned("\xEF\xBB\xBFz\na\n");
    EXPECT_EQ(sortedRecordOrder(marked, false, {{0, false}}), (std::vector<uint64_t>{1, 0}));
    EXPECT_EQ(reorderedDocumentText(marked, {1, 0}, "\n"), "\xEF\xBB\xBF" "a\nz\n");
}

// ---- Properties over generated tables -----------------------------------------------------

class Generator {
public:
    explicit Generator(uint32_t seed) : engine_(seed) {}
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine_() % n); }

    // Values of every kind, with many repeats so that equal keys occur.
    std::string value() {
        static const std::vector<std::string> pool = {
            "", "", " ", "1", "10", "2", "-3.5", "1,000", "50%", "2024-01-02", "2023-05-06T07:08",
            "apple", "Apple", "file2", "file10", "b", "\xC3\xA9t\xC3\xA9", "\"q\"", "x,y", "a\r\nb"};
        return pool[below(static_cast<uint32_t>(pool.size()))];
    }
    std::string field() {
        std::string v = value();
        const bool needsQuotes = v.find_first_of(",\"\r\n") != std::string::npos || below(6) == 0;
        if (!needsQuotes) return v;
        std::string quoted = "\"";
        for (const char c : v) {
            quoted += c;
            if (c == '"') quoted += '"';
        }
        return quoted + "\"";
    }
    std::string document() {
        static const char* const endings[] = {"\r\n", "\n", "\r"};
        std::string text;
        const uint32_t rows = 1 + below(30);
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t cells = 1 + below(4);
            for (uint32_t c = 0; c < cells; ++c) {
                if (c) text += ',';
                text += field();
            }
            if (r + 1 < rows || below(2) == 0) text += endings[below(3)];
        }
        return text;
    }

private:
    std::mt19937 engine_;
};

// The records of a text as (raw, eol) pairs; line endings taken apart from the bytes.
std::vector<std::string> recordBytes(const CsvTable& table) {
    std::vector<std::string> records;
    for (const CsvRow& row : table.rows) records.emplace_back(row.raw());
    return records;
}

TEST(SortProperties, StableByteKeepingIdempotentAndDescendingIsTheReverse) {
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        Generator generate(seed);
        const std::string text = generate.document();
        const CsvTable table = scanned(text);
        const bool headerRow = generate.below(2) == 0;
        const uint64_t column = generate.below(4);
        SCOPED_TRACE("seed " + std::to_string(seed));

        const std::vector<uint64_t> up = sortedRecordOrder(table, headerRow, {{column, false}});
        const std::vector<uint64_t> down = sortedRecordOrder(table, headerRow, {{column, true}});

        // Every record's bytes kept: the rescanned document has the same multiset of records.
        const std::string sortedText = reorderedDocumentText(table, up, "\r\n");
        const CsvTable again = scanned(sortedText);
        std::vector<std::string> before = recordBytes(table);
        std::vector<std::string> after = recordBytes(again);
        ASSERT_EQ(after.size(), before.size()) << text;
        EXPECT_EQ(after.front(), before[up.front()]);
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before);
        if (headerRow) {
            EXPECT_EQ(up.front(), 0u);
            EXPECT_EQ(down.front(), 0u);
        }

        // Sorting the sorted document the same way changes nothing.
        EXPECT_FALSE(orderChangesAnything(sortedRecordOrder(again, headerRow, {{column, false}})));
        EXPECT_EQ(reorderedDocumentText(again, sortedRecordOrder(again, headerRow, {{column, false}}), "\r\n"),
                  sortedText);

        // Stable: records with equal keys keep their order, in both directions.
        const auto classOf = [&](uint64_t r) {
            const CsvRow& row = table.rows[r];
            return column < row.cellCount() ? classifyValue(row.cell(column)) : ClassifiedValue{};
        };
        const auto keyOf = [&](uint64_t r) {
            const ClassifiedValue v = classOf(r);
            std::string k(1, static_cast<char>(v.kind));
            if (v.kind == ValueKind::Text) naturalTextKey(table.rows[r].cell(column), k);
            else if (v.kind != ValueKind::Empty) k += std::to_string(v.number);
            return k;
        };
        for (const auto* order : {&up, &down}) {
            for (size_t i = 1; i < order->size(); ++i) {
                if (keyOf((*order)[i - 1]) == keyOf((*order)[i]) && (i > 1 || !headerRow)) {
                    EXPECT_LT((*order)[i - 1], (*order)[i]);
                }
            }
        }

        // Descending is ascending reversed, once equal keys are grouped and empty cells set
        // aside: the groups of keys come in reverse order, and the empty ones last in both.
        const auto groups = [&](const std::vector<uint64_t>& order) {
            std::vector<std::string> keys;
            for (size_t i = headerRow ? 1 : 0; i < order.size(); ++i) {
                const std::string k = keyOf(order[i]);
                if (keys.empty() || keys.back() != k) keys.push_back(k);
            }
            return keys;
        };
        std::vector<std::string> upGroups = groups(up);
        std::vector<std::string> downGroups = groups(down);
        const std::string empty(1, static_cast<char>(ValueKind::Empty));
        if (!upGroups.empty() && upGroups.back() == empty) {
            ASSERT_EQ(downGroups.back(), empty);
            upGroups.pop_back();
            downGroups.pop_back();
        }
        std::reverse(upGroups.begin(), upGroups.end());
        EXPECT_EQ(downGroups, upGroups);
    }
}

}  // namespace
