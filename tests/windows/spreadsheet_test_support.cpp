#include "spreadsheet_test_support.h"

#include <commctrl.h>

#include <algorithm>

namespace tabulon_test {

void SpreadsheetTest::drag(int fromRow, int fromColumn, int toRow, int toColumn) {
    const POINT from = devhost::listCellCenter(list(), fromRow, fromColumn);
    const POINT to = devhost::listCellCenter(list(), toRow, toColumn);
    SetFocus(list());
    SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    SendMessageW(list(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((from.x + to.x) / 2, (from.y + to.y) / 2));
    SendMessageW(list(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    SendMessageW(list(), WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    host.pumpUntilIdle();
}

namespace {

POINT headerItemCenter(HWND list, int listColumn) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT item{};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
    // High in the item: with the filter row shown its lower part holds the filter box.
    return POINT{(item.left + item.right) / 2, item.top + std::min<LONG>(8, (item.bottom - item.top) / 2)};
}

}  // namespace

void SpreadsheetTest::ctrlClickHeader(int listColumn) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0));
    devhost::click(host, header, headerItemCenter(list(), listColumn), devhost::KEY_CTRL);
}

void SpreadsheetTest::rightClickCell(int row, int listColumn) {
    devhost::rightClick(host, list(), devhost::listCellCenter(list(), row, listColumn));
}

void SpreadsheetTest::rightClickHeader(int listColumn) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0));
    POINT point = headerItemCenter(list(), listColumn);
    POINT screen = point;
    ClientToScreen(header, &screen);
    SetCursorPos(screen.x, screen.y);  // the header reports its right click without a point
    devhost::rightClick(host, header, point);
}

std::wstring SpreadsheetTest::selectedSize() {
    const std::wstring text = status();
    const size_t end = text.rfind(L" selected");
    if (end == std::wstring::npos) return std::wstring();
    const size_t start = text.rfind(L"|   ", end);
    return text.substr(start + 4, end - start - 4);
}

}  // namespace tabulon_test
