// The grid's keys and mouse as a user drives them: typing and the in-place editor's keys, the
// moves of the current cell, the list's own keys, clicks and the wheel while a cell is edited.
#include "cell_edit_support.h"
#include "menu_watch.h"

#include <string>
#include <utility>

using namespace tabulon_test;
using devhost::KEY_CTRL;
using devhost::KEY_SHIFT;

namespace {

// Three data rows of three cells under a header record.
const std::string THREE_BY_THREE = "A,B,C\r\na1,b1,c1\r\na2,b2,c2\r\na3,b3,c3\r\n";

std::pair<int, int> cell(int row, int column) {
    return {row, column};
}

// ---- the in-place editor ----------------------------------------------------------------

TEST_F(CellEditTest, TypingALetterOpensTheEditorWithThatLetterAlone) {
    openPanel("h1,h2\r\nabc,d\r\ne,f\r\n");
    type(L"x");
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(GetFocus(), editor());
    EXPECT_EQ(editorText(), L"x");
    EXPECT_EQ(editorSelection(), std::make_pair(DWORD{1}, DWORD{1}));
    EXPECT_FALSE(editorIsMultiLine());

    // Esc drops the edit: the cell keeps abc and the grid has the focus again.
    press(VK_ESCAPE);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(GetFocus(), list());
    EXPECT_EQ(document(), "h1,h2\r\nabc,d\r\ne,f\r\n");
    EXPECT_EQ(current(), cell(1, 1));

    // Enter writes the letter and moves down; the editor lay over the cell it edited.
    type(L"x");
    RECT editorRect{}, cellRect{};
    GetWindowRect(editor(), &editorRect);
    MapWindowPoints(nullptr, list(), reinterpret_cast<POINT*>(&editorRect), 2);
    cellRect.top = 1;
    cellRect.left = LVIR_BOUNDS;
    SendMessageW(list(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cellRect));
    EXPECT_EQ(editorRect.left, cellRect.left);
    EXPECT_EQ(editorRect.top, cellRect.top);
    EXPECT_EQ(editorRect.right, cellRect.right);
    EXPECT_EQ(editorRect.bottom - editorRect.top, cellRect.bottom - cellRect.top);
    press(VK_RETURN);
    EXPECT_EQ(document(), "h1,h2\r\nx,d\r\ne,f\r\n");
    EXPECT_EQ(current(), cell(2, 1));
    EXPECT_EQ(GetFocus(), list());

    // Control characters and Ctrl combinations are not typing; neither is the row-number column.
    type(L"\x01");
    press('A', KEY_CTRL);
    press('Z', KEY_CTRL);
    EXPECT_EQ(editor(), nullptr);
    // A character typed with AltGr comes with Ctrl held.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    type(L"@");
    keys[VK_CONTROL] = keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(editor(), nullptr);
    goTo(0, 0);
    type(L"y");
    EXPECT_EQ(editor(), nullptr);
    press(VK_RETURN);
    EXPECT_EQ(editor(), nullptr);
}

TEST_F(CellEditTest, EnterF2AndDoubleClickOpenTheCellWithItsTextSelected) {
    openPanel(THREE_BY_THREE);
    press(VK_RETURN);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editorText(), L"a1");
    EXPECT_EQ(editorSelection(), std::make_pair(DWORD{0}, DWORD{2}));
    press(VK_RETURN, KEY_SHIFT);  // unchanged: nothing written; Shift+Enter on the first row stays
    EXPECT_EQ(current(), cell(1, 1));
    EXPECT_EQ(undoSteps(), 0u);

    press(VK_F2);
    EXPECT_EQ(editorText(), L"a1");
    press(VK_ESCAPE);

    doubleClickCell(2, 2);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editorText(), L"b3");
    EXPECT_EQ(current(), cell(3, 2));
    // Enter on the last row writes and stays on that row.
    type(L"n");
    press(VK_RETURN);
    EXPECT_EQ(document(), "A,B,C\r\na1,b1,c1\r\na2,b2,c2\r\na3,n,c3\r\n");
    EXPECT_EQ(current(), cell(3, 2));

    // A double-click on a row number opens nothing.
    doubleClickCell(1, 0);
    EXPECT_EQ(editor(), nullptr);
}

