// Following outside edits between two scans, and reading again only the stretch they touched.
//
// The editor tells of every insertion and deletion with its position and length. They are
// gathered into one stretch that holds all of them, in the document's current positions, with
// the change of length. A refresh then rescans from the record that holds the first change
// until the new scan meets a record boundary of the old scan past the last change: records
// always begin outside quotes, so from there on the old rows hold, only shifted. Where that
// cannot be shown (no boundary is met soon, an edit was not followed, the rows do not tile
// the old length), the caller scans the whole document instead. So it does when a sep line
// (sep_line.h) may have come, gone or changed: the delimiter of every record hangs on it.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/csv_table.h"

struct ChangedRange {
    // False once an edit could not be followed (see stopFollowing); only a full scan, which
    // starts a new ChangedRange, makes it true again.
    bool followed = true;
    // No edit has been noted since the scan.
    bool empty = true;
    // Every byte that differs from the scanned document lies in [start, end), in today's
    // positions; everything before start stands where it stood, everything from end on stands
    // lengthChange bytes from where it stood.
    uint64_t start = 0;
    uint64_t end = 0;
    int64_t lengthChange = 0;
};

void noteInsertion(ChangedRange& change, uint64_t position, uint64_t length);
void noteDeletion(ChangedRange& change, uint64_t position, uint64_t length);
// An edit happened that the range cannot describe; the next refresh scans everything.
inline void stopFollowing(ChangedRange& change) { change.followed = false; }

// Where the rescan of change begins: the start of the last row that starts before the first
// changed byte (its line ending may join the change), or 0.
uint64_t rescanStart(const CsvTable& table, const ChangedRange& change);

enum class RescanResult {
    Done,           // the table describes the document now
    NeedsMoreText,  // the window ended before the scan met an old boundary: pass a longer one
    NotSafe,        // not shown safe, or not worth it: the table is untouched, scan it all
};

// Which rows a rescan replaced: the old rows [first, oldLast) are now the rows [first, newLast);
// the rows from oldLast on are the same records, now from newLast on.
struct ReplacedRows {
    uint64_t first = 0;
    uint64_t oldLast = 0;
    uint64_t newLast = 0;
    bool operator==(const ReplacedRows&) const = default;
};

// Brings table, which describes the document as it was scanned, in step with the document
// of documentLength bytes as it is now, of which window holds the bytes from windowStart on.
// windowStart must not lie after rescanStart. The rows before the change keep their objects,
// the rows after the stretch rescanned keep theirs with their offsets shifted, and the stamp
// becomes documentLength. When Done, replaced (if given) tells which rows were read anew, so
// that what follows rows (the grid's filtered rows) can follow them too.
RescanResult rescanChangedRange(std::string_view window, uint64_t windowStart, uint64_t documentLength,
                                const ChangedRange& change, CsvTable& table, ReplacedRows* replaced = nullptr);

// A rescan gives up when it reads this many bytes past the last change without meeting an old
// boundary (an inserted or removed quote turns the rest of the document inside out); a full
// scan is then at least as quick.
inline constexpr uint64_t MAX_RESCAN_BYTES_PAST_CHANGE = uint64_t(4) << 20;
