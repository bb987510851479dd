// The text forms of the clipboard: cells written as tab-separated lines, and a pasted text
// read back into lines of fields.
//
// Both follow the convention that spreadsheet programs write and read, so that a cell holding
// a tab, a line break or a leading quote keeps its value through the clipboard: such a field
// is enclosed in double quotes, with each quote inside doubled. Every other field is its value
// as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Whether the value is written quoted: it holds a TAB, CR or LF, or begins with a quote.
bool clipboardFieldNeedsQuotes(std::wstring_view value);

// Appends the value as one clipboard field: quoted when it needs to be, else unchanged.
void appendClipboardField(std::wstring& text, std::wstring_view value);

// The rows form: each line's fields separated by one TAB, lines separated by CR LF, no line
// break after the last line.
std::wstring clipboardRowsText(const std::vector<std::vector<std::wstring>>& lines);

// A pasted text split into lines of fields, in clipboard order. Every line has at least one
// field; lines may have different numbers of fields.
struct PasteBlock {
    std::vector<std::vector<std::wstring>> lines;

    // One line with one field: a value for the current cell alone.
    bool isSingleValue() const { return lines.size() == 1 && lines.front().size() == 1; }
    // The widest line's field count.
    size_t width() const;
};

// Reads a pasted text. TAB ends a field; CR, LF or CR LF ends a field and its line. A field
// that begins with a quote is read quoted when its closing quote (one not followed by a second
// quote) is followed by TAB, CR, LF or the end of the text: the value is what lies between,
// doubled quotes made single, with TAB, CR and LF kept inside it. Any other field, one that
// begins with a quote but has no such closing quote included, is taken literally up to the
// next TAB or line break. A final line break adds no empty last line.
PasteBlock parsePasteBlock(std::wstring_view text);
