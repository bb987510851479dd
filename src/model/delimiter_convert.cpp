// A document written with another delimiter, each field kept byte for byte unless the new
// delimiter would split it.
#include "model/delimiter_convert.h"

#include <algorithm>

#include "model/column_edit.h"
#include "model/row_text.h"
#include "model/sep_line.h"

namespace {

// Whether the bytes of a field read as the same value when the delimiter is newDelimiter.
// Without that byte in them they read as before: the field ended at the old delimiter, CR or LF,
// and its quotes are where they were. With it, only a quoted field can still read alike, when
// every occurrence is inside its quotes, so that it stays one field; that is left to the scanner
// to say, with scratch as its row.
bool readsAlike(std::string_view field, char newDelimiter, char quote, CsvRow& scratch) {
    if (field.find(newDelimiter) == std::string_view::npos) return true;
    if (field.empty() || field.front() != quote) return false;
    scratch.assignText(field, newDelimiter, quote);
    return scratch.cellCount() == 1;
}

// Appends the record's fields, newDelimiter between them.
void appendConverted(std::string& out, const CsvRow& row, char newDelimiter, char quote, CsvRow& scratch) {
    const std::string_view raw = row.raw();
    for (uint64_t i = 0; i < row.cellCount(); ++i) {
        if (i > 0) out.push_back(newDelimiter);
        const uint64_t start = row.cellStart(i);
        const std::string_view field = raw.substr(static_cast<size_t>(start), static_cast<size_t>(row.cellEnd(i) - start));
        if (readsAlike(field, newDelimiter, quote, scratch)) {
            out.append(field);
        } else {
            out.append(quoteField(row.cell(i), newDelimiter, quote));
        }
    }
}

}  // namespace

bool canBeDelimiter(char delimiter, char quote) {
    return delimiter != '\r' && delimiter != '\n' && delimiter != quote;
}

std::string convertedDocumentText(const CsvTable& table, char newDelimiter, std::string_view eol,
                                  std::vector<uint64_t>* starts) {
    const RowList& rows = table.rows;
    // The sep line names the new delimiter, or the next reading would read with the old one;
    // where it cannot name it, nothing is converted.
    const bool sepLine = !rows.lead().empty();
    const bool named = !sepLine || canBeSepDelimiter(newDelimiter, table.quote);
    if (!canBeDelimiter(newDelimiter, table.quote) || !named) {
        return documentText(table, eol, {}, starts);
    }
    // The rows' own lengths and endings, and a little for the fields that gain quotes.
    uint64_t size = 0;
    for (uint64_t r = 0; r < rows.size(); ++r) {
        size += rows.raw(r).size() + std::max<uint64_t>(rows.eol(r).size(), eol.size());
    }
    std::string text;
    text.reserve(static_cast<size_t>(rows.lead().size() + size + size / 16));
    text.append(rows.lead());
    if (sepLine) text[SEP_LINE_PREFIX.size()] = newDelimiter;
    if (starts != nullptr) starts->assign(rows.size(), 0);
    CsvRow row;
    CsvRow scratch;
    for (uint64_t r = 0; r < rows.size(); ++r) {
        if (starts != nullptr) (*starts)[r] = text.size();
        rows.read(r, row);
        appendConverted(text, row, newDelimiter, table.quote, scratch);
        const bool last = r + 1 == rows.size();
        text.append(last || row.eolLength() > 0 ? row.eol() : eol);
    }
    return text;
}
