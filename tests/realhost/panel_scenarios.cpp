// The panel command and its shortcut, the menu item's check mark, and the docked caption's
// close button.
#include "scenario_steps.h"
#include "window_tree.h"

#include "pixels.h"
#include "plugin/host_interface.h"

#include <commctrl.h>

#include <algorithm>

namespace driver {

namespace {

std::string shownDetail() {
    return std::string("panel ") + (findPanel() == nullptr ? "not created" : panelShown() ? "shown" : "hidden") +
           ", menu item " + (menuItemChecked(tabulonCommandId(PANEL_ITEM)) ? "checked" : "unchecked");
}

bool panelOpenAndChecked() {
    return panelShown() && menuItemChecked(tabulonCommandId(PANEL_ITEM));
}

bool panelClosedAndUnchecked() {
    return !panelShown() && !menuItemChecked(tabulonCommandId(PANEL_ITEM));
}

// Where the docking caption's close button is: the right end of the caption, a square as high
// as the caption.
POINT closeButtonPoint(HWND caption) {
    RECT client{};
    GetClientRect(caption, &client);
    const int height = client.bottom;
    return POINT{client.right - height / 2 - 2, height / 2};
}

Scenario panelShortcutScenario() {
    return {
        require("the host's menu has the panel command", [] { return tabulonCommandId(PANEL_ITEM) != 0; }),
        act("focus the editor", [] { SetFocus(hostWindows().mainView); }),
        attempt("press Ctrl+Alt+G in the editor", [] { return postKey('G', CTRL | ALT); }),
        expect("the first Ctrl+Alt+G shows the panel and checks the menu item", panelOpenAndChecked,
               shownDetail),
        expect("the grid shows the document", [] { return listItemCount() == 3; },
               [] { return "list has " + std::to_string(listItemCount()) + " rows"; }),
        act("focus the editor", [] { SetFocus(hostWindows().mainView); }),
        attempt("press Ctrl+Alt+G in the editor again", [] { return postKey('G', CTRL | ALT); }),
        expect("the second Ctrl+Alt+G hides the panel and unchecks the menu item",
               panelClosedAndUnchecked, shownDetail),
        act("choose the menu item", [] { postMenuCommand(tabulonCommandId(PANEL_ITEM)); }),
        expect("the menu item shows the panel again", panelOpenAndChecked, shownDetail),
        act("choose the menu item again", [] { postMenuCommand(tabulonCommandId(PANEL_ITEM)); }),
        expect("the menu item hides it again", panelClosedAndUnchecked, shownDetail),
    };
}

Scenario closeButtonScenario() {
    return {
        require("the host's menu has the panel command", [] { return tabulonCommandId(PANEL_ITEM) != 0; }),
        openPanel(),
        require("the docking caption is found", [] { return dockingCaption(findPanel()) != nullptr; },
                [] { return windowTree(GetParent(GetParent(GetParent(findPanel())))); }),
        act("click the caption's close button",
            [] {
                const HWND caption = dockingCaption(findPanel());
                postClick(caption, closeButtonPoint(caption));
            }),
        expect("the close button hides the panel and unchecks the menu item", panelClosedAndUnchecked,
               shownDetail),
        act("choose the menu item", [] { postMenuCommand(tabulonCommandId(PANEL_ITEM)); }),
        expect("the menu item shows the closed panel again", panelOpenAndChecked, shownDetail),
    };
}

// The host's toolbar that holds a button for the command, or null.
struct ToolbarSearch {
    UINT commandId;
    HWND found;
};

BOOL CALLBACK matchToolbar(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<ToolbarSearch*>(search);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (lstrcmpiW(className, TOOLBARCLASSNAMEW) == 0 &&
        SendMessageW(window, TB_COMMANDTOINDEX, s->commandId, 0) >= 0) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND toolbarWithButton(UINT commandId) {
    ToolbarSearch search{commandId, nullptr};
    if (commandId != 0) {
        EnumChildWindows(hostWindows().main, matchToolbar, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

HWND panelToolbar() { return toolbarWithButton(tabulonCommandId(PANEL_ITEM)); }

RECT panelButtonRect() {
    RECT rect{};
    if (const HWND toolbar = panelToolbar()) {
        const LRESULT index = SendMessageW(toolbar, TB_COMMANDTOINDEX, tabulonCommandId(PANEL_ITEM), 0);
        SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
    }
    return rect;
}

bool panelButtonChecked() {
    const HWND toolbar = panelToolbar();
    return toolbar != nullptr && SendMessageW(toolbar, TB_ISBUTTONCHECKED, tabulonCommandId(PANEL_ITEM), 0) != 0;
}

// Pixels in the blue of Tabulon's icon (its column titles), in either of its variants; the
// host's own captions and toolbar faces are grey.
int iconBluePixels(HWND window, RECT area) {
    const devhost::Pixels pixels = devhost::capturePixels(window, true);
    int count = 0;
    for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, pixels.height); ++y) {
        for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, pixels.width); ++x) {
            const COLORREF color = pixels.at(x, y);
            if (GetBValue(color) >= GetRValue(color) + 100 && GetBValue(color) >= GetGValue(color) + 40) {
                ++count;
            }
        }
    }
    return count;
}

std::string toolbarDetail() {
    const RECT button = panelButtonRect();
    return shownDetail() + ", toolbar button " + (panelButtonChecked() ? "checked" : "unchecked") + " at " +
           std::to_string(button.left) + "," + std::to_string(button.top) + " with " +
           std::to_string(panelToolbar() == nullptr ? 0 : iconBluePixels(panelToolbar(), button)) + " icon pixels";
}

// A second panel of the driver's own, docked in the bottom container beside Tabulon's. The
// host keeps the record, so it lives as long as the library.
tTbData secondPanelData{};

void dockSecondPanel() {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, hostWindows().main,
                                        nullptr, nullptr, nullptr);
    secondPanelData = tTbData{};
    secondPanelData.hClient = window;
    secondPanelData.pszName = L"Second panel";
    secondPanelData.dlgID = 0;
    secondPanelData.uMask = DWS_DF_CONT_BOTTOM;
    secondPanelData.pszModuleName = L"TabulonDriver.dll";
    SendMessageW(hostWindows().main, NPPM_DMMREGASDCKDLG, 0, reinterpret_cast<LPARAM>(&secondPanelData));
    SendMessageW(hostWindows().main, NPPM_DMMSHOW, 0, reinterpret_cast<LPARAM>(window));
}

// The tabs of the container that holds Tabulon's panel: whether Tabulon's record gives the
// host an icon for its tab, and how many pixels of each tab are in the icon's blue.
struct TabIcons {
    HWND tabControl = nullptr;
    int tabs = 0;
    int tabulonIndex = -1;
    bool tabulonIcon = false;
    int tabulonBlue = 0;
    int otherBlue = 0;
};

HWND containerTabs(HWND panel) {
    for (HWND level = panel == nullptr ? nullptr : GetParent(panel); level != nullptr; level = GetParent(level)) {
        for (HWND child = GetWindow(level, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[64] = {};
            GetClassNameW(child, className, 64);
            if (lstrcmpiW(className, WC_TABCONTROLW) == 0 && !IsChild(panel, child) && IsWindowVisible(child)) {
                return child;
            }
        }
        if ((GetWindowLongW(level, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return nullptr;
}

TabIcons panelTabIcons() {
    TabIcons icons;
    icons.tabControl = containerTabs(findPanel());
    if (icons.tabControl == nullptr) {
        return icons;
    }
    icons.tabs = static_cast<int>(SendMessageW(icons.tabControl, TCM_GETITEMCOUNT, 0, 0));
    // The host draws its tabs itself and keeps each panel's record as the item's data: a tab
    // not selected shows the panel's icon alone.
    for (int index = 0; index < icons.tabs; ++index) {
        TCITEMW item{};
        item.mask = TCIF_PARAM;
        SendMessageW(icons.tabControl, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
        const auto* data = reinterpret_cast<const tTbData*>(item.lParam);
        RECT area{};
        SendMessageW(icons.tabControl, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&area));
        const int blue = iconBluePixels(icons.tabControl, area);
        if (data != nullptr && data->hClient == findPanel()) {
            icons.tabulonIndex = index;
            icons.tabulonIcon = (data->uMask & DWS_ICONTAB) != 0 && data->hIconTab != nullptr;
            icons.tabulonBlue = blue;
        } else {
            icons.otherBlue = blue;
        }
    }
    return icons;
}

Scenario toolbarScenario() {
    return {
        require("the host's toolbar has a button for the panel command", [] { return panelToolbar() != nullptr; },
                [] { return windowTree(hostWindows().main); }),
        expect("the button shows Tabulon's icon", [] { return iconBluePixels(panelToolbar(), panelButtonRect()) >= 6; },
               toolbarDetail),
        expect("the button is not pressed while the panel is closed", [] { return !panelShown() && !panelButtonChecked(); },
               toolbarDetail),
        act("click the toolbar button",
            [] {
                const RECT button = panelButtonRect();
                postClick(panelToolbar(), POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
            }),
        expect("the click shows the panel, checks the menu item and presses the button",
               [] { return panelOpenAndChecked() && panelButtonChecked(); }, toolbarDetail),
        // A container shows its tabs, and with them the panels' icons, when it holds two panels.
        act("dock a second panel beside Tabulon's", dockSecondPanel),
        pause(300),
        expect("Tabulon's tab shows its icon and the other panel's tab none",
               [] {
                   const TabIcons icons = panelTabIcons();
                   return icons.tabulonIcon && icons.tabulonBlue >= 6 && icons.otherBlue == 0;
               },
               [] {
                   const TabIcons icons = panelTabIcons();
                   return "tabs " + std::to_string(icons.tabs) + ", Tabulon's " +
                          (icons.tabulonIcon ? "with" : "without") + " an icon in its record and " +
                          std::to_string(icons.tabulonBlue) + " icon pixels, the other's " +
                          std::to_string(icons.otherBlue);
               }),
        act("show Tabulon's panel again", [] {
            const TabIcons icons = panelTabIcons();
            if (icons.tabControl != nullptr && icons.tabulonIndex >= 0) {
                RECT item{};
                SendMessageW(icons.tabControl, TCM_GETITEMRECT, icons.tabulonIndex, reinterpret_cast<LPARAM>(&item));
                postClick(icons.tabControl, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
            }
        }),
        expect("Tabulon's panel is shown again", panelOpenAndChecked, toolbarDetail),
        act("click the toolbar button again",
            [] {
                const RECT button = panelButtonRect();
                postClick(panelToolbar(), POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
            }),
        expect("the second click hides the panel, unchecks the item and releases the button",
               [] { return panelClosedAndUnchecked() && !panelButtonChecked(); }, toolbarDetail),
    };
}

Scenario windowTreeScenario() {
    return {
        act("choose the menu item", [] { postMenuCommand(tabulonCommandId(PANEL_ITEM)); }),
        pause(1000),
        act("dump", [] { reportLine("tree " + windowTree(hostWindows().main)); }),
    };
}

}  // namespace

void addPanelScenarios() {
    registerScenario("panel-shortcut", panelShortcutScenario);
    registerScenario("panel-close-button", closeButtonScenario);
    registerScenario("toolbar-button", toolbarScenario);
    registerScenario("window-tree", windowTreeScenario);
}

}  // namespace driver
