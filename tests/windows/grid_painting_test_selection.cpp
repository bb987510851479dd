// The current cell's moves, scrolling a cell into view, and the editor's caret following the
// grid, checked on the operations themselves, apart from the keys and clicks that call them:
// the panel is built into this program and runs inside the stand-in host over its editor
// views, with the list's own selection and focus handling in play.
#include "input.h"
#include "pixels.h"
#include "model/cell_range.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"
#include "test_support.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tabulon_test;

namespace {

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.installed());
        ASSERT_TRUE(host.create());
    }

    void TearDown() override {
        panel.onShutdown();
        host.destroy();
    }

    void open(const std::string& document, bool headerRow = true) {
        host.mainView().document().load(document);
        panel.attachHost(GetModuleHandleW(nullptr), host.window(), host.mainView().window(),
                         host.secondView().window(), nullptr);
        panel.hostReady = true;  // the host has sent NPPN_READY
        panel.headerRow = headerRow;
        panel.showPanel(true);
        host.pumpUntilIdle();
        list = panel.gridList;
        ASSERT_NE(list, nullptr);
    }

    std::vector<int> selectedRows() {
        std::vector<int> rows;
        for (int i = -1; (i = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;) {
            rows.push_back(i);
        }
        return rows;
    }

    int focusedRow() {
        return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    }

    std::wstring statusText() {
        wchar_t text[400] = {};
        GetWindowTextW(child(panel.panelWindow, IDC_STATUS), text, 400);
        return text;
    }

    void expectCurrent(int row, int column) {
        EXPECT_EQ(panel.currentRow, row);
        EXPECT_EQ(panel.currentColumn, column);
        EXPECT_EQ(focusedRow(), row);
        const std::wstring cell = column > 0 ? L"cell R" + std::to_wstring(row + 1) + L" C" + std::to_wstring(column)
                                             : L"row R" + std::to_wstring(row + 1);
        const std::wstring status = statusText();
        EXPECT_EQ(status.substr(status.size() - std::min(status.size(), cell.size())), cell);
    }

    RECT cellRect(int row, int column) {
        RECT r{};
        EXPECT_TRUE(panel.cellRect(row, column, r));
        return r;
    }

    RECT client() {
        RECT r{};
        GetClientRect(list, &r);
        return r;
    }

    devhost::WindowHooks hooks;
    devhost::DevHost host;
    GridPanel panel;
    HWND list = nullptr;
};

// A table of `rows` data rows of `columns` cells under a header record.
std::string table(int rows, int columns) {
    std::string text;
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            text += (c ? "," : "") + std::string(r == 0 ? "h" : "v") + std::to_string(r) + "_" + std::to_string(c);
        }
        text += "\r\n";
    }
    return text;
}

// Tab and the arrows step the current cell, wrapping at the row ends and stopping at the
// grid's corners; each step selects and focuses only the current row.
TEST_F(SelectionTest, StepsWrapAtRowEndsAndStopAtCorners) {
    open(table(4, 3));
    panel.selectCell(0, 3, false);
    expectCurrent(0, 3);
    panel.moveCell(0, 1);  // Tab on the last cell of a row
    expectCurrent(1, 1);
    panel.moveCell(0, -1);  // Shift+Tab on the first data column
    expectCurrent(0, 3);
    panel.moveCell(-1, 0);  // Up on row 0
    expectCurrent(0, 3);
    panel.moveCell(0, -1);
    panel.moveCell(0, -1);
    panel.moveCell(0, -1);  // from the first cell of the first row
    expectCurrent(0, 3);

    panel.selectCell(3, 3, false);
    panel.moveCell(1, 0);  // Down on the last row
    expectCurrent(3, 3);
    panel.moveCell(0, 1);  // Tab on the very last cell
    expectCurrent(3, 1);

    // Out-of-range requests are clamped, the row-number column included.
    panel.selectCell(99, 99, false);
    expectCurrent(3, 3);
    panel.selectCell(-5, -5, false);
    expectCurrent(0, 0);
    panel.moveCell(0, 1);
    expectCurrent(0, 1);
}

