// Finding the problems of the records: a record's bytes on their own, the block-wise pass over
// a chunk of records, the finder's steps and updates, and the status line's words.
#include "model/row_problems.h"

#include <algorithm>
#include <bit>
#include <iterator>

#include "model/record_blocks.h"
#include "model/problem_blocks.h"
#include "model/record_scan.h"
#include "model/status_text.h"

namespace {

constexpr uint64_t NONE = ~uint64_t(0);

// The length of the UTF-8 character that begins at s[p], or 0 when the bytes from p up to end
// begin none: a continuation byte or one no character begins with, a character cut short, an
// overlong form (C0, C1, E0 80..9F, F0 80..8F), a surrogate (ED A0..BF), beyond U+10FFFF.
uint64_t utf8Length(const unsigned char* s, uint64_t p, uint64_t end) {
    const unsigned char lead = s[p];
    if (lead < 0x80) return 1;
    uint64_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0xC2) {
        return 0;
    } else if (lead < 0xE0) {
        length = 2;
    } else if (lead < 0xF0) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead < 0xF5) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length) return 0;
    if (s[p + 1] < low || s[p + 1] > high) return 0;
    for (uint64_t k = 2; k < length; ++k) {
        if ((s[p + k] & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool validUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    for (uint64_t p = 0; p < bytes.size();) {
        const uint64_t length = utf8Length(s, p, bytes.size());
        if (length == 0) return false;
        p += length;
    }
    return true;
}

// Line breaks in bytes: CR LF, LF and CR count one each. Written as three counts, which the
// compiler turns into vector code, since a quote left open has every line before it counted.
uint64_t lineBreaks(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint64_t n = bytes.size();
    uint64_t breaks = 0;
    for (uint64_t i = 0; i < n; ++i) breaks += (s[i] == '\n') | (s[i] == '\r');
    uint64_t pairs = 0;
    for (uint64_t i = 0; i + 1 < n; ++i) pairs += (s[i] == '\r') & (s[i + 1] == '\n');
    return breaks - pairs;
}

template <class Item>
auto firstAtOrAfter(std::vector<Item>& items, uint64_t row) {
    return std::lower_bound(items.begin(), items.end(), row, [](const Item& item, uint64_t r) { return item.row < r; });
}

// Takes out the items of the rows [first, oldLast), moves the later ones by the difference and
// puts fresh in their place.
template <class Item>
void splice(std::vector<Item>& items, uint64_t first, uint64_t oldLast, uint64_t newLast, std::vector<Item>& fresh) {
    const auto from = firstAtOrAfter(items, first);
    const auto to = firstAtOrAfter(items, oldLast);
    for (auto it = to; it != items.end(); ++it) it->row = it->row - oldLast + newLast;
    const auto at = items.erase(from, to);
    items.insert(at, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
}

// What the block reading tells of one record of a chunk.
struct RowMark {
    uint64_t index = 0;     // in the chunk
    bool invalid = false;   // bytes that are not UTF-8
    bool reread = false;    // a stray or unclosed quote: the record is read on its own
};

// Reads the records [from, to) of a chunk 64 bytes at a time and marks those with something
// to tell; records without a mark have nothing.
//
// Quotes are followed by their running parity, as the block reading of the scanner follows
// them: a quote opens a quoted stretch where the parity is even. As long as every quote that
// opens one stands at the start of a field or right after another quote (a doubled quote),
// and every quote that closes one is followed by a delimiter, a line break, another quote or
// the record's end, the parity is the scanner's reading and the record's quotes are sound. The
// first quote that breaks this makes its record one to read on its own, and the reading goes
// on from the next record with an even parity.
//
// UTF-8 is checked with masks: every continuation byte (80..BF) must be one a lead byte before
// it needs, every byte a lead needs must be one, no byte may be C0, C1 or F5..FF, and the byte
// after E0, ED, F0 and F4 must lie in the narrower range those leads allow.
template <class Classifier>
class ChunkExaminer {
public:
    ChunkExaminer(const RowList::ChunkRows& chunk, char delimiter, char quote, bool utf8, std::vector<RowMark>& marks)
        : chunk_(chunk), text_(reinterpret_cast<const unsigned char*>(chunk.text().data())),
          size_(chunk.text().size()), delimiter_(static_cast<unsigned char>(delimiter)), utf8_(utf8),
          classifier_(delimiter, quote), marks_(marks) {}

    void run(uint64_t from, uint64_t to) {
        using problem_blocks::BLOCK;
        const uint64_t end = chunk_.end(to - 1);
        cursor_ = from;
        uint64_t base = chunk_.begin(from);
        State state;
        unsigned char spare[BLOCK];
        while (base < end) {
            const uint64_t n = std::min<uint64_t>(BLOCK, end - base);
            const uint64_t limit = n == BLOCK ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
            const unsigned char* block = text_ + base;
            if (base + BLOCK > size_) {
                std::fill(spare, spare + BLOCK, 0);
                std::copy(text_ + base, text_ + size_, spare);
                block = spare;
            }
            const Bytes bytes = classifier_.load(block);
            const bool last = base + n == end;
            if (!last && !state.inside && !state.closed && state.utf8.leads >> 61 == 0 && classifier_.plain(bytes)) {
                // Most blocks: nothing to follow, and nothing handed on but where a field starts.
                const unsigned char byte = block[BLOCK - 1];
                state.fieldStart = byte == delimiter_ || byte == '\r' || byte == '\n';
                state.utf8 = Utf8Classes();
                base += n;
                continue;
            }
            uint64_t quotes = 0;
            uint64_t high = 0;
            classifier_.quotesAndHigh(bytes, quotes, high);
            quotes &= limit;
            high &= limit;

            State next;
            uint64_t invalid = 0;
            bool cut = false;  // a character the range's end cuts short
            // A block that is not plain mostly has both quotes and high bytes: both are followed
            // without asking, which is quicker than a branch the processor would often guess wrong.
            if (utf8_) invalid = invalidBytes(bytes, high, limit, state, next, cut);
            const uint64_t stray = quoteBreach(bytes, quotes, limit, n, base, state, next);

            // What lies before the record with a stray quote (or all) is told; that record is read
            // on its own, and the reading goes on after it.
            uint64_t told = base + n;
            uint64_t strayRow = 0;
            if (stray != NONE) {
                strayRow = cursor_;
                while (chunk_.end(strayRow) <= stray) ++strayRow;
                told = chunk_.begin(strayRow);
            }
            uint64_t events = told > base ? invalid & below(told - base) : 0;
            while (events != 0) {
                const uint64_t k = static_cast<uint64_t>(std::countr_zero(events));
                events &= events - 1;
                markAt(base + k).invalid = true;
            }
            if (stray != NONE) {
                cursor_ = strayRow;
                markAt(chunk_.begin(strayRow)).reread = true;
                base = chunk_.end(strayRow);
                state = State();
                continue;
            }
            if (last) {
                // A character cut short by the end of the document, a quote still open at it.
                if (cut) markAt(end - 1).invalid = true;
                if (next.inside) markAt(end - 1).reread = true;
            }
            state = next;
            base += n;
        }
    }

private:
    using Bytes = typename Classifier::Bytes;

    // The UTF-8 classes of a block that the next block's first bytes depend on.
    struct Utf8Classes {
        uint64_t leads = 0;          // C2..F4
        uint64_t lead34 = 0;         // E0..F4
        uint64_t lead4 = 0;          // F0..F4
        uint64_t continuations = 0;  // 80..BF
        uint64_t limiting = 0;       // the last byte is E0, ED, F0 or F4: bit 0, 1, 2, 3
    };
    // What one block hands the next, as at a record start by default.
    struct State {
        bool inside = false;      // the last byte lies in a quoted stretch
        bool closed = false;      // the last byte is a closing quote: the next must end the field
        bool fieldStart = true;   // the next byte begins a field
        Utf8Classes utf8;
    };

    static uint64_t below(uint64_t count) { return count >= 64 ? ~uint64_t(0) : (uint64_t(1) << count) - 1; }

    // mask moved up by shift bits, with the top bits of the block before coming in below.
    static uint64_t carried(uint64_t mask, uint64_t before, unsigned shift) {
        return (mask << shift) | (before >> (64 - shift));
    }

    // The bytes of block that must be continuation bytes: the first after a lead, and each
    // further one a lead needs as long as those before it were continuation bytes. So a
    // character cut short asks for one byte that is not there, not for the bytes after it.
    static uint64_t needed(const Utf8Classes& block, const Utf8Classes& before) {
        const uint64_t after1 = carried(block.continuations, before.continuations, 1);
        const uint64_t after2 = carried(block.continuations, before.continuations, 2);
        const uint64_t second = carried(block.leads, before.leads, 1);
        const uint64_t third = carried(block.lead34, before.lead34, 2) & after1;
        const uint64_t fourth = carried(block.lead4, before.lead4, 3) & after2 & after1;
        return second | third | fourth;
    }

    // The bytes of the block that break the UTF-8 rules, each in the record it makes invalid;
    // next gets the classes the next block depends on, and cut the characters the range's end
    // cuts short.
    uint64_t invalidBytes(const Bytes& block, uint64_t high, uint64_t limit, const State& state, State& next, bool& cut) {
        Utf8Classes classes;
        uint64_t lead2 = 0;
        classifier_.narrow(block, classes.continuations, lead2);
        classes.continuations &= limit;
        lead2 &= limit;
        const uint64_t other = high & ~classes.continuations & ~lead2;
        uint64_t bad = 0;
        classes.leads = lead2;
        if (other != 0 || state.utf8.limiting != 0) {
            problem_blocks::WideClasses wide;
            classifier_.wide(block, wide);
            classes.lead34 = (wide.lead3 | wide.lead4) & limit;
            classes.lead4 = wide.lead4 & limit;
            classes.leads |= classes.lead34;
            bad = other & ~classes.lead34;
            // After E0 comes A0..BF, after ED 80..9F, after F0 90..BF, after F4 80..8F.
            const uint64_t before = state.utf8.limiting;
            const uint64_t continuations = classes.continuations;
            bad |= (carried(wide.e0, before << 63, 1) & wide.belowA0) |
                   (carried(wide.ed, (before >> 1) << 63, 1) & continuations & ~wide.belowA0) |
                   (carried(wide.f0, (before >> 2) << 63, 1) & wide.below90) |
                   (carried(wide.f4, (before >> 3) << 63, 1) & continuations & ~wide.below90);
            classes.limiting = (wide.e0 >> 63) | (wide.ed >> 63) << 1 | (wide.f0 >> 63) << 2 | (wide.f4 >> 63) << 3;
        }
        const uint64_t need = needed(classes, state.utf8);
        next.utf8 = classes;
        cut = (need & ~limit) != 0 || (limit == ~uint64_t(0) && needed(Utf8Classes(), classes) != 0);
        return ((need ^ classes.continuations) | bad) & limit;
    }

    // Follows the quotes of the block with their parity; returns the position of the first
    // quote that breaks the rules (NONE when none does).
    uint64_t quoteBreach(const Bytes& block, uint64_t quotes, uint64_t limit, uint64_t n, uint64_t base, const State& state,
                         State& next) {
        uint64_t delimiters = 0;
        uint64_t breaks = 0;
        classifier_.stops(block, delimiters, breaks);
        breaks &= limit;
        // The bytes an opening quote may follow, and a closing quote may be followed by.
        const uint64_t bounds = (delimiters & limit) | breaks | quotes;
        const uint64_t after = record_scan::runningParity(quotes) ^ (state.inside ? ~uint64_t(0) : 0);
        const uint64_t before = (after << 1) | (state.inside ? 1 : 0);
        const uint64_t opens = quotes & ~before;
        const uint64_t closes = quotes & before;
        // A closing quote on the block's last byte is judged by the next block's first.
        const uint64_t followed = (bounds >> 1) | ~(limit >> 1);
        const uint64_t breach = (opens & ~((bounds << 1) | (state.fieldStart ? 1 : 0))) | (closes & ~followed);
        next.inside = (after >> (n - 1) & 1) != 0;
        next.closed = n == problem_blocks::BLOCK && (closes >> 63) != 0;
        next.fieldStart = (bounds >> (n - 1) & 1) != 0;
        if (state.closed && !(bounds & 1)) return base;
        return breach == 0 ? NONE : base + static_cast<uint64_t>(std::countr_zero(breach));
    }

    // The mark of the record that holds position p, made when it has none.
    RowMark& markAt(uint64_t p) {
        while (chunk_.end(cursor_) <= p) ++cursor_;
        if (marks_.empty() || marks_.back().index != cursor_) marks_.push_back(RowMark{cursor_});
        return marks_.back();
    }

    const RowList::ChunkRows& chunk_;
    const unsigned char* text_;
    uint64_t size_;
    unsigned char delimiter_;
    bool utf8_;
    Classifier classifier_;
    std::vector<RowMark>& marks_;
    uint64_t cursor_ = 0;  // the record the last position told lies in
};

// Keeps a run of equal counts before it goes into the tally, since most records have the
// same count as the one before.
class Tallier {
public:
    explicit Tallier(std::map<uint64_t, uint64_t>& tally) : tally_(tally) {}
    ~Tallier() { flush(); }
    void add(uint64_t cells, uint64_t rows = 1) {
        if (cells != cells_) {
            flush();
            cells_ = cells;
        }
        run_ += rows;
    }

private:
    void flush() {
        if (run_ > 0) tally_[cells_] += run_;
        run_ = 0;
    }
    std::map<uint64_t, uint64_t>& tally_;
    uint64_t cells_ = NONE;
    uint64_t run_ = 0;
};

uint32_t narrow(uint64_t value) { return static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFFFFFFu)); }

}  // namespace

