// The grid's context menu: what it shows on cells, row numbers and column titles, how it is
// opened from the keyboard, and what its items do; and Ctrl+Plus and Ctrl+Minus beside it.
#include "spreadsheet_test_support.h"

#include <string>
#include <vector>

using namespace tabulon_test;
using devhost::KEY_CTRL;
using devhost::KEY_SHIFT;

namespace {

const std::string GRID = "A,B,C\r\na0,b0,c0\r\na1,b1,c1\r\na2,b2,c2\r\n";

std::vector<std::wstring> texts(const std::vector<ShownMenuItem>& items) {
    std::vector<std::wstring> out;
    for (const ShownMenuItem& item : items) out.push_back(item.text);
    return out;
}

const std::vector<std::wstring> ROW_MENU = {
    L"Cu&t\tCtrl+X",  L"&Copy\tCtrl+C", L"Copy &with titles", L"Copy as Mar&kdown", L"Copy as &HTML",
    L"Copy as &JSON", L"&Paste\tCtrl+V", L"Cl&ear\tDelete", L"",
    L"Insert row &above\tCtrl+Plus", L"Insert row &below", L"&Delete rows\tCtrl+Minus", L"",
    L"Insert column &left", L"Insert column &right", L"Delete colu&mn", L"Re&name title",
    L"Move column le&ft", L"Move column ri&ght", L"",
    L"&Sort ascending", L"S&ort descending", L"Sort b&y...", L"",
    L"F&ilter\tCtrl+Shift+L", L"Filter by this val&ue", L"Clear filter", L"", L"Con&vert delimiter",
};
const std::vector<std::wstring> COLUMN_MENU = {
    L"Cu&t\tCtrl+X",  L"&Copy\tCtrl+C", L"Copy &with titles", L"Copy as Mar&kdown", L"Copy as &HTML",
    L"Copy as &JSON", L"&Paste\tCtrl+V", L"Cl&ear\tDelete", L"",
    L"Insert row &above", L"Insert row &below", L"&Delete rows", L"",
    L"Insert column &left\tCtrl+Plus", L"Insert column &right", L"Delete colu&mn\tCtrl+Minus",
    L"Re&name title\tF2", L"Move column le&ft\tCtrl+Shift+Left", L"Move column ri&ght\tCtrl+Shift+Right", L"",
    L"&Sort ascending", L"S&ort descending", L"Sort b&y...", L"",
    L"F&ilter\tCtrl+Shift+L", L"Clear this column's filter", L"", L"Hide column\tCtrl+0",
    L"Show hidden columns\tCtrl+Shift+0", L"Free&ze columns up to here", L"Unfreeze", L"", L"Con&vert delimiter",
};

TEST_F(SpreadsheetTest, TheMenuOnCellsRowNumbersAndColumnTitlesWithItsShortcuts) {
    open(GRID, true);
    {
        MenuWatch watch(panel(), 0);
        rightClickCell(1, 2);
        ASSERT_EQ(watch.shown, 1);
        EXPECT_EQ(texts(watch.items), ROW_MENU);
        // Everything applies to a cell, but clearing a filter there is none of.
        for (const ShownMenuItem& item : watch.items) {
            EXPECT_TRUE(item.text.empty() || item.enabled || item.text == L"Clear filter") << item.text;
        }
        // The right click made the cell current; closing the menu did nothing else.
        EXPECT_EQ(current(), std::make_pair(1, 2));
        EXPECT_EQ(text(), GRID);
    }
    {
        MenuWatch watch(panel(), 0);
        rightClickCell(2, 0);
        ASSERT_EQ(watch.shown, 1);
        EXPECT_EQ(texts(watch.items), ROW_MENU);
        EXPECT_EQ(selectedSize(), L"1 x 3");
    }
    {
        MenuWatch watch(panel(), 0);
        rightClickHeader(3);
        ASSERT_EQ(watch.shown, 1);
        EXPECT_EQ(texts(watch.items), COLUMN_MENU);
        EXPECT_EQ(selectedSize(), L"3 x 1");
        EXPECT_EQ(currentListColumn(), 3);
    }
    // A right click inside a range keeps the range for the menu.
    clickCell(0, 1);
    shiftClickCell(1, 2);
    {
        MenuWatch watch(panel(), L'c');
        // TABULON_MENU_SCREENSHOT names a BMP file for a picture of the range and its menu.
        if (const wchar_t* path = _wgetenv(L"TABULON_MENU_SCREENSHOT")) watch.screenshot = path;
        rightClickCell(1, 1);
        EXPECT_EQ(selectedSize(), L"2 x 2");
    }
    EXPECT_EQ(clipboard(), L"a0\tb0\r\na1\tb1");
}

TEST_F(SpreadsheetTest, TheMenuKeyAndShiftF10OpenTheMenuAtTheCurrentCell) {
    open(GRID, true);
    clickCell(2, 3);
    {
        MenuWatch watch(panel(), L'c');
        key(VK_APPS);
        EXPECT_EQ(watch.shown, 1);
    }
    EXPECT_EQ(clipboard(), L"c2");
    {
        MenuWatch watch(panel(), L'e');  // Clear
        key(VK_F10, KEY_SHIFT);
        EXPECT_EQ(watch.shown, 1);
    }
    EXPECT_EQ(text(), "A,B,C\r\na0,b0,c0\r\na1,b1,c1\r\na2,b2,\r\n");
    EXPECT_EQ(GetFocus(), list());
}

TEST_F(SpreadsheetTest, RowItemsInsertOnTheSideTheySayAndPlusRowMatchesBelow) {
    open("A,B\r\na0,b0\r\na1,b1\r\n", true);
    clickCell(1, 2);
    {
        MenuWatch watch(panel(), L'a');
        rightClickCell(1, 2);
    }
    EXPECT_EQ(text(), "A,B\r\na0,b0\r\n,\r\na1,b1\r\n");
    EXPECT_EQ(current(), std::make_pair(1, 2));  // the new row
    {
        MenuWatch watch(panel(), L'b');
        rightClickCell(2, 1);
    }
    EXPECT_EQ(text(), "A,B\r\na0,b0\r\n,\r\na1,b1\r\n,\r\n");
    EXPECT_EQ(current(), std::make_pair(3, 1));
    // + Row is the menu's "below".
    clickCell(0, 1);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "A,B\r\na0,b0\r\n,\r\n,\r\na1,b1\r\n,\r\n");
}

