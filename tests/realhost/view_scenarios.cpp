// The grid's view in the real host: the filter row typed into, "Filter by this value", a hidden
// and a frozen column, and every document's view kept across a restart.
#include "scenario_steps.h"

namespace driver {

namespace {

// The filter box of a list column: the header's text box over that column's title.
HWND filterBox(int listColumn) {
    const HWND header = listHeader();
    RECT item{};
    if (header == nullptr ||
        !SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item))) {
        return nullptr;
    }
    for (HWND child = FindWindowExW(header, nullptr, L"Edit", nullptr); child != nullptr;
         child = FindWindowExW(header, child, L"Edit", nullptr)) {
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, header, reinterpret_cast<POINT*>(&place), 2);
        if (IsWindowVisible(child) && place.left >= item.left && place.right <= item.right) {
            return child;
        }
    }
    return nullptr;
}

std::wstring status() {
    return windowText(panelControl(IDC_STATUS));
}
std::string statusDetail() {
    wchar_t focus[64] = {};
    GetClassNameW(GetFocus(), focus, 64);
    const HWND box = filterBox(1);
    return "status: " + utf8(status()) + ", focus class " + utf8(focus) + ", rows " + std::to_string(listItemCount()) +
           ", first name " + utf8(listCellText(0, 1)) + ", name box " + (box != nullptr ? "\"" + utf8(windowText(box)) + "\"" : "none");
}

int columnWidth(int listColumn) {
    return static_cast<int>(SendMessageW(panelControl(IDC_GRID_LIST), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(listColumn), 0));
}

// The filter row, "et" typed into the name's box: beta alone; a cell edit there writes beta's
// record; Ctrl+Shift+L hides the row and every record is shown again.
Scenario filterBoxScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(0, 1),
        pressKey("press Ctrl+Shift+L in the grid", 'L', CTRL | SHIFT),
        expect("the name column's filter box has the focus",
               [] { return filterBox(1) != nullptr && GetFocus() == filterBox(1); }, statusDetail),
        typeText("type et into the box", "et"),
        expect("the grid shows beta alone, numbered 2", [] { return listItemCount() == 1 && listCellText(0, 0) == L"2"; },
               statusDetail),
        expectStatusShows("the status line counts the shown rows", L"1 of 3 rows x 3 cols"),
        clickCell(0, 2),
        typeText("type 9 into qty", "9"),
        pressKey("press Enter", VK_RETURN),
        expectDocument("beta's own record is written", "name,qty,note\nalpha,1,first\nbeta,9,second\ngamma,3,third\n"),
        pressKey("press Ctrl+Shift+L again", 'L', CTRL | SHIFT),
        expect("every record is shown again, without boxes",
               [] { return listItemCount() == 3 && filterBox(1) == nullptr; }, statusDetail),
    };
}

// The Menu key on gamma's name, then "Filter by this value" by its mnemonic.
Scenario filterByValueScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(2, 1),
        pressKey("press the Menu key in the grid", VK_APPS),
        pause(300),
        pressKey("choose Filter by this value", 'U'),
        expect("the grid shows gamma alone, numbered 3",
               [] { return listItemCount() == 1 && listCellText(0, 0) == L"3" && listCellText(0, 1) == L"gamma"; },
               statusDetail),
        expect("the name's box holds =gamma", [] { return filterBox(1) != nullptr && windowText(filterBox(1)) == L"=gamma"; },
               statusDetail),
        expect("the grid has the focus", [] { return GetFocus() == panelControl(IDC_GRID_LIST); }, statusDetail),
    };
}

// Ctrl+0 hides qty, which Right then passes over; Ctrl+Shift+0 shows it. The name column frozen
// from its title's menu stays at the left while the list scrolls sideways.
Scenario hideFreezeScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(0, 2),
        pressKey("press Ctrl+0", '0', CTRL),
        expect("qty has no width and note is current", [] { return columnWidth(2) == 0; }, statusDetail),
        expectStatusShows("the note column is current", L"cell R1 C3"),
        pressKey("press Left", VK_LEFT),
        expectStatusShows("Left passes over qty", L"cell R1 C1"),
        pressKey("press Ctrl+Shift+0", '0', CTRL | SHIFT),
        expect("qty is shown again", [] { return columnWidth(2) > 0; }, statusDetail),
        act("make the columns wide", [] {
            for (int column = 1; column <= 3; ++column) {
                SendMessageW(panelControl(IDC_GRID_LIST), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), 500);
            }
        }),
        pressKey("press Ctrl+Space to select the name column", VK_SPACE, CTRL),
        pressKey("press the Menu key", VK_APPS),
        pause(300),
        pressKey("choose Freeze columns up to here", 'Z'),
        act("scroll the list sideways", [] {
            for (int step = 0; step < 40; ++step) {
                SendMessageW(panelControl(IDC_GRID_LIST), WM_HSCROLL, SB_LINERIGHT, 0);
            }
        }),
        act("click just right of the row numbers", [] {
            const HWND list = panelControl(IDC_GRID_LIST);
            const POINT row = listCellCenter(1, 0);
            postClick(list, POINT{columnWidth(0) + 10, row.y});
        }),
        expectStatusShows("the frozen name column is there", L"cell R2 C1"),
    };
}

// Before a restart: small.csv filtered by "et" in its name box, its note column hidden.
Scenario viewMemoryLeaveScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        clickCell(0, 3),
        pressKey("press Ctrl+0 to hide note", '0', CTRL),
        clickCell(0, 1),
        pressKey("press Ctrl+Shift+L", 'L', CTRL | SHIFT),
        typeText("type et into the name's box", "et"),
        expect("beta alone is shown", [] { return listItemCount() == 1; }, statusDetail),
    };
}

Scenario viewMemoryReturnScenario() {
    return {
        openPanel(),
        expect("after the restart beta alone is shown, its box holds et",
               [] { return listItemCount() == 1 && listCellText(0, 1) == L"beta" && filterBox(1) != nullptr &&
                           windowText(filterBox(1)) == L"et"; },
               statusDetail),
        expect("and note is still hidden", [] { return columnWidth(3) == 0; }, statusDetail),
    };
}

}  // namespace

void addViewScenarios() {
    registerScenario("filter-box", filterBoxScenario);
    registerScenario("filter-by-value", filterByValueScenario);
    registerScenario("hide-freeze", hideFreezeScenario);
    registerScenario("view-memory-leave", viewMemoryLeaveScenario);
    registerScenario("view-memory-return", viewMemoryReturnScenario);
}

}  // namespace driver
