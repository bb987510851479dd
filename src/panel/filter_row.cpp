// The filter row: a text box under each column title, in a strip the list's header grows by.
// What is typed in a box is that column's condition, applied as it is typed; the titles of
// filtered columns carry a mark. The boxes are the header's children, so they scroll sideways
// with the titles; the ones that would slide under the row numbers' title, which stays in view,
// are cut at its edge.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "model/cell_text.h"
#include "panel/control_ids.h"
#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"
#include "panel/key_state.h"
#include "plugin/exception_barrier.h"

namespace {

constexpr UINT_PTR HEADER_SUBCLASS_ID = 4;
constexpr UINT_PTR FILTER_BOX_SUBCLASS_ID = 5;
// The strip's padding around a box, and the funnel mark of a filtered title, at 96 DPI.
constexpr int FILTER_ROW_PADDING = 2;
constexpr int FILTER_MARK_WIDTH = 7;
constexpr int FILTER_MARK_GAP = 4;

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(GetWindowTextW(window, text.data(), length + 1), 0)));
    return text;
}

// The messages that add, remove, widen or reorder the header's items, or change its font.
bool headerItemsMayMove(UINT message) {
    switch (message) {
    case HDM_INSERTITEMA:
    case HDM_INSERTITEMW:
    case HDM_DELETEITEM:
    case HDM_SETITEMA:
    case HDM_SETITEMW:
    case HDM_SETORDERARRAY:
    case WM_SETFONT:
        return true;
    default:
        return false;
    }
}

}  // namespace

int GridPanel::filterRowHeight() const {
    return textFieldHeight() + 2 * scaled(FILTER_ROW_PADDING);
}

bool GridPanel::columnFiltered(uint64_t cellIndex) const {
    return filterRowShown && !gridView.rows.conditionText(cellIndex).empty();
}

void GridPanel::updateHeaderMarks() {
    if (const HWND header = gridHeader) {
        InvalidateRect(header, nullptr, FALSE);
    }
}

void GridPanel::toggleFilterRow() {
    showFilterRow(!filterRowShown);
}

