// What a cell edit does to the panel's row model, which a user cannot see directly: the stamp
// and the later rows' offsets move with the document, widened rows raise the column count, and
// the stale check before larger writes. The panel is built into this program so that its table
// can be read; it runs in the stand-in host like the loaded DLL.
#include "input.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"
#include "test_support.h"

#include <commctrl.h>

#include <string>

using namespace tabulon_test;

namespace {

constexpr wchar_t DOCUMENT_CHANGED[] =
    L"The document changed outside the grid, so the view has been refreshed.\r\n"
    L"Please repeat the operation.";

// Counts the column messages that reach the list.
LRESULT CALLBACK columnCounter(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == LVM_INSERTCOLUMNW || message == LVM_DELETECOLUMN || message == LVM_SETCOLUMNW) {
        ++*reinterpret_cast<int*>(data);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

class CellEditModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.installed());
        ASSERT_TRUE(host.create());
    }
    void TearDown() override {
        if (panel.gridList != nullptr) RemoveWindowSubclass(panel.gridList, columnCounter, 0xC01);
        panel.onShutdown();
        host.destroy();
    }
    void open(const std::string& document) {
        host.mainView().document().load(document);
        panel.attachHost(GetModuleHandleW(nullptr), host.window(), host.mainView().window(),
                         host.secondView().window(), nullptr);
        panel.hostReady = true;  // the host has sent NPPN_READY
        panel.showPanel(true);
        host.pumpUntilIdle();
        ASSERT_NE(panel.gridList, nullptr);
        SetWindowSubclass(panel.gridList, columnCounter, 0xC01, reinterpret_cast<DWORD_PTR>(&columnMessages));
    }
    // Every row's bytes stand at its offsets in the editor's text, and the stamp is its length.
    void expectModelMatchesDocument() {
        const std::string text = host.mainView().text();
        EXPECT_EQ(panel.table.parsedLength, text.size());
        uint64_t pos = 0;
        for (const CsvRow& row : panel.table.rows) {
            EXPECT_EQ(row.start, pos);
            ASSERT_LE(row.end, text.size());
            EXPECT_EQ(text.substr(row.start, row.end - row.start), row.raw());
            pos = row.end + row.eolLength();
        }
        EXPECT_EQ(pos, text.size());
    }

    devhost::WindowHooks hooks;
    devhost::DevHost host;
    GridPanel panel;
    int columnMessages = 0;
};

TEST_F(CellEditModelTest, TheStampAndLaterRowsMoveWithAnEditThatChangesTheLength) {
    open("id,v\r\n1,abc\r\n2,d\r\n3,e\r\n");
    const uint64_t before = panel.table.rows[3].start;
    ASSERT_TRUE(panel.applyCellEdit(0, 1, "abcdef"));
    EXPECT_EQ(panel.table.rows[3].start, before + 3);
    expectModelMatchesDocument();
    ASSERT_TRUE(panel.applyCellEdit(2, 0, ""));
    ASSERT_TRUE(panel.applyCellEdit(1, 1, "x\r\ny"));
    expectModelMatchesDocument();
    EXPECT_EQ(host.mainView().text(), "id,v\r\n1,abcdef\r\n2,\"x\r\ny\"\r\n,e\r\n");
    // A series of grid edits keeps the stamp: the larger operations may go on.
    EXPECT_TRUE(panel.ensureDocumentUnchanged());
    EXPECT_TRUE(hooks.boxes.empty());

    // Outside the rows, or with the value the cell holds: nothing read, nothing written.
    host.mainView().resetMessageCounts();
    EXPECT_FALSE(panel.applyCellEdit(3, 0, "z"));
    EXPECT_FALSE(panel.applyCellEdit(1, 1, "x\r\ny"));
    EXPECT_EQ(host.mainView().messageCount(SCI_GETCHARACTERPOINTER), 0);
    EXPECT_EQ(host.mainView().messageCount(SCI_REPLACETARGET), 0);
}

