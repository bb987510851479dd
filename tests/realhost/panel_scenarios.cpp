// The panel command and its shortcut, the menu item's check mark, and the docked caption's
// close button.
#include "scenario_steps.h"
#include "window_tree.h"

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
    registerScenario("window-tree", windowTreeScenario);
}

}  // namespace driver
