#include "model/sort_order.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view MINUS_SIGN = "\xE2\x88\x92";           // U+2212, in UTF-8
constexpr std::string_view NO_BREAK_SPACE = "\xC2\xA0";           // U+00A0
constexpr std::string_view NARROW_NO_BREAK_SPACE = "\xE2\x80\xAF"; // U+202F

// Whether the first record starts with the byte-order mark.
bool startsWithMark(const RowList& rows) { return rows.raw(0).substr(0, UTF8_BOM.size()) == UTF8_BOM; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The digits of a grouped integer part ("1,234,567" with separator ','): the first group has
// one to three digits, every later one exactly three. Appends the digits; false when text is
// not such a part.
bool appendGroupedDigits(std::string_view text, char separator, std::string& digits) {
    size_t group = 0;
    bool sawSeparator = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            digits.push_back(c);
            ++group;
            if (!sawSeparator && group > 3) return false;
        } else if (c == separator) {
            if (group == 0 || (sawSeparator && group != 3)) return false;
            sawSeparator = true;
            group = 0;
        } else {
            return false;
        }
    }
    return sawSeparator && group == 3;
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

// A number grouped by an apostrophe, a space, a no-break space or a narrow no-break space
// ("7'842", "7 842"): the separator. The spaces written in UTF-8 are turned into plain ones,
// in storage, which text then views. None when text holds none of them.
std::optional<char> spaceLikeSeparator(std::string_view& text, std::string& storage) {
    for (const std::string_view wide : {NO_BREAK_SPACE, NARROW_NO_BREAK_SPACE}) {
        if (text.find(wide) == std::string_view::npos) continue;
        std::string& narrowed = storage;
        for (size_t at = 0; at < text.size();) {
            if (text.substr(at, wide.size()) == wide) {
                narrowed.push_back(' ');
                at += wide.size();
            } else {
                narrowed.push_back(text[at++]);
            }
        }
        text = narrowed;
        break;
    }
    if (text.find('\'') != std::string_view::npos) return '\'';
    if (text.find(' ') != std::string_view::npos) return ' ';
    return std::nullopt;
}

// The integer part: plain digits, or digits grouped by separator.
bool appendIntegerPart(std::string_view text, char separator, std::string& digits) {
    if (allDigits(text)) {
        digits.append(text);
        return true;
    }
    return appendGroupedDigits(text, separator, digits);
}

// Reads a fixed number of digits at text[at]; none when any is not a digit.
std::optional<int> fixedDigits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!isDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : DAYS[month - 1];
}

// Days from 1970-01-01 to the date, in the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// One record's key values for every sort key, laid out row by row.
struct KeyValue {
    ValueKind kind = ValueKind::Empty;
    double number = 0;
    uint64_t textOffset = 0;  // into the key arena, for Text
    uint64_t textLength = 0;
};

int compareValues(const KeyValue& a, const KeyValue& b, const std::string& arena) {
    if (a.kind != b.kind) return a.kind < b.kind ? -1 : 1;
    switch (a.kind) {
    case ValueKind::Number:
    case ValueKind::DateTime:
        return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
    case ValueKind::Text: {
        const size_t common = static_cast<size_t>(std::min(a.textLength, b.textLength));
        const int bytes = common == 0 ? 0 : std::memcmp(arena.data() + static_cast<size_t>(a.textOffset), arena.data() + static_cast<size_t>(b.textOffset), common);
        if (bytes != 0) return bytes;
        return a.textLength < b.textLength ? -1 : (a.textLength > b.textLength ? 1 : 0);
    }
    case ValueKind::Empty:
        return 0;
    }
    return 0;
}

}  // namespace

void naturalTextKey(std::string_view value, std::string& key) {
    size_t i = 0;
    while (i < value.size()) {
        const char c = value[i];
        if (!isDigit(c)) {
            key.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
            ++i;
            continue;
        }
        // A run of digits: the marker '0' (so the run sorts against other bytes as a digit
        // does), its significant length in four bytes, then the significant digits. A longer
        // number is a larger one; equal lengths compare digit by digit.
        size_t end = i;
        while (end < value.size() && isDigit(value[end])) ++end;
        size_t first = i;
        while (first + 1 < end && value[first] == '0') ++first;
        const uint64_t length = end - first;
        key.push_back('0');
        for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<char>((length >> shift) & 0xFF));
        key.append(value.substr(first, end - first));
        i = end;
    }
}

