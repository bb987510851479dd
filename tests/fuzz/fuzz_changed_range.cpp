// Fuzz target: the rescan of a changed stretch against a full scan.
//
// Input: a delimiter byte, an edit count byte, then per edit four bytes (kind, position high
// and low, length), then the document. Insertions take their bytes from the document itself
// at the edit's position. The edits are applied and noted, the table is rescanned through a
// window that doubles as asked, and the result must be the full scan's table.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "../core/table_invariants.h"
#include "fuzz_support.h"
#include "model/changed_range.h"

using fuzz_support::pickDelimiter;
using fuzz_support::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const char delimiter = pickDelimiter(data[0]);
    const size_t edits = data[1] % 9;
    size_t at = 2;
    if (size < at + 4 * edits) return 0;
    const uint8_t* script = data + at;
    at += 4 * edits;
    std::string text(reinterpret_cast<const char*>(data) + at, size - at);

    CsvTable table;
    scanDocument(text, delimiter, '"', table);
    const std::string source = text;
    ChangedRange change;
    for (size_t i = 0; i < edits; ++i) {
        const uint8_t* e = script + 4 * i;
        const uint64_t position = ((uint64_t(e[1]) << 8) | e[2]) % (text.size() + 1);
        const uint64_t length = e[3] % 16;
        if (e[0] % 2 == 0) {
            const std::string bytes = source.substr(std::min<uint64_t>(position, source.size()), length);
            text.insert(position, bytes);
            noteInsertion(change, position, bytes.size());
        } else {
            const uint64_t removed = std::min<uint64_t>(length, text.size() - position);
            text.erase(position, removed);
            noteDeletion(change, position, removed);
        }
    }

    // The window lives in its own allocation, so reading past it is caught.
    const uint64_t start = rescanStart(table, change);
    for (uint64_t length = 8;; length *= 2) {
        const uint64_t from = std::min<uint64_t>(start, text.size());
        const std::string window = text.substr(from, length);
        const RescanResult result = rescanChangedRange(window, from, text.size(), change, table);
        if (result == RescanResult::NotSafe) return 0;  // declined: the caller scans it all
        if (result == RescanResult::Done) break;
    }
    CsvTable expected;
    scanDocument(text, delimiter, '"', expected);
    require(invariants::checkSameTable(expected, table));
    require(invariants::checkTiling(text, table, delimiter));
    return 0;
}
