// Sorting as a user does it: clicks on the column headers, the arrow they leave, the context
// menu and its "Sort by" box, the document bytes written in one undo step, the current cell
// following its record, and the refusals.
#include "spreadsheet_test_support.h"

#include <string>

using namespace tabulon_test;

namespace {

class SortTest : public SpreadsheetTest {
protected:
    HWND header() { return reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0)); }
    void clickHeader(int listColumn) {
        RECT item{};
        ASSERT_TRUE(SendMessageW(header(), HDM_GETITEMRECT, listColumn, reinterpret_cast<LPARAM>(&item)));
        const int ticks = host.timerDispatchCount(panel(), TITLE_CLICK_TIMER);
        devhost::click(host, header(), POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
        host.pumpUntilIdle();
        // Renamable titles sort once the double-click time has passed without a second click;
        // on a slow machine the time may be over before the click's own work is.
        if (IsDlgButtonChecked(panel(), IDC_HEADER_ROW) == BST_CHECKED &&
            host.timerDispatchCount(panel(), TITLE_CLICK_TIMER) == ticks) {
            ASSERT_TRUE(host.waitForTimer(panel(), TITLE_CLICK_TIMER, 3000));
        }
    }
    // HDF_SORTUP, HDF_SORTDOWN or 0 for a header item.
    int arrow(int listColumn) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header(), HDM_GETITEMW, listColumn, reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    }
};

// Numbers by value, a quoted multi-line record, a last record without a line ending (the
// sorted document ends without one too).
const std::string PEOPLE = "name,qty\r\nfile10,\"1,000\"\r\nFile2,9\r\n\"multi\r\nline\",\r\napple,-3";

TEST_F(SortTest, HeaderClicksSortAscendingThenDescendingWithTheArrowEachInOneUndoStep) {
    open(PEOPLE, true);
    const size_t steps = document().undoStepCount();
    clickHeader(2);
    EXPECT_EQ(text(), "name,qty\r\napple,-3\r\nFile2,9\r\nfile10,\"1,000\"\r\n\"multi\r\nline\",");
    EXPECT_EQ(arrow(2), HDF_SORTUP);
    EXPECT_EQ(arrow(1), 0);
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(cellText(0, 1), L"apple");

    clickHeader(2);
    EXPECT_EQ(text(), "name,qty\r\nfile10,\"1,000\"\r\nFile2,9\r\napple,-3\r\n\"multi\r\nline\",");
    EXPECT_EQ(arrow(2), HDF_SORTDOWN);
    EXPECT_EQ(document().undoStepCount(), steps + 2);

    // Text by the locale's rules: without case, digits as numbers.
    clickHeader(1);
    EXPECT_EQ(text(), "name,qty\r\napple,-3\r\nFile2,9\r\nfile10,\"1,000\"\r\n\"multi\r\nline\",");
    EXPECT_EQ(arrow(1), HDF_SORTUP);
    EXPECT_EQ(arrow(2), 0);

    // Undo unsorts, step by step, back to the bytes the document had.
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), PEOPLE);
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(arrow(1), 0);  // the grid was read again: the arrow is gone
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(SortTest, TheCurrentCellFollowsItsRecordAndTheRowNumbersDoNotSort) {
    open(PEOPLE, true);
    clickCell(3, 2);  // apple, -3
    ASSERT_EQ(cellText(3, 1), L"apple");
    clickHeader(2);
    EXPECT_EQ(currentGridRow(), 0);
    EXPECT_EQ(currentListColumn(), 2);
    EXPECT_EQ(focusedRow(), 0);
    clickHeader(2);
    EXPECT_EQ(currentGridRow(), 2);
    EXPECT_EQ(cellText(2, 1), L"apple");

    const std::string before = text();
    clickHeader(0);
    EXPECT_EQ(text(), before);
}

