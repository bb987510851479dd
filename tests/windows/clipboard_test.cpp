// Ctrl+C, Ctrl+Shift+C and Ctrl+V in the grid through the real clipboard: what the clipboard
// holds after a copy, what the document holds after a paste, and the boxes on the way.
#include "row_column_test_support.h"

#include "clipboard.h"

#include <memory>
#include <string>

using namespace tabulon_test;
using devhost::KEY_CTRL;
using devhost::KEY_SHIFT;

namespace {

class ClipboardTest : public OperationTest {
protected:
    void copyCell() { gridKey('C', KEY_CTRL); }
    void copyRows() { gridKey('C', KEY_CTRL | KEY_SHIFT); }
    void paste() { gridKey('V', KEY_CTRL); }
    std::wstring clipboard() { return devhost::clipboardText(host.window()).value_or(L"<none>"); }
    void putOnClipboard(const std::wstring& text) { ASSERT_TRUE(devhost::setClipboardText(host.window(), text)); }
};

// ---- copying -------------------------------------------------------------------------------

TEST_F(ClipboardTest, CtrlCCopiesTheCurrentCellsValueAsTheDocumentHasIt) {
    open("a,\"x\r\ny\",c\r\nshort\r\n", false);
    clickCell(0, 2);
    copyCell();
    EXPECT_EQ(clipboard(), L"x\r\ny");
    clickCell(1, 3);
    copyCell();
    EXPECT_EQ(clipboard(), L"");
    putOnClipboard(L"old");
    // A row number selects the whole row, which Ctrl+C copies in the quoted form.
    clickCell(0, 0);
    copyCell();
    EXPECT_EQ(clipboard(), L"a\t\"x\r\ny\"\tc");
}

TEST_F(ClipboardTest, CtrlShiftCCopiesTheSelectedRowsWithoutTheHeaderAndQuotesWhatNeedsIt) {
    open("H1,H2,H3\r\na,b,c\r\nskip\r\nx\r\nd,e,f\r\n\"t\ta\",\"l\r\nb\",\"\"\"q\"\r\n", true);
    selectRows({0, 3});
    copyRows();
    EXPECT_EQ(clipboard(), L"a\tb\tc\r\nd\te\tf");
    selectRows({2});
    copyRows();
    EXPECT_EQ(clipboard(), L"x\t\t");
    selectRows({4});
    copyRows();
    EXPECT_EQ(clipboard(), L"\"t\ta\"\t\"l\r\nb\"\t\"\"\"q\"");
    // A single cell selects its row.
    clickCell(2, 2);
    copyRows();
    EXPECT_EQ(clipboard(), L"x\t\t");
}

TEST_F(ClipboardTest, CtrlShiftCCopiesOnlyTheShownColumnsOfA700CellRow) {
    std::string wide;
    for (int i = 0; i < 700; ++i) wide += (i ? "," : "") + std::to_string(i);
    open(wide + "\r\n", false);
    selectRows({0});
    copyRows();
    std::wstring expected;
    for (int i = 0; i < 512; ++i) expected += (i ? L"\t" : L"") + std::to_wstring(i);
    EXPECT_EQ(clipboard(), expected);
}

// ---- pasting -------------------------------------------------------------------------------

TEST_F(ClipboardTest, ASingleValueGoesIntoTheCurrentCellAlone) {
    open("a,b\r\nc,d\r\n", false);
    clickCell(0, 2);
    putOnClipboard(L"x");
    paste();
    EXPECT_EQ(text(), "a,x\r\nc,d\r\n");
    putOnClipboard(L"y,z\r\n");  // a cell as spreadsheet programs copy it
    paste();
    EXPECT_EQ(text(), "a,\"y,z\"\r\nc,d\r\n");
    putOnClipboard(L"\r\n");
    paste();
    EXPECT_EQ(text(), "a,\r\nc,d\r\n");
    putOnClipboard(L"\"x\ny\"");  // a spreadsheet cell with a line break stays one cell
    paste();
    EXPECT_EQ(text(), "a,\"x\ny\"\r\nc,d\r\n");
    EXPECT_EQ(itemCount(), 2);
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(ClipboardTest, ABlockFillsARectangleFromTheCurrentCellInOneUndoStep) {
    const std::string original = "h1,h2,h3\r\n1,2,3\r\n4,5,6\r\n7,8,9\r\n";
    open(original, true);
    clickCell(0, 2);
    putOnClipboard(L"a\tb\r\nc\td");
    const size_t steps = document().undoStepCount();
    paste();
    EXPECT_EQ(text(), "h1,h2,h3\r\n1,a,b\r\n4,c,d\r\n7,8,9\r\n");
    EXPECT_EQ(currentGridRow(), 0);
    EXPECT_EQ(currentListColumn(), 2);
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), original);
    ASSERT_TRUE(waitForRefresh());  // the undo is an outside edit to the grid

    // A shorter line leaves the cells to its right alone; an empty line clears one cell.
    putOnClipboard(L"a\r\n\r\n");
    paste();
    EXPECT_EQ(text(), "h1,h2,h3\r\n1,a,3\r\n4,,6\r\n7,8,9\r\n");
}

