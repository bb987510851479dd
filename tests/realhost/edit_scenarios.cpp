// Editing a cell in the real buffer, and the host's own shortcuts while the grid has the focus:
// save, undo, redo, the next document and the panel command, by the keys the user has mapped.
#include "scenario_steps.h"

#include "plugin/host_interface.h"

#include <cstring>
#include <memory>

namespace driver {

namespace {

// small.csv as the runner writes it.
const std::string SMALL = "name,qty,note\nalpha,1,first\nbeta,2,second\ngamma,3,third\n";
const std::string SMALL_QTY_42 = "name,qty,note\nalpha,1,first\nbeta,42,second\ngamma,3,third\n";
const std::string SMALL_QTY_77 = "name,qty,note\nalpha,1,first\nbeta,77,second\ngamma,3,third\n";
const std::string SMALL_NAME_ZZ = "name,qty,note\nzz,1,first\nbeta,2,second\ngamma,3,third\n";

constexpr UINT NPPM_GETSHORTCUTBYCMDID = NPPMSG_BASE + 76;

// A column title's text and format flags, as the header holds them.
std::wstring listColumnTitle(int listColumn) {
    wchar_t text[128] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(listHeader(), HDM_GETITEMW, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
    return text;
}

int titleFormat(int listColumn) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(listHeader(), HDM_GETITEMW, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
    return item.fmt;
}

constexpr UINT SCI_UNDO = 2176;

// The in-place editor, over a cell or a title.
HWND gridEditor() {
    return GetDlgItem(panelControl(IDC_GRID_LIST), IDC_CELL_EDITOR);
}

bool documentModified() {
    return SendMessageW(currentView(), SCI_GETMODIFY, 0, 0) != 0;
}

Scenario cellEditUndoScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(1, 2),
        expect("the click makes the cell current", [] { return listFocusedItem() == 1; }),
        typeText("type 42 into the grid", "42"),
        pressKey("press Enter", VK_RETURN),
        expectDocument("typing and Enter write exactly that cell into the buffer", SMALL_QTY_42),
        expect("the grid shows the new value", [] { return listCellText(1, 2) == L"42"; },
               [] { return "the cell shows \"" + utf8(listCellText(1, 2)) + "\""; }),
        focusGrid(),
        pressKey("press Ctrl+Z in the grid", 'Z', CTRL),
        expectDocument("one Ctrl+Z in the grid undoes the whole cell edit", SMALL),
        act("restore the document if the grid did not undo",
            [] {
                for (int i = 0; i < 10 && currentDocument() != SMALL; ++i) {
                    SendMessageW(currentView(), SCI_UNDO, 0, 0);
                }
            }),
        pause(800),  // the grid's refresh after a change it did not make
        clickCell(1, 2),
        typeText("type 77 into the grid", "77"),
        pressKey("press Enter", VK_RETURN),
        expectDocument("the second edit is written", SMALL_QTY_77),
        clickCell(0, 1),
        focusEditor(),
        pressKey("press Ctrl+Z in the editor", 'Z', CTRL),
        expectDocument("one Ctrl+Z in the editor undoes the whole cell edit", SMALL),
        expect("the grid follows the undo", [] { return listCellText(1, 2) == L"2"; },
               [] { return "the cell shows \"" + utf8(listCellText(1, 2)) + "\""; }),
        expect("the cell the undo changed is current",
               [] { return windowText(panelControl(IDC_STATUS)).find(L"cell R2 C2") != std::wstring::npos; },
               [] { return "the status line says \"" + utf8(windowText(panelControl(IDC_STATUS))) + "\""; }),
    };
}

HWND cellEditor() {
    const HWND list = panelControl(IDC_GRID_LIST);
    return list != nullptr ? GetDlgItem(list, IDC_CELL_EDITOR) : nullptr;
}

// A cell edit whose row changed in the buffer while it was typed is refused; the editor then
// opens again with what was typed, and Enter writes it onto the row as it now is.
Scenario refusedCellEditScenario() {
    constexpr UINT SCI_INSERTTEXT = 2003;
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(1, 2),
        expect("the click makes the cell current", [] { return listFocusedItem() == 1; }),
        typeText("type 42 into the grid", "42"),
        expect("the cell editor is open", [] { return cellEditor() != nullptr; }),
        attempt("change the row in the buffer and press Enter before the grid reads it", [] {
            SendMessageW(currentView(), SCI_INSERTTEXT, 28, reinterpret_cast<LPARAM>("Q"));
            return postKey(VK_RETURN);
        }),
        require("the edit is refused with a box", [] { return tabulonBox() != nullptr; }),
        expect("the box says the row changed",
               [] {
                   wchar_t text[512] = {};
                   GetDlgItemTextW(tabulonBox(), 0xFFFF, text, 512);
                   return std::wstring(text).find(L"this cell edit was not applied") != std::wstring::npos;
               }),
        expectDocument("nothing was written", "name,qty,note\nalpha,1,first\nQbeta,2,second\ngamma,3,third\n"),
        act("answer the box", [] { PostMessageW(tabulonBox(), WM_COMMAND, IDOK, 0); }),
        expect("the box closes", [] { return tabulonBox() == nullptr; }),
        expect("the grid shows the row as it now is", [] { return listCellText(1, 1) == L"Qbeta"; },
               [] { return "the cell shows \"" + utf8(listCellText(1, 1)) + "\""; }),
        expect("the editor is open again on the cell with the text typed, and has the focus",
               [] { return cellEditor() != nullptr && windowText(cellEditor()) == L"42" && GetFocus() == cellEditor(); },
               [] {
                   return cellEditor() == nullptr ? std::string("no editor")
                                                  : "the editor holds \"" + utf8(windowText(cellEditor())) + "\"";
               }),
        pressKey("press Enter", VK_RETURN),
        expectDocument("Enter writes the typed text onto the row as it now is",
                       "name,qty,note\nalpha,1,first\nQbeta,42,second\ngamma,3,third\n"),
    };
}