TEST_F(SpreadsheetTest, ColumnItemsInsertOnTheSideTheySayAndPlusColMatchesLeft) {
    open("A,B\r\na,b\r\n", true);
    clickCell(0, 1);
    {
        MenuWatch watch(panel(), L'r');
        rightClickCell(0, 1);
    }
    EXPECT_EQ(text(), "A,,B\r\na,,b\r\n");
    EXPECT_EQ(currentListColumn(), 2);
    {
        MenuWatch watch(panel(), L'l');
        rightClickCell(0, 2);
    }
    EXPECT_EQ(text(), "A,,,B\r\na,,,b\r\n");
    // + Col is the menu's "left".
    clickCell(0, 4);
    press(IDC_ADD_COLUMN);
    EXPECT_EQ(text(), "A,,,,B\r\na,,,,b\r\n");
}

TEST_F(SpreadsheetTest, CtrlPlusAndCtrlMinusInsertAndDeleteRowsOrTheSelectedColumn) {
    open("A,B\r\na0,b0\r\na1,b1\r\n", true);
    clickCell(1, 1);
    key(VK_OEM_PLUS, KEY_CTRL);
    EXPECT_EQ(text(), "A,B\r\na0,b0\r\n,\r\na1,b1\r\n");
    hooks.scriptedAnswers = {IDOK};
    key(VK_SUBTRACT, KEY_CTRL);
    EXPECT_EQ(boxTexts().back(), L"Delete 1 row(s) from the document?");
    EXPECT_EQ(text(), "A,B\r\na0,b0\r\na1,b1\r\n");
    // The number pad's plus does the same, and the new row is current, as with the other plus.
    clickCell(1, 2);
    key(VK_ADD, KEY_CTRL);
    EXPECT_EQ(text(), "A,B\r\na0,b0\r\n,\r\na1,b1\r\n");
    EXPECT_EQ(current(), std::make_pair(1, 2));
    hooks.scriptedAnswers = {IDOK};
    key(VK_SUBTRACT, KEY_CTRL);
    EXPECT_EQ(text(), "A,B\r\na0,b0\r\na1,b1\r\n");

    ctrlClickHeader(2);
    key(VK_ADD, KEY_CTRL);
    EXPECT_EQ(text(), "A,,B\r\na0,,b0\r\na1,,b1\r\n");
    clickCell(0, 3);
    key(VK_SPACE, KEY_CTRL);
    hooks.scriptedAnswers = {IDOK};
    key(VK_OEM_MINUS, KEY_CTRL);
    EXPECT_EQ(boxTexts().back(), L"Delete column \"B\" from every row?");
    EXPECT_EQ(text(), "A,\r\na0,\r\na1,\r\n");
}

