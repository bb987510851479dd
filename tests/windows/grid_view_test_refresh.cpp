// When the grid is rebuilt: outside edits debounced into one refresh, nothing while the panel
// is hidden, the position kept or reset by each trigger, views and documents switched.
#include "grid_view_support.h"

#include "input.h"

#include <memory>
#include <string>
#include <vector>

using namespace tabulon_test;

namespace {

const std::string PEOPLE = "Name,City\r\nAda,London\r\nGrace,Arlington\r\n";

std::string numberedRows(int count) {
    std::string text = "n,v\r\n";
    for (int i = 1; i <= count; ++i) text += std::to_string(i) + ",x\r\n";
    return text;
}

TEST_F(GridViewTest, BurstOfOutsideEditsGivesOneRefreshAfterTheLast) {
    openPanel(PEOPLE);
    ListSpy spy(list());
    // The burst lasts longer than the delay, but no gap between two edits comes near it.
    for (int i = 0; i < 10; ++i) {
        host.mainView().userInsert(host.mainView().text().size(), "Row" + std::to_string(i) + ",X\r\n");
        host.pumpFor(60);
        EXPECT_EQ(spy.itemCountSets, 0) << "after edit " << i;
        EXPECT_EQ(itemCount(), 2);
    }
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(itemCount(), 12);
    EXPECT_EQ(status(), commaStatus(12, 2, 1, 1));
    host.pumpFor(600);
    EXPECT_EQ(spy.itemCountSets, 1);
    EXPECT_EQ(host.timerDispatchCount(panel(), 1), 1);
}

TEST_F(GridViewTest, EditOfEqualLengthStillRefreshes) {
    openPanel(PEOPLE);
    host.mainView().userReplace(0, 4, "Nome");
    ASSERT_EQ(host.mainView().text().size(), PEOPLE.size());
    EXPECT_TRUE(refreshArmed());
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"Nome", L"City"}));
}

TEST_F(GridViewTest, UndoInTheEditorIsAnOutsideEditToo) {
    openPanel(PEOPLE);
    host.mainView().userInsert(PEOPLE.size(), "Linus,Helsinki\r\n");
    ASSERT_TRUE(waitForRefresh());
    ASSERT_EQ(itemCount(), 3);
    ASSERT_TRUE(host.mainView().undo());
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(itemCount(), 2);
}

TEST_F(GridViewTest, HiddenPanelIsNotRefreshedUntilShownAgain) {
    openPanel(PEOPLE);
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));  // hide
    ASSERT_FALSE(IsWindowVisible(panel()));
    ListSpy spy(list());
    host.mainView().userInsert(PEOPLE.size(), "Linus,Helsinki\r\n");
    EXPECT_FALSE(refreshArmed());
    host.notify(NPPN_FILESAVED);
    host.notify(NPPN_BUFFERACTIVATED);
    EXPECT_EQ(spy.itemCountSets, 0);
    EXPECT_EQ(itemCount(), 2);

    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));  // show: rebuilt from the top
    EXPECT_EQ(itemCount(), 3);
    EXPECT_EQ(status(), commaStatus(3, 2, 1, 1));
    EXPECT_EQ(topRow(), 0);
}

TEST_F(GridViewTest, HostEventsRefreshAVisiblePanel) {
    openPanel(PEOPLE);
    // The text changes behind the panel's back (as a reload from disk would) and only the
    // event tells it.
    host.mainView().document().load("a,b,c\r\n1,2,3\r\n");
    host.sendDockNotification(DMN_SWITCHIN, 0x3);
    host.pumpUntilIdle();
    EXPECT_EQ(status(), commaStatus(1, 3, 1, 1));

    host.mainView().document().load("a\r\n1\r\n2\r\n");
    host.notify(NPPN_FILESAVED);
    EXPECT_EQ(status(), commaStatus(2, 1, 1, 1));

    host.mainView().document().load("a;b\r\n");
    host.notify(NPPN_LANGCHANGED);
    EXPECT_EQ(status(), L"0 rows x 2 cols   |   delimiter ';'   |   col C1");

    host.mainView().document().load("x|y\r\n1|2\r\n");
    clickReload();
    EXPECT_EQ(status(), L"1 row x 2 cols   |   delimiter '|'   |   cell R1 C1");
}

// The host's Encoding menu reads the same bytes in another code page, with no edit and no
// notification: the grid follows within the watch's interval.
TEST_F(GridViewTest, AnotherCodePageForTheSameBytesIsShownByTheWatch) {
    openPanel("Name,City\r\nZo\xC3\xAB,K\xC3\xB6ln\r\n");
    ASSERT_EQ(cellText(0, 1), L"Zo\u00EB");
    host.mainView().document().codePage = 0;  // the system's ANSI code page, 1252 here
    host.fireTimer(panel(), 3);
    host.pumpUntilIdle();
    EXPECT_EQ(cellText(0, 1), L"Zo\u00C3\u00AB");
    EXPECT_EQ(cellText(0, 2), L"K\u00C3\u00B6ln");
    host.mainView().document().codePage = 65001;
    host.pumpFor(700);
    EXPECT_EQ(cellText(0, 1), L"Zo\u00EB");
}