TEST_F(SortTest, WithoutAHeaderRowTheFirstRecordSortsTooAndASortedColumnWritesNothing) {
    open("b\na\nc\n", false, 2);
    clickHeader(1);
    EXPECT_EQ(text(), "a\nb\nc\n");
    const size_t steps = document().undoStepCount();
    // A second click reverses; every later click turns the direction again.
    clickHeader(1);
    EXPECT_EQ(text(), "c\nb\na\n");
    clickHeader(1);
    clickHeader(1);
    EXPECT_EQ(document().undoStepCount(), steps + 3);

    // Through the operation the menu uses: ascending when already ascending adds no step.
    auto sorted = std::make_shared<devhost::EditorDocument>("1\n2\n3\n");
    host.activateDocument(0, sorted);
    const size_t none = sorted->undoStepCount();
    clickHeader(1);
    EXPECT_EQ(sorted->text(), "1\n2\n3\n");
    EXPECT_EQ(sorted->undoStepCount(), none);
    EXPECT_EQ(arrow(1), HDF_SORTUP);
}

TEST_F(SortTest, AnOutsideEditOrAReadOnlyDocumentStopsTheSortWithABox) {
    open("b\r\na\r\n", false);
    host.mainView().userInsert(0, "z");
    clickHeader(1);
    EXPECT_EQ(text(), "zb\r\na\r\n");
    ASSERT_FALSE(hooks.boxes.empty());
    EXPECT_EQ(hooks.boxes.back().text, DOCUMENT_CHANGED);

    auto locked = std::make_shared<devhost::EditorDocument>("b\r\na\r\n");
    locked->readOnly = true;
    host.activateDocument(0, locked);
    clickHeader(1);
    EXPECT_EQ(locked->text(), "b\r\na\r\n");
    EXPECT_EQ(hooks.boxes.back().text, WRITE_FAILED);
    EXPECT_EQ(arrow(1), 0);
    EXPECT_EQ(cellText(0, 1), L"b");
}

// The host's Replace All tells no SCN_MODIFIED. Told by NPPN_GLOBALMODIFIED, the grid reads the
// document again; untold (a swap of the same length), the bytes give the change away before the
// sort writes: nothing is written over it.
TEST_F(SortTest, AHostEditMadeWithoutNotificationsIsNeverWrittenOver) {
    open("city\r\nBerlin\r\nAthens\r\n", true);
    EXPECT_NE(host.addedModificationFlags & 0x3, 0);  // insertions and deletions asked for at NPPN_READY
    EXPECT_EQ(host.replaceAllSilently(0, "Berlin", "Munich"), 1);
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(cellText(0, 1), L"Munich");
    clickHeader(1);
    EXPECT_EQ(text(), "city\r\nAthens\r\nMunich\r\n");
    EXPECT_TRUE(hooks.boxes.empty());

    host.mainView().silentReplace(6, 6, "Zagreb");  // Athens, with no word at all
    clickHeader(1);
    EXPECT_EQ(text(), "city\r\nZagreb\r\nMunich\r\n");
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes.back().text, DOCUMENT_CHANGED);
    EXPECT_EQ(cellText(0, 1), L"Zagreb");  // the grid was read again
    clickHeader(1);
    EXPECT_EQ(text(), "city\r\nMunich\r\nZagreb\r\n");  // the sort, on the new bytes
}

// A document read a slice at a time after the sort's own write: the arrow stays, so the next
// click sorts descending.
TEST_F(SortTest, TheSecondClickSortsDescendingOnADocumentReadInSlices) {
    std::string big = "n,pad\r\n";
    for (int i = 700000; i > 0; --i) big += std::to_string(i) + ",abcdefghijklmnopq\r\n";
    ASSERT_GT(big.size(), 16u << 20);
    open(big, true);
    ASSERT_TRUE(waitForDocumentRead());
    clickHeader(1);
    ASSERT_TRUE(waitForDocumentRead());
    EXPECT_EQ(text().compare(0, 30, "n,pad\r\n1,abcdefghijklmnopq\r\n2,"), 0);
    EXPECT_EQ(arrow(1), HDF_SORTUP);
    clickHeader(1);
    ASSERT_TRUE(waitForDocumentRead());
    EXPECT_EQ(text().compare(0, 33, "n,pad\r\n700000,abcdefghijklmnopq\r\n"), 0);
    EXPECT_EQ(arrow(1), HDF_SORTDOWN);
}