std::optional<double> parseNumberValue(std::string_view text, char* decimalMark) {
    if (decimalMark != nullptr) *decimalMark = 0;
    text = trimmed(text);
    double scale = 1;
    if (!text.empty() && text.back() == '%') {
        scale = 0.01;
        text = trimmed(text.substr(0, text.size() - 1));
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    } else if (text.substr(0, MINUS_SIGN.size()) == MINUS_SIGN) {
        negative = true;
        text.remove_prefix(MINUS_SIGN.size());
    }

    // An exponent: e or E, an optional sign and digits, after a mantissa.
    std::string_view exponent;
    if (const size_t e = text.find_first_of("eE"); e != std::string_view::npos) {
        exponent = text.substr(e + 1);
        text = text.substr(0, e);
        std::string_view exponentDigits = exponent;
        if (!exponentDigits.empty() && (exponentDigits.front() == '-' || exponentDigits.front() == '+')) {
            exponentDigits.remove_prefix(1);
        }
        if (text.empty() || !allDigits(exponentDigits)) return std::nullopt;
    }
    if (text.empty()) return std::nullopt;

    std::string digits;
    std::optional<std::string_view> fraction;  // the digits after a decimal mark
    char fractionMark = 0;                     // and that mark
    std::string narrowed;
    if (const auto separator = spaceLikeSeparator(text, narrowed)) {
        // Groups split by an apostrophe or a kind of space: the separator can only group, so a
        // '.' or ',' after the groups is the decimal mark.
        const size_t mark = text.find_first_of(".,");
        const std::string_view integerPart = text.substr(0, mark);
        if (!appendGroupedDigits(integerPart, *separator, digits)) return std::nullopt;
        if (mark != std::string_view::npos) {
            fraction = text.substr(mark + 1);
            fractionMark = text[mark];
        }
    } else {
        // The decimal mark is the last '.' or ',' unless that one only groups thousands:
        // "1,234" and "1.234.567" are whole numbers, "1,5", "1.5", "1,234.5" and "1.234,5" are
        // not. A mark may stand first (",5") or last ("1.").
        const size_t dot = text.rfind('.');
        const size_t comma = text.rfind(',');
        if (dot == std::string_view::npos && comma == std::string_view::npos) {
            if (!allDigits(text)) return std::nullopt;
            digits.append(text);
        } else if (comma == std::string_view::npos || dot == std::string_view::npos) {
            const size_t mark = comma == std::string_view::npos ? dot : comma;
            const char markByte = text[mark];
            if (!appendGroupedDigits(text, markByte, digits)) {
                digits.clear();
                const std::string_view integerPart = text.substr(0, mark);
                if (!integerPart.empty() && !allDigits(integerPart)) return std::nullopt;
                digits.append(integerPart);
                fraction = text.substr(mark + 1);
                fractionMark = markByte;
            }
        } else {
            const size_t mark = std::max(dot, comma);
            const char separator = mark == dot ? ',' : '.';
            if (!appendIntegerPart(text.substr(0, mark), separator, digits)) return std::nullopt;
            fraction = text.substr(mark + 1);
            fractionMark = text[mark];
        }
    }
    if (fraction && !fraction->empty() && !allDigits(*fraction)) return std::nullopt;
    if (digits.empty() && (!fraction || fraction->empty())) return std::nullopt;  // a mark alone
    if (digits.empty()) digits.push_back('0');
    if (fraction && !fraction->empty()) {
        digits.push_back('.');
        digits.append(*fraction);
    }
    if (!exponent.empty()) {
        digits.push_back('e');
        digits.append(exponent.front() == '+' ? exponent.substr(1) : exponent);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    value *= scale;
    if (decimalMark != nullptr && fraction && !fraction->empty()) *decimalMark = fractionMark;
    return negative ? -value : value;
}

std::optional<double> parseDateTimeValue(std::string_view text) {
    text = trimmed(text);
    // YYYY-MM-DD
    const auto year = fixedDigits(text, 0, 4);
    const auto month = fixedDigits(text, 5, 2);
    const auto day = fixedDigits(text, 8, 2);
    if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month)) return std::nullopt;
    double seconds = static_cast<double>(daysFromCivil(*year, *month, *day)) * 86400.0;
    size_t at = 10;
    if (at == text.size()) return seconds;

    // [T or space]hh:mm[:ss[.fff]][Z|+hh:mm|-hh:mm]
    if (text[at] != 'T' && text[at] != ' ') return std::nullopt;
    const auto hour = fixedDigits(text, at + 1, 2);
    const auto minute = fixedDigits(text, at + 4, 2);
    if (!hour || !minute || text[at + 3] != ':' || *hour > 23 || *minute > 59) return std::nullopt;
    seconds += *hour * 3600.0 + *minute * 60.0;
    at += 6;
    if (at < text.size() && text[at] == ':') {
        const auto second = fixedDigits(text, at + 1, 2);
        if (!second || *second > 60) return std::nullopt;
        seconds += *second;
        at += 3;
        if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
            size_t end = at + 1;
            double unit = 0.1;
            while (end < text.size() && isDigit(text[end])) {
                seconds += (text[end] - '0') * unit;
                unit /= 10;
                ++end;
            }
            if (end == at + 1) return std::nullopt;
            at = end;
        }
    }
    if (at == text.size()) return seconds;
    if (text[at] == 'Z' && at + 1 == text.size()) return seconds;
    if (text[at] == '+' || text[at] == '-') {
        const auto offsetHours = fixedDigits(text, at + 1, 2);
        const auto offsetMinutes = fixedDigits(text, at + 4, 2);
        if (!offsetHours || !offsetMinutes || text[at + 3] != ':' || at + 6 != text.size() || *offsetHours > 23 ||
            *offsetMinutes > 59) {
            return std::nullopt;
        }
        const double offset = *offsetHours * 3600.0 + *offsetMinutes * 60.0;
        return text[at] == '+' ? seconds - offset : seconds + offset;
    }
    return std::nullopt;
}

