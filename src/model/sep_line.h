// The sep line: a first line such as "sep=;" that names the document's delimiter, as
// spreadsheets write and read it.
//
// The line is the four bytes "sep=" in lower case, exactly one delimiter byte, and then a line
// ending (CR LF, LF or CR) or the end of the text. It must stand at the very start of the text:
// behind a byte-order mark or a space it is an ordinary record, and so is "SEP=;". The
// delimiter may be any ASCII byte from 1 to 127 but CR, LF and the quote, the bytes the settings
// take as a delimiter; comma, semicolon, tab and pipe are the usual ones.
//
// The line is no record. A scan sets the table's delimiter from it and keeps its bytes in front
// of the rows (RowList::lead), so the grid neither shows it as data nor takes it for the header;
// every writer writes it back as it was, and only a conversion to another delimiter changes it,
// to name the new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct CsvTable;

inline constexpr std::string_view SEP_LINE_PREFIX = "sep=";
// A sep line's longest form, "sep=X" and CR LF: no byte past these decides whether a text
// starts with one.
inline constexpr uint64_t SEP_LINE_MOST_BYTES = 7;

struct SepLine {
    char delimiter = ',';
    // The line's bytes with its line ending: 5 to 7.
    uint64_t length = 0;
    bool operator==(const SepLine&) const = default;
};

// Whether c can be named by a sep line of a document read with quote.
bool canBeSepDelimiter(char c, char quote);

// The sep line text starts with, or none.
std::optional<SepLine> findSepLine(std::string_view text, char quote = '"');

// The sep line the table was read with, or none.
std::optional<SepLine> sepLineOf(const CsvTable& table);
