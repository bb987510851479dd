// Turning cell values back into row text, and the texts the grid derives from cells.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"

// The value as it is written into a row: unchanged unless it needs quoting (it begins or ends
// with a space or a tab, or holds the delimiter, the quote, CR or LF); then it is enclosed in
// quotes with each quote inside doubled. An empty value stays empty.
std::string quoteField(std::string_view value, char delimiter, char quote);

// The values quoted as needed, with one delimiter between two of them and none after the
// last. No values give an empty text; n empty values give n - 1 delimiters.
std::string joinFields(const std::vector<std::string>& cells, char delimiter, char quote);
std::string joinFields(std::span<const std::string_view> cells, char delimiter, char quote);

// Regenerates the row's raw text and cell spans from its cell values with the minimal quoting
// of quoteField, for every cell. The values, start, end and line ending stay as they are.
void rebuildRowText(CsvRow& row, char delimiter, char quote);

// The mark a line break inside a cell is shown as, unless the grid's font lacks it.
inline constexpr wchar_t LINE_BREAK_MARK = L'\x21B5';

// The one-line form of a cell shown in the grid: each line break (CR LF, CR or LF) becomes
// one lineBreakMark and each tab a space. Never longer than text.
std::wstring displayText(std::wstring_view text, wchar_t lineBreakMark = LINE_BREAK_MARK);

// The letter name of a data column counted from 0: A ... Z, AA ... ZZ, AAA ...
std::wstring columnLetters(uint64_t column);
