// The four buttons of the tool row, as a user presses them: the document bytes they leave, the
// boxes they ask and warn with, the grid they leave behind, and one undo taking each back.
#include "row_column_test_support.h"

#include <memory>
#include <string>

using namespace tabulon_test;

namespace {

// ---- + Row ---------------------------------------------------------------------------------

TEST_F(OperationTest, AddRowGoesAfterTheCurrentRowInEachLineEndingAndUndoesInOneStep) {
    open("a,b\r\nc,d\r\n", false);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "a,b\r\n,\r\nc,d\r\n");
    EXPECT_EQ(itemCount(), 3);
    EXPECT_EQ(currentGridRow(), 1);
    EXPECT_EQ(focusedRow(), 1);
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), "a,b\r\nc,d\r\n");
    EXPECT_FALSE(host.mainView().undo());

    // The document's mode decides the new row's ending; a last row without one keeps none.
    auto lf = std::make_shared<devhost::EditorDocument>("a,b\nc,d");
    lf->eolMode = 2;
    host.activateDocument(0, lf);
    clickCell(1, 2);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "a,b\nc,d\n,");
    EXPECT_EQ(currentGridRow(), 2);
    EXPECT_EQ(currentListColumn(), 2);

    auto cr = std::make_shared<devhost::EditorDocument>("x\ry\r");
    cr->eolMode = 1;
    host.activateDocument(0, cr);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "x\r\"\"\ry\r");  // one column: an empty quoted value, not a blank line
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(OperationTest, AddRowOnAnEmptyDocumentOrAHeaderOnlyDocumentMakesTheFirstDataRow) {
    // One record line, no blank header line: with the header row on it is the titles, and the
    // ready row stays under them.
    open("", true);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "\"\"\r\n");
    EXPECT_EQ(itemCount(), 1);
    EXPECT_EQ(cellText(0, 0), L"*");

    host.activateDocument(0, std::make_shared<devhost::EditorDocument>("id,name\r\n"));
    ASSERT_EQ(cellText(0, 0), L"*");
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "id,name\r\n,\r\n");
    EXPECT_EQ(itemCount(), 1);
}

TEST_F(OperationTest, AddRowBlankRowHasTheShownColumnsOfA700CellDocument) {
    open(std::string(699, ',') + "\r\nx\r\n", false);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), std::string(699, ',') + "\r\n" + std::string(511, ',') + "\r\nx\r\n");
}

// ---- - Row ---------------------------------------------------------------------------------

TEST_F(OperationTest, DeleteRowsAsksAboutTheSelectedRowsAndDeletesThemInOneUndoStep) {
    const std::string five = "r0\r\nr1\r\nr2\r\nr3\r\nr4\r\n";
    open(five, false);
    selectRows({1, 3});
    hooks.scriptedAnswers = {IDCANCEL};
    press(IDC_DELETE_ROW);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, L"Delete 2 row(s) from the document?");
    EXPECT_EQ(hooks.boxes[0].title, L"Tabulon");
    EXPECT_EQ(hooks.boxes[0].icon, devhost::MessageBoxIcon::Question);
    EXPECT_TRUE(hooks.boxes[0].hasButton(IDOK) && hooks.boxes[0].hasButton(IDCANCEL));
    EXPECT_EQ(hooks.boxes[0].owner, host.window());
    EXPECT_EQ(text(), five);

    selectRows({1, 3});
    const size_t stepsBefore = document().undoStepCount();
    press(IDC_DELETE_ROW);
    EXPECT_EQ(text(), "r0\r\nr2\r\nr4\r\n");
    EXPECT_EQ(itemCount(), 3);
    EXPECT_EQ(document().undoStepCount(), stepsBefore + 1);
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), five);
}

TEST_F(OperationTest, DeleteRowsWithoutSelectionTakesTheCurrentRowAndNeverTheHeader) {
    open("h\r\na\r\nb", true);
    selectRows({});
    clickCell(1, 1);
    selectRows({});
    press(IDC_DELETE_ROW);
    EXPECT_EQ(boxTexts().back(), L"Delete 1 row(s) from the document?");
    EXPECT_EQ(text(), "h\r\na");  // the line ending in front of the last row goes with it
    selectRows({0});
    press(IDC_DELETE_ROW);
    EXPECT_EQ(text(), "h");
    EXPECT_EQ(cellText(0, 0), L"*");  // titles alone: only the ready row
    // Nothing left to delete: no box.
    const size_t boxes = hooks.boxes.size();
    press(IDC_DELETE_ROW);
    EXPECT_EQ(hooks.boxes.size(), boxes);
    EXPECT_EQ(text(), "h");
}

