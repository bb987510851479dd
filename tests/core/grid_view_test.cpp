// The grid's view: shown rows against the rows a fresh filter gives, through outside edits and
// the grid's own, kept rows, a filter applied in slices, and columns hidden and frozen on tables
// that lose columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/changed_range.h"
#include "model/grid_view.h"
#include "model/row_update.h"

namespace {

using Rows = std::vector<uint64_t>;
using Conditions = std::vector<std::pair<uint64_t, std::wstring>>;

// Every question of the row map answered as the shown table rows say, for every table row and
// one past the end.
void expectShows(const ShownRows& view, const Rows& shown, uint64_t tableRows) {
    ASSERT_EQ(view.count(), shown.size());
    for (uint64_t s = 0; s < shown.size(); ++s) ASSERT_EQ(view.tableRow(s), shown[s]) << s;
    for (uint64_t t = 0; t <= tableRows; ++t) {
        const auto at = std::lower_bound(shown.begin(), shown.end(), t);
        const uint64_t index = static_cast<uint64_t>(at - shown.begin());
        const bool present = at != shown.end() && *at == t;
        ASSERT_EQ(view.shownRow(t), present ? std::optional<uint64_t>(index) : std::nullopt) << t;
        ASSERT_EQ(view.shownRowAtOrAfter(t), at != shown.end() ? std::optional<uint64_t>(index) : std::nullopt) << t;
        const uint64_t before = present ? index + 1 : index;
        ASSERT_EQ(view.shownRowAtOrBefore(t), before > 0 ? std::optional<uint64_t>(before - 1) : std::nullopt) << t;
    }
}

Rows tableRowsOf(const ShownRows& view) {
    Rows rows;
    for (uint64_t s = 0; s < view.count(); ++s) rows.push_back(view.tableRow(s));
    return rows;
}

ShownRows viewOf(const CsvTable& table, bool headerRow, const Conditions& conditions) {
    ShownRows view;
    view.reset(table, headerRow);
    for (const auto& [cell, text] : conditions) view.setCondition(cell, text);
    view.apply(table);
    return view;
}

TEST(ShownRows, MapsShownRowsToTableRows) {
    CsvTable table;
    scanDocument("city,n\r\nBerlin,12\r\nBonn,3\r\nBern,40\r\nbremen\r\n", ',', '"', table);
    struct Case {
        bool headerRow;
        Conditions conditions;
        Rows shown;
        bool filtered;
    };
    const std::vector<Case> cases{
        {true, {}, {1, 2, 3, 4}, false},
        {false, {}, {0, 1, 2, 3, 4}, false},
        {true, {{0, L"=bonn"}}, {2}, true},
        {true, {{0, L"ber"}, {1, L">10"}}, {1, 3}, true},
        {false, {{0, L"b"}}, {1, 2, 3, 4}, true},         // the header record is a record here
        {true, {{1, L"\"\""}}, {4}, true},                // a short row has the cell empty
        {true, {{0, L"x"}}, {}, true},
        {true, {{0, L"="}, {5, L""}}, {1, 2, 3, 4}, false},  // boxes that filter nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases.data()));
        const ShownRows view = viewOf(table, c.headerRow, c.conditions);
        EXPECT_EQ(view.filtered(), c.filtered);
        EXPECT_EQ(view.recordCount(), c.headerRow ? 4u : 5u);
        expectShows(view, c.shown, table.rows.size());
    }
    CsvTable empty;
    expectShows(viewOf(empty, true, {}), {}, 0);
}

// A row edited in the grid stays shown, marked, until the filter is applied again.
TEST(ShownRows, KeepsRowsTheUserEditsUntilAppliedAgain) {
    CsvTable table;
    scanDocument("city\r\nBerlin\r\nBonn\r\nBern\r\n", ',', '"', table);
    ShownRows view = viewOf(table, true, {{0, L"ber"}});
    const auto editCell = [&](uint64_t row, std::string_view value) {
        commitRowReplacement(table, row, setRowCell(table, row, 0, value));
        view.rowsEdited(table, row, row + 1, row + 1);
    };
    editCell(3, "Paris");   // no longer meets it: kept
    editCell(2, "Bergen");  // a hidden row stays hidden
    expectShows(view, {1, 3}, 4);
    EXPECT_TRUE(view.isKept(1) && !view.isKept(0));
    editCell(3, "Bern");  // meets it again: no longer kept
    EXPECT_EQ(view.keptCount(), 0u);
    editCell(1, "Rome");
    view.apply(table);
    expectShows(view, {2, 3}, 4);
    EXPECT_EQ(view.keptCount(), 0u);

    // A row the grid removes goes; numbers that do not fit the table apply the filter afresh.
    scanDocument("city\r\nRome\r\nBern\r\n", ',', '"', table);
    view.rowsEdited(table, 2, 3, 2);
    expectShows(view, {2}, 3);
    scanDocument("city\r\nBern\r\nBerlin\r\n", ',', '"', table);
    view.rowsReplaced(table, 0, 9, 9);
    expectShows(view, {1, 2}, 3);
}

std::string randomDocument(std::mt19937& engine, uint64_t rows) {
    static const char* const values[] = {"ab", "ba", "7", "12", "", "\"q,\r\nb\"", "c"};
    std::string text;
    for (uint64_t r = 0; r < rows; ++r) {
        for (uint64_t c = 0, n = 1 + engine() % 3; c < n; ++c) {
            if (c > 0) text += ',';
            text += values[engine() % 7];
        }
        text += engine() % 6 == 0 ? "\n" : "\r\n";
    }
    return text;
}

// Outside edits of random documents (rescanned as the grid does) and the grid's own edits of
// shown rows: the view shows exactly the rows a fresh filter of the edited document shows, and
// the kept rows besides.
TEST(ShownRows, FollowsEditsAsAFreshFilterWouldShow) {
    std::mt19937 engine(31);
    const auto below = [&](uint64_t n) { return n == 0 ? 0 : engine() % n; };
    static const char* const pieces[] = {"b", "7", ",", "\r\n", "\n", "\"", "ab,12\r\n", "x"};
    int rescans = 0;
    for (int round = 0; round < 300; ++round) {
        std::string text = randomDocument(engine, below(40));
        const bool headerRow = below(2) == 0;
        const Conditions conditions = below(2) == 0 ? Conditions{{0, L"b"}} : Conditions{{0, L"!a"}, {1, L">5"}};
        CsvTable table;
        scanDocument(text, ',', '"', table);
        ShownRows view = viewOf(table, headerRow, conditions);
        for (int edit = 0; edit < 12; ++edit) {
            const uint64_t kind = below(4);
            if (kind == 0 && view.count() > 0) {  // a cell of a shown row written in the grid
                const uint64_t r = view.tableRow(below(view.count()));
                const RowReplacement replacement = setRowCell(table, r, below(2), below(2) == 0 ? "ab" : "9");
                text.replace(replacement.start, replacement.end - replacement.start, replacement.text);
                commitRowReplacement(table, r, replacement);
                view.rowsEdited(table, r, r + 1, r + 1);
            } else if (kind == 1 && view.count() > 0) {  // a row added before a shown one
                const uint64_t r = view.tableRow(below(view.count()));
                text.insert(table.rows.start(r), below(2) == 0 ? "ab,9\r\n" : "c,1\r\n");
                scanDocument(text, ',', '"', table);
                view.rowsEdited(table, r, r, r + 1);
            } else {  // typed or deleted outside the grid
                ChangedRange change;
                const uint64_t at = below(text.size() + 1);
                if (below(4) == 0 && table.rows.size() > 1) {  // a whole record, the first often
                    const uint64_t r = below(2) == 0 ? 0 : below(table.rows.size() - 1);
                    const uint64_t length = table.rows.start(r + 1) - table.rows.start(r);
                    text.erase(table.rows.start(r), length);
                    noteDeletion(change, table.rows.start(r), length);
                } else if (below(2) == 0 || at == text.size()) {
                    const std::string piece = pieces[below(8)];
                    text.insert(at, piece);
                    noteInsertion(change, at, piece.size());
                } else {
                    const uint64_t length = 1 + below(std::min<uint64_t>(text.size() - at, 8));
                    text.erase(at, length);
                    noteDeletion(change, at, length);
                }
                ReplacedRows replaced;
                if (rescanChangedRange(text, 0, text.size(), change, table, &replaced) == RescanResult::Done) {
                    view.rowsReplaced(table, replaced.first, replaced.oldLast, replaced.newLast);
                    ++rescans;
                } else {
                    scanDocument(text, ',', '"', table);
                    view.reset(table, headerRow);
                    view.apply(table);
                }
            }
            CsvTable fresh;
            scanDocument(text, ',', '"', fresh);
            const ShownRows expected = viewOf(fresh, headerRow, conditions);
            Rows shown;
            Rows kept;
            for (uint64_t s = 0; s < view.count(); ++s) (view.isKept(s) ? kept : shown).push_back(view.tableRow(s));
            ASSERT_EQ(shown, tableRowsOf(expected)) << "round " << round << " edit " << edit << " "
                                                    << testing::PrintToString(text);
            for (const uint64_t r : kept) ASSERT_FALSE(expected.isShown(r)) << r;
            ASSERT_EQ(view.recordCount(), expected.recordCount());
        }
    }
    EXPECT_GT(rescans, 1000);
}

TEST(FilterRun, SlicesShowWhatOneGoShows) {
    std::mt19937 engine(7);
    CsvTable table;
    scanDocument(randomDocument(engine, 3000), ',', '"', table);
    ShownRows view = viewOf(table, true, {{0, L"b"}, {1, L"!7"}});
    const Rows oneGo = tableRowsOf(view);
    ASSERT_GT(oneGo.size(), 100u);

    view.reset(table, true);
    for (const uint64_t budget : {0u, 37u, 5000u, 1u << 30}) {
        FilterRun run(view);
        int steps = 1;
        while (!run.step(table, budget)) {
            ++steps;
            EXPECT_FALSE(view.finish(run));
        }
        EXPECT_EQ(run.rowsRead(), run.rowsToRead());
        if (budget == 0) {
            EXPECT_EQ(steps, int(table.rows.size()) - 1);  // one row a step
        }
        ASSERT_TRUE(view.finish(run));
        expectShows(view, oneGo, table.rows.size());
        view.reset(table, true);
    }

    // A run begun before the conditions or the rows changed is stale.
    FilterRun beforeCondition(view);
    view.setCondition(1, L"");
    while (!beforeCondition.step(table, 1000)) {}
    EXPECT_FALSE(view.finish(beforeCondition));
    FilterRun beforeEdit(view);
    view.rowsEdited(table, 5, 6, 6);
    while (!beforeEdit.step(table, 1000)) {}
    EXPECT_FALSE(view.finish(beforeEdit));
    EXPECT_FALSE(view.filtered());
}

// Columns in view order with hidden ones skipped, the frozen count, and where hidden ones are
// marked, as the table keeps fewer columns.
TEST(ShownColumns, HiddenAndFrozenColumnsOnATableThatShrinks) {
    struct Case {
        uint64_t columnCount;
        std::vector<uint64_t> shown;                   // the cells of the shown columns
        std::vector<std::vector<uint64_t>> marks;      // hiddenBefore(0 .. shown.size())
        uint64_t frozen;
    };
    ShownColumns columns;
    columns.setOrder({4, 0});  // cell 4 moved first, 0 after it, the rest in document order
    columns.hide(1);
    columns.hide(2);
    columns.hide(6);
    columns.setFrozenCount(3);
    const std::vector<Case> cases{
        {7, {4, 0, 3, 5}, {{}, {}, {1, 2}, {}, {6}}, 3},
        {5, {4, 0, 3}, {{}, {}, {1, 2}, {}}, 3},
        {3, {0}, {{}, {1, 2}}, 1},  // the moved and frozen columns beyond the end are ignored
        {2, {0}, {{}, {1}}, 1},
        {0, {}, {{}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columnCount << " columns");
        columns.setColumnCount(c.columnCount);
        ASSERT_EQ(columns.count(), c.shown.size());
        EXPECT_EQ(columns.frozenCount(), c.frozen);
        for (uint64_t s = 0; s < c.shown.size(); ++s) {
            EXPECT_EQ(columns.cellOf(s), c.shown[s]);
            EXPECT_EQ(columns.columnOf(c.shown[s]), s);
        }
        for (uint64_t s = 0; s <= c.shown.size(); ++s) EXPECT_EQ(columns.hiddenBefore(s), c.marks[s]) << s;
        EXPECT_EQ(columns.hiddenBefore(c.shown.size() + 1), std::vector<uint64_t>{});
        EXPECT_EQ(columns.columnOf(c.columnCount), std::nullopt);
        EXPECT_EQ(columns.isHidden(1), c.columnCount > 1);
    }
    // Ctrl+arrows and Tab from a hidden cell, a shown one and one past the end.
    columns.setColumnCount(7);
    EXPECT_EQ(columns.nextColumn(1), 2u);       // 1 and 2 lie between 0 and 3
    EXPECT_EQ(columns.previousColumn(2), 1u);
    EXPECT_EQ(columns.nextColumn(4), 1u);
    EXPECT_EQ(columns.previousColumn(4), std::nullopt);
    EXPECT_EQ(columns.nextColumn(5), std::nullopt);  // only the hidden 6 is right of it
    EXPECT_EQ(columns.previousColumn(6), 3u);
    EXPECT_EQ(columns.nextColumn(9), std::nullopt);
    EXPECT_EQ(columns.previousColumn(9), 3u);
    columns.showAll();
    EXPECT_EQ(columns.count(), 7u);
}

}  // namespace
