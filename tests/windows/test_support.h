// Shared pieces of the Windows tests: where the plug-in is, the numbers a host sees of it,
// and a fixture that gives each test a fresh host, message-box capture and settings folder.
#pragma once

#include "dev_host.h"
#include "temporary_directory.h"
#include "window_hooks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace tabulon_test {

// The control ids and numbers the panel is known by from outside.
constexpr int IDD_PANEL = 2600;
constexpr int IDC_GRID_LIST = 2601;
constexpr int IDC_RELOAD = 2602;
constexpr int IDC_HEADER_ROW = 2603;
constexpr int IDC_DELIMITER = 2604;
constexpr int IDC_ADD_ROW = 2605;
constexpr int IDC_DELETE_ROW = 2606;
constexpr int IDC_ADD_COLUMN = 2607;
constexpr int IDC_DELETE_COLUMN = 2608;
constexpr int IDC_FIT = 2609;
constexpr int IDC_STATUS = 2610;
constexpr int IDC_DELIM_LABEL = 2612;
constexpr int IDC_FILTER = 2613;
// The timer that reads on in a large document, a slice per tick.
constexpr UINT_PTR SCAN_TIMER = 2;
// A click on a column title sorts when this timer fires, the double-click time after it.
constexpr UINT_PTR TITLE_CLICK_TIMER = 4;

constexpr int PANEL_COMMAND = 0;
constexpr int AUTO_FIT_COMMAND = 1;
constexpr int ABOUT_COMMAND = 3;
constexpr int PANEL_COMMAND_ID = devhost::PluginLoader::FIRST_COMMAND_ID + PANEL_COMMAND;

inline constexpr wchar_t PANEL_CAPTION[] = L"Tabulon by tabulon.example.org";

// Tabulon.dll beside the test program, or $TABULON_DLL.
std::wstring pluginPath();

// A child of the panel by control id, and its rectangle in the panel's client coordinates.
HWND child(HWND panel, int id);
RECT childRect(HWND panel, int id);
// The text the list is given for a row and sub-item (at most 511 characters).
std::wstring listItemText(HWND list, int row, int subItem);

// Writes a settings file with the given body under the directory.
void writeSettingsFile(const std::wstring& directory, const std::string& body);
int readSetting(const std::wstring& file, const wchar_t* key, int missing = -999);

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the plug-in into the host (setInfo .. NPPN_READY); fails the test if it cannot.
    void loadPlugin();
    // The panel window as registered with the docking manager (none before).
    HWND panel() { return host.dockedPanel(); }
    std::wstring settingsFile() const { return config.file(L"Tabulon.ini"); }

    devhost::TemporaryDirectory config;
    devhost::WindowHooks hooks;
    devhost::DevHost host;
};

// The mark the grid shows a line break in a cell with: the first of the return arrow, the
// return symbol and the pilcrow that the list's font has a glyph for, else a bar.
inline wchar_t shownLineBreakMark(HWND list) {
    wchar_t shown = L'|';
    const HDC dc = GetDC(list);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    for (const wchar_t mark : {L'\x21B5', L'\x23CE', L'\x00B6'}) {
        WORD glyph = 0xFFFF;
        if (GetGlyphIndicesW(dc, &mark, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 && glyph != 0xFFFF) {
            shown = mark;
            break;
        }
    }
    SelectObject(dc, previous);
    ReleaseDC(list, dc);
    return shown;
}

// A text with every return arrow in it replaced by the mark the grid shows.
inline std::wstring withShownMark(std::wstring text, HWND list) {
    const wchar_t mark = shownLineBreakMark(list);
    for (wchar_t& c : text) {
        if (c == L'\x21B5') c = mark;
    }
    return text;
}

}  // namespace tabulon_test
