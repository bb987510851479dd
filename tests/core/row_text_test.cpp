// Quoting, joining and regenerating rows; the one-line display form; column letters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/csv_table.h"
#include "model/row_text.h"

namespace {

TEST(QuoteField, QuotesOnlyWhatWouldNotReadBack) {
    EXPECT_EQ(quoteField("", ',', '"'), "");
    EXPECT_EQ(quoteField("a b", ',', '"'), "a b");
    EXPECT_EQ(quoteField(" a", ',', '"'), "\" a\"");
    EXPECT_EQ(quoteField("a ", ',', '"'), "\"a \"");
    EXPECT_EQ(quoteField("\ta", ',', '"'), "\"\ta\"");
    EXPECT_EQ(quoteField("a\t", ',', '"'), "\"a\t\"");
    EXPECT_EQ(quoteField("a,b", ',', '"'), "\"a,b\"");
    EXPECT_EQ(quoteField("a\"b", ',', '"'), "\"a\"\"b\"");
    EXPECT_EQ(quoteField("a\rb", ',', '"'), "\"a\rb\"");
    EXPECT_EQ(quoteField("a\nb", ',', '"'), "\"a\nb\"");
    EXPECT_EQ(quoteField("\"", ',', '"'), "\"\"\"\"");
}

TEST(QuoteField, OnlyTheTablesDelimiterAndQuoteCount) {
    EXPECT_EQ(quoteField("a;b", ',', '"'), "a;b");
    EXPECT_EQ(quoteField("a;b", ';', '"'), "\"a;b\"");
    EXPECT_EQ(quoteField("a|b\xC3\xA9", ',', '"'), "a|b\xC3\xA9");
    EXPECT_EQ(quoteField("it's", ',', '\''), "'it''s'");
    EXPECT_EQ(quoteField("say \"hi\"", ',', '\''), "say \"hi\"");
}

TEST(JoinFields, PutsOneDelimiterBetweenCells) {
    EXPECT_EQ(joinFields({"a", "", "b"}, ',', '"'), "a,,b");
    EXPECT_EQ(joinFields(std::vector<std::string>{""}, ',', '"'), "");
    EXPECT_EQ(joinFields(std::vector<std::string>{"", ""}, ',', '"'), ",");
    EXPECT_EQ(joinFields(std::vector<std::string>{}, ',', '"'), "");
    EXPECT_EQ(joinFields(std::vector<std::string_view>{"x y", "1;2"}, ';', '"'), "x y;\"1;2\"");
}

TEST(RebuildRowText, RequotesEveryCellMinimally) {
    CsvRow row;
    row.assignText("\"a\",\"b \"", ',', '"');
    row.setCells({"a", "b "});
    rebuildRowText(row, ',', '"');
    EXPECT_EQ(row.raw(), "a,\"b \"");
    ASSERT_EQ(row.cellCount(), 2u);
    EXPECT_EQ(row.cellStart(0), 0u);
    EXPECT_EQ(row.cellEnd(0), 1u);
    EXPECT_EQ(row.cellStart(1), 2u);
    EXPECT_EQ(row.cellEnd(1), 6u);
    EXPECT_EQ(row.cells(), (std::vector<std::string>{"a", "b "}));
}

TEST(RebuildRowText, MergedQuotedValueIsWrittenAsItsValue) {
    CsvRow row;
    row.assignText("\"ab\"cd,\"x,y\"\"\"", ',', '"');
    rebuildRowText(row, ',', '"');
    EXPECT_EQ(row.raw(), "abcd,\"x,y\"\"\"");
    EXPECT_EQ(row.cells(), (std::vector<std::string>{"abcd", "x,y\""}));
}

TEST(RebuildRowText, GrowsWithTheCellsAndKeepsPositionAndEnding) {
    CsvRow row;
    row.assignText("a", ';', '"');
    row.start = 10;
    row.end = 11;
    row.setEol("\n");
    row.setCells({"a", "", "line\r\nbreak"});
    rebuildRowText(row, ';', '"');
    EXPECT_EQ(row.raw(), "a;;\"line\r\nbreak\"");
    EXPECT_EQ(row.cellStart(2), 3u);
    EXPECT_EQ(row.cellEnd(2), row.raw().size());
    EXPECT_EQ(row.start, 10u);
    EXPECT_EQ(row.end, 11u);
    EXPECT_EQ(row.eol(), "\n");
}

TEST(RebuildRowText, RowWithoutCellsBecomesEmpty) {
    CsvRow row;
    row.assignText("a,b", ',', '"');
    row.setCells({});
    rebuildRowText(row, ',', '"');
    EXPECT_EQ(row.raw(), "");
    EXPECT_EQ(row.cellCount(), 0u);
}

TEST(RebuildRowText, BlankRowIsDelimitersOnly) {
    CsvRow row;
    row.setCells(std::vector<std::string>(4));
    rebuildRowText(row, '\t', '"');
    EXPECT_EQ(row.raw(), "\t\t\t");
    EXPECT_EQ(row.cellCount(), 4u);
}

TEST(DisplayText, LineBreaksBecomeOneMarkAndTabsASpace) {
    EXPECT_EQ(displayText(L"a\r\nb"), std::wstring(L"a\x21B5" L"b"));
    EXPECT_EQ(displayText(L"a\n\rb"), std::wstring(L"a\x21B5\x21B5" L"b"));
    EXPECT_EQ(displayText(L"a\r\r\nb\n"), std::wstring(L"a\x21B5\x21B5" L"b\x21B5"));
    EXPECT_EQ(displayText(L"a\tb"), L"a b");
    EXPECT_EQ(displayText(L""), L"");
    EXPECT_EQ(displayText(L"\r"), std::wstring(L"\x21B5"));
}

TEST(DisplayText, OtherCharactersPassThrough) {
    // A character outside the basic plane, as a surrogate pair or as one code unit.
    std::wstring text = L"x\U0001F600\x00E9y";
    EXPECT_EQ(displayText(text), text);
}

TEST(ColumnLetters, CountsLikeASpreadsheet) {
    EXPECT_EQ(columnLetters(0), L"A");
    EXPECT_EQ(columnLetters(25), L"Z");
    EXPECT_EQ(columnLetters(26), L"AA");
    EXPECT_EQ(columnLetters(27), L"AB");
    EXPECT_EQ(columnLetters(51), L"AZ");
    EXPECT_EQ(columnLetters(52), L"BA");
    EXPECT_EQ(columnLetters(701), L"ZZ");
    EXPECT_EQ(columnLetters(702), L"AAA");
    EXPECT_EQ(columnLetters(~uint64_t(0)).size(), 14u);
}

}  // namespace
