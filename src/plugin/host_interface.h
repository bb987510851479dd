// The host editor's plug-in interface as Tabulon uses it: message and notification numbers,
// the records exchanged with the host and its editing component, and the signatures of the six
// exported entry points. Values and layouts are the host's published ones; the static_asserts
// at the end pin every size and offset the host relies on, for 64-bit and for 32-bit builds.
//
// This header holds the interface only (the stand-in host includes it too), never the
// plug-in's own types.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Messages sent to the host window
// ---------------------------------------------------------------------------------------------

inline constexpr UINT NPPMSG = WM_USER + 1000;

inline constexpr UINT NPPM_GETCURRENTSCINTILLA = NPPMSG + 4;   // lParam: int*, preset to -1
inline constexpr UINT NPPM_MODELESSDIALOG = NPPMSG + 12;       // wParam: add/remove, lParam: dialog
inline constexpr UINT NPPM_DMMSHOW = NPPMSG + 30;              // lParam: the docked window
inline constexpr UINT NPPM_DMMHIDE = NPPMSG + 31;              // lParam: the docked window
inline constexpr UINT NPPM_DMMREGASDCKDLG = NPPMSG + 33;       // lParam: tTbData*, kept by the host
inline constexpr UINT NPPM_SETMENUITEMCHECK = NPPMSG + 40;     // wParam: _cmdID, lParam: 1 or 0
inline constexpr UINT NPPM_GETPLUGINSCONFIGDIR = NPPMSG + 46;  // wParam: capacity, lParam: buffer
inline constexpr UINT NPPM_ADDTOOLBARICON_FORDARKMODE = NPPMSG + 101;  // wParam: _cmdID, lParam: icons
inline constexpr UINT NPPM_ISDARKMODEENABLED = NPPMSG + 107;
inline constexpr UINT NPPM_GETDARKMODECOLORS = NPPMSG + 108;   // wParam: record size, lParam: record
inline constexpr UINT NPPM_MENUCOMMAND = NPPMSG + 48;          // lParam: a host command id
inline constexpr UINT NPPM_SAVECURRENTFILE = NPPMSG + 38;
inline constexpr UINT NPPM_GETSHORTCUTBYCMDID = NPPMSG + 76;   // wParam: _cmdID, lParam: ShortcutKey*
inline constexpr UINT NPPM_GETCURRENTBUFFERID = NPPMSG + 60;   // answers the current document's buffer id
// wParam: a buffer id, lParam: a buffer for the path or null; answers the path's length, -1 for
// no such buffer. An unsaved document's path is its name ("new 1").
inline constexpr UINT NPPM_GETFULLPATHFROMBUFFERID = NPPMSG + 58;
inline constexpr UINT NPPM_ADDSCNMODIFIEDFLAGS = NPPMSG + 117; // lParam: SCN_MODIFIED flags the plug-in needs

// Host command ids for NPPM_MENUCOMMAND.
inline constexpr LPARAM IDM_FILE_SAVE = 41006;
inline constexpr LPARAM IDM_EDIT_UNDO = 42003;
inline constexpr LPARAM IDM_EDIT_REDO = 42004;

// wParam of NPPM_MODELESSDIALOG.
inline constexpr WPARAM MODELESSDIALOGADD = 0;
inline constexpr WPARAM MODELESSDIALOGREMOVE = 1;

// ---------------------------------------------------------------------------------------------
// Notifications reaching beNotified (SCNotification::nmhdr.code)
// ---------------------------------------------------------------------------------------------

inline constexpr UINT NPPN_READY = 1001;
// The moment to add toolbar buttons (NPPM_ADDTOOLBARICON_FORDARKMODE).
inline constexpr UINT NPPN_TBMODIFICATION = 1002;
inline constexpr UINT NPPN_FILESAVED = 1008;
inline constexpr UINT NPPN_SHUTDOWN = 1009;
inline constexpr UINT NPPN_BUFFERACTIVATED = 1010;
inline constexpr UINT NPPN_LANGCHANGED = 1011;
inline constexpr UINT NPPN_DARKMODECHANGED = 1027;
// A document changed with the editing component's events off (the host's Replace All);
// nmhdr.hwndFrom is the document's buffer id, not a window.
inline constexpr UINT NPPN_GLOBALMODIFIED = 1030;

inline constexpr UINT SCN_MODIFIED = 2008;

// SCNotification::modificationType bits. Undo and redo of an insert or a delete set these
// too, together with other bits.
inline constexpr int SC_MOD_INSERTTEXT = 0x1;
inline constexpr int SC_MOD_DELETETEXT = 0x2;
inline constexpr int SC_PERFORMED_UNDO = 0x20;
inline constexpr int SC_PERFORMED_REDO = 0x40;

