// Finding cells: what matches, by text or regular expression, the order of the search with its
// wrap, the column restriction, counting, the budget of work, the replacement texts and the
// row text with replaced cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/cell_find.h"
#include "model/csv_table.h"

namespace {

CsvTable scanned(const std::string& text) {
    CsvTable table;
    scanDocument(text, ',', '"', table);
    return table;
}

CellMatcher matcher(const std::wstring& text, bool matchCase = false, bool wholeCell = false,
                    std::optional<uint64_t> column = std::nullopt) {
    return CellMatcher(FindQuery{text, matchCase, wholeCell, column, false, {}}, decodeUtf8, foldAsciiCase);
}

TEST(CellMatcher, CaseWholeCellAndDecodedValues) {
    EXPECT_TRUE(matcher(L"ber").matches("Bern"));
    EXPECT_TRUE(matcher(L"BER").matches("bern"));
    EXPECT_FALSE(matcher(L"BER", true).matches("bern"));
    EXPECT_TRUE(matcher(L"bern", false, true).matches("BERN"));
    EXPECT_FALSE(matcher(L"ber", false, true).matches("Bern"));
    EXPECT_FALSE(matcher(L"").matches(""));
    // Values outside ASCII are decoded first, on both sides of the comparison.
    EXPECT_TRUE(matcher(L"z\u00FCr").matches("Z\xC3\xBCrich"));
    EXPECT_FALSE(matcher(L"zur").matches("Z\xC3\xBCrich"));
    EXPECT_TRUE(matcher(L"RICH").matches("Z\xC3\xBCrich"));
    EXPECT_FALSE(matcher(L"\u00FC").matches("u"));
    // The value, not the quoted field: a cell holding a,"b" is found by that text.
    const CsvTable table = scanned("\"a,\"\"b\"\"\"\n");
    EXPECT_TRUE(matcher(L"a,\"b\"", false, true).matches(table.rows[0].cell(0)));
}

CellMatcher regex(const std::wstring& text, bool matchCase = false, bool wholeCell = false,
                  uint64_t steps = MatchBudget::COMMAND_STEPS) {
    return CellMatcher(FindQuery{text, matchCase, wholeCell, std::nullopt, true, {}}, decodeUtf8, foldAsciiCase, steps);
}

TEST(CellMatcher, RegularExpressions) {
    EXPECT_TRUE(regex(L"[A-Z]\\d").matches("x1"));
    EXPECT_FALSE(regex(L"[A-Z]\\d", true).matches("x1"));
    EXPECT_TRUE(regex(L"z.rich").matches("Z\xC3\xBCrich"));
    // Whole cell: any way through the whole value, not just the first match.
    EXPECT_TRUE(regex(L"a|ab", false, true).matches("AB"));
    EXPECT_FALSE(regex(L"b", false, true).matches("ab"));
    EXPECT_EQ(regex(L"").patternError(), L"");
    EXPECT_FALSE(regex(L"").matches(""));
    // A pattern that does not compile says why, and matches nothing.
    EXPECT_EQ(regex(L"(a").patternError(), L"regular expression: missing ) at 3");
    EXPECT_FALSE(regex(L"(a").matches("(a"));
    EXPECT_EQ(matcher(L"(a").patternError(), L"");
}

TEST(Replacement, RegularExpressionForms) {
    struct Case {
        const wchar_t* pattern;
        const char* value;
        const wchar_t* replacement;
        std::optional<std::wstring> expected;
    };
    const Case cases[] = {
        {L"(\\w+)@(\\w+)", "ann@host, bo@b", L"$2 at $1", L"host at ann, b at bo"},
        {L"b", "abc", L"[$`|$&|$'|$$|$0|$3|$x|$]", L"a[a|b|c|$|$0|$3|$x|$]c"},
        {L"(a)", "a", L"$10$01$1", L"a0aa"},
        {L"(a)|b", "ab", L"[$1]", L"[a][]"},
        {L"x*", "abc", L"-", L"-a-b-c-"},
        {L"B", "aBcb", L"x", L"axcx"},
        {L"\u00FC", "Z\xC3\xBCrich", L"ue", L"Zuerich"},
        {L"q", "abc", L"x", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(regex(c.pattern).replaced(c.value, c.replacement), c.expected) << c.pattern;
    EXPECT_EQ(regex(L"(\\d+)-(\\d+)", false, true).replaced("12-34", L"$2-$1"), L"34-12");
    EXPECT_EQ(regex(L"(\\d+)-(\\d+)", false, true).replaced("x12-34", L"$2-$1"), std::nullopt);
}

TEST(FindCell, StopsWhenTheRegularExpressionRunsOutOfWork) {
    std::string text;
    for (int r = 0; r < 200; ++r) text += std::string(200, 'a') + ",b\n";
    const CsvTable table = scanned(text);
    // Plenty of work finds every match.
    EXPECT_EQ(allMatches(table, false, regex(L"^b"), 512).size(), 200u);
    // A large program on long cells runs out: no cell is found, neither by the searches after.
    const CellMatcher slow = regex(L"(?:a?){50}c", false, false, 1'000'000);
    EXPECT_EQ(findCell(table, false, slow, 512, std::nullopt, false), std::nullopt);
    EXPECT_TRUE(slow.budgetExhausted());
    EXPECT_TRUE(allMatches(table, false, slow, 512).empty());
    EXPECT_EQ(matchOrdinal(table, false, slow, 512, GridCell{199, 1}), 0u);
    EXPECT_EQ(slow.replaced("ac", L"x"), std::nullopt);
    EXPECT_FALSE(matcher(L"a").budgetExhausted());
}

TEST(FindCell, GoesOnAfterTheCellAndWrapsBothWays) {
    // Grid rows (header excluded): 0: x,a  1: a,y  2: z,a
    const CsvTable table = scanned("h1,h2\nx,a\na,y\nz,a\n");
    const CellMatcher a = matcher(L"a", false, true);
    EXPECT_EQ(allMatches(table, true, a, 512), (std::vector<GridCell>{{0, 1}, {1, 0}, {2, 1}}));

    auto next = findCell(table, true, a, 512, GridCell{0, 1}, false);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->cell, (GridCell{1, 0}));
    EXPECT_FALSE(next->wrapped);
    next = findCell(table, true, a, 512, GridCell{2, 1}, false);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->cell, (GridCell{0, 1}));
    EXPECT_TRUE(next->wrapped);

    auto previous = findCell(table, true, a, 512, GridCell{1, 0}, true);
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous->cell, (GridCell{0, 1}));
    previous = findCell(table, true, a, 512, GridCell{0, 1}, true);
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous->cell, (GridCell{2, 1}));
    EXPECT_TRUE(previous->wrapped);

    // Without a starting cell the first (the last) match; the header record is never found.
    EXPECT_EQ(findCell(table, true, matcher(L"h"), 512, std::nullopt, false), std::nullopt);
    EXPECT_EQ(findCell(table, false, matcher(L"h"), 512, std::nullopt, true)->cell, (GridCell{0, 1}));
    // The only match is the cell itself: found again, after going round.
    const CsvTable single = scanned("q\nw\n");
    const auto self = findCell(single, false, matcher(L"w"), 512, GridCell{1, 0}, false);
    ASSERT_TRUE(self);
    EXPECT_EQ(self->cell, (GridCell{1, 0}));
    EXPECT_TRUE(self->wrapped);
    EXPECT_EQ(findCell(single, false, matcher(L"nothing"), 512, GridCell{0, 0}, false), std::nullopt);
}

