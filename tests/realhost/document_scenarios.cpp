// The grid follows the host: switching documents and views, and an edit made in the editor,
// shown after the debounced refresh.
#include "scenario_steps.h"

namespace driver {

namespace {

std::string gridDetail() {
    return "grid has " + std::to_string(listItemCount()) + " rows, first cell \"" +
           utf8(listCellText(0, 1)) + "\"; current " + utf8(currentFileName()) + " in view " +
           std::to_string(currentViewIndex());
}

// The grid shows small.csv (three rows, "alpha" first) or second.csv (two rows, "10" first).
bool gridShowsSmall() {
    return listItemCount() == 3 && listCellText(0, 1) == L"alpha";
}
bool gridShowsSecond() {
    return listItemCount() == 2 && listCellText(0, 1) == L"10" && listCellText(0, 2) == L"Oslo";
}

Step activate(int view, int index) {
    return act("activate document " + std::to_string(index) + " of view " + std::to_string(view),
               [view, index] { SendMessageW(hostWindows().main, NPPM_ACTIVATEDOC, view, index); });
}

Scenario switchDocumentsScenario() {
    return {
        activate(0, 0),
        openPanel(),
        expect("the grid shows small.csv", gridShowsSmall, gridDetail),
        activate(0, 1),
        expect("switching to second.csv shows it, with its own delimiter", gridShowsSecond, gridDetail),
        activate(0, 0),
        expect("switching back shows small.csv", gridShowsSmall, gridDetail),
        act("move small.csv to the other view",
            [] { SendMessageW(hostWindows().main, NPPM_MENUCOMMAND, 0, IDM_VIEW_GOTO_ANOTHER_VIEW); }),
        require("small.csv is current in the second view",
                [] { return currentViewIndex() == 1 && currentFileName() == L"small.csv"; }, gridDetail),
        expect("the grid shows the second view's document", gridShowsSmall, gridDetail),
        act("focus the first view", [] { SetFocus(hostWindows().mainView); }),
        activate(0, 0),
        expect("activating the first view shows its document", gridShowsSecond, gridDetail),
        activate(1, 0),
        expect("and the second view's again", gridShowsSmall, gridDetail),
    };
}

// Every document its own view, across a restart: small.csv with its header row off and its
// third row current, second.csv with its header row on.
bool smallAsLeft() {
    return !headerRowChecked() && listItemCount() == 4 && listCellText(0, 1) == L"name" && listFocusedItem() == 2;
}
bool secondAsLeft() {
    return headerRowChecked() && gridShowsSecond();
}

Scenario viewsLeaveScenario() {
    return {
        activate(0, 0),
        openPanel(),
        expect("the grid shows small.csv", gridShowsSmall, gridDetail),
        clickHeaderRowBox(),
        expect("small.csv's first line is a row", [] { return listItemCount() == 4; }, gridDetail),
        clickCell(2, 2),
        activate(0, 1),
        expect("second.csv, seen for the first time, takes the last choice: no header row",
               [] { return !headerRowChecked() && listItemCount() == 3; }, gridDetail),
        clickHeaderRowBox(),
        expect("second.csv with its header row", secondAsLeft, gridDetail),
        activate(0, 0),
        expect("small.csv comes back as it was left", smallAsLeft, gridDetail),
    };
}

Scenario viewsReturnScenario() {
    return {
        activate(0, 0),
        openPanel(),
        expect("after the restart small.csv is as it was left", smallAsLeft, gridDetail),
        activate(0, 1),
        expect("and second.csv too", secondAsLeft, gridDetail),
    };
}

Scenario outsideEditScenario() {
    return {
        openPanel(),
        expect("the grid shows small.csv", gridShowsSmall, gridDetail),
        focusEditor(),
        act("put the caret at the end", [] { SendMessageW(currentView(), SCI_DOCUMENTEND, 0, 0); }),
        typeText("type a record in the editor", "delta,4,fourth"),
        pressKey("press Enter in the editor", VK_RETURN),
        expectDocument("the editor has the typed record",
                       "name,qty,note\nalpha,1,first\nbeta,2,second\ngamma,3,third\ndelta,4,fourth\n"),
        expect("the refresh after the typing shows the new row",
               [] { return listItemCount() == 4 && listCellText(3, 1) == L"delta" && listCellText(3, 3) == L"fourth"; },
               gridDetail, 3000),
        expect("the editor keeps the focus", [] { return GetFocus() == currentView(); }),
    };
}

// A new document: the grid shows one column and the ready row; a value typed into it writes
// the records, the empty titles line first; + Row then adds a row after it.
Scenario newDocumentScenario() {
    constexpr WPARAM IDM_FILE_NEW = 41001;
    return {
        openPanel(),
        act("open a new document", [] { SendMessageW(hostWindows().main, NPPM_MENUCOMMAND, 0, IDM_FILE_NEW); }),
        expect("the grid shows the ready row, marked, in one column",
               [] { return listItemCount() == 1 && listCellText(0, 0) == L"*"; }, gridDetail),
        clickCell(0, 1),
        typeText("type a value", "alpha"),
        pressKey("press Enter", VK_RETURN),
        expectDocument("the value is the first record, after an empty title", "\"\"\r\nalpha"),
        expect("the row is a record now", [] { return listItemCount() == 1 && listCellText(0, 0) == L"1"; },
               gridDetail),
        act("press + Row", [] { PostMessageW(panelControl(IDC_ADD_ROW), BM_CLICK, 0, 0); }),
        expectDocument("+ Row adds an empty record after it", "\"\"\r\nalpha\r\n\"\""),
    };
}

}  // namespace

void addDocumentScenarios() {
    registerScenario("new-document", newDocumentScenario);
    registerScenario("switch-documents", switchDocumentsScenario);
    registerScenario("outside-edit", outsideEditScenario);
    registerScenario("document-views-leave", viewsLeaveScenario);
    registerScenario("document-views-return", viewsReturnScenario);
}

}  // namespace driver