// ---------------------------------------------------------------------------------------------
// Docking: WM_NOTIFY from the host window to a docked panel, and the registration mask
// ---------------------------------------------------------------------------------------------

// Only the low 16 bits of NMHDR::code carry the event; the high bits may carry the container.
inline constexpr UINT DMN_FIRST = 1050;
inline constexpr UINT DMN_CLOSE = DMN_FIRST + 1;
inline constexpr UINT DMN_SWITCHIN = DMN_FIRST + 4;

// tTbData::uMask: the default container lives in bits 28 and up. DWS_ICONTAB puts hIconTab on
// the panel's tab and caption; with DWS_USEOWNDARKMODE the host leaves the panel's dark look to
// the panel instead of theming its controls itself.
inline constexpr UINT DWS_ICONTAB = 0x1;
inline constexpr UINT DWS_USEOWNDARKMODE = 0x8;
inline constexpr UINT DWS_DF_CONT_BOTTOM = 3u << 28;

// ---------------------------------------------------------------------------------------------
// Messages of the editing component (sent to one of the two views)
// ---------------------------------------------------------------------------------------------

inline constexpr UINT SCI_GETLENGTH = 2006;
inline constexpr UINT SCI_GOTOPOS = 2025;
inline constexpr UINT SCI_GETEOLMODE = 2030;
inline constexpr UINT SCI_BEGINUNDOACTION = 2078;
inline constexpr UINT SCI_ENDUNDOACTION = 2079;
inline constexpr UINT SCI_GETCODEPAGE = 2137;
inline constexpr UINT SCI_GETREADONLY = 2140;
inline constexpr UINT SCI_LINEFROMPOSITION = 2166;
inline constexpr UINT SCI_POSITIONFROMLINE = 2167;
inline constexpr UINT SCI_MARKERADD = 2043;        // wParam: line, lParam: marker number
inline constexpr UINT SCI_MARKERDELETEALL = 2045;  // wParam: marker number
inline constexpr UINT SCI_MARKERNEXT = 2047;       // wParam: first line, lParam: marker mask; -1 for none
// The marker number the host gives its bookmarks.
inline constexpr int MARK_BOOKMARK = 20;
inline constexpr UINT SCI_REPLACETARGET = 2194;
inline constexpr UINT SCI_ENSUREVISIBLEENFORCEPOLICY = 2234;
inline constexpr UINT SCI_GETCHARACTERPOINTER = 2520;
inline constexpr UINT SCI_GETRANGEPOINTER = 2643;  // wParam: position, lParam: length
inline constexpr UINT SCI_SETTARGETRANGE = 2686;

// Answers of SCI_GETEOLMODE.
inline constexpr int SC_EOL_CRLF = 0;
inline constexpr int SC_EOL_CR = 1;
inline constexpr int SC_EOL_LF = 2;

// ---------------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------------

// The host's windows, handed to setInfo by value.
struct NppData {
    HWND _nppHandle;
    HWND _scintillaMainHandle;
    HWND _scintillaSecondHandle;
};

// A menu command's keyboard shortcut; _key is a virtual-key code.
struct ShortcutKey {
    bool _isCtrl;
    bool _isAlt;
    bool _isShift;
    unsigned char _key;
};

using PluginCommandFunction = void (*)();

inline constexpr int MENU_ITEM_NAME_LENGTH = 64;

// One entry of the plug-in's command menu. A null _pFunc makes the host draw a separator;
// _cmdID is filled in by the host after getFuncsArray.
struct FuncItem {
    wchar_t _itemName[MENU_ITEM_NAME_LENGTH];
    PluginCommandFunction _pFunc;
    int _cmdID;
    bool _init2Check;
    ShortcutKey* _pShKey;
};

// Registration of a dockable panel (NPPM_DMMREGASDCKDLG). The host keeps the pointer, so the
// record and the strings it points to must outlive the registration. The field order is part
// of the binary interface: pszModuleName comes last.
struct tTbData {
    HWND hClient;
    const wchar_t* pszName;
    int dlgID;
    UINT uMask;
    HICON hIconTab;
    const wchar_t* pszAddInfo;
    RECT rcFloat;
    int iPrevCont;
    const wchar_t* pszModuleName;
};

