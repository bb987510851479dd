// Benchmarks of the row model on generated documents, with libcsv and a memchr line count
// (the floor: one pass that looks at every byte and builds nothing) side by side.
//
// For each document, as medians over repeated runs:
//   detect/<doc>   detectDelimiter on the document
//   refresh/<doc>  what a refresh does: copy the text, detect, scan into a table used before
//   fresh/<doc>    scanDocument into a new table
//   scan/<doc>     scanDocument of the text itself into a table used before (no copy, no
//                  detection): the scanner's own speed, read by two threads on two cores
//   alone/<doc>    the same scan read by one thread
//   memcpy/<doc>   copying the text into a buffer used before, the yardstick of the scan
//   libcsv/<doc>   libcsv parsing the same bytes into a vector of rows of strings
//   memchr/<doc>   counting the line feeds
// After the runs it prints the figures that matter: refresh against libcsv, throughput at
// 16, 64 and 256 MiB, the model's peak heap as a multiple of the document, and allocations
// per refresh.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "documents.h"
#include "heap_counter.h"
#include "libcsv_peer.h"
#include "model/csv_table.h"
#include "model/delimiter_detection.h"

namespace {

constexpr uint64_t MIB = 1 << 20;

struct Document {
    std::string name;
    uint64_t bytes;
    std::function<std::string(uint64_t)> make;
    int repetitions;    // of the whole-document benchmarks
    bool compare;       // measured against libcsv and for heap
    std::string text;   // made on first use