bool putOnClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) {
        return false;
    }
    EmptyClipboard();
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool put = false;
    if (memory != nullptr) {
        std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!put) {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
    return put;
}

// A range cleared and a block pasted write only the rows they change, within those rows: every
// line keeps its bookmark (a write of the whole document takes them all away).
Scenario rangeEditBookmarksScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        act("bookmark every line", [] {
            for (int line = 0; line < 4; ++line) addBookmark(line);
        }),
        expect("every line carries a bookmark", [] { return bookmarkedLines(4) == "0123"; }),
        clickCell(0, 3),
        pressKey("select down to the second row with Shift+Down", VK_DOWN, SHIFT),
        pressKey("press Delete", VK_DELETE),
        expectDocument("the two notes are cleared", "name,qty,note\nalpha,1,\nbeta,2,\ngamma,3,third\n"),
        expect("every line keeps its bookmark after the clear", [] { return bookmarkedLines(4) == "0123"; },
               [] { return "bookmarks on lines " + bookmarkedLines(4); }),
        attempt("put a 2 x 2 block on the clipboard", [] { return putOnClipboard(L"x\ty\r\nz\tw\r\n"); }),
        clickCell(1, 2),
        pressKey("press Ctrl+V", 'V', CTRL),
        expectDocument("the block is pasted", "name,qty,note\nalpha,1,\nbeta,x,y\ngamma,z,w\n"),
        expect("every line keeps its bookmark after the paste", [] { return bookmarkedLines(4) == "0123"; },
               [] { return "bookmarks on lines " + bookmarkedLines(4); }),
    };
}

// After a box the keys typed go to the panel again, not to the editor behind it.
Scenario focusAfterBoxScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(1, 1),
        pressKey("press Ctrl+Minus", VK_OEM_MINUS, CTRL),
        require("the deletion is asked about", [] { return tabulonBox() != nullptr; }),
        act("answer OK", [] { PostMessageW(tabulonBox(), WM_COMMAND, IDOK, 0); }),
        expectDocument("the row is deleted", "name,qty,note\nalpha,1,first\ngamma,3,third\n"),
        expect("the grid has the focus again", [] { return GetFocus() == panelControl(IDC_GRID_LIST); }),
        typeText("type qq", "qq"),
        expect("the keys open the cell editor, with qq", [] { return cellEditor() != nullptr && windowText(cellEditor()) == L"qq"; }),
        pressKey("press Esc", VK_ESCAPE),
        expectDocument("nothing reached the editor", "name,qty,note\nalpha,1,first\ngamma,3,third\n"),
    };
}

