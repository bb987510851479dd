// Sorting and finding in the real editor, as a user does it: clicks on a column's title, the
// "Sort by" box from the context menu, the find bar with its keys, Replace all; every write
// checked in the buffer and undone with the editor's undo.
#include "scenario_steps.h"

#include "plugin/host_interface.h"

#include <commctrl.h>

#include <memory>

namespace driver {

namespace {

const std::string SMALL = "name,qty,note\nalpha,1,first\nbeta,2,second\ngamma,3,third\n";
const std::string SMALL_QTY_DOWN = "name,qty,note\ngamma,3,third\nbeta,2,second\nalpha,1,first\n";
const std::string SMALL_NAME_DOWN = "name,qty,note\ngamma,3,third\nbeta,2,second\nalpha,1,first\n";
const std::string SMALL_A_REPLACED = "name,qty,note\nAlphA,1,first\nbetA,2,second\ngAmmA,3,third\n";

constexpr int IDC_FIND_TEXT = 2631;
constexpr int IDC_REPLACE_TEXT = 2638;
constexpr int IDC_REPLACE_ALL = 2640;
constexpr int IDC_SORT_COLUMN_FIRST = 2650;
constexpr int IDC_SORT_DIRECTION_FIRST = 2660;
constexpr UINT SCI_UNDO = 2176;


// HDF_SORTUP, HDF_SORTDOWN or 0 for a column title.
int sortArrow(int listColumn) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(listHeader(), HDM_GETITEMW, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}


Step undoInEditor(std::string name) {
    return act(std::move(name), [] { SendMessageW(currentView(), SCI_UNDO, 0, 0); });
}

std::wstring statusLine() {
    return windowText(panelControl(IDC_STATUS));
}

Step expectStatusEnds(std::string name, std::wstring ending) {
    return expect(std::move(name),
                  [ending] {
                      const std::wstring line = statusLine();
                      return line.size() >= ending.size() && line.compare(line.size() - ending.size(), ending.size(), ending) == 0;
                  },
                  [] { return "the status line says \"" + utf8(statusLine()) + "\""; });
}

HWND sortBox() {
    return FindWindowW(L"#32770", L"Sort by");
}

Scenario sortScenario() {
    return {
        openPanel(),
        require("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(0, 1),
        clickTitle(2),
        expect("a click on the sorted qty title writes nothing and shows the arrow up",
               [] { return sortArrow(2) == HDF_SORTUP && currentDocument() == SMALL; },
               [] { return "arrow " + std::to_string(sortArrow(2)) + ", " + bytesDetail(SMALL, currentDocument()); }),
        clickTitle(2),
        expectDocument("a second click sorts by qty descending in the buffer", SMALL_QTY_DOWN),
        expect("the title shows the arrow down", [] { return sortArrow(2) == HDF_SORTDOWN; }),
        expect("the current cell followed its record",
               [] { return listFocusedItem() == 2 && listCellText(2, 1) == L"alpha"; },
               [] { return "focused row " + std::to_string(listFocusedItem()); }),
        undoInEditor("undo once in the editor"),
        expectDocument("one undo unsorts", SMALL),

        // The Sort by box from the context menu: name descending.
        pause(800),
        focusGrid(),
        pressKey("press the Menu key in the grid", VK_APPS),
        pause(300),
        pressKey("choose Sort by... by its mnemonic", 'Y'),
        require("the Sort by box opens", [] { return sortBox() != nullptr; }),
        attempt("choose name, descending, and press OK",
                [] {
                    const HWND box = sortBox();
                    if (box == nullptr) {
                        return false;
                    }
                    SendDlgItemMessageW(box, IDC_SORT_COLUMN_FIRST, CB_SETCURSEL, 0, 0);
                    SendDlgItemMessageW(box, IDC_SORT_DIRECTION_FIRST, CB_SETCURSEL, 1, 0);
                    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
                    return true;
                }),
        expectDocument("OK sorts by name descending", SMALL_NAME_DOWN),
        expect("the box is closed and the grid has the focus",
               [] { return sortBox() == nullptr && GetFocus() == panelControl(IDC_GRID_LIST); }),
        undoInEditor("undo the sort"),
        expectDocument("undo puts the records back", SMALL),
    };
}

Scenario findScenario() {
    return {
        openPanel(),
        require("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(0, 1),
        focusGrid(),
        pressKey("press Ctrl+F in the grid", 'F', CTRL),
        require("the find bar opens with the focus in its text",
                [] { return GetFocus() != nullptr && GetFocus() == panelControl(IDC_FIND_TEXT); }),
        typeText("type a", "a"),
        pressKey("press Enter", VK_RETURN),
        expectStatusEnds("Enter finds the next cell with an a", L"cell R2 C1   |   match 2 of 3"),
        pressKey("press F3", VK_F3),
        expectStatusEnds("F3 finds the one after it", L"cell R3 C1   |   match 3 of 3"),
        pressKey("press F3 again", VK_F3),
        expectStatusEnds("and wraps to the first with a note", L"cell R1 C1   |   match 1 of 3 (wrapped)"),
        pressKey("press Shift+F3", VK_F3, SHIFT),
        expectStatusEnds("Shift+F3 goes back past the start", L"cell R3 C1   |   match 3 of 3 (wrapped)"),
        expect("finding wrote nothing", [] { return currentDocument() == SMALL; }),

        act("type A as the replacement",
            [] { SetWindowTextW(panelControl(IDC_REPLACE_TEXT), L"A"); }),
        act("press Replace all", [] { PostMessageW(panelControl(IDC_REPLACE_ALL), BM_CLICK, 0, 0); }),
        expectDocument("Replace all writes every a as A", SMALL_A_REPLACED),
        expect("and says how many cells changed",
               [] { return statusLine().find(L"3 cells replaced") != std::wstring::npos; },
               [] { return "the status line says \"" + utf8(statusLine()) + "\""; }),
        undoInEditor("undo once in the editor"),
        expectDocument("one undo takes every replacement back", SMALL),

        act("focus the find text", [] { SetFocus(panelControl(IDC_FIND_TEXT)); }),
        pressKey("press Esc", VK_ESCAPE),
        expect("Esc closes the bar and gives the grid the focus",
               [] {
                   return !IsWindowVisible(panelControl(IDC_FIND_TEXT)) &&
                          GetFocus() == panelControl(IDC_GRID_LIST);
               }),
    };
}

// A sort moves the host's bookmarks with their records.
Scenario sortBookmarksScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        act("bookmark the lines of alpha and beta", [] {
            addBookmark(1);
            addBookmark(2);
        }),
        clickTitle(2),
        clickTitle(2),
        expectDocument("the second click sorts by qty descending", SMALL_QTY_DOWN),
        expect("the bookmarks are on alpha's and beta's lines again", [] { return bookmarkedLines(4) == "23"; },
               [] { return "bookmarks on lines " + bookmarkedLines(4); }),
    };
}

}  // namespace

void addSortFindScenarios() {
    registerScenario("sort-bookmarks", sortBookmarksScenario);
    registerScenario("sort", sortScenario);
    registerScenario("find", findScenario);
}

}  // namespace driver
