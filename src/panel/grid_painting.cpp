// Painting of the owner-drawn grid: rows, cells, the current cell, and the header in dark mode.
#include "panel/grid_panel.h"

// Paints one grid row cell by cell; the list has no rows to paint yet.
void GridPanel::drawGridRow(const DRAWITEMSTRUCT* /*item*/) {}

// Lets the header draw itself; dark mode will paint its items through drawHeaderItem.
LRESULT GridPanel::onHeaderCustomDraw(const NMCUSTOMDRAW* /*draw*/) {
    return CDRF_DODEFAULT;
}

// Paints one header item in the dark colours; until it does, the header paints itself.
LRESULT GridPanel::drawHeaderItem(const NMCUSTOMDRAW* /*draw*/) {
    return CDRF_DODEFAULT;
}

// Answers the list's request for an item's text; the list has no items yet.
void GridPanel::serveItemText(NMLVDISPINFOW* /*dispInfo*/) {}

// The rectangle of a cell in the list's client coordinates; no cell is laid out yet.
bool GridPanel::cellRect(int32_t /*gridRow*/, int32_t /*listColumn*/, RECT& /*rect*/) {
    return false;
}
