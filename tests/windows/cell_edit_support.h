// What the cell-editing tests look at and do: the in-place editor, the current cell as the
// status line reports it, the document bytes and the host's undo history, and the boxes shown.
#pragma once

#include "grid_view_support.h"
#include "input.h"

#include <commctrl.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace tabulon_test {

constexpr int IDC_CELL_EDITOR = 2611;

// The document the fixture's host starts with.
inline const std::string PEOPLE_DOCUMENT = "Name,City\r\nAda,London\r\nGrace,Arlington\r\n";

class CellEditTest : public GridViewTest {
protected:
    // The open in-place editor, a child of the list; none when closed.
    HWND editor() { return GetDlgItem(list(), IDC_CELL_EDITOR); }
    std::wstring editorText() {
        wchar_t text[1024] = {};
        GetWindowTextW(editor(), text, 1024);
        return text;
    }
    std::pair<DWORD, DWORD> editorSelection() {
        DWORD from = 0, to = 0;
        SendMessageW(editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        return {from, to};
    }
    bool editorIsMultiLine() { return (GetWindowLongPtrW(editor(), GWL_STYLE) & ES_MULTILINE) != 0; }

    // The current cell as the status line shows it: grid row + 1 and the list column.
    std::pair<int, int> current() { return statusCell(status()); }

    std::string document() { return host.mainView().text(); }
    size_t undoSteps() { return host.mainView().document().undoStepCount(); }

    void press(UINT key, unsigned modifiers = devhost::KEY_NONE) { ASSERT_TRUE(devhost::pressKey(host, key, modifiers)); }
    void type(const std::wstring& text) { ASSERT_TRUE(devhost::typeText(host, text)); }
    // A click or double-click on a grid cell (list column; 0 is the row numbers).
    void clickCell(int row, int column) { devhost::click(host, list(), devhost::listCellCenter(list(), row, column)); }
    void doubleClickCell(int row, int column) {
        devhost::doubleClick(host, list(), devhost::listCellCenter(list(), row, column));
    }
    // Makes a cell current the way the user does, by clicking it; the focus stays in the grid.
    void goTo(int row, int column) {
        clickCell(row, column);
        ASSERT_EQ(current(), std::make_pair(row + 1, column));
        ASSERT_EQ(GetFocus(), list());
    }
    // The size of the selected range as the status line shows it ("3 x 1"), or empty while
    // the current cell alone is selected.
    std::wstring selectedSize() {
        const std::wstring text = status();
        const size_t end = text.rfind(L" selected");
        if (end == std::wstring::npos) return std::wstring();
        const size_t start = text.rfind(L"|   ", end);
        return text.substr(start + 4, end - start - 4);
    }
    // Whether the list itself holds a selected item: the selection is the panel's alone.
    bool listHasSelection() {
        return SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) >= 0;
    }
};

}  // namespace tabulon_test
