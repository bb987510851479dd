// What the demo's editor view shows a user: the lines it scrolls to, that it draws a change
// again, and its undo and redo keys. First the stand-in view on its own, then driven through
// the plug-in: a click on a far row brings its record into view, and an edit made in the grid
// appears there.
#include "editor_messages.h"
#include "input.h"
#include "pixels.h"
#include "row_column_test_support.h"

#include <string>

using namespace tabulon_test;

namespace {

// A header line and numbered records, one line each.
std::string numberedRecords(int count) {
    std::string text = "id,name\r\n";
    for (int i = 1; i <= count; ++i) text += std::to_string(i) + ",name" + std::to_string(i) + "\r\n";
    return text;
}

bool showsLine(devhost::EditorView& view, intptr_t line) {
    return line >= view.firstVisibleLine() && line < view.firstVisibleLine() + view.visibleLineCount();
}

class EditorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.create());
        host.mainView().document().load(numberedRecords(400));
        InvalidateRect(view().window(), nullptr, TRUE);
    }
    devhost::EditorView& view() { return host.mainView(); }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(view().window(), message, wParam, lParam);
    }

    devhost::DevHost host;
};

TEST_F(EditorViewTest, ScrollsToALineOutOfViewAndStaysForOneInView) {
    ASSERT_EQ(view().firstVisibleLine(), 0);
    const int page = view().visibleLineCount();
    ASSERT_GT(page, 5);
    ASSERT_LT(page, 300);

    send(SCI_ENSUREVISIBLEENFORCEPOLICY, 300);
    EXPECT_TRUE(showsLine(view(), 300));
    const intptr_t first = view().firstVisibleLine();
    EXPECT_GT(first, 0);

    // Lines already on the page, at either end, move nothing.
    send(SCI_ENSUREVISIBLEENFORCEPOLICY, static_cast<WPARAM>(first));
    send(SCI_ENSUREVISIBLEENFORCEPOLICY, static_cast<WPARAM>(first + page - 1));
    EXPECT_EQ(view().firstVisibleLine(), first);

    // The caret's line after SCI_GOTOPOS is brought into view too, here back at the top.
    send(SCI_GOTOPOS, 3);
    EXPECT_EQ(view().firstVisibleLine(), 0);
    EXPECT_EQ(view().lastEnsureVisibleLine(), first + page - 1);  // recorded as before
}

TEST_F(EditorViewTest, WheelScrollsWithinTheDocument) {
    // Two notches towards the user: six lines down the document.
    devhost::wheel(host, view().window(), -2 * WHEEL_DELTA);
    EXPECT_EQ(view().firstVisibleLine(), 6);
    devhost::wheel(host, view().window(), 5 * WHEEL_DELTA);
    EXPECT_EQ(view().firstVisibleLine(), 0);
    for (int i = 0; i < 200; ++i) devhost::wheel(host, view().window(), -WHEEL_DELTA);
    EXPECT_EQ(view().firstVisibleLine(), 401);  // the empty line after the last line end
}

TEST_F(EditorViewTest, AnEditIsDrawnWithoutBeingAskedTo) {
    const devhost::Pixels before = devhost::capturePixels(view().window());
    ASSERT_FALSE(before.empty());
    // Not blank: the numbers and the text are drawn.
    EXPECT_LT(before.count(RGB(255, 255, 255)), before.width * before.height * 98 / 100);

    view().userReplace(9, 1, "999999999999");  // the first record's id, on line 2
    const devhost::Pixels after = devhost::capturePixels(view().window());
    ASSERT_EQ(after.colors.size(), before.colors.size());
    EXPECT_NE(after.colors, before.colors);

    // And a view that was not changed keeps its picture.
    EXPECT_EQ(devhost::capturePixels(view().window()).colors, after.colors);
}

TEST_F(EditorViewTest, CtrlZAndCtrlYUndoAndRedoInTheView) {
    const std::string original = view().text();
    view().userInsert(0, "new,");
    SetFocus(view().window());
    ASSERT_TRUE(devhost::pressKey(host, 'Z', devhost::KEY_CTRL));
    EXPECT_EQ(view().text(), original);
    ASSERT_TRUE(devhost::pressKey(host, 'Y', devhost::KEY_CTRL));
    EXPECT_EQ(view().text(), "new," + original);
    // Without Ctrl the letters are typed.
    ASSERT_TRUE(devhost::pressKey(host, 'Z'));
    EXPECT_EQ(view().text().size(), original.size() + 5);
}

// ---- through the plug-in ---------------------------------------------------------------------

TEST_F(OperationTest, AClickOnAFarRowShowsItsRecordAndAnEditThereIsDrawn) {
    open(numberedRecords(300), true);
    devhost::EditorView& view = host.mainView();
    ASSERT_FALSE(showsLine(view, 250));

    SendMessageW(list(), LVM_ENSUREVISIBLE, 249, FALSE);
    host.pumpUntilIdle();
    clickCell(249, 2);  // grid row 249 is the record "250,name250", the document's line 250
    EXPECT_TRUE(showsLine(view, 250));
    EXPECT_EQ(view.document().caret, text().find("250,name250"));

    const devhost::Pixels before = devhost::capturePixels(view.window());
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(devhost::typeText(host, L"renamed"));  // typing on a cell replaces its text
    ASSERT_TRUE(devhost::pressKey(host, VK_RETURN));
    ASSERT_NE(text().find("\r\n250,renamed\r\n"), std::string::npos);
    EXPECT_NE(devhost::capturePixels(view.window()).colors, before.colors);
}

}  // namespace
