// The status line's texts: exact wording, every delimiter byte, and counts of any size.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "model/settings_values.h"
#include "model/status_text.h"

namespace {

GridStatus status(uint64_t rows, uint64_t columns, bool capped, char delimiter, int64_t row, int64_t column) {
    GridStatus s;
    s.rowCount = rows;
    s.columnCount = columns;
    s.capped = capped;
    s.delimiter = delimiter;
    s.currentRow = row;
    s.currentColumn = column;
    return s;
}

TEST(GridStatusText, ExactWording) {
    EXPECT_EQ(gridStatusText(status(2, 3, false, ',', 0, 1)),
              L"2 rows x 3 cols   |   delimiter ','   |   cell R1 C1");
    EXPECT_EQ(gridStatusText(status(1, 2, false, ',', 0, 1)), L"1 row x 2 cols   |   delimiter ','   |   cell R1 C1");
    EXPECT_EQ(gridStatusText(status(3, 1, false, ',', 0, 1)), L"3 rows x 1 col   |   delimiter ','   |   cell R1 C1");
    EXPECT_EQ(gridStatusText(status(1000, 513, true, ';', 41, 512)),
              L"1000 rows x 513 cols (capped)   |   delimiter ';'   |   cell R42 C512");
}

TEST(GridStatusText, ARangeAddsItsSize) {
    GridStatus s = status(200, 3, false, ',', 4, 2);
    s.selectedRows = 163000;
    s.selectedColumns = 1;
    EXPECT_EQ(gridStatusText(s), L"200 rows x 3 cols   |   delimiter ','   |   cell R5 C2   |   163000 x 1 selected");
    s.selectedRows = 1;
    EXPECT_EQ(gridStatusText(s), L"200 rows x 3 cols   |   delimiter ','   |   cell R5 C2");
    // A find's note comes after the range's size.
    s.selectedRows = 3;
    s.note = L"match 1 of 4 (wrapped)";
    EXPECT_EQ(gridStatusText(s), L"200 rows x 3 cols   |   delimiter ','   |   cell R5 C2   |   3 x 1 selected   |   match 1 of 4 (wrapped)");
    // The range's figures follow its size, the problem count the table's size; figures
    // without a range are not shown.
    s.figures = L"Count 3";
    s.problems = L"2 problems";
    EXPECT_EQ(gridStatusText(s), L"200 rows x 3 cols   |   2 problems   |   delimiter ','   |   cell R5 C2   |   3 x 1 selected   |   Count 3   |   match 1 of 4 (wrapped)");
    s.selectedRows = 1;
    EXPECT_EQ(gridStatusText(s), L"200 rows x 3 cols   |   2 problems   |   delimiter ','   |   cell R5 C2   |   match 1 of 4 (wrapped)");
}

// Only what is true: nothing current without columns, a column of titles without rows, a row
// where the row numbers are current.
TEST(GridStatusText, NoCellWithoutRowsOrColumnsAndARowInTheRowNumbers) {
    EXPECT_EQ(gridStatusText(status(0, 0, false, ',', 0, 0)), L"0 rows x 0 cols   |   delimiter ','");
    EXPECT_EQ(gridStatusText(status(0, 3, false, ',', 0, 2)), L"0 rows x 3 cols   |   delimiter ','   |   col C2");
    GridStatus rows = status(9, 3, false, ',', 3, 0);
    rows.selectedRows = 2;
    rows.selectedColumns = 3;
    EXPECT_EQ(gridStatusText(rows), L"9 rows x 3 cols   |   delimiter ','   |   row R4   |   2 x 3 selected");
}

TEST(GridStatusText, EveryDelimiterByteHasItsName) {
    for (int byte = 0; byte < 256; ++byte) {
        const char delimiter = static_cast<char>(byte);
        const std::wstring expected = delimiter == ';' ? L"';'" : delimiter == '|' ? L"'|'" : delimiter == '\t' ? L"Tab" : L"','";
        EXPECT_EQ(delimiterDisplayText(delimiter), expected) << byte;
        const std::wstring text = gridStatusText(status(1, 1, false, delimiter, 0, 1));
        EXPECT_EQ(text, L"1 row x 1 col   |   delimiter " + expected + L"   |   cell R1 C1") << byte;
    }
}

TEST(GridStatusText, CountsBeyondAnIntArePrintedInFull) {
    // A 2 GiB document of line breaks has more rows than an int holds.
    const uint64_t rows = uint64_t{1} << 31;
    EXPECT_EQ(gridStatusText(status(rows, 1, false, ',', INT32_MAX, 1)),
              L"2147483648 rows x 1 col   |   delimiter ','   |   cell R2147483648 C1");
}

TEST(FilteredRowsText, GroupsThousandsWithCommas) {
    EXPECT_EQ(filteredRowsText(1234, 163000), L"1,234 of 163,000 rows");
    EXPECT_EQ(filteredRowsText(0, 999), L"0 of 999 rows");
    EXPECT_EQ(filteredRowsText(1, 1), L"1 of 1 row");
    EXPECT_EQ(filteredRowsText(100000, uint64_t{1} << 31), L"100,000 of 2,147,483,648 rows");
}

TEST(GroupedCount, PutsACommaBetweenEachThreeDigits) {
    EXPECT_EQ(groupedCount(0), L"0");
    EXPECT_EQ(groupedCount(999), L"999");
    EXPECT_EQ(groupedCount(1000), L"1,000");
    EXPECT_EQ(groupedCount(123456), L"123,456");
    EXPECT_EQ(groupedCount(UINT64_MAX), L"18,446,744,073,709,551,615");
}

TEST(TooLargeStatusText, GivesTheLimitInMegabytes) {
    EXPECT_EQ(tooLargeStatusText(DEFAULT_MAX_FILE_BYTES),
              L"File is larger than 256 MB - grid view is off (raise MaxFileMB in Tabulon.ini)");
    EXPECT_EQ(tooLargeStatusText(maxFileBytesFromSetting(1)),
              L"File is larger than 1 MB - grid view is off (raise MaxFileMB in Tabulon.ini)");
    // 2048 MiB in bytes does not fit an int; the megabytes do.
    EXPECT_EQ(tooLargeStatusText(maxFileBytesFromSetting(2048)),
              L"File is larger than 2048 MB - grid view is off (raise MaxFileMB in Tabulon.ini)");
}

TEST(ReadingStatusText, RoundsDownAndSaysAHundredOnlyWhenDone) {
    EXPECT_EQ(readingStatusText(0, 1000), L"Reading the document... 0%");
    EXPECT_EQ(readingStatusText(999, 1000), L"Reading the document... 99%");
    EXPECT_EQ(readingStatusText(1000, 1000), L"Reading the document... 100%");
    // The largest document the limit lets through.
    const uint64_t limit = maxFileBytesFromSetting(2048);
    EXPECT_EQ(readingStatusText(limit / 2, limit), L"Reading the document... 50%");
}

}  // namespace
