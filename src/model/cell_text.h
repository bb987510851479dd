// Cell values between the document's encoding and the panel's UTF-16 text, and the column
// titles the grid shows.
//
// codePage is the current view's code page as the editor reports it: 65001 for UTF-8, 0 for
// the system's ANSI code page, anything else that code page. Line breaks inside a value pass
// through both directions unchanged.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "model/csv_table.h"
#include "model/row_text.h"

// The value as wide text. Bytes that are not valid in the code page come out as the system's
// substitute characters; a value the system cannot convert at all gives empty text.
std::wstring decodeCell(std::string_view bytes, UINT codePage);

// The text as bytes of the code page. When lossy is given, it tells whether a character had
// no place in the code page and was replaced by the default character (the bytes are returned
// all the same), or whether the system could not convert the text at all (empty bytes).
std::string encodeCell(std::wstring_view text, UINT codePage, bool* lossy = nullptr);

// The title of data column `column` (0 for the first): the one-line text of the header
// record's cell when the header row is on and that cell has text, else the column's letters.
std::wstring columnTitle(const CsvTable& table, bool headerRow, UINT codePage, uint64_t column,
                         wchar_t lineBreakMark = LINE_BREAK_MARK);
