// What the grid view tests read off the panel as a user sees it: the list's item count,
// columns, focused row and the status line; and a spy on the list that records the column and
// count messages the plug-in sends it.
#pragma once

#include "test_support.h"

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

namespace tabulon_test {

struct ListColumn {
    std::wstring title;
    int width = 0;
    int format = 0;  // LVCFMT_LEFT or LVCFMT_RIGHT
};

// Records the messages that change the list's shape, in order, as they reach the list.
class ListSpy {
public:
    explicit ListSpy(HWND list);
    ~ListSpy();
    ListSpy(const ListSpy&) = delete;
    ListSpy& operator=(const ListSpy&) = delete;

    std::vector<int> deletedColumns;  // LVM_DELETECOLUMN indexes
    int itemCountSets = 0;            // LVM_SETITEMCOUNT messages
    void clear() {
        deletedColumns.clear();
        itemCountSets = 0;
    }

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR id, DWORD_PTR data);
    HWND list_;
};

class GridViewTest : public PluginTest {
protected:
    // Loads the plug-in with the document in the main view and opens the panel.
    void openPanel(const std::string& document);
    // Same, with a settings file body written first.
    void openPanelWithSettings(const std::string& document, const std::string& settings);

    HWND list() { return child(panel(), IDC_GRID_LIST); }
    int itemCount() { return static_cast<int>(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0)); }
    int focusedRow() { return static_cast<int>(SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)); }
    int topRow() { return static_cast<int>(SendMessageW(list(), LVM_GETTOPINDEX, 0, 0)); }
    std::wstring status();
    // The text the list is given for a cell (sub-item 0 is the row number).
    std::wstring cellText(int row, int subItem);
    std::vector<ListColumn> columns();
    std::vector<std::wstring> titles();
    std::vector<int> widths();
    void setColumnWidth(int column, int width);

    // A user's actions in the panel.
    void clickHeaderRowBox();
    void chooseDelimiter(int entry);  // 0 Auto, 1 comma, 2 semicolon, 3 tab, 4 pipe
    void clickReload();
    void clickFit();

    // Pumps until the debounce timer has fired (and the refresh it starts has run).
    bool waitForRefresh() { return host.waitForTimer(panel(), 1, 3000); }
    // Pumps messages until a document read in slices is shown; false if it still is not.
    bool waitForDocumentRead() {
        for (int ticks = 0; ticks < 500 && readingDocument(); ++ticks) host.waitForTimer(panel(), SCAN_TIMER, 2000);
        return !readingDocument();
    }
    bool readingDocument() { return status().rfind(L"Reading the document... ", 0) == 0; }
    bool refreshArmed() { return devhost::DevHost::isTimerArmed(panel(), 1); }
};

// The status line for the comma: "<rows> rows x <cols> cols   |   delimiter ','" and the
// current cell ("cell R<r> C<c>", "row R<r>" in column 0, "col C<c>" without rows, none
// without columns).
std::wstring commaStatus(int rows, int columns, int row, int column);
// The current cell as a status line shows it: grid row + 1 and list column ("row R<r>" is
// column 0, "col C<c>" row 1); -1, -1 when it shows none.
std::pair<int, int> statusCell(const std::wstring& status);

}  // namespace tabulon_test
