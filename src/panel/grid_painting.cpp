// Painting of the owner-drawn grid: rows, cells, the current cell, and the header in dark mode;
// the texts the list asks for, and the rectangle of any cell.
//
// The list draws nothing of a row itself. Every visible row arrives as WM_DRAWITEM and is
// painted here cell by cell, from the row model, with nothing cached between paints. Only
// the columns that intersect the client area are drawn, so a 512-column row costs only its
// visible cells. Every brush and pen made here is deleted before the message returns; the
// font and the colours belong to the panel.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <string>

#include "model/cell_text.h"
#include "model/row_text.h"
#include "model/number_text.h"
#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"

namespace {

// Lengths at 96 DPI, scaled when used.
constexpr int CELL_TEXT_INSET = 4;          // left and right of each body cell's text
constexpr int HEADER_TEXT_INSET_LEFT = 6;   // dark-mode header titles
constexpr int HEADER_TEXT_INSET_RIGHT = 4;
constexpr int CURRENT_CELL_FRAME_WIDTH = 1;
constexpr int HEADER_SEPARATOR_INSET = 2;   // fixed: the separator stops short of both edges
// The sort arrow of a dark header item, at 96 DPI: half its base, and the gap before the text.
constexpr int SORT_ARROW_HALF_WIDTH = 4;
constexpr int SORT_ARROW_GAP = 4;
constexpr int GRID_LINE_WIDTH = 1;          // fixed at every DPI

// The current cell's frame; not a theme colour, so it reads the same on every palette.
constexpr COLORREF FRAME_COLOR_LIGHT = RGB(33, 107, 196);
constexpr COLORREF FRAME_COLOR_DARK = RGB(154, 200, 255);
// The mark of a row with a problem: a triangle in the row number's top left corner, its sides
// PROBLEM_MARK_SIZE long at 96 DPI, in a warning colour that stands out on either header colour.
constexpr int PROBLEM_MARK_SIZE = 7;
constexpr COLORREF PROBLEM_MARK_LIGHT = RGB(214, 48, 0);
constexpr COLORREF PROBLEM_MARK_DARK = RGB(255, 132, 92);

// The header's item in its visual style, unpressed (HP_HEADERITEM, HIS_NORMAL).
constexpr int HEADER_ITEM_PART = 1;
constexpr int HEADER_ITEM_NORMAL = 1;

// Header titles are read into a buffer of this many characters, one kept for the terminator.
constexpr int HEADER_TEXT_CAPACITY = 512;

constexpr UINT BODY_TEXT_FORMAT = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr UINT ROW_NUMBER_FORMAT = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
// A cell that reads as a number is right-aligned, as in a spreadsheet.
constexpr UINT NUMBER_TEXT_FORMAT = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr UINT HEADER_TEXT_FORMAT = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

// A line with the pen selected in the DC, from (x1, y1) up to but not including (x2, y2).
void drawLine(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// The ready row of a grid without data rows is no record yet: it has a mark, not a number.
constexpr wchar_t READY_ROW_MARK[] = L"*";

// The mark of a row kept in a filtered grid though it no longer meets the filter: a triangle in
// the lower left corner of its number.
constexpr int KEPT_MARK_SIZE = 7;
constexpr COLORREF KEPT_MARK_LIGHT = RGB(0, 110, 200);
constexpr COLORREF KEPT_MARK_DARK = RGB(110, 175, 255);

}  // namespace

// The first of the marks for a line break that the grid's font has a glyph for: the return
// arrow, the return symbol, the pilcrow; a bar when it has none of them, never a missing-glyph box.
void GridPanel::pickLineBreakMark() {
    lineBreakMark = L'|';
    WindowDC dc(panelWindow);
    if (!dc) {
        return;
    }
    SelectedObject selectedFont(dc.get(), font);
    for (const wchar_t mark : {LINE_BREAK_MARK, L'\x23CE', L'\x00B6'}) {
        WORD glyph = 0xFFFF;
        if (GetGlyphIndicesW(dc.get(), &mark, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 && glyph != 0xFFFF) {
            lineBreakMark = mark;
            return;
        }
    }
}

// The one-line text of a data cell (list column 1 and up), or empty when the row is short or
// the row does not exist.
std::wstring GridPanel::cellDisplayText(int32_t gridRow, int32_t listColumn) const {
    if (listColumn < 1) {
        return std::wstring();
    }
    const auto cell = cellAt(table, gridRows(), gridRow, static_cast<uint64_t>(listColumn - 1));
    if (!cell) {
        return std::wstring();
    }
    return displayText(decodeCell(*cell, static_cast<UINT>(documentCodePage)), lineBreakMark);
}

void GridPanel::drawGridRow(const DRAWITEMSTRUCT* item) {
    if (item == nullptr || gridList == nullptr || item->hwndItem != gridList || item->itemID == static_cast<UINT>(-1)) {
        return;
    }
    const HDC dc = item->hDC;
    const int32_t row = static_cast<int32_t>(item->itemID);

    // The selection is the panel's: the range and the marked rows, never the list's state.
    const CellRange range = selectedCells();
    const bool marked = rowIsMarked(row);
    const COLORREF rowBackground = (item->itemID % 2 != 0) ? colors.alternateBackground : colors.background;
    const COLORREF rowText = colors.text;
    const COLORREF rangeBackground = darkMode ? colors.selectionBackground : GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF rangeText = darkMode ? colors.text : GetSysColor(COLOR_HIGHLIGHTTEXT);
    fillSolid(dc, item->rcItem, rowBackground);

    ScopedPen gridPen(CreatePen(PS_SOLID, GRID_LINE_WIDTH, colors.gridLine));
    SelectedObject selectedFont(dc, font);
    SelectedObject selectedGridPen(dc, gridPen.get());
    SetBkMode(dc, TRANSPARENT);
    drawLine(dc, item->rcItem.left, item->rcItem.bottom - 1, item->rcItem.right, item->rcItem.bottom - 1);

    RECT client{};
    GetClientRect(gridList, &client);
    const PaintColumns& columns = columnsForPaint();

    const int inset = scaled(CELL_TEXT_INSET);
    const int32_t lastColumn = static_cast<int32_t>(shownColumnCount);
    const int32_t frozen = frozenColumns();
    // The data columns that scroll, from the left; then the frozen ones and the row numbers,
    // which stay at the list's left edge when it is scrolled sideways and so are drawn over the
    // cells that went under them.
    const int32_t scrolling = lastColumn - frozen;
    for (int32_t step = 0; step <= lastColumn; ++step) {
        const int32_t column = step < scrolling ? frozen + 1 + step : lastColumn - step;
        RECT cell{};
        if (!paintedCellRect(item->rcItem, column, columns, cell) || cell.right <= cell.left) {
            continue;  // a hidden column has no width
        }
        if (cell.right <= client.left) {
            continue;  // scrolled out on the left
        }
        if (cell.left >= client.right) {
            if (step < scrolling) {
                step = scrolling - 1;  // every later scrolling column lies beyond the right edge too
            }
            continue;
        }

        const bool isCurrent = column != 0 && row == currentRow && column == currentColumn;
        // A range of one cell is just the current cell.
        const bool inRange = column != 0 && !isCurrent &&
                             (marked || (range.contains(row, column) && !(range.rowCount() == 1 &&
                                                                           range.columnCount() == 1)));
        std::wstring text;
        COLORREF textColor = rowText;
        UINT format = BODY_TEXT_FORMAT;
        if (column == 0) {
            // The row numbers keep the header's colours, selected or not.
            fillSolid(dc, cell, colors.headerBackground);
            textColor = colors.headerText;
            text = readyRowShown() ? std::wstring(READY_ROW_MARK) : std::to_wstring(rowNumber(row));
            format = ROW_NUMBER_FORMAT;
        } else {
            if (isCurrent) {
                fillSolid(dc, cell, colors.selectionBackground);
                textColor = colors.selectionText;
            } else if (inRange) {
                fillSolid(dc, cell, rangeBackground);
                textColor = rangeText;
            } else if (column <= frozen) {
                fillSolid(dc, cell, rowBackground);  // over what scrolled beneath it
            }
            text = cellDisplayText(row, column);
            if (looksNumeric(text)) {
                format = NUMBER_TEXT_FORMAT;
            }
        }
        drawLine(dc, cell.right - 1, cell.top, cell.right - 1, cell.bottom);
        if (column == 0 && rowHasProblem(row)) {
            drawProblemMark(dc, cell);
        }
        if (column == 0 && gridView.rows.filtered() && gridRows().listed != nullptr &&
            gridView.rows.isKept(static_cast<uint64_t>(row))) {
            drawKeptMark(dc, cell);
        }

        RECT textArea = cell;
        textArea.left += inset;
        textArea.right -= inset;
        if (textArea.right > textArea.left) {
            SetTextColor(dc, textColor);
            DrawTextW(dc, text.c_str(), -1, &textArea, format);
        }

        if (isCurrent) {
            const COLORREF frameColor = darkMode ? FRAME_COLOR_DARK : FRAME_COLOR_LIGHT;
            ScopedPen framePen(CreatePen(PS_SOLID, scaled(CURRENT_CELL_FRAME_WIDTH), frameColor));
            SelectedObject selectedFramePen(dc, framePen.get());
            SelectedObject selectedBrush(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, cell.left, cell.top, cell.right - 1, cell.bottom - 1);
        }
    }
}

void GridPanel::drawProblemMark(HDC dc, const RECT& cell) const {
    const int size = std::min<int>(scaled(PROBLEM_MARK_SIZE), static_cast<int>(cell.bottom - cell.top));
    const POINT corner[3] = {{cell.left, cell.top}, {cell.left + size, cell.top}, {cell.left, cell.top + size}};
    ScopedBrush brush(CreateSolidBrush(darkMode ? PROBLEM_MARK_DARK : PROBLEM_MARK_LIGHT));
    SelectedObject selectedBrush(dc, brush.get());
    SelectedObject selectedPen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, corner, 3);
}

LRESULT GridPanel::darkEditColors(HDC dc) const {
    if (!darkMode || editBrush == nullptr) {
        return 0;
    }
    SetTextColor(dc, colors.text);
    SetBkColor(dc, colors.alternateBackground);
    return reinterpret_cast<LRESULT>(editBrush);
}

void GridPanel::drawKeptMark(HDC dc, const RECT& cell) const {
    const int size = std::min<int>(scaled(KEPT_MARK_SIZE), static_cast<int>(cell.bottom - cell.top));
    const POINT corner[3] = {{cell.left, cell.bottom}, {cell.left + size, cell.bottom}, {cell.left, cell.bottom - size}};
    ScopedBrush brush(CreateSolidBrush(darkMode ? KEPT_MARK_DARK : KEPT_MARK_LIGHT));
    SelectedObject selectedBrush(dc, brush.get());
    SelectedObject selectedPen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, corner, 3);
}