// The record behind every beNotified call. The host always passes a full record; Tabulon
// reads nmhdr, and modificationType for SCN_MODIFIED.
struct SCNotification {
    NMHDR nmhdr;
    intptr_t position;
    int ch;
    int modifiers;
    int modificationType;
    const char* text;
    intptr_t length;
    intptr_t linesAdded;
    int message;
    uintptr_t wParam;
    intptr_t lParam;
    intptr_t line;
    int foldLevelNow;
    int foldLevelPrev;
    int margin;
    int listType;
    int x;
    int y;
    int token;
    intptr_t annotationLinesAdded;
    int updated;
    int listCompletionMethod;
    int characterSource;
};

// A toolbar button's images (NPPM_ADDTOOLBARICON_FORDARKMODE): a bitmap for the host's classic
// small toolbar, and icons for its light and dark toolbars. The host keeps the handles.
struct toolbarIconsWithDarkMode {
    HBITMAP hToolbarBmp;
    HICON hToolbarIcon;
    HICON hToolbarIconDarkMode;
};

// The host's dark-mode palette (NPPM_GETDARKMODECOLORS), twelve colours in this order.
namespace NppDarkMode {
struct Colors {
    COLORREF background;
    COLORREF softerBackground;
    COLORREF hotBackground;
    COLORREF pureBackground;
    COLORREF errorBackground;
    COLORREF text;
    COLORREF darkerText;
    COLORREF disabledText;
    COLORREF linkText;
    COLORREF edge;
    COLORREF hotEdge;
    COLORREF disabledEdge;
};
}  // namespace NppDarkMode

// ---------------------------------------------------------------------------------------------
// The six exported entry points, by their undecorated names
// ---------------------------------------------------------------------------------------------

using SetInfoFunction = void (*)(NppData);
using GetNameFunction = const wchar_t* (*)();
using GetFuncsArrayFunction = FuncItem* (*)(int*);
using BeNotifiedFunction = void (*)(SCNotification*);
using MessageProcFunction = LRESULT (*)(UINT, WPARAM, LPARAM);
using IsUnicodeFunction = BOOL (*)();

// ---------------------------------------------------------------------------------------------
// Binary layout: the host exists as a 64-bit and as a 32-bit program, and a plug-in is built
// for each. Pointer-sized fields are 8 or 4 bytes and aligned to their size.
// ---------------------------------------------------------------------------------------------

static_assert(sizeof(ShortcutKey) == 4);
static_assert(offsetof(ShortcutKey, _isAlt) == 1);
static_assert(offsetof(ShortcutKey, _isShift) == 2);
static_assert(offsetof(ShortcutKey, _key) == 3);

static_assert(sizeof(NppDarkMode::Colors) == 48);
static_assert(offsetof(NppDarkMode::Colors, softerBackground) == 4);
static_assert(offsetof(NppDarkMode::Colors, hotBackground) == 8);
static_assert(offsetof(NppDarkMode::Colors, text) == 20);
static_assert(offsetof(NppDarkMode::Colors, edge) == 36);
static_assert(offsetof(NppDarkMode::Colors, disabledEdge) == 44);

#if defined(_WIN64)
static_assert(sizeof(void*) == 8);

static_assert(sizeof(NppData) == 24);
static_assert(offsetof(NppData, _scintillaMainHandle) == 8);
static_assert(offsetof(NppData, _scintillaSecondHandle) == 16);

static_assert(sizeof(FuncItem) == 152);
static_assert(offsetof(FuncItem, _pFunc) == 128);
static_assert(offsetof(FuncItem, _cmdID) == 136);
static_assert(offsetof(FuncItem, _init2Check) == 140);
static_assert(offsetof(FuncItem, _pShKey) == 144);

static_assert(sizeof(tTbData) == 72);
static_assert(offsetof(tTbData, pszName) == 8);
static_assert(offsetof(tTbData, dlgID) == 16);
static_assert(offsetof(tTbData, uMask) == 20);
static_assert(offsetof(tTbData, hIconTab) == 24);
static_assert(offsetof(tTbData, pszAddInfo) == 32);
static_assert(offsetof(tTbData, rcFloat) == 40);
static_assert(offsetof(tTbData, iPrevCont) == 56);
static_assert(offsetof(tTbData, pszModuleName) == 64);

static_assert(sizeof(toolbarIconsWithDarkMode) == 24);
static_assert(offsetof(toolbarIconsWithDarkMode, hToolbarIcon) == 8);
static_assert(offsetof(toolbarIconsWithDarkMode, hToolbarIconDarkMode) == 16);

