// The problems the grid marks in the document it reads, found in steps after the reading.
//
// A problem belongs to a record (a table row; with a header row, record 0 is the header):
// - its field count differs from the header's, with a header row; without one, from the count
//   most records have (the larger count when two counts are as common);
// - a quote opens a field and never closes, so the field takes the rest of the document (so
//   only the last record can have one); it is told by the document line the quote stands on;
// - a stray quote: a quote inside a field that does not begin with one (ab"c), or bytes after
//   the quote that closes a field ("ab"c). The record is read all the same, the quote and the
//   bytes after it as part of the value; the first cell with one is told;
// - bytes that are not UTF-8, in a document the caller reads as UTF-8: a byte no character
//   begins with (80..C1, F5..FF), a character cut short, an overlong form, a surrogate.
//   Documents in other encodings are not checked for bytes: in a single-byte code page every
//   byte is a character, and the rules of a double-byte code page are the platform's.
//
// The first reading notes, for each record, whether its quotes or its bytes need a look
// (RowList::RowNote), so that the finder passes over the rest without reading them. What it
// reads, it reads 64 bytes at a time as bit masks (problem_blocks.h) and decodes no cell: only
// a record whose quotes break the rules is read again on its own, for the cell and the line to
// tell. Records an edit wrote, and every record of a document read field by field, have no
// notes and are read in full. Field counts are judged from the counts the reading stored, with
// a tally of how many records have each count, so that a change of the count expected is
// noticed without reading anything. The line a quote left open stands on is counted when one
// is found.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"

enum class ProblemKind : uint8_t {
    FieldCount = 1,
    UnclosedQuote = 2,
    StrayQuote = 4,
    InvalidBytes = 8,
};

// The kinds of problem one record has.
struct ProblemKinds {
    uint8_t bits = 0;
    bool has(ProblemKind kind) const { return (bits & static_cast<uint8_t>(kind)) != 0; }
    void add(ProblemKind kind) { bits |= static_cast<uint8_t>(kind); }
    void remove(ProblemKind kind) { bits &= static_cast<uint8_t>(~static_cast<uint8_t>(kind)); }
    bool empty() const { return bits == 0; }
    bool operator==(const ProblemKinds&) const = default;
};

// The problems of one record. Each field but row and kinds tells about one kind and is 0 when
// the record does not have that kind.
struct RowProblem {
    uint64_t row = 0;
    ProblemKinds kinds;
    uint64_t fields = 0;       // FieldCount: the record's field count
    uint64_t expected = 0;     // FieldCount: the header's count, or most records'
    bool byHeader = false;     // FieldCount: expected is the header's count
    uint64_t line = 0;         // UnclosedQuote: the line the quote stands on, counted from 1
    uint64_t cell = 0;         // StrayQuote: the first cell with a stray quote, counted from 1
    bool operator==(const RowProblem&) const = default;
};

// What the bytes of one record show on their own, read field by field as the scanner reads
// them: every kind of problem but the field count, with the line breaks inside the record (in
// quoted fields; CR LF, LF and CR each count one) and, for an unclosed quote, how many of them
// come before it. The finder reads a record this way when its quotes break the rules, and every
// record when the delimiter or the quote is one the block reading cannot follow.
struct RecordFlaws {
    ProblemKinds kinds;
    uint64_t cell = 0;
    uint64_t breaksBeforeQuote = 0;
    uint64_t lineBreaks = 0;
};
RecordFlaws recordFlaws(std::string_view raw, char delimiter, char quote, bool utf8);

// The next problem from a row: found at row, and whether the search went round the end.
struct ProblemStep {
    uint64_t row = 0;
    bool wrapped = false;
    bool operator==(const ProblemStep&) const = default;
};

class ProblemFinder {
public:
    // Forgets what was found: the next step begins a new find. For a table read anew.
    void reset();

    // Goes on with the find over table, examining records until about budget bytes of them
    // are read (at least one record), and returns whether the find is complete. The first
    // steps examine every record; the field counts are judged by the step that examines the
    // last one. Once complete, a step with another headerRow judges the field counts again
    // (from the stored counts alone, in that step), and one with another utf8, a table of
    // another size than the finder knows or read with another delimiter or quote begins anew.
    bool step(const CsvTable& table, bool headerRow, bool utf8, uint64_t budget);
    bool done() const { return done_; }

    // The records [first, oldLast) of the table the finder knew were replaced by the records
    // [first, newLast) of table: the problems of later records move along, the new records
    // are examined at once (a rescan's records are few), and the field counts of all records
    // are judged again only when the count expected changed. During the first find, an edit of
    // records already examined begins the find anew; an inconsistent range does too. Returns
    // whether records other than the new ones may have changed their problems: all were judged
    // again, or the find began anew.
    bool update(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast);

    // The number of records with a problem.
    uint64_t count() const { return entries_.size(); }
    // The problems of row, if it has any.
    std::optional<RowProblem> problemAt(uint64_t row) const;
    // Every record with a problem, in row order.
    std::vector<RowProblem> problems() const;
    // The next record with a problem after from (before it, going backward), going round the
    // end when there is none; from itself does not count, so a lone problem at from gives
    // none. Without from the search starts before the first row (after the last, backward).
    std::optional<ProblemStep> next(std::optional<uint64_t> from, bool backward) const;

private:
    // A record with a problem. The field count is kept for every one, so that the tally can
    // take back the counts of records an edit removes: a record without an entry has the
    // count expected.
    struct Entry {
        uint64_t row = 0;
        uint32_t fields = 0;
        uint32_t cell = 0;
        uint32_t breaksBeforeQuote = 0;
        ProblemKinds kinds;
        uint64_t line = 0;  // of an unclosed quote, once placeQuotes has counted it
    };

    void begin(const CsvTable& table, bool headerRow, bool utf8);
    // Examines the records [first, last) for what their bytes show, and tallies their counts.
    void examine(const CsvTable& table, uint64_t first, uint64_t last, std::vector<Entry>& out);
    // Counts the line of every quote left open, from the line breaks of the records before.
    void placeQuotes(const CsvTable& table);
    uint64_t expectedCount(const CsvTable& table) const;
    // Marks the records [first, last) of entries whose count is not the expected one, entries
    // holding the records of that stretch (and no others).
    void judge(const CsvTable& table, uint64_t first, uint64_t last, std::vector<Entry>& entries) const;
    RowProblem problemOf(const Entry& entry) const;
    void untally(uint64_t cells, uint64_t rows);

    std::vector<Entry> entries_;
    // How many records have each field count.
    std::map<uint64_t, uint64_t> tally_;
    bool started_ = false;
    bool done_ = false;
    bool headerRow_ = false;
    bool utf8_ = false;
    char delimiter_ = ',';
    char quote_ = '"';
    uint64_t rows_ = 0;       // the table's rows, as the finder knows them
    uint64_t examined_ = 0;   // during the first find: the records examined
    uint64_t expected_ = 0;
};

// The status line's words for a record's problems, joined with "; ": "5 fields, the header
// has 6" (or "most rows have 6"), "a quote opens on line 12 and never closes", "a stray quote
// in cell 3", "bytes that are not valid UTF-8".
std::wstring problemText(const RowProblem& problem);
// "1 problem", "3 problems", "12,345 problems".
std::wstring problemCountText(uint64_t count);
