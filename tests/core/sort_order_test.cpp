// The ordering of cell values, the order of records it gives, and the document written in that
// order; with properties over generated tables: stable, every record's bytes kept, idempotent,
// descending the reverse of ascending but for equal keys and empty cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"
#include "model/number_text.h"
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

// The code points of a UTF-8 text, for the alignment's wide-text reading.
std::wstring widened(std::string_view utf8) {
    std::wstring wide;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
        uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        wide.push_back(static_cast<wchar_t>(code));
        i += length;
    }
    return wide;
}

// Every form is sorted by its value and right-aligned alike; none of the others is either.
TEST(NumberValue, TheFormsSortedAsNumbersAreTheOnesRightAligned) {
    const std::pair<const char*, double> numbers[] = {
        {"42", 42}, {"-3.5", -3.5}, {"+7", 7}, {" 12 ", 12}, {".5", 0.5}, {",5", 0.5}, {"1.", 1},
        {"1,234,567", 1234567}, {"1,234.5", 1234.5}, {"1.234.567", 1234567}, {"1.234,5", 1234.5},
        {"1,5", 1.5}, {"1234,5", 1234.5}, {"50%", 0.5}, {"-12.5 %", -0.125}, {"9e4", 90000},
        {"1.5E-3", 0.0015}, {"6.02e+23", 6.02e23}, {"\xE2\x88\x92" "7", -7}, {"7 842", 7842},
        {"7'842", 7842}, {"7\xC2\xA0" "842", 7842}, {"1\xE2\x80\xAF" "234\xE2\x80\xAF" "567,5", 1234567.5},
        {"1'234.5", 1234.5}, {"1 234 567", 1234567}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(parseNumberValue(text), value) << text;
        EXPECT_TRUE(looksNumeric(widened(text))) << text;
    }
    for (const char* text : {"", "-", "%", ".", ",", "1,23,4", "12,34.5.6", "0x10", "1-2", "abc", "12 34", "1e",
                             "e5", "1e5e5", "12:30", "2024-01-02", "2024-01-02T10:00", "--1", "1,2345,678",
                             "555 123 4567", "7'842 000", "SO-100001", "- 5", "1, 234"}) {
        EXPECT_FALSE(parseNumberValue(text)) << text;
        EXPECT_FALSE(looksNumeric(widened(text))) << text;
    }
}

