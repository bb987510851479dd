// Status texts are built by concatenation rather than printf, so that the wide %s and %d
// conventions of the two C libraries we build with cannot differ, and so that counts beyond
// the range of an int are printed as they are instead of wrapping.
#include "model/status_text.h"

#include <utility>

#include "model/settings_values.h"

namespace {

std::wstring decimal(uint64_t value) {
    return std::to_wstring(value);
}

std::wstring decimal(int64_t value) {
    return std::to_wstring(value);
}

// The static shows what fits in its buffer; the rest is cut.
std::wstring fitted(std::wstring text) {
    if (text.size() > STATUS_TEXT_CAPACITY - 1) {
        text.resize(STATUS_TEXT_CAPACITY - 1);
    }
    return text;
}

}  // namespace

std::wstring delimiterDisplayText(char delimiter) {
    switch (delimiter) {
    case ';':
        return L"';'";
    case '|':
        return L"'|'";
    case '\t':
        return L"Tab";
    default:
        return L"','";
    }
}

std::wstring gridStatusText(const GridStatus& status) {
    std::wstring text;
    text.reserve(96);
    if (status.filteredFrom) {
        text += filteredRowsText(status.rowCount, *status.filteredFrom);
        text += L" x ";
    } else {
        text += decimal(status.rowCount);
        text += status.rowCount == 1 ? L" row x " : L" rows x ";
    }
    text += decimal(status.columnCount);
    text += status.columnCount == 1 ? L" col" : L" cols";
    if (status.capped) {
        text += L" (capped)";
    }
    // The problems come early, where a narrow panel still shows them.
    if (!status.problems.empty()) {
        text += L"   |   ";
        text += status.problems;
    }
    text += L"   |   delimiter ";
    text += delimiterDisplayText(status.delimiter);
    // What is current: a cell; a whole row in the row numbers; a column of titles without rows;
    // nothing without columns.
    const bool hasCell = status.rowCount > 0 && status.columnCount > 0;
    if (hasCell && status.currentColumn > 0) {
        text += L"   |   cell R";
        text += decimal(status.currentRow + 1);
        text += L" C";
        text += decimal(status.currentColumn);
    } else if (hasCell) {
        text += L"   |   row R";
        text += decimal(status.currentRow + 1);
    } else if (status.columnCount > 0 && status.currentColumn > 0) {
        text += L"   |   col C";
        text += decimal(status.currentColumn);
    }
    if (hasCell && (status.selectedRows > 1 || status.selectedColumns > 1)) {
        text += L"   |   ";
        text += decimal(status.selectedRows);
        text += L" x ";
        text += decimal(status.selectedColumns);
        text += L" selected";
        if (!status.figures.empty()) {
            text += L"   |   ";
            text += status.figures;
        }
    }
    if (!status.note.empty()) {
        text += L"   |   ";
        text += status.note;
    }
    return fitted(std::move(text));
}

std::wstring groupedCount(uint64_t count) {
    const std::wstring digits = decimal(count);
    std::wstring text;
    text.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += L',';
        text += digits[i];
    }
    return text;
}

std::wstring filteredRowsText(uint64_t shown, uint64_t total) {
    return groupedCount(shown) + L" of " + groupedCount(total) + (total == 1 ? L" row" : L" rows");
}

std::wstring tooLargeStatusText(uint64_t maxFileBytes) {
    return fitted(L"File is larger than " + decimal(maxFileBytes / MEGABYTE) +
                  L" MB - grid view is off (raise MaxFileMB in Tabulon.ini)");
}

std::wstring readingStatusText(uint64_t done, uint64_t total) {
    // Documents are at most 2 GiB, far from where done times 100 would overflow.
    const uint64_t percent = total == 0 || done >= total ? 100 : done * 100 / total;
    return fitted(L"Reading the document... " + decimal(percent) + L"%");
}
