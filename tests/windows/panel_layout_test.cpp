// The panel's children and their places at 96 DPI: the tool row along the top, the status
// line taking the rest of it, the list below; and a panel too narrow or too short for them.
#include "test_support.h"
#include "input.h"

#include <commctrl.h>

#include <iterator>
#include <vector>

using namespace tabulon_test;

namespace {

class PanelLayoutTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        if (dpi != 96) GTEST_SKIP() << "the screen is at " << dpi << " DPI, the expected positions are for 96";
        loadPlugin();
        ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
        ASSERT_NE(panel(), nullptr);
    }

    void expectAt(int id, int left, int width, int top = 4, int height = 23) {
        const RECT rect = childRect(panel(), id);
        EXPECT_EQ(rect.left, left) << "control " << id;
        EXPECT_EQ(rect.right - rect.left, width) << "control " << id;
        EXPECT_EQ(rect.top, top) << "control " << id;
        if (height >= 0) {
            EXPECT_EQ(rect.bottom - rect.top, height) << "control " << id;
        }
    }
};

TEST_F(PanelLayoutTest, ToolRowAndListAt96Dpi) {
    RECT client;
    GetClientRect(panel(), &client);
    ASSERT_GT(client.right, 600);
    expectAt(IDC_RELOAD, 4, 56);
    expectAt(IDC_HEADER_ROW, 64, 80);
    expectAt(IDC_FILTER, 148, 52);
    expectAt(IDC_DELIM_LABEL, 204, 34);
    expectAt(IDC_DELIMITER, 242, 84, 4, -1);  // a drop-down list: its closed height is its own
    expectAt(IDC_ADD_ROW, 330, 48);
    expectAt(IDC_DELETE_ROW, 382, 48);
    expectAt(IDC_ADD_COLUMN, 434, 48);
    expectAt(IDC_DELETE_COLUMN, 486, 48);
    expectAt(IDC_FIT, 538, 40);
    expectAt(IDC_STATUS, 582, client.right - 582 - 4);
    expectAt(IDC_GRID_LIST, 0, client.right, 31, client.bottom - 31);
}

TEST_F(PanelLayoutTest, NarrowAndShortPanel) {
    host.setDockSize(300, 20);
    RECT client;
    GetClientRect(panel(), &client);
    ASSERT_EQ(client.right, 300);
    ASSERT_EQ(client.bottom, 20);
    expectAt(IDC_STATUS, 582, 20);  // keeps its least width, outside the panel
    expectAt(IDC_GRID_LIST, 0, 300, 31, 0);

    host.setDockSize(700, 200);
    expectAt(IDC_STATUS, 582, 700 - 586);
    expectAt(IDC_GRID_LIST, 0, 700, 31, 200 - 31);
}

// Counts the moves asked of a control.
LRESULT CALLBACK countMoves(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR counter) {
    if (message == WM_WINDOWPOSCHANGING) ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(window, message, wParam, lParam);
}

// A new panel size moves the status line and the list; the tool row stays where it is, and is
// not moved there again (each move lays a control out anew: the delimiter box its list).
TEST_F(PanelLayoutTest, ANewSizeMovesOnlyWhatItChanges) {
    int reloadMoves = 0;
    int delimiterMoves = 0;
    const HWND reload = GetDlgItem(panel(), IDC_RELOAD);
    const HWND delimiter = GetDlgItem(panel(), IDC_DELIMITER);
    ASSERT_TRUE(SetWindowSubclass(reload, countMoves, 1, reinterpret_cast<DWORD_PTR>(&reloadMoves)));
    ASSERT_TRUE(SetWindowSubclass(delimiter, countMoves, 1, reinterpret_cast<DWORD_PTR>(&delimiterMoves)));
    host.setDockSize(700, 200);
    host.setDockSize(900, 260);
    RemoveWindowSubclass(reload, countMoves, 1);
    RemoveWindowSubclass(delimiter, countMoves, 1);
    EXPECT_EQ(reloadMoves, 0);
    EXPECT_EQ(delimiterMoves, 0);
    expectAt(IDC_RELOAD, 4, 56);
    expectAt(IDC_STATUS, 582, 900 - 586);
    expectAt(IDC_GRID_LIST, 0, 900, 31, 260 - 31);
}