RecordFlaws recordFlaws(std::string_view raw, char delimiter, char quote, bool utf8) {
    // The fields are walked as record_scan::scanFields walks them.
    RecordFlaws flaws;
    const uint64_t n = raw.size();
    const auto stop = [&](char c) { return c == delimiter || c == '\r' || c == '\n'; };
    const auto stray = [&](uint64_t cell) {
        if (flaws.kinds.has(ProblemKind::StrayQuote)) return;
        flaws.kinds.add(ProblemKind::StrayQuote);
        flaws.cell = cell;
    };
    uint64_t s = 0;
    for (uint64_t cell = 1;; ++cell) {
        uint64_t e = s;
        if (s < n && raw[s] == quote) {
            bool closed = false;
            e = n;
            for (uint64_t i = s + 1; i < n;) {
                uint64_t q = i;
                while (q < n && raw[q] != quote) ++q;
                if (q >= n) break;
                if (q + 1 >= n) {
                    closed = true;
                    break;
                }
                if (raw[q + 1] == quote) {
                    i = q + 2;
                    continue;
                }
                closed = true;
                e = q + 1;
                while (e < n && !stop(raw[e])) ++e;
                if (e > q + 1) stray(cell);
                break;
            }
            if (!closed) {
                flaws.kinds.add(ProblemKind::UnclosedQuote);
                flaws.breaksBeforeQuote = lineBreaks(raw.substr(0, s));
            }
        } else {
            for (; e < n && !stop(raw[e]); ++e) {
                if (raw[e] == quote) stray(cell);
            }
        }
        if (e >= n || raw[e] != delimiter) break;
        s = e + 1;
    }
    flaws.lineBreaks = lineBreaks(raw);
    if (utf8 && !validUtf8(raw)) flaws.kinds.add(ProblemKind::InvalidBytes);
    return flaws;
}