// A column inserted and deleted again: every row changes in place, and every line keeps its
// bookmark.
Scenario columnEditBookmarksScenario() {
    constexpr int IDC_ADD_COLUMN = 2607;
    constexpr int IDC_DELETE_COLUMN = 2608;
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        act("bookmark every line", [] {
            for (int line = 0; line < 4; ++line) addBookmark(line);
        }),
        clickCell(0, 2),
        act("press + Col", [] { PostMessageW(panelControl(IDC_ADD_COLUMN), BM_CLICK, 0, 0); }),
        expectDocument("a column goes in front of qty",
                       "name,,qty,note\nalpha,,1,first\nbeta,,2,second\ngamma,,3,third\n"),
        expect("every line keeps its bookmark after the insertion", [] { return bookmarkedLines(4) == "0123"; },
               [] { return "bookmarks on lines " + bookmarkedLines(4); }),
        pause(300),
        clickCell(0, 2),
        act("press - Col", [] { PostMessageW(panelControl(IDC_DELETE_COLUMN), BM_CLICK, 0, 0); }),
        require("the deletion is asked about", [] { return tabulonBox() != nullptr; }),
        act("answer OK", [] { PostMessageW(tabulonBox(), WM_COMMAND, IDOK, 0); }),
        expectDocument("the column is gone again", SMALL),
        expect("every line keeps its bookmark after the deletion", [] { return bookmarkedLines(4) == "0123"; },
               [] { return "bookmarks on lines " + bookmarkedLines(4); }),
    };
}

Scenario hostShortcutsScenario() {
    auto undone = std::make_shared<bool>(false);
    auto path = std::make_shared<std::wstring>();
    return {
        act("activate small.csv", [] { SendMessageW(hostWindows().main, NPPM_ACTIVATEDOC, 0, 0); }),
        require("small.csv is current", [] { return currentFileName() == L"small.csv"; },
                [] { return "current: " + utf8(currentFileName()); }),
        act("note its path", [path] { *path = currentPath(); }),
        openPanel(),
        clickCell(0, 1),
        typeText("type zz into the grid", "zz"),
        pressKey("press Enter", VK_RETURN),
        require("the edit is written", [] { return currentDocument() == SMALL_NAME_ZZ; },
                [] { return bytesDetail(SMALL_NAME_ZZ, currentDocument()); }),
        focusGrid(),
        pressKey("press Ctrl+S in the grid", 'S', CTRL),
        expect("Ctrl+S in the grid saves the document",
               [path] { return !documentModified() && fileBytes(*path) == SMALL_NAME_ZZ; },
               [path] { return std::string(documentModified() ? "still modified" : "unmodified") +
                               ", file " + bytesDetail(SMALL_NAME_ZZ, fileBytes(*path)); }),
        focusGrid(),
        pressKey("press Ctrl+Z in the grid", 'Z', CTRL),
        expect("Ctrl+Z in the grid undoes the edit",
               [undone] { return *undone = currentDocument() == SMALL; },
               [] { return bytesDetail(SMALL, currentDocument()); }),
        focusGrid(),
        pressKey("press Ctrl+Y in the grid", 'Y', CTRL),
        expect("Ctrl+Y in the grid redoes the edit",
               [undone] { return *undone && currentDocument() == SMALL_NAME_ZZ; },
               [undone] { return *undone ? bytesDetail(SMALL_NAME_ZZ, currentDocument())
                                         : std::string("not checked: the undo before it did not happen"); }),
        focusGrid(),
        pressKey("press Ctrl+Tab in the grid", VK_TAB, CTRL),
        act("let go of Ctrl", [] { PostMessageW(GetFocus(), WM_KEYUP, VK_CONTROL, static_cast<LPARAM>(0xC01D0001u)); }),
        expect("Ctrl+Tab in the grid switches to the next document",
               [] { return currentFileName() == L"second.csv"; },
               [] { return "current: " + utf8(currentFileName()); }),
        openPanel(),
        focusGrid(),
        pressKey("press Ctrl+Alt+G in the grid", 'G', CTRL | ALT),
        expect("Ctrl+Alt+G in the grid closes the panel", [] { return !panelShown(); }),
    };
}

