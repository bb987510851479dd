// A cell edit as it reaches the document: the bytes written, one undo step per edit, nothing
// written for an unchanged value, and the boxes shown when the row went stale, the document is
// read-only or its code page cannot hold the text.
#include "cell_edit_support.h"

#include <string>

using namespace tabulon_test;
using devhost::KEY_CTRL;

namespace {

constexpr wchar_t ROW_CHANGED[] =
    L"The document changed outside the grid, so this cell edit was not applied.\r\n"
    L"The view has been refreshed - please make the change again.";
constexpr wchar_t WRITE_FAILED[] =
    L"The change could not be written to the document.\r\n"
    L"If the file is set to read-only, clear that first (Edit menu).";
constexpr wchar_t LOSSY[] =
    L"Some characters cannot be stored in this file's encoding, so the\r\n"
    L"cell was left unchanged. Convert the file to UTF-8 first\r\n"
    L"(Encoding menu) and try again.";

const std::string SHORT_ROWS = "h1,h2,h3,h4\r\na,b\r\nc,d,e,f\r\n";

// ---- what is written -------------------------------------------------------------------

TEST_F(CellEditTest, ShortRowsArePaddedAndTheWholeRowIsWrittenAgainWithMinimalQuoting) {
    openPanel(SHORT_ROWS);
    goTo(0, 4);
    type(L"x");
    press(VK_RETURN);
    EXPECT_EQ(document(), "h1,h2,h3,h4\r\na,b,,x\r\nc,d,e,f\r\n");

    // Clearing a missing cell pads the row all the same.
    host.mainView().document().load(SHORT_ROWS);
    clickReload();
    goTo(0, 4);
    press(VK_DELETE);
    EXPECT_EQ(document(), "h1,h2,h3,h4\r\na,b,,\r\nc,d,e,f\r\n");

    // A value holding the delimiter or quotes is quoted, with the quotes doubled; quotes a
    // neighbour had without need are dropped, and a neighbour beginning with a space gains them.
    host.mainView().document().load("h1,h2\r\n\"a\",b\r\na, b\r\n");
    clickReload();
    goTo(0, 2);
    type(L"x,y");
    press(VK_RETURN);
    EXPECT_EQ(document(), "h1,h2\r\na,\"x,y\"\r\na, b\r\n");
    goTo(1, 1);
    type(L"say\"hi\"");
    press(VK_RETURN);
    EXPECT_EQ(document(), "h1,h2\r\na,\"x,y\"\r\n\"say\"\"hi\"\"\",\" b\"\r\n");
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(CellEditTest, EachEditIsOneUndoStepAndAnUnchangedValueWritesNothing) {
    openPanel(PEOPLE_DOCUMENT);
    goTo(0, 2);
    press(VK_RETURN);  // opens London
    press(VK_RETURN);  // commits it unchanged, and still moves down
    EXPECT_EQ(current(), std::make_pair(2, 2));
    type(L"Boston");
    press(VK_TAB);
    EXPECT_EQ(document(), "Name,City\r\nAda,London\r\nGrace,Boston\r\n");
    EXPECT_EQ(undoSteps(), 1u);

    press(VK_DELETE, KEY_CTRL);  // the list's, not the panel's
    EXPECT_EQ(undoSteps(), 1u);
    goTo(0, 1);
    press(VK_DELETE);
    EXPECT_EQ(document(), "Name,City\r\n,London\r\nGrace,Boston\r\n");
    EXPECT_EQ(undoSteps(), 2u);
    press(VK_DELETE);  // already empty: no write, no undo step
    EXPECT_EQ(undoSteps(), 2u);

    ASSERT_TRUE(host.mainView().undo());
    EXPECT_EQ(document(), "Name,City\r\nAda,London\r\nGrace,Boston\r\n");
    ASSERT_TRUE(host.mainView().undo());
    EXPECT_EQ(document(), PEOPLE_DOCUMENT);
}

TEST_F(CellEditTest, AValueWithANulByteCommittedUnchangedIsNotCutAtTheNul) {
    const std::string text("h,i\r\na\0b,c\r\n", 12);
    openPanel(text);
    press(VK_F2);
    EXPECT_EQ(editorText(), L"a");
    press(VK_RETURN);
    EXPECT_EQ(document(), text);
    EXPECT_EQ(undoSteps(), 0u);
}

TEST_F(CellEditTest, LaterRowsFollowAnEditThatChangesTheLength) {
    openPanel("h\r\na\r\nb\r\nc\r\n");
    goTo(0, 1);
    type(L"longer");
    press(VK_RETURN);
    ASSERT_EQ(document(), "h\r\nlonger\r\nb\r\nc\r\n");
    // The grid has not read the document again, yet a later row is still found at its new
    // offset: the caret goes to its first byte, and an edit there lands in it.
    clickCell(2, 1);
    EXPECT_EQ(host.mainView().document().caret, 14u);
    type(L"z");
    press(VK_RETURN);
    EXPECT_EQ(document(), "h\r\nlonger\r\nb\r\nz\r\n");
    EXPECT_TRUE(hooks.boxes.empty());
    EXPECT_EQ(host.mainView().messageCount(SCI_BEGINUNDOACTION), 0);
}

// ---- when nothing may be written ---------------------------------------------------------

TEST_F(CellEditTest, ARowChangedInTheEditorBeforeTheRefreshIsNotWritten) {
    openPanel(PEOPLE_DOCUMENT);
    goTo(1, 2);
    // Typed in the host editor before the row, within the refresh's delay: the row moved.
    host.mainView().userInsert(11, "Q");
    press(VK_DELETE);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, ROW_CHANGED);
    EXPECT_EQ(hooks.boxes[0].title, L"Tabulon");
    EXPECT_EQ(hooks.boxes[0].icon, devhost::MessageBoxIcon::Information);
    EXPECT_EQ(hooks.boxes[0].owner, host.window());
    EXPECT_EQ(document(), "Name,City\r\nQAda,London\r\nGrace,Arlington\r\n");
    EXPECT_EQ(undoSteps(), 1u);  // the user's own
    EXPECT_EQ(cellText(0, 1), L"QAda");  // the grid was read again
    EXPECT_EQ(current(), std::make_pair(2, 2));

    // An edit after the row leaves it where it was, and the cell edit goes through. (The box
    // took the focus; the user clicks back into the grid.)
    host.mainView().userInsert(document().size(), "x,y\r\n");
    goTo(1, 2);
    press(VK_DELETE);
    EXPECT_EQ(document(), "Name,City\r\nQAda,London\r\nGrace,\r\nx,y\r\n");
    EXPECT_EQ(hooks.boxes.size(), 1u);
}

TEST_F(CellEditTest, ARefusedEditOpensAgainWithWhatWasTypedAndEnterWritesItOntoTheNewBytes) {
    openPanel(PEOPLE_DOCUMENT);
    goTo(1, 2);
    type(L"Paris");
    // The row changes in the host editor while the cell editor is open.
    host.mainView().userInsert(11, "Q");
    press(VK_RETURN);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, ROW_CHANGED);
    EXPECT_EQ(document(), "Name,City\r\nQAda,London\r\nGrace,Arlington\r\n");
    // The grid was read again, and the editor is open on the same cell with the text typed.
    EXPECT_EQ(cellText(0, 1), L"QAda");
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editorText(), L"Paris");
    EXPECT_EQ(current(), std::make_pair(2, 2));
    press(VK_RETURN);
    EXPECT_EQ(document(), "Name,City\r\nQAda,London\r\nGrace,Paris\r\n");
    EXPECT_EQ(hooks.boxes.size(), 1u);

    // A row that is gone after the refresh is not offered again.
    goTo(1, 2);
    type(L"Rome");
    host.mainView().userDelete(24, document().size() - 24);
    press(VK_RETURN);
    ASSERT_EQ(hooks.boxes.size(), 2u);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(document(), "Name,City\r\nQAda,London\r\n");
}