TEST(FindCell, OneColumnAndTheShownColumnsOnly) {
    const CsvTable table = scanned("a,b,a\nb,a,b\n");
    EXPECT_EQ(allMatches(table, false, matcher(L"a", false, false, 2), 512), (std::vector<GridCell>{{0, 2}}));
    EXPECT_EQ(allMatches(table, false, matcher(L"a"), 2), (std::vector<GridCell>{{0, 0}, {1, 1}}));
    EXPECT_EQ(findCell(table, false, matcher(L"b", false, false, 0), 512, GridCell{0, 0}, false)->cell,
              (GridCell{1, 0}));
    // Hidden cells are passed over by the search, the count and the ordinal alike; a filter's
    // rows are the only rows searched.
    const CellMatcher hidingFirst(FindQuery{L"a", false, false, std::nullopt, false, {0}}, decodeUtf8, foldAsciiCase);
    EXPECT_EQ(allMatches(table, false, hidingFirst, 512), (std::vector<GridCell>{{0, 2}, {1, 1}}));
    EXPECT_EQ(findCell(table, false, hidingFirst, 512, GridCell{1, 1}, false)->cell, (GridCell{0, 2}));
    EXPECT_EQ(matchOrdinal(table, false, hidingFirst, 512, GridCell{1, 1}), 2u);
    const std::vector<uint64_t> secondOnly{1};
    const GridRows filtered{0, 1, &secondOnly};
    EXPECT_EQ(allMatches(table, filtered, matcher(L"a"), 512), (std::vector<GridCell>{{0, 1}}));
    EXPECT_EQ(findCell(table, filtered, matcher(L"b"), 512, std::nullopt, false)->cell, (GridCell{0, 0}));
}