// The sort box's choices, made by a user while it is open: the column and direction lists of
// each key (a column of -1 is "(none)"), then OK or Cancel.
struct SortChoice {
    int column;
    bool descending;
};
void chooseInSortBox(const std::vector<SortChoice>& keys, int button) {
    const HWND box = FindWindowW(L"#32770", L"Sort by");
    ASSERT_NE(box, nullptr);
    for (size_t i = 0; i < keys.size(); ++i) {
        const int id = 2650 + static_cast<int>(i);
        SendDlgItemMessageW(box, id, CB_SETCURSEL, static_cast<WPARAM>(i == 0 ? keys[i].column : keys[i].column + 1), 0);
        SendDlgItemMessageW(box, 2660 + static_cast<int>(i), CB_SETCURSEL, keys[i].descending ? 1 : 0, 0);
    }
    SendDlgItemMessageW(box, button, BM_CLICK, 0, 0);
}

const std::string TEAMS = "name,team,score\r\nana,red,7\r\nbo,blue,9\r\ncy,red,12\r\ndi,blue,9\r\ned,,3\r\n";

TEST_F(SortTest, TheMenuSortsByTheCurrentColumnAndSortByTakesThreeKeys) {
    open(TEAMS, true);
    clickCell(0, 3);
    {
        MenuWatch watch(panel(), L'o');  // Sort descending
        rightClickCell(0, 3);
        ASSERT_GE(watch.items.size(), 9u);
        EXPECT_EQ(watch.items[watch.items.size() - 9].text, L"&Sort ascending");
        EXPECT_EQ(watch.items[watch.items.size() - 7].text, L"Sort b&y...");
    }
    EXPECT_EQ(text(), "name,team,score\r\ncy,red,12\r\nbo,blue,9\r\ndi,blue,9\r\nana,red,7\r\ned,,3\r\n");
    EXPECT_EQ(arrow(3), HDF_SORTDOWN);
    // The arrow comes back with its document.
    const auto sorted = host.activateDocument(0, std::make_shared<devhost::EditorDocument>("p,q\r\n1,2\r\n"));
    EXPECT_EQ(arrow(2), 0);
    host.activateDocument(0, sorted);
    EXPECT_EQ(arrow(3), HDF_SORTDOWN);

    // The box opens on the current column; team ascending (the empty one last), then score
    // descending, then name descending.
    const size_t steps = document().undoStepCount();
    clickCell(0, 2);
    {
        WhileBoxOpen choose([] { chooseInSortBox({{1, false}, {2, true}, {0, true}}, IDOK); }, L"Sort by");
        MenuWatch watch(panel(), L'y');
        rightClickCell(0, 2);
        EXPECT_TRUE(choose.ran);
    }
    EXPECT_EQ(text(), "name,team,score\r\ndi,blue,9\r\nbo,blue,9\r\ncy,red,12\r\nana,red,7\r\ned,,3\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(arrow(2), HDF_SORTUP);
    EXPECT_EQ(GetFocus(), list());

    // Cancel leaves the document alone, whatever the box shows.
    const std::string before = text();
    {
        WhileBoxOpen cancel([] { chooseInSortBox({{0, false}}, IDCANCEL); }, L"Sort by");
        MenuWatch watch(panel(), L'y');
        rightClickCell(0, 1);
        EXPECT_TRUE(cancel.ran);
    }
    EXPECT_EQ(text(), before);
    EXPECT_EQ(document().undoStepCount(), steps + 1);
}

TEST_F(SortTest, ACtrlClickOnATitleSelectsTheColumnInsteadOfSorting) {
    open(TEAMS, true);
    ctrlClickHeader(2);
    EXPECT_EQ(text(), TEAMS);
    EXPECT_EQ(selectedSize(), L"5 x 1");
    EXPECT_EQ(arrow(2), 0);
}

}  // namespace