std::string panelShortcutText() {
    ShortcutKey key{};
    SendMessageW(hostWindows().main, NPPM_GETSHORTCUTBYCMDID, tabulonCommandId(PANEL_ITEM),
                 reinterpret_cast<LPARAM>(&key));
    std::string text = std::string(key._isCtrl ? "Ctrl+" : "") + (key._isAlt ? "Alt+" : "") +
                       (key._isShift ? "Shift+" : "");
    return text + static_cast<char>(key._key);
}

Scenario remappedShortcutScenario() {
    return {
        require("the host maps the panel command to Ctrl+Shift+G",
                [] { return panelShortcutText() == "Ctrl+Shift+G"; },
                [] { return "the host reports " + panelShortcutText(); }),
        openPanel(),
        focusEditor(),
        pressKey("press Ctrl+Shift+G in the editor", 'G', CTRL | SHIFT),
        require("the user's key closes the panel from the editor", [] { return !panelShown(); }),
        focusEditor(),
        pressKey("press Ctrl+Shift+G in the editor again", 'G', CTRL | SHIFT),
        require("and opens it again", [] { return panelShown(); }),
        focusGrid(),
        pressKey("press the old Ctrl+Alt+G in the grid", 'G', CTRL | ALT),
        pause(500),
        expect("the old key does nothing", [] { return panelShown(); }),
        focusGrid(),
        pressKey("press Ctrl+Shift+G in the grid", 'G', CTRL | SHIFT),
        expect("the user's key closes the panel from the grid", [] { return !panelShown(); }),
    };
}

Scenario exitWithPanelScenario() {
    return {
        openPanel(),
        focusGrid(),
        clickCell(2, 1),
        expect("the panel is shown with the grid focused as the host closes",
               [] { return panelShown() && GetFocus() == panelControl(IDC_GRID_LIST); }),
    };
}

}  // namespace

// A double-click on a title renames it in the header record, one undo step, and does not sort
// by it, not even once the double-click time has passed; a single click later still sorts.
Scenario titleRenameScenario() {
    const std::string renamed = "name,count,note\nalpha,1,first\nbeta,2,second\ngamma,3,third\n";
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        doubleClickTitle(2),
        require("the double-click opens an editor over the title", [] { return gridEditor() != nullptr; }),
        typeText("type count", "count"),
        pressKey("press Enter", VK_RETURN),
        expectDocument("the title is written into the first line", renamed),
        pause(1000),
        expectDocument("and nothing was sorted after the double-click time", renamed),
        expect("the column shows its new title", [] { return listColumnTitle(2) == L"count"; },
               [] { return "the title is \"" + utf8(listColumnTitle(2)) + "\""; }),
        act("undo once in the editor", [] { SendMessageW(currentView(), SCI_UNDO, 0, 0); }),
        expectDocument("one undo takes the title back", SMALL),
        pause(800),
        clickTitle(1),
        expect("a single click on a title still sorts: the rows were in order, and the arrow shows",
               [] { return titleFormat(1) & HDF_SORTUP && currentDocument() == SMALL && gridEditor() == nullptr; }),
    };
}

// The note title dragged onto the name title: the column moves to the front in one undo step.
Scenario titleDragScenario() {
    const std::string moved = "note,name,qty\nfirst,alpha,1\nsecond,beta,2\nthird,gamma,3\n";
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        dragTitle(3, 1),
        expectDocument("the dragged column is written first in every line", moved),
        expect("the grid shows it first", [] { return listColumnTitle(1) == L"note"; },
               [] { return "the first title is \"" + utf8(listColumnTitle(1)) + "\""; }),
        pause(800),
        expectDocument("and nothing was sorted after the double-click time", moved),
        act("undo once in the editor", [] { SendMessageW(currentView(), SCI_UNDO, 0, 0); }),
        expectDocument("one undo takes the move back", SMALL),
    };
}