TEST_F(PanelLayoutTest, ChildrenInTabOrderWithTheirClassesAndTexts) {
    struct Expected {
        int id;
        const wchar_t* className;
        const wchar_t* text;  // null: not checked
    };
    const Expected expected[] = {
        {IDC_RELOAD, L"Button", L"Reload"},     {IDC_HEADER_ROW, L"Button", L"Header row"},
        {IDC_FILTER, L"Button", L"Filter"},     {IDC_DELIM_LABEL, L"Static", L"Delim:"}, {IDC_DELIMITER, L"ComboBox", nullptr},
        {IDC_ADD_ROW, L"Button", L"+ Row"},     {IDC_DELETE_ROW, L"Button", L"- Row"},
        {IDC_ADD_COLUMN, L"Button", L"+ Col"},  {IDC_DELETE_COLUMN, L"Button", L"- Col"},
        {IDC_FIT, L"Button", L"Fit"},           {IDC_STATUS, L"Static", nullptr},
        {IDC_GRID_LIST, L"SysListView32", nullptr},
    };
    std::vector<HWND> children;
    for (HWND c = GetWindow(panel(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    ASSERT_EQ(children.size(), std::size(expected));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(children[0], WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    for (size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(GetDlgCtrlID(children[i]), expected[i].id) << "child " << i;
        wchar_t name[64] = {};
        GetClassNameW(children[i], name, 64);
        EXPECT_EQ(_wcsicmp(name, expected[i].className), 0) << "child " << i;
        if (expected[i].text) {
            wchar_t text[64] = {};
            GetWindowTextW(children[i], text, 64);
            EXPECT_STREQ(text, expected[i].text);
        }
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(children[i], WM_GETFONT, 0, 0)), font) << "child " << i;
        const bool tabStop = (GetWindowLongPtrW(children[i], GWL_STYLE) & WS_TABSTOP) != 0;
        const bool staticControl = expected[i].id == IDC_DELIM_LABEL || expected[i].id == IDC_STATUS;
        EXPECT_EQ(tabStop, !staticControl) << "child " << i;
    }

    HWND list = child(panel(), IDC_GRID_LIST);
    const LONG_PTR listStyle = GetWindowLongPtrW(list, GWL_STYLE);
    EXPECT_EQ(listStyle & 0x52811409, 0x52811409);
    EXPECT_EQ(listStyle & LVS_SINGLESEL, 0);
    // Full-row select, double buffering, titles that drag.
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x10030);
    // The combo box hands WS_VSCROLL on to its drop-down list and drops it from its own style.
    EXPECT_EQ(GetWindowLongPtrW(child(panel(), IDC_DELIMITER), GWL_STYLE) & 0x50010003, 0x50010003);
    EXPECT_EQ(SendMessageW(child(panel(), IDC_HEADER_ROW), BM_GETCHECK, 0, 0), BST_CHECKED);

    HWND combo = child(panel(), IDC_DELIMITER);
    const wchar_t* choices[] = {L"Auto", L", comma", L"; semicolon", L"Tab", L"| pipe"};
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 5);
    for (int i = 0; i < 5; ++i) {
        wchar_t text[32] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, choices[i]);
    }
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
}

}  // namespace

// The find bar's text boxes are as high as their text, centred on the row of its buttons, so
// their text stands level with the labels' instead of at the top of a tall box.
TEST_F(PanelLayoutTest, FindBarTextIsCentredOnTheRow) {
    constexpr int FIND_TEXT = 2631;
    constexpr int FIND_NEXT = 2635;
    constexpr int REPLACE_TEXT = 2638;
    constexpr int REPLACE = 2639;
    const HWND list = GetDlgItem(panel(), IDC_GRID_LIST);
    SetFocus(list);
    ASSERT_TRUE(devhost::pressKey(host, 'F', devhost::KEY_CTRL));
    // Each box on its own row's buttons: on a panel too narrow for one row, the Replace part
    // has a row of its own under the Find part.
    for (const auto& [id, buttonId] : {std::pair{FIND_TEXT, FIND_NEXT}, std::pair{REPLACE_TEXT, REPLACE}}) {
        const RECT button = childRect(panel(), buttonId);
        const HWND field = GetDlgItem(panel(), id);
        ASSERT_NE(field, nullptr);
        HDC dc = GetDC(field);
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(field, dc);
        const RECT place = childRect(panel(), id);
        EXPECT_NEAR(place.top + place.bottom, button.top + button.bottom, 1) << "control " << id;
        RECT inside{};
        GetClientRect(field, &inside);
        EXPECT_LE(inside.bottom - metrics.tmHeight, 4) << "control " << id;
    }
    // This panel is narrower than the whole bar: two rows, the Replace row below.
    EXPECT_GT(childRect(panel(), REPLACE_TEXT).top, childRect(panel(), FIND_TEXT).bottom);
}
