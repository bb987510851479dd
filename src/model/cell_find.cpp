#include "model/cell_find.h"

#include <algorithm>

#include "model/row_text.h"

namespace {

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The cells of a row the search may look at: the first cellLimit, or the one column.
struct CellRange {
    uint64_t from = 0;
    uint64_t to = 0;  // exclusive
};

CellRange searchableCells(const CsvRow& row, uint64_t cellLimit, const std::optional<uint64_t>& column) {
    const uint64_t count = std::min(row.cellCount(), cellLimit);
    if (column) return *column < count ? CellRange{*column, *column + 1} : CellRange{};
    return {0, count};
}

// Whether the search passes over a cell.
bool skippedCell(const FindQuery& query, uint64_t cell) {
    return !query.skipped.empty() && std::binary_search(query.skipped.begin(), query.skipped.end(), cell);
}

// The first match in the row's cells [from, to) in the direction, within what is searchable.
std::optional<uint64_t> matchInRow(const CsvRow& row, const CellMatcher& matcher, uint64_t cellLimit, uint64_t from,
                                   uint64_t to, bool backward) {
    const CellRange cells = searchableCells(row, cellLimit, matcher.query().column);
    from = std::max(from, cells.from);
    to = std::min(to, cells.to);
    if (from >= to) return std::nullopt;
    if (!backward) {
        for (uint64_t c = from; c < to && !matcher.budgetExhausted(); ++c) {
            if (!skippedCell(matcher.query(), c) && matcher.matches(row.cell(c))) return c;
        }
    } else {
        for (uint64_t c = to; c-- > from && !matcher.budgetExhausted();) {
            if (!skippedCell(matcher.query(), c) && matcher.matches(row.cell(c))) return c;
        }
    }
    return std::nullopt;
}

constexpr uint64_t ALL_CELLS = UINT64_MAX;

}  // namespace

std::wstring decodeUtf8(std::string_view bytes) {
    std::wstring text;
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        uint32_t code = 0xFFFD;
        size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xF4) {
            const size_t need = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            uint32_t value = lead & (0xFF >> (need + 1));
            size_t k = 1;
            while (k < need && i + k < bytes.size() && (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80) {
                value = (value << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
                ++k;
            }
            const bool overlong = (need == 3 && value < 0x800) || (need == 4 && value < 0x10000);
            if (k == need && !overlong && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
                code = value;
                length = need;
            }
        }
        if constexpr (sizeof(wchar_t) == 2) {
            if (code >= 0x10000) {
                text.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
                text.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
            } else {
                text.push_back(static_cast<wchar_t>(code));
            }
        } else {
            text.push_back(static_cast<wchar_t>(code));
        }
        i += length;
    }
    return text;
}

void foldAsciiCase(std::wstring& text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
}

CellMatcher::CellMatcher(FindQuery query, CellDecoder decode, CaseFolder fold, uint64_t regexSteps)
    : query_(std::move(query)), decode_(std::move(decode)), fold_(std::move(fold)), needle_(query_.text),
      budget_(regexSteps) {
    if (query_.regex) {
        pattern_.emplace(query_.text, query_.matchCase ? CaseFolder() : fold_);
        return;
    }
    if (!query_.matchCase) fold_(needle_);
    asciiNeedleUsable_ = std::all_of(needle_.begin(), needle_.end(), [](wchar_t c) { return c < 0x80; });
    if (asciiNeedleUsable_) {
        for (const wchar_t c : needle_) asciiNeedle_.push_back(static_cast<char>(c));
    }
}

bool CellMatcher::matches(std::string_view value) const {
    if (needle_.empty()) return false;
    if (pattern_) {
        if (!pattern_->error().empty() || budget_.exhausted()) return false;
        const auto extent = query_.wholeCell ? TextPattern::Extent::Whole : TextPattern::Extent::Part;
        return pattern_->test(patternSubject(value), extent, budget_);
    }
    if (isAscii(value)) {
        // An ASCII value decodes to the same characters and folds to its lower-case letters;
        // a needle with other characters cannot be in it.
        return asciiNeedleUsable_ && matchesAscii(value);
    }
    return matchesText(decode_(value));
}

bool CellMatcher::matchesAscii(std::string_view value) const {
    const std::string_view needle = asciiNeedle_;
    if (query_.wholeCell && value.size() != needle.size()) return false;
    if (value.size() < needle.size()) return false;
    const auto same = [&](char a, char b) { return (query_.matchCase ? a : lowerAscii(a)) == b; };
    if (query_.wholeCell) return std::equal(value.begin(), value.end(), needle.begin(), same);
    return std::search(value.begin(), value.end(), needle.begin(), needle.end(), same) != value.end();
}