// Ctrl+D in the grid fills the range's first row down, and Ctrl+R its first column right, each
// in one undo step; the host's own Ctrl+D (duplicate the line) must not run.
Scenario fillScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(0, 2),
        pressKey("extend the range down with Shift+Down", VK_DOWN, SHIFT),
        pressKey("and again", VK_DOWN, SHIFT),
        pressKey("press Ctrl+D", 'D', CTRL),
        expectDocument("the first row's qty fills the range down, nothing else changed",
                       "name,qty,note\nalpha,1,first\nbeta,1,second\ngamma,1,third\n"),
        pressKey("extend the range right with Shift+Right", VK_RIGHT, SHIFT),
        pressKey("press Ctrl+R", 'R', CTRL),
        expectDocument("the first column's values fill the range right",
                       "name,qty,note\nalpha,1,1\nbeta,1,1\ngamma,1,1\n"),
        act("undo twice in the editor", [] {
            SendMessageW(currentView(), SCI_UNDO, 0, 0);
            SendMessageW(currentView(), SCI_UNDO, 0, 0);
        }),
        expectDocument("two undo steps take both fills back", SMALL),
    };
}

// Convert delimiter from the grid's menu by keyboard: the document becomes semicolon-separated
// in one undo step and the grid reads it so.
Scenario convertScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(1, 2),
        pressKey("press the Menu key in the grid", VK_APPS),
        pause(300),
        pressKey("open Convert delimiter by its mnemonic", 'V'),
        pause(300),
        pressKey("choose Convert to semicolon", 'S'),
        expectDocument("every comma between fields became a semicolon",
                       "name;qty;note\nalpha;1;first\nbeta;2;second\ngamma;3;third\n"),
        expect("the grid reads the semicolons: three columns, the status line says so",
               [] { return listCellText(1, 3) == L"second" &&
                           windowText(panelControl(IDC_STATUS)).find(L"delimiter ';'") != std::wstring::npos; },
               [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); }),
        act("undo once in the editor", [] { SendMessageW(currentView(), SCI_UNDO, 0, 0); }),
        expectDocument("one undo takes the conversion back", SMALL),
    };
}

// The figures of a selected range in the status line.
Scenario figuresScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(0, 2),
        pressKey("extend the range down with Shift+Down", VK_DOWN, SHIFT),
        pressKey("and again", VK_DOWN, SHIFT),
        expectStatusShows("the status line shows the qty column's figures", L"3 x 1 selected   |   Count 3  Sum 6  Average 2  Min 1  Max 3"),
        pressKey("extend the range right with Shift+Right", VK_RIGHT, SHIFT),
        expectStatusShows("a column of text adds to Count only", L"Count 6  Sum 6  "),
    };
}

// F8 in the grid on a document with a stray quote: the row becomes current and the status line
// says what is wrong; the host's own F8 (the other view) does not run.
Scenario problemScenario() {
    const auto status = [] { return windowText(panelControl(IDC_STATUS)); };
    return {
        openPanel(),
        expect("the grid shows the document's four rows", [] { return listItemCount() == 4; }),
        expect("the status line counts one problem", [=] { return status().find(L"   |   1 problem") != std::wstring::npos; },
               [=] { return "status: " + utf8(status()); }),
        clickCell(0, 1),
        pressKey("press F8", VK_F8),
        expect("the row with the stray quote is current and its problem is told",
               [=] { return listFocusedItem() == 2 && status().find(L"a stray quote in cell 1") != std::wstring::npos; },
               [=] { return "focused row " + std::to_string(listFocusedItem()) + ", status: " + utf8(status()); }),
        expect("the grid kept the focus", [] { return GetFocus() == panelControl(IDC_GRID_LIST); }),
    };
}

void addEditScenarios() {
    registerScenario("cell-edit-undo", cellEditUndoScenario);
    registerScenario("title-rename", titleRenameScenario);
    registerScenario("title-drag", titleDragScenario);
    registerScenario("fill-down-right", fillScenario);
    registerScenario("convert-delimiter", convertScenario);
    registerScenario("problem-f8", problemScenario);
    registerScenario("selection-figures", figuresScenario);
    registerScenario("cell-edit-refused", refusedCellEditScenario);
    registerScenario("range-edit-bookmarks", rangeEditBookmarksScenario);
    registerScenario("column-edit-bookmarks", columnEditBookmarksScenario);
    registerScenario("focus-after-box", focusAfterBoxScenario);
    registerScenario("grid-host-shortcuts", hostShortcutsScenario);
    registerScenario("grid-remapped-shortcut", remappedShortcutScenario);
    registerScenario("exit-with-panel", exitWithPanelScenario);
}

}  // namespace driver
