#include "model/sort_order.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

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

std::optional<double> parseNumberValue(std::string_view text) {
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
    }
    if (text.empty()) return std::nullopt;

    // The decimal mark is the last '.' or ',' unless that one only groups thousands:
    // "1,234" and "1.234.567" are whole numbers, "1,5", "1.5", "1,234.5" and "1.234,5" are not.
    std::string digits;
    std::optional<std::string_view> fraction;  // the digits after a decimal mark
    const size_t dot = text.rfind('.');
    const size_t comma = text.rfind(',');
    if (dot == std::string_view::npos && comma == std::string_view::npos) {
        if (!allDigits(text)) return std::nullopt;
        digits.append(text);
    } else if (comma == std::string_view::npos) {
        if (text.find('.') != dot) {
            if (!appendGroupedDigits(text, '.', digits)) return std::nullopt;
        } else {
            const std::string_view integerPart = text.substr(0, dot);
            if (!integerPart.empty() && !allDigits(integerPart)) return std::nullopt;
            digits.append(integerPart);
            fraction = text.substr(dot + 1);
        }
    } else if (dot == std::string_view::npos) {
        if (!appendGroupedDigits(text, ',', digits)) {
            digits.clear();
            const std::string_view integerPart = text.substr(0, comma);
            if (!allDigits(integerPart)) return std::nullopt;
            digits.append(integerPart);
            fraction = text.substr(comma + 1);
        }
    } else {
        const size_t mark = std::max(dot, comma);
        const char separator = mark == dot ? ',' : '.';
        if (!appendIntegerPart(text.substr(0, mark), separator, digits)) return std::nullopt;
        fraction = text.substr(mark + 1);
    }
    if (fraction && !allDigits(*fraction)) return std::nullopt;
    if (digits.empty()) digits.push_back('0');
    if (fraction) {
        digits.push_back('.');
        digits.append(*fraction);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    value *= scale;
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
            if (r == 0 && keys[k].column == 0 && cell.substr(0, UTF8_BOM.size()) == UTF8_BOM) {
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
    return order;
}

std::string reorderedDocumentText(const CsvTable& table, const std::vector<uint64_t>& order, std::string_view eol) {
    const RowList& rows = table.rows;
    uint64_t size = 0;
    for (uint64_t r = 0; r < rows.size(); ++r) size += rows.raw(r).size() + std::max<uint64_t>(rows.eol(r).size(), eol.size()) + 1;
    std::string text;
    text.reserve(static_cast<size_t>(size));

    const bool bom = !rows.empty() && rows.raw(0).substr(0, UTF8_BOM.size()) == UTF8_BOM;
    if (bom) text.append(UTF8_BOM);
    for (size_t i = 0; i < order.size(); ++i) {
        std::string_view raw = rows.raw(order[i]);
        if (bom && order[i] == 0) raw.remove_prefix(UTF8_BOM.size());
        text.append(raw);
        const bool last = i + 1 == order.size();
        if (last) {
            text.append(rows.eol(order[i]));
            break;
        }
        std::string_view ending = rows.eol(order[i]).empty() ? eol : rows.eol(order[i]);
        // A lone CR before an empty record that ends with LF would read as one CR LF.
        const uint64_t next = order[i + 1];
        const bool joins = ending == "\r" && rows.raw(next).empty() && rows.eol(next).substr(0, 1) == "\n";
        text.append(joins ? std::string_view("\r\n") : ending);
    }
    return text;
}

bool orderChangesAnything(const std::vector<uint64_t>& order) {
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] != i) return true;
    }
    return false;
}
