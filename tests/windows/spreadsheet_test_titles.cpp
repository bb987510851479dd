// Column titles renamed in the grid (F2 on a selected column, a double-click on the title, the
// title's menu) while a click still sorts, and a document started from nothing: the ready row
// and the first values typed into it.
#include "spreadsheet_test_support.h"

#include <string>

using namespace tabulon_test;
using devhost::KEY_CTRL;

namespace {

constexpr int IDC_CELL_EDITOR = 2611;

class TitleTest : public SpreadsheetTest {
protected:
    HWND header() { return reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0)); }
    POINT titleCenter(int listColumn) {
        RECT item{};
        SendMessageW(header(), HDM_GETITEMRECT, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
        return POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    }
    HWND editor() { return GetDlgItem(list(), IDC_CELL_EDITOR); }
    std::wstring title(int listColumn) {
        wchar_t text[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(header(), HDM_GETITEMW, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // Lets the double-click time pass, so that a click waiting on it would have sorted.
    void waitPastDoubleClickTime() { host.pumpFor(GetDoubleClickTime() + 200); }
};

const std::string PEOPLE = "id,name\r\n2,bo\r\n1,al\r\n";

TEST_F(TitleTest, F2ADoubleClickAndTheMenuRenameATitleInOneUndoStepWithoutSorting) {
    open(PEOPLE, true);
    const size_t steps = document().undoStepCount();
    // F2 on a whole column edits its title, the caret after the text.
    clickCell(0, 2);
    key(VK_SPACE, KEY_CTRL);
    key(VK_F2);
    ASSERT_NE(editor(), nullptr);
    typeText(L" 1");
    pressKey(VK_RETURN);
    EXPECT_EQ(text(), "id,name 1\r\n2,bo\r\n1,al\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(title(2), L"name 1");
    EXPECT_EQ(current(), std::make_pair(0, 2));

    // A double-click renames and does not sort, also once its clicks' time has passed; a value
    // that needs quotes gets them.
    devhost::doubleClick(host, header(), titleCenter(1));
    ASSERT_NE(editor(), nullptr);
    typeText(L"key, first");
    pressKey(VK_RETURN);
    waitPastDoubleClickTime();
    EXPECT_EQ(text(), "\"key, first\",name 1\r\n2,bo\r\n1,al\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 2);

    // The title's menu; Esc leaves the title as it was.
    {
        MenuWatch watch(panel(), L'n');
        rightClickHeader(2);
    }
    ASSERT_NE(editor(), nullptr);
    typeText(L"dropped");
    pressKey(VK_ESCAPE);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(title(2), L"name 1");

    // A single click still sorts, once the double-click time is over.
    devhost::click(host, header(), titleCenter(1));
    EXPECT_EQ(text(), "\"key, first\",name 1\r\n2,bo\r\n1,al\r\n");
    ASSERT_TRUE(host.waitForTimer(panel(), TITLE_CLICK_TIMER, 3000));
    EXPECT_EQ(text(), "\"key, first\",name 1\r\n1,al\r\n2,bo\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 3);

    // Two clicks that make no double-click sort twice: ascending (as it was), then descending.
    devhost::click(host, header(), titleCenter(2));
    devhost::click(host, header(), titleCenter(2));
    ASSERT_TRUE(host.waitForTimer(panel(), TITLE_CLICK_TIMER, 3000));
    EXPECT_EQ(text(), "\"key, first\",name 1\r\n2,bo\r\n1,al\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 4);
    EXPECT_TRUE(hooks.boxes.empty());
}

// The sort a click makes is worked out while the click waits; a cell written meanwhile is
// sorted with the rest, not lost to the rows as they were at the click.
TEST_F(TitleTest, ACellWrittenWhileAClickWaitsIsSortedWithTheRest) {
    open("id,name\r\n1,b\r\n2,c\r\n", true);
    devhost::click(host, header(), titleCenter(2));
    clickCell(1, 2);
    typeText(L"a");
    pressKey(VK_RETURN);
    ASSERT_TRUE(host.waitForTimer(panel(), TITLE_CLICK_TIMER, 3000));
    EXPECT_EQ(text(), "id,name\r\n2,a\r\n1,b\r\n");
}

TEST_F(TitleTest, ATitleEditOverAnOutsideChangeWritesNothingAndOpensAgain) {
    open(PEOPLE, true);
    clickCell(0, 1);
    key(VK_SPACE, KEY_CTRL);
    key(VK_F2);
    ASSERT_NE(editor(), nullptr);
    host.mainView().silentReplace(0, 2, "ID");  // the title changes under the editor, untold
    typeText(L"x");
    pressKey(VK_RETURN);
    EXPECT_EQ(text(), "ID,name\r\n2,bo\r\n1,al\r\n");
    ASSERT_FALSE(hooks.boxes.empty());
    ASSERT_NE(editor(), nullptr);  // what was typed is offered again over the title
    pressKey(VK_RETURN);
    EXPECT_EQ(text(), "idx,name\r\n2,bo\r\n1,al\r\n");
}

// Starting from nothing: one empty title and the ready row. A value typed into the row writes
// the records (the titles line first, with the header row on); one typed into the title writes
// the titles alone, and the ready row stays under them.
TEST_F(TitleTest, AnEmptyDocumentTakesItsFirstValuesInTheReadyRowAndTheTitle) {
    struct Case {
        bool headerRow;
        std::string before;
        std::string after;
    };
    for (const Case& c : {Case{true, "", "\"\"\r\nx"}, Case{false, "", "x"},
                          Case{true, "id,name\r\n", "id,name\r\n,x\r\n"}}) {
        open(c.before, c.headerRow);
        const size_t steps = document().undoStepCount();
        clickCell(0, c.before.empty() ? 1 : 2);
        typeText(L"x");
        pressKey(VK_RETURN);
        EXPECT_EQ(text(), c.after);
        EXPECT_EQ(document().undoStepCount(), steps + 1);
        EXPECT_EQ(cellText(0, c.before.empty() ? 1 : 2), L"x");
        EXPECT_EQ(cellText(0, 0), L"1");
    }

    // The ready row is no record: Delete on a range of it writes nothing.
    open("id,name\r\n", true);
    clickCell(0, 1);
    shiftClickCell(0, 2);
    key(VK_DELETE);
    EXPECT_EQ(text(), "id,name\r\n");

    open("", true);
    devhost::doubleClick(host, header(), titleCenter(1));
    typeText(L"name");
    pressKey(VK_RETURN);
    EXPECT_EQ(text(), "name");
    EXPECT_EQ(title(1), L"name");
    EXPECT_EQ(cellText(0, 0), L"*");
    clickCell(0, 1);
    typeText(L"al");
    pressKey(VK_RETURN);
    EXPECT_EQ(text(), "name\r\nal");

    // A block pasted into the ready row: a record per line, in one undo step, selected.
    open("", true);
    putOnClipboard(L"a\tb\r\nc\td\r\n");
    const size_t steps = document().undoStepCount();
    clickCell(0, 1);
    key('V', KEY_CTRL);
    EXPECT_EQ(text(), ",\r\na,b\r\nc,d");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(selectedSize(), L"2 x 2");
    EXPECT_TRUE(hooks.boxes.empty());
}

// A title dragged onto another title moves its column there: one undo step, each field with its
// bytes, no sort; the row numbers' title neither drags nor takes a drop in front of it.
TEST_F(TitleTest, ATitleDraggedToAnotherPlaceMovesItsColumn) {
    open("id,name,\"q, n\"\r\n1,al,3\r\n2\r\n", true);
    const size_t steps = document().undoStepCount();
    const auto dragTitle = [&](int from, int to) {
        const POINT start = titleCenter(from);
        const POINT end = titleCenter(to);
        SendMessageW(header(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
        for (int step = 1; step <= 4; ++step) {
            const int x = start.x + (end.x - start.x) * step / 4;
            SendMessageW(header(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, end.y));
        }
        SendMessageW(header(), WM_LBUTTONUP, 0, MAKELPARAM(end.x, end.y));
        host.pumpUntilIdle();
    };
    dragTitle(3, 1);
    EXPECT_EQ(text(), "\"q, n\",id,name\r\n3,1,al\r\n,2\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(title(1), L"q, n");
    EXPECT_EQ(currentListColumn(), 1);
    waitPastDoubleClickTime();
    EXPECT_EQ(text(), "\"q, n\",id,name\r\n3,1,al\r\n,2\r\n");
    dragTitle(0, 2);
    dragTitle(2, 0);
    EXPECT_EQ(text(), "id,\"q, n\",name\r\n1,3,al\r\n2,\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 2);
    EXPECT_TRUE(hooks.boxes.empty());
}

}  // namespace
