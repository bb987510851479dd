// Settings changed in the panel, written at exit and read back at the next start; and the
// panel left open at exit, restored by the host at the next start with those settings. Each
// is two host runs in the same folder (the runner checks Tabulon.ini between and after).
#include "scenario_steps.h"

#include <commctrl.h>

namespace driver {

namespace {

// semicolons.csv: with the defaults (header row, detection) the commas win, so the grid shows
// two rows of four cells; with the header row off and ';' fixed, three rows of two cells.
const wchar_t* const FIRST_CELL_FIXED = L"k";
const wchar_t* const SECOND_CELL_FIXED = L"v,w,z";
constexpr int SEMICOLON_CHOICE = 2;

int delimiterChoice() {
    const HWND combo = panelControl(IDC_DELIMITER);
    return combo == nullptr ? -1 : static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

std::string settingsDetail() {
    return std::string("header row ") + (headerRowChecked() ? "on" : "off") + ", delimiter choice " +
           std::to_string(delimiterChoice()) + ", grid " + std::to_string(listItemCount()) +
           " rows, first cells \"" + utf8(listCellText(0, 1)) + "\", \"" + utf8(listCellText(0, 2)) + "\"";
}

bool gridShowsDefaults() {
    return headerRowChecked() && delimiterChoice() == 0 && listItemCount() == 2 && listCellText(0, 1) == L"x;1";
}

bool gridShowsSavedSettings() {
    return !headerRowChecked() && delimiterChoice() == SEMICOLON_CHOICE && listItemCount() == 3 &&
           listCellText(0, 1) == FIRST_CELL_FIXED && listCellText(0, 2) == SECOND_CELL_FIXED;
}

// Unticks "Header row" with a click and picks "; semicolon" as a user does with the list.
Scenario changeSettings() {
    return {
        expect("the panel starts with the defaults", gridShowsDefaults, settingsDetail),
        clickHeaderRowBox(),
        expect("the box is unticked", [] { return !headerRowChecked(); }, settingsDetail),
        attempt("choose \"; semicolon\"",
                [] {
                    const HWND combo = panelControl(IDC_DELIMITER);
                    if (combo == nullptr) {
                        return false;
                    }
                    SendMessageW(combo, CB_SETCURSEL, SEMICOLON_CHOICE, 0);
                    PostMessageW(GetParent(combo), WM_COMMAND,
                                 MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
                    return true;
                }),
        expect("the grid shows the first line as data, split at ';'", gridShowsSavedSettings, settingsDetail),
    };
}

Scenario settingsWriteScenario() {
    Scenario steps{openPanel()};
    append(steps, changeSettings());
    return steps;
}

Scenario settingsReadScenario() {
    return {
        openPanel(),
        expect("the next start reads the settings back", gridShowsSavedSettings, settingsDetail),
    };
}

Scenario restoreLeaveScenario() {
    Scenario steps{openPanel()};
    append(steps, changeSettings());
    steps.push_back(expect("the panel is open as the host closes", panelShown));
    return steps;
}

Scenario restoreReturnScenario() {
    return {
        expect("the host restores the panel at start", panelShown, [] { return std::string("not shown"); }, 5000),
        expect("its menu item is checked", [] { return menuItemChecked(tabulonCommandId(PANEL_ITEM)); }),
        expect("it shows the document with the saved settings", gridShowsSavedSettings, settingsDetail),
        expect("its status line names the document's size",
               [] { return windowText(panelControl(IDC_STATUS)).find(L"3 rows") != std::wstring::npos; },
               [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); }),
    };
}

}  // namespace

void addSettingsScenarios() {
    registerScenario("settings-write", settingsWriteScenario);
    registerScenario("settings-read", settingsReadScenario);
    registerScenario("panel-restore-leave", restoreLeaveScenario);
    registerScenario("panel-restore-return", restoreReturnScenario);
}

}  // namespace driver
