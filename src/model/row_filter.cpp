#include "model/row_filter.h"

#include <optional>

namespace {

// The bound of a comparison as the bytes sorting reads numbers and dates from.
std::string utf8(std::wstring_view text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

FilterCondition condition(FilterCondition::Kind kind) {
    FilterCondition made;
    made.kind = kind;
    return made;
}

FilterCondition textCondition(FilterCondition::Kind kind, std::wstring_view text) {
    FilterCondition made = condition(text.empty() ? FilterCondition::Kind::None : kind);
    made.text = std::wstring(text);
    return made;
}

bool compare(FilterCondition::Kind kind, double value, double bound) {
    switch (kind) {
    case FilterCondition::Kind::Less: return value < bound;
    case FilterCondition::Kind::LessOrEqual: return value <= bound;
    case FilterCondition::Kind::Greater: return value > bound;
    case FilterCondition::Kind::GreaterOrEqual: return value >= bound;
    default: return false;
    }
}

}  // namespace

FilterCondition parseFilterCondition(std::wstring_view boxText) {
    using Kind = FilterCondition::Kind;
    if (boxText.empty()) {
        return {};
    }
    if (boxText == L"\"\"") {
        return condition(Kind::Empty);
    }
    if (boxText == L"!\"\"") {
        return condition(Kind::NotEmpty);
    }
    if (boxText.front() == L'=') {
        return textCondition(Kind::Equals, boxText.substr(1));
    }
    if (boxText.front() == L'!') {
        return textCondition(Kind::NotContains, boxText.substr(1));
    }
    if (boxText.front() == L'<' || boxText.front() == L'>') {
        const bool orEqual = boxText.size() > 1 && boxText[1] == L'=';
        const Kind kind = boxText.front() == L'<' ? (orEqual ? Kind::LessOrEqual : Kind::Less)
                                                  : (orEqual ? Kind::GreaterOrEqual : Kind::Greater);
        const ClassifiedValue bound = classifyValue(utf8(boxText.substr(orEqual ? 2 : 1)));
        if (bound.kind == ValueKind::Number || bound.kind == ValueKind::DateTime) {
            FilterCondition comparison = condition(kind);
            comparison.boundKind = bound.kind;
            comparison.bound = bound.number;
            return comparison;
        }
    }
    return textCondition(Kind::Contains, boxText);
}

FilterMatcher::FilterMatcher(FilterCondition condition, const CellDecoder& decode, const CaseFolder& fold)
    : condition_(std::move(condition)),
      text_(FindQuery{condition_.text, false, condition_.kind == FilterCondition::Kind::Equals, std::nullopt, false, {}}, decode,
            fold) {}

bool FilterMatcher::matches(std::string_view value) const {
    using Kind = FilterCondition::Kind;
    switch (condition_.kind) {
    case Kind::None: return true;
    case Kind::Contains:
    case Kind::Equals: return text_.matches(value);
    case Kind::NotContains: return !text_.matches(value);
    case Kind::Empty: return value.empty();
    case Kind::NotEmpty: return !value.empty();
    default: {
        const ClassifiedValue classified = classifyValue(value);
        return classified.kind == condition_.boundKind && compare(condition_.kind, classified.number, condition_.bound);
    }
    }
}

bool meetsConditions(const CsvRow& row, const std::vector<std::pair<uint64_t, FilterMatcher>>& conditions) {
    for (const auto& [cellIndex, matcher] : conditions) {
        const std::string_view value = cellIndex < row.cellCount() ? row.cell(cellIndex) : std::string_view();
        if (!matcher.matches(value)) return false;
    }
    return true;
}

std::vector<uint64_t> filteredRows(const CsvTable& table, bool headerRow,
                                   const std::vector<std::pair<uint64_t, FilterMatcher>>& conditions) {
    std::vector<uint64_t> shown;
    CsvRow row;
    for (uint64_t r = headerRow ? 1 : 0; r < table.rows.size(); ++r) {
        table.rows.read(r, row);
        if (meetsConditions(row, conditions)) shown.push_back(r);
    }
    return shown;
}