// After an undo or a redo in the editor, the first cell it changed is current, in view: here
// the second cell of row 50 of 60, with the grid at its top.
TEST_F(GridViewTest, UndoAndRedoInTheEditorMakeTheFirstChangedCellCurrent) {
    openPanel(numberedRows(60));
    const size_t at = host.mainView().text().find("\r\n50,x") + 5;
    host.mainView().userReplace(at, 1, "yy");
    ASSERT_TRUE(waitForRefresh());
    ASSERT_EQ(status(), commaStatus(60, 2, 1, 1));
    for (const bool undo : {true, false}) {
        ASSERT_TRUE(undo ? host.mainView().undo() : host.mainView().redo());
        ASSERT_TRUE(waitForRefresh());
        EXPECT_EQ(status(), commaStatus(60, 2, 50, 2)) << (undo ? "undo" : "redo");
        const int top = topRow();
        const int perPage = static_cast<int>(SendMessageW(list(), LVM_GETCOUNTPERPAGE, 0, 0));
        EXPECT_TRUE(top <= 49 && 49 < top + perPage) << "top row " << top;
        SendMessageW(list(), LVM_ENSUREVISIBLE, 0, FALSE);  // back to the top for the redo
    }
}

TEST_F(GridViewTest, SwitchingDocumentsAndViewsShowsTheCurrentOne) {
    openPanel(PEOPLE);
    host.activateDocument(0, std::make_shared<devhost::EditorDocument>("p,q,r\r\n1,2,3\r\n"));
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"p", L"q", L"r"}));
    EXPECT_EQ(status(), commaStatus(1, 3, 1, 1));

    host.activateDocument(1, std::make_shared<devhost::EditorDocument>("s\tt\r\n1\t2\r\n3\t4\r\n"));
    EXPECT_EQ(host.currentView, 1);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"s", L"t"}));
    EXPECT_EQ(status(), L"2 rows x 2 cols   |   delimiter Tab   |   cell R1 C1");

    // An edit in the other view is reported too; the refresh reads the current view.
    host.mainView().userInsert(0, "z,");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"s", L"t"}));
}

// Every document comes back as it was left: its header-row choice, column widths, filter and
// current cell, also after the host was restarted; a document seen for the first time takes the
// settings file's choices.
TEST_F(GridViewTest, EveryDocumentIsShownAsItWasLeftAlsoAfterARestart) {
    host.mainView().document().path = L"C:\\data\\people.csv";
    openPanel(PEOPLE);
    devhost::click(host, list(), devhost::listCellCenter(list(), 1, 2));
    setColumnWidth(1, 150);
    auto tabs = std::make_shared<devhost::EditorDocument>("s\tt\r\n1\t2\r\n3\t4\r\n");
    tabs->path = L"C:\\data\\tabs.tsv";
    const auto people = host.activateDocument(0, tabs);
    EXPECT_EQ(status(), L"2 rows x 2 cols   |   delimiter Tab   |   cell R1 C1");
    clickHeaderRowBox();
    EXPECT_EQ(status(), L"3 rows x 2 cols   |   delimiter Tab   |   cell R1 C1");
    // A filter typed into the first column's box.
    SetFocus(list());
    ASSERT_TRUE(devhost::pressKey(host, 'L', devhost::KEY_CTRL | devhost::KEY_SHIFT));
    ASSERT_TRUE(devhost::typeText(host, L"=3"));
    const std::wstring filtered = L"1 of 3 rows x 2 cols   |   delimiter Tab   |   cell R3 C1";
    EXPECT_EQ(status(), filtered);

    host.activateDocument(0, people);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"Name", L"City"}));
    EXPECT_EQ(status(), commaStatus(2, 2, 2, 2));
    EXPECT_EQ(widths()[1], 150);
    host.activateDocument(0, tabs);
    EXPECT_EQ(status(), filtered);

    // The views outlive the host: written at shut-down, read when it is ready again.
    host.activateDocument(0, people);
    ASSERT_TRUE(host.shutdownPlugin());
    ASSERT_TRUE(devhost::fileExists(config.file(L"Tabulon-views.ini")));
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    EXPECT_EQ(status(), commaStatus(2, 2, 2, 2));
    host.activateDocument(0, tabs);
    EXPECT_EQ(status(), filtered);
}

TEST_F(GridViewTest, WithoutACurrentViewTheGridKeepsWhatItShows) {
    openPanel(PEOPLE);
    host.currentView = -1;
    host.mainView().document().load("other\r\n");
    clickReload();
    host.notify(NPPN_BUFFERACTIVATED);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"Name", L"City"}));
    EXPECT_EQ(itemCount(), 2);
    EXPECT_EQ(status(), commaStatus(2, 2, 1, 1));

    host.currentView = 0;
    clickReload();
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"other"}));
}

