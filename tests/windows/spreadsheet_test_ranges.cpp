// Ranges of cells as a user selects them (Shift+arrows, Shift+click, a drag, row numbers, a
// column title, Ctrl+A) and what copy, cut, Delete and paste do with them, checked on the
// clipboard's text and the document's bytes.
#include "spreadsheet_test_support.h"
#include "menu_watch.h"

#include <string>

using namespace tabulon_test;
using devhost::KEY_CTRL;
using devhost::KEY_SHIFT;

namespace {

// A header record and four rows of three cells: the value of row r, column c is "<c><r>".
const std::string GRID = "A,B,C\r\na0,b0,c0\r\na1,b1,c1\r\na2,b2,c2\r\na3,b3,c3\r\n";

TEST_F(SpreadsheetTest, ShiftArrowsShiftClickAndADragSelectARectangle) {
    open(GRID, true);
    clickCell(1, 1);
    key(VK_RIGHT, KEY_SHIFT);
    key(VK_DOWN, KEY_SHIFT);
    EXPECT_EQ(selectedSize(), L"2 x 2");
    EXPECT_EQ(current(), std::make_pair(2, 2));
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"a1\tb1\r\na2\tb2");
    // Shift+Up shrinks it back towards the anchor; a plain arrow collapses it.
    key(VK_UP, KEY_SHIFT);
    EXPECT_EQ(selectedSize(), L"1 x 2");
    key(VK_DOWN);
    EXPECT_EQ(selectedSize(), L"");
    EXPECT_EQ(current(), std::make_pair(2, 2));

    // Shift+click spans from the anchor, which the keyboard moved with the current cell.
    shiftClickCell(0, 3);
    EXPECT_EQ(selectedSize(), L"3 x 2");
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"b0\tc0\r\nb1\tc1\r\nb2\tc2");

    // A drag from the bottom right to the top left: the rectangle, the current cell where the
    // pointer stopped.
    drag(3, 3, 2, 1);
    EXPECT_EQ(selectedSize(), L"2 x 3");
    EXPECT_EQ(current(), std::make_pair(2, 1));
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"a2\tb2\tc2\r\na3\tb3\tc3");
}

// The selection's anchor follows keyboard moves: after a click on row 2 and two Enters, a
// Shift+Down selects the rows from where the current cell is, not from where it was clicked.
// Scrolled sideways, a click at the list's left edge is on the row numbers that stay there,
// and Home brings the first data column back into view right of them.
TEST_F(SpreadsheetTest, TheRowNumbersStayClickableWhenScrolledSideways) {
    std::string wide = "h0";
    std::string row = "first";
    for (int i = 1; i < 30; ++i) {
        wide += ",h" + std::to_string(i);
        row += ",value " + std::to_string(i);
    }
    open(wide + "\r\n" + row + "\r\n" + row + "\r\n", true);
    SendMessageW(list(), LVM_SCROLL, 300, 0);
    host.pumpUntilIdle();
    RECT rowArea{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rowArea));
    const int width = static_cast<int>(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 0, 0));
    devhost::click(host, list(), POINT{width / 2, (rowArea.top + rowArea.bottom) / 2});
    EXPECT_EQ(selectedSize(), L"1 x 30");
    EXPECT_EQ(current().first, 1);

    key(VK_HOME);
    RECT first{LVIR_BOUNDS, 1, 0, 0};
    SendMessageW(list(), LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&first));
    EXPECT_GE(first.left, width);
}

TEST_F(SpreadsheetTest, KeyboardMovesTakeTheAnchorAlong) {
    open(GRID, true);
    clickCell(0, 1);
    key(VK_RETURN);       // opens the editor
    pressKey(VK_RETURN);  // to the editor: commits unchanged and moves down
    key(VK_DOWN);
    EXPECT_EQ(current(), std::make_pair(2, 1));
    key(VK_DOWN, KEY_SHIFT);
    EXPECT_EQ(selectedSize(), L"2 x 1");
    key('C', KEY_CTRL | KEY_SHIFT);
    EXPECT_EQ(clipboard(), L"a2\tb2\tc2\r\na3\tb3\tc3");
}

TEST_F(SpreadsheetTest, RowNumbersColumnTitlesAndCtrlASelectWholeRowsColumnsAndAll) {
    open(GRID, true);
    clickCell(1, 0);
    EXPECT_EQ(selectedSize(), L"1 x 3");
    shiftClickCell(2, 0);
    EXPECT_EQ(selectedSize(), L"2 x 3");
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"a1\tb1\tc1\r\na2\tb2\tc2");
    // Ctrl+click adds a row that is not next to them.
    devhost::click(host, list(), devhost::listCellCenter(list(), 0, 0), KEY_CTRL);
    key('C', KEY_CTRL | KEY_SHIFT);
    EXPECT_EQ(clipboard(), L"a0\tb0\tc0\r\na1\tb1\tc1\r\na2\tb2\tc2");

    // Whole columns and everything copy with their titles when the header row is on.
    ctrlClickHeader(2);
    EXPECT_EQ(selectedSize(), L"4 x 1");
    EXPECT_EQ(GetFocus(), list());
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"B\r\nb0\r\nb1\r\nb2\r\nb3");

    key('A', KEY_CTRL);
    EXPECT_EQ(selectedSize(), L"4 x 3");
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"A\tB\tC\r\na0\tb0\tc0\r\na1\tb1\tc1\r\na2\tb2\tc2\r\na3\tb3\tc3");
}

