#include "model/number_text.h"

#include <cstddef>

namespace {

constexpr wchar_t MINUS_SIGN = L'\x2212';
constexpr wchar_t NO_BREAK_SPACE = L'\x00A0';
constexpr wchar_t NARROW_NO_BREAK_SPACE = L'\x202F';

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool isSpace(wchar_t c) { return c == L' ' || c == NO_BREAK_SPACE || c == NARROW_NO_BREAK_SPACE; }
bool isGroupSeparator(wchar_t c) {
    return c == L',' || c == L'.' || c == L'\'' || isSpace(c);
}

// Reads digits from position `at`; returns how many.
size_t digits(std::wstring_view text, size_t& at) {
    const size_t start = at;
    while (at < text.size() && isDigit(text[at])) {
        ++at;
    }
    return at - start;
}

}  // namespace

bool looksNumeric(std::wstring_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isSpace(text[first])) {
        ++first;
    }
    while (last > first && isSpace(text[last - 1])) {
        --last;
    }
    text = text.substr(first, last - first);
    if (!text.empty() && text.back() == L'%') {
        text.remove_suffix(1);
        while (!text.empty() && isSpace(text.back())) {
            text.remove_suffix(1);
        }
    }

    size_t at = 0;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-' || text[at] == MINUS_SIGN)) {
        ++at;
    }
    // The whole part: a first group of one to three digits followed by groups of exactly three
    // after one kind of separator, or a plain run of digits.
    const size_t lead = digits(text, at);
    wchar_t group = L'\0';
    if (lead >= 1 && lead <= 3) {
        while (at + 3 < text.size() && isGroupSeparator(text[at]) && (group == L'\0' || text[at] == group)) {
            size_t next = at + 1;
            if (digits(text, next) != 3) {
                break;  // not a group of three: perhaps the decimal part
            }
            group = text[at];
            at = next;
        }
    }
    size_t fraction = 0;
    if (at < text.size() && (text[at] == L'.' || text[at] == L',') && text[at] != group) {
        ++at;
        fraction = digits(text, at);
    }
    if (lead == 0 && fraction == 0) {
        return false;
    }
    if (at < text.size() && (text[at] == L'e' || text[at] == L'E')) {
        ++at;
        if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
            ++at;
        }
        if (digits(text, at) == 0) {
            return false;
        }
    }
    return at == text.size();
}
