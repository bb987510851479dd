// Filter boxes read as conditions, cells matched against them, and the rows a set of them shows.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/row_filter.h"

namespace {

FilterMatcher matcher(std::wstring_view box) {
    return FilterMatcher(parseFilterCondition(box), decodeUtf8, foldAsciiCase);
}

// Each box text against values it must and must not show.
TEST(FilterCondition, EachFormShowsTheValuesItNames) {
    struct Case {
        std::wstring box;
        std::vector<std::string> shown;
        std::vector<std::string> hidden;
    };
    const std::vector<Case> cases{
        {L"", {"", "x"}, {}},
        {L"ber", {"Berlin", "Oberhausen", "\xC3\xBC" "ber"}, {"Bonn", ""}},
        {L"=bonn", {"Bonn", "BONN"}, {"Bonn am Rhein", ""}},
        {L"!ber", {"Bonn", ""}, {"Berlin"}},
        {L">10", {"10.5", "1,000", "9e4"}, {"10", "9", "abc", "", "2024-01-01"}},
        {L">=10", {"10", "10.0"}, {"9.99"}},
        {L"<0", {"-3", "\xE2\x88\x92" "1"}, {"0", "x"}},
        {L"<=2024-03-01", {"2024-03-01", "2023-12-31 23:59"}, {"2024-03-02", "5", ""}},
        {L"\"\"", {""}, {"x", " "}},
        {L"!\"\"", {"x", " "}, {""}},
        {L">", {">", "a>b"}, {"5"}},          // no bound: the text itself is looked for
        {L">abc", {"x>abc"}, {"abd"}},
    };
    for (const Case& c : cases) {
        const FilterMatcher filter = matcher(c.box);
        for (const std::string& value : c.shown) EXPECT_TRUE(filter.matches(value)) << value;
        for (const std::string& value : c.hidden) EXPECT_FALSE(filter.matches(value)) << value;
    }
}

// Every condition must hold; a row without the cell has it empty; the header never shows.
TEST(FilteredRows, AllConditionsHoldAndShortRowsHaveEmptyCells) {
    CsvTable table;
    scanDocument("city,amount,note\r\nBerlin,12,x\r\nBonn,3\r\nBern,40,\r\nbremen,50,y\r\n", ',', '"', table);
    std::vector<std::pair<uint64_t, FilterMatcher>> conditions;
    conditions.emplace_back(0, matcher(L"ber"));
    conditions.emplace_back(1, matcher(L">10"));
    EXPECT_EQ(filteredRows(table, true, conditions), (std::vector<uint64_t>{1, 3}));
    conditions.emplace_back(2, matcher(L"\"\""));
    EXPECT_EQ(filteredRows(table, true, conditions), (std::vector<uint64_t>{3}));
    EXPECT_EQ(filteredRows(table, false, {}), (std::vector<uint64_t>{0, 1, 2, 3, 4}));
    std::vector<std::pair<uint64_t, FilterMatcher>> empty;
    empty.emplace_back(2, matcher(L"\"\""));
    EXPECT_EQ(filteredRows(table, true, empty), (std::vector<uint64_t>{2, 3}));
}

}  // namespace