// Moves the list's focus down by pages, as the user's Page Down does, and returns the
// focused row.
int pageDown(devhost::DevHost& host, HWND list, int pages) {
    SetFocus(list);
    for (int i = 0; i < pages; ++i) devhost::pressKey(host, VK_NEXT);
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

TEST_F(GridViewTest, ReloadAndOutsideEditsKeepTheTopRowAndTheCurrentRow) {
    openPanel(numberedRows(400));
    const int focused = pageDown(host, list(), 20);
    const int top = topRow();
    ASSERT_GT(top, 100) << "the list did not scroll half-way down";
    ASSERT_EQ(status(), commaStatus(400, 2, focused + 1, 1)) << "the current row does not follow the list's focus";

    clickReload();
    EXPECT_EQ(topRow(), top);
    EXPECT_EQ(focusedRow(), focused);
    EXPECT_EQ(status(), commaStatus(400, 2, focused + 1, 1));

    host.mainView().userInsert(host.mainView().text().size(), "401,y\r\n");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(topRow(), top);
    EXPECT_EQ(status(), commaStatus(401, 2, focused + 1, 1));

    // A current row beyond the new end moves to the last row.
    host.mainView().document().load(numberedRows(50));
    clickReload();
    EXPECT_EQ(status(), commaStatus(50, 2, 50, 1));
    EXPECT_EQ(focusedRow(), 49);

    // Another document starts at the top.
    host.activateDocument(0, std::make_shared<devhost::EditorDocument>(numberedRows(400)));
    EXPECT_EQ(topRow(), 0);
    EXPECT_EQ(status(), commaStatus(400, 2, 1, 1));
}

TEST_F(GridViewTest, OutsideEditsAreReadByWhatTheyChanged) {
    openPanel(numberedRows(400));
    devhost::EditorView& view = host.mainView();
    view.resetMessageCounts();

    // Typing in the middle: only a stretch around the edit is read, never the whole text.
    const size_t row200 = view.text().find("\r\n200,") + 2;
    view.userInsert(row200, "9");
    view.userDelete(row200 + 5, 1);  // the x of that row
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(view.messageCount(SCI_GETCHARACTERPOINTER), 0);
    EXPECT_GT(view.messageCount(SCI_GETRANGEPOINTER), 0);
    EXPECT_EQ(cellText(199, 1), L"9200");
    EXPECT_EQ(cellText(199, 2), L"");
    EXPECT_EQ(cellText(200, 1), L"201");
    EXPECT_EQ(status(), commaStatus(400, 2, 1, 1));

    // A line break typed into a row splits it; the rows below move down by one.
    view.userInsert(view.text().find("\r\n300,") + 4, "\r\n");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(view.messageCount(SCI_GETCHARACTERPOINTER), 0);
    EXPECT_EQ(cellText(299, 1), L"30");
    EXPECT_EQ(cellText(300, 1), L"0");
    EXPECT_EQ(cellText(400, 1), L"400");
    EXPECT_EQ(status(), L"401 rows x 2 cols   |   1 problem   |   delimiter ','   |   cell R1 C1");  // the first half is a field short

    // Undone in the editor, the grid is as before, still read by what changed, with the cell
    // the undo changed current.
    ASSERT_TRUE(view.undo());
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(view.messageCount(SCI_GETCHARACTERPOINTER), 0);
    EXPECT_EQ(cellText(299, 1), L"300");
    EXPECT_EQ(status(), commaStatus(400, 2, 300, 1));

    // A quote opened in the first row turns the rest into one cell. The grid shows that, and
    // writes go on from a table that matches the document.
    view.userInsert(view.text().find("\r\n") + 2, "\"");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(status(), L"1 row x 2 cols   |   1 problem   |   delimiter ','   |   cell R1 C1");  // the quote that never closes
    ASSERT_TRUE(view.undo());
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(status(), commaStatus(400, 2, 1, 1));
    EXPECT_EQ(cellText(399, 1), L"400");
}

TEST_F(GridViewTest, EditsTheGridCannotFollowAreReadWhole) {
    openPanel(numberedRows(50));
    devhost::EditorView& view = host.mainView();

    // An edit while the panel is hidden goes unseen; the refreshes after it read what it did.
    host.mainView().userInsert(view.text().find("\r\n10,") + 2, "1");
    ASSERT_TRUE(waitForRefresh());
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    view.userInsert(view.text().find("\r\n20,") + 2, "2");
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    view.resetMessageCounts();
    view.userInsert(view.text().find("\r\n30,") + 2, "3");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(cellText(9, 1), L"110");
    EXPECT_EQ(cellText(19, 1), L"220");
    EXPECT_EQ(cellText(29, 1), L"330");

    // Another document swapped into the view while an edit waits for the refresh.
    view.userInsert(0, "x");
    host.activateDocument(0, std::make_shared<devhost::EditorDocument>(numberedRows(5)));
    view.userInsert(view.text().size(), "6,y\r\n");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(status(), commaStatus(6, 2, 1, 1));
    EXPECT_EQ(cellText(5, 2), L"y");
}

}  // namespace
