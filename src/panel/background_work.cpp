// Work the grid does between the host's messages once its rows are shown: the figures of a
// large selected range. Each tick of BACKGROUND_TIMER works for a bounded time; the status line
// shows what is known meanwhile.
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

}  // namespace

std::wstring GridPanel::selectionFiguresNote() {
    if (singleCellSelected() || !markedRows.empty() || readyRowShown() || documentScan != nullptr) {
        return {};
    }
    const CellRange range = selectedCells();
    FiguresWork& work = figuresWork;
    const bool same = work.range == range && work.generation == refreshGeneration &&
                      work.cellWrites == cellWrites && work.headerRow == headerRow;
    if (!same) {
        work.range = range;
        work.generation = refreshGeneration;
        work.cellWrites = cellWrites;
        work.headerRow = headerRow;
        work.scan.start(range);
        work.scan.step(table, headerRow, FIGURES_AT_ONCE_BYTES);
        if (!work.scan.done() && panelWindow != nullptr) {
            SetTimer(panelWindow, BACKGROUND_TIMER, USER_TIMER_MINIMUM, nullptr);
        }
    }
    return work.scan.done() ? selectionFiguresText(work.scan.figures()) : std::wstring(FIGURES_PENDING);
}

bool GridPanel::onBackgroundTimer(UINT_PTR timerId) {
    if (timerId != BACKGROUND_TIMER) {
        return false;
    }
    FiguresWork& work = figuresWork;
    const bool current = work.generation == refreshGeneration && work.cellWrites == cellWrites &&
                         work.headerRow == headerRow && documentScan == nullptr;
    if (!current || work.scan.done()) {
        // The rows or the choices changed since: the next status line begins the figures anew.
        KillTimer(panelWindow, BACKGROUND_TIMER);
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(BACKGROUND_SLICE_MS);
    while (!work.scan.step(table, headerRow, BACKGROUND_STEP_BYTES) && std::chrono::steady_clock::now() < deadline) {
    }
    if (work.scan.done()) {
        KillTimer(panelWindow, BACKGROUND_TIMER);
        updateStatusLine();
    }
    return true;
}
