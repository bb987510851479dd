// A step of a document scan read by two threads: this one from where the scan stands, a second
// from a line start further on, guessed to be a record start.
//
// A guess is safe to make because it is checked, not trusted: records always begin outside
// quotes, so two readings that reach the same record start read alike from there on. This
// reading goes on until it stands at a record start the second reading also found, and takes
// the second's records from there; a line start inside a quoted cell makes the second reading
// wrong for a while (quotes read the wrong way round), until a quote where a field cannot open
// sets it right, and this reading just goes on further before the two meet.
#include "model/csv_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "model/record_blocks.h"

namespace {

// The second reading hands on this much at a time, and asks between times whether it is
// still wanted.
constexpr uint64_t AHEAD_STEP_BYTES = uint64_t(1) << 20;
// How far past the second reading's start this one goes looking for a record start the two
// share, before it reads the rest alone.
constexpr uint64_t MEET_WITHIN_BYTES = uint64_t(4) << 20;

struct RecordList {
    std::vector<RecordEnd>& records;
    void record(uint64_t end, uint64_t eolLength, uint64_t cellCount) {
        if (cellCount > UINT32_MAX) throw std::length_error("too many cells in a row");
        records.push_back({end, static_cast<uint32_t>(cellCount), static_cast<uint32_t>(eolLength)});
    }
};

// The second reading: the records of text from from on, up to the first that ends at or past
// until. It ends early when stop is set or memory runs out; what it wrote down stands.
void readAhead(const char* text, uint64_t length, uint64_t from, uint64_t until, char delimiter, char quote,
               std::vector<RecordEnd>& records, const std::atomic<bool>& stop) noexcept {
    try {
        RecordList sink{records};
        uint64_t position = from;
        while (position < length && !stop.load(std::memory_order_relaxed)) {
            const uint64_t target = std::min(position + AHEAD_STEP_BYTES, until);
            position = record_scan::scanRecordBlocks(text, length, position, target, delimiter, quote, sink);
            if (target == until) break;
        }
    } catch (...) {
        // This reading goes on from the last record written down.
    }
}

// Owns the second reader's thread: whatever way the step ends, the thread is told to stop and
// waited for before the list it writes goes.
class AheadThread {
public:
    AheadThread(const char* text, uint64_t length, uint64_t from, uint64_t until, char delimiter, char quote,
                std::vector<RecordEnd>& records)
        : thread_(readAhead, text, length, from, until, delimiter, quote, std::ref(records), std::cref(stop_)) {}
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
    if (done()) return position_;
    const char delimiter = table_.delimiter;
    const char quote = table_.quote;
    const uint64_t stop = std::min(until, length_);
    if (!record_scan::readsByBlocks(delimiter, quote) || splitAt < position_ || splitAt >= stop) {
        return stepAlone(text, until);
    }
    const void* lineFeed = std::memchr(text.data() + splitAt, '\n', static_cast<size_t>(stop - splitAt));
    if (lineFeed == nullptr) return stepAlone(text, until);
    const uint64_t ahead = static_cast<uint64_t>(static_cast<const char*>(lineFeed) - text.data()) + 1;
    if (ahead >= stop) return stepAlone(text, until);

    std::vector<RecordEnd> records;
    records.reserve(static_cast<size_t>((stop - ahead) / 64 + 16));
    std::optional<AheadThread> second;
    try {
        second.emplace(text.data(), length_, ahead, until, delimiter, quote, records);
    } catch (const std::system_error&) {
        return stepAlone(text, until);
    }

    // Up to the line start: the record that ends with its line break ends at or past two bytes
    // before it, whether that break is an LF or a CR LF.
    stepAlone(text, ahead >= 2 ? ahead - 2 : 0);
    second->finish();
    const auto startOf = [&](size_t i) { return i == 0 ? ahead : records[i - 1].end + records[i - 1].eolLength; };
    size_t next = 0;  // the first of the second reading's records not yet passed
    while (!done() && lastEnd_ < until) {
        while (next <= records.size() && startOf(next) < position_) ++next;
        if (next > records.size() || position_ > ahead + MEET_WITHIN_BYTES) break;
        if (startOf(next) == position_) {
            take(records, next);
            break;
        }
        const uint64_t start = startOf(next);
        stepAlone(text, std::min(until, start >= 2 ? start - 2 : 0));
    }
    // The rest, when the two did not meet or the second reading ended early.
    if (!done() && lastEnd_ < until) stepAlone(text, until);
    return position_;
}
