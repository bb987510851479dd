// Work the grid does between the host's messages once its rows are shown: finding the rows
// with problems after each reading, and the figures of a large selected range. Each tick of
// BACKGROUND_TIMER works for a bounded time; the status line shows what is known meanwhile.
#include <windows.h>

#include <chrono>

#include "panel/control_ids.h"
#include "panel/grid_panel.h"

namespace {

// A range up to this many bytes of rows is read while the status line is written; a larger
// one in the background.
constexpr uint64_t FIGURES_AT_ONCE_BYTES = uint64_t(256) << 10;

// What the status line shows for figures still being worked out.
constexpr const wchar_t* FIGURES_PENDING = L"Count \u2026";

// The problem finder reads this much of the document between looks at the clock; the first
// step, taken as the rows are shown, as much (so a small document shows its marks at once).
constexpr uint64_t PROBLEMS_STEP_BYTES = uint64_t(1) << 20;

constexpr int UTF8_CODE_PAGE = 65001;

}  // namespace

void GridPanel::scheduleBackgroundWork() {
    if (panelWindow != nullptr) {
        SetTimer(panelWindow, BACKGROUND_TIMER, USER_TIMER_MINIMUM, nullptr);
    }
}

void GridPanel::startFindingProblems() {
    problemFinder.reset();
    if (!problemFinder.step(table, headerRow, documentCodePage == UTF8_CODE_PAGE, PROBLEMS_STEP_BYTES)) {
        scheduleBackgroundWork();
    }
}

void GridPanel::noteRowsChanged(uint64_t first, uint64_t oldLast, uint64_t newLast, bool outside) {
    // The filter follows: outside edits have their new rows tested, the grid's own edits keep
    // the rows they wrote in view.
    if (outside) {
        gridView.rows.rowsReplaced(table, first, oldLast, newLast);
    } else {
        gridView.rows.rowsEdited(table, first, oldLast, newLast);
    }
    // The marks of rows the change left alone change too when every row was judged again.
    if (problemFinder.update(table, first, oldLast, newLast) && gridList != nullptr) {
        InvalidateRect(gridList, nullptr, FALSE);
    }
    if (!problemFinder.done()) {
        scheduleBackgroundWork();
    }
}

std::wstring GridPanel::selectionFiguresNote() {
    if (singleCellSelected() || !markedRows.empty() || readyRowShown() || documentScan != nullptr) {
        return {};
    }
    const CellRange range = selectedCells();
    FiguresWork& work = figuresWork;
    const bool same = work.range == range && work.generation == refreshGeneration &&
                      work.cellWrites == cellWrites && work.headerRow == headerRow && work.filterChanges == filterChanges;
    if (!same) {
        work.range = range;
        work.generation = refreshGeneration;
        work.cellWrites = cellWrites;
        work.headerRow = headerRow;
        work.filterChanges = filterChanges;
        work.scan.start(range);
        work.scan.step(table, gridRows(), FIGURES_AT_ONCE_BYTES);
        if (!work.scan.done()) {
            scheduleBackgroundWork();
        }
    }
    return work.scan.done() ? selectionFiguresText(work.scan.figures()) : std::wstring(FIGURES_PENDING);
}

bool GridPanel::onBackgroundTimer(UINT_PTR timerId) {
    if (timerId != BACKGROUND_TIMER) {
        return false;
    }
    if (documentScan != nullptr || fileTooLarge) {
        // A reading under way: its end schedules the work again.
        KillTimer(panelWindow, BACKGROUND_TIMER);
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(BACKGROUND_SLICE_MS);
    const auto timeLeft = [&] { return std::chrono::steady_clock::now() < deadline; };
    bool shownChanged = false;

    // A filter being applied first: the rows shown wait for it.
    if (filterRun != nullptr) {
        continueFilterRun(BACKGROUND_SLICE_MS);
        if (filterRun != nullptr) {
            updateStatusLine();
            return true;
        }
    }

    // The problems next: the marks and the count belong to the whole grid.
    if (!problemFinder.done()) {
        const bool utf8 = documentCodePage == UTF8_CODE_PAGE;
        while (!problemFinder.step(table, headerRow, utf8, PROBLEMS_STEP_BYTES) && timeLeft()) {
        }
        if (problemFinder.done()) {
            shownChanged = true;
            if (gridList != nullptr) {
                InvalidateRect(gridList, nullptr, FALSE);
            }
        }
    }

    // Then the figures of the selected range, for the rows and the choices they were begun on;
    // any change since begins them anew with the next status line.
    FiguresWork& work = figuresWork;
    const bool figuresCurrent = work.generation == refreshGeneration && work.cellWrites == cellWrites &&
                                work.headerRow == headerRow && work.filterChanges == filterChanges;
    if (figuresCurrent && !work.scan.done() && timeLeft()) {
        while (!work.scan.step(table, gridRows(), BACKGROUND_STEP_BYTES) && timeLeft()) {
        }
        shownChanged = shownChanged || work.scan.done();
    }

    if (problemFinder.done() && (!figuresCurrent || work.scan.done())) {
        KillTimer(panelWindow, BACKGROUND_TIMER);
    }
    if (shownChanged) {
        updateStatusLine();
    }
    return true;
}
