// The driver's view of the host: its windows and menu, the documents read through the editing
// component, Tabulon's panel and its controls, and input posted into the host's message loop
// the way the system delivers real input (so the host's dialog and shortcut handling sees it).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace driver {

// Host messages the driver uses beyond Tabulon's own interface header.
inline constexpr UINT NPPMSG_BASE = WM_USER + 1000;
inline constexpr UINT NPPM_GETCURRENTSCINTILLA_ = NPPMSG_BASE + 4;
inline constexpr UINT NPPM_GETMENUHANDLE = NPPMSG_BASE + 25;
inline constexpr UINT NPPM_ACTIVATEDOC = NPPMSG_BASE + 28;
inline constexpr UINT NPPM_SWITCHTOFILE = NPPMSG_BASE + 37;
inline constexpr UINT NPPM_MENUCOMMAND = NPPMSG_BASE + 48;
inline constexpr UINT NPPM_GETFULLCURRENTPATH = WM_USER + 3000 + 1;
inline constexpr int NPPPLUGINMENU = 0;
inline constexpr WPARAM IDM_FILE_SAVE = 41006;
inline constexpr WPARAM IDM_VIEW_GOTO_ANOTHER_VIEW = 10001;

// Editing component messages.
inline constexpr UINT SCI_GETLENGTH_ = 2006;
inline constexpr UINT SCI_SETSAVEPOINT = 2014;
inline constexpr UINT SCI_GETMODIFY = 2159;
inline constexpr UINT SCI_CANUNDO = 2174;
inline constexpr UINT SCI_GOTOPOS_ = 2025;
inline constexpr UINT SCI_DOCUMENTEND = 2318;
inline constexpr UINT SCI_GETCHARACTERPOINTER_ = 2520;

// Modifier keys held during a key press.
enum Modifier : unsigned { NONE = 0, CTRL = 1, SHIFT = 2, ALT = 4 };

// --- The host ------------------------------------------------------------------------------

struct HostWindows {
    HWND main = nullptr;
    HWND mainView = nullptr;
    HWND secondView = nullptr;
};
void attachHostWindows(const HostWindows& windows);
const HostWindows& hostWindows();

// The view that holds the current document.
HWND currentView();
int currentViewIndex();
// The whole text of a view's document, and of the current one.
std::string documentText(HWND view);
std::string currentDocument();
std::wstring currentPath();
// The host's bookmarks in the current view: the lines below lineCount that carry one, as
// "013" for lines 0, 1 and 3; and a bookmark put on a line.
std::string bookmarkedLines(int lineCount);
void addBookmark(int line);
// A file's bytes on disk; empty when it cannot be read.
std::string fileBytes(const std::wstring& path);
// The file-name part of the current document's path.
std::wstring currentFileName();

// Marks both views' documents unmodified and asks the host to close.
void closeHost();

// --- The host's dialogs ---------------------------------------------------------------------

// The host's Find dialog on the tab that shows the given button (its Replace All on the Replace
// tab), or null.
HWND findDialogWith(int buttonId);
// A box of the host's own asking Yes or OK (whether to reload a file another program changed,
// whether to replace in every open document), or null.
HWND hostPrompt();

// --- Menu ------------------------------------------------------------------------------------

// The command id of an item of Tabulon's menu, found by the item's text before any tab
// (the host appends the shortcut after one); 0 when the host has no such item.
UINT tabulonCommandId(const wchar_t* itemText);
bool menuItemChecked(UINT commandId);
// The menu command as a click on the item does it: WM_COMMAND through the host's loop.
void postMenuCommand(UINT commandId);

// --- Tabulon's panel -------------------------------------------------------------------------

// The panel dialog (the parent of the list with control id 2601), or null.
HWND findPanel();
HWND panelControl(int controlId);
// The message box Tabulon shows (titled "Tabulon"), or null.
HWND tabulonBox();
bool panelShown();
// The text of a window.
std::wstring windowText(HWND window);
int listItemCount();
// The grid's text of a cell: grid row (header excluded), list column (0 is the row numbers).
std::wstring listCellText(int row, int column);
// The list item with the focus, -1 for none.
int listFocusedItem();
// The centre of a cell of the list, in the list's client coordinates.
POINT listCellCenter(int row, int column);

// --- Input -----------------------------------------------------------------------------------

// Key down and up posted to the window with the focus, with the modifiers held in the key
// state until resetKeyState. False when nothing has the focus.
bool postKey(UINT virtualKey, unsigned modifiers = NONE);
// Each character as the key that makes it (letters, digits, punctuation of the US layout).
bool postText(const char* text);
// Clears every key of the thread's key state; the driver does it before every step, after the
// posted input of the step before has been handled.
void resetKeyState();
// Left button down and up at a point of a window's client area, posted.
void postClick(HWND window, POINT point);

// --- Time --------------------------------------------------------------------------------------

double nowMs();

// Wide to UTF-8, for the report.
std::string utf8(const std::wstring& text);

}  // namespace driver