void ProblemFinder::reset() {
    entries_.clear();
    tally_.clear();
    started_ = false;
    done_ = false;
    rows_ = 0;
    examined_ = 0;
    expected_ = 0;
}

void ProblemFinder::begin(const CsvTable& table, bool headerRow, bool utf8) {
    reset();
    started_ = true;
    headerRow_ = headerRow;
    utf8_ = utf8;
    delimiter_ = table.delimiter;
    quote_ = table.quote;
    rows_ = table.rows.size();
}

bool ProblemFinder::step(const CsvTable& table, bool headerRow, bool utf8, uint64_t budget) {
    if (!started_ || utf8 != utf8_ || table.delimiter != delimiter_ || table.quote != quote_ ||
        table.rows.size() != rows_) {
        begin(table, headerRow, utf8);
    }
    if (done_) {
        if (headerRow != headerRow_) {
            headerRow_ = headerRow;
            const uint64_t expected = expectedCount(table);
            // The header record has the header's count, so only a change of the count
            // expected changes the judgement.
            if (expected != expected_) {
                expected_ = expected;
                judge(table, 0, rows_, entries_);
            }
        }
        return true;
    }
    headerRow_ = headerRow;
    uint64_t spent = 0;
    std::vector<Entry> found;
    const uint64_t from = examined_;
    while (examined_ < rows_ && (spent == 0 || spent < budget)) {
        const RowList::ChunkRows chunk = table.rows.chunkRows(examined_);
        const uint64_t first = examined_ - chunk.firstRow();
        // The bytes of the chunk's records from first up to upTo.
        const auto bytes = [&](uint64_t upTo) { return chunk.end(upTo - 1) - chunk.begin(first); };
        uint64_t last = chunk.size();
        if (spent + bytes(last) > budget) {
            last = first + 1;
            while (last < chunk.size() && spent + bytes(last) < budget) ++last;
        }
        spent += bytes(last);
        examined_ = chunk.firstRow() + last;
    }
    examine(table, from, examined_, found);
    entries_.insert(entries_.end(), found.begin(), found.end());
    if (examined_ < rows_) return false;
    expected_ = expectedCount(table);
    judge(table, 0, rows_, entries_);
    placeQuotes(table);
    done_ = true;
    return true;
}