TEST_F(OperationTest, DeleteRowsGivesUpWhenTheGridWasRebuiltWhileTheBoxWasOpen) {
    open("a,1\r\nb,2\r\n", false);
    // Another document of the same length becomes current while the box is open.
    auto other = std::make_shared<devhost::EditorDocument>("c,3\r\nd,4\r\n");
    WhileBoxOpen watch([&] { host.activateDocument(0, other); });
    selectRows({0});
    press(IDC_DELETE_ROW);
    EXPECT_TRUE(watch.ran);
    EXPECT_EQ(other->text(), "c,3\r\nd,4\r\n");
    EXPECT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(cellText(0, 1), L"c");
}

TEST_F(OperationTest, DeleteRowsAfterAnOutsideEditWhileTheBoxWasOpenWritesNothing) {
    open("a\r\nb\r\n", false);
    WhileBoxOpen watch([&] { host.mainView().userInsert(0, "z"); });
    press(IDC_DELETE_ROW);
    EXPECT_EQ(text(), "za\r\nb\r\n");
    EXPECT_EQ(boxTexts().back(), DOCUMENT_CHANGED);
}

// A row operation compares its rows and their neighbours with the grid's bytes: a change there
// that no notification told stops it; one further off is not its business and stays.
TEST_F(OperationTest, RowOperationsCheckTheirRowsAndNeighboursByTheirBytes) {
    open("a\r\nb\r\nc\r\nd\r\n", false);
    host.mainView().silentReplace(3, 1, "x");  // the row above c
    selectRows({2});
    press(IDC_DELETE_ROW);
    EXPECT_EQ(text(), "a\r\nx\r\nc\r\nd\r\n");
    EXPECT_EQ(boxTexts(), std::vector<std::wstring>{DOCUMENT_CHANGED});
    EXPECT_EQ(cellText(1, 1), L"x");

    host.mainView().silentReplace(0, 1, "y");  // two rows above c
    selectRows({2});
    press(IDC_DELETE_ROW);
    EXPECT_EQ(text(), "y\r\nx\r\nd\r\n");

    host.mainView().silentReplace(6, 1, "z");  // the row below x
    selectRows({1});
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "y\r\nx\r\nz\r\n");
    EXPECT_EQ(boxTexts().back(), DOCUMENT_CHANGED);
}

// ---- + Col and - Col -----------------------------------------------------------------------

TEST_F(OperationTest, AddColumnKeepsEveryOtherByteAndTheHeaderGetsAnEmptyTitle) {
    open("\"a,b\",c\r\n\"x\r\ny\",\"q\"\r\nshort\r\n", true);
    clickCell(0, 2);
    press(IDC_ADD_COLUMN);
    EXPECT_EQ(text(), "\"a,b\",,c\r\n\"x\r\ny\",,\"q\"\r\nshort,\r\n");
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"a,b", L"B", L"c"}));
    EXPECT_EQ(currentListColumn(), 2);
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), "\"a,b\",c\r\n\"x\r\ny\",\"q\"\r\nshort\r\n");
}

TEST_F(OperationTest, AddColumnAtTheRowNumbersGoesFirstAndPastAShortRowLeavesIt) {
    open("a,b\na\n", false, 2);
    clickCell(0, 0);
    press(IDC_ADD_COLUMN);
    EXPECT_EQ(text(), ",a,b\n,a\n");
    auto wider = std::make_shared<devhost::EditorDocument>("a,b,c,d\na,b\n");
    wider->eolMode = 2;
    host.activateDocument(0, wider);
    clickCell(0, 4);
    press(IDC_ADD_COLUMN);
    EXPECT_EQ(text(), "a,b,c,,d\na,b\n");
}

TEST_F(OperationTest, DeleteColumnAsksWithTheTitleAndRemovesTheCellWithOneDelimiter) {
    open("Name,Price,Note\r\na,b,c\r\na,b\r\na\r\n\"p,q\",\"1,5\"\r\n", true);
    clickCell(0, 2);
    hooks.scriptedAnswers = {IDCANCEL, IDOK};
    press(IDC_DELETE_COLUMN);
    EXPECT_EQ(boxTexts().back(), L"Delete column \"Price\" from every row?");
    EXPECT_EQ(hooks.boxes.back().icon, devhost::MessageBoxIcon::Question);
    EXPECT_EQ(text(), "Name,Price,Note\r\na,b,c\r\na,b\r\na\r\n\"p,q\",\"1,5\"\r\n");
    press(IDC_DELETE_COLUMN);
    EXPECT_EQ(text(), "Name,Note\r\na,c\r\na\r\na\r\n\"p,q\"\r\n");
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"Name", L"Note"}));
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), "Name,Price,Note\r\na,b,c\r\na,b\r\na\r\n\"p,q\",\"1,5\"\r\n");
}