static_assert(sizeof(SCNotification) == 160);
static_assert(offsetof(SCNotification, nmhdr) == 0);
static_assert(offsetof(NMHDR, idFrom) == 8);
static_assert(offsetof(NMHDR, code) == 16);
static_assert(offsetof(SCNotification, position) == 24);
static_assert(offsetof(SCNotification, ch) == 32);
static_assert(offsetof(SCNotification, modifiers) == 36);
static_assert(offsetof(SCNotification, modificationType) == 40);
static_assert(offsetof(SCNotification, text) == 48);
static_assert(offsetof(SCNotification, length) == 56);
static_assert(offsetof(SCNotification, linesAdded) == 64);
static_assert(offsetof(SCNotification, message) == 72);
static_assert(offsetof(SCNotification, wParam) == 80);
static_assert(offsetof(SCNotification, lParam) == 88);
static_assert(offsetof(SCNotification, line) == 96);
static_assert(offsetof(SCNotification, foldLevelNow) == 104);
static_assert(offsetof(SCNotification, foldLevelPrev) == 108);
static_assert(offsetof(SCNotification, margin) == 112);
static_assert(offsetof(SCNotification, listType) == 116);
static_assert(offsetof(SCNotification, x) == 120);
static_assert(offsetof(SCNotification, y) == 124);
static_assert(offsetof(SCNotification, token) == 128);
static_assert(offsetof(SCNotification, annotationLinesAdded) == 136);
static_assert(offsetof(SCNotification, updated) == 144);
static_assert(offsetof(SCNotification, listCompletionMethod) == 148);
static_assert(offsetof(SCNotification, characterSource) == 152);
#elif defined(_WIN32)
static_assert(sizeof(void*) == 4);

static_assert(sizeof(NppData) == 12);
static_assert(offsetof(NppData, _scintillaMainHandle) == 4);
static_assert(offsetof(NppData, _scintillaSecondHandle) == 8);

static_assert(sizeof(FuncItem) == 144);
static_assert(offsetof(FuncItem, _pFunc) == 128);
static_assert(offsetof(FuncItem, _cmdID) == 132);
static_assert(offsetof(FuncItem, _init2Check) == 136);
static_assert(offsetof(FuncItem, _pShKey) == 140);

static_assert(sizeof(tTbData) == 48);
static_assert(offsetof(tTbData, pszName) == 4);
static_assert(offsetof(tTbData, dlgID) == 8);
static_assert(offsetof(tTbData, uMask) == 12);
static_assert(offsetof(tTbData, hIconTab) == 16);
static_assert(offsetof(tTbData, pszAddInfo) == 20);
static_assert(offsetof(tTbData, rcFloat) == 24);
static_assert(offsetof(tTbData, iPrevCont) == 40);
static_assert(offsetof(tTbData, pszModuleName) == 44);

static_assert(sizeof(toolbarIconsWithDarkMode) == 12);
static_assert(offsetof(toolbarIconsWithDarkMode, hToolbarIcon) == 4);
static_assert(offsetof(toolbarIconsWithDarkMode, hToolbarIconDarkMode) == 8);

static_assert(sizeof(SCNotification) == 100);
static_assert(offsetof(SCNotification, nmhdr) == 0);
static_assert(offsetof(NMHDR, idFrom) == 4);
static_assert(offsetof(NMHDR, code) == 8);
static_assert(offsetof(SCNotification, position) == 12);
static_assert(offsetof(SCNotification, ch) == 16);
static_assert(offsetof(SCNotification, modifiers) == 20);
static_assert(offsetof(SCNotification, modificationType) == 24);
static_assert(offsetof(SCNotification, text) == 28);
static_assert(offsetof(SCNotification, length) == 32);
static_assert(offsetof(SCNotification, linesAdded) == 36);
static_assert(offsetof(SCNotification, message) == 40);
static_assert(offsetof(SCNotification, wParam) == 44);
static_assert(offsetof(SCNotification, lParam) == 48);
static_assert(offsetof(SCNotification, line) == 52);
static_assert(offsetof(SCNotification, foldLevelNow) == 56);
static_assert(offsetof(SCNotification, foldLevelPrev) == 60);
static_assert(offsetof(SCNotification, margin) == 64);
static_assert(offsetof(SCNotification, listType) == 68);
static_assert(offsetof(SCNotification, x) == 72);
static_assert(offsetof(SCNotification, y) == 76);
static_assert(offsetof(SCNotification, token) == 80);
static_assert(offsetof(SCNotification, annotationLinesAdded) == 84);
static_assert(offsetof(SCNotification, updated) == 88);
static_assert(offsetof(SCNotification, listCompletionMethod) == 92);
static_assert(offsetof(SCNotification, characterSource) == 96);
#endif