// Shift+Down grows a range from the anchor; the next plain step collapses it onto the new
// current cell. The list never holds a selection of its own.
TEST_F(SelectionTest, ShiftStepsGrowTheRangeAndAPlainStepCollapsesIt) {
    open(table(6, 3));
    SetFocus(list);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(devhost::pressKey(host, VK_DOWN, devhost::KEY_SHIFT));
    }
    EXPECT_EQ(panel.selectedCells(), (CellRange{0, 3, 1, 1}));
    EXPECT_EQ(panel.currentRow, 3);
    EXPECT_EQ(focusedRow(), 3);
    EXPECT_TRUE(selectedRows().empty());
    panel.moveCell(0, 1);
    EXPECT_EQ(panel.selectedCells(), (CellRange{3, 3, 2, 2}));
    EXPECT_TRUE(panel.singleCellSelected());
    expectCurrent(3, 2);
}

// A move repaints only the rows whose look changed: the old and the new current row, also
// when every row of a long grid is in a range that shrinks by one row.
TEST_F(SelectionTest, AMoveInvalidatesOnlyTheRowsThatChange) {
    open(table(3000, 3));
    SetFocus(list);
    panel.selectCell(3, 2, false);
    host.pumpUntilIdle();
    RECT row3{};
    row3.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&row3));
    const int rowHeight = row3.bottom - row3.top;

    const auto invalidRows = [&]() {
        RECT dirty{};
        GetUpdateRect(list, &dirty, FALSE);
        return (dirty.bottom - dirty.top + rowHeight - 1) / rowHeight;
    };
    ValidateRect(list, nullptr);
    panel.moveCell(1, 0);
    EXPECT_EQ(invalidRows(), 2);
    RECT dirty{};
    GetUpdateRect(list, &dirty, FALSE);
    EXPECT_EQ(dirty.top, row3.top);

    // A range over every row (Ctrl+A), then Shift+Up: the bottom rows are out of view, so
    // the rows in view need no repaint but the old and new current cell, also in view.
    panel.selectAll();
    host.pumpUntilIdle();
    ValidateRect(list, nullptr);
    panel.extendSelection(panel.currentRow + 1, panel.currentColumn, false);
    EXPECT_EQ(invalidRows(), 2);
}

// What the keys leave on the screen, each repainting only what it changed, is what a full
// repaint shows: also where the list scrolls, by a row at its edges or by a page.
TEST_F(SelectionTest, MovesLeaveWhatAFullRepaintShows) {
    open(table(300, 3));
    SetFocus(list);
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(perPage, 3);
    constexpr UINT SHIFT = 0x10000;
    // A range of four rows up to the bottom edge, then Down past it: the list scrolls by a row,
    // and three rows that leave the range stay in view, one row higher.
    std::vector<UINT> keys(static_cast<size_t>(perPage - 4), VK_DOWN);
    for (const UINT key : {VK_DOWN | SHIFT, VK_DOWN | SHIFT, VK_DOWN | SHIFT, UINT{VK_DOWN}, UINT{VK_DOWN}, UINT{VK_NEXT},
                           UINT{VK_NEXT}, UINT{VK_UP}, UINT{VK_PRIOR}, UINT{VK_PRIOR}, UINT{VK_PRIOR}, UINT{VK_DOWN},
                           UINT{VK_NEXT}, UINT{VK_RIGHT}, VK_NEXT | SHIFT}) {
        keys.push_back(key);
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        ASSERT_TRUE(devhost::pressKey(host, keys[i] & 0xFFFF, (keys[i] & SHIFT) != 0 ? devhost::KEY_SHIFT : devhost::KEY_NONE));
        const devhost::Pixels left = devhost::capturePixels(list);
        ASSERT_FALSE(left.empty());
        EXPECT_TRUE(left.colors == devhost::capturePixels(list, true).colors) << "key " << i << ", row " << panel.currentRow;
    }
}

// Titles alone leave only the ready row to select: moves stay on it.
TEST_F(SelectionTest, TitlesAloneLeaveOnlyTheReadyRow) {
    open("only,a,header\r\n");
    panel.selectCell(1, 1, true);
    EXPECT_EQ(panel.currentRow, 0);
    EXPECT_EQ(panel.currentColumn, 1);
    panel.moveCell(1, 1);
    EXPECT_EQ(panel.currentRow, 0);
    EXPECT_EQ(panel.currentColumn, 2);
    EXPECT_EQ(statusText(), L"0 rows x 3 cols   |   delimiter ','   |   col C2");
}

