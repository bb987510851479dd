// The rows with problems as the grid shows them: a mark in the row numbers, what is wrong in
// the status line (under the mouse, or after F8), and F8 / Shift+F8 from problem to problem.
// The titles' own record is no grid row: its problems count, but F8 passes over it.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "panel/grid_panel.h"

namespace {

constexpr wchar_t NO_PROBLEMS_NOTE[] = L"no problems found";
constexpr wchar_t STILL_LOOKING_NOTE[] = L"looking for problems\u2026";
constexpr wchar_t ONLY_PROBLEM_NOTE[] = L" (the only one)";
constexpr wchar_t WRAPPED_NOTE[] = L" (wrapped)";

}  // namespace

bool GridPanel::rowHasProblem(int32_t gridRow) const {
    if (gridRow < 0 || readyRowShown() || static_cast<uint64_t>(gridRow) >= gridRowCount()) {
        return false;
    }
    return problemFinder.problemAt(recordOf(gridRow)).has_value();
}

std::wstring GridPanel::problemNote(int32_t gridRow) const {
    if (!rowHasProblem(gridRow)) {
        return {};
    }
    return problemText(*problemFinder.problemAt(recordOf(gridRow)));
}

void GridPanel::goToProblem(bool backward) {
    if (gridRowCount() == 0 || readyRowShown()) {
        return;
    }
    const bool titlesOnly = problemFinder.count() == 1 && headerRow && problemFinder.problemAt(0);
    if (problemFinder.count() == 0 || titlesOnly) {
        setFindNoteText(problemFinder.done() ? NO_PROBLEMS_NOTE : STILL_LOOKING_NOTE);
        return;
    }
    // The next problem row the grid shows: the header record and rows the filter hides are
    // passed over, and the search ends where it began.
    const uint64_t start = recordOf(currentRow);
    uint64_t from = start;
    bool wrapped = false;
    std::optional<int32_t> target;
    for (uint64_t tries = 0; tries <= problemFinder.count() && !target; ++tries) {
        const std::optional<ProblemStep> step = problemFinder.next(from, backward);
        if (!step || step->row == start) {
            break;
        }
        wrapped = wrapped || step->wrapped;
        target = gridRowOf(step->row);
        from = step->row;
    }
    if (!target) {
        // The current row is the only one with a problem, or the only ones are hidden.
        setFindNoteText(rowHasProblem(currentRow) ? problemNote(currentRow) + ONLY_PROBLEM_NOTE
                                                  : std::wstring(NO_PROBLEMS_NOTE));
        return;
    }
    selectCell(*target, currentColumn, true);
    syncEditorCaret();
    setFindNoteText(problemNote(*target) + (wrapped ? WRAPPED_NOTE : L""));
}