// "Copy with titles" in the context menu puts the titles of any range's columns first, and is
// off without a header row.
TEST_F(SpreadsheetTest, CopyWithTitlesPutsTheRangesTitlesFirst) {
    open(GRID, true);
    clickCell(1, 2);
    shiftClickCell(2, 3);
    {
        MenuWatch watch(panel(), L'w');
        key(VK_APPS);
    }
    EXPECT_EQ(clipboard(), L"B\tC\r\nb1\tc1\r\nb2\tc2");
    clickCell(0, 1);
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"a0");  // a single cell alone, as ever
}

// A range copies as a spreadsheet writes it: a field with a tab, a line break or a leading
// quote in quotes, its quotes doubled; pasted back it gives the same values.
TEST_F(SpreadsheetTest, ARangeCopiesInTheQuotedFormAndPastesBackToTheSameValues) {
    const std::string rows = "\"t\tx\",\"l1\r\nl2\"\r\n\"\"\"q\"\"\",\"a,b\"\r\n";
    open(rows + ",\r\n,\r\n", false);
    clickCell(0, 1);
    shiftClickCell(1, 2);
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"\"t\tx\"\t\"l1\r\nl2\"\r\n\"\"\"q\"\"\"\ta,b");
    clickCell(2, 1);
    key('V', KEY_CTRL);
    // The same values; the tab alone needs no quotes in a comma-separated cell.
    EXPECT_EQ(text(), rows + "t\tx,\"l1\r\nl2\"\r\n\"\"\"q\"\"\",\"a,b\"\r\n");
}

TEST_F(SpreadsheetTest, DeleteAndCutClearTheRangeInOneUndoStep) {
    open(GRID, true);
    clickCell(1, 2);
    shiftClickCell(2, 3);
    const size_t steps = document().undoStepCount();
    key(VK_DELETE);
    EXPECT_EQ(text(), "A,B,C\r\na0,b0,c0\r\na1,,\r\na2,,\r\na3,b3,c3\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(selectedSize(), L"2 x 2");  // the range stays selected
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), GRID);

    // Ctrl+X puts the range on the clipboard, then clears it, also in one step.
    ASSERT_TRUE(waitForRefresh());
    clickCell(3, 1);
    shiftClickCell(3, 2);
    const size_t before = document().undoStepCount();
    key('X', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"a3\tb3");
    EXPECT_EQ(text(), "A,B,C\r\na0,b0,c0\r\na1,b1,c1\r\na2,b2,c2\r\n,,c3\r\n");
    EXPECT_EQ(document().undoStepCount(), before + 1);
}

TEST_F(SpreadsheetTest, ABlockPastesAtTheRangesTopLeftAndOneValueFillsTheRange) {
    open(GRID, true);
    // The range was dragged upwards: its top-left corner is not the current cell.
    drag(2, 3, 1, 2);
    putOnClipboard(L"p\tq\r\nr\ts");
    key('V', KEY_CTRL);
    EXPECT_EQ(text(), "A,B,C\r\na0,b0,c0\r\na1,p,q\r\na2,r,s\r\na3,b3,c3\r\n");
    // The pasted block is selected, from its top-left cell.
    EXPECT_EQ(selectedSize(), L"2 x 2");
    EXPECT_EQ(current(), std::make_pair(1, 2));

    drag(0, 1, 3, 2);
    putOnClipboard(L"z");
    const size_t steps = document().undoStepCount();
    key('V', KEY_CTRL);
    EXPECT_EQ(text(), "A,B,C\r\nz,z,c0\r\nz,z,q\r\nz,z,s\r\nz,z,c3\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(selectedSize(), L"4 x 2");
}

// A block past the last column widens every record of a rectangular table (the header's new
// titles empty), in the one undo step; a ragged table keeps its other rows as they are.
TEST_F(SpreadsheetTest, ABlockPastTheLastColumnKeepsARectangularTableRectangular) {
    struct Case {
        std::string before, after;
    };
    const Case cases[] = {
        {"A,B,C\r\n\"a,0\",b0,c0\r\na1,b1,c1\r\na2,b2,c2\r\n",
         "A,B,C,,\r\n\"a,0\",b0,c0,,\r\na1,b1,p,q,r\r\na2,b2,s,,\r\n"},
        {"A,B,C\r\na0,b0\r\na1,b1,c1\r\na2,b2,c2\r\n", "A,B,C\r\na0,b0\r\na1,b1,p,q,r\r\na2,b2,s\r\n"},
    };
    for (const Case& c : cases) {
        open(c.before, true);
        clickCell(1, 3);
        putOnClipboard(L"p\tq\tr\r\ns");
        const size_t steps = document().undoStepCount();
        key('V', KEY_CTRL);
        EXPECT_EQ(text(), c.after);
        EXPECT_EQ(document().undoStepCount(), steps + 1);
        ASSERT_TRUE(host.mainView().undo());
        EXPECT_EQ(text(), c.before);
    }
    // A block that writes every record pads the ones it leaves short as well.
    open("a\r\nb", false);
    clickCell(0, 1);
    key('V', KEY_CTRL);
    EXPECT_EQ(text(), "p,q,r\r\ns,,");
}

}  // namespace