TEST(FindCell, TheOrdinalCountsTheMatchesUpToTheCell) {
    const CsvTable table = scanned("a,b,a\nb,a,b\n");
    EXPECT_EQ(matchOrdinal(table, false, matcher(L"a"), 512, GridCell{0, 0}), 1u);
    EXPECT_EQ(matchOrdinal(table, false, matcher(L"a"), 512, GridCell{0, 2}), 2u);
    EXPECT_EQ(matchOrdinal(table, false, matcher(L"a"), 512, GridCell{1, 1}), 3u);
    EXPECT_EQ(matchOrdinal(table, false, matcher(L"a", false, false, 1), 512, GridCell{1, 1}), 1u);
}

TEST(FindNote, CountedUncountedWrappedAndNone) {
    EXPECT_EQ(findNoteText(3, 41, false), L"match 3 of 41");
    EXPECT_EQ(findNoteText(3, std::nullopt, false), L"match 3");
    EXPECT_EQ(findNoteText(1, 41, true), L"match 1 of 41 (wrapped)");
    EXPECT_EQ(findNoteText(std::nullopt, std::nullopt, false), L"no match");
}

TEST(Replacement, EveryOccurrenceWithoutCaseOrTheWholeCell) {
    EXPECT_EQ(matcher(L"ab").replaced("xAbyab", L"Q"), L"xQyQ");
    EXPECT_EQ(matcher(L"ab", true).replaced("xAbyab", L"Q"), L"xAbyQ");
    EXPECT_EQ(matcher(L"ab", false, true).replaced("AB", L"new value"), L"new value");
    EXPECT_EQ(matcher(L"ab").replaced("none", L"Q"), std::nullopt);
    EXPECT_EQ(matcher(L"\u00FC").replaced("Z\xC3\xBC" "rich \xC3\xBC", L"ue"), L"Zuerich ue");
}

TEST(RowTextWithCells, ReplacesOnlyTheGivenSpansAndQuotesAsNeeded) {
    const CsvTable table = scanned("\"a\" , b ,\"c\",d");
    const CsvRow& row = table.rows[0];
    EXPECT_EQ(rowTextWithCells(row, {{1, "x,y"}, {3, "e"}}, ',', '"'), "\"a\" ,\"x,y\",\"c\",e");
    EXPECT_EQ(rowTextWithCells(row, {}, ',', '"'), row.raw());
    EXPECT_EQ(rowTextWithCells(row, {{9, "z"}}, ',', '"'), row.raw());
}

}  // namespace