TEST_F(CellEditTest, AReadOnlyDocumentIsNotWrittenAndTheUserIsWarned) {
    openPanel(PEOPLE_DOCUMENT);
    host.mainView().document().readOnly = true;
    goTo(0, 1);
    type(L"x");
    press(VK_RETURN);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, WRITE_FAILED);
    EXPECT_EQ(hooks.boxes[0].icon, devhost::MessageBoxIcon::Warning);
    EXPECT_EQ(document(), PEOPLE_DOCUMENT);
    EXPECT_EQ(host.mainView().messageCount(SCI_REPLACETARGET), 0);
    EXPECT_EQ(cellText(0, 1), L"Ada");
}

TEST_F(CellEditTest, AWriteTheEditorAltersIsReportedAndTheGridReadsTheDocumentAgain) {
    openPanel(PEOPLE_DOCUMENT);
    host.mainView().replaceFault = devhost::ReplaceFault::DropLastByte;
    goTo(0, 1);
    type(L"xyz");
    press(VK_RETURN);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, WRITE_FAILED);
    // Only the changed bytes are written, so the editor's fault cut the new value short.
    EXPECT_EQ(document(), "Name,City\r\nxy,London\r\nGrace,Arlington\r\n");
    EXPECT_EQ(cellText(0, 1), L"xy");
}