TEST_F(OperationTest, DeleteColumnCutsALongTitleAndLeavesAOneCellRowAsAnEmptyLine) {
    const std::string title(100, 'T');
    open(title + "\r\nx\r\n", true);
    press(IDC_DELETE_COLUMN);
    EXPECT_EQ(boxTexts().back(), L"Delete column \"" + std::wstring(80, L'T') + L"\" from every row?");
    EXPECT_EQ(text(), "\r\n\r\n");
    // A column of one empty line left: deleting it changes no byte and makes no undo step.
    host.activateDocument(0, std::make_shared<devhost::EditorDocument>("\r\n"));
    const size_t steps = document().undoStepCount();
    press(IDC_DELETE_COLUMN);
    EXPECT_EQ(text(), "\r\n");
    EXPECT_EQ(document().undoStepCount(), steps);
    // With the row numbers current there is no column to delete.
    host.activateDocument(0, std::make_shared<devhost::EditorDocument>("h1,h2\r\na,b\r\n"));
    clickCell(0, 0);
    const size_t boxes = hooks.boxes.size();
    press(IDC_DELETE_COLUMN);
    EXPECT_EQ(hooks.boxes.size(), boxes);
}

TEST_F(OperationTest, ColumnOperationsOnA700CellRowReachTheCellsPastTheShownOnes) {
    std::string wide;
    for (int i = 0; i < 700; ++i) wide += (i ? "," : "") + std::to_string(i);
    open(wide + "\r\n" + wide + "\r\n", false);
    clickCell(0, 1);
    press(IDC_ADD_COLUMN);
    EXPECT_EQ(text(), "," + wide + "\r\n," + wide + "\r\n");
    press(IDC_DELETE_COLUMN);
    EXPECT_EQ(text(), wide + "\r\n" + wide + "\r\n");
}

// ---- documents that cannot be written ------------------------------------------------------

TEST_F(OperationTest, EveryOperationOnAReadOnlyDocumentRefreshesAndWarns) {
    const std::string original = "a,b\r\nc,d\r\n";
    open(original, false);
    document().readOnly = true;
    const int buttons[] = {IDC_ADD_ROW, IDC_DELETE_ROW, IDC_ADD_COLUMN, IDC_DELETE_COLUMN};
    for (const int button : buttons) {
        hooks.boxes.clear();
        press(button);
        EXPECT_EQ(text(), original) << button;
        ASSERT_FALSE(hooks.boxes.empty()) << button;
        EXPECT_EQ(hooks.boxes.back().text, WRITE_FAILED) << button;
        EXPECT_EQ(hooks.boxes.back().icon, devhost::MessageBoxIcon::Warning) << button;
        EXPECT_EQ(itemCount(), 2) << button;
        EXPECT_EQ(document().undoActionDepth(), 0) << button;
    }
}

TEST_F(OperationTest, AReplaceThatCameOutShortIsReportedAndTheGridShowsTheDocument) {
    open("a,b\r\nc,d\r\n", false);
    host.mainView().replaceFault = devhost::ReplaceFault::DropLastByte;
    press(IDC_ADD_COLUMN);
    EXPECT_EQ(boxTexts().back(), WRITE_FAILED);
    host.mainView().replaceFault = devhost::ReplaceFault::None;
    // The column's one replace runs from the first to the last byte it changes: ",a,b\r\n,"
    // without its last byte.
    EXPECT_EQ(text(), ",a,b\r\nc,d\r\n");
    // The grid was read again from what the document now holds, so the next operation is
    // checked against the real document and goes through without any box.
    EXPECT_EQ(cellText(0, 1), L"");
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), ",a,b\r\n,,\r\nc,d\r\n");
    EXPECT_EQ(hooks.boxes.size(), 1u);
}

TEST_F(OperationTest, AnOutsideEditBeforeTheDebouncedRefreshStopsEveryOperation) {
    open("a,b\r\nc,d\r\n", false);
    host.mainView().userInsert(0, "z");
    press(IDC_ADD_COLUMN);
    EXPECT_EQ(text(), "za,b\r\nc,d\r\n");
    EXPECT_EQ(boxTexts(), std::vector<std::wstring>{DOCUMENT_CHANGED});
    EXPECT_EQ(cellText(0, 1), L"za");
}

}  // namespace