    const std::string& get() {
        if (text.empty()) text = make(bytes);
        return text;
    }
};

std::vector<Document>& allDocuments() {
    static std::vector<Document> docs = {
        {"typical", 16 * MIB, documents::typical, 11, true, {}},
        {"wide", 16 * MIB, documents::wide, 9, true, {}},
        {"huge_cells", 16 * MIB, documents::hugeCells, 9, true, {}},
        {"unterminated_quote", 16 * MIB, documents::unterminatedQuote, 9, true, {}},
        {"single_line_128MiB", 128 * MIB, documents::singleLine, 3, true, {}},
        {"typical_64MiB", 64 * MIB, documents::typical, 7, false, {}},
        {"typical_256MiB", 256 * MIB, documents::typical, 5, false, {}},
    };
    return docs;
}

char delimiterOf(const std::string& text) {
    char d = detectDelimiter(text);
    return d ? d : ',';
}

void benchDetect(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    for (auto _ : state) benchmark::DoNotOptimize(detectDelimiter(text));
}

void benchRefresh(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    CsvTable table;
    scanDocument(text, delimiterOf(text), '"', table);
    for (auto _ : state) {
        std::string copy(text);
        char d = detectDelimiter(copy);
        scanDocument(copy, d ? d : table.delimiter, '"', table);
        benchmark::DoNotOptimize(table.rows.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void benchScan(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    const char d = delimiterOf(text);
    CsvTable table;
    scanDocument(text, d, '"', table);
    for (auto _ : state) {
        scanDocument(text, d, '"', table);
        benchmark::DoNotOptimize(table.rows.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void benchScanAlone(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    const char d = delimiterOf(text);
    CsvTable table;
    scanDocument(text, d, '"', table);
    for (auto _ : state) {
        // A second reader that would start at the end leaves the whole text to this one.
        DocumentScan scan(table, text.size(), d, '"');
        scan.stepInTwo(text, text.size(), text.size());
        benchmark::DoNotOptimize(table.rows.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void benchMemcpy(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    std::string copy(text.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), text.data(), text.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void benchFresh(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    const char d = delimiterOf(text);
    for (auto _ : state) {
        auto table = std::make_unique<CsvTable>();
        scanDocument(text, d, '"', *table);
        benchmark::DoNotOptimize(table->rows.size());
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void benchLibcsv(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    const char d = delimiterOf(text);
    for (auto _ : state) {
        auto rows = std::make_unique<PeerTable>(parseWithLibcsv(text, d));
        benchmark::DoNotOptimize(rows->data());
        state.PauseTiming();
        rows.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void benchMemchr(benchmark::State& state, Document* doc) {
    const std::string& text = doc->get();
    for (auto _ : state) {
        uint64_t lines = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (const void* hit = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
            ++lines;
            p = static_cast<const char*>(hit) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Keeps the median of every benchmark, in seconds, while printing as the console does.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    std::map<std::string, double> medians;
};

struct HeapFigures {
    double modelPeak;      // multiple of the document size
    double modelRetained;
    double libcsvPeak;
};

HeapFigures measureHeap(const std::string& text) {
    const char d = delimiterOf(text);
    HeapFigures f{};
    const double size = static_cast<double>(text.size());
    {
        uint64_t base = heap_counter::currentBytes();
        heap_counter::resetPeak();
        auto table = std::make_unique<CsvTable>();
        scanDocument(text, d, '"', *table);
        f.modelPeak = static_cast<double>(heap_counter::peakBytes() - base) / size;
        f.modelRetained = static_cast<double>(heap_counter::currentBytes() - base) / size;
    }
    {
        uint64_t base = heap_counter::currentBytes();
        heap_counter::resetPeak();
        PeerTable rows = parseWithLibcsv(text, d);
        f.libcsvPeak = static_cast<double>(heap_counter::peakBytes() - base) / size;
    }
    return f;
}

// Median time of copying the document into pages fresh from the operating system, which the
// refresh figures leave out (see main).
double freshPageCopySeconds(const std::string& text) {
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        auto t0 = std::chrono::steady_clock::now();
        void* pages = mmap(nullptr, text.size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) return 0;
        std::memcpy(pages, text.data(), text.size());
        benchmark::DoNotOptimize(pages);
        auto t1 = std::chrono::steady_clock::now();
        munmap(pages, text.size());
        times.push_back(std::chrono::duration<double>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Allocations made by scanning next into a table that holds text.
uint64_t allocationsPerRescan(const std::string& text, const std::string& next) {
    const char d = delimiterOf(text);
    CsvTable table;
    scanDocument(text, d, '"', table);
    uint64_t before = heap_counter::allocations();
    scanDocument(next, d, '"', table);
    return heap_counter::allocations() - before;
}

void registerBenchmarks() {
    for (Document& doc : allDocuments()) {
        Document* d = &doc;
        auto whole = [&](const std::string& kind, void (*fn)(benchmark::State&, Document*), int reps) {
            benchmark::RegisterBenchmark((kind + "/" + doc.name).c_str(), fn, d)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->Repetitions(reps)
                ->ReportAggregatesOnly(true)
                ->UseRealTime();
        };
        if (doc.compare)
            benchmark::RegisterBenchmark(("detect/" + doc.name).c_str(), benchDetect, d)
                ->Unit(benchmark::kMicrosecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        whole("refresh", benchRefresh, doc.repetitions);
        whole("scan", benchScan, doc.repetitions);
        whole("alone", benchScanAlone, doc.repetitions);
        whole("memcpy", benchMemcpy, doc.repetitions);
        if (doc.compare) {
            whole("fresh", benchFresh, doc.repetitions);
            whole("libcsv", benchLibcsv, doc.repetitions > 5 ? 5 : doc.repetitions);
        }
        whole("memchr", benchMemchr, doc.repetitions);
    }
}

void printSummary(const std::map<std::string, double>& medians) {
    auto median = [&](const std::string& key) {
        auto it = medians.find(key);
        return it == medians.end() ? 0.0 : it->second;
    };
    std::printf("\n== Summary (medians) ==\n");
    for (Document& doc : allDocuments()) {
        if (!doc.compare) continue;
        double refresh = median("refresh/" + doc.name);
        double fresh = median("fresh/" + doc.name);
        double libcsv = median("libcsv/" + doc.name);
        double floor = median("memchr/" + doc.name);
        if (refresh <= 0 || libcsv <= 0) continue;
        std::printf("%-20s refresh %8.1f ms  fresh %8.1f ms  libcsv %8.1f ms  memchr %6.1f ms  "
                    "refresh vs libcsv: %.2fx faster\n",
                    doc.name.c_str(), refresh * 1e3, fresh * 1e3, libcsv * 1e3, floor * 1e3, libcsv / refresh);
    }

    // The scanner against the copy of the same bytes, both measured in this run.
    for (Document& doc : allDocuments()) {
        double scan = median("scan/" + doc.name);
        double alone = median("alone/" + doc.name);
        double copy = median("memcpy/" + doc.name);
        if (scan <= 0 || copy <= 0) continue;
        std::printf("%-20s scan %7.1f ms = %6.0f MB/s   memcpy %6.1f ms   scan / memcpy %.1fx   "
                    "one thread %7.1f ms = %.1fx\n",
                    doc.name.c_str(), scan * 1e3, static_cast<double>(doc.get().size()) / 1e6 / scan, copy * 1e3,
                    scan / copy, alone * 1e3, alone / copy);
    }

    double mbps[3] = {};
    const char* names[3] = {"typical", "typical_64MiB", "typical_256MiB"};
    for (int i = 0; i < 3; ++i) {
        Document* doc = nullptr;
        for (Document& d : allDocuments())
            if (d.name == names[i]) doc = &d;
        double t = median(std::string("refresh/") + names[i]);
        if (doc && t > 0) mbps[i] = static_cast<double>(doc->get().size()) / MIB / t;
    }
    if (mbps[0] > 0 && mbps[1] > 0 && mbps[2] > 0) {
        double spread = 0;
        for (int i = 1; i < 3; ++i) {
            double dev = (mbps[i] - mbps[0]) / mbps[0] * 100;
            if (dev < 0) dev = -dev;
            if (dev > spread) spread = dev;
        }
        std::printf("refresh throughput (typical): 16 MiB %.0f MiB/s, 64 MiB %.0f MiB/s, 256 MiB %.0f MiB/s; "
                    "largest difference from 16 MiB: %.1f %%\n",
                    mbps[0], mbps[1], mbps[2], spread);
    }

    std::printf("peak heap during a fresh scan, as a multiple of the document size:\n");
    for (Document& doc : allDocuments()) {
        if (!doc.compare || doc.text.empty()) continue;  // only the documents measured above
        HeapFigures f = measureHeap(doc.get());
        std::printf("%-20s model peak %.2fx (kept afterwards %.2fx)   libcsv peak %.2fx\n", doc.name.c_str(),
                    f.modelPeak, f.modelRetained, f.libcsvPeak);
    }
    if (allDocuments()[0].text.empty()) return;
    const std::string& typical = allDocuments()[0].get();
    CsvTable probe;
    scanDocument(typical, ',', '"', probe);
    // An edit near the top shifts every later record onto the row object of its neighbour.
    std::string edited = typical;
    edited.insert(edited.find('\n') + 1, "0,1.00,2024-01-01,00:00:00,x,y,1,1.00,z z,open\r\n");
    std::printf("allocations when rescanning typical into a table holding it: %llu; after a row was inserted "
                "at the top: %llu (for %zu rows)\n",
                static_cast<unsigned long long>(allocationsPerRescan(typical, typical)),
                static_cast<unsigned long long>(allocationsPerRescan(typical, edited)), probe.rows.size());
    double copy = freshPageCopySeconds(typical);
    std::printf("copying typical into fresh pages from the system takes %.1f ms here (the refresh figures "
                "copy into reused heap memory)\n",
                copy * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
    // glibc hands blocks above a threshold straight to mmap and raises that threshold as large
    // blocks are freed, but only up to 32 MiB: a 16 MiB copy then comes from reused heap
    // memory, a 64 or 256 MiB one from fresh pages whose first-touch faults are slow on this
    // machine. Keeping every size on the heap makes the sizes compare like for like; the cost
    // of fresh pages is printed separately.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    // And one heap for all threads, as the plug-in has on Windows: glibc would give the scan's
    // second thread an arena of its own, whose freed pages go back to the system.
    mallopt(M_ARENA_MAX, 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerBenchmarks();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter.medians);
    benchmark::Shutdown();
    return 0;
}
