// Fuzz target: arbitrary bytes, scanned with every delimiter the settings accept.
//
// The first input byte picks the delimiter (1..127 except CR, LF and the double quote); the
// rest is the document. Every check of the property tests must hold, the scan must give the
// table of the portable scanner (also when done in steps or by two threads), and it must not
// read outside the text (the build adds AddressSanitizer).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../core/table_invariants.h"
#include "fuzz_support.h"
#include "model/delimiter_detection.h"
#include "model/row_text.h"
#include "model/scanner_reference.h"

using fuzz_support::pickDelimiter;
using fuzz_support::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char delimiter = pickDelimiter(data[0]);
    // The document lives in its own allocation, so reading past its end is caught.
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    CsvTable table;
    scanDocument(text, delimiter, '"', table);
    require(invariants::checkTiling(text, table, delimiter));
    require(invariants::checkAgainstScanRecord(text, table));
    require(invariants::checkAgainstReference(text, table));
    // The SSE2 classifier reads every text as the portable one does.
    CsvTable portable;
    scanDocumentPortable(text, delimiter, '"', portable);
    require(invariants::checkSameTable(portable, table));

    // Read in steps of a size the input picks, the scan gives the same table.
    CsvTable stepped;
    DocumentScan scan(stepped, text.size(), delimiter, '"');
    const uint64_t stepBytes = 1 + data[0] % 61;
    while (!scan.done()) scan.step(text, scan.position() + stepBytes);
    require(invariants::checkSameTable(table, stepped));

    // Read by two threads, the second from a line start the input picks, the same again.
    if (!text.empty()) {
        CsvTable inTwo;
        DocumentScan two(inTwo, text.size(), delimiter, '"');
        two.stepInTwo(text, text.size(), (data[0] * uint64_t(2654435761u)) % text.size());
        require(invariants::checkSameTable(table, inTwo));
    }

    for (const CsvRow& row : table.rows) {
        require(invariants::checkRebuild(row, delimiter, '"'));
        require(invariants::checkJoinRoundTrip(row.cells(), delimiter, '"'));
    }

    char detected = detectDelimiter(text);
    if (detected != 0 && DELIMITER_CANDIDATES.find(detected) == std::string_view::npos) std::abort();
    return 0;
}
