// A block of cells written as a Markdown table, an HTML table or JSON, for "Copy as".
//
// The cells are the values as the grid shows them, decoded; titles are the header record's
// fields for the block's columns, or none without a header row.
#pragma once

#include <string>
#include <vector>

using TextBlock = std::vector<std::vector<std::wstring>>;

// A Markdown table: the titles as its header line (the columns' letters when there are none,
// since a Markdown table must have one), then a line per row. A | in a value is written \|,
// a line break <br>.
std::wstring markdownTable(const std::vector<std::wstring>& titles, const std::vector<std::wstring>& letters,
                           const TextBlock& rows);

// An HTML table, with a head of the titles when there are any; <, >, & and " escaped, a line
// break written <br>.
std::wstring htmlTable(const std::vector<std::wstring>& titles, const TextBlock& rows);

// JSON: with titles, an array of objects keyed by them (in column order); without, an array of
// arrays. Every value is a string, exactly as the cell holds it.
std::wstring jsonRecords(const std::vector<std::wstring>& titles, const TextBlock& rows);