TEST_F(CellEditTest, TabAndShiftTabInTheEditorCommitAndWrapAtTheRowEnds) {
    openPanel(THREE_BY_THREE);
    goTo(0, 3);
    type(L"t");
    press(VK_TAB);  // last column: on to column 1 of the next row
    EXPECT_EQ(current(), cell(2, 1));
    press(VK_F2);
    press(VK_TAB, KEY_SHIFT);  // column 1: back to the last column of the row above
    EXPECT_EQ(current(), cell(1, 3));
    goTo(2, 3);
    press(VK_F2);
    press(VK_TAB);  // the very last cell: the row is clamped
    EXPECT_EQ(current(), cell(3, 1));
    goTo(0, 1);
    press(VK_F2);
    press(VK_TAB, KEY_SHIFT);  // the very first cell: the last column of the first row
    EXPECT_EQ(current(), cell(1, 3));
    EXPECT_EQ(document(), "A,B,C\r\na1,b1,t\r\na2,b2,c2\r\na3,b3,c3\r\n");
}

TEST_F(CellEditTest, CtrlEnterPutsALineBreakIntoTheCellWhichIsWrittenQuoted) {
    openPanel("h,i\r\nv,w\r\n");
    type(L"a");
    press(VK_RETURN, KEY_CTRL);
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(editorIsMultiLine());
    type(L"b");
    EXPECT_EQ(editorText(), L"a\r\nb");
    press(VK_RETURN);
    EXPECT_EQ(document(), "h,i\r\n\"a\r\nb\",w\r\n");
    EXPECT_EQ(undoSteps(), 1u);
    EXPECT_EQ(itemCount(), 1);  // still one record

    // A cell holding a line break opens in the multi-line form, four cells high, with its
    // line break as it is; there Ctrl+Enter is the control's own.
    press(VK_UP);
    press(VK_F2);
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(editorIsMultiLine());
    EXPECT_EQ(editorText(), L"a\r\nb");
    RECT editorRect{}, cellRect{};
    GetWindowRect(editor(), &editorRect);
    cellRect.top = 1;
    cellRect.left = LVIR_BOUNDS;
    SendMessageW(list(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cellRect));
    EXPECT_EQ(editorRect.bottom - editorRect.top, 4 * (cellRect.bottom - cellRect.top));
    press(VK_END, KEY_CTRL);
    press(VK_RETURN, KEY_CTRL);
    type(L"c");
    press(VK_RETURN);
    EXPECT_EQ(document(), "h,i\r\n\"a\r\nb\r\nc\",w\r\n");
}

// ---- moving the current cell ------------------------------------------------------------

TEST_F(CellEditTest, HomeEndAndTheArrowsMoveTheCurrentCellAndStopAtTheEdges) {
    openPanel(THREE_BY_THREE);
    goTo(1, 2);
    press(VK_END);
    EXPECT_EQ(current(), cell(2, 3));
    press(VK_HOME);
    EXPECT_EQ(current(), cell(2, 1));
    press(VK_END, KEY_CTRL);
    EXPECT_EQ(current(), cell(3, 3));
    press(VK_HOME, KEY_CTRL);
    EXPECT_EQ(current(), cell(1, 1));

    press(VK_UP);  // the top row holds
    EXPECT_EQ(current(), cell(1, 1));
    press(VK_LEFT);  // wraps to the last column, the first row clamped
    EXPECT_EQ(current(), cell(1, 3));
    press(VK_RIGHT);  // wraps to the next row
    EXPECT_EQ(current(), cell(2, 1));
    press(VK_DOWN);
    press(VK_DOWN);  // the bottom row holds
    EXPECT_EQ(current(), cell(3, 1));
    press(VK_LEFT);
    EXPECT_EQ(current(), cell(2, 3));
    EXPECT_EQ(focusedRow(), 1);
    EXPECT_EQ(selectedSize(), L"");
    EXPECT_FALSE(listHasSelection());

    // Tab and Shift+Tab on the grid step like Right and Left.
    press(VK_TAB);
    EXPECT_EQ(current(), cell(3, 1));
    press(VK_TAB, KEY_SHIFT);
    EXPECT_EQ(current(), cell(2, 3));
    EXPECT_EQ(GetFocus(), list());  // the dialog never took Tab for its own
}