// A cell outside the list's view is scrolled fully in: to the right with its right edge 4
// pixels inside the list, to the left with its left edge 4 pixels right of the row numbers,
// down to its row.
TEST_F(SelectionTest, ScrollsCellsFullyIntoView) {
    open(table(80, 14));
    ASSERT_GT(cellRect(0, 12).left, client().right) << "column 12 must start out of view";

    // Not the last column: the list cannot scroll past the end of its columns.
    panel.selectCell(70, 12, true);
    RECT r = cellRect(70, 12);
    EXPECT_EQ(r.right, client().right - 4);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.bottom, client().bottom);
    EXPECT_GT(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);

    // To the left it stops 4 pixels right of the row numbers, which stay in view.
    panel.selectCell(70, 2, true);
    r = cellRect(70, 2);
    EXPECT_EQ(r.left, client().left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0)) + 4);

    // A cell wider than the list shows its right end.
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 5, MAKELPARAM(3000, 0));
    panel.selectCell(70, 5, true);
    EXPECT_EQ(cellRect(70, 5).right, client().right - 4);

    // The row-number column scrolls only vertically.
    const RECT before = cellRect(0, 1);
    panel.selectCell(0, 0, true);
    EXPECT_EQ(cellRect(0, 1).left, before.left);
    EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
}

// A row is painted in the cells cellRect reports, worked out from the header instead of asked of
// the list cell by cell: scrolled sideways, with a frozen and a hidden column, and after the
// titles' widths change, by the list or by the user dragging a divider.
TEST_F(SelectionTest, PaintedCellsLieWhereTheListPutsThem) {
    open(table(40, 14));
    panel.freezeColumnsUpTo(2);
    panel.hideColumn(6);
    const auto expectPaintedAsListed = [&](const char* after) {
        for (const int column : {1, 13}) {
            panel.selectCell(20, column, true);
            for (const int row : {20, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0))}) {
                RECT bounds{};
                bounds.left = LVIR_BOUNDS;
                ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds)));
                for (int c = 0; c <= 14; ++c) {
                    RECT painted{};
                    ASSERT_TRUE(panel.paintedCellRect(bounds, c, panel.columnsForPaint(), painted));
                    const RECT listed = cellRect(row, c);
                    EXPECT_TRUE(EqualRect(&painted, &listed)) << after << ": row " << row << " column " << c
                                                              << " scrolled by " << panel.sidewaysScroll();
                }
            }
        }
        EXPECT_GT(panel.sidewaysScroll(), 0) << after << ": the last column must have scrolled the list";
        panel.selectCell(20, 1, true);
    };
    expectPaintedAsListed("at first");
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 3, MAKELPARAM(140, 0));
    expectPaintedAsListed("a column widened by the list");

    SendMessageW(list, LVM_SCROLL, -panel.sidewaysScroll(), 0);
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT title{};
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&title)));
    const int y = (title.top + title.bottom) / 2;
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(title.right, y));
    SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(title.right + 50, y));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(title.right + 50, y));
    ASSERT_GT(SendMessageW(list, LVM_GETCOLUMNWIDTH, 4, 0), title.right - title.left) << "the drag must widen it";
    expectPaintedAsListed("a divider dragged");
}

// Messages sent while the grid paints. The real host hooks every message sent in its thread,
// which under Wine makes each cost about 0.2 ms, so a paint must not ask a message per cell.
int placeQuestions = 0;
int drawnRows = 0;