bool ProblemFinder::update(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast) {
    if (!started_) return false;
    const bool consistent = first <= oldLast && oldLast <= rows_ && first <= newLast &&
                            rows_ - oldLast + newLast == table.rows.size();
    if (!consistent || (!done_ && first < examined_)) {
        begin(table, headerRow_, utf8_);
        return true;
    }
    rows_ = table.rows.size();
    if (!done_) return false;

    // The counts of the records taken out leave the tally: an entry's own, else the expected.
    const auto from = firstAtOrAfter(entries_, first);
    const auto to = firstAtOrAfter(entries_, oldLast);
    uint64_t odd = 0;
    for (auto it = from; it != to; ++it) {
        if (it->kinds.has(ProblemKind::FieldCount)) {
            untally(it->fields, 1);
            ++odd;
        }
    }
    untally(expected_, oldLast - first - odd);

    std::vector<Entry> found;
    examine(table, first, newLast, found);
    splice(entries_, first, oldLast, newLast, found);
    const uint64_t expected = expectedCount(table);
    const bool allJudged = expected != expected_;
    if (allJudged) {
        expected_ = expected;
        judge(table, 0, rows_, entries_);
    } else {
        // Only the new records need judging; their entries stand together.
        const auto a = firstAtOrAfter(entries_, first);
        const auto b = firstAtOrAfter(entries_, newLast);
        std::vector<Entry> stretch(a, b);
        judge(table, first, newLast, stretch);
        const auto at = entries_.erase(a, b);
        entries_.insert(at, stretch.begin(), stretch.end());
    }
    placeQuotes(table);
    return allJudged;
}

