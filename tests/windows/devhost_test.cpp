// Tests of the stand-in host itself, where a fault would mislead the plug-in's tests: undo
// grouping, SCN_MODIFIED delivery, document switching, the fault switches and the answers to
// host messages, docking, message-box capture, input through the dialog path, pixels, timers.
#include "clipboard.h"
#include "dev_host.h"
#include "editor_messages.h"
#include "input.h"
#include "pixels.h"
#include "temporary_directory.h"
#include "window_hooks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

using namespace devhost;

namespace {

class DevHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.installed());
        ASSERT_TRUE(host.create());
        view = host.mainView().window();
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageW(view, message, wParam, lParam); }

    void replace(size_t start, size_t end, const std::string& text) {
        send(SCI_SETTARGETRANGE, start, static_cast<LPARAM>(end));
        send(SCI_REPLACETARGET, text.size(), reinterpret_cast<LPARAM>(text.data()));
    }

    // The forwarded notifications that carry an insertion or deletion.
    std::vector<ModificationEvent> changes() const {
        std::vector<ModificationEvent> result;
        for (const ModificationEvent& event : host.modifications)
            if (event.modificationType & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT)) result.push_back(event);
        return result;
    }

    WindowHooks hooks;
    DevHost host;
    HWND view = nullptr;
};

TEST_F(DevHostTest, GroupedReplacesUndoAndRedoAsOneStep) {
    host.mainView().document().load("abc,def\r\n");
    send(SCI_BEGINUNDOACTION);
    replace(0, 3, "X");
    replace(2, 5, "YZ");
    send(SCI_ENDUNDOACTION);
    EXPECT_EQ(host.mainView().text(), "X,YZ\r\n");
    EXPECT_EQ(host.mainView().document().undoStepCount(), 1u);

    send(SCI_UNDO);
    EXPECT_EQ(host.mainView().text(), "abc,def\r\n");
    EXPECT_EQ(send(SCI_CANUNDO), 0);
    send(SCI_REDO);
    EXPECT_EQ(host.mainView().text(), "X,YZ\r\n");
}

TEST_F(DevHostTest, UngroupedReplacesAreOneStepEach) {
    host.mainView().document().load("abc");
    replace(0, 1, "X");
    replace(2, 3, "Z");
    EXPECT_EQ(host.mainView().text(), "XbZ");
    send(SCI_UNDO);
    EXPECT_EQ(host.mainView().text(), "Xbc");
    send(SCI_UNDO);
    EXPECT_EQ(host.mainView().text(), "abc");
    EXPECT_FALSE(host.mainView().undo());
}

TEST_F(DevHostTest, NestedGroupsCloseWithTheOutermostEnd) {
    host.mainView().document().load("abc");
    send(SCI_BEGINUNDOACTION);
    send(SCI_BEGINUNDOACTION);
    replace(0, 1, "1");
    send(SCI_ENDUNDOACTION);
    replace(1, 2, "2");
    send(SCI_ENDUNDOACTION);
    replace(2, 3, "3");
    EXPECT_EQ(host.mainView().document().undoStepCount(), 2u);
    host.mainView().undo();
    EXPECT_EQ(host.mainView().text(), "12c");
    host.mainView().undo();
    EXPECT_EQ(host.mainView().text(), "abc");
}

TEST_F(DevHostTest, ReplaceReachesTheHostSynchronouslyAsDeleteThenInsert) {
    host.mainView().document().load("one,two\n");
    replace(4, 7, "2");
    // No pumping: the notifications arrived inside SendMessage.
    const std::vector<ModificationEvent> seen = changes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].from, view);
    EXPECT_EQ(seen[0].modificationType & 3, SC_MOD_DELETETEXT);
    EXPECT_EQ(seen[0].position, 4);
    EXPECT_EQ(seen[0].length, 3);
    EXPECT_EQ(seen[0].text, "two");
    EXPECT_EQ(seen[1].modificationType & 3, SC_MOD_INSERTTEXT);
    EXPECT_EQ(seen[1].position, 4);
    EXPECT_EQ(seen[1].text, "2");
    EXPECT_EQ(host.mainView().text(), "one,2\n");
    EXPECT_EQ(send(SCI_GETTARGETSTART), 4);
    EXPECT_EQ(send(SCI_GETTARGETEND), 5);
    // The "before" notifications come too, without the insert or delete bits.
    EXPECT_EQ(host.modifications.size(), 4u);
    EXPECT_EQ(host.modifications[0].modificationType & 3, 0);
}

