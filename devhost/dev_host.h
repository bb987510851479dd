// The stand-in host: its main window with two editor views and a docking container along the
// bottom edge, the answers to every host message the plug-in sends, records of what it was
// sent, the plug-in loader, and the message loop that gives registered modeless dialogs their
// dialog keyboard handling.
//
// One DevHost per thread at a time; everything runs on the thread that created it.
#pragma once

#include "editor_view.h"
#include "plugin_interface.h"
#include "plugin_loader.h"

#include <windows.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace devhost {

// The docking record as the plug-in handed it over, copied field by field (the strings as
// text, with whether the pointer was null), and the address the host keeps.
struct DockRegistration {
    const tTbData* record = nullptr;
    HWND hClient = nullptr;
    std::optional<std::wstring> name;
    int dlgID = -1;
    UINT uMask = 0;
    HICON hIconTab = nullptr;
    std::optional<std::wstring> addInfo;
    RECT rcFloat{};
    int iPrevCont = 0;
    std::optional<std::wstring> moduleName;
};

// A toolbar button as NPPM_ADDTOOLBARICON_FORDARKMODE registered it: the command and the three
// handles, copied from the record (the host keeps the handles, not the record).
struct ToolbarButton {
    int commandId = 0;
    HBITMAP bitmap = nullptr;
    HICON icon = nullptr;
    HICON darkIcon = nullptr;
};

struct MenuCheckEvent {
    int commandId = 0;
    LPARAM checked = 0;
};

struct ModelessDialogEvent {
    WPARAM operation = 0;  // MODELESSDIALOGADD or MODELESSDIALOGREMOVE
    HWND dialog = nullptr;
    bool dialogWasWindow = false;  // IsWindow(dialog) when the message came
};

// An SCN_MODIFIED as the host forwarded it to the plug-in.
struct ModificationEvent {
    HWND from = nullptr;
    int modificationType = 0;
    intptr_t position = 0;
    intptr_t length = 0;
    intptr_t linesAdded = 0;
    std::string text;
};

class DevHost {
public:
    static constexpr int MAIN_VIEW_ID = 1001;
    static constexpr int SECOND_VIEW_ID = 1002;
    static constexpr int DEFAULT_DOCK_HEIGHT = 260;

    DevHost();
    ~DevHost();
    DevHost(const DevHost&) = delete;
    DevHost& operator=(const DevHost&) = delete;

    // Creates the main window (shown), both views and the dock container. Decorated: with a
    // caption and sizing frame, for a person to use.
    bool create(int width = 1000, int height = 720, bool decorated = false);
    // Shuts the plug-in down and unloads it when still loaded, then destroys the windows.
    void destroy();
    HWND window() const { return window_; }
    EditorView& view(int index) { return index == 0 ? mainView_ : secondView_; }
    EditorView& mainView() { return mainView_; }
    EditorView& secondView() { return secondView_; }

    // ---- the plug-in ----
    PluginLoader& plugin() { return plugin_; }
    // Loads the DLL, calls it in the host's start-up order, sends NPPN_TBMODIFICATION (the
    // moment to add toolbar buttons) and then NPPN_READY. As the host restores the panels that
    // were open at its last exit, the commands listed in restoreCommandsAtStart are called
    // after getFuncsArray and before NPPN_READY.
    bool loadPlugin(const std::wstring& path);
    std::vector<int> restoreCommandsAtStart;
    // The keys the user has mapped plug-in commands to, by menu index, in place of the keys
    // the plug-in proposed (the host's shortcut mapper); read when the plug-in is loaded.
    std::map<int, ShortcutKey> remappedPluginShortcuts;
    // The NppData handed to setInfo; by default this window and the two views.
    NppData pluginData() const;
    // Fault switch: setInfo gets this as the host window instead of the real one.
    std::optional<HWND> hostWindowForPlugin;
    // Menu command by index (calls _pFunc), then pumps until idle.
    bool invokeCommand(int index);
    // An NPPN_* notification from this window, then pumps until idle.
    void notify(UINT code);
    // NPPN_SHUTDOWN, then FreeLibrary; the result of FreeLibrary.
    bool shutdownPlugin();