LRESULT CALLBACK countPlaceQuestions(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent != nullptr) {
        switch (sent->message) {
        case LVM_GETSUBITEMRECT:
        case LVM_GETITEMRECT:
        case HDM_GETITEMRECT:
        case LVM_GETCOLUMNWIDTH:
            ++placeQuestions;
            break;
        case WM_DRAWITEM:
            ++drawnRows;
            break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SelectionTest, APaintAsksWhereTheColumnsLieOnceNotForEveryCell) {
    open(table(60, 12));
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, countPlaceQuestions, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    placeQuestions = 0;
    drawnRows = 0;
    InvalidateRect(list, nullptr, FALSE);
    UpdateWindow(list);
    UnhookWindowsHookEx(hook);
    ASSERT_GE(drawnRows, 5) << "the list must paint its rows";
    EXPECT_LE(placeQuestions, 12 + 8) << drawnRows << " rows drawn";

    // The titles lie where they lay: the next paint asks no place of a cell or a title.
    placeQuestions = 0;
    InvalidateRect(list, nullptr, FALSE);
    const HHOOK again = SetWindowsHookExW(WH_CALLWNDPROC, countPlaceQuestions, nullptr, GetCurrentThreadId());
    UpdateWindow(list);
    UnhookWindowsHookEx(again);
    EXPECT_EQ(placeQuestions, 0);
}

// The rows look the same with the focus in the grid or elsewhere: the focus coming back from
// the cell editor repaints no more than the list's own focused row.
TEST_F(SelectionTest, TheFocusComingBackRepaintsNoRows) {
    open(table(60, 12));
    const HWND elsewhere = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, list, nullptr,
                                           nullptr, nullptr);
    ASSERT_NE(elsewhere, nullptr);
    SetFocus(elsewhere);
    UpdateWindow(list);
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, countPlaceQuestions, nullptr, GetCurrentThreadId());
    drawnRows = 0;
    SetFocus(list);
    UpdateWindow(list);
    UnhookWindowsHookEx(hook);
    DestroyWindow(elsewhere);
    EXPECT_LE(drawnRows, 1);
}

// A cell written repaints its own row; a write that changes the field count most rows have
// repaints them all, since their problem marks may change with it.
TEST_F(SelectionTest, ACellWriteRepaintsItsRowUnlessOtherMarksChange) {
    open("a\r\nb\r\nc\r\nd,e\r\nf,g\r\n", false);
    panel.problemFinder.step(panel.table, panel.headerRow, true, ~uint64_t(0));
    const auto drawnByWrite = [&](int32_t row, uint64_t cell, const char* value) {
        UpdateWindow(list);
        const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, countPlaceQuestions, nullptr, GetCurrentThreadId());
        drawnRows = 0;
        EXPECT_TRUE(panel.applyCellEdit(row, cell, value));
        UpdateWindow(list);
        UnhookWindowsHookEx(hook);
        const int drawn = drawnRows;
        // What the write left on the screen is what a full repaint shows.
        const devhost::Pixels left = devhost::capturePixels(list);
        EXPECT_TRUE(left.colors == devhost::capturePixels(list, true).colors) << value;
        return drawn;
    };
    EXPECT_EQ(drawnByWrite(1, 0, "x"), 1);
    EXPECT_TRUE(panel.rowHasProblem(3));
    EXPECT_EQ(drawnByWrite(2, 1, "z"), 5);  // three records of two fields now
    EXPECT_TRUE(panel.rowHasProblem(0));
    EXPECT_FALSE(panel.rowHasProblem(3));
}

// Records 0 to 8, one line each.
const std::string CARET_DOCUMENT = "head,x\r\nr1,a\r\nr2,b\r\nr3,b\r\nr4,c\r\nr5,d\r\nr6,e\r\nr7,f\r\nr8,g\r\n";

// No current view, or a current row the table no longer has: the caret stays; with both it
// goes to the first byte of the row's record.
TEST_F(SelectionTest, CaretGoesOnlyToAnExistingRowInAView) {
    open(CARET_DOCUMENT, true);
    panel.selectCell(5, 1, false);
    host.mainView().document().caret = 3;
    host.currentView = -1;
    panel.syncEditorCaret();
    EXPECT_EQ(host.mainView().document().caret, 3u);
    host.currentView = 0;
    panel.currentRow = 40;
    panel.syncEditorCaret();
    EXPECT_EQ(host.mainView().document().caret, 3u);
    EXPECT_EQ(host.mainView().messageCount(SCI_GOTOPOS), 0);

    // The same row with a view: the caret goes to its record's first byte.
    panel.currentRow = 5;
    panel.syncEditorCaret();
    EXPECT_EQ(host.mainView().document().caret, CARET_DOCUMENT.find("r6,"));
}

}  // namespace
