// What the spreadsheet-behaviour tests do as a user: select ranges with keys, clicks and drags,
// read the range's size off the status line, and open the grid's context menu and pick an item.
#pragma once

#include "clipboard.h"
#include "menu_watch.h"
#include "row_column_test_support.h"

#include <string>
#include <vector>

namespace tabulon_test {

class SpreadsheetTest : public OperationTest {
protected:
    // A key in the grid (which gets the focus first), and a key to whatever has the focus.
    void key(UINT virtualKey, unsigned modifiers = devhost::KEY_NONE) { gridKey(virtualKey, modifiers); }
    void pressKey(UINT virtualKey, unsigned modifiers = devhost::KEY_NONE) {
        ASSERT_TRUE(devhost::pressKey(host, virtualKey, modifiers));
    }
    void typeText(const std::wstring& text) { ASSERT_TRUE(devhost::typeText(host, text)); }
    void shiftClickCell(int row, int listColumn) {
        devhost::click(host, list(), devhost::listCellCenter(list(), row, listColumn), devhost::KEY_SHIFT);
    }
    // A press on one cell, the pointer moved to another with the button held, and the release.
    void drag(int fromRow, int fromColumn, int toRow, int toColumn);
    // A Ctrl+click on a column title: selects the column.
    void ctrlClickHeader(int listColumn);
    // A right click on a cell (or a row number), or on a column title, choosing an item.
    void rightClickCell(int row, int listColumn);
    void rightClickHeader(int listColumn);
    // "3 x 2" while a range is selected, empty for the current cell alone.
    std::wstring selectedSize();
    std::wstring clipboard() { return devhost::clipboardText(host.window()).value_or(L"<none>"); }
    void putOnClipboard(const std::wstring& text) { ASSERT_TRUE(devhost::setClipboardText(host.window(), text)); }
    std::pair<int, int> current() { return {currentGridRow(), currentListColumn()}; }
};

}  // namespace tabulon_test
