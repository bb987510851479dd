// How the core's work grows with the document: the typical document at each size given on
// the command line in MiB (default 16, 64 and 256), one line per size, medians over repeated
// runs, CPU time of this process (the machine is shared, so wall time says more about the
// neighbours than about the code).
//
//   first view     detecting the delimiter and scanning into a new table; of it, in brackets,
//                  the system's part (mostly giving the new table's pages their first touch).
//                  The median reuses the heap the runs before freed; "first in the process" is
//                  the first scan of the size, into pages the process never had

//   full refresh   scanning into the table that holds the document already
//   by changes     the refresh after a one-line outside edit in the middle: the rescan of the
//                  changed stretch through a 64 KiB window, and the shift of the later rows
//   cell edit      one cell of the middle row set and the later rows shifted (the model's part;
//                  the editor's replace is the host's)
//   add row        the text of a new row after the middle one, then the full refresh that
//                  every row operation ends with
//   add column     the whole document written with a column inserted (a column operation
//                  rewrites the document), then the full refresh; in brackets the system's
//                  part, the first touch of the new text's pages
//   whole check    the comparison of the whole document with the rows' bytes that comes before
//                  every write using the whole document, beside the text of one such write
//   peak, kept     the heap the first view holds at its peak and afterwards, as multiples of
//                  the document
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <malloc.h>
#include <sys/resource.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "documents.h"
#include "heap_counter.h"
#include "model/changed_range.h"
#include "model/column_edit.h"
#include "model/csv_table.h"
#include "model/delimiter_detection.h"
#include "model/row_update.h"

namespace {

constexpr uint64_t MIB = 1 << 20;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double systemSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) * 1e-6;
}

struct Timing {
    double ms = 0;        // CPU time
    double systemMs = 0;  // of it, in the system
};

// The medians of runs of work, in milliseconds; prepare runs untimed before each.
Timing medianTiming(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {}) {
    std::vector<double> times;
    std::vector<double> systemTimes;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const double s0 = systemSeconds();
        const double t0 = cpuSeconds();
        work();
        times.push_back(cpuSeconds() - t0);
        systemTimes.push_back(systemSeconds() - s0);
    }
    std::sort(times.begin(), times.end());
    std::sort(systemTimes.begin(), systemTimes.end());
    return {times[times.size() / 2] * 1e3, systemTimes[systemTimes.size() / 2] * 1e3};
}

double medianMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {}) {
    return medianTiming(runs, work, prepare).ms;
}

void fail(const char* what) {
    std::fprintf(stderr, "scaling_bench: %s\n", what);
    std::exit(1);
}