void ProblemFinder::examine(const CsvTable& table, uint64_t first, uint64_t last, std::vector<Entry>& out) {
    Tallier tallier(tally_);
    std::vector<RowMark> marks;
    const bool byBlocks = record_scan::readsByBlocks(delimiter_, quote_);
    // The notes that leave a record to be read: none at all, quotes, or bytes when they count.
    const uint8_t telling = RowList::NOTE_QUOTES | (utf8_ ? RowList::NOTE_BYTES : 0);
    for (uint64_t r = first; r < last;) {
        const RowList::ChunkRows chunk = table.rows.chunkRows(r);
        const uint64_t from = r - chunk.firstRow();
        const uint64_t to = std::min(chunk.size(), last - chunk.firstRow());
        marks.clear();
        // Most chunks: every record has one count, and none has a note that asks for a look.
        const RowList::ChunkRows::Summary summary = chunk.summary(from, to);
        if (summary.fewestCells == summary.mostCells) {
            tallier.add(summary.fewestCells, to - from);
        } else {
            for (uint64_t i = from; i < to; ++i) tallier.add(chunk.cellCount(i));
        }
        const bool toRead = (summary.everyNote & RowList::NOTE_READ) == 0 || (summary.anyNotes & telling) != 0;
        if (toRead && byBlocks) {
            // The runs of records to read, read as one stretch each.
            ChunkExaminer<problem_blocks::BlockClassifier> examiner(chunk, delimiter_, quote_, utf8_, marks);
            uint64_t run = NONE;
            for (uint64_t i = from; i < to; ++i) {
                const uint8_t notes = chunk.notes(i);
                const bool read = (notes & RowList::NOTE_READ) == 0 || (notes & telling) != 0;
                if (read && run == NONE) {
                    run = i;
                } else if (!read && run != NONE) {
                    examiner.run(run, i);
                    run = NONE;
                }
            }
            if (run != NONE) examiner.run(run, to);
        } else if (toRead) {
            for (uint64_t i = from; i < to; ++i) marks.push_back(RowMark{i, false, true});
        }
        for (const RowMark& mark : marks) {
            RecordFlaws flaws;
            if (mark.reread) {
                const std::string_view raw =
                    chunk.text().substr(chunk.begin(mark.index), chunk.rawEnd(mark.index) - chunk.begin(mark.index));
                flaws = recordFlaws(raw, delimiter_, quote_, utf8_);
            } else if (mark.invalid) {
                flaws.kinds.add(ProblemKind::InvalidBytes);
            }
            if (flaws.kinds.empty()) continue;
            Entry entry;
            entry.row = chunk.firstRow() + mark.index;
            entry.fields = narrow(chunk.cellCount(mark.index));
            entry.cell = narrow(flaws.cell);
            entry.breaksBeforeQuote = narrow(flaws.breaksBeforeQuote);
            entry.kinds = flaws.kinds;
            out.push_back(entry);
        }
        r = chunk.firstRow() + to;
    }
}