TEST_F(CellEditTest, PageDownMovesAPageShiftDownExtendsTheRangeAndTabReducesIt) {
    std::string text = "h1,h2\r\n";
    for (int i = 0; i < 200; ++i) text += "r" + std::to_string(i) + ",x\r\n";
    openPanel(text);
    goTo(0, 2);
    press(VK_NEXT);
    const std::pair<int, int> paged = current();
    EXPECT_GT(paged.first, 2);
    EXPECT_EQ(paged.second, 2);
    EXPECT_EQ(focusedRow(), paged.first - 1);
    press(VK_NEXT);
    EXPECT_GT(current().first, paged.first);

    goTo(3, 2);
    press(VK_DOWN, KEY_SHIFT);
    press(VK_DOWN, KEY_SHIFT);
    EXPECT_EQ(selectedSize(), L"3 x 1");
    EXPECT_EQ(current(), cell(6, 2));
    press(VK_TAB);
    EXPECT_EQ(current(), cell(7, 1));
    EXPECT_EQ(selectedSize(), L"");
    EXPECT_FALSE(listHasSelection());

    // Escape in the grid is nobody's: the panel stays, nothing opens or closes.
    press(VK_ESCAPE);
    EXPECT_TRUE(IsWindowVisible(panel()));
    EXPECT_EQ(current(), cell(7, 1));
}

// ---- the mouse while a cell is edited ---------------------------------------------------

TEST_F(CellEditTest, ClickingAnotherCellWritesTheEditIntoTheEditedCell) {
    openPanel(THREE_BY_THREE);
    goTo(0, 1);
    type(L"q");
    clickCell(1, 2);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(document(), "A,B,C\r\nq,b1,c1\r\na2,b2,c2\r\na3,b3,c3\r\n");
    EXPECT_EQ(current(), cell(2, 2));  // the clicked cell stays current

    // A right click makes a cell current without moving the host editor's caret.
    host.mainView().document().caret = 0;
    {
        tabulon_test::MenuWatch menu(panel(), 0);  // the context menu opens; close it unused
        devhost::rightClick(host, list(), devhost::listCellCenter(list(), 2, 3));
        EXPECT_EQ(menu.shown, 1);
    }
    EXPECT_EQ(current(), cell(3, 3));
    EXPECT_EQ(host.mainView().document().caret, 0u);
}

TEST_F(CellEditTest, TheWheelWritesTheEditBeforeTheListScrolls) {
    std::string text = "h1,h2\r\n";
    for (int i = 0; i < 100; ++i) text += "r" + std::to_string(i) + ",x\r\n";
    openPanel(text);
    type(L"w");
    ASSERT_NE(editor(), nullptr);
    devhost::wheel(host, list(), -WHEEL_DELTA);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(document().substr(0, 14), "h1,h2\r\nw,x\r\nr1");
    EXPECT_EQ(current(), cell(1, 1));
    EXPECT_EQ(GetFocus(), list());
    EXPECT_GT(topRow(), 0);

    // A scroll bar message the same. F2 puts the caret after the text, so "v" is added to it.
    press(VK_F2);
    type(L"v");
    ASSERT_NE(editor(), nullptr);
    SendMessageW(list(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(document().substr(0, 15), "h1,h2\r\nwv,x\r\nr1");
}

}  // namespace

namespace {

// ---- the editor's colours and its end at shut-down -------------------------------------

// The background an editor colour request gets from the grid, and the brush's colour.
std::pair<COLORREF, COLORREF> editorColours(HWND list, HWND editor) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetBkColor(dc, RGB(1, 2, 3));
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(list, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(editor)));
    LOGBRUSH fill{};
    GetObjectW(brush, sizeof fill, &fill);
    const COLORREF background = GetBkColor(dc);
    DeleteDC(dc);
    return {background, fill.lbColor};
}

TEST_F(CellEditTest, InDarkModeTheEditorTakesThePanelsColours) {
    openPanel(THREE_BY_THREE);
    type(L"x");
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editorColours(list(), editor()).first, GetSysColor(COLOR_WINDOW));
    press(VK_ESCAPE);

    host.setDarkMode(true);
    SetFocus(list());
    type(L"x");
    ASSERT_NE(editor(), nullptr);
    const std::pair<COLORREF, COLORREF> dark = editorColours(list(), editor());
    EXPECT_NE(dark.first, GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(dark.first, dark.second);
}

TEST_F(CellEditTest, ShutDownWithAnOpenEditorWritesNothing) {
    openPanel(THREE_BY_THREE);
    type(L"unsaved");
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(host.shutdownPlugin());
    EXPECT_EQ(document(), THREE_BY_THREE);
    EXPECT_EQ(undoSteps(), 0u);
    EXPECT_TRUE(hooks.boxes.empty());
}

}  // namespace
