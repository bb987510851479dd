// The figures of a selected range: what counts and adds up, how the figures are written, and
// that reading in steps of any size gives what one reading of the whole range gives.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model/selection_figures.h"
#include "model/sort_order.h"

namespace {

CsvTable scanned(const std::string& text, char delimiter = ',') {
    CsvTable table;
    scanDocument(text, delimiter, '"', table);
    return table;
}

SelectionFigures figuresOf(const CsvTable& table, bool headerRow, const CellRange& range, uint64_t budget = ~0ull) {
    SelectionFiguresScan scan;
    scan.start(range);
    while (!scan.step(table, headerRow, budget)) {
    }
    return scan.figures();
}

std::wstring textOf(const std::string& document, const CellRange& range, bool headerRow = false) {
    return selectionFiguresText(figuresOf(scanned(document), headerRow, range));
}

TEST(FigureText, WritesFiguresAsASpreadsheetShowsThem) {
    const struct {
        double value;
        bool decimalComma;
        const wchar_t* text;
    } cases[] = {
        {-0.0, false, L"0"}, {1234.5, false, L"1,234.5"}, {-1234567.25, true, L"-1.234.567,25"},
        {0.1 + 0.2, false, L"0.3"}, {2.0 / 3.0, false, L"0.666666666666667"}, {0.000001, false, L"0.000001"},
        {0.00000015, true, L"1,5E-07"}, {999999999999999, false, L"999,999,999,999,999"},
        {999999999999999.9, false, L"1E+15"}, {-1.5e20, false, L"-1.5E+20"},
        {std::numeric_limits<double>::infinity(), false, L"too large"}, {std::nan(""), false, L"too large"},
    };
    for (const auto& c : cases) EXPECT_EQ(figureText(c.value, c.decimalComma), c.text) << c.value;
}

TEST(SelectionFigures, CountsTheCellsThatHoldSomethingAndAddsUpTheNumbers) {
    // Titles, a quoted number, a percentage, text, a date, blanks and a short row.
    const std::string document = "name,amount,note\r\n"
                                 "a,\"1,000\",x\r\n"
                                 "b,50%,\r\n"
                                 "c,  ,2024-01-02\r\n"
                                 "d\r\n"
                                 "e,-3e2,\"\"\r\n";
    const CellRange all{0, 4, 1, 3};
    EXPECT_EQ(textOf(document, all, true),
              L"Count 10  Sum 700.5  Average 233.5  Min -300  Max 1,000");
    // Without the header row the titles are a row of text like any other.
    EXPECT_EQ(textOf(document, CellRange{0, 5, 1, 3}),
              L"Count 13  Sum 700.5  Average 233.5  Min -300  Max 1,000");
    // No number: the count alone; a range past the table's rows and cells: nothing.
    EXPECT_EQ(textOf(document, CellRange{0, 4, 3, 3}, true), L"Count 2");
    EXPECT_EQ(textOf(document, CellRange{7, 9, 1, 3}, true), L"Count 0");
    EXPECT_EQ(textOf(document, CellRange{0, 4, 5, 9}, true), L"Count 0");
    EXPECT_EQ(textOf(document, CellRange{}, true), L"Count 0");
}

TEST(SelectionFigures, DecimalCommasWhereMostDecimalPartsUseThem) {
    const CellRange column{0, 9, 1, 1};
    const auto semicolon = [&](const std::string& document) {
        return selectionFiguresText(figuresOf(scanned(document, ';'), false, column));
    };
    EXPECT_EQ(semicolon("1,5\n2,25\n1000\n"),
              L"Count 3  Sum 1.003,75  Average 334,583333333333  Min 1,5  Max 1.000");
    // Thousands separators and whole numbers say nothing; a tie keeps the full stop.
    EXPECT_EQ(semicolon("1,000\n2,000\n0,5\n"),
              L"Count 3  Sum 3.000,5  Average 1.000,16666666667  Min 0,5  Max 2.000");
    EXPECT_EQ(semicolon("1,5\n1.5\n"), L"Count 2  Sum 3  Average 1.5  Min 1.5  Max 1.5");
}

TEST(SelectionFigures, SumsWithoutLosingSmallPartsAndNeverShowsGarbage) {
    std::string tenths;
    for (int i = 0; i < 10; ++i) tenths += "0.1\n";
    const CellRange column{0, 99, 1, 1};
    EXPECT_EQ(figuresOf(scanned(tenths), false, column).sum, 1.0);
    // Large and small values that a plain running sum would lose.
    EXPECT_EQ(figuresOf(scanned("1e16\n1\n-1e16\n1\n"), false, column).sum, 2.0);
    EXPECT_EQ(textOf("1e308\n1e308\n-5\n", column),
              L"Count 3  Sum too large  Average too large  Min -5  Max 1E+308");
}

// Any range read in steps of any budget gives the figures of one reading cell by cell; a budget
// of nothing reads one row per step.
TEST(SelectionFigures, StepsOfAnySizeGiveTheFiguresOfTheWholeRange) {
    std::mt19937 random(20240611);
    const std::vector<std::string> values = {"", " ", "7", "-2.5", "1,5", "\"3\"", "x", "1e3", "\"a,b\"", "10%"};
    for (int round = 0; round < 200; ++round) {
        std::string document;
        const int rows = static_cast<int>(random() % 12);
        for (int r = 0; r < rows; ++r) {
            const int cells = 1 + static_cast<int>(random() % 5);
            for (int c = 0; c < cells; ++c) document += (c ? "," : "") + values[random() % values.size()];
            document += "\n";
        }
        const CsvTable table = scanned(document);
        const bool headerRow = random() % 2 == 0;
        const int32_t firstRow = static_cast<int32_t>(random() % 14) - 1;
        const int32_t firstColumn = static_cast<int32_t>(random() % 6);
        const CellRange range{firstRow, firstRow + static_cast<int32_t>(random() % 14), firstColumn,
                              firstColumn + static_cast<int32_t>(random() % 6)};

        uint64_t count = 0, numbers = 0;
        double sum = 0;
        for (int32_t r = std::max(range.firstRow, 0); r <= range.lastRow; ++r) {
            for (int32_t c = std::max(range.firstColumn, 1); c <= range.lastColumn; ++c) {
                const auto value = cellAt(table, headerRow, r, static_cast<uint64_t>(c - 1));
                if (!value || value->find_first_not_of(" \t") == std::string::npos) continue;
                ++count;
                if (const auto number = parseNumberValue(*value)) {
                    ++numbers;
                    sum += *number;
                }
            }
        }
        SelectionFiguresScan scan;
        scan.start(range);
        uint64_t steps = 1;
        while (!scan.step(table, headerRow, 0)) ++steps;
        const int64_t gridRows = static_cast<int64_t>(dataRowCount(table, headerRow));
        const int64_t lastRow = std::min<int64_t>(range.lastRow, gridRows - 1);
        const int64_t rowsInRange =
            range.lastColumn < 1 ? 0 : std::max<int64_t>(0, lastRow - std::max(range.firstRow, 0) + 1);
        EXPECT_EQ(steps, static_cast<uint64_t>(std::max<int64_t>(rowsInRange, 1))) << document;
        for (const uint64_t budget : {uint64_t(0), uint64_t(7), ~uint64_t(0)}) {
            const SelectionFigures figures = budget == 0 ? scan.figures() : figuresOf(table, headerRow, range, budget);
            EXPECT_EQ(figures.count, count) << document;
            EXPECT_EQ(figures.numbers, numbers) << document;
            EXPECT_NEAR(figures.sum, sum, 1e-9) << document;
        }
    }
}

}  // namespace