ClassifiedValue classifyValue(std::string_view value) {
    if (trimmed(value).empty()) return {ValueKind::Empty, 0};
    if (const auto number = parseNumberValue(value)) return {ValueKind::Number, *number};
    if (const auto moment = parseDateTimeValue(value)) return {ValueKind::DateTime, *moment};
    return {ValueKind::Text, 0};
}

std::vector<uint64_t> sortedRecordOrder(const CsvTable& table, bool headerRow, const std::vector<SortKey>& keys,
                                        const CollationKeyFunction& collate) {
    const uint64_t rowCount = table.rows.size();
    std::vector<uint64_t> order(rowCount);
    for (uint64_t i = 0; i < rowCount; ++i) order[i] = i;
    const size_t keyCount = std::min(keys.size(), MAX_SORT_KEYS);
    const uint64_t first = headerRow ? 1 : 0;
    if (keyCount == 0 || rowCount <= first + 1) return order;

    // Every record's key values are worked out once; the sort then compares them only.
    // Values that repeat (a column of a few dozen city names) are collated once.
    std::vector<KeyValue> values(static_cast<size_t>((rowCount - first) * keyCount));
    std::string arena;
    std::unordered_map<std::string, std::pair<uint64_t, uint64_t>> collated;
    CsvRow row;
    for (uint64_t r = first; r < rowCount; ++r) {
        table.rows.read(r, row);
        for (size_t k = 0; k < keyCount; ++k) {
            KeyValue& value = values[static_cast<size_t>((r - first) * keyCount + k)];
            if (keys[k].column >= row.cellCount()) continue;
            std::string_view cell = row.cell(keys[k].column);
            if (r == 0 && keys[k].column == 0 && table.rows.lead().empty() &&
                cell.substr(0, UTF8_BOM.size()) == UTF8_BOM) {
                cell.remove_prefix(UTF8_BOM.size());  // the mark belongs to the document
            }
            const ClassifiedValue classified = classifyValue(cell);
            value.kind = classified.kind;
            value.number = classified.number;
            if (classified.kind == ValueKind::Text) {
                auto [known, added] = collated.try_emplace(std::string(cell));
                if (added) {
                    const size_t before = arena.size();
                    collate(cell, arena);
                    known->second = {before, arena.size() - before};
                }
                value.textOffset = known->second.first;
                value.textLength = known->second.second;
            }
        }
    }

    std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(first), order.end(),
                     [&](uint64_t a, uint64_t b) {
                         const KeyValue* left = &values[static_cast<size_t>((a - first) * keyCount)];
                         const KeyValue* right = &values[static_cast<size_t>((b - first) * keyCount)];
                         for (size_t k = 0; k < keyCount; ++k) {
                             // Empty cells last in both directions.
                             const bool leftEmpty = left[k].kind == ValueKind::Empty;
                             const bool rightEmpty = right[k].kind == ValueKind::Empty;
                             if (leftEmpty != rightEmpty) return rightEmpty;
                             const int c = compareValues(left[k], right[k], arena);
                             if (c != 0) return keys[k].descending ? c > 0 : c < 0;
                         }
                         return false;
                     });
    // A last record whose quote never closes would take in every record after it anywhere
    // else: it stays last.
    if (recordEndsInsideQuotes(table, rowCount - 1)) {
        order.erase(std::find(order.begin(), order.end(), rowCount - 1));
        order.push_back(rowCount - 1);
    }
    return order;
}

