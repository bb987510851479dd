// Finding cells by their text and replacing it, as the find bar asks.
//
// A search starts after the current cell (before it, going backward), goes on past the end at
// the other end, and makes the cell it finds current. Up to FIND_COUNT_LIMIT_BYTES of document
// every match is counted ("match 3 of 41"); beyond that only the found one's place is told
// ("match 3"), stepped on from the last match while the user goes from match to match.
//
// Replace writes the current cell as any cell edit does. Replace all checks the document
// first and writes every changed cell in one replace, one undo step; only the matched cells'
// bytes change. A cell whose bytes are not valid in the document's encoding is left alone,
// since writing it back from its decoded text would change bytes nobody asked to change.
//
// With Regular expression the text is an ECMAScript pattern ($1, $& and the like in Replace);
// a pattern that does not compile is told in the status line and nothing is searched.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "edit/messages.h"
#include "model/cell_text.h"
#include "model/editor_access.h"
#include "panel/control_ids.h"
#include "model/row_edits.h"
#include "panel/grid_panel.h"

namespace {

constexpr uint64_t FIND_COUNT_LIMIT_BYTES = uint64_t{16} << 20;

// A regular expression's work is bounded per command (a budget of steps): what the status line
// says when a command stopped on it. Replace all then writes nothing.
constexpr wchar_t PATTERN_TOO_COSTLY_NOTE[] = L"regular expression: stopped, the pattern takes too much work";
constexpr wchar_t UNCOUNTED_NOTE[] = L" (not counted: the pattern takes too much work)";

// Lower case by the invariant rules, so ASCII letters fold as the matcher's byte path folds
// them; a text the system would change in length stays as it is.
void foldCase(std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX) {
        return;
    }
    std::wstring folded(text.size(), L'\0');
    const int length = static_cast<int>(text.size());
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.data(), length, folded.data(), length, nullptr,
                      nullptr, 0) == length) {
        text.swap(folded);
    }
}

}  // namespace

FindQuery GridPanel::findBarQuery() const {
    FindQuery query;
    query.text = findBarText(IDC_FIND_TEXT);
    query.matchCase = IsDlgButtonChecked(panelWindow, IDC_FIND_MATCH_CASE) == BST_CHECKED;
    query.wholeCell = IsDlgButtonChecked(panelWindow, IDC_FIND_WHOLE_CELL) == BST_CHECKED;
    if (IsDlgButtonChecked(panelWindow, IDC_FIND_IN_COLUMN) == BST_CHECKED && currentColumn >= 1) {
        query.column = static_cast<uint64_t>(currentColumn) - 1;
    }
    query.regex = IsDlgButtonChecked(panelWindow, IDC_FIND_REGEX) == BST_CHECKED;
    query.skipped = hiddenCellIndexes();
    return query;
}

CellMatcher GridPanel::cellMatcher(FindQuery query) const {
    const UINT codePage = static_cast<UINT>(documentCodePage);
    return CellMatcher(std::move(query), [codePage](std::string_view bytes) { return decodeCell(bytes, codePage); },
                       foldCase);
}

void GridPanel::findNext(bool backward) {
    const FindQuery query = findBarQuery();
    if (query.text.empty()) {
        showFindBar();
        return;
    }
    const CellMatcher matcher = cellMatcher(query);
    if (refusedPattern(matcher)) {
        return;
    }
    std::optional<GridCell> from;
    if (currentColumn >= 1) {
        from = GridCell{static_cast<uint64_t>(currentRow), static_cast<uint64_t>(currentColumn) - 1};
    } else if (backward || currentRow > 0) {
        // On the row numbers: forward from the row's first cell, backward from the row above.
        from = backward ? GridCell{static_cast<uint64_t>(currentRow), 0}
                        : GridCell{static_cast<uint64_t>(currentRow) - 1, UINT64_MAX};
    }
    const std::optional<FoundCell> found = findCell(table, gridRows(), matcher, shownColumnCount, from, backward);
    if (!found) {
        if (matcher.budgetExhausted()) {
            setFindNoteText(PATTERN_TOO_COSTLY_NOTE);
            return;
        }
        setFindNote(std::nullopt, std::nullopt, false, query);
        return;
    }

    std::optional<uint64_t> count;
    uint64_t ordinal = 0;
    const bool stepping = findNote.ordinal > 0 && findNote.query == query && findNote.generation == refreshGeneration &&
                          findNote.row == currentRow && findNote.column == currentColumn;
    if (table.parsedLength <= FIND_COUNT_LIMIT_BYTES) {
        // Counted once per query: going from match to match reads the rows only the first time.
        if (!matchCount.known || !(matchCount.query == query) || matchCount.generation != refreshGeneration ||
            matchCount.cellWrites != cellWrites) {
            matchCount.matches = allMatches(table, gridRows(), matcher, shownColumnCount);
            matchCount.query = query;
            matchCount.generation = refreshGeneration;
            matchCount.cellWrites = cellWrites;
            // A count cut short by a pattern's budget is no count.
            matchCount.known = !matcher.budgetExhausted();
        }
        if (matchCount.known) {
            const std::vector<GridCell>& matches = matchCount.matches;
            count = matches.size();
            ordinal = static_cast<uint64_t>(std::lower_bound(matches.begin(), matches.end(), found->cell) -
                                            matches.begin()) + 1;
        }
    } else if (stepping && !found->wrapped) {
        ordinal = backward ? findNote.ordinal - 1 : findNote.ordinal + 1;
    } else if (stepping && !backward) {
        ordinal = 1;
    } else {
        ordinal = matchOrdinal(table, gridRows(), matcher, shownColumnCount, found->cell);
    }
    selectCell(static_cast<int32_t>(found->cell.row), static_cast<int32_t>(found->cell.cell + 1), true);
    if (ordinal == 0 || matcher.budgetExhausted()) {
        // Found, but not counted: the pattern's budget ran out on the way.
        setFindNoteText(std::wstring(L"match") + (found->wrapped ? L" (wrapped)" : L"") + UNCOUNTED_NOTE);
        return;
    }
    setFindNote(ordinal, count, found->wrapped, query);
}