TEST_F(DevHostTest, UserEditsAndUndoAreNotifiedFromTheirView) {
    host.secondView().document().load("a\nb\n");
    host.secondView().userInsert(2, "x\ny\n");
    host.secondView().undo();
    const std::vector<ModificationEvent> seen = changes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].from, host.secondView().window());
    EXPECT_EQ(seen[0].modificationType, SC_MOD_INSERTTEXT | SC_PERFORMED_USER);
    EXPECT_EQ(seen[0].linesAdded, 2);
    EXPECT_EQ(seen[1].modificationType, SC_MOD_DELETETEXT | SC_PERFORMED_UNDO);
    EXPECT_EQ(seen[1].linesAdded, -2);
    EXPECT_EQ(host.secondView().text(), "a\nb\n");
}

TEST_F(DevHostTest, DocumentSwitchSwapsBufferAndHistoryWithoutModification) {
    host.mainView().document().load("first");
    host.mainView().userInsert(5, "!");
    host.modifications.clear();

    auto second = std::make_shared<EditorDocument>("second\n");
    second->eolMode = 2;
    std::shared_ptr<EditorDocument> first = host.activateDocument(0, second);
    EXPECT_TRUE(host.modifications.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(send(SCI_GETCHARACTERPOINTER))), "second\n");
    EXPECT_EQ(send(SCI_GETEOLMODE), 2);
    EXPECT_EQ(send(SCI_CANUNDO), 0);

    host.activateDocument(0, first);
    EXPECT_TRUE(host.modifications.empty());
    send(SCI_UNDO);
    EXPECT_EQ(host.mainView().text(), "first");
}

TEST_F(DevHostTest, FaultSwitchesRefuseOrAlterTheReplace) {
    host.mainView().document().load("0123456789");
    host.mainView().document().readOnly = true;
    EXPECT_EQ(send(SCI_GETREADONLY), 1);
    replace(3, 5, "abcd");
    host.mainView().userDelete(0, 1);
    EXPECT_EQ(host.mainView().text(), "0123456789");
    EXPECT_TRUE(host.modifications.empty());
    EXPECT_EQ(host.editorNotificationCount(SCN_MODIFYATTEMPTRO), 2);

    host.mainView().document().readOnly = false;
    host.mainView().replaceFault = ReplaceFault::Refuse;
    replace(3, 5, "abcd");
    EXPECT_EQ(send(SCI_GETLENGTH), 10);

    host.mainView().replaceFault = ReplaceFault::DropLastByte;
    replace(3, 5, "abcd");
    EXPECT_EQ(host.mainView().text(), "012abc56789");

    host.mainView().replaceFault = ReplaceFault::None;
    replace(0, 0, std::string("\0x", 2));
    EXPECT_EQ(send(SCI_GETLENGTH), 13);
    EXPECT_EQ(reinterpret_cast<const char*>(send(SCI_GETCHARACTERPOINTER))[0], '\0');
}

TEST_F(DevHostTest, LineFromPositionCountsEveryKindOfLineEnd) {
    host.mainView().document().load("a\r\nb\rc\nd");
    const int expected[] = {0, 0, 0, 1, 1, 2, 2, 3, 3};
    for (int position = 0; position < 9; ++position)
        EXPECT_EQ(send(SCI_LINEFROMPOSITION, position), expected[position]) << "position " << position;
    send(SCI_ENSUREVISIBLEENFORCEPOLICY, 2);
    send(SCI_GOTOPOS, 7);
    EXPECT_EQ(host.mainView().lastEnsureVisibleLine(), 2);
    EXPECT_EQ(send(SCI_GETCURRENTPOS), 7);
    EXPECT_EQ(host.mainView().messageCount(SCI_GOTOPOS), 1);
}

