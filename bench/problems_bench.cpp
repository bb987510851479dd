// The problem finder beside the first reading it follows, on 16 MiB documents:
//
//   reading        scanDocument (two threads where there are two cores), and the same reading
//                  by one thread, in steps too short for the second
//   fused cost     the reading without notes for the finder, against the reading with them
//                  followed by the whole find, taken in turns, and their ratio
//   find           the whole find in one step with the header row; with the count most rows
//                  have; in steps of 1 MiB
//   header switch  every record judged again from the stored counts
//   update         one record replaced in the middle, as after a cell edit
//
// The typical document has a quote in most blocks of 64 bytes and a byte above 0x7F in nearly
// every one; the wide one has neither, as most documents; a copy of the typical one with a
// stray quote in every thousandth record shows what finding some costs. Medians over
// repeated runs; figures, not a test.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "documents.h"
#include "timing.h"
#include "model/csv_table.h"
#include "model/row_problems.h"
#include "model/row_update.h"

namespace {

constexpr uint64_t MIB = 1 << 20;
constexpr uint64_t ALL = ~uint64_t(0);
constexpr int RUNS = 9;

using timing::median;
using timing::seconds;

template <class Work>
double timed(Work work) {
    std::vector<double> runs;
    for (int i = 0; i < RUNS; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work(i);
        runs.push_back(seconds(start));
    }
    return median(runs);
}

// Times a whole find and prints it beside the reading.
void printFind(const char* what, const CsvTable& table, bool headerRow, uint64_t budget, double reading) {
    uint64_t found = 0;
    const double find = timed([&](int) {
        ProblemFinder finder;
        while (!finder.step(table, headerRow, true, budget)) {
        }
        found = finder.count();
    });
    std::printf("  %-40s %8.2f ms, %5.1f %% of the reading (%llu found)\n", what, find * 1e3, 100 * find / reading,
                static_cast<unsigned long long>(found));
}

// The reading as the panel does it, in one step, with or without the notes for the finder;
// with them, followed by the whole find.
void readOnce(const std::string& document, CsvTable& table, bool findProblems) {
    DocumentScan scan(table, document.size(), ',', '"', findProblems);
    scan.step(document, document.size());
    if (!findProblems) return;
    ProblemFinder finder;
    while (!finder.step(table, true, true, ALL)) {
    }
}

// The reading alone against the reading with the problems found, taken in turns so that
// whatever else runs on the machine weighs on both alike.
void printFusedCost(const std::string& document, CsvTable& table) {
    constexpr int TURNS = 41;
    std::vector<double> alone;
    std::vector<double> found;
    for (int i = 0; i < TURNS; ++i) {
        auto start = std::chrono::steady_clock::now();
        readOnce(document, table, false);
        alone.push_back(seconds(start));
        start = std::chrono::steady_clock::now();
        readOnce(document, table, true);
        found.push_back(seconds(start));
    }
    const double a = median(alone);
    const double b = median(found);
    std::printf("  reading alone (no notes), median of %d:     %8.2f ms\n", TURNS, a * 1e3);
    std::printf("  reading with the problems found:           %8.2f ms\n", b * 1e3);
    std::printf("  ratio:                                     %8.3f\n", b / a);
}

// The readings of a document; answers the two-thread one.
double printReadings(const char* name, const std::string& document, CsvTable& table) {
    const double reading = timed([&](int) { scanDocument(document, ',', '"', table); });
    const double alone = timed([&](int) {
        DocumentScan scan(table, document.size(), ',', '"');
        while (!scan.done()) scan.step(document, scan.position() + 2 * MIB);
    });
    std::printf("%s document, %.1f MiB, %llu records\n", name, static_cast<double>(document.size()) / MIB,
                static_cast<unsigned long long>(table.rows.size()));
    std::printf("  first reading (scanDocument):              %8.2f ms\n", reading * 1e3);
    std::printf("  first reading by one thread:               %8.2f ms\n", alone * 1e3);
    return reading;
}

// A stray quote after the first byte of every thousandth record.
std::string withStrayQuotes(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 50000);
    uint64_t line = 0;
    bool lineStart = true;
    for (char c : text) {
        out += c;
        if (lineStart && ++line % 1000 == 0) out += '"';
        lineStart = c == '\n';
    }
    return out;
}

}  // namespace

int main() {
    std::printf("problems_bench: medians over %d runs\n", RUNS);
    const std::string document = documents::typical(16 * MIB);
    CsvTable table;
    const double reading = printReadings("typical", document, table);
    printFusedCost(document, table);
    printFind("find, header row, one step:", table, true, ALL, reading);
    printFind("find, most rows' count, one step:", table, false, ALL, reading);
    printFind("find, header row, steps of 1 MiB:", table, true, MIB, reading);

    // A title more than the records have: with the header row every record is a problem,
    // without it only the header is; each switch judges every record again.
    std::string titled = document;
    titled.insert(titled.find("\r\n"), ",extra");
    CsvTable titledTable;
    scanDocument(titled, ',', '"', titledTable);
    ProblemFinder switching;
    switching.step(titledTable, false, true, ALL);
    const double switched = timed([&](int i) { switching.step(titledTable, i % 2 == 0, true, ALL); });
    std::printf("  header row switched, every record judged:  %8.3f ms\n", switched * 1e3);

    ProblemFinder finder;
    finder.step(table, true, true, ALL);
    const uint64_t row = table.rows.size() / 2;
    std::vector<double> updates;
    for (int i = 0; i < RUNS; ++i) {
        const RowReplacement replacement = setRowCell(table, row, 4, i % 2 == 0 ? "Reykjav\xC3\xADk" : "x\"y");
        commitRowReplacement(table, row, replacement);
        const auto start = std::chrono::steady_clock::now();
        finder.update(table, row, row + 1, row + 1);
        updates.push_back(seconds(start));
    }
    std::printf("  update after a cell edit:                  %8.3f ms\n", median(updates) * 1e3);

    const std::string flawed = withStrayQuotes(document);
    CsvTable flawedTable;
    scanDocument(flawed, ',', '"', flawedTable);
    printFind("find, a stray quote per 1,000 records:", flawedTable, true, ALL, reading);

    const std::string wide = documents::wide(16 * MIB);
    CsvTable wideTable;
    const double wideReading = printReadings("wide (no quote, no byte above 0x7F)", wide, wideTable);
    printFusedCost(wide, wideTable);
    printFind("find, header row, one step:", wideTable, true, ALL, wideReading);
    return 0;
}