void GridPanel::attachHeader() {
    if (const HWND header = gridHeader) {
        SetWindowSubclass(header, headerProc, HEADER_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
        if (filterRowShown) {
            SetWindowLongPtrW(header, GWL_STYLE, GetWindowLongPtrW(header, GWL_STYLE) | WS_CLIPCHILDREN);
        }
    }
}

void GridPanel::fillFilterBoxes() {
    fillingFilterBoxes = true;
    for (size_t i = 0; i < filterBoxes.size(); ++i) {
        const std::wstring text = gridView.rows.conditionText(i);
        if (windowText(filterBoxes[i]) != text) {
            SetWindowTextW(filterBoxes[i], text.c_str());
        }
    }
    fillingFilterBoxes = false;
}

void GridPanel::showFilterRow(bool show, bool focusBox) {
    if (show == filterRowShown) {
        return;
    }
    filterRowShown = show;
    const HWND header = gridHeader;
    if (show) {
        // The header answers the list's layout request with the strip added (headerProc); a
        // list made later lays its header out so from the start.
        if (header == nullptr) {
            return;
        }
        SetWindowLongPtrW(header, GWL_STYLE, GetWindowLongPtrW(header, GWL_STYLE) | WS_CLIPCHILDREN);
    } else {
        for (const HWND box : filterBoxes) {
            DestroyWindow(box);
        }
        filterBoxes.clear();
        // Hiding the row takes the filter away, as spreadsheets do.
        const bool wasFiltered = gridView.rows.filtered();
        gridView.rows.clearConditions();
        if (wasFiltered && focusBox) {
            applyFilter();
        } else if (wasFiltered) {
            gridView.rows.reset(table, headerRow);  // another document is about to be read
        }
        if (header == nullptr) {
            return;
        }
    }
    // The list lays its header out again only when its size changes.
    RECT place{};
    GetWindowRect(gridList, &place);
    MapWindowPoints(nullptr, GetParent(gridList), reinterpret_cast<POINT*>(&place), 2);
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(gridList, nullptr, 0, 0, width, std::max(height - 1, 0), flags);
    SetWindowPos(gridList, nullptr, 0, 0, width, height, flags);
    if (show) {
        layoutFilterBoxes();
        if (focusBox && !filterBoxes.empty()) {
            const size_t column = static_cast<size_t>(std::max(currentColumn, 1) - 1);
            SetFocus(filterBoxes[std::min(column, filterBoxes.size() - 1)]);
        }
    } else if (focusBox && GetFocus() != gridList) {
        SetFocus(gridList);
    }
    CheckDlgButton(panelWindow, IDC_FILTER, show ? BST_CHECKED : BST_UNCHECKED);
    InvalidateRect(header, nullptr, TRUE);
    updateStatusLine();
}

// One box per data column, each over its title's lower part; a box whose column lies under the
// row numbers' or the frozen titles is cut at their edge or hidden.
void GridPanel::layoutFilterBoxes() {
    const HWND header = gridHeader;
    if (!filterRowShown || header == nullptr) {
        return;
    }
    const size_t wanted = static_cast<size_t>(shownColumnCount);
    while (filterBoxes.size() > wanted) {
        DestroyWindow(filterBoxes.back());
        filterBoxes.pop_back();
    }
    while (filterBoxes.size() < wanted) {
        const HWND box = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0, 0, header,
                                         nullptr, module, nullptr);
        if (box == nullptr) {
            break;
        }
        SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowSubclass(box, filterBoxProc, FILTER_BOX_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
        fillingFilterBoxes = true;
        SetWindowTextW(box, gridView.rows.conditionText(filterBoxes.size()).c_str());
        fillingFilterBoxes = false;
        filterBoxes.push_back(box);
    }
    const int pad = scaled(FILTER_ROW_PADDING);
    const int height = textFieldHeight();
    // The row numbers' and the frozen titles stay at the list's left edge: in header
    // coordinates they end here.
    const int scroll = sidewaysScroll();
    const int frozenRight = scroll + frozenWidth();
    for (size_t i = 0; i < filterBoxes.size(); ++i) {
        RECT item{};
        if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i + 1), reinterpret_cast<LPARAM>(&item))) {
            ShowWindow(filterBoxes[i], SW_HIDE);
            continue;
        }
        const bool frozen = static_cast<int32_t>(i + 1) <= frozenColumns();
        if (frozen) {
            OffsetRect(&item, scroll, 0);
        }
        const int left = frozen ? static_cast<int>(item.left) + pad : std::max(static_cast<int>(item.left) + pad, frozenRight + pad);
        const int right = static_cast<int>(item.right) - pad;
        if (right - left < scaled(FILTER_MARK_WIDTH)) {
            ShowWindow(filterBoxes[i], SW_HIDE);
            continue;
        }
        SetWindowPos(filterBoxes[i], nullptr, left, static_cast<int>(item.bottom) - pad - height, right - left, height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

void GridPanel::onFilterBoxChanged(HWND box) {
    if (fillingFilterBoxes) {
        return;
    }
    const auto at = std::find(filterBoxes.begin(), filterBoxes.end(), box);
    if (at == filterBoxes.end()) {
        return;
    }
    const auto cellIndex = static_cast<uint64_t>(at - filterBoxes.begin());
    gridView.rows.setCondition(cellIndex, windowText(box));
    applyFilter();
}

void GridPanel::filterByCurrentValue() {
    if (currentColumn < 1 || gridRowCount() == 0) {
        return;
    }
    const uint64_t cellIndex = static_cast<uint64_t>(currentColumn) - 1;
    const auto value = cellAt(table, gridRows(), currentRow, cellIndex);
    const std::wstring text = L"=" + (value ? decodeCell(*value, static_cast<UINT>(documentCodePage)) : std::wstring());
    showFilterRow(true);
    gridView.rows.setCondition(cellIndex, text);
    if (cellIndex < filterBoxes.size()) {
        fillingFilterBoxes = true;
        SetWindowTextW(filterBoxes[static_cast<size_t>(cellIndex)], text.c_str());
        fillingFilterBoxes = false;
    }
    applyFilter();
    SetFocus(gridList);
}

void GridPanel::clearFilter() {
    gridView.rows.clearConditions();
    fillingFilterBoxes = true;
    for (const HWND box : filterBoxes) {
        SetWindowTextW(box, L"");
    }
    fillingFilterBoxes = false;
    applyFilter();
}

void GridPanel::clearColumnFilter(uint64_t cellIndex) {
    gridView.rows.setCondition(cellIndex, L"");
    if (cellIndex < filterBoxes.size()) {
        fillingFilterBoxes = true;
        SetWindowTextW(filterBoxes[static_cast<size_t>(cellIndex)], L"");
        fillingFilterBoxes = false;
    }
    applyFilter();
}

// A funnel: a wide bar over a narrowing stem.
int GridPanel::drawFilterMark(HDC dc, const RECT& textArea) const {
    const int width = scaled(FILTER_MARK_WIDTH);
    const int right = textArea.right;
    const int middle = (textArea.top + textArea.bottom) / 2;
    if (right - textArea.left > 2 * width) {
        const int top = middle - width / 2;
        const int bottom = middle + width / 2 + 1;
        const int stem = right - width / 2;
        const POINT funnel[6] = {{right - width, top}, {right, top},           {stem + 1, middle},
                                 {stem + 1, bottom},   {stem - 1, bottom},     {stem - 1, middle}};
        ScopedBrush brush(CreateSolidBrush(colors.headerText));
        SelectedObject selectedBrush(dc, brush.get());
        SelectedObject selectedPen(dc, GetStockObject(NULL_PEN));
        Polygon(dc, funnel, 6);
    }
    return width + scaled(FILTER_MARK_GAP);
}

// The list's header: with the filter strip its layout answer grows by the strip, clicks in the
// strip stay there (they neither sort nor drag), and the boxes' colour requests and changes
// come here; points over frozen titles are moved to their items.
LRESULT CALLBACK GridPanel::headerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR /*subclassId*/, DWORD_PTR referenceData) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        GridPanel& panel = *reinterpret_cast<GridPanel*>(referenceData);
        // The items' places the paint keeps are asked again after anything that may move them.
        if (headerItemsMayMove(message)) {
            panel.paintColumns.titlesKnown = false;
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            panel.paintColumns.titlesKnown = false;
            return result;
        }
        switch (message) {
        case HDM_LAYOUT: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
            if (panel.filterRowShown && layout != nullptr && layout->prc != nullptr && layout->pwpos != nullptr) {
                const int strip = panel.filterRowHeight();
                layout->pwpos->cy += strip;
                layout->prc->top += strip;
            }
            return result;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            if (panel.filterRowShown) {
                RECT client{};
                GetClientRect(window, &client);
                if (GET_Y_LPARAM(lParam) >= client.bottom - panel.filterRowHeight()) {
                    return 0;
                }
            }
            // A frozen title is where it is drawn, not where the scrolled header has its item.
            return DefSubclassProc(window, message, wParam, panel.headerPointOverTitles(lParam));
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
            return DefSubclassProc(window, message, wParam, panel.headerPointOverTitles(lParam));
        case WM_CTLCOLOREDIT:
            if (const LRESULT brush = panel.darkEditColors(reinterpret_cast<HDC>(wParam))) {
                return brush;
            }
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == EN_CHANGE) {
                panel.onFilterBoxChanged(reinterpret_cast<HWND>(lParam));
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, headerProc, HEADER_SUBCLASS_ID);
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}