TEST_F(DevHostTest, CurrentViewAnswerOrNone) {
    int index = -1;
    SendMessageW(host.window(), NPPM_GETCURRENTSCINTILLA, 0, reinterpret_cast<LPARAM>(&index));
    EXPECT_EQ(index, 0);
    host.currentView = 1;
    SendMessageW(host.window(), NPPM_GETCURRENTSCINTILLA, 0, reinterpret_cast<LPARAM>(&index));
    EXPECT_EQ(index, 1);
    host.currentView = -1;
    index = 7;
    SendMessageW(host.window(), NPPM_GETCURRENTSCINTILLA, 0, reinterpret_cast<LPARAM>(&index));
    EXPECT_EQ(index, 7);
}

TEST_F(DevHostTest, ConfigDirectoryAnswers) {
    wchar_t buffer[260];
    wmemset(buffer, L'#', 260);
    EXPECT_EQ(SendMessageW(host.window(), NPPM_GETPLUGINSCONFIGDIR, 260, reinterpret_cast<LPARAM>(buffer)), FALSE);
    EXPECT_EQ(buffer[0], L'#');

    host.configDirectory = L"C:\\config\\plugins";
    EXPECT_EQ(SendMessageW(host.window(), NPPM_GETPLUGINSCONFIGDIR, 5, reinterpret_cast<LPARAM>(buffer)), FALSE);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_NE(SendMessageW(host.window(), NPPM_GETPLUGINSCONFIGDIR, 260, reinterpret_cast<LPARAM>(buffer)), FALSE);
    EXPECT_STREQ(buffer, L"C:\\config\\plugins");
    EXPECT_EQ(host.hostMessageCount(NPPM_GETPLUGINSCONFIGDIR), 3);
}

TEST_F(DevHostTest, DarkModeAnswers) {
    NppDarkModeColors colors{};
    EXPECT_EQ(SendMessageW(host.window(), NPPM_ISDARKMODEENABLED, 0, 0), FALSE);
    host.darkMode = true;
    host.darkPalette.reset();
    EXPECT_NE(SendMessageW(host.window(), NPPM_ISDARKMODEENABLED, 0, 0), FALSE);
    EXPECT_EQ(SendMessageW(host.window(), NPPM_GETDARKMODECOLORS, sizeof(colors), reinterpret_cast<LPARAM>(&colors)), 0);
    EXPECT_EQ(colors.background, 0u);

    host.darkPalette = DevHost::defaultDarkPalette();
    EXPECT_EQ(SendMessageW(host.window(), NPPM_GETDARKMODECOLORS, 40, reinterpret_cast<LPARAM>(&colors)), 0);
    EXPECT_NE(SendMessageW(host.window(), NPPM_GETDARKMODECOLORS, sizeof(colors), reinterpret_cast<LPARAM>(&colors)), 0);
    EXPECT_EQ(colors.text, host.darkPalette->text);
    EXPECT_EQ(colors.disabledEdge, host.darkPalette->disabledEdge);
}

