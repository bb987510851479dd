// Adding and deleting rows and columns through the grid.
#include "panel/grid_panel.h"

// Inserts an empty row after the current one, as one undoable edit.
void GridPanel::addRow() {}

// Deletes the selected rows, or the current one, after the user confirms.
void GridPanel::deleteRows() {}

// Inserts an empty column at the current one, moving the later cells right.
void GridPanel::addColumn() {}

// Deletes the current column from every row after the user confirms.
void GridPanel::deleteColumn() {}

// Replaces the whole document with the rows' texts, as one undoable edit; nothing is written
// yet.
bool GridPanel::rewriteDocument() {
    return false;
}
