// The grid's context menu: on a right click over cells, row numbers or a column header, and on
// the Menu key or Shift+F10 at the current cell. Its items are the grid's own commands, each
// with the shortcut that does the same in the grid.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>

#include "panel/grid_panel.h"

namespace {

struct MenuItem {
    int command;       // MENU_NONE for a separator
    const wchar_t* text;
    const wchar_t* rowShortcut;     // shown when the menu is about rows or cells
    const wchar_t* columnShortcut;  // shown when it is about a column
};

// Ctrl+Plus and Ctrl+Minus insert and delete what the selection is made of: rows, or the
// column when a whole column is selected, as spreadsheets do.
const std::array<MenuItem, 23> MENU_ITEMS{{
    {MENU_CUT, L"Cu&t", L"Ctrl+X", L"Ctrl+X"},
    {MENU_COPY, L"&Copy", L"Ctrl+C", L"Ctrl+C"},
    {MENU_COPY_WITH_TITLES, L"Copy &with titles", nullptr, nullptr},
    {MENU_COPY_AS_MARKDOWN, L"Copy as Mar&kdown", nullptr, nullptr},
    {MENU_COPY_AS_HTML, L"Copy as &HTML", nullptr, nullptr},
    {MENU_COPY_AS_JSON, L"Copy as &JSON", nullptr, nullptr},
    {MENU_PASTE, L"&Paste", L"Ctrl+V", L"Ctrl+V"},
    {MENU_CLEAR, L"Cl&ear", L"Delete", L"Delete"},
    {MENU_NONE, nullptr, nullptr, nullptr},
    {MENU_INSERT_ROW_ABOVE, L"Insert row &above", L"Ctrl+Plus", nullptr},
    {MENU_INSERT_ROW_BELOW, L"Insert row &below", nullptr, nullptr},
    {MENU_DELETE_ROWS, L"&Delete rows", L"Ctrl+Minus", nullptr},
    {MENU_NONE, nullptr, nullptr, nullptr},
    {MENU_INSERT_COLUMN_LEFT, L"Insert column &left", nullptr, L"Ctrl+Plus"},
    {MENU_INSERT_COLUMN_RIGHT, L"Insert column &right", nullptr, nullptr},
    {MENU_DELETE_COLUMN, L"Delete colu&mn", nullptr, L"Ctrl+Minus"},
    {MENU_RENAME_TITLE, L"Re&name title", nullptr, L"F2"},
    {MENU_MOVE_COLUMN_LEFT, L"Move column le&ft", nullptr, L"Ctrl+Shift+Left"},
    {MENU_MOVE_COLUMN_RIGHT, L"Move column ri&ght", nullptr, L"Ctrl+Shift+Right"},
    {MENU_NONE, nullptr, nullptr, nullptr},
    {MENU_SORT_ASCENDING, L"&Sort ascending", nullptr, nullptr},
    {MENU_SORT_DESCENDING, L"S&ort descending", nullptr, nullptr},
    {MENU_SORT_BY, L"Sort b&y...", nullptr, nullptr},
}};

// The submenu that writes the document with another delimiter.
struct ConversionItem {
    int command;
    const wchar_t* text;
    char delimiter;
};
const std::array<ConversionItem, 4> CONVERSION_ITEMS{{
    {MENU_CONVERT_TO_COMMA, L"Convert to &comma", ','},
    {MENU_CONVERT_TO_SEMICOLON, L"Convert to &semicolon", ';'},
    {MENU_CONVERT_TO_TAB, L"Convert to &tab", '\t'},
    {MENU_CONVERT_TO_PIPE, L"Convert to &pipe", '|'},
}};

// Owns the popup menu for the time it is shown.
class PopupMenu {
public:
    PopupMenu() : menu_(CreatePopupMenu()) {}
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    ~PopupMenu() {
        if (menu_ != nullptr) {
            DestroyMenu(menu_);
        }
    }
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

}  // namespace

void GridPanel::showContextMenu(const ContextMenuPlace& place) {
    if (panelWindow == nullptr || gridList == nullptr) {
        return;
    }
    const PopupMenu menu;
    if (menu.get() == nullptr) {
        return;
    }
    const bool hasRows = gridRowCount() > 0 && !fileTooLarge;
    const bool onData = hasRows && shownColumnCount > 0;
    for (const MenuItem& item : MENU_ITEMS) {
        if (item.command == MENU_NONE) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::wstring text = item.text;
        if (const wchar_t* shortcut = place.onColumn ? item.columnShortcut : item.rowShortcut) {
            text += L'\t';
            text += shortcut;
        }
        // Adding a row works on an empty document too; everything else needs cells, and a sort
        // by the current column a data column to be current.
        bool enabled = item.command == MENU_INSERT_ROW_BELOW || item.command == MENU_INSERT_ROW_ABOVE
                           ? !fileTooLarge
                           : onData;
        if (item.command == MENU_SORT_ASCENDING || item.command == MENU_SORT_DESCENDING) {
            enabled = enabled && currentColumn >= 1;
        }
        if (item.command == MENU_COPY_WITH_TITLES) {
            enabled = enabled && headerRow;
        }
        if (item.command == MENU_MOVE_COLUMN_LEFT) {
            enabled = enabled && currentColumn >= 2;
        }
        if (item.command == MENU_MOVE_COLUMN_RIGHT) {
            enabled = enabled && currentColumn >= 1 && static_cast<uint64_t>(currentColumn) < shownColumnCount;
        }
        // The titles of a document without data rows can be renamed too.
        if (item.command == MENU_RENAME_TITLE) {
            enabled = headerRow && !fileTooLarge && documentScan == nullptr && currentColumn >= 1 &&
                      static_cast<uint64_t>(currentColumn) <= shownColumnCount;
        }
        AppendMenuW(menu.get(), MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                    static_cast<UINT_PTR>(item.command), text.c_str());
    }
    // The filter: the row of boxes, and on a cell its value as the column's condition; on a
    // title, that column's condition taken away.
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING | (fileTooLarge ? MF_GRAYED : MF_ENABLED) | (filterRowShown ? MF_CHECKED : 0),
                MENU_FILTER_ROW, L"F&ilter\tCtrl+Shift+L");
    const bool columnFilter = currentColumn >= 1 && columnFiltered(static_cast<uint64_t>(currentColumn) - 1);
    if (place.onColumn) {
        AppendMenuW(menu.get(), MF_STRING | (columnFilter ? MF_ENABLED : MF_GRAYED), MENU_CLEAR_COLUMN_FILTER,
                    L"Clear this column's filter");
        // The columns' view: hidden columns and the frozen ones at the left.
        const bool dataColumn = onData && currentColumn >= 1;
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING | (dataColumn && hiddenCellIndexes().size() + 1 < shownColumnCount ? MF_ENABLED : MF_GRAYED),
                    MENU_HIDE_COLUMN, L"Hide column\tCtrl+0");
        AppendMenuW(menu.get(), MF_STRING | (hiddenCellIndexes().empty() ? MF_GRAYED : MF_ENABLED),
                    MENU_SHOW_HIDDEN_COLUMNS, L"Show hidden columns\tCtrl+Shift+0");
        AppendMenuW(menu.get(), MF_STRING | (dataColumn ? MF_ENABLED : MF_GRAYED), MENU_FREEZE_COLUMNS,
                    L"Free&ze columns up to here");
        AppendMenuW(menu.get(), MF_STRING | (frozenColumns() > 0 ? MF_ENABLED : MF_GRAYED), MENU_UNFREEZE_COLUMNS,
                    L"Unfreeze");
    } else {
        AppendMenuW(menu.get(), MF_STRING | (onData && currentColumn >= 1 ? MF_ENABLED : MF_GRAYED),
                    MENU_FILTER_BY_VALUE, L"Filter by this val&ue");
        AppendMenuW(menu.get(), MF_STRING | (gridView.rows.hasConditions() ? MF_ENABLED : MF_GRAYED),
                    MENU_CLEAR_FILTER, L"Clear filter");
    }
    // The document's own delimiter is checked and has nothing to convert to. The submenu is
    // the menu's, which destroys it with itself.
    if (const HMENU conversions = CreatePopupMenu()) {
        for (const ConversionItem& item : CONVERSION_ITEMS) {
            const bool own = onData && item.delimiter == table.delimiter;
            AppendMenuW(conversions, MF_STRING | (onData && !own ? MF_ENABLED : MF_GRAYED) | (own ? MF_CHECKED : 0),
                        static_cast<UINT_PTR>(item.command), item.text);
        }
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        if (!AppendMenuW(menu.get(), MF_POPUP | (onData ? MF_ENABLED : MF_GRAYED),
                         reinterpret_cast<UINT_PTR>(conversions), L"Con&vert delimiter")) {
            DestroyMenu(conversions);
        }
    }
    const int command = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                        place.screen.x, place.screen.y, 0, panelWindow, nullptr));
    if (gridList != nullptr && GetFocus() != gridList && cellEditor == nullptr) {
        SetFocus(gridList);
    }
    runMenuCommand(command);
}

