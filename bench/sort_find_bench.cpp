// Sorting and finding on the typical 16 MiB document, with the portable collation and decoding:
//
//   sort by text    the order of the records by the city column (a text of a few dozen
//                   values), then the document written in that order
//   sort by number  the same by the amount column (signed decimals)
//   find / count    the next match of a word from the top, and every match counted
//   regex find      the same for a regular expression, a simple one and one that would take
//                   exponential time by backtracking, and whether it spent its budget
//   filter          the rows one filter box shows: a part of a word in the city column, a bound
//                   on the amount column, each over all 163,000 records
//   grid view       the same condition applied through the grid's view, in one go and in slices
//                   of STEP_BYTES (the slowest slice given too), and one row edited in the grid
//                   while the filter is on
//
// Medians over repeated runs; figures, not a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "documents.h"
#include "timing.h"
#include "model/cell_find.h"
#include "model/csv_table.h"
#include "model/grid_view.h"
#include "model/row_filter.h"
#include "model/sort_order.h"

namespace {

constexpr uint64_t MIB = 1 << 20;
constexpr int RUNS = 9;
// The bytes a slice of the filter reads, as the shell runs it between messages.
constexpr uint64_t STEP_BYTES = uint64_t(256) << 10;

using timing::median;
using timing::seconds;

struct SortFigures {
    double order = 0;
    double text = 0;
};

SortFigures timeSort(const CsvTable& table, uint64_t column) {
    std::vector<double> orders;
    std::vector<double> texts;
    size_t length = 0;
    for (int i = 0; i < RUNS; ++i) {
        auto start = std::chrono::steady_clock::now();
        const std::vector<uint64_t> order = sortedRecordOrder(table, true, {{column, i % 2 == 1}});
        orders.push_back(seconds(start));
        start = std::chrono::steady_clock::now();
        length = reorderedDocumentText(table, order, "\r\n").size();
        texts.push_back(seconds(start));
    }
    if (length != table.parsedLength) std::fprintf(stderr, "sort_find_bench: the sorted document has another length\n");
    return {median(orders), median(texts)};
}

}  // namespace

