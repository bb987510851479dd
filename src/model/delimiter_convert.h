// Converting a document to another delimiter: "Convert to comma / semicolon / tab / pipe".
//
// Every delimiter between two fields becomes the new one, and nothing else changes that need
// not. A field keeps its exact bytes whenever they read as the same value with the new
// delimiter: a quoted field stays quoted as it was, even where it no longer needs quotes, and
// bytes the reading takes as they stand (a quote inside an unquoted field, spaces around a
// value) stay as they stand. Only a field the new delimiter would split is written anew, quoted
// with its inner quotes doubled, as an edited cell is written (quoteField): an unquoted field
// that holds the new delimiter, or a quoted one whose bytes after the closing quote hold it.
// Line endings stay as they are, and a last record whose quote never closes keeps its unfinished
// field byte for byte, since with any delimiter it runs on to the document's end. A sep line
// names the new delimiter in place of the old one, its only byte that changes; a delimiter it
// cannot name (sep_line.h) leaves such a document as it is.
//
// A document that starts with a UTF-8 byte-order mark reads the mark as part of its first field.
// When that field must be quoted, the mark goes inside the quotes with the rest of the value,
// so that the value reads back as it was; behind the mark, a quote would not open a quoted field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"

// Whether a document can be written with delimiter when it is read with quote: any byte but
// CR, LF and the quote itself.
bool canBeDelimiter(char delimiter, char quote);

// The whole document written with newDelimiter in place of the table's delimiter, as
// documentText writes it: each record converted, with its own line ending; a record in the middle
// that has none gets eol, and the last keeps exactly the ending it has, possibly none. Read with
// newDelimiter, the text gives every record's values as the table has them. starts, when given,
// gets where each record begins in the text. When newDelimiter cannot be a delimiter
// (canBeDelimiter), or cannot be named by the document's sep line, the document is written as
// it is.
std::string convertedDocumentText(const CsvTable& table, char newDelimiter, std::string_view eol,
                                  std::vector<uint64_t>* starts = nullptr);
