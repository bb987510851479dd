// A step of a document scan read by two threads: this one from where the scan stands, a second
// from a line start further on, guessed to be a record start, into rows of its own.
//
// A guess is safe to make because it is checked, not trusted: records always begin outside
// quotes, so two readings that reach the same record start read alike from there on. This
// reading goes on until it stands at a record start the second reading also found, and takes
// the second's rows from there; a line start inside a quoted cell makes the second reading
// wrong for a while (quotes read the wrong way round), until a quote where a field cannot open
// sets it right, and this reading just goes on further before the two meet.
#include "model/csv_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "model/record_blocks.h"
#include "model/table_sink.h"

namespace {

// The second reading goes this far at a time, and asks between times whether it is still
// wanted.
constexpr uint64_t AHEAD_STEP_BYTES = uint64_t(256) << 10;
// How far past the second reading's start this one goes looking for a record start the two
// share, before it reads the rest alone.
constexpr uint64_t MEET_WITHIN_BYTES = uint64_t(4) << 20;

// What the second reading read: rows from its start, up to the first record that ends at or
// past the step's end, unless it failed or was stopped.
struct ReadAhead {
    RowList rows;
    uint64_t widest = 0;  // kept by the sink; the join counts the rows it takes again
    uint64_t lastEnd = 0;
    bool complete = false;
};

void readAhead(std::string_view text, uint64_t from, uint64_t until, char delimiter, char quote, bool notes,
               RowList::Builder& builder, ReadAhead& result, const std::atomic<bool>& stop) noexcept {
    try {
        TableSink sink{builder, result.widest, result.lastEnd};
        uint64_t position = from;
        while (position < text.size() && !stop.load(std::memory_order_relaxed)) {
            const uint64_t target = std::min(position + AHEAD_STEP_BYTES, until);
            position =
                record_scan::scanRecordBlocks(text.data(), text.size(), position, target, delimiter, quote, sink, notes);
            if (target == until) break;
        }
        builder.finish();
        result.complete = !stop.load(std::memory_order_relaxed);
    } catch (...) {
        // Out of memory, or a row the list cannot hold: this reading reads on alone.
    }
}

// Owns the second reader's thread: whatever way the step ends, the thread is told to stop and
// waited for before what it writes goes.
class AheadThread {
public:
    AheadThread(std::string_view text, uint64_t from, uint64_t until, char delimiter, char quote, bool notes,
                RowList::Builder& builder, ReadAhead& result)
        : thread_(readAhead, text, from, until, delimiter, quote, notes, std::ref(builder), std::ref(result),
                  std::cref(stop_)) {}
    AheadThread(const AheadThread&) = delete;
    AheadThread& operator=(const AheadThread&) = delete;
    ~AheadThread() {
        stop_.store(true, std::memory_order_relaxed);
        finish();
    }
    // Waits until the reading has ended by itself.
    void finish() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

uint64_t DocumentScan::stepInTwo(std::string_view text, uint64_t until, uint64_t splitAt) {
    readLead(text);
    if (done()) return position_;
    const char delimiter = table_.delimiter;
    const char quote = table_.quote;
    const uint64_t stop = std::min(until, length_);
    if (!record_scan::readsByBlocks(delimiter, quote) || splitAt < position_ || splitAt >= stop) {
        return stepAlone(text, until);
    }
    const std::string_view document = text.substr(0, length_);
    const void* lineFeed = std::memchr(document.data() + splitAt, '\n', static_cast<size_t>(stop - splitAt));
    if (lineFeed == nullptr) return stepAlone(text, until);
    const uint64_t ahead = static_cast<uint64_t>(static_cast<const char*>(lineFeed) - document.data()) + 1;
    if (ahead >= stop) return stepAlone(text, until);

    ReadAhead second;
    RowList::Builder builder(second.rows, document, ahead);
    try {
        rows_.lend(builder, stop - ahead);
    } catch (const std::bad_alloc&) {
        // The second reader then takes fresh storage.
    }
    std::optional<AheadThread> thread;
    try {
        thread.emplace(document, ahead, until, delimiter, quote, notes_, builder, second);
    } catch (const std::system_error&) {
        return stepAlone(text, until);
    }

    // Up to the line start: the record that ends with its line break ends at or past two bytes
    // before it, whether that break is an LF or a CR LF.
    stepAlone(text, ahead >= 2 ? ahead - 2 : 0);
    // A record that runs far past the line start (an unclosed quote, say) means the second
    // reading started inside it: it is stopped rather than waited for.
    if (!done() && lastEnd_ < until && position_ <= ahead + MEET_WITHIN_BYTES) {
        thread->finish();
        const RowList& rows = second.rows;
        const auto startOf = [&](uint64_t r) { return r < rows.size() ? rows.start(r) : rows.textLength(); };
        uint64_t next = 0;  // the first of the second reading's rows not yet passed
        while (second.complete && !rows.empty() && !done() && lastEnd_ < until) {
            while (next <= rows.size() && startOf(next) < position_) ++next;
            if (next >= rows.size() || position_ > ahead + MEET_WITHIN_BYTES) break;
            if (startOf(next) == position_) {
                take(second.rows, next, second.lastEnd);
                break;
            }
            const uint64_t start = startOf(next);
            stepAlone(text, std::min(until, start >= 2 ? start - 2 : 0));
        }
    }
    thread.reset();
    // The rest, when the two did not meet or the second reading ended early.
    if (!done() && lastEnd_ < until) stepAlone(text, until);
    return position_;
}

void DocumentScan::take(RowList& tail, uint64_t firstRow, uint64_t lastEnd) {
    try {
        position_ = tail.textLength();
        table_.maxCells = std::max(table_.maxCells, rows_.join(tail, firstRow));
        lastEnd_ = lastEnd;
        finishIfDone();
    } catch (...) {
        fail();
        throw;
    }
}