// The view goes away inside the refused replace, so the refresh after it can read nothing: the
// grid must not go on showing the value that never reached the document.
LRESULT CALLBACK losingViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == SCI_REPLACETARGET) reinterpret_cast<devhost::DevHost*>(data)->currentView = -1;
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(CellEditTest, AFailedWriteThatCannotBeReadBackLeavesTheGridShowingTheDocument) {
    openPanel(PEOPLE_DOCUMENT);
    host.mainView().replaceFault = devhost::ReplaceFault::Refuse;
    SetWindowSubclass(host.mainView().window(), losingViewProc, 0x7E57, reinterpret_cast<DWORD_PTR>(&host));
    goTo(0, 1);
    type(L"x");
    press(VK_RETURN);
    RemoveWindowSubclass(host.mainView().window(), losingViewProc, 0x7E57);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, WRITE_FAILED);
    EXPECT_EQ(document(), PEOPLE_DOCUMENT);
    EXPECT_EQ(cellText(0, 1), L"Ada");

    // Without a view at all the row cannot be checked: nothing is written either.
    press(VK_DELETE);
    ASSERT_EQ(hooks.boxes.size(), 2u);
    EXPECT_EQ(hooks.boxes[1].text, ROW_CHANGED);
    EXPECT_EQ(document(), PEOPLE_DOCUMENT);
}

TEST_F(CellEditTest, TextASingleByteCodePageCannotHoldIsRefusedWithAWarning) {
    host.mainView().document().codePage = 1252;
    openPanel("h\r\nold\r\n");
    goTo(0, 1);
    type(L"\x4E2D");
    press(VK_RETURN);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, LOSSY);
    EXPECT_EQ(hooks.boxes[0].icon, devhost::MessageBoxIcon::Warning);
    EXPECT_EQ(document(), "h\r\nold\r\n");
    EXPECT_EQ(current(), std::make_pair(1, 1));  // the move still happens (clamped)

    // A character the code page has is written as its one byte.
    type(L"\x00E9");
    press(VK_RETURN);
    EXPECT_EQ(document(), "h\r\n\xE9\r\n");
    EXPECT_EQ(hooks.boxes.size(), 1u);
}

TEST_F(CellEditTest, TextACodePageCannotConvertAtAllDoesNotClearTheCell) {
    host.mainView().document().codePage = 54321;  // no such code page
    openPanel("h\r\nold\r\n");
    goTo(0, 1);
    type(L"x");
    press(VK_RETURN);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, LOSSY);
    EXPECT_EQ(document(), "h\r\nold\r\n");
}

TEST_F(CellEditTest, TheSameTextIsWrittenIntoAUtf8Document) {
    openPanel("h\r\nold\r\n");
    goTo(0, 1);
    type(L"\x4E2D");
    press(VK_RETURN);
    EXPECT_TRUE(hooks.boxes.empty());
    EXPECT_EQ(document(), "h\r\n\xE4\xB8\xAD\r\n");
}

}  // namespace