    // ---- answers to host messages ----
    // Which view NPPM_GETCURRENTSCINTILLA reports; -1: no current view (the int is left as
    // the plug-in preset it).
    int currentView = 0;
    // NPPM_GETPLUGINSCONFIGDIR's directory; empty: the host gives no answer (buffer untouched).
    std::wstring configDirectory;
    bool darkMode = false;
    // NPPM_GETDARKMODECOLORS's palette; none: the host answers 0 and leaves the record alone.
    std::optional<NppDarkModeColors> darkPalette;
    static NppDarkModeColors defaultDarkPalette();
    // Switches the mode and tells the plug-in (NPPN_DARKMODECHANGED), then pumps.
    void setDarkMode(bool dark, std::optional<NppDarkModeColors> palette = defaultDarkPalette());

    // ---- documents ----
    // Puts document into the view without SCN_MODIFIED, makes that view current, sends
    // NPPN_BUFFERACTIVATED and pumps; returns the document that was shown before.
    std::shared_ptr<EditorDocument> activateDocument(int viewIndex, std::shared_ptr<EditorDocument> document);

    // The host's Replace All: every occurrence of from in the view's document replaced by to,
    // in one undo step, with the view's modification events off; then NPPN_GLOBALMODIFIED with
    // the document's buffer id, as the host sends it. Pumps. The number of replacements.
    int replaceAllSilently(int viewIndex, std::string_view from, std::string_view to);
    // One such edit: length bytes at position replaced, with the events off, then
    // NPPN_GLOBALMODIFIED (unless the document is read-only and nothing changed). Pumps.
    void silentEdit(int viewIndex, size_t position, size_t length, std::string_view bytes);
    // The buffer id the host gives a document (NPPM_GETCURRENTBUFFERID, NPPN_GLOBALMODIFIED).
    static UINT_PTR bufferId(const EditorDocument& document) { return reinterpret_cast<UINT_PTR>(&document); }
    // The SCN_MODIFIED flags plug-ins asked for with NPPM_ADDSCNMODIFIEDFLAGS, or-ed.
    LPARAM addedModificationFlags = 0;

    // ---- the host's own commands ----
    // Host command ids as the host's menu, NPPM_MENUCOMMAND and the shortcut table use them.
    static constexpr int IDM_FILE_SAVE = 41006;
    static constexpr int IDM_EDIT_UNDO = 42003;
    static constexpr int IDM_EDIT_REDO = 42004;
    static constexpr int IDM_NEXT_DOCUMENT = 44095;  // Ctrl+Tab
    // Runs a host command (as the menu does); false for an id the host does not know.
    bool runHostCommand(int commandId);
    // Ctrl+Tab's document: swapped with the current view's document on every switch.
    std::shared_ptr<EditorDocument> nextDocument;

    // ---- records ----
    // Host commands run, in order (from the shortcut table, NPPM_MENUCOMMAND or
    // NPPM_SAVECURRENTFILE).
    std::vector<int> hostCommands;
    int hostCommandCount(int commandId) const;
    std::vector<MenuCheckEvent> menuChecks;
    std::vector<ModelessDialogEvent> modelessEvents;
    std::vector<ModificationEvent> modifications;
    std::optional<DockRegistration> dockRegistration;
    int dockRegistrationCount = 0;
    std::vector<UINT> dockRequests;  // NPPM_DMMSHOW / NPPM_DMMHIDE in order
    std::vector<ToolbarButton> toolbarButtons;
    // The toolbar button of a command shows the command's check state, as the host's does:
    // none when the command has no button, else the last state sent (initially unchecked).
    std::optional<bool> toolbarButtonChecked(int commandId) const;
    // The last check state sent for a command id (none when never sent).
    std::optional<bool> menuChecked(int commandId) const;
    const std::vector<HWND>& modelessDialogs() const { return modelessDialogs_; }
    int hostMessageCount(UINT message) const;
    // How many notifications with the code the views sent (and the host forwarded).
    int editorNotificationCount(UINT code) const;
    void clearRecords();