// The menu key opens the menu at the current cell's lower left corner, or at the list's
// top-left corner when that cell is out of reach.
ContextMenuPlace GridPanel::contextMenuAtCurrentCell() {
    ContextMenuPlace place;
    place.onColumn = rangeShape == RangeShape::Columns;
    RECT cell{};
    if (gridList != nullptr && cellRect(currentRow, currentColumn, cell)) {
        place.screen = POINT{cell.left, cell.bottom};
    }
    if (gridList != nullptr) {
        ClientToScreen(gridList, &place.screen);
    }
    return place;
}

void GridPanel::runMenuCommand(int command) {
    switch (command) {
    case MENU_CUT:
        cutToClipboard();
        break;
    case MENU_COPY:
        copyToClipboard(false);
        break;
    case MENU_COPY_WITH_TITLES:
        copyToClipboard(false, true);
        break;
    case MENU_COPY_AS_MARKDOWN:
    case MENU_COPY_AS_HTML:
    case MENU_COPY_AS_JSON:
        copyAs(command);
        break;
    case MENU_PASTE:
        pasteFromClipboard();
        break;
    case MENU_RENAME_TITLE:
        openTitleEditor(currentColumn, nullptr);
        break;
    case MENU_MOVE_COLUMN_LEFT:
    case MENU_MOVE_COLUMN_RIGHT:
        moveColumn(command == MENU_MOVE_COLUMN_RIGHT);
        break;
    case MENU_CLEAR:
        clearSelectedCells();
        break;
    case MENU_INSERT_ROW_ABOVE:
        insertRow(true);
        break;
    case MENU_INSERT_ROW_BELOW:
        insertRow(false);
        break;
    case MENU_DELETE_ROWS:
        deleteRows();
        break;
    case MENU_INSERT_COLUMN_LEFT:
        insertColumn(false);
        break;
    case MENU_INSERT_COLUMN_RIGHT:
        insertColumn(true);
        break;
    case MENU_DELETE_COLUMN:
        deleteColumn();
        break;
    case MENU_SORT_ASCENDING:
    case MENU_SORT_DESCENDING:
        // By the current cell's column; on the row numbers there is none to sort by.
        if (currentColumn >= 1) {
            sortByColumn(static_cast<uint64_t>(currentColumn) - 1, command == MENU_SORT_DESCENDING);
        }
        break;
    case MENU_SORT_BY:
        showSortDialog();
        break;
    case MENU_FILTER_ROW:
        toggleFilterRow();
        break;
    case MENU_FILTER_BY_VALUE:
        filterByCurrentValue();
        break;
    case MENU_CLEAR_FILTER:
        clearFilter();
        break;
    case MENU_HIDE_COLUMN:
        hideColumn(currentColumn);
        break;
    case MENU_SHOW_HIDDEN_COLUMNS:
        showHiddenColumns();
        break;
    case MENU_FREEZE_COLUMNS:
        freezeColumnsUpTo(currentColumn);
        break;
    case MENU_UNFREEZE_COLUMNS:
        freezeColumnsUpTo(0);
        break;
    case MENU_CLEAR_COLUMN_FILTER:
        if (currentColumn >= 1) {
            clearColumnFilter(static_cast<uint64_t>(currentColumn) - 1);
        }
        break;
    case MENU_CONVERT_TO_COMMA:
    case MENU_CONVERT_TO_SEMICOLON:
    case MENU_CONVERT_TO_TAB:
    case MENU_CONVERT_TO_PIPE:
        for (const ConversionItem& item : CONVERSION_ITEMS) {
            if (item.command == command) {
                convertDelimiter(item.delimiter);
            }
        }
        break;
    default:
        break;
    }
}