void ProblemFinder::placeQuotes(const CsvTable& table) {
    // Every record before ends with a line break of its own and adds those inside it. The
    // bytes of a chunk are counted at once: they are the records' bytes one after another, and
    // only a CR that ends one piece (a record's raw bytes or line ending) before an LF that
    // begins the next is a pair the records count twice.
    uint64_t row = 0;
    uint64_t breaks = 0;  // in the records before row
    for (Entry& entry : entries_) {
        if (!entry.kinds.has(ProblemKind::UnclosedQuote)) continue;
        while (row < entry.row) {
            const RowList::ChunkRows chunk = table.rows.chunkRows(row);
            const uint64_t from = row - chunk.firstRow();
            const uint64_t to = std::min(chunk.size(), entry.row - chunk.firstRow());
            const std::string_view text = chunk.text();
            breaks += lineBreaks(text.substr(chunk.begin(from), chunk.end(to - 1) - chunk.begin(from)));
            for (uint64_t i = from; i < to; ++i) {
                const uint64_t rawEnd = chunk.rawEnd(i);
                const uint64_t end = chunk.end(i);
                if (rawEnd > chunk.begin(i) && rawEnd < end && text[rawEnd - 1] == '\r' && text[rawEnd] == '\n') ++breaks;
                if (rawEnd == end) ++breaks;  // no line ending (the last record only, but for edits)
                if (i + 1 < to && end > chunk.begin(i) && text[end - 1] == '\r' && text[end] == '\n') ++breaks;
            }
            row = chunk.firstRow() + to;
        }
        entry.line = breaks + entry.breaksBeforeQuote + 1;
    }
}

uint64_t ProblemFinder::expectedCount(const CsvTable& table) const {
    if (table.rows.empty()) return 0;
    if (headerRow_) return table.rows.cellCount(0);
    // The most common count; of two as common, the larger.
    uint64_t cells = 0;
    uint64_t rows = 0;
    for (const auto& [count, records] : tally_) {
        if (records >= rows) {
            cells = count;
            rows = records;
        }
    }
    return cells;
}