TEST_F(SpreadsheetTest, MenuCutPasteAndDeleteRowsActOnTheSelection) {
    open(GRID, true);
    clickCell(0, 1);
    shiftClickCell(0, 2);
    {
        MenuWatch watch(panel(), L't');
        rightClickCell(0, 1);
    }
    EXPECT_EQ(clipboard(), L"a0\tb0");
    EXPECT_EQ(text(), "A,B,C\r\n,,c0\r\na1,b1,c1\r\na2,b2,c2\r\n");
    clickCell(2, 2);
    {
        MenuWatch watch(panel(), L'p');
        rightClickCell(2, 2);
    }
    EXPECT_EQ(text(), "A,B,C\r\n,,c0\r\na1,b1,c1\r\na2,a0,b0\r\n");
    clickCell(1, 0);
    shiftClickCell(2, 0);
    hooks.scriptedAnswers = {IDOK};
    {
        MenuWatch watch(panel(), L'd');
        rightClickCell(2, 0);
    }
    EXPECT_EQ(boxTexts().back(), L"Delete 2 row(s) from the document?");
    EXPECT_EQ(text(), "A,B,C\r\n,,c0\r\n");
}

}  // namespace

namespace {

// "Copy as" puts the range with its titles on the clipboard in the chosen form.
TEST_F(SpreadsheetTest, CopyAsPutsTheRangeAsMarkdownHtmlOrJson) {
    open("id,note\r\n1,\"a|b\"\r\n2,\"x<y\"\r\n", true);
    clickCell(0, 1);
    shiftClickCell(1, 2);
    const std::pair<wchar_t, std::wstring> forms[] = {
        {L'k', L"| id | note |\r\n| --- | --- |\r\n| 1 | a\\|b |\r\n| 2 | x<y |"},
        {L'h', L"<table>\r\n<thead><tr><th>id</th><th>note</th></tr></thead>\r\n<tbody>\r\n"
               L"<tr><td>1</td><td>a|b</td></tr>\r\n<tr><td>2</td><td>x&lt;y</td></tr>\r\n</tbody>\r\n</table>"},
        {L'j', L"[\r\n  {\"id\": \"1\", \"note\": \"a|b\"},\r\n  {\"id\": \"2\", \"note\": \"x<y\"}\r\n]"},
    };
    for (const auto& [mnemonic, expected] : forms) {
        {
            MenuWatch watch(panel(), mnemonic);
            rightClickCell(1, 1);
        }
        EXPECT_EQ(clipboard(), expected);
    }
    EXPECT_EQ(text(), "id,note\r\n1,\"a|b\"\r\n2,\"x<y\"\r\n");
}

// A selected column moves with Ctrl+Shift+Right and the title's menu: every record's cells
// change places with their exact bytes, in one undo step, and the column stays selected.
TEST_F(SpreadsheetTest, AColumnMovesWithItsBytesAndStaysSelected) {
    open("id,\"note, long\",x\r\n1,\"a,b\",p\r\n2\r\n", true);
    const size_t steps = document().undoStepCount();
    ctrlClickHeader(1);
    key(VK_RIGHT, KEY_CTRL | KEY_SHIFT);
    EXPECT_EQ(text(), "\"note, long\",id,x\r\n\"a,b\",1,p\r\n,2\r\n");
    EXPECT_EQ(currentListColumn(), 2);
    EXPECT_EQ(selectedSize(), L"2 x 1");
    {
        MenuWatch watch(panel(), L'f');
        rightClickHeader(2);
    }
    EXPECT_EQ(text(), "id,\"note, long\",x\r\n1,\"a,b\",p\r\n2,\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 2);
    EXPECT_TRUE(hooks.boxes.empty());
}

// Convert delimiter: every delimiter between fields becomes the new one in one undo step, a
// field the new one would split gets quotes, every other field keeps its bytes, and the grid
// reads the document with the new delimiter.
TEST_F(SpreadsheetTest, ConvertDelimiterRewritesTheDelimitersAndTheGridFollows) {
    open("a,b\r\n1,\"x;y\"\r\n2,3;4\r\n", true);
    const size_t steps = document().undoStepCount();
    {
        MenuWatch watch(panel(), L"vs");
        rightClickCell(0, 1);
        EXPECT_EQ(texts(watch.items), (std::vector<std::wstring>{L"Convert to &comma", L"Convert to &semicolon",
                                                                  L"Convert to &tab", L"Convert to &pipe"}));
        EXPECT_FALSE(watch.items[0].enabled);  // the document's own
    }
    EXPECT_EQ(text(), "a;b\r\n1;\"x;y\"\r\n2;\"3;4\"\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(cellText(1, 2), L"3;4");
    EXPECT_NE(status().find(L"delimiter ';'"), std::wstring::npos) << status();
    {
        MenuWatch watch(panel(), L"vt");
        rightClickCell(0, 1);
    }
    EXPECT_EQ(text(), "a\tb\r\n1\t\"x;y\"\r\n2\t\"3;4\"\r\n");
    EXPECT_EQ(cellText(0, 2), L"x;y");
    EXPECT_TRUE(hooks.boxes.empty());
}

// A first line "sep=X" names the delimiter: it is neither a row nor the titles, and the
// operations leave it alone; converting changes its X with the rest, in the same step.
TEST_F(SpreadsheetTest, ASepLineNamesTheDelimiterAndNoOperationTouchesIt) {
    open("sep=;\r\nb;a\r\n2;x\r\n1;y\r\n", true);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"b", L"a"}));
    EXPECT_EQ(itemCount(), 2);
    EXPECT_NE(status().find(L"delimiter ';'"), std::wstring::npos) << status();
    {
        MenuWatch watch(panel(), L's');  // Sort ascending
        rightClickCell(0, 1);
    }
    EXPECT_EQ(text(), "sep=;\r\nb;a\r\n1;y\r\n2;x\r\n");
    {
        MenuWatch watch(panel(), L'g');  // Move column right
        rightClickHeader(1);
    }
    EXPECT_EQ(text(), "sep=;\r\na;b\r\ny;1\r\nx;2\r\n");
    {
        MenuWatch watch(panel(), L"vc");
        rightClickCell(0, 1);
    }
    EXPECT_EQ(text(), "sep=,\r\na,b\r\ny,1\r\nx,2\r\n");
    EXPECT_EQ(cellText(0, 2), L"1");
    EXPECT_TRUE(hooks.boxes.empty());
}

