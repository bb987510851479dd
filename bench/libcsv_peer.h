// The peer: libcsv parsing the same bytes into a vector of rows of strings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using PeerTable = std::vector<std::vector<std::string>>;

// Parses text with libcsv's default (non-strict) options and the given delimiter.
PeerTable parseWithLibcsv(std::string_view text, char delimiter);
