// Hidden and frozen columns. A hidden column stays a column of the list with no width, which the
// keyboard, copying, clearing and finding pass over, and whose place is marked between its
// neighbours' titles. Frozen columns, the data columns up to the one the user chose, stay at the
// list's left edge after the row numbers while the rest scroll sideways beneath them.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "model/column_edit.h"
#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"

namespace {

// The mark of hidden columns between two titles, at 96 DPI: two short lines either side of the
// place.
constexpr int HIDDEN_MARK_HALF_WIDTH = 2;
constexpr int HIDDEN_MARK_INSET = 4;

}  // namespace

bool GridPanel::columnHidden(int32_t listColumn) const {
    return listColumn >= 1 && gridView.columns.isHidden(static_cast<uint64_t>(listColumn) - 1);
}

int32_t GridPanel::shownColumnNear(int32_t target, int32_t from) const {
    if (!columnHidden(target)) {
        return target;
    }
    const auto last = static_cast<int32_t>(shownColumnCount);
    const int32_t direction = target < from ? -1 : 1;
    for (int32_t step : {direction, -direction}) {
        for (int32_t column = target + step; column >= 1 && column <= last; column += step) {
            if (!columnHidden(column)) {
                return column;
            }
        }
    }
    return target;
}

std::vector<uint64_t> GridPanel::hiddenCellIndexes() const {
    std::vector<uint64_t> cells;
    for (const uint64_t cell : gridView.columns.hiddenCells()) {
        if (cell < shownColumnCount) {
            cells.push_back(cell);
        }
    }
    return cells;
}

void GridPanel::hideColumn(int32_t listColumn) {
    if (gridList == nullptr || listColumn < 1 || static_cast<uint64_t>(listColumn) > shownColumnCount ||
        columnHidden(listColumn) || hiddenCellIndexes().size() + 1 >= shownColumnCount) {
        return;  // the last shown column stays
    }
    const auto cell = static_cast<uint64_t>(listColumn) - 1;
    hiddenWidths[cell] = columnWidth(listColumn);
    gridView.columns.hide(cell);
    SendMessageW(gridList, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(listColumn), 0);
    selectCell(currentRow, shownColumnNear(listColumn, listColumn - 1), true);
    layoutFilterBoxes();
    updateHeaderMarks();
    updateStatusLine();
}

void GridPanel::showHiddenColumns() {
    if (gridList == nullptr) {
        return;
    }
    for (const uint64_t cell : hiddenCellIndexes()) {
        const auto found = hiddenWidths.find(cell);
        const int width = found != hiddenWidths.end() && found->second > 0 ? found->second : scaled(DATA_COLUMN_WIDTH);
        SendMessageW(gridList, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(cell + 1), width);
    }
    gridView.columns.showAll();
    hiddenWidths.clear();
    layoutFilterBoxes();
    updateHeaderMarks();
    InvalidateRect(gridList, nullptr, FALSE);
}

// Hidden columns keep no width: after the list's columns are made again, and after the widths
// of a remembered view were put back.
void GridPanel::applyHiddenWidths() {
    if (gridList == nullptr) {
        return;
    }
    gridView.columns.setColumnCount(shownColumnCount);
    for (const uint64_t cell : hiddenCellIndexes()) {
        const WPARAM column = static_cast<WPARAM>(cell + 1);
        const int width = columnWidth(static_cast<int32_t>(column));
        if (width > 0) {
            hiddenWidths[cell] = width;
            SendMessageW(gridList, LVM_SETCOLUMNWIDTH, column, 0);
        }
    }
}

void GridPanel::freezeColumnsUpTo(int32_t listColumn) {
    frozenThrough = std::clamp<int32_t>(listColumn, 0, static_cast<int32_t>(shownColumnCount));
    gridView.columns.setFrozenCount(static_cast<uint64_t>(frozenThrough));
    afterSidewaysScroll();
    ensureCellVisible(currentRow, currentColumn);
    updateStatusLine();
}