void GridPanel::replaceCurrent() {
    const FindQuery query = findBarQuery();
    if (query.text.empty()) {
        showFindBar();
        return;
    }
    const CellMatcher matcher = cellMatcher(query);
    if (refusedPattern(matcher)) {
        return;
    }
    const UINT codePage = static_cast<UINT>(documentCodePage);
    const auto value = currentColumn >= 1
                           ? cellAt(table, gridRows(), currentRow, static_cast<uint64_t>(currentColumn) - 1)
                           : std::nullopt;
    if (value && encodeCell(decodeCell(*value, codePage), codePage) == *value) {
        if (const auto text = matcher.replaced(*value, findBarText(IDC_REPLACE_TEXT))) {
            bool lossy = false;
            const std::string bytes = encodeCell(*text, codePage, &lossy);
            if (lossy) {
                showBox(messages::UNSTORABLE_CHARACTERS_TEXT, MB_OK | MB_ICONWARNING);
                return;
            }
            if (applyCellEdit(currentRow, static_cast<uint64_t>(currentColumn) - 1, bytes) && gridList != nullptr) {
                InvalidateRect(gridList, nullptr, FALSE);
            }
        }
    }
    findNext(false);
}

void GridPanel::replaceAll() {
    const FindQuery query = findBarQuery();
    if (query.text.empty()) {
        showFindBar();
        return;
    }
    if (fileTooLarge || table.rows.empty() || !ensureDocumentUnchanged()) {
        return;
    }
    const CellMatcher matcher = cellMatcher(query);
    if (refusedPattern(matcher)) {
        return;
    }
    const UINT codePage = static_cast<UINT>(documentCodePage);
    const std::wstring replacement = findBarText(IDC_REPLACE_TEXT);

    std::vector<std::pair<uint64_t, std::string>> rowTexts;
    std::vector<std::pair<uint64_t, std::string>> cells;  // of the row being gathered
    uint64_t changed = 0;
    uint64_t gatheredRow = UINT64_MAX;
    const auto finishRow = [&] {
        if (!cells.empty()) {
            rowTexts.emplace_back(gatheredRow, rowTextWithCells(table.rows[static_cast<size_t>(gatheredRow)], cells,
                                                                table.delimiter, table.quote));
            cells.clear();
        }
    };
    for (const GridCell& match : allMatches(table, gridRows(), matcher, shownColumnCount)) {
        const uint64_t record = recordOf(static_cast<int32_t>(std::min<uint64_t>(match.row, INT32_MAX)));
        const std::string value(table.rows[record].cell(match.cell));
        if (encodeCell(decodeCell(value, codePage), codePage) != value) {
            continue;  // bytes that do not survive decoding are not rewritten
        }
        const std::optional<std::wstring> replaced = matcher.replaced(value, replacement);
        if (!replaced) {
            // Only a pattern whose budget ran out has no answer for a matched cell: nothing of
            // a half-done Replace all is written.
            setFindNoteText(PATTERN_TOO_COSTLY_NOTE);
            return;
        }
        bool lossy = false;
        std::string bytes = encodeCell(*replaced, codePage, &lossy);
        if (lossy) {
            showBox(messages::UNSTORABLE_CHARACTERS_TEXT, MB_OK | MB_ICONWARNING);
            return;
        }
        if (bytes == value) {
            continue;
        }
        if (record != gatheredRow) {
            finishRow();
            gatheredRow = record;
        }
        cells.emplace_back(match.cell, std::move(bytes));
        ++changed;
    }
    finishRow();
    if (matcher.budgetExhausted()) {
        setFindNoteText(PATTERN_TOO_COSTLY_NOTE);
        return;
    }
    if (changed == 0) {
        setFindNoteText(findNoteText(std::nullopt, std::nullopt, false));
        return;
    }
    // Each row with a replaced cell is written from its first to its last changed byte.
    for (auto& [row, text] : rowTexts) {
        text.append(table.rows.eol(row));
    }
    const bool written = writeEdits(rowEdits(table.rows, rowTexts));
    finishOperation(written, currentRow, currentColumn);
    if (written) {
        setFindNoteText(changed == 1 ? std::wstring(L"1 cell replaced") : std::to_wstring(changed) + L" cells replaced");
    }
}

bool GridPanel::refusedPattern(const CellMatcher& matcher) {
    const std::wstring error = matcher.patternError();
    if (error.empty()) {
        return false;
    }
    setFindNoteText(error);
    return true;
}

void GridPanel::setFindNote(std::optional<uint64_t> ordinal, std::optional<uint64_t> count, bool wrapped,
                            const FindQuery& query) {
    setFindNoteText(findNoteText(ordinal, count, wrapped));
    findNote.ordinal = ordinal.value_or(0);
    findNote.query = query;
}

void GridPanel::setFindNoteText(std::wstring text) {
    findNote.row = currentRow;
    findNote.column = currentColumn;
    findNote.generation = refreshGeneration;
    findNote.ordinal = 0;
    findNote.query = FindQuery{};
    findNote.text = std::move(text);
    updateStatusLine();
}

std::wstring GridPanel::findStatusNote() const {
    const bool applies = findNote.generation == refreshGeneration && findNote.row == currentRow &&
                         findNote.column == currentColumn;
    return applies ? findNote.text : std::wstring();
}
