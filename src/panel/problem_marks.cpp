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
    return problemFinder.problemAt(modelRowIndex(gridRow, headerRow)).has_value();
}

std::wstring GridPanel::problemNote(int32_t gridRow) const {
    if (!rowHasProblem(gridRow)) {
        return {};
    }
    return problemText(*problemFinder.problemAt(modelRowIndex(gridRow, headerRow)));
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
    const auto fromRow = [&](uint64_t row) { return problemFinder.next(row, backward); };
    std::optional<ProblemStep> step = fromRow(modelRowIndex(currentRow, headerRow));
    if (step && headerRow && step->row == 0) {
        const bool wrapped = step->wrapped;
        step = fromRow(0);
        if (step) {
            step->wrapped = step->wrapped || wrapped;
        }
    }
    if (!step || (headerRow && step->row == 0)) {
        // The current row is the only one with a problem.
        setFindNoteText(problemNote(currentRow) + ONLY_PROBLEM_NOTE);
        return;
    }
    const auto row = static_cast<int32_t>(std::min<uint64_t>(headerRow ? step->row - 1 : step->row, INT32_MAX));
    selectCell(row, currentColumn, true);
    syncEditorCaret();
    setFindNoteText(problemNote(row) + (step->wrapped ? WRAPPED_NOTE : L""));
}