bool CellMatcher::matchesText(std::wstring text) const {
    if (!query_.matchCase) fold_(text);
    return query_.wholeCell ? text == needle_ : text.find(needle_) != std::wstring::npos;
}

const std::wstring& CellMatcher::patternSubject(std::string_view value) const {
    if (isAscii(value)) {
        // Decoded, an ASCII value is its bytes, and folded, the same with letters in lower case.
        subject_.resize(value.size());
        for (size_t i = 0; i < value.size(); ++i) {
            subject_[i] = static_cast<wchar_t>(query_.matchCase ? value[i] : lowerAscii(value[i]));
        }
    } else {
        subject_ = decode_(value);
        if (!query_.matchCase) fold_(subject_);
    }
    return subject_;
}

std::optional<std::wstring> CellMatcher::replacedByPattern(std::string_view value,
                                                           std::wstring_view replacement) const {
    if (needle_.empty()) return std::nullopt;
    const std::wstring text = decode_(value);
    std::wstring subject = text;
    if (!query_.matchCase) fold_(subject);
    // The fold keeps lengths, so a match's bounds in the folded text are those in the text.
    const size_t groups = pattern_->groupCount();
    const size_t wanted = groupsReferenced(replacement, groups);
    if (query_.wholeCell) {
        const auto match = pattern_->find(subject, 0, TextPattern::Extent::Whole, wanted, budget_);
        if (!match) return std::nullopt;
        return substitutedReplacement(replacement, text, *match, groups);
    }
    std::wstring result;
    size_t copied = 0;  // the text before this is in result
    size_t from = 0;
    bool found = false;
    while (from <= subject.size()) {
        const auto match = pattern_->find(subject, from, TextPattern::Extent::Part, wanted, budget_);
        if (!match) break;
        found = true;
        result.append(text, copied, match->start() - copied);
        result.append(substitutedReplacement(replacement, text, *match, groups));
        copied = match->end();
        from = match->end() > match->start() ? match->end() : match->end() + 1;
    }
    if (!found || budget_.exhausted()) return std::nullopt;
    result.append(text, copied, std::wstring::npos);
    return result;
}

std::optional<std::wstring> CellMatcher::replaced(std::string_view value, std::wstring_view replacement) const {
    if (pattern_) return replacedByPattern(value, replacement);
    if (!matches(value)) return std::nullopt;
    if (query_.wholeCell) return std::wstring(replacement);
    const std::wstring text = decode_(value);
    std::wstring folded = text;
    if (!query_.matchCase) fold_(folded);
    // The fold keeps lengths, so a match found in the folded text stands at the same place in
    // the text itself.
    std::wstring result;
    size_t at = 0;
    for (size_t hit = folded.find(needle_); hit != std::wstring::npos; hit = folded.find(needle_, at)) {
        result.append(text, at, hit - at);
        result.append(replacement);
        at = hit + needle_.size();
    }
    result.append(text, at, std::wstring::npos);
    return result;
}

std::optional<FoundCell> findCell(const CsvTable& table, bool headerRow, const CellMatcher& matcher,
                                  uint64_t cellLimit, std::optional<GridCell> from, bool backward) {
    return findCell(table, allGridRows(table, headerRow), matcher, cellLimit, from, backward);
}