void ProblemFinder::judge(const CsvTable& table, uint64_t first, uint64_t last, std::vector<Entry>& entries) const {
    std::vector<Entry> judged;
    judged.reserve(entries.size());
    size_t e = 0;
    for (uint64_t r = first; r < last;) {
        const RowList::ChunkRows chunk = table.rows.chunkRows(r);
        const uint64_t to = std::min(chunk.size(), last - chunk.firstRow());
        // A stretch where every record has the count expected and none is listed has nothing
        // to judge.
        const RowList::ChunkRows::Summary summary = chunk.summary(r - chunk.firstRow(), to);
        const bool listedHere = e < entries.size() && entries[e].row < chunk.firstRow() + to;
        if (!listedHere && summary.fewestCells == expected_ && summary.mostCells == expected_) {
            r = chunk.firstRow() + to;
            continue;
        }
        for (uint64_t i = r - chunk.firstRow(); i < to; ++i, ++r) {
            const uint64_t cells = chunk.cellCount(i);
            const bool odd = cells != expected_ && !(headerRow_ && r == 0);
            const bool listed = e < entries.size() && entries[e].row == r;
            if (!odd && !listed) continue;
            Entry entry;
            if (listed) {
                entry = entries[e++];
            } else {
                entry.row = r;
            }
            if (odd) {
                entry.kinds.add(ProblemKind::FieldCount);
            } else {
                entry.kinds.remove(ProblemKind::FieldCount);
            }
            entry.fields = narrow(cells);
            if (!entry.kinds.empty()) judged.push_back(entry);
        }
    }
    entries.swap(judged);
}

void ProblemFinder::untally(uint64_t cells, uint64_t rows) {
    if (rows == 0) return;
    const auto it = tally_.find(cells);
    if (it == tally_.end()) return;
    it->second -= std::min(it->second, rows);
    if (it->second == 0) tally_.erase(it);
}

RowProblem ProblemFinder::problemOf(const Entry& entry) const {
    RowProblem problem;
    problem.row = entry.row;
    problem.kinds = entry.kinds;
    if (entry.kinds.has(ProblemKind::FieldCount)) {
        problem.fields = entry.fields;
        problem.expected = expected_;
        problem.byHeader = headerRow_;
    }
    if (entry.kinds.has(ProblemKind::UnclosedQuote)) problem.line = entry.line;
    if (entry.kinds.has(ProblemKind::StrayQuote)) problem.cell = entry.cell;
    return problem;
}

std::optional<RowProblem> ProblemFinder::problemAt(uint64_t row) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), row,
                                     [](const Entry& entry, uint64_t r) { return entry.row < r; });
    if (it == entries_.end() || it->row != row) return std::nullopt;
    return problemOf(*it);
}

std::vector<RowProblem> ProblemFinder::problems() const {
    std::vector<RowProblem> all;
    all.reserve(entries_.size());
    for (const Entry& entry : entries_) all.push_back(problemOf(entry));
    return all;
}

std::optional<ProblemStep> ProblemFinder::next(std::optional<uint64_t> from, bool backward) const {
    if (entries_.empty()) return std::nullopt;
    const auto byRow = [](const Entry& entry, uint64_t r) { return entry.row < r; };
    if (!backward) {
        auto it = entries_.begin();
        if (from) it = std::lower_bound(entries_.begin(), entries_.end(), *from + 1, byRow);
        if (it != entries_.end()) return ProblemStep{it->row, false};
        if (entries_.front().row == *from) return std::nullopt;
        return ProblemStep{entries_.front().row, true};
    }
    auto it = entries_.end();
    if (from) it = std::lower_bound(entries_.begin(), entries_.end(), *from, byRow);
    if (it != entries_.begin()) return ProblemStep{std::prev(it)->row, false};
    if (entries_.back().row == *from) return std::nullopt;
    return ProblemStep{entries_.back().row, true};
}

std::wstring problemText(const RowProblem& problem) {
    std::wstring text;
    const auto add = [&](const std::wstring& part) {
        if (!text.empty()) text += L"; ";
        text += part;
    };
    if (problem.kinds.has(ProblemKind::FieldCount)) {
        add(groupedCount(problem.fields) + (problem.fields == 1 ? L" field, " : L" fields, ") +
            (problem.byHeader ? L"the header has " : L"most rows have ") + groupedCount(problem.expected));
    }
    if (problem.kinds.has(ProblemKind::UnclosedQuote)) {
        add(L"a quote opens on line " + groupedCount(problem.line) + L" and never closes");
    }
    if (problem.kinds.has(ProblemKind::StrayQuote)) add(L"a stray quote in cell " + groupedCount(problem.cell));
    if (problem.kinds.has(ProblemKind::InvalidBytes)) add(L"bytes that are not valid UTF-8");
    return text;
}

std::wstring problemCountText(uint64_t count) {
    return groupedCount(count) + (count == 1 ? L" problem" : L" problems");
}
