// The find bar as a user drives it: Ctrl+F, typing, Enter and F3 with and without Shift, the
// wrap and the count in the status line, the bar's options, Esc; Replace and Replace all with
// the bytes they write and the undo step they make.
#include "pixels.h"
#include "spreadsheet_test_support.h"

#include <string>

using namespace tabulon_test;

namespace {

constexpr int FIND_TEXT = 2631;
constexpr int MATCH_CASE = 2632;
constexpr int WHOLE_CELL = 2633;
constexpr int IN_COLUMN = 2634;
constexpr int REGEX = 2642;
constexpr int REPLACE_TEXT = 2638;
constexpr int REPLACE = 2639;
constexpr int REPLACE_ALL = 2640;

// Five cells hold "apple" in some case: one in quotes with doubled quotes, none in the header.
const std::string FRUIT =
    "id,name,note\r\n1,Apple,red apple\r\n2,apple pie,\"sweet, \"\"apple\"\"\"\r\n3,Banana,yellow\r\n4,APPLE,green\r\n";

class FindTest : public SpreadsheetTest {
protected:
    // Ctrl+F in the grid, then the text typed into the bar's find field.
    void openBarAndType(const std::wstring& query) {
        key('F', devhost::KEY_CTRL);
        ASSERT_EQ(GetFocus(), child(panel(), FIND_TEXT));
        typeText(query);
    }
    // The status line's note after the cell: "match 2 of 5", "no match"...
    std::wstring note() {
        const std::wstring line = status();
        const size_t cell = line.rfind(L"cell R");
        const size_t bar = line.find(L"   |   ", cell == std::wstring::npos ? 0 : cell);
        return bar == std::wstring::npos ? std::wstring() : line.substr(bar + 7);
    }
    void setText(int id, const wchar_t* text) { SetWindowTextW(child(panel(), id), text); }
    std::wstring fieldText(int id) {
        wchar_t text[256] = {};
        GetWindowTextW(child(panel(), id), text, 256);
        return text;
    }
    bool barShown() { return IsWindowVisible(child(panel(), FIND_TEXT)) != FALSE; }
};

TEST_F(FindTest, EnterAndF3StepThroughTheMatchesBothWaysAndWrapWithANote) {
    open(FRUIT, true);
    clickCell(0, 1);
    openBarAndType(L"apple");
    pressKey(VK_RETURN);
    EXPECT_EQ(current(), std::make_pair(0, 2));
    EXPECT_EQ(note(), L"match 1 of 5");
    EXPECT_EQ(GetFocus(), child(panel(), FIND_TEXT));  // typing on in the bar stays possible
    // TABULON_FIND_SCREENSHOT names a BMP file for pictures of the bar, light and "-dark".
    if (const wchar_t* path = _wgetenv(L"TABULON_FIND_SCREENSHOT")) {
        devhost::saveBmp(devhost::capturePixels(host.window(), true), path);
        host.setDarkMode(true);
        host.pumpUntilIdle();
        devhost::saveBmp(devhost::capturePixels(host.window(), true), std::wstring(path) + L"-dark.bmp");
        host.setDarkMode(false);
        host.pumpUntilIdle();
        SetFocus(child(panel(), FIND_TEXT));
    }
    pressKey(VK_RETURN);
    EXPECT_EQ(current(), std::make_pair(0, 3));
    pressKey(VK_F3);
    EXPECT_EQ(current(), std::make_pair(1, 2));
    EXPECT_EQ(note(), L"match 3 of 5");
    pressKey(VK_F3);
    EXPECT_EQ(current(), std::make_pair(1, 3));  // the quoted value is matched unquoted
    pressKey(VK_F3, devhost::KEY_SHIFT);
    pressKey(VK_RETURN, devhost::KEY_SHIFT);
    pressKey(VK_RETURN, devhost::KEY_SHIFT);
    EXPECT_EQ(current(), std::make_pair(0, 2));
    EXPECT_EQ(note(), L"match 1 of 5");
    pressKey(VK_RETURN, devhost::KEY_SHIFT);
    EXPECT_EQ(current(), std::make_pair(3, 2));
    EXPECT_EQ(note(), L"match 5 of 5 (wrapped)");
    pressKey(VK_RETURN);
    EXPECT_EQ(current(), std::make_pair(0, 2));
    EXPECT_EQ(note(), L"match 1 of 5 (wrapped)");

    // The note belongs to the found cell: moving on in the grid drops it.
    key(VK_DOWN);
    EXPECT_EQ(note(), L"");
    // F3 in the grid goes on with the bar's query.
    key(VK_F3);
    EXPECT_EQ(current(), std::make_pair(1, 3));

    // Esc closes the bar and gives the grid the focus; the document was never touched.
    SetFocus(child(panel(), FIND_TEXT));
    pressKey(VK_ESCAPE);
    EXPECT_FALSE(barShown());
    EXPECT_EQ(GetFocus(), list());
    EXPECT_EQ(text(), FRUIT);
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(FindTest, MatchCaseWholeCellAndInThisColumnNarrowTheSearch) {
    open(FRUIT, true);
    clickCell(0, 1);
    openBarAndType(L"apple");
    press(MATCH_CASE);
    pressKey(VK_F3);
    EXPECT_EQ(current(), std::make_pair(0, 3));
    EXPECT_EQ(note(), L"match 1 of 3");

    press(MATCH_CASE);
    press(WHOLE_CELL);
    pressKey(VK_F3);
    EXPECT_EQ(current(), std::make_pair(3, 2));
    EXPECT_EQ(note(), L"match 2 of 2");

    // In this column: the current cell's column only, from the current cell on.
    press(WHOLE_CELL);
    clickCell(0, 3);
    press(IN_COLUMN);
    SetFocus(child(panel(), FIND_TEXT));
    pressKey(VK_F3);
    EXPECT_EQ(current(), std::make_pair(1, 3));
    EXPECT_EQ(note(), L"match 2 of 2");

    setText(FIND_TEXT, L"kiwi");
    pressKey(VK_F3);
    EXPECT_EQ(current(), std::make_pair(1, 3));
    EXPECT_EQ(note(), L"no match");
}

TEST_F(FindTest, ReplaceAllWritesEveryMatchInOneUndoStepAndReplaceOneCellAtATime) {
    open(FRUIT, true);
    openBarAndType(L"apple");
    setText(REPLACE_TEXT, L"pear");
    const size_t steps = document().undoStepCount();
    press(REPLACE_ALL);
    EXPECT_EQ(text(),
              "id,name,note\r\n1,pear,red pear\r\n2,pear pie,\"sweet, \"\"pear\"\"\"\r\n3,Banana,yellow\r\n4,pear,green\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(note(), L"5 cells replaced");
    EXPECT_TRUE(host.mainView().undo());
    EXPECT_EQ(text(), FRUIT);
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(note(), L"");  // undone, the replacing is no longer true

    // Replace changes the current cell when it matches, then goes to the next match; the count
    // follows the write.
    clickCell(0, 1);
    SetFocus(child(panel(), FIND_TEXT));
    pressKey(VK_F3);
    EXPECT_EQ(note(), L"match 1 of 5");
    setText(REPLACE_TEXT, L"Pear");
    press(REPLACE);
    EXPECT_EQ(text(), "id,name,note\r\n1,Pear,red apple\r\n2,apple pie,\"sweet, \"\"apple\"\"\"\r\n3,Banana,yellow\r\n4,APPLE,green\r\n");
    EXPECT_EQ(current(), std::make_pair(0, 3));
    EXPECT_EQ(note(), L"match 1 of 4");
    press(REPLACE);
    EXPECT_EQ(text(), "id,name,note\r\n1,Pear,red Pear\r\n2,apple pie,\"sweet, \"\"apple\"\"\"\r\n3,Banana,yellow\r\n4,APPLE,green\r\n");

    // Nothing to replace: nothing written, and the note says so.
    setText(FIND_TEXT, L"kiwi");
    const std::string before = text();
    const size_t now = document().undoStepCount();
    press(REPLACE_ALL);
    EXPECT_EQ(text(), before);
    EXPECT_EQ(document().undoStepCount(), now);
    EXPECT_EQ(note(), L"no match");
    EXPECT_TRUE(hooks.boxes.empty());
}

// Regular expression: the text is a pattern, $1 and $& work in Replace all (one undo step,
// quoting as needed), a pattern that does not compile is told and nothing is searched, and a
// pathological pattern over a long cell stops on its budget without writing anything.
TEST_F(FindTest, ARegularExpressionFindsAndReplacesWithGroupsAndRefusesWhatItCannotDo) {
    open("id,when\r\n1,2024-05-06\r\n2,soon\r\n3,1999-12-31\r\n", true);
    clickCell(0, 1);
    openBarAndType(L"(\\d{4})-(\\d\\d)");
    press(REGEX);
    pressKey(VK_F3);
    EXPECT_EQ(current(), std::make_pair(0, 2));
    EXPECT_EQ(note(), L"match 1 of 2");
    setText(REPLACE_TEXT, L"$2/$1, [$&]");
    const size_t steps = document().undoStepCount();
    press(REPLACE_ALL);
    EXPECT_EQ(text(), "id,when\r\n1,\"05/2024, [2024-05]-06\"\r\n2,soon\r\n3,\"12/1999, [1999-12]-31\"\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);

    setText(FIND_TEXT, L"(ab");
    pressKey(VK_F3);
    EXPECT_EQ(note().rfind(L"regular expression: missing )", 0), 0u) << note();

    std::string longCell = "id,v\r\n1," + std::string(1000000, 'a') + "\r\n";
    open(longCell, true);
    clickCell(0, 1);
    openBarAndType(L"(.*a){100}x");
    press(REGEX);
    press(REPLACE_ALL);
    EXPECT_EQ(text(), longCell);
    EXPECT_EQ(note(), L"regular expression: stopped, the pattern takes too much work");
    EXPECT_TRUE(hooks.boxes.empty());
}

// Ctrl+Z in the bar's boxes takes their typing back and Ctrl+Y brings it again, as in any edit
// box; neither reaches the document's history.
TEST_F(FindTest, CtrlZAndCtrlYUndoAndRedoTheTypingInTheBarsBoxes) {
    open(FRUIT, true);
    clickCell(0, 1);
    openBarAndType(L"apple");
    const size_t steps = document().undoStepCount();
    pressKey('Z', devhost::KEY_CTRL);
    EXPECT_EQ(fieldText(FIND_TEXT), L"");
    pressKey('Y', devhost::KEY_CTRL);
    EXPECT_EQ(fieldText(FIND_TEXT), L"apple");
    EXPECT_EQ(document().undoStepCount(), steps);
    EXPECT_EQ(text(), FRUIT);
}

}  // namespace
