// What the scanner's fuzz targets share: the delimiter an input byte picks, and the stop on a
// broken check.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz_support {

// Any delimiter the settings accept: 1..127 except CR, LF and the double quote.
inline char pickDelimiter(uint8_t b) {
    char d = static_cast<char>(1 + b % 127);
    if (d == '\n' || d == '\r' || d == '"') d = ',';
    return d;
}

// Aborts, so that the fuzzer keeps the input, when a check answered what went wrong.
inline void require(const std::string& failure) {
    if (failure.empty()) return;
    std::fprintf(stderr, "invariant broken: %s\n", failure.c_str());
    std::abort();
}

}  // namespace fuzz_support