// The figures of a selected range in the status line: Count, and Sum, Average, Min and Max of
// its numbers; a range too large to read at once shows "..." until the background has read it.
TEST_F(SpreadsheetTest, TheStatusLineShowsTheFiguresOfTheSelectedRange) {
    open("n,v\r\n1,2.5\r\n2,x\r\n3,\r\n", true);
    clickCell(0, 1);
    shiftClickCell(2, 2);
    EXPECT_NE(status().find(L"3 x 2 selected   |   Count 5  Sum 8.5  Average 2.125  Min 1  Max 3"),
              std::wstring::npos) << status();
    clickCell(1, 2);
    EXPECT_EQ(status().find(L"Count"), std::wstring::npos) << status();

    std::string large = "n\r\n";
    for (int i = 1; i <= 300000; ++i) large += std::to_string(i) + "\r\n";
    open(large, true);
    clickCell(0, 1);
    // Ctrl+A handed to the grid alone, without pumping the ticks that finish the figures.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(list(), WM_KEYDOWN, 'A', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_NE(status().find(L"Count \u2026"), std::wstring::npos) << status();
    host.pumpFor(1500);
    EXPECT_NE(status().find(L"Count 300000  Sum 45,000,150,000  Average 150,000.5  Min 1  Max 300,000"),
              std::wstring::npos) << status();
}

}  // namespace