void measure(uint64_t mib) {
    std::string text = documents::typical(mib * MIB);
    const char delimiter = detectDelimiter(text);
    const int wholeRuns = mib >= 256 ? 3 : 5;

    double peak = 0;
    double kept = 0;
    Timing firstEver;
    {
        const uint64_t base = heap_counter::currentBytes();
        heap_counter::resetPeak();
        auto table = std::make_unique<CsvTable>();
        const double s0 = systemSeconds();
        const double t0 = cpuSeconds();
        scanDocument(text, detectDelimiter(text), '"', *table);
        firstEver = {(cpuSeconds() - t0) * 1e3, (systemSeconds() - s0) * 1e3};
        peak = static_cast<double>(heap_counter::peakBytes() - base) / static_cast<double>(text.size());
        kept = static_cast<double>(heap_counter::currentBytes() - base) / static_cast<double>(text.size());
    }

    std::unique_ptr<CsvTable> fresh;
    const Timing firstView = medianTiming(
        wholeRuns,
        [&] {
            fresh = std::make_unique<CsvTable>();
            scanDocument(text, detectDelimiter(text), '"', *fresh);
        },
        [&] { fresh.reset(); });
    fresh.reset();

    CsvTable table;
    scanDocument(text, delimiter, '"', table);
    const double fullRefresh = medianMs(wholeRuns, [&] { scanDocument(text, delimiter, '"', table); });

    // A one-line outside edit: a byte typed into a cell of the middle row, then taken out
    // again, alternately; each refresh sees one of the two.
    const uint64_t middle = table.rows.size() / 2;
    const uint64_t at = table.rows[middle].start + 1;
    std::string edited = text;
    edited.insert(edited.begin() + static_cast<std::ptrdiff_t>(at), '7');
    bool isEdited = false;
    const double byChanges = medianMs(21, [&] {
        const std::string& now = isEdited ? text : edited;
        ChangedRange change;
        if (isEdited) noteDeletion(change, at, 1); else noteInsertion(change, at, 1);
        const uint64_t start = rescanStart(table, change);
        const uint64_t window = std::min<uint64_t>(now.size() - start, change.end - start + 64 * 1024);
        if (rescanChangedRange(std::string_view(now).substr(start, window), start, now.size(), change, table) !=
            RescanResult::Done)
            fail("the one-line edit was not rescanned by its change");
        isEdited = !isEdited;
    });
    if (isEdited) scanDocument(text, delimiter, '"', table);
    if (table.parsedLength != text.size()) fail("the table does not describe the document after the rescans");

    // Each edit writes a value of another length than the last, so every one moves the rows.
    const char* const values[] = {"x", "xx", "xxx"};
    int edits = 0;
    const double cellEdit = medianMs(21, [&] {
        const RowReplacement replacement = setRowCell(table, middle, 2, values[edits++ % 3]);
        commitRowReplacement(table, middle, replacement);
    });
    scanDocument(text, delimiter, '"', table);

    const double addRow = medianMs(wholeRuns, [&] {
        const TextInsertion row = rowInsertion(table, middle, table.maxCells, "\r\n");
        if (row.text.empty()) fail("no row text");
        scanDocument(text, delimiter, '"', table);
    });
    const Timing addColumn = medianTiming(wholeRuns, [&] {
        const std::string written = documentText(table, "\r\n", ColumnEdit{ColumnChange::Insert, 3, delimiter});
        if (written.size() <= text.size()) fail("the column was not inserted");
        scanDocument(text, delimiter, '"', table);
    });

    // The check before a write that uses the whole document, beside the text of the write it
    // guards (a column inserted), with the text in memory it was read from.
    const double wholeCheck = medianMs(wholeRuns, [&] {
        if (!table.rows.holdsAt(0, text)) fail("the rows do not hold the document");
    });
    std::string columnText;
    const double columnWrite = medianMs(wholeRuns, [&] {
        columnText = documentText(table, "\r\n", ColumnEdit{ColumnChange::Insert, 3, delimiter});
    });

    std::printf("%6llu MiB  %10zu rows  first view %8.1f ms (system %6.1f; first in the process %8.1f, system %6.1f)  "
                "full refresh %8.1f ms  by changes %7.3f ms  cell edit %7.3f ms  add row %8.1f ms  "
                "add column %8.1f ms (system %6.1f)  whole check %7.1f ms (%.0f%% of the column's text %.1f ms)  "
                "peak %.2fx  kept %.2fx\n",
                static_cast<unsigned long long>(mib), static_cast<size_t>(table.rows.size()), firstView.ms,
                firstView.systemMs, firstEver.ms, firstEver.systemMs, fullRefresh, byChanges, cellEdit, addRow,
                addColumn.ms, addColumn.systemMs, wholeCheck, 100.0 * wholeCheck / columnWrite, columnWrite, peak,
                kept);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // The plug-in allocates from the Windows heap, one for all threads, which keeps what is
    // freed for the allocations after. glibc gives the scan's second thread an arena of its
    // own and hands the pages freed there back to the system at once, so that every scan's
    // second half would come from fresh pages. Here too all threads share one heap that keeps
    // freed memory; what fresh pages cost is the "first in the process" figure.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    std::vector<uint64_t> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizes.empty()) sizes = {16, 64, 256};
    std::printf("scaling_bench: typical document, CPU time medians\n");
    for (uint64_t mib : sizes)
        if (mib > 0) measure(mib);
    return 0;
}