TEST_F(ClipboardTest, ABlockPastTheLastRowAddsRowsWithTheShownColumnsAndLineEndings) {
    open("a,b,c,d\r\ne,f", false);
    clickCell(1, 2);
    putOnClipboard(L"x\r\ny\r\nz");
    paste();
    EXPECT_EQ(text(), "a,b,c,d\r\ne,x\r\n,y,,\r\n,z,,\r\n");
    EXPECT_EQ(itemCount(), 4);

    // LF document, block wider than the table: the grid gains the columns, every record.
    auto lf = std::make_shared<devhost::EditorDocument>("a,b\nc,d\n");
    lf->eolMode = 2;
    host.activateDocument(0, lf);
    clickCell(1, 2);
    putOnClipboard(L"1\t2\t3\t4");
    paste();
    EXPECT_EQ(text(), "a,b,,,\nc,1,2,3,4\n");
    EXPECT_EQ(titles().size(), 6u);
}

TEST_F(ClipboardTest, PastedRowsAreRegeneratedWithMinimalQuoting) {
    open("\"a\",b\r\nc,d\r\n", false);
    clickCell(0, 2);
    putOnClipboard(L"x,y\tsay \"hi\"\r\n \tq");
    paste();
    // The row the block reaches is written anew whole: needless quotes go, needed ones come.
    EXPECT_EQ(text(), "a,\"x,y\",\"say \"\"hi\"\"\"\r\nc,\" \",q\r\n");
}

TEST_F(ClipboardTest, RowsCopiedWithCtrlShiftCPasteBackToTheSameValues) {
    // Rows as a paste writes them (minimal quoting), with a line break, a tab, quotes and
    // spaces in their cells.
    const std::string first = "\"l1\r\nl2\",t\tx,\"\"\"q\"\"\",plain\r\n";
    const std::string second = "\"a\nb\",,\" s \",\"x\"\"y\"\r\n";
    open(first + second + ",,,\r\n,,,\r\n", false);
    selectRows({0, 1});
    copyRows();
    clickCell(2, 1);
    paste();
    EXPECT_EQ(text(), first + second + first + second);
    // Pasted again over the rows it came from, one row down: the values never drift.
    clickCell(1, 1);
    paste();
    EXPECT_EQ(text(), first + first + second + second);
}

TEST_F(ClipboardTest, ACellWithALineBreakCopiedAndPastedStaysOneCell) {
    open("\"x\r\ny\",b\r\nc,d\r\n", false);
    clickCell(0, 1);
    copyCell();
    EXPECT_EQ(clipboard(), L"x\r\ny");  // other programs get the plain value
    clickCell(1, 2);
    paste();
    EXPECT_EQ(text(), "\"x\r\ny\",b\r\nc,\"x\r\ny\"\r\n");
    EXPECT_EQ(itemCount(), 2);
    // A text another program put afterwards is pasted, not the grid's older copy.
    putOnClipboard(L"new");
    paste();
    EXPECT_EQ(text(), "\"x\r\ny\",b\r\nc,new\r\n");
}

TEST_F(ClipboardTest, CharactersTheDocumentCannotStoreStopThePasteWithTheWarning) {
    open("a,b\r\nc,d\r\n", false);
    // Code page 1252 has no place for these.
    auto western = std::make_shared<devhost::EditorDocument>("a,b\r\nc,d\r\n");
    western->codePage = 1252;
    host.activateDocument(0, western);
    clickCell(0, 1);
    putOnClipboard(L"\u4E2D");
    paste();
    putOnClipboard(L"ok\tfine\r\n\u4E8C\tx");
    paste();
    EXPECT_EQ(western->text(), "a,b\r\nc,d\r\n");
    EXPECT_EQ(boxTexts(), (std::vector<std::wstring>{UNSTORABLE, UNSTORABLE}));
    EXPECT_EQ(hooks.boxes[0].icon, devhost::MessageBoxIcon::Warning);
    EXPECT_EQ(western->undoStepCount(), 0u);
    // What the code page holds is written in its own bytes.
    putOnClipboard(L"\u00E9\tok");
    paste();
    EXPECT_EQ(western->text(), "\xE9,ok\r\nc,d\r\n");
}

TEST_F(ClipboardTest, ABlockOnAReadOnlyDocumentRefreshesAndWarns) {
    open("a,b\r\nc,d\r\n", false);
    document().readOnly = true;
    clickCell(0, 1);
    putOnClipboard(L"x\ty\r\nz");
    paste();
    EXPECT_EQ(text(), "a,b\r\nc,d\r\n");
    EXPECT_EQ(boxTexts(), std::vector<std::wstring>{WRITE_FAILED});
    EXPECT_EQ(cellText(0, 1), L"a");
    EXPECT_EQ(itemCount(), 2);
}

TEST_F(ClipboardTest, PasteOnARowNumberFillsTheRowAndChecksTheDocumentFirst) {
    open("a,b\r\n", false);
    clickCell(0, 0);
    putOnClipboard(L"x");
    paste();
    EXPECT_EQ(text(), "x,x\r\n");
    EXPECT_TRUE(hooks.boxes.empty());
    clickCell(0, 1);
    host.mainView().userInsert(0, "z");
    ASSERT_TRUE(devhost::clearClipboard(host.window()));
    paste();
    EXPECT_EQ(boxTexts(), std::vector<std::wstring>{DOCUMENT_CHANGED});
    EXPECT_EQ(text(), "zx,x\r\n");
}

}  // namespace
