// Row regeneration with minimal quoting, and the one-line and column-letter texts.
#include "model/row_text.h"

#include <utility>

namespace {

bool needsQuoting(std::string_view value, char delimiter, char quote) {
    if (value.empty()) return false;
    char first = value.front();
    char last = value.back();
    if (first == ' ' || first == '\t' || last == ' ' || last == '\t') return true;
    for (char c : value)
        if (c == delimiter || c == quote || c == '\n' || c == '\r') return true;
    return false;
}

void appendQuoted(std::string& out, std::string_view value, char delimiter, char quote) {
    if (!needsQuoting(value, delimiter, quote)) {
        out.append(value);
        return;
    }
    out.push_back(quote);
    for (char c : value) {
        if (c == quote) out.push_back(quote);
        out.push_back(c);
    }
    out.push_back(quote);
}

template <class Values>
std::string joinValues(const Values& cells, char delimiter, char quote) {
    std::string text;
    size_t bytes = cells.size();
    for (const auto& cell : cells) bytes += cell.size() + 2;
    text.reserve(bytes);
    bool first = true;
    for (const auto& cell : cells) {
        if (!first) text.push_back(delimiter);
        first = false;
        appendQuoted(text, cell, delimiter, quote);
    }
    return text;
}

}  // namespace

std::string quoteField(std::string_view value, char delimiter, char quote) {
    std::string out;
    out.reserve(value.size() + 8);
    appendQuoted(out, value, delimiter, quote);
    return out;
}

std::string joinFields(const std::vector<std::string>& cells, char delimiter, char quote) {
    return joinValues(cells, delimiter, quote);
}

std::string joinFields(std::span<const std::string_view> cells, char delimiter, char quote) {
    return joinValues(cells, delimiter, quote);
}

void rebuildRowText(CsvRow& row, char delimiter, char quote) {
    if (row.cellCount() == 0) {
        CsvRow empty;
        empty.start = row.start;
        empty.end = row.end;
        empty.setEol(row.eol());
        row = std::move(empty);
        return;
    }
    std::vector<std::string_view> values;
    values.reserve(row.cellCount());
    for (uint64_t i = 0; i < row.cellCount(); ++i) values.push_back(row.cell(i));
    // The joined text is built before the row is touched, since the views point into it.
    std::string text = joinFields(values, delimiter, quote);
    // Scanning the joined text gives back exactly these values, so the row's cells come out
    // unchanged and the spans match the new raw.
    row.assignText(text, delimiter, quote);
}

std::wstring displayText(std::wstring_view text, wchar_t lineBreakMark) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r') {
            out.push_back(lineBreakMark);
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else if (c == L'\n') {
            out.push_back(lineBreakMark);
        } else if (c == L'\t') {
            out.push_back(L' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::wstring columnLetters(uint64_t column) {
    std::wstring name;
    for (;;) {
        name.insert(name.begin(), static_cast<wchar_t>(L'A' + column % 26));
        if (column <= 25) break;
        column = column / 26 - 1;
    }
    return name;
}
