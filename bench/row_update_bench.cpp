// The cost of one cell edit in the row model, on the typical 16 MiB document: the middle row
// regenerated from its cells, its bytes replaced in a copy of the document held in a string (as
// the editor holds it), and the later rows' offsets moved. The model's part alone is shown
// beside it, since the string's replace moves half the document and the editor's may not.
// Medians over repeated runs; figures, not a test.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "documents.h"
#include "timing.h"
#include "model/csv_table.h"
#include "model/row_update.h"

namespace {

constexpr uint64_t MIB = 1 << 20;
constexpr int RUNS = 51;

using timing::median;
using timing::seconds;

}  // namespace

int main() {
    std::string document = documents::typical(16 * MIB);
    CsvTable table;
    scanDocument(document, ',', '"', table);
    const uint64_t middle = table.rows.size() / 2;
    std::printf("row_update_bench: typical document, %.1f MiB, %zu rows, edits on row %llu\n",
                static_cast<double>(document.size()) / MIB, table.rows.size(),
                static_cast<unsigned long long>(middle));

    // Each run writes a value of another length than the last, so every edit moves the rows.
    std::vector<double> whole;
    std::vector<double> model;
    for (int i = 0; i < RUNS; ++i) {
        const std::string value = std::string(1 + i % 3, 'x');
        auto start = std::chrono::steady_clock::now();
        const RowReplacement replacement = setRowCell(table, middle, 2, value);
        const double regenerated = seconds(start);
        const auto replaceStart = std::chrono::steady_clock::now();
        document.replace(replacement.start, replacement.end - replacement.start, replacement.text);
        const double replaced = seconds(replaceStart);
        const auto shiftStart = std::chrono::steady_clock::now();
        commitRowReplacement(table, middle, replacement);
        const double shifted = seconds(shiftStart);
        whole.push_back(regenerated + replaced + shifted);
        model.push_back(regenerated + shifted);
    }
    if (table.parsedLength != document.size() ||
        document.compare(table.rows[middle].start, table.rows[middle].end - table.rows[middle].start,
                         table.rows[middle].raw()) != 0) {
        std::fprintf(stderr, "row_update_bench: the model no longer matches the document\n");
        return 1;
    }
    std::printf("cell edit, model and string replace: median %8.3f ms over %d runs\n", median(whole) * 1e3, RUNS);
    std::printf("cell edit, model only (row + shift):  median %8.3f ms over %d runs\n", median(model) * 1e3, RUNS);
    return 0;
}
