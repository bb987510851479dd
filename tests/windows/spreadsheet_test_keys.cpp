// The grid's keys as a spreadsheet user expects them (F2, arrows after typing, Ctrl+arrows, the
// editor's caret following keyboard moves), and the faults users hit in the panel's buttons,
// refreshes and row operations, each driven as the user met it.
#include "spreadsheet_test_support.h"

#include <string>

using namespace tabulon_test;
using devhost::KEY_CTRL;
using devhost::KEY_SHIFT;

namespace {

constexpr int IDC_CELL_EDITOR = 2611;

const std::string GRID = "A,B,C\r\na0,b0,c0\r\na1,b1,c1\r\na2,b2,c2\r\n";

TEST_F(SpreadsheetTest, F2PutsTheCaretAtTheEndAndArrowsCommitOnlyATypedCell) {
    open(GRID, true);
    clickCell(0, 2);
    key(VK_F2);
    const HWND editor = GetDlgItem(list(), IDC_CELL_EDITOR);
    ASSERT_NE(editor, nullptr);
    DWORD from = 0, to = 0;
    SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 2u);
    EXPECT_EQ(to, 2u);
    // In a cell opened with F2 the arrows move the caret in the text.
    pressKey(VK_LEFT);
    typeText(L"X");
    EXPECT_NE(GetDlgItem(list(), IDC_CELL_EDITOR), nullptr);
    pressKey(VK_RETURN);
    EXPECT_EQ(text(), "A,B,C\r\na0,bX0,c0\r\na1,b1,c1\r\na2,b2,c2\r\n");

    // Typed into a fresh cell, an arrow commits and moves like Enter and Tab.
    clickCell(1, 1);
    typeText(L"n");
    pressKey(VK_RIGHT);
    EXPECT_EQ(GetDlgItem(list(), IDC_CELL_EDITOR), nullptr);
    EXPECT_EQ(current(), std::make_pair(1, 2));
    typeText(L"m");
    pressKey(VK_DOWN);
    EXPECT_EQ(current(), std::make_pair(2, 2));
    typeText(L"u");
    pressKey(VK_UP);
    EXPECT_EQ(current(), std::make_pair(1, 2));
    typeText(L"w");
    pressKey(VK_LEFT);
    EXPECT_EQ(current(), std::make_pair(1, 1));
    EXPECT_EQ(text(), "A,B,C\r\na0,bX0,c0\r\nn,w,c1\r\na2,u,c2\r\n");
}

TEST_F(SpreadsheetTest, CtrlArrowsJumpToTheEdgesAndKeyboardMovesTakeTheEditorCaret) {
    std::string doc = "A,B,C\r\n";
    for (int i = 0; i < 60; ++i) doc += "a" + std::to_string(i) + ",b,c\r\n";
    open(doc, true);
    clickCell(5, 2);
    key(VK_DOWN, KEY_CTRL);
    EXPECT_EQ(current(), std::make_pair(59, 2));
    EXPECT_EQ(document().caret, doc.find("a59,"));
    key(VK_RIGHT, KEY_CTRL);
    EXPECT_EQ(current(), std::make_pair(59, 3));
    key(VK_UP, KEY_CTRL | KEY_SHIFT);
    EXPECT_EQ(current(), std::make_pair(0, 3));
    EXPECT_EQ(selectedSize(), L"60 x 1");
    key(VK_LEFT, KEY_CTRL);
    EXPECT_EQ(current(), std::make_pair(0, 1));
    EXPECT_EQ(selectedSize(), L"");
    key(VK_DOWN);
    EXPECT_EQ(document().caret, doc.find("a1,"));
    key(VK_NEXT);
    EXPECT_GT(currentGridRow(), 1);
    EXPECT_EQ(document().caret, doc.find("a" + std::to_string(currentGridRow()) + ","));
}

// After Header row or Delim is changed, the rows selected before are other records: a refresh
// from the top leaves the current cell alone selected.
TEST_F(SpreadsheetTest, ARefreshFromTheTopClearsTheRange) {
    open(GRID, true);
    clickCell(1, 1);
    key(VK_DOWN, KEY_SHIFT);
    ASSERT_EQ(selectedSize(), L"2 x 1");
    clickHeaderRowBox();
    EXPECT_EQ(selectedSize(), L"");
    key('C', KEY_CTRL | KEY_SHIFT);
    EXPECT_EQ(clipboard(), L"A\tB\tC");
    clickCell(2, 0);
    chooseDelimiter(2);  // semicolon: one column
    EXPECT_EQ(selectedSize(), L"");
}