std::string reorderedDocumentText(const CsvTable& table, const std::vector<uint64_t>& order, std::string_view eol,
                                  std::vector<uint64_t>* starts) {
    const RowList& rows = table.rows;
    const size_t count = order.size();
    const std::string_view lead = rows.lead();
    if (count == 0) return std::string(lead);
    // Behind a sep line the mark is no mark of the document but the first record's bytes.
    const bool bom = lead.empty() && startsWithMark(rows);
    // The bytes a record brings, without the document's mark.
    const auto bytesOf = [&](uint64_t r) {
        std::string_view raw = rows.raw(r);
        if (bom && r == 0) raw.remove_prefix(UTF8_BOM.size());
        return raw;
    };
    const bool documentEnds = !rows.eol(rows.size() - 1).empty();

    // Each place's line ending: its record's own, the document's for the one that ended the
    // document without one, and the last place's as the document ended before. An empty record
    // is nothing without its line ending, so it keeps one even in the last place.
    std::vector<std::string_view> endings(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string_view own = rows.eol(order[i]);
        endings[i] = own.empty() ? eol : own;
    }
    const auto emptyAt = [&](size_t i) { return bytesOf(order[i]).empty() && !(bom && i == 0); };
    if (!documentEnds && !emptyAt(count - 1)) endings[count - 1] = {};
    // A lone CR before an empty record that ends with LF would read as one CR LF.
    for (size_t i = 0; i + 1 < count; ++i) {
        if (endings[i] == "\r" && emptyAt(i + 1) && endings[i + 1].substr(0, 1) == "\n") {
            endings[i] = "\r\n";
        }
    }

    uint64_t size = lead.size() + (bom ? UTF8_BOM.size() : 0);
    for (size_t i = 0; i < count; ++i) size += bytesOf(order[i]).size() + endings[i].size();
    std::string text;
    text.reserve(static_cast<size_t>(size));
    if (starts != nullptr) starts->assign(rows.size(), 0);
    text.append(lead);
    if (bom) text.append(UTF8_BOM);
    for (size_t i = 0; i < count; ++i) {
        // The first place starts right after the sep line, with the byte-order mark if any.
        if (starts != nullptr && order[i] < rows.size()) (*starts)[order[i]] = i > 0 ? text.size() : lead.size();
        text.append(bytesOf(order[i]));
        text.append(endings[i]);
    }
    return text;
}

bool orderReadsBack(const CsvTable& table, const std::vector<uint64_t>& order) {
    if (order.empty()) return true;
    const RowList& rows = table.rows;
    const uint64_t last = rows.size() - 1;
    if (order.back() != last && recordEndsInsideQuotes(table, last)) return false;
    // Behind a sep line that ends in a lone CR, an empty record that ends in LF would make its
    // line ending CR LF and be no record.
    const std::string_view lead = rows.lead();
    if (!lead.empty()) {
        const uint64_t r = order.front();
        return !(lead.back() == '\r' && rows.raw(r).empty() && rows.eol(r).substr(0, 1) == "\n");
    }
    // A field is quoted only when the quote is its very first byte: behind the document's mark,
    // a record that opens with a quote reads otherwise than anywhere else.
    if (!startsWithMark(rows) || order.front() == 0) return true;
    const auto opensWithQuote = [&](std::string_view raw) { return !raw.empty() && raw.front() == table.quote; };
    return !opensWithQuote(rows.raw(0).substr(UTF8_BOM.size())) && !opensWithQuote(rows.raw(order.front()));
}

bool recordEndsInsideQuotes(const CsvTable& table, uint64_t r) {
    if (!table.rows.eol(r).empty()) return false;
    // Read as if a line ending followed: a record that is closed ends there.
    std::string text(table.rows.raw(r));
    const uint64_t closedAt = text.size();
    text.push_back('\n');
    std::vector<std::string> cells;
    std::vector<uint64_t> starts;
    std::vector<uint64_t> ends;
    return scanRecord(text, 0, table.delimiter, table.quote, cells, starts, ends) != closedAt;
}

bool orderChangesAnything(const std::vector<uint64_t>& order) {
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] != i) return true;
    }
    return false;
}