int main() {
    const std::string document = documents::typical(16 * MIB);
    CsvTable table;
    scanDocument(document, ',', '"', table);
    std::printf("sort_find_bench: typical document, %.1f MiB, %zu records\n",
                static_cast<double>(document.size()) / MIB, table.rows.size());

    const SortFigures byText = timeSort(table, 4);
    const SortFigures byNumber = timeSort(table, 1);
    std::printf("sort by a text column (city), order:      median %8.2f ms over %d runs\n", byText.order * 1e3, RUNS);
    std::printf("sort by a number column (amount), order:  median %8.2f ms over %d runs\n", byNumber.order * 1e3, RUNS);
    std::printf("sorted document written (one text):       median %8.2f ms over %d runs\n",
                (byText.text + byNumber.text) / 2 * 1e3, RUNS);

    // A whole cell with a non-ASCII letter, and a part of cells in ASCII.
    for (const FindQuery& query : {FindQuery{L"Reykjav\u00EDk", false, true, std::nullopt, false, {}},
                                   FindQuery{L"invoice", false, false, std::nullopt, false, {}}}) {
        const CellMatcher matcher(query, decodeUtf8, foldAsciiCase);
        std::vector<double> finds;
        std::vector<double> counts;
        size_t found = 0;
        for (int i = 0; i < RUNS; ++i) {
            auto start = std::chrono::steady_clock::now();
            const auto first =
                findCell(table, true, matcher, MAX_GRID_COLUMNS, GridCell{table.rows.size() / 2, 0}, false);
            finds.push_back(seconds(start));
            start = std::chrono::steady_clock::now();
            found = allMatches(table, true, matcher, MAX_GRID_COLUMNS).size();
            counts.push_back(seconds(start));
            if (!first) std::fprintf(stderr, "sort_find_bench: nothing found\n");
        }
        std::printf("find the next match from the middle (%s): median %8.3f ms over %d runs\n",
                    query.wholeCell ? "whole cell" : "part", median(finds) * 1e3, RUNS);
        std::printf("count every match (%zu):               median %8.2f ms over %d runs\n", found,
                    median(counts) * 1e3, RUNS);
    }

    // A regular expression: find the next match and count them all with one matcher, as one
    // Find Next does, on one budget.
    for (const wchar_t* pattern : {L"\\d{4}-\\d{2}", L"(.*a){12}"}) {
        std::vector<double> finds;
        std::vector<double> counts;
        size_t found = 0;
        bool exhausted = false;
        for (int i = 0; i < RUNS; ++i) {
            const CellMatcher matcher(FindQuery{pattern, false, false, std::nullopt, true, {}}, decodeUtf8, foldAsciiCase);
            auto start = std::chrono::steady_clock::now();
            findCell(table, true, matcher, MAX_GRID_COLUMNS, GridCell{table.rows.size() / 2, 0}, false);
            finds.push_back(seconds(start));
            start = std::chrono::steady_clock::now();
            found = allMatches(table, true, matcher, MAX_GRID_COLUMNS).size();
            counts.push_back(seconds(start));
            exhausted = matcher.budgetExhausted();
        }
        std::printf("regex %-12ls find next from the middle: median %8.3f ms over %d runs\n", pattern,
                    median(finds) * 1e3, RUNS);
        std::printf("regex %-12ls count every match (%zu%s): median %8.2f ms over %d runs\n", pattern, found,
                    exhausted ? ", budget spent" : "", median(counts) * 1e3, RUNS);
    }

    // One filter condition applied to every record.
    for (const auto& [column, box] : {std::pair<uint64_t, const wchar_t*>{4, L"an"}, {1, L">50000"}}) {
        std::vector<std::pair<uint64_t, FilterMatcher>> conditions;
        conditions.emplace_back(column, FilterMatcher(parseFilterCondition(box), decodeUtf8, foldAsciiCase));
        std::vector<double> runs;
        size_t shown = 0;
        for (int i = 0; i < RUNS; ++i) {
            const auto start = std::chrono::steady_clock::now();
            shown = filteredRows(table, true, conditions).size();
            runs.push_back(seconds(start));
        }
        std::printf("filter %-8ls (%zu rows shown):      median %8.2f ms over %d runs\n", box, shown,
                    median(runs) * 1e3, RUNS);

        ShownRows view;
        view.reset(table, true);
        view.setCondition(column, box);
        std::vector<double> oneGo;
        std::vector<double> sliced;
        std::vector<double> slowestSlice;
        std::vector<double> edits;
        uint64_t slices = 0;
        for (int i = 0; i < RUNS; ++i) {
            view.reset(table, true);
            auto start = std::chrono::steady_clock::now();
            view.apply(table);
            oneGo.push_back(seconds(start));
            if (view.count() != shown) std::fprintf(stderr, "sort_find_bench: the view shows other rows\n");

            view.reset(table, true);
            FilterRun run(view);
            double slowest = 0;
            slices = 0;
            start = std::chrono::steady_clock::now();
            for (bool done = false; !done; ++slices) {
                const auto slice = std::chrono::steady_clock::now();
                done = run.step(table, STEP_BYTES);
                slowest = std::max(slowest, seconds(slice));
            }
            view.finish(run);
            sliced.push_back(seconds(start));
            slowestSlice.push_back(slowest);

            // A cell of the middle shown row written in the grid: its row tested, the later
            // shown rows moved along.
            const uint64_t r = view.tableRow(view.count() / 2);
            start = std::chrono::steady_clock::now();
            view.rowsEdited(table, r, r + 1, r + 1);
            edits.push_back(seconds(start));
        }
        std::printf("  through the grid view, in one go:           median %8.2f ms over %d runs\n",
                    median(oneGo) * 1e3, RUNS);
        std::printf("  in slices of %3llu KiB (%4llu slices):        median %8.2f ms, slowest slice %.2f ms\n",
                    static_cast<unsigned long long>(STEP_BYTES >> 10), static_cast<unsigned long long>(slices),
                    median(sliced) * 1e3, median(slowestSlice) * 1e3);
        std::printf("  a row edited in the filtered grid:          median %8.3f ms over %d runs\n",
                    median(edits) * 1e3, RUNS);
    }
    return 0;
}