// After a button the keyboard belongs to the grid again.
TEST_F(SpreadsheetTest, TheButtonsGiveTheFocusBackToTheGrid) {
    open(GRID, true);
    for (const int button : {IDC_RELOAD, IDC_ADD_ROW, IDC_ADD_COLUMN, IDC_FIT}) {
        SendMessageW(child(panel(), button), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(child(panel(), button), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        host.pumpUntilIdle();
        EXPECT_EQ(GetFocus(), list()) << button;
    }
    hooks.scriptedAnswers = {IDCANCEL, IDCANCEL};
    for (const int button : {IDC_DELETE_ROW, IDC_DELETE_COLUMN}) {
        SendMessageW(child(panel(), button), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(child(panel(), button), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        host.pumpUntilIdle();
        EXPECT_EQ(GetFocus(), list()) << button;
    }
    typeText(L"q");
    EXPECT_NE(GetDlgItem(list(), IDC_CELL_EDITOR), nullptr);
}

// An outside edit's refresh keeps the rows the user scrolled to, away from the current cell.
TEST_F(SpreadsheetTest, AnOutsideEditKeepsTheRowsInView) {
    std::string document = "A,B\r\n";
    for (int i = 0; i < 300; ++i) document += "r" + std::to_string(i) + ",x\r\n";
    open(document, true);
    clickCell(0, 1);
    SendMessageW(list(), LVM_ENSUREVISIBLE, 250, FALSE);
    host.pumpUntilIdle();
    const int top = topRow();
    ASSERT_GT(top, 100);
    host.mainView().userInsert(text().size(), "end,y\r\n");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(topRow(), top);
    EXPECT_EQ(current(), std::make_pair(0, 1));
}

// Row operations change the row count by exactly the rows they add or remove.
TEST_F(SpreadsheetTest, RowOperationsNeverMergeOrLoseRecords) {
    open("a", false);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "a\r\n\"\"");
    EXPECT_EQ(itemCount(), 2);
}

TEST_F(SpreadsheetTest, DeletingNextToALoneCrKeepsTheRowAfterIt) {
    open("a\rb\r\n\nc", false);
    ASSERT_EQ(itemCount(), 4);
    clickCell(1, 1);
    hooks.scriptedAnswers = {IDOK};
    press(IDC_DELETE_ROW);
    EXPECT_EQ(itemCount(), 3);
    EXPECT_EQ(cellText(1, 1), L"");
    EXPECT_EQ(cellText(2, 1), L"c");
}

TEST_F(SpreadsheetTest, EmptyingTheLastRowWithoutALineEndingKeepsTheRow) {
    open("h\r\na\r\nb", true);
    ASSERT_EQ(itemCount(), 2);
    clickCell(1, 1);
    key(VK_DELETE);
    EXPECT_EQ(text(), "h\r\na\r\n\r\n");
    EXPECT_EQ(itemCount(), 2);
    // The model and the document agree: a reload shows the same, and an edit lands right.
    clickReload();
    EXPECT_EQ(itemCount(), 2);
    clickCell(1, 1);
    typeText(L"z");
    key(VK_RETURN);
    EXPECT_EQ(text(), "h\r\na\r\nz\r\n");
}

// Over the size limit the grid is off, and so are the buttons that would edit it.
TEST_F(SpreadsheetTest, ADocumentOverTheLimitDisablesTheButtons) {
    openPanelWithSettings(std::string(2 * 1024 * 1024, 'x'), "MaxFileMB=1\r\n");
    EXPECT_NE(status().find(L"File is larger than 1 MB"), std::wstring::npos);
    for (const int button : {IDC_ADD_ROW, IDC_DELETE_ROW, IDC_ADD_COLUMN, IDC_DELETE_COLUMN, IDC_FIT}) {
        EXPECT_FALSE(IsWindowEnabled(child(panel(), button))) << button;
    }
    EXPECT_TRUE(IsWindowEnabled(child(panel(), IDC_RELOAD)));
    // Small enough again: they come back.
    host.mainView().userDelete(0, 1024 * 1024 + 16);
    clickReload();
    for (const int button : {IDC_ADD_ROW, IDC_DELETE_ROW, IDC_ADD_COLUMN, IDC_DELETE_COLUMN, IDC_FIT}) {
        EXPECT_TRUE(IsWindowEnabled(child(panel(), button))) << button;
    }
}

}  // namespace

namespace {

// Ctrl+D fills a range down from its first row, Ctrl+R right from its first column, each in
// one undo step with every other byte kept; one cell takes the cell above or to its left.
TEST_F(SpreadsheetTest, CtrlDAndCtrlRFillTheRangeInOneUndoStep) {
    open("A,B,C\r\n\"a,0\",b0,c0\r\na1,b1,c1\r\na2,b2\r\n", true);
    const size_t steps = document().undoStepCount();
    clickCell(0, 1);
    shiftClickCell(2, 2);
    key('D', KEY_CTRL);
    EXPECT_EQ(text(), "A,B,C\r\n\"a,0\",b0,c0\r\n\"a,0\",b0,c1\r\n\"a,0\",b0\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(selectedSize(), L"3 x 2");

    clickCell(1, 2);
    shiftClickCell(1, 3);
    key('R', KEY_CTRL);
    EXPECT_EQ(text(), "A,B,C\r\n\"a,0\",b0,c0\r\n\"a,0\",b0,b0\r\n\"a,0\",b0\r\n");
    clickCell(2, 3);
    key('D', KEY_CTRL);
    EXPECT_EQ(text(), "A,B,C\r\n\"a,0\",b0,c0\r\n\"a,0\",b0,b0\r\n\"a,0\",b0,b0\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 3);
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), "A,B,C\r\n\"a,0\",b0,c0\r\n\"a,0\",b0,b0\r\n\"a,0\",b0\r\n");

    // A value typed with a range selected and Ctrl+Enter goes into every cell of the range.
    ASSERT_TRUE(waitForRefresh());
    clickCell(1, 2);
    shiftClickCell(2, 3);
    typeText(L"x,y");
    pressKey(VK_RETURN, KEY_CTRL);
    EXPECT_EQ(text(), "A,B,C\r\n\"a,0\",b0,c0\r\n\"a,0\",\"x,y\",\"x,y\"\r\n\"a,0\",\"x,y\",\"x,y\"\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 3);
    EXPECT_EQ(selectedSize(), L"2 x 2");
    EXPECT_TRUE(hooks.boxes.empty());
}

}  // namespace