    // ---- docking ----
    HWND dockContainer() const { return dock_; }
    HWND dockedPanel() const { return dockRegistration ? dockRegistration->hClient : nullptr; }
    // Size of the dock container (and so of the panel), kept at the bottom-left corner.
    void setDockSize(int width, int height);
    // WM_NOTIFY to the docked panel from this window, code = event | (highBits << 16).
    LRESULT sendDockNotification(UINT event, UINT highBits = 0);
    // A user closing the dock: the container is hidden, then DMN_CLOSE is sent.
    void closeDockByUser(UINT highBits = 0);

    // ---- message loop ----
    // In the host's order: IsDialogMessage for every registered modeless dialog; only a
    // message no dialog took goes through the host's shortcut table (its own keys and the
    // plug-in commands' keys), and only one that is no shortcut is translated and dispatched.
    void dispatch(MSG& message);
    // Handles queued messages until the queue is empty or bound messages were handled;
    // returns how many were handled.
    int pumpUntilIdle(int bound = 10000);
    // Handles messages for the given real time (sleeping briefly when idle).
    void pumpFor(DWORD milliseconds);
    // Runs until the main window is destroyed (WM_QUIT); the exit code.
    int runMessageLoop();

    // ---- the refresh timer of the panel (timer id 1) ----
    // Pumps real time until a WM_TIMER with the id reaches the window, at most boundMs;
    // true when it came (and was dispatched).
    bool waitForTimer(HWND window, UINT_PTR id, DWORD boundMs = 2000);
    // Delivers WM_TIMER with the id straight to the window procedure.
    LRESULT fireTimer(HWND window, UINT_PTR id);
    // Whether the timer is armed. Win32 cannot be asked, so this kills it and, if it existed,
    // sets it again with the interval given: the countdown restarts in full.
    static bool isTimerArmed(HWND window, UINT_PTR id, UINT intervalMs = 400);
    // How many WM_TIMER messages with the id the loop dispatched to the window.
    int timerDispatchCount(HWND window, UINT_PTR id) const;
    // The longest the loop spent on one message (or on one plug-in command) since the last
    // reset: how long the host stayed unresponsive at a time.
    double longestDispatchMs() const { return longestDispatchMs_; }
    void resetLongestDispatch() { longestDispatchMs_ = 0; }

private:
    static LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK dockProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK sentMessageProc(int code, WPARAM wParam, LPARAM lParam);
    LRESULT handleHostMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT answerPluginMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void forwardEditorNotification(SCNotification* notification);
    void registerDock(const tTbData* record);
    void buildShortcutTable();
    std::optional<ShortcutKey> pluginShortcut(int index) const;
    LRESULT handleCommand(WPARAM wParam);
    void showDock(HWND panel, bool show);
    void fitPanelToDock();
    void layout();

    HWND window_ = nullptr;
    HWND dock_ = nullptr;
    EditorView mainView_;
    EditorView secondView_;
    PluginLoader plugin_;
    std::vector<HWND> modelessDialogs_;
    std::map<UINT, int> hostMessageCounts_;
    std::map<UINT, int> editorNotificationCounts_;
    std::map<std::pair<HWND, UINT_PTR>, int> timerDispatches_;
    double longestDispatchMs_ = 0;
    void noteDispatchTime(LARGE_INTEGER since);
    void deliver(MSG& message);
    std::optional<SIZE> dockSize_;
    HACCEL shortcuts_ = nullptr;
    // As the host's docking manager does, a hook on every message sent in the host's thread:
    // under Wine each message sent then costs a round trip to the window server (about 0.2 ms).
    HHOOK sentMessageHook_ = nullptr;
};

}  // namespace devhost