std::optional<FoundCell> findCell(const CsvTable& table, const GridRows& gridRows, const CellMatcher& matcher,
                                  uint64_t cellLimit, std::optional<GridCell> from, bool backward) {
    const uint64_t rows = gridRows.count;
    if (rows == 0) return std::nullopt;
    const auto rowAt = [&](uint64_t gridRow) -> CsvRow {
        return table.rows[static_cast<size_t>(gridRows.tableRow(gridRow))];
    };
    const auto look = [&](uint64_t gridRow, uint64_t lo, uint64_t hi) -> std::optional<GridCell> {
        if (const auto c = matchInRow(rowAt(gridRow), matcher, cellLimit, lo, hi, backward)) return GridCell{gridRow, *c};
        return std::nullopt;
    };
    // Once the budget is spent nothing matches: the rows left are not read.
    const auto stopped = [&] { return matcher.budgetExhausted(); };

    if (!from) {
        for (uint64_t i = 0; i < rows && !stopped(); ++i) {
            const uint64_t r = backward ? rows - 1 - i : i;
            if (const auto hit = look(r, 0, ALL_CELLS)) return FoundCell{*hit, false};
        }
        return std::nullopt;
    }
    const uint64_t startRow = std::min(from->row, rows - 1);
    const uint64_t startCell = from->row < rows ? std::min(from->cell, ALL_CELLS - 1) : ALL_CELLS - 1;
    if (!backward) {
        // After the cell to the end, then from the top up to the cell itself.
        if (const auto hit = look(startRow, startCell + 1, ALL_CELLS)) return FoundCell{*hit, false};
        for (uint64_t r = startRow + 1; r < rows && !stopped(); ++r) {
            if (const auto hit = look(r, 0, ALL_CELLS)) return FoundCell{*hit, false};
        }
        for (uint64_t r = 0; r < startRow && !stopped(); ++r) {
            if (const auto hit = look(r, 0, ALL_CELLS)) return FoundCell{*hit, true};
        }
        if (const auto hit = look(startRow, 0, startCell + 1)) return FoundCell{*hit, true};
    } else {
        if (const auto hit = look(startRow, 0, startCell)) return FoundCell{*hit, false};
        for (uint64_t r = startRow; r-- > 0 && !stopped();) {
            if (const auto hit = look(r, 0, ALL_CELLS)) return FoundCell{*hit, false};
        }
        for (uint64_t r = rows; --r > startRow && !stopped();) {
            if (const auto hit = look(r, 0, ALL_CELLS)) return FoundCell{*hit, true};
        }
        if (const auto hit = look(startRow, startCell, ALL_CELLS)) return FoundCell{*hit, true};
    }
    return std::nullopt;
}

std::vector<GridCell> allMatches(const CsvTable& table, bool headerRow, const CellMatcher& matcher,
                                 uint64_t cellLimit) {
    return allMatches(table, allGridRows(table, headerRow), matcher, cellLimit);
}

std::vector<GridCell> allMatches(const CsvTable& table, const GridRows& gridRows, const CellMatcher& matcher,
                                 uint64_t cellLimit) {
    std::vector<GridCell> found;
    const uint64_t rows = gridRows.count;
    for (uint64_t r = 0; r < rows && !matcher.budgetExhausted(); ++r) {
        const CsvRow& row = table.rows[static_cast<size_t>(gridRows.tableRow(r))];
        const CellRange cells = searchableCells(row, cellLimit, matcher.query().column);
        for (uint64_t c = cells.from; c < cells.to; ++c) {
            if (!skippedCell(matcher.query(), c) && matcher.matches(row.cell(c))) found.push_back({r, c});
        }
    }
    return found;
}

uint64_t matchOrdinal(const CsvTable& table, bool headerRow, const CellMatcher& matcher, uint64_t cellLimit,
                      GridCell cell) {
    return matchOrdinal(table, allGridRows(table, headerRow), matcher, cellLimit, cell);
}

uint64_t matchOrdinal(const CsvTable& table, const GridRows& gridRows, const CellMatcher& matcher, uint64_t cellLimit,
                      GridCell cell) {
    uint64_t ordinal = 0;
    const uint64_t rows = std::min(gridRows.count, cell.row + 1);
    for (uint64_t r = 0; r < rows && !matcher.budgetExhausted(); ++r) {
        const CsvRow& row = table.rows[static_cast<size_t>(gridRows.tableRow(r))];
        const CellRange cells = searchableCells(row, cellLimit, matcher.query().column);
        const uint64_t to = r == cell.row ? std::min(cells.to, cell.cell + 1) : cells.to;
        for (uint64_t c = cells.from; c < to; ++c) {
            if (!skippedCell(matcher.query(), c) && matcher.matches(row.cell(c))) ++ordinal;
        }
    }
    return ordinal;
}

std::wstring findNoteText(std::optional<uint64_t> ordinal, std::optional<uint64_t> count, bool wrapped) {
    if (!ordinal) return L"no match";
    std::wstring text = L"match " + std::to_wstring(*ordinal);
    if (count) text += L" of " + std::to_wstring(*count);
    if (wrapped) text += L" (wrapped)";
    return text;
}

std::string rowTextWithCells(const CsvRow& row, const std::vector<std::pair<uint64_t, std::string>>& cells,
                             char delimiter, char quote) {
    const std::string_view raw = row.raw();
    std::string text;
    text.reserve(raw.size() + 16);
    uint64_t at = 0;
    for (const auto& [index, value] : cells) {
        if (index >= row.cellCount() || row.cellStart(index) < at) continue;
        text.append(raw.substr(static_cast<size_t>(at), static_cast<size_t>(row.cellStart(index) - at)));
        text.append(quoteField(value, delimiter, quote));
        at = row.cellEnd(index);
    }
    text.append(raw.substr(static_cast<size_t>(at)));
    return text;
}

