// The plug-in as the real host runs it: the host's shortcuts while the grid has the focus, a
// panel the host restores while it starts, and writes that read back only what they wrote.
#include "cell_edit_support.h"
#include "clipboard.h"

#include "plugin/host_interface.h"

using namespace tabulon_test;
using devhost::DevHost;
using devhost::KEY_ALT;
using devhost::KEY_CTRL;
using devhost::KEY_SHIFT;

namespace {

class HostShortcutTest : public CellEditTest {
protected:
    void SetUp() override {
        CellEditTest::SetUp();
        openPanel(PEOPLE_DOCUMENT);
        ASSERT_EQ(GetFocus(), list());
        host.clearRecords();
    }
};

TEST_F(HostShortcutTest, SaveAndThePanelCommandReachTheHostFromTheGrid) {
    press('S', KEY_CTRL);
    EXPECT_EQ(host.hostCommandCount(DevHost::IDM_FILE_SAVE), 1);
    EXPECT_EQ(document(), PEOPLE_DOCUMENT);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(GetFocus(), list());

    press('G', KEY_CTRL | KEY_ALT);
    EXPECT_FALSE(IsWindowVisible(panel()));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), false);
    EXPECT_EQ(host.hostCommandCount(PANEL_COMMAND_ID), 1);
}

TEST_F(HostShortcutTest, CtrlTabSwitchesTheDocumentWhileTabStillMovesTheCell) {
    host.nextDocument = std::make_shared<devhost::EditorDocument>();
    host.nextDocument->load("A,B,C\r\n1,2,3\r\n4,5,6\r\n7,8,9\r\n");
    press(VK_TAB);
    EXPECT_EQ(current(), std::make_pair(1, 2));
    EXPECT_EQ(host.hostCommands, std::vector<int>{});

    press(VK_TAB, KEY_CTRL);
    EXPECT_EQ(host.hostCommandCount(DevHost::IDM_NEXT_DOCUMENT), 1);
    EXPECT_EQ(itemCount(), 3);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"A", L"B", L"C"}));
}

TEST_F(HostShortcutTest, UndoAndRedoInTheGridAreTheDocumentsAndShowAtOnce) {
    goTo(0, 1);
    type(L"X");
    press(VK_RETURN);
    ASSERT_EQ(document(), "Name,City\r\nX,London\r\nGrace,Arlington\r\n");
    goTo(0, 1);

    press('Z', KEY_CTRL);
    EXPECT_EQ(document(), PEOPLE_DOCUMENT);
    EXPECT_EQ(host.hostCommandCount(DevHost::IDM_EDIT_UNDO), 1);
    // Shown without waiting for the debounce, and the cell stays current.
    EXPECT_EQ(cellText(0, 1), L"Ada");
    EXPECT_FALSE(refreshArmed());
    EXPECT_EQ(current(), std::make_pair(1, 1));

    press('Y', KEY_CTRL);
    EXPECT_EQ(document(), "Name,City\r\nX,London\r\nGrace,Arlington\r\n");
    EXPECT_EQ(cellText(0, 1), L"X");
    EXPECT_EQ(host.hostCommandCount(DevHost::IDM_EDIT_REDO), 1);
}

TEST_F(HostShortcutTest, TheGridsOwnKeysStayTheGrids) {
    goTo(1, 2);
    press('C', KEY_CTRL);
    EXPECT_EQ(devhost::clipboardText(host.window()), std::wstring(L"Arlington"));
    press(VK_F2);
    EXPECT_NE(editor(), nullptr);
    press(VK_ESCAPE);
    type(L"q");
    EXPECT_EQ(editorText(), L"q");
    press(VK_ESCAPE);
    EXPECT_TRUE(host.hostCommands.empty());

    // A chord nobody maps reaches the host and does nothing there: no editor opens in the
    // grid and no control character lands in the document.
    press('Q', KEY_CTRL);
    press('Q', KEY_CTRL | KEY_SHIFT);
    press(VK_F7);
    EXPECT_EQ(editor(), nullptr);
    EXPECT_EQ(document(), PEOPLE_DOCUMENT);
    EXPECT_TRUE(IsWindowVisible(panel()));
}

// The user has mapped the panel command to another key: that key works from the grid, the
// proposed one no longer does.
TEST_F(CellEditTest, ThePanelCommandFollowsTheUsersMapping) {
    ShortcutKey mapped{};
    mapped._isCtrl = true;
    mapped._isShift = true;
    mapped._key = 'K';
    host.remappedPluginShortcuts[PANEL_COMMAND] = mapped;
    openPanel(PEOPLE_DOCUMENT);

    press('G', KEY_CTRL | KEY_ALT);
    EXPECT_TRUE(IsWindowVisible(panel()));
    press('K', KEY_CTRL | KEY_SHIFT);
    EXPECT_FALSE(IsWindowVisible(panel()));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), false);
}

// The host restores a panel that was open at its last exit before it sends NPPN_READY: the
// grid must show the document by the settings file, not by the defaults.
TEST_F(GridViewTest, APanelRestoredAtStartShowsTheDocumentByTheSavedSettings) {
    writeSettingsFile(config.path(), "HeaderRow=0\r\nAutoDelim=0\r\nDelimiter=44\r\n");
    // Detection would choose the semicolon and the header row would hide the first record.
    host.mainView().document().load("a;b;c,d\r\n1;2;3,4\r\n");
    host.restoreCommandsAtStart = {PANEL_COMMAND};
    loadPlugin();

    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(IsWindowVisible(panel()));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);
    EXPECT_EQ(itemCount(), 2);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"A", L"B"}));
    EXPECT_EQ(cellText(0, 1), L"a;b;c");
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_HEADER_ROW), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(SendMessageW(child(panel(), IDC_DELIMITER), CB_GETCURSEL, 0, 0), 1);  // comma
    EXPECT_EQ(status(), commaStatus(2, 2, 1, 1));
}

// A cell write and its row check read the few bytes they need, never the whole text: the
// editor would have to move its gap for a whole-text pointer.
TEST_F(CellEditTest, ACellEditReadsOnlyTheRangesItWrites) {
    openPanel(PEOPLE_DOCUMENT);
    goTo(1, 2);
    host.mainView().resetMessageCounts();
    type(L"Paris");
    press(VK_RETURN);
    goTo(0, 2);
    press(VK_DELETE);
    ASSERT_EQ(document(), "Name,City\r\nAda,\r\nGrace,Paris\r\n");
    EXPECT_EQ(host.mainView().messageCount(SCI_GETCHARACTERPOINTER), 0);
    EXPECT_GE(host.mainView().messageCount(SCI_GETRANGEPOINTER), 2);
}

}  // namespace