// The mark that opens a decimal part, where digits follow it; thousands separators are none.
TEST(NumberValue, TellsTheMarkOfTheDecimalPart) {
    const std::pair<const char*, char> marks[] = {
        {"1,5", ','}, {",5", ','}, {"1.234,5", ','}, {"7 842,25", ','}, {"1.5", '.'}, {"1,234.5", '.'},
        {"1.5e3", '.'}, {"1,234", 0}, {"1.234.567", 0}, {"1.", 0}, {"7", 0}, {"50%", 0}};
    for (const auto& [text, mark] : marks) {
        char found = 'x';
        EXPECT_TRUE(parseNumberValue(text, &found)) << text;
        EXPECT_EQ(found, mark) << text;
    }
    char found = 'x';
    EXPECT_FALSE(parseNumberValue("1,5x", &found));
    EXPECT_EQ(found, 0);
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
    EXPECT_EQ(reorderedDocumentText(table, {1, 2, 0}, "\r\n"), "a, b \n\"b\",1\r\nc,\"x\r\ny\"");
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

    // A document as above with what makes records run together when moved: empty records
    // between them, a byte-order mark (sometimes on a record of its own), and now and then a
    // last record whose quote never closes.
    std::string awkwardDocument() {
        static const char* const endings[] = {"\r\n", "\n", "\r"};
        std::string text = below(3) == 0 ? "\xEF\xBB\xBF" : "";
        if (!text.empty() && below(2) == 0) text += endings[below(3)];
        const uint32_t rows = 1 + below(12);
        for (uint32_t r = 0; r < rows; ++r) {
            if (below(3) != 0) text += field();
            if (r + 1 < rows || below(2) == 0) text += endings[below(3)];
        }
        if (below(4) == 0) text += "x,\"open" + std::string(endings[below(3)]) + "still open";
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

// Reading the sorted text gives exactly the sorted records, and the text ends as the document
// did, whatever the line endings, empty records, byte-order mark or open quote.
TEST(SortProperties, TheSortedTextReadsBackAsTheSortedRecordsAndEndsAsBefore) {
    const std::string_view bom = "\xEF\xBB\xBF";
    for (uint32_t seed = 1; seed <= 2000; ++seed) {
        Generator generate(seed);
        const std::string text = generate.awkwardDocument();
        const CsvTable table = scanned(text);
        if (table.rows.empty()) continue;
        const bool headerRow = generate.below(2) == 0;
        const bool descending = generate.below(2) == 0;
        const std::string eol = generate.below(2) == 0 ? "\r" : "\r\n";
        const std::vector<uint64_t> order = sortedRecordOrder(table, headerRow, {{0, descending}});
        std::vector<uint64_t> starts;
        const std::string sortedText = reorderedDocumentText(table, order, eol, &starts);
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + text);

        const bool marked = text.starts_with(bom);
        // Only a quote behind the mark makes an order that cannot be written.
        if (!orderReadsBack(table, order)) {
            EXPECT_TRUE(marked);
            continue;
        }
        const CsvTable again = scanned(sortedText);
        ASSERT_EQ(again.rows.size(), table.rows.size()) << sortedText;
        for (size_t i = 0; i < order.size(); ++i) {
            std::string expected(table.rows.raw(order[i]));
            if (marked && order[i] == 0) expected.erase(0, bom.size());
            if (marked && i == 0) expected.insert(0, bom);
            EXPECT_EQ(again.rows.raw(i), expected) << "place " << i << " of " << sortedText;
            EXPECT_EQ(starts[order[i]], again.rows.start(i)) << "place " << i;
        }
        const auto endsWithEol = [](const std::string& t) { return t.ends_with('\n') || t.ends_with('\r'); };
        const bool emptyLast = again.rows.raw(again.rows.size() - 1).empty();
        if (!emptyLast) {
            EXPECT_EQ(endsWithEol(sortedText), endsWithEol(text)) << sortedText;
        }
        if (recordEndsInsideQuotes(table, table.rows.size() - 1)) {
            EXPECT_EQ(order.back(), table.rows.size() - 1);
        }
    }
}

TEST(ReorderedDocument, TheFileKeepsItsShape) {
    // No final line ending: the record that comes last has none either, and the one that moved
    // up gets the document's.
    const CsvTable open = scanned("id,name\r\n2,Bob,Paris\r\n1,Al");
    EXPECT_EQ(reorderedDocumentText(open, {0, 2, 1}, "\r\n"), "id,name\r\n1,Al\r\n2,Bob,Paris");
    // An empty record is only there by its line ending, so it keeps it in the last place.
    const CsvTable gap = scanned("h\n\n1");
    EXPECT_EQ(reorderedDocumentText(gap, {0, 2, 1}, "\n"), "h\n1\n\n");
    // A mark on a record of its own: the mark stays first, its empty record moves.
    const CsvTable mark = scanned("\xEF\xBB\xBF\r\nb\r\na");
    EXPECT_EQ(reorderedDocumentText(mark, {2, 1, 0}, "\r\n"), "\xEF\xBB\xBF" "a\r\nb\r\n\r\n");
    // An open quote in the last record keeps it last.
    const CsvTable quote = scanned("b\na,\"x\nz");
    EXPECT_EQ(sortedRecordOrder(quote, false, {{0, false}}), (std::vector<uint64_t>{0, 1}));
    EXPECT_FALSE(orderReadsBack(quote, {1, 0}));
    // Behind a mark, a quote opens nothing: such a record may neither come first nor leave.
    EXPECT_FALSE(orderReadsBack(scanned("\xEF\xBB\xBF" "b\n\"a\"\n"), {1, 0}));
    EXPECT_FALSE(orderReadsBack(scanned("\xEF\xBB\xBF\"b\"\na\n"), {1, 0}));
    EXPECT_TRUE(orderReadsBack(scanned("\xEF\xBB\xBF" "b\na\n"), {1, 0}));
}

}  // namespace