TEST_F(CellEditModelTest, AnOutsideEditSpoilsTheStampUntilTheNextScan) {
    open("id,v\r\n1,a\r\n2,b\r\n");
    host.mainView().userInsert(host.mainView().text().size(), "3,c\r\n");
    panel.onDocumentModified();  // what the loaded plug-in's notification handler would call
    ASSERT_EQ(panel.table.parsedLength, ~uint64_t(0));
    // The edited row still stands where it was, so the cell edit goes through; the stamp stays
    // spoiled, and the larger operations refuse.
    ASSERT_TRUE(panel.applyCellEdit(0, 1, "aa"));
    EXPECT_EQ(panel.table.parsedLength, ~uint64_t(0));
    EXPECT_FALSE(panel.ensureDocumentUnchanged());
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, DOCUMENT_CHANGED);
    EXPECT_EQ(hooks.boxes[0].icon, devhost::MessageBoxIcon::Information);
    EXPECT_EQ(hooks.boxes[0].title, L"Tabulon");
    // The refresh before the box read the document again.
    expectModelMatchesDocument();
    EXPECT_EQ(panel.table.rows.size(), 4u);
    EXPECT_TRUE(panel.ensureDocumentUnchanged());

    // Without a current view it refuses too; a grid switched off for size refuses silently.
    host.currentView = -1;
    EXPECT_FALSE(panel.ensureDocumentUnchanged());
    EXPECT_EQ(hooks.boxes.size(), 2u);
    host.currentView = 0;
    panel.fileTooLarge = true;
    EXPECT_FALSE(panel.ensureDocumentUnchanged());
    EXPECT_EQ(hooks.boxes.size(), 2u);
}

TEST_F(CellEditModelTest, AWidenedRowRebuildsTheColumnsOnlyWhenTheShownCountChanges) {
    open("a,b,c\r\n1,2,3\r\n");
    ASSERT_EQ(panel.shownColumnCount, 3u);
    ASSERT_TRUE(panel.applyCellEdit(0, 3, "x"));
    EXPECT_EQ(panel.table.maxCells, 4u);
    EXPECT_EQ(panel.shownColumnCount, 4u);
    EXPECT_GT(columnMessages, 0);
    const HWND header = reinterpret_cast<HWND>(SendMessageW(panel.gridList, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 5);

    std::string wide;
    for (int i = 0; i < 600; ++i) wide += (i ? "," : "") + std::string("h");
    open(wide + "\r\n1\r\n");
    ASSERT_TRUE(panel.columnsCapped);
    columnMessages = 0;
    ASSERT_TRUE(panel.applyCellEdit(0, 600, "x"));
    EXPECT_EQ(panel.table.maxCells, 601u);
    EXPECT_EQ(panel.shownColumnCount, 512u);
    EXPECT_TRUE(panel.columnsCapped);
    EXPECT_EQ(columnMessages, 0);
    expectModelMatchesDocument();
}

TEST_F(CellEditModelTest, TheEditorOpensOnlyOnADataCellOfAGridRow) {
    open("h1,h2\r\na,b\r\n");
    const auto opens = [&](int32_t row, int32_t column) {
        panel.openCellEditor(row, column, nullptr);
        const bool opened = panel.cellEditor != nullptr;
        panel.closeCellEditor();
        return opened;
    };
    EXPECT_TRUE(opens(0, 2));
    EXPECT_FALSE(opens(0, 0));   // the row numbers
    EXPECT_FALSE(opens(0, 3));   // beyond the shown columns
    EXPECT_FALSE(opens(-1, 1));
    EXPECT_FALSE(opens(1, 1));   // the header record is no grid row

    // A second open while one is open changes nothing.
    panel.openCellEditor(0, 1, L"z");
    const HWND first = panel.cellEditor;
    ASSERT_NE(first, nullptr);
    panel.openCellEditor(0, 2, nullptr);
    EXPECT_EQ(panel.cellEditor, first);
    EXPECT_EQ(panel.editColumn, 1);
    EXPECT_EQ(panel.editStartText, L"a");
    // A refresh drops the edit unwritten.
    panel.refreshGrid(true);
    EXPECT_EQ(panel.cellEditor, nullptr);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(host.mainView().text(), "h1,h2\r\na,b\r\n");
}

}  // namespace
