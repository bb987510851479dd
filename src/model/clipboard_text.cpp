#include "model/clipboard_text.h"

#include <algorithm>
#include <optional>

namespace {

constexpr wchar_t TAB = L'\t';
constexpr wchar_t CR = L'\r';
constexpr wchar_t LF = L'\n';
constexpr wchar_t QUOTE = L'"';

bool endsField(wchar_t c) { return c == TAB || c == CR || c == LF; }

// The quoted field that begins at text[start] (a quote): its value and the position just past
// its closing quote, or none when its closing quote is not followed by a field's end.
std::optional<std::wstring> readQuotedField(std::wstring_view text, size_t start, size_t& next) {
    std::wstring value;
    size_t i = start + 1;
    while (i < text.size()) {
        const size_t quote = text.find(QUOTE, i);
        if (quote == std::wstring_view::npos) {
            return std::nullopt;  // never closed
        }
        value.append(text.substr(i, quote - i));
        if (quote + 1 < text.size() && text[quote + 1] == QUOTE) {
            value.push_back(QUOTE);
            i = quote + 2;
            continue;
        }
        if (quote + 1 == text.size() || endsField(text[quote + 1])) {
            next = quote + 1;
            return value;
        }
        return std::nullopt;  // closed, but followed by more text: not a quoted field
    }
    return std::nullopt;
}

}  // namespace

bool clipboardFieldNeedsQuotes(std::wstring_view value) {
    if (!value.empty() && value.front() == QUOTE) {
        return true;
    }
    return std::any_of(value.begin(), value.end(), endsField);
}

void appendClipboardField(std::wstring& text, std::wstring_view value) {
    if (!clipboardFieldNeedsQuotes(value)) {
        text.append(value);
        return;
    }
    text.push_back(QUOTE);
    for (const wchar_t c : value) {
        if (c == QUOTE) {
            text.push_back(QUOTE);
        }
        text.push_back(c);
    }
    text.push_back(QUOTE);
}

std::wstring clipboardRowsText(const std::vector<std::vector<std::wstring>>& lines) {
    std::wstring text;
    for (size_t k = 0; k < lines.size(); ++k) {
        if (k > 0) {
            text += L"\r\n";
        }
        for (size_t i = 0; i < lines[k].size(); ++i) {
            if (i > 0) {
                text.push_back(TAB);
            }
            appendClipboardField(text, lines[k][i]);
        }
    }
    return text;
}

size_t PasteBlock::width() const {
    size_t widest = 0;
    for (const std::vector<std::wstring>& line : lines) {
        widest = std::max(widest, line.size());
    }
    return widest;
}

PasteBlock parsePasteBlock(std::wstring_view text) {
    PasteBlock block;
    std::vector<std::wstring> line;
    std::wstring field;
    bool fieldQuoted = false;  // the current field was read quoted, so it is there even if empty
    size_t i = 0;
    while (i < text.size()) {
        // At a field's start: a quote may open a quoted field.
        if (field.empty() && !fieldQuoted && text[i] == QUOTE) {
            size_t next = 0;
            if (std::optional<std::wstring> value = readQuotedField(text, i, next)) {
                field = std::move(*value);
                fieldQuoted = true;
                i = next;
                continue;
            }
        }
        // Literal characters up to the field's end.
        if (!fieldQuoted) {
            size_t end = i;
            while (end < text.size() && !endsField(text[end])) {
                ++end;
            }
            field.append(text.substr(i, end - i));
            i = end;
            if (i == text.size()) {
                break;
            }
        }
        const wchar_t c = text[i];
        ++i;
        line.push_back(std::move(field));
        field.clear();
        fieldQuoted = false;
        if (c == CR || c == LF) {
            if (c == CR && i < text.size() && text[i] == LF) {
                ++i;
            }
            block.lines.push_back(std::move(line));
            line.clear();
        }
    }
    if (!field.empty() || fieldQuoted || !line.empty()) {
        line.push_back(std::move(field));
        block.lines.push_back(std::move(line));
    }
    return block;
}