LRESULT GridPanel::onHeaderCustomDraw(const NMCUSTOMDRAW* draw) {
    if (draw == nullptr) {
        return CDRF_DODEFAULT;
    }
    // With the filter boxes under the titles every title is drawn here, in its upper part.
    if (!darkMode && !filterRowShown) {
        // The system look; afterwards only the row numbers' title, kept at the left edge.
        if (draw->dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYPOSTPAINT;
        }
        if (draw->dwDrawStage == CDDS_POSTPAINT) {
            drawFrozenHeaderTitle(draw);
        }
        return CDRF_DODEFAULT;
    }
    switch (draw->dwDrawStage) {
    case CDDS_PREPAINT:
        // The strip right of the last column belongs to no item: fill the whole header first,
        // so no light system background is left beside the dark items.
        fillSolid(draw->hdc, draw->rc, colors.headerBackground);
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT:
        return drawHeaderItem(draw);
    case CDDS_POSTPAINT: {
        // A themed header paints that strip itself after the items, over the first fill.
        const int count = static_cast<int>(SendMessageW(draw->hdr.hwndFrom, HDM_GETITEMCOUNT, 0, 0));
        RECT rest = draw->rc;
        if (count > 0) {
            const int last = static_cast<int>(SendMessageW(draw->hdr.hwndFrom, HDM_ORDERTOINDEX, count - 1, 0));
            RECT lastItem{};
            if (SendMessageW(draw->hdr.hwndFrom, HDM_GETITEMRECT, last, reinterpret_cast<LPARAM>(&lastItem))) {
                rest.left = lastItem.right;
            }
        }
        if (rest.right > rest.left) {
            fillSolid(draw->hdc, rest, colors.headerBackground);
        }
        drawFrozenHeaderTitle(draw);
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

// The sort arrow of a dark header item, at the right end of its text area: a small triangle
// pointing up (ascending) or down. Returns the width it takes, gap included.
int GridPanel::drawSortArrow(HDC dc, const RECT& textArea, bool descending) const {
    const int half = scaled(SORT_ARROW_HALF_WIDTH);
    const int right = textArea.right;
    const int middle = (textArea.top + textArea.bottom) / 2;
    ScopedBrush brush(CreateSolidBrush(colors.headerText));
    if (brush && right - textArea.left > 2 * half) {
        // One line of pixels per step, the widest at the base.
        for (int step = 0; step < half; ++step) {
            const int width = 2 * (half - step) - 1;
            const int y = descending ? middle - half / 2 + step : middle + half / 2 - step;
            const RECT line{right - half - (width + 1) / 2, y, right - half - (width + 1) / 2 + width, y + 1};
            FillRect(dc, &line, brush.get());
        }
    }
    return 2 * half + scaled(SORT_ARROW_GAP);
}

LRESULT GridPanel::drawHeaderItem(const NMCUSTOMDRAW* draw) {
    const HDC dc = draw->hdc;
    RECT area = draw->rc;
    if (filterRowShown) {
        // The boxes' strip below the title.
        RECT strip = area;
        strip.top = std::max(area.top, area.bottom - filterRowHeight());
        fillSolid(dc, strip, colors.headerBackground);
        area.bottom = strip.top;
    }
    fillSolid(dc, area, colors.headerBackground);
    {
        ScopedPen linePen(CreatePen(PS_SOLID, GRID_LINE_WIDTH, colors.gridLine));
        SelectedObject selectedPen(dc, linePen.get());
        drawLine(dc, area.right - 1, area.top + HEADER_SEPARATOR_INSET, area.right - 1,
                 area.bottom - HEADER_SEPARATOR_INSET);
        drawLine(dc, area.left, area.bottom - 1, area.right, area.bottom - 1);
    }

    wchar_t title[HEADER_TEXT_CAPACITY] = {};
    HDITEMW headerItem{};
    headerItem.mask = HDI_TEXT | HDI_FORMAT;
    headerItem.pszText = title;
    headerItem.cchTextMax = HEADER_TEXT_CAPACITY - 1;
    SendMessageW(draw->hdr.hwndFrom, HDM_GETITEMW, static_cast<WPARAM>(draw->dwItemSpec),
                 reinterpret_cast<LPARAM>(&headerItem));
    title[HEADER_TEXT_CAPACITY - 1] = L'\0';

    RECT textArea = area;
    textArea.left += scaled(HEADER_TEXT_INSET_LEFT);
    textArea.right -= scaled(HEADER_TEXT_INSET_RIGHT);
    if ((headerItem.fmt & (HDF_SORTUP | HDF_SORTDOWN)) != 0) {
        textArea.right -= drawSortArrow(dc, textArea, (headerItem.fmt & HDF_SORTDOWN) != 0);
    }
    if (draw->dwItemSpec >= 1 && columnFiltered(static_cast<uint64_t>(draw->dwItemSpec) - 1)) {
        textArea.right -= drawFilterMark(dc, textArea);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colors.headerText);
    {
        SelectedObject selectedFont(dc, font);
        DrawTextW(dc, title, -1, &textArea, HEADER_TEXT_FORMAT);
    }
    return CDRF_SKIPDEFAULT;
}

// When the list is scrolled sideways the header's first title, over the row numbers, is drawn
// again at the list's left edge, where the row numbers stay.
void GridPanel::drawFrozenHeaderTitle(const NMCUSTOMDRAW* draw) {
    if (sidewaysScroll() != 0) {
        for (int32_t column = 0; column <= frozenColumns(); ++column) {
            drawFixedTitle(draw, column);
        }
    }
    drawHiddenColumnMarks(draw->hdc, draw->hdr.hwndFrom);
}

void GridPanel::drawFixedTitle(const NMCUSTOMDRAW* draw, int32_t listColumn) {
    RECT title{};
    if (!SendMessageW(draw->hdr.hwndFrom, HDM_GETITEMRECT, static_cast<WPARAM>(listColumn),
                      reinterpret_cast<LPARAM>(&title)) ||
        title.right <= title.left) {
        return;
    }
    OffsetRect(&title, sidewaysScroll(), 0);
    NMCUSTOMDRAW item = *draw;
    item.rc = title;
    item.dwItemSpec = static_cast<DWORD_PTR>(listColumn);
    if (darkMode || filterRowShown) {
        drawHeaderItem(&item);
        return;
    }
    const HDC dc = draw->hdc;
    if (const HTHEME theme = OpenThemeData(draw->hdr.hwndFrom, L"HEADER")) {
        DrawThemeBackground(theme, dc, HEADER_ITEM_PART, HEADER_ITEM_NORMAL, &title, nullptr);
        CloseThemeData(theme);
    } else {
        fillSolid(dc, title, GetSysColor(COLOR_BTNFACE));
        DrawEdge(dc, &title, BDR_RAISEDINNER, BF_RECT);
    }
    wchar_t text[HEADER_TEXT_CAPACITY] = {};
    HDITEMW headerItem{};
    headerItem.mask = HDI_TEXT;
    headerItem.pszText = text;
    headerItem.cchTextMax = HEADER_TEXT_CAPACITY - 1;
    SendMessageW(draw->hdr.hwndFrom, HDM_GETITEMW, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&headerItem));
    text[HEADER_TEXT_CAPACITY - 1] = L'\0';
    RECT textArea = title;
    textArea.left += scaled(HEADER_TEXT_INSET_LEFT);
    textArea.right -= scaled(HEADER_TEXT_INSET_RIGHT);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SelectedObject selectedFont(dc, reinterpret_cast<HFONT>(SendMessageW(draw->hdr.hwndFrom, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text, -1, &textArea, listColumn == 0 ? ROW_NUMBER_FORMAT : HEADER_TEXT_FORMAT);
}

void GridPanel::serveItemText(NMLVDISPINFOW* dispInfo) {
    if (dispInfo == nullptr) {
        return;
    }
    LVITEMW& item = dispInfo->item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    if (item.iSubItem == 0) {
        displayScratch = readyRowShown() ? std::wstring(READY_ROW_MARK) : std::to_wstring(rowNumber(item.iItem));
    } else {
        displayScratch = cellDisplayText(item.iItem, item.iSubItem);
    }
    lstrcpynW(item.pszText, displayScratch.c_str(), item.cchTextMax);
}

bool GridPanel::cellRect(int32_t gridRow, int32_t listColumn, RECT& rect) {
    if (gridList == nullptr || gridRow < 0) {
        return false;
    }
    if (listColumn >= 1) {
        RECT subItem{};
        subItem.top = listColumn;
        subItem.left = LVIR_BOUNDS;
        if (!SendMessageW(gridList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(gridRow),
                          reinterpret_cast<LPARAM>(&subItem))) {
            return false;
        }
        rect = subItem;
        if (listColumn <= frozenColumns()) {
            OffsetRect(&rect, sidewaysScroll(), 0);  // frozen: stays where it is unscrolled
        }
        return true;
    }

    // For sub-item 0 the list reports the whole row, so the row-number cell is built from the
    // row's rectangle and the column's width, ending where the first data column begins.
    RECT rowArea{};
    rowArea.left = LVIR_BOUNDS;
    if (!SendMessageW(gridList, LVM_GETITEMRECT, static_cast<WPARAM>(gridRow),
                      reinterpret_cast<LPARAM>(&rowArea))) {
        return false;
    }
    const int width = rowNumberWidth();
    rect = rowArea;
    RECT firstData{};
    firstData.top = 1;
    firstData.left = LVIR_BOUNDS;
    if (shownColumnCount != 0 &&
        SendMessageW(gridList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(gridRow),
                     reinterpret_cast<LPARAM>(&firstData))) {
        rect.right = firstData.left;
        rect.left = firstData.left - width;
    } else {
        rect.right = rowArea.left + width;
    }
    // The row numbers do not scroll sideways: the cell stays at the list's left edge.
    OffsetRect(&rect, sidewaysScroll(), 0);
    return true;
}

const GridPanel::PaintColumns& GridPanel::columnsForPaint() {
    paintColumns.scroll = sidewaysScroll();
    if (paintColumns.titlesKnown && paintColumns.titles.size() == shownColumnCount + 1) {
        return paintColumns;
    }
    paintColumns.titles.assign(shownColumnCount + 1, RECT{});
    const HWND header = gridHeader;
    for (size_t column = 0; header != nullptr && column < paintColumns.titles.size(); ++column) {
        SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&paintColumns.titles[column]));
    }
    paintColumns.titlesKnown = header != nullptr;
    return paintColumns;
}

// The cell of a row being painted, as cellRect gives it, from the row's rectangle and the
// titles' places: the list's own answer for each cell (LVM_GETSUBITEMRECT) took nearly all of
// a row's paint in the real host. The header lies columns.scroll pixels left of the list's
// edge; frozen columns and the row numbers are drawn where they lie unscrolled.
bool GridPanel::paintedCellRect(const RECT& row, int32_t listColumn, const PaintColumns& columns, RECT& rect) const {
    if (listColumn < 0 || static_cast<size_t>(listColumn) >= columns.titles.size()) {
        return false;
    }
    rect = row;
    if (listColumn >= 1) {
        const RECT& title = columns.titles[static_cast<size_t>(listColumn)];
        const int offset = listColumn <= frozenColumns() ? 0 : -columns.scroll;
        rect.left = title.left + offset;
        rect.right = title.right + offset;
        return true;
    }
    // The row numbers end where the first data column begins.
    const RECT& numbers = columns.titles[0];
    const int width = static_cast<int>(numbers.right - numbers.left);
    rect.right = columns.titles.size() > 1 ? columns.titles[1].left : row.left + columns.scroll + width;
    rect.left = rect.right - width;
    return true;
}

int GridPanel::sidewaysScroll() const {
    if (gridList == nullptr) {
        return 0;
    }
    // The list moves its header left by as much as it scrolls its rows.
    const HWND header = gridHeader;
    if (header == nullptr) {
        return 0;
    }
    RECT place{};
    GetWindowRect(header, &place);
    MapWindowPoints(nullptr, gridList, reinterpret_cast<POINT*>(&place), 2);
    return place.left < 0 ? -place.left : 0;
}

int GridPanel::rowNumberWidth() const {
    return columnWidth(0);
}

// A column's width as the list reports it, asked of the header directly: the list would ask the
// header itself, and each message costs a round trip in the real host.
int GridPanel::columnWidth(int32_t listColumn) const {
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    if (gridHeader == nullptr || listColumn < 0 ||
        !SendMessageW(gridHeader, HDM_GETITEMW, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item))) {
        return 0;
    }
    return item.cxy;
}
