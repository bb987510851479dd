// Sorting the records of a document by up to three columns, and writing them in their new
// order without changing a byte of any record.
//
// The order of cell values, ascending:
//   1. numbers, by value: an optional sign (+, - or the minus sign U+2212), digits with or
//      without thousands separators (1,234,567, 1.234.567, 7'842, or 7 842 with a space, a
//      no-break space or a narrow no-break space; one kind per number), a decimal part (1.5, or
//      1,5 where a comma is the decimal mark; the mark may stand first or last: ,5 and 1.), an
//      optional exponent (9e4, 1.5E-3), an optional percent sign (50% is 0.5); spaces around
//      are allowed;
//   2. ISO dates and date-times, in time order: 2024-03-01, 2024-03-01 12:30, 2024-03-01T12:30:15
//      with optional fractions of a second and an offset (Z, +01:00), compared in UTC;
//   3. text, by a collation key: case-insensitive, with digits inside text in natural order
//      (file2 before file10); the shell passes the user's locale rules;
//   4. empty cells (no bytes, or only spaces and tabs), and cells a short row does not have.
// Descending reverses 1 to 3; empty cells stay last in both directions. Records with equal
// keys keep their order. The header record, when there is one, never moves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"

// One sort key: a cell index and a direction.
struct SortKey {
    uint64_t column = 0;
    bool descending = false;
    bool operator==(const SortKey&) const = default;
};

// At most this many keys take part; later ones are ignored.
inline constexpr size_t MAX_SORT_KEYS = 3;

// Appends to key the bytes whose bytewise order is the wanted order of the text value: two
// texts that collate equal give equal keys. value is a cell's bytes in the document's encoding.
using CollationKeyFunction = std::function<void(std::string_view value, std::string& key)>;

// The portable collation: ASCII letters without case, every run of digits by its numeric
// value (leading zeros ignored), every other byte by its value (UTF-8 thus by code point).
void naturalTextKey(std::string_view value, std::string& key);

// What a cell holds, as the ordering sees it.
enum class ValueKind : uint8_t { Number = 0, DateTime = 1, Text = 2, Empty = 3 };

struct ClassifiedValue {
    ValueKind kind = ValueKind::Empty;
    double number = 0;     // Number: the value; DateTime: seconds since 0000-03-01 in UTC
};

// The number a cell's text is, in the forms listed above; none for anything else. decimalMark,
// when given, gets the mark that opens the number's decimal part ('.' or ','), or 0 when no
// digit follows a mark: "1,5" and ",5" give ',', "1,234", "1." and "7" give 0.
std::optional<double> parseNumberValue(std::string_view text, char* decimalMark = nullptr);
// The moment an ISO date or date-time stands for, in seconds of a proleptic calendar (UTC
// when an offset is given); none for anything else, impossible dates included.
std::optional<double> parseDateTimeValue(std::string_view text);
// The kind of the value, and its number or moment.
ClassifiedValue classifyValue(std::string_view value);

// The new order of the table's records: a permutation of 0 .. rows - 1 (entry i is the record
// that goes to place i). With headerRow the first record stays first. No keys, or keys that
// name no cell in any row, give the order unchanged. A last record whose quote never closes
// stays last, wherever its keys would put it: anywhere else it would run on into the records
// after it.
std::vector<uint64_t> sortedRecordOrder(const CsvTable& table, bool headerRow,
                                        const std::vector<SortKey>& keys,
                                        const CollationKeyFunction& collate = naturalTextKey);

// Whether record r, the document's last, ends inside a quoted field that never closes, so that
// it would read on into whatever followed it. False for any record with a line ending.
bool recordEndsInsideQuotes(const CsvTable& table, uint64_t r);

// The document with its records in the given order; reading it back gives exactly these
// records, in this order. Every record keeps its bytes and only the records' order changes:
// - each record keeps its own line ending; the one that ended the document without one gets
//   eol when it no longer comes last;
// - the record in the last place ends as the document did: without a line ending where the
//   document had none (but for an empty record, which is nothing without its line ending);
// - a lone CR ending that would join with the line feed of an empty record after it becomes
//   CR LF, so no two records run together;
// - a UTF-8 byte-order mark at the start of the document stays at the start;
// - a sep line stays in front of all records, as it is.
// Only an order for which orderReadsBack holds gives a text that reads back so. starts, when
// given, gets for every record the offset where it begins in the text (the first place's at 0,
// the byte-order mark included, or after the sep line), so that what is tied to a record can
// follow it.
std::string reorderedDocumentText(const CsvTable& table, const std::vector<uint64_t>& order,
                                  std::string_view eol, std::vector<uint64_t>* starts = nullptr);

// Whether the document written in this order (reorderedDocumentText) reads back as the same
// records. It does not when a record ending inside quotes leaves the last place (which
// sortedRecordOrder never asks), nor when, in a document that starts with a byte-order mark,
// a record that opens with the quote would come to stand behind the mark or leave it: the quote
// opens a quoted field only as a field's very first byte. Nor when an empty record ending in LF
// would come to stand right behind a sep line that ends in a lone CR.
bool orderReadsBack(const CsvTable& table, const std::vector<uint64_t>& order);

// Whether the order moves any record.
bool orderChangesAnything(const std::vector<uint64_t>& order);
