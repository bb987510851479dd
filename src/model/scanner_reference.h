// The scanner with the portable block classifier (eight bytes at a time in a 64-bit word), as
// it read documents before the SSE2 classifier. It gives the same table as scanDocument on
// every text; the tests and the fuzz target hold the two against each other.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/csv_table.h"

uint64_t scanDocumentPortable(std::string_view text, char delimiter, char quote, CsvTable& table);