// A window that records the WM_NOTIFY codes it receives.
std::vector<NMHDR> receivedNotifications;
LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) receivedNotifications.push_back(*reinterpret_cast<NMHDR*>(lParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND createPopup(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassW(&wc);
    return CreateWindowExW(WS_EX_TOOLWINDOW, className, L"panel", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 200, 100,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST_F(DevHostTest, DockingReparentsShowsHidesAndNotifies) {
    HWND panel = createPopup(L"DevhostTestPanel", &recordingProc);
    ASSERT_NE(panel, nullptr);
    static const wchar_t name[] = L"Test panel";
    static tTbData record{};
    record.hClient = panel;
    record.pszName = name;
    record.dlgID = 3;
    record.uMask = DWS_DF_CONT_BOTTOM;
    record.pszModuleName = L"Test.dll";
    SendMessageW(host.window(), NPPM_DMMREGASDCKDLG, 0, reinterpret_cast<LPARAM>(&record));

    ASSERT_TRUE(host.dockRegistration.has_value());
    EXPECT_EQ(host.dockRegistration->record, &record);
    EXPECT_EQ(host.dockRegistration->name, std::wstring(name));
    EXPECT_FALSE(host.dockRegistration->addInfo.has_value());
    EXPECT_EQ(host.dockRegistration->moduleName, std::wstring(L"Test.dll"));
    EXPECT_EQ(GetParent(panel), host.dockContainer());
    // As the real host does: WS_CHILD alone, no extended style, and shown at once.
    EXPECT_EQ(GetWindowLongPtrW(panel, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE | WS_CLIPSIBLINGS), WS_CHILD);
    EXPECT_EQ(GetWindowLongPtrW(panel, GWL_EXSTYLE), 0);
    EXPECT_TRUE(IsWindowVisible(panel));

    SendMessageW(host.window(), NPPM_DMMHIDE, 0, reinterpret_cast<LPARAM>(panel));
    EXPECT_FALSE(IsWindowVisible(panel));
    SendMessageW(host.window(), NPPM_DMMSHOW, 0, reinterpret_cast<LPARAM>(panel));
    EXPECT_TRUE(IsWindowVisible(panel));
    RECT client;
    GetClientRect(panel, &client);
    EXPECT_EQ(client.bottom, DevHost::DEFAULT_DOCK_HEIGHT);
    host.setDockSize(300, 20);
    GetClientRect(panel, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 20);

    receivedNotifications.clear();
    host.sendDockNotification(DMN_SWITCHIN, 0x2);
    host.closeDockByUser();
    EXPECT_FALSE(IsWindowVisible(panel));
    ASSERT_EQ(receivedNotifications.size(), 2u);
    EXPECT_EQ(receivedNotifications[0].code, DMN_SWITCHIN | (0x2u << 16));
    EXPECT_EQ(receivedNotifications[0].hwndFrom, host.window());
    EXPECT_EQ(receivedNotifications[1].code, DMN_CLOSE);

    SendMessageW(host.window(), NPPM_DMMSHOW, 0, reinterpret_cast<LPARAM>(panel));
    SendMessageW(host.window(), NPPM_DMMHIDE, 0, reinterpret_cast<LPARAM>(panel));
    EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_EQ(host.dockRequests, (std::vector<UINT>{NPPM_DMMHIDE, NPPM_DMMSHOW, NPPM_DMMSHOW, NPPM_DMMHIDE}));
    DestroyWindow(panel);
}

TEST_F(DevHostTest, MessageBoxesAreRecordedAndAnswered) {
    hooks.scriptedAnswers.push_back(IDCANCEL);
    EXPECT_EQ(MessageBoxW(host.window(), L"Delete it?", L"Tabulon", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
    EXPECT_EQ(MessageBoxW(host.window(), L"Broken.", L"Oops", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxW(host.window(), L"Careful.", L"Oops", MB_OK | MB_ICONWARNING), IDOK);
    EXPECT_EQ(MessageBoxW(host.window(), L"Note.", L"Oops", MB_OK | MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(hooks.boxes.size(), 4u);
    EXPECT_EQ(hooks.boxes[0].text, L"Delete it?");
    EXPECT_EQ(hooks.boxes[0].title, L"Tabulon");
    EXPECT_EQ(hooks.boxes[0].owner, host.window());
    EXPECT_EQ(hooks.boxes[0].buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(hooks.boxes[0].icon, MessageBoxIcon::Question);
    EXPECT_EQ(hooks.boxes[1].icon, MessageBoxIcon::Error);
    EXPECT_EQ(hooks.boxes[1].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(hooks.boxes[2].icon, MessageBoxIcon::Warning);
    EXPECT_EQ(hooks.boxes[3].icon, MessageBoxIcon::Information);
}

TEST_F(DevHostTest, RefusedWindowCreationFails) {
    hooks.refuseCreation = [](const std::wstring& className, const std::wstring& name) {
        return className == L"#32770" && name == L"refuse me";
    };
    HWND refused = CreateWindowExW(0, L"#32770", L"refuse me", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    HWND allowed = CreateWindowExW(0, L"#32770", L"keep me", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(refused, nullptr);
    EXPECT_NE(allowed, nullptr);
    EXPECT_EQ(hooks.refusedCount, 1);
    if (allowed) DestroyWindow(allowed);
}

// A dialog-class window with two edit boxes: Tab moves between them only when the host's
// loop gives the window dialog handling.
TEST_F(DevHostTest, KeysGoThroughDialogHandlingOfRegisteredDialogs) {
    HWND dialog = CreateWindowExW(WS_EX_CONTROLPARENT, L"#32770", L"dialog", WS_POPUP | WS_VISIBLE, 0, 0, 200, 80,
                                  host.window(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND first = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 90, 20, dialog,
                                 reinterpret_cast<HMENU>(1), GetModuleHandleW(nullptr), nullptr);
    HWND second = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 100, 0, 90, 20, dialog,
                                  reinterpret_cast<HMENU>(2), GetModuleHandleW(nullptr), nullptr);
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);
    ASSERT_TRUE(pressKey(host, 'A'));
    ASSERT_TRUE(typeText(host, L"bc"));
    wchar_t text[16] = {};
    GetWindowTextW(first, text, 16);
    EXPECT_STREQ(text, L"abc");

    pressKey(host, VK_TAB);
    EXPECT_EQ(GetFocus(), first);  // not registered: no dialog handling
    SendMessageW(host.window(), NPPM_MODELESSDIALOG, MODELESSDIALOGADD, reinterpret_cast<LPARAM>(dialog));
    pressKey(host, VK_TAB);
    EXPECT_EQ(GetFocus(), second);
    pressKey(host, 'Z', KEY_SHIFT);
    GetWindowTextW(second, text, 16);
    EXPECT_STREQ(text, L"Z");
    SendMessageW(host.window(), NPPM_MODELESSDIALOG, MODELESSDIALOGREMOVE, reinterpret_cast<LPARAM>(dialog));
    EXPECT_TRUE(host.modelessDialogs().empty());
    DestroyWindow(dialog);
}

TEST_F(DevHostTest, ClickTogglesACheckBox) {
    HWND box = CreateWindowExW(0, L"BUTTON", L"check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0, 80, 20,
                               host.dockContainer(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(host.dockContainer(), SW_SHOW);
    click(host, box, POINT{5, 5});
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    click(host, box, POINT{5, 5});
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(DevHostTest, PixelsOfAWindowAndTheirBmp) {
    HWND panel = createPopup(L"DevhostTestPixels", &DefWindowProcW);
    SetWindowLongPtrW(panel, GWL_STYLE, WS_POPUP);
    SetWindowPos(panel, HWND_TOP, 0, 0, 40, 30, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    host.pumpUntilIdle();
    const Pixels pixels = capturePixels(panel, true);
    ASSERT_EQ(pixels.width, 40);
    ASSERT_EQ(pixels.height, 30);
    EXPECT_EQ(pixels.count(GetSysColor(COLOR_BTNFACE)), 40 * 30);

    TemporaryDirectory directory;
    ASSERT_TRUE(saveBmp(pixels, directory.file(L"shot.bmp")));
    const std::string bytes = readFileBytes(directory.file(L"shot.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 30u * 120u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    const COLORREF color = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(static_cast<unsigned char>(bytes[54]), GetBValue(color));
    EXPECT_EQ(static_cast<unsigned char>(bytes[56]), GetRValue(color));
    DestroyWindow(panel);
}

TEST_F(DevHostTest, TimerHelpers) {
    SetTimer(host.window(), 1, 50, nullptr);
    EXPECT_TRUE(DevHost::isTimerArmed(host.window(), 1, 50));
    EXPECT_TRUE(host.waitForTimer(host.window(), 1, 2000));
    EXPECT_EQ(host.timerDispatchCount(host.window(), 1), 1);
    KillTimer(host.window(), 1);
    EXPECT_FALSE(DevHost::isTimerArmed(host.window(), 1));
    EXPECT_FALSE(host.waitForTimer(host.window(), 1, 100));
}

TEST_F(DevHostTest, ClipboardTextRoundTrip) {
    ASSERT_TRUE(setClipboardText(host.window(), L"a\tb\r\nc\u00e9"));
    EXPECT_EQ(clipboardText(host.window()), std::wstring(L"a\tb\r\nc\u00e9"));
    ASSERT_TRUE(clearClipboard(host.window()));
    EXPECT_FALSE(clipboardText(host.window()).has_value());
}

}  // namespace