int32_t GridPanel::frozenColumns() const {
    return std::min<int32_t>(frozenThrough, static_cast<int32_t>(shownColumnCount));
}

std::vector<int> GridPanel::frozenRights() const {
    std::vector<int> rights;
    int right = 0;
    for (int32_t column = 0; column <= frozenColumns() && gridList != nullptr; ++column) {
        right += columnWidth(column);
        rights.push_back(right);
    }
    return rights;
}

int GridPanel::frozenWidth() const {
    const std::vector<int> rights = frozenRights();
    return rights.empty() ? 0 : rights.back();
}

LPARAM GridPanel::headerPointOverTitles(LPARAM point) const {
    const int scroll = sidewaysScroll();
    const int x = GET_X_LPARAM(point);
    if (scroll == 0 || x - scroll < 0 || x - scroll >= frozenWidth()) {
        return point;
    }
    return MAKELPARAM(static_cast<short>(x - scroll), static_cast<short>(GET_Y_LPARAM(point)));
}

// The hidden columns' places in the titles: a pair of short lines on the line between the
// neighbours.
void GridPanel::drawHiddenColumnMarks(HDC dc, HWND header) const {
    const int scroll = sidewaysScroll();
    const int frozenRight = frozenWidth();
    const int half = scaled(HIDDEN_MARK_HALF_WIDTH);
    ScopedPen pen(CreatePen(PS_SOLID, 1, darkMode ? colors.headerText : GetSysColor(COLOR_BTNTEXT)));
    SelectedObject selectedPen(dc, pen.get());
    for (const uint64_t cell : hiddenCellIndexes()) {
        RECT item{};
        if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(cell + 1), reinterpret_cast<LPARAM>(&item))) {
            continue;
        }
        int x = item.left;
        if (static_cast<int32_t>(cell + 1) <= frozenColumns()) {
            x += scroll;  // a frozen place stays with the frozen titles
        } else if (x - scroll < frozenRight) {
            continue;  // under the frozen titles
        }
        const int top = item.top + scaled(HIDDEN_MARK_INSET);
        const int bottom = item.bottom - scaled(HIDDEN_MARK_INSET) - (filterRowShown ? filterRowHeight() : 0);
        for (const int side : {-half, half}) {
            MoveToEx(dc, x + side, top, nullptr);
            LineTo(dc, x + side, bottom);
        }
    }
}

// What the view keeps by cell follows the columns of an insert, erase or move: the filter's
// conditions, hidden columns and their widths, and the frozen ones.
void GridPanel::followColumnEdit(const ColumnEdit& edit) {
    const std::vector<std::pair<uint64_t, std::wstring>> conditions = gridView.rows.conditionTexts();
    gridView.rows.clearConditions();
    for (const auto& [cell, text] : conditions) {
        if (const auto moved = cellAfterEdit(edit, cell)) {
            gridView.rows.setCondition(*moved, text);
        }
    }
    const std::vector<uint64_t> hidden = gridView.columns.hiddenCells();
    const std::map<uint64_t, int> widths = std::move(hiddenWidths);
    hiddenWidths.clear();
    gridView.columns.showAll();
    for (const uint64_t cell : hidden) {
        if (const auto moved = cellAfterEdit(edit, cell)) {
            gridView.columns.hide(*moved);
            if (const auto width = widths.find(cell); width != widths.end()) {
                hiddenWidths[*moved] = width->second;
            }
        }
    }
    if (frozenThrough > 0) {
        const auto last = static_cast<uint64_t>(frozenThrough) - 1;
        if (edit.change == ColumnChange::Insert && edit.cellIndex <= last) {
            ++frozenThrough;
        } else if (edit.change == ColumnChange::Erase && edit.cellIndex <= last) {
            --frozenThrough;
        }
    }
    fillFilterBoxes();
}