// A filter box: Enter and Esc give the grid the focus, Tab and Shift+Tab go to the next or the
// previous box, and Ctrl+Shift+L hides the row as it does in the grid.
LRESULT CALLBACK GridPanel::filterBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR /*subclassId*/, DWORD_PTR referenceData) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        GridPanel& panel = *reinterpret_cast<GridPanel*>(referenceData);
        switch (message) {
        case WM_GETDLGCODE: {
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const LRESULT code = DefSubclassProc(window, message, wParam, lParam);
            if (key != nullptr && key->message == WM_KEYDOWN &&
                (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE || key->wParam == VK_TAB)) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN: {
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                SetFocus(panel.gridList);
                return 0;
            }
            if (wParam == 'L' && isHeld(VK_CONTROL) && isHeld(VK_SHIFT)) {
                panel.showFilterRow(false);
                return 0;
            }
            if (wParam == VK_TAB) {
                const auto at = std::find(panel.filterBoxes.begin(), panel.filterBoxes.end(), window);
                if (at == panel.filterBoxes.end()) {
                    return 0;
                }
                const auto index = static_cast<int64_t>(at - panel.filterBoxes.begin()) + (isHeld(VK_SHIFT) ? -1 : 1);
                if (index < 0 || index >= static_cast<int64_t>(panel.filterBoxes.size())) {
                    SetFocus(panel.gridList);
                    return 0;
                }
                // The column comes into view first, so that its box is there to type into.
                panel.selectCell(panel.currentRow, static_cast<int32_t>(index + 1), true);
                panel.layoutFilterBoxes();
                SetFocus(panel.filterBoxes[static_cast<size_t>(index)]);
                SendMessageW(panel.filterBoxes[static_cast<size_t>(index)], EM_SETSEL, 0, -1);
                return 0;
            }
            break;
        }
        case WM_CHAR:
            if (wParam == L'\r' || wParam == 0x1B || wParam == L'\t' || wParam == 0x0C) {
                return 0;  // no beep for the keys handled above
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, filterBoxProc, FILTER_BOX_SUBCLASS_ID);
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}
