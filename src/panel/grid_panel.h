// GridPanel: the one object of the plug-in's Win32 shell. It holds every piece of state for the
// life of the library; the exports, the menu commands, the notifications and the window
// procedures only find it and call one of its operations.
//
// Its operations are spread over the files of the subsystem that owns them:
//   plugin/   host attachment, notification reactions, settings, docking and theme
//   panel/    panel window, refresh and status line, columns, painting, selection, grid input
//   edit/     cell editor, cell edits, row and column operations, clipboard
//
// Ownership: GridPanel owns the panel window (and with it its children), the font, the two
// brushes and the toolbar and tab images. They are released explicitly: the brushes by
// releaseBrushes, everything at host shut-down by onShutdown. The destructor frees memory
// only, because it runs while the library is being unloaded, when no window may be touched
// any more.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/cell_range.h"
#include "model/cell_find.h"
#include "model/changed_range.h"
#include "model/column_edit.h"
#include "model/csv_table.h"
#include "model/editor_access.h"
#include "model/grid_view.h"
#include "model/range_fill.h"
#include "model/row_problems.h"
#include "model/selection_figures.h"
#include "model/row_text.h"
#include "model/settings_values.h"
#include "model/sort_order.h"
#include "model/theme_palette.h"
#include "model/view_memory.h"
#include "plugin/host_interface.h"

// The commands of the grid's context menu; also the ids of its items.
enum MenuCommand {
    MENU_NONE = 0,
    MENU_CUT = 1,
    MENU_COPY,
    MENU_PASTE,
    MENU_CLEAR,
    MENU_INSERT_ROW_ABOVE,
    MENU_INSERT_ROW_BELOW,
    MENU_DELETE_ROWS,
    MENU_INSERT_COLUMN_LEFT,
    MENU_INSERT_COLUMN_RIGHT,
    MENU_DELETE_COLUMN,
    MENU_SORT_ASCENDING,
    MENU_SORT_DESCENDING,
    MENU_SORT_BY,
    MENU_COPY_WITH_TITLES,
    MENU_RENAME_TITLE,
    MENU_COPY_AS_MARKDOWN,
    MENU_COPY_AS_HTML,
    MENU_COPY_AS_JSON,
    MENU_MOVE_COLUMN_LEFT,
    MENU_MOVE_COLUMN_RIGHT,
    MENU_CONVERT_TO_COMMA,
    MENU_CONVERT_TO_SEMICOLON,
    MENU_CONVERT_TO_TAB,
    MENU_CONVERT_TO_PIPE,
    MENU_FILTER_ROW,
    MENU_FILTER_BY_VALUE,
    MENU_CLEAR_FILTER,
    MENU_CLEAR_COLUMN_FILTER,
    MENU_HIDE_COLUMN,
    MENU_SHOW_HIDDEN_COLUMNS,
    MENU_FREEZE_COLUMNS,
    MENU_UNFREEZE_COLUMNS,
};

// Where a context menu opens, in screen coordinates, and whether it was asked for on a column
// header (then the column items carry the insert and delete shortcuts).
struct ContextMenuPlace {
    POINT screen{};
    bool onColumn = false;
};

// How long a filter works on at once before the rest goes between messages.
inline constexpr int FILTER_AT_ONCE_MS = 40;

// A data column's width before it is fitted or remembered, at 96 DPI.
inline constexpr int DATA_COLUMN_WIDTH = 110;

// The move of the current cell after a cell edit is committed.
enum EditMove { MOVE_NONE = 0, MOVE_DOWN = 1, MOVE_RIGHT = 2, MOVE_UP = 3, MOVE_LEFT = 4 };

class GridPanel {
public:
    GridPanel() = default;
    GridPanel(const GridPanel&) = delete;
    GridPanel& operator=(const GridPanel&) = delete;

    // --- Host attachment and notification reactions -----------------------------------------
    void attachHost(HMODULE libraryModule, HWND host, HWND mainView, HWND secondView,
                    void (*closedCallback)());
    void onFileSaved();
    void onBufferActivated();
    void onDarkModeChanged();
    void onShutdown();

    // --- Settings file --------------------------------------------------------------------
    void onReady();
    void locateSettings();
    void readSettings(const std::wstring& path);
    void writeSettings();
    void saveSettingsIfKnown();

    // --- Every document's own view (document_views.cpp) -----------------------------------
    // The current document's full path, or its name while unsaved; empty without one.
    std::wstring currentDocumentPath() const;
    // What the grid shows of its document now: the choices, widths, current cell, top row.
    DocumentView shownView() const;
    // Keeps the shown document's view, while the grid shows it whole.
    void rememberShownView();
    // The current document becomes the one the grid is for: its remembered choices, or the
    // settings file's for a document seen for the first time. The rest of its view is put
    // back once its rows are shown.
    void takeViewOfCurrentDocument();
    // The widths and current cell of a view put back, after showTable has built the columns
    // for rows list rows; answers the top row to scroll to.
    int32_t restoreViewPlaces(const DocumentView& view, int32_t rows);
    void readViews(const std::wstring& path);
    void writeViews();

    // --- Docking and theme ----------------------------------------------------------------
    void createPanel();
    void showPanel(bool show);
    void applyTheme();
    // As applyTheme, unless the mode and colours it would apply are those applied last.
    void applyThemeIfChanged();
    std::pair<bool, ThemeColors> themeInForce() const;
    void releaseBrushes();

    // --- Toolbar button and tab icon ------------------------------------------------------
    // NPPN_TBMODIFICATION: the toolbar button of the command with this id (the panel command).
    void addToolbarButton(int commandId);
    // The icon for the docked panel's tab, in the current mode's variant; none when missing.
    HICON loadTabIcon();
    void releaseImages();

    // --- Panel window ---------------------------------------------------------------------
    static INT_PTR CALLBACK panelDialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void createControls();
    void showSettingsInControls();
    void layoutControls();
    // Moves a control of the panel to the given place, unless the layout put it there last.
    void placeChild(HWND child, int x, int y, int width, int height);
    int scaled(int length) const;

    // --- Refresh and status line ----------------------------------------------------------
    // byChanges: read only what the outside edits since the last scan changed, where that is
    // shown safe (the debounce timer's refresh); otherwise, and always without it, the whole
    // document is read.
    void refreshGrid(bool keepPosition, bool byChanges = false);
    void updateItemCount();
    void enableOperations();
    void updateStatusLine();
    // The selected range's figures for the status line: worked out at once for a small range,
    // else "..." until the background timer has read the range (background_work.cpp).
    std::wstring selectionFiguresNote();
    bool onBackgroundTimer(UINT_PTR timerId);
    void scheduleBackgroundWork();
    // After a whole reading: the first step at once, the rest between messages.
    void startFindingProblems();
    // The rows [first, oldLast) of the table became [first, newLast) without a full reading:
    // the problems found follow them.
    // outside: the change came from outside the grid (a rescan by changes).
    void noteRowsChanged(uint64_t first, uint64_t oldLast, uint64_t newLast, bool outside = false);

    // --- The rows the grid shows and the filter row (shown_rows.cpp, filter_row.cpp) -------
    // Which record each grid row shows: every record (the header record aside), or the ones
    // the filter chooses. Out of step with the table (never for long) it is every record.
    GridRows gridRows() const;
    // The table row of a grid row; all ones for a negative row. Rows past the last shown one
    // stand for the records a block would add after the document's last.
    uint64_t recordOf(int32_t gridRow) const;
    // The grid row that shows a record; none when the filter hides it.
    std::optional<int32_t> gridRowOf(uint64_t record) const;
    // The number the row numbers show for a grid row: its record's own, counted from 1 after
    // the header record.
    uint64_t rowNumber(int32_t gridRow) const;
    // After a whole reading: the view follows the edit the panel made, when it told one, else
    // the filter is applied afresh to the rows read.
    void syncViewAfterReading(const std::optional<RowChange>& edit);
    // The filter's conditions applied again; the current cell stays on its record, or on the
    // nearest shown one. A large document is filtered in slices: the rows shown stay until the
    // run is done, and the status line tells how far it is.
    void applyFilter();
    // Reads on in the filter's run for at most the given time; true when it is done and shown.
    // show: the rows are shown at once when it is done (not while a reading shows them).
    bool continueFilterRun(int milliseconds, bool show = true);
    // Ctrl+Shift+L and the Filter box: the row of filter boxes shown or hidden. Hiding it takes
    // the filter away.
    void toggleFilterRow();
    // focusBox: the current column's box takes the keyboard.
    void showFilterRow(bool show, bool focusBox = true);
    // The header's own procedure (headerProc) goes in when the list is made.
    void attachHeader();
    // The boxes show the conditions' texts.
    void fillFilterBoxes();
    // "Filter by this value": the current cell's column gets "=value".
    void filterByCurrentValue();
    void clearFilter();
    void clearColumnFilter(uint64_t cellIndex);
    // The boxes laid over the lower part of the titles, one per data column.
    void layoutFilterBoxes();
    void onFilterBoxChanged(HWND box);
    static LRESULT CALLBACK headerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR subclassId, DWORD_PTR referenceData);
    static LRESULT CALLBACK filterBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR referenceData);
    bool columnFiltered(uint64_t cellIndex) const;
    // The titles repainted, for their filter marks.
    void updateHeaderMarks();
    // A filtered title's mark at the right end of its text area; answers the width it takes.
    int drawFilterMark(HDC dc, const RECT& textArea) const;
    // The height of the strip of filter boxes under the titles.
    int filterRowHeight() const;
    void drawKeptMark(HDC dc, const RECT& cell) const;

    // --- Hidden and frozen columns (column_view.cpp) ---------------------------------------
    bool columnHidden(int32_t listColumn) const;
    // The list column a move to target lands on: target, or the nearest shown column beyond it
    // (seen from `from`), or back the other way when there is none.
    int32_t shownColumnNear(int32_t target, int32_t from) const;
    // The hidden cells the grid has columns for, ascending.
    std::vector<uint64_t> hiddenCellIndexes() const;
    // "Hide column" (never the last shown one) and "Show hidden columns".
    void hideColumn(int32_t listColumn);
    void showHiddenColumns();
    void applyHiddenWidths();
    // "Freeze columns up to here" (0: "Unfreeze").
    void freezeColumnsUpTo(int32_t listColumn);
    int32_t frozenColumns() const;
    // Where the row numbers and each frozen column end, from the list's left edge.
    std::vector<int> frozenRights() const;
    int frozenWidth() const;
    void drawHiddenColumnMarks(HDC dc, HWND header) const;
    void followColumnEdit(const ColumnEdit& edit);
    // A point in the header's coordinates over a frozen title, moved to where that title's item
    // really lies; any other point as it is.
    LPARAM headerPointOverTitles(LPARAM point) const;

    // --- Problems in the document (problem_marks.cpp) --------------------------------------
    // F8 and Shift+F8: the next or previous row with a problem becomes current and what is
    // wrong is told in the status line.
    void goToProblem(bool backward);
    // What is wrong with a grid row's record; empty when nothing is.
    std::wstring problemNote(int32_t gridRow) const;
    bool rowHasProblem(int32_t gridRow) const;
    void drawProblemMark(HDC dc, const RECT& cell) const;
    // The mouse over the row numbers: over a row's problem mark the status line tells it.
    void onGridHover(LPARAM point);
    void onGridMouseLeave();
    // An insertion or deletion (modificationType's SC_MOD_INSERTTEXT or SC_MOD_DELETETEXT) of
    // length bytes at position in the view `from`.
    void onDocumentModified(HWND from, int modificationType, intptr_t position, intptr_t length);
    // A change of the document whose place is not known: the next refresh reads it all.
    void onDocumentModified();
    bool onRefreshTimer(UINT_PTR timerId);
    // The scan timer: reads on in a scan of the whole document that one slice did not finish.
    bool onScanTimer(UINT_PTR timerId);
    // The code page watch: the grid is read again when the view's code page is not the one its
    // cells were decoded in.
    bool onWatchTimer(UINT_PTR timerId);
    void showUndoneChange();
    // A scan still reading is dropped (its document changed, or another became current); the
    // table stays empty and stale until the next refresh.
    void cancelDocumentScan();

    // --- Columns --------------------------------------------------------------------------
    void rebuildColumns();
    void autoFitColumns();

    // --- Painting -------------------------------------------------------------------------
    void drawGridRow(const DRAWITEMSTRUCT* item);
    LRESULT onHeaderCustomDraw(const NMCUSTOMDRAW* draw);
    LRESULT drawHeaderItem(const NMCUSTOMDRAW* draw);
    // After the titles: the row numbers' and the frozen columns' titles again at the list's
    // left edge when it is scrolled, and the marks of hidden columns.
    void drawFrozenHeaderTitle(const NMCUSTOMDRAW* draw);
    void drawFixedTitle(const NMCUSTOMDRAW* draw, int32_t listColumn);
    void pickLineBreakMark();
    LRESULT onButtonCustomDraw(const NMCUSTOMDRAW* draw);
    void drawDarkPushButton(const NMCUSTOMDRAW* draw);
    void drawDarkCheckBox(const NMCUSTOMDRAW* draw);
    void attachDarkCombo(HWND combo);
    // A text box's colours in dark mode, set in its DC: the brush to answer its colour request
    // with, or 0 in light mode (the system's colours).
    LRESULT darkEditColors(HDC dc) const;
    static LRESULT CALLBACK darkComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR referenceData);
    void drawDarkCombo(HWND combo, HDC dc);
    void serveItemText(NMLVDISPINFOW* dispInfo);
    bool cellRect(int32_t gridRow, int32_t listColumn, RECT& rect);
    // Where the titles lie, taken once for a whole paint of the list: the host hooks every
    // message sent in its thread, which makes each one cost a round trip to the window system
    // under some systems, and a row asked for each cell's place one message at a time.
    struct PaintColumns {
        int scroll = 0;            // as sidewaysScroll
        std::vector<RECT> titles;  // the header's items, in the header's coordinates
        // The titles hold until the header's items change (headerProc, and the header's
        // notices to the list): a paint then asks the header nothing.
        bool titlesKnown = false;
    };
    const PaintColumns& columnsForPaint();
    bool paintedCellRect(const RECT& row, int32_t listColumn, const PaintColumns& columns, RECT& rect) const;
    int sidewaysScroll() const;
    int columnWidth(int32_t listColumn) const;  // pixels the list is scrolled to the right; 0 at the left end
    int rowNumberWidth() const;  // the row-number column, which stays in view
    void afterSidewaysScroll();

    // --- Selection ------------------------------------------------------------------------
    // The rows in the list's view: the first, and how many are wholly in view (one more may be
    // in part).
    struct ListPage {
        int32_t top = 0;
        int32_t perPage = 0;
    };
    ListPage listPage() const;
    // A move may be given the view it was worked out from, which the list is then not asked for
    // again.
    void selectCell(int32_t gridRow, int32_t listColumn, bool scrollIntoView, const ListPage* shown = nullptr);
    // Moves the current cell and keeps the anchor: the range grows or shrinks (Shift).
    void extendSelection(int32_t gridRow, int32_t listColumn, bool scrollIntoView, const ListPage* shown = nullptr);
    // Whole rows from the anchor row to gridRow, the row numbers current (a row-number click).
    void selectRows(int32_t anchor, int32_t gridRow);
    // Every row of one data column (a header click), and every cell (Ctrl+A).
    void selectColumn(int32_t listColumn);
    void selectAll();
    // Adds a row to the selected rows, or takes it out (Ctrl+click on its number).
    void toggleMarkedRow(int32_t gridRow);
    // The selection as it stands, and the cells it covers.
    Selection selection() const;
    CellRange selectedCells() const;
    bool rowIsMarked(int32_t gridRow) const;
    // True when the selection is the current cell alone (no range, no marked rows).
    bool singleCellSelected() const;
    // Puts back a selection kept before a refresh, clamped to the grid as it is now.
    void restoreSelection(const Selection& kept);
    void moveCell(int32_t rowDelta, int32_t columnDelta);
    // With the view known, a row wholly in it is not scrolled to, nor asked about.
    void ensureCellVisible(int32_t gridRow, int32_t listColumn, const ListPage* shown = nullptr);
    void syncEditorCaret();
    void onItemChanged(const NMLISTVIEW* change);

    // --- Grid input -----------------------------------------------------------------------
    static LRESULT CALLBACK gridInputProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam, UINT_PTR subclassId,
                                          DWORD_PTR referenceData);
    void clearCurrentCell();
    // Delete on a range: every cell in it emptied in one undo step.
    void clearSelectedCells();

    // --- Context menu ---------------------------------------------------------------------
    void showContextMenu(const ContextMenuPlace& place);
    ContextMenuPlace contextMenuAtCurrentCell();
    void runMenuCommand(int command);

    // --- Cell editor ----------------------------------------------------------------------
    void openCellEditor(int32_t gridRow, int32_t listColumn, const wchar_t* typed);
    // The same editor over a column's title, which edits the header record's field.
    void openTitleEditor(int32_t listColumn, const wchar_t* typed);
    void commitCellEdit(EditMove move, bool refocus);
    // Ctrl+Enter with a range selected: the editor's text goes into every cell of the range.
    void commitEditToRange();
    void closeCellEditor();
    static LRESULT CALLBACK cellEditorProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam, UINT_PTR subclassId,
                                           DWORD_PTR referenceData);

    // --- Column titles --------------------------------------------------------------------
    // A click on a title sorts; with renamable titles it waits out the double-click time first,
    // so that a double-click renames without sorting.
    void onTitleClick(int listColumn);
    bool onTitleClickTimer(UINT_PTR timerId);
    void onTitleDoubleClick(int listColumn);
    // Writes a title: the header record's field, or the first record of an empty document.
    bool writeTitle(uint64_t cellIndex, const std::string& value, bool* stale);

    // --- Boxes ----------------------------------------------------------------------------
    // A box titled "Tabulon" over the host window; the focus goes back into the panel after it.
    int showBox(const wchar_t* text, UINT flags);

    // --- Cell edits -----------------------------------------------------------------------
    // *stale, when given, tells whether the edit was refused because the row had changed.
    bool applyCellEdit(int32_t gridRow, uint64_t cellIndex, const std::string& value, bool* stale = nullptr);
    // The same for a table row by its index, the header record included.
    bool applyRecordEdit(uint64_t rowIndex, uint64_t cellIndex, const std::string& value, bool* stale);
    // A value typed into the empty row of a grid without data rows: the first record is written;
    // a block pasted there writes a record per line, checked and written as one step.
    bool writeFirstRecord(uint64_t cellIndex, const std::string& value);
    // asTitles: the values are the titles line of an empty document, with nothing before it.
    bool writeFirstRecords(uint64_t firstCell, const std::vector<std::vector<std::string>>& values,
                           bool asTitles = false);
    // The rows first..last a write changes; the check before it compares them and the rows on
    // either side, line endings included.
    struct RowRun {
        uint64_t first = 0;
        uint64_t last = 0;
    };
    // The check before a write of more than one cell: the stamp, then the bytes the write relies
    // on (the rows of runs, or the whole document when none are given).
    bool ensureDocumentUnchanged(const std::vector<RowRun>& runs = {});
    // The table rows of a range's grid rows, for the check before a write into the range.
    RowRun rangeRows(const CellRange& range) const { return RowRun{recordOf(range.firstRow), recordOf(range.lastRow)}; }
    bool documentHoldsRows(const std::vector<RowRun>& runs);

    // --- Row and column operations --------------------------------------------------------
    void addRow();
    void deleteRows();
    void addColumn();
    // The menu's two sides: a row above or below the selection, a column left or right of it.
    void insertRow(bool above);
    void insertColumn(bool right);
    void deleteColumn();
    // The current column one place left or right: in every record its cell and the neighbour's
    // change places; a selected column stays selected at its new place.
    void moveColumn(bool right);
    // Data column `from` (a list column) goes to place `to`, the columns between moving one
    // place towards where it was: a title dragged to another place. The moved column becomes
    // the current one, selected whole when it was.
    void moveColumnTo(int32_t from, int32_t to);
    // The document written anew with another delimiter in one undo step, the grid following it.
    void convertDelimiter(char to);
    // A title drag: true when the header may start it (not the row numbers' title, not while
    // the grid has no data rows to rewrite).
    bool canDragTitle(int listColumn) const;

    // --- Sorting --------------------------------------------------------------------------
    // Sorts the data rows by data column cellIndex (0 for the first), as a header click does.
    void sortByColumn(uint64_t cellIndex, bool descending);
    // Sorts the data rows by up to three keys, the first deciding first.
    void sortRows(const std::vector<SortKey>& keys);
    void onColumnHeaderClick(int listColumn);
    // The key a click on a title sorts by; none on the row numbers.
    std::optional<SortKey> titleClickKey(int listColumn) const;
    // A sort worked out ahead of its write: the records' new order and the document text it
    // makes, for the table as read at `generation` after `cellWrites` cell edits.
    struct PreparedSort {
        std::vector<SortKey> keys;
        uint64_t generation = 0;
        uint64_t cellWrites = 0;
        std::string eol;
        std::vector<uint64_t> order;
        bool readsBack = true;  // false: no order of the records writes them as they read
        bool changes = false;   // the order moves a record; text and starts are then made
        std::string text;
        std::vector<uint64_t> starts;
    };
    PreparedSort prepareSort(const std::vector<SortKey>& keys) const;
    // The sort of a title click, worked out while the click waits out the double-click time.
    void prepareTitleSort(int listColumn);
    void updateSortArrow();
    void forgetSortArrow();
    // The arrow of a document shown again as it was left, once its rows are read.
    void putBackSortArrow();
    bool sortArrowShown() const;
    // "Sort by...": a box with up to three keys; OK sorts by them.
    void showSortDialog();
    void layOutSortDialog(HWND dialog, uint64_t firstColumn);
    static INT_PTR CALLBACK sortDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    // --- Find bar and find / replace -------------------------------------------------------
    // Ctrl+F: shows the bar (made on first use) and puts the focus in its text.
    void showFindBar();
    // Esc in the bar: hides it and gives the grid the focus.
    void closeFindBar();
    // Lays the bar out along the bottom of the client area; the height it takes, 0 when hidden.
    int layoutFindBar(const RECT& client);
    // The height of a one-line text box in the panel's font.
    int textFieldHeight() const;
    // The height of a line of the panel's font; 0 when it cannot be measured.
    int fontLineHeight() const;
    bool onFindBarCommand(WORD controlId, WORD notification);
    static LRESULT CALLBACK findFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR subclassId, DWORD_PTR referenceData);
    // F3, Enter in the bar: the next (previous) matching cell becomes current.
    void findNext(bool backward);
    // Replaces the match in the current cell, then finds the next one.
    void replaceCurrent();
    // Replaces every match in one undo step and says how many cells changed.
    void replaceAll();
    // The status line's note of the last find or replace, while it still applies.
    std::wstring findStatusNote() const;

    // --- Clipboard ------------------------------------------------------------------------
    // Ctrl+C (rows: Ctrl+Shift+C, the selected rows whole). With the header row on, whole
    // columns and everything copy with the title line first, as any range does with titles.
    void copyToClipboard(bool rows, bool withTitles = false);
    // "Copy as": the range as a Markdown table, an HTML table or JSON, as plain text.
    void copyAs(int command);
    void pasteFromClipboard();
    void cutToClipboard();
    // Ctrl+D and Ctrl+R: the range filled down from its first row or right from its first column.
    void fillSelection(FillDirection direction);

    // --- Editor access and view helpers (refresh, columns) ------------------------------
    // The host's windows, for the editor access functions (currentView, replaceRange, ...).
    EditorWindows editorWindows() const { return {hostWindow, scintillaMain, scintillaSecond}; }
    // The number of grid rows of the table as last read (the header record excluded).
    uint64_t gridRowCount() const { return gridRows().count; }
    // A grid read without data rows (an empty document, or titles alone) shows one empty row,
    // ready to be typed into; it is no record until a value is written into it.
    bool readyRowShown() const {
        return gridRowCount() == 0 && shownColumnCount > 0 && !fileTooLarge && documentScan == nullptr &&
               !gridView.rows.filtered();
    }
    // The rows the list shows: the grid rows, or the ready row.
    uint64_t shownRowCount() const { return readyRowShown() ? 1 : gridRowCount(); }
    // The title of data column `column` (0 for the first) in the current code page.
    std::wstring dataColumnTitle(uint64_t column) const;

    // --- State ----------------------------------------------------------------------------

    // Host handles, null until setInfo.
    HMODULE module = nullptr;         // the library; windows and the dialog template come from it
    HWND hostWindow = nullptr;        // owner of the panel and of every message box
    HWND scintillaMain = nullptr;     // the host's first editor view
    HWND scintillaSecond = nullptr;   // the host's second editor view
    // Set at NPPN_READY. A host that restores a panel left open at its last exit opens it
    // while it starts, before the settings are read and perhaps before the document's view
    // is ready; until then the grid is not built, so it never shows the document by the
    // wrong settings.
    bool hostReady = false;

    // Settings in force: the defaults until the settings file is read, then the file's values.
    char delimiter = DEFAULT_DELIMITER;  // chosen by hand, read from the file, or last detected
    bool headerRow = true;               // the document's first record titles the columns
    bool autoDelimiter = true;           // detect the delimiter at every refresh
    // The settings file's choices: what a document seen for the first time starts with. The
    // choices above are the shown document's; a change the user makes applies to both.
    char defaultDelimiter = DEFAULT_DELIMITER;
    bool defaultHeaderRow = true;
    bool defaultAutoDelimiter = true;

    // The views of the documents seen, kept in viewsPath, and the document the grid is for.
    ViewMemory viewMemory;
    std::wstring viewsPath;            // empty: no views file, nothing is written
    std::wstring viewPath;             // the shown document's path; empty before the first
    std::optional<DocumentView> pendingView;  // put back when the document's rows are shown
    bool viewShown = false;            // the grid shows viewPath's rows, so its view is theirs

    // Theme. colors starts with placeholder values; applyTheme replaces them before the
    // panel paints anything.
    bool darkMode = false;
    ThemeColors colors = INITIAL_THEME_COLORS;
    bool themeApplied = false;  // darkMode and colors are those the controls were given
    HBRUSH panelBrush = nullptr;  // panel background; dark static, button and dialog requests
    HBRUSH editBrush = nullptr;   // dark edit and list-box colour requests

    // Images handed to the host, which keeps the handles: the toolbar button's bitmap and its
    // light and dark icons, and the docked panel's tab icon.
    toolbarIconsWithDarkMode toolbarImages{};
    HICON tabIcon = nullptr;

    // Panel window and its parts; all none until the panel is created.
    HWND panelWindow = nullptr;
    HWND gridList = nullptr;
    HWND gridHeader = nullptr;      // the list's header, made with the list and kept for its life
    // The status line's text as last set, none before the first time (see updateStatusLine).
    std::optional<std::wstring> statusShown;
    // Where placeChild put each control last. Each size the host gives the panel lays it out
    // again, and a control moved to where it already is still lays itself out anew (the
    // delimiter box and the list take milliseconds each under Wine).
    std::vector<std::pair<HWND, RECT>> childPlaces;
    HWND cellEditor = nullptr;      // the in-place editor while a cell is being edited
    HFONT font = nullptr;           // every control's font and the grid's painting font
    bool fontIsStock = false;       // font is DEFAULT_GUI_FONT, which is never deleted
    wchar_t lineBreakMark = LINE_BREAK_MARK;  // shown for a line break in a cell; one the font has
    void (*panelClosedCallback)() = nullptr;  // told when the user closes the docked panel
    int dpi = 96;                   // fixed when the panel is created
    // The header item updateSortArrow left with the arrow, while no other change to the items'
    // formats has come since (known false: look at every item).
    struct ShownArrow {
        bool known = false;
        int item = -1;
        bool descending = false;
    };
    ShownArrow shownArrow;
    PaintColumns paintColumns;

    uint64_t maxFileBytes = DEFAULT_MAX_FILE_BYTES;  // larger documents are not shown
    std::wstring settingsPath;  // empty: no settings file, nothing is ever written

    // The document as last read.
    CsvTable table;
    // A scan of the whole document that goes on across ticks of SCAN_TIMER. It reads into a
    // table of its own, and table stays empty and stale meanwhile, so nothing reads rows that
    // are not there yet; the grid shows no rows and the status line the progress.
    struct DocumentReading {
        DocumentReading(HWND scanned, CsvTable&& previous, uint64_t length, char delimiter, char quote,
                        bool keep, std::optional<RowChange> edit)
            : view(scanned), table(std::move(previous)), scan(table, length, delimiter, quote), keepPosition(keep),
              viewEdit(edit) {}
        HWND view;
        CsvTable table;
        DocumentScan scan;
        bool keepPosition;
        std::optional<RowChange> viewEdit;  // what the panel's edit did to the rows, if it told
    };
    std::unique_ptr<DocumentReading> documentScan;
    // The figures of the selected range, for the range and the rows as they were when begun.
    struct FiguresWork {
        SelectionFiguresScan scan;
        CellRange range;
        uint64_t generation = UINT64_MAX;
        uint64_t cellWrites = 0;
        bool headerRow = false;
        uint64_t filterChanges = 0;
    } figuresWork;
    // The grid's view of the table: the rows the filter shows. A panel operation that rewrites
    // rows and reads the document again tells here what it did, so that the view follows the
    // edit instead of filtering afresh ({0, 0, 0}: it has followed already).
    GridView gridView;
    std::optional<RowChange> viewEditAtReading;
    std::unique_ptr<FilterRun> filterRun;  // a filter being applied between messages
    bool filterRowShown = false;
    // Hidden columns' widths, to give back; the last data column frozen (0: none).
    std::map<uint64_t, int> hiddenWidths;
    int32_t frozenThrough = 0;
    uint64_t filterChanges = 0;  // counts the filter's applications, for work begun on the rows
    std::vector<HWND> filterBoxes;  // children of the list's header, one per data column
    bool fillingFilterBoxes = false; // set while the boxes are given their texts
    // The rows with problems, found between messages after each reading (background_work.cpp).
    ProblemFinder problemFinder;
    int32_t hoveredProblemRow = -1;  // the grid row whose mark the mouse is over, or -1
    int documentCodePage = 0;     // the current view's code page at the last refresh
    bool panelIsWriting = false;  // set while the panel replaces text itself
    // The outside edits since the last scan, all in changedView, for the refresh by changes.
    ChangedRange outsideChanges;
    HWND changedView = nullptr;
    // The first document position an undo or redo changed since the last refresh: the cell
    // there becomes current when the grid shows the document again.
    std::optional<uint64_t> undoneAt;

    // View state.
    int32_t currentRow = 0;         // grid row of the current cell, header record excluded
    int32_t currentColumn = 1;      // list column of the current cell; 0 is the row numbers
    // The range's other corner; equal to the current cell when a single cell is selected.
    int32_t anchorRow = 0;
    int32_t anchorColumn = 1;
    RangeShape rangeShape = RangeShape::Cells;
    std::vector<int32_t> markedRows;  // rows added by Ctrl+click on their numbers, ascending
    bool draggingSelection = false;   // the left button went down in the grid and is held
    uint64_t shownColumnCount = 0;  // data columns shown: min(maxCells, MAX_GRID_COLUMNS)
    // The titles the list's columns were last given, row-number column first: a refresh
    // sets again only the columns whose title changed.
    std::vector<std::wstring> columnTitles;
    bool columnsCapped = false;     // the widest row has more cells than the grid shows
    bool fileTooLarge = false;      // the last refresh found the document over maxFileBytes
    bool refreshPending = false;    // an outside edit is waiting for the debounced refresh
    uint64_t refreshGeneration = 0; // counts refreshes, so an operation can see a rebuild
    std::wstring displayScratch;    // text of the last item-text answer to the list

    // The header arrow of the last sort: shown while the grid has not been read again since.
    struct SortArrow {
        uint64_t column = 0;
        bool descending = false;
        uint64_t generation = 0;  // refreshGeneration right after the sort
    } sortArrow;
    std::optional<SortKey> arrowToPutBack;

    // Find bar state. The note belongs to the cell the search left current, for as long as
    // that cell stays current and the grid is not read again.
    bool findBarShown = false;
    struct FindNote {
        int32_t row = -1;
        int32_t column = -1;
        uint64_t generation = 0;
        uint64_t ordinal = 0;   // of the match at that cell; 0 when the note is no match
        FindQuery query;
        std::wstring text;
    } findNote;
    // Every match of the last query counted, for as long as the rows it was counted in stay:
    // the same refresh, and no cell written since.
    struct MatchCount {
        bool known = false;
        FindQuery query;
        uint64_t generation = 0;
        uint64_t cellWrites = 0;
        std::vector<GridCell> matches;
    } matchCount;
    uint64_t cellWrites = 0;  // the panel's cell edits, which change rows without a refresh

    // In-place editor state.
    int32_t editRow = -1;        // grid row being edited, -1 when closed
    int32_t editColumn = -1;     // list column being edited, -1 when closed
    std::wstring editStartText;  // the cell's text when the editor opened
    bool editTyped = false;      // opened by typing: the arrows commit and move
    bool editingTitle = false;   // the editor is over a column title, not a cell
    CellRange editRange;         // the range selected when the editor opened; Ctrl+Enter fills it
    // A title click waiting out the double-click time (its list column, 0 for none), the
    // refresh it was made on, and when the last title double-click came.
    int pendingTitleClick = 0;
    std::optional<PreparedSort> preparedSort;  // the pending click's sort, worked out
    uint64_t pendingTitleGeneration = 0;
    ULONGLONG lastTitleDoubleClick = 0;
    bool committingEdit = false; // a commit is running; a nested one does nothing

private:
    // Panel window message handlers, one per message kind.
    bool onCommand(WORD controlId, WORD notification);
    bool onNotify(const NMHDR* header);
    void onMeasureItem(MEASUREITEMSTRUCT* measure);
    bool onEraseBackground(HDC dc);
    INT_PTR onControlColor(UINT message, HDC dc);
    void onPanelDestroyed(HWND window);
    void releaseFont();
    void setDialogResult(LRESULT result);

    // --- Painting helpers ----------------------------------------------------------------
    // The one-line text of a data cell (list column 1 and up) as the grid shows it; empty for
    // the row-number column, a short row or a row that does not exist.
    std::wstring cellDisplayText(int32_t gridRow, int32_t listColumn) const;
    // Where a column's title is, in the list's client coordinates; false when it is not shown.
    bool titleRect(int32_t listColumn, RECT& rect) const;
    int drawSortArrow(HDC dc, const RECT& textArea, bool descending) const;

    // --- Refresh helpers -----------------------------------------------------------------
    // Reads the view's document into the table, by its changes when byChanges allows and that
    // is shown safe, else whole: TooLarge, with nothing read, when it is over the size limit;
    // Reading when a whole-document scan goes on in documentScan.
    enum class ReadResult { TooLarge, Read, Reading };
    ReadResult readIntoTable(HWND view, bool byChanges, bool keepPosition, const std::optional<RowChange>& viewEdit);
    // Reads on in documentScan for one slice; true when the document is read whole. A scan
    // whose document changed is dropped (documentScan then null).
    bool continueDocumentScan();
    // The table read whole by documentScan becomes the table.
    void finishDocumentScan();
    // The table as read is shown: columns, item count, current cell, range and status line.
    // keepPosition as for refreshGrid.
    void showTable(bool keepPosition);
    // The grid without rows or data columns (too large a document, or one still being read),
    // with its buttons and status line to match.
    void showNoRows();
    // Rescans only what the outside edits changed; false when not shown safe, the table then
    // untouched.
    bool rescanOutsideChanges(HWND view, uint64_t length);
    // Whether the last row ends a document of length bytes with its bytes where the table
    // puts them (the check that an unreported edit did not slip past the rescan).
    bool lastRowStandsAt(HWND view, uint64_t length) const;
    // The rows no longer describe the document: the stamp is spoiled and the debounced
    // refresh armed (nothing while the panel writes or is hidden).
    void scheduleRefreshAfterEdit();

    // --- Row, column and clipboard helpers ---------------------------------------------------
    // The grid rows of the selection (its range and the marked rows), ascending.
    std::vector<int32_t> selectedGridRows() const;
    bool selectedGridRowsContain(int32_t gridRow) const;
    // Puts a block of values into the row model with its top-left corner at a grid row and
    // cell, pasted or (clearing) emptying cells, then writes the rows it changed into the
    // document, or, given pending, adds those writes to it for the caller to make (a block of
    // rows below the ones already pending leaves their offsets as they were); false when
    // nothing was written.
    bool writeCellBlock(int32_t firstGridRow, uint64_t firstCell,
                        const std::vector<std::vector<std::string>>& values, bool clearing,
                        std::vector<ByteRange>* pending = nullptr);
    // The same for a block whose lines go to consecutive records from firstRecord on.
    bool writeRecordBlock(uint64_t firstRecord, uint64_t firstCell,
                          const std::vector<std::vector<std::string>>& values, bool clearing,
                          std::vector<ByteRange>* pending);
    // Makes the replaces (last first, as rowEdits gives them) as one undo step. parsedLength
    // then holds the length they give; after a failed write it holds all ones.
    bool writeEdits(const std::vector<ByteRange>& edits);
    // Makes the document text as one undo step, replacing only the stretch from the first to
    // the last byte that changes. Given where each record begins in text, the host's bookmarks
    // follow their records. parsedLength follows the new length; after a failed write it holds
    // all ones, so nothing is written before a rescan.
    bool replaceDocument(const std::string& text, const std::vector<uint64_t>* starts = nullptr);
    // Asks the user to confirm a deletion. True only for OK while the grid was not rebuilt
    // meanwhile and the document is still the one the rows were read from.
    bool confirmDeletion(const std::wstring& question, const std::vector<RowRun>& runs = {});
    // Ends a row, column or block operation: the grid is read again, then the given cell is
    // selected after a write, or the user is told that nothing could be written.
    void finishOperation(bool written, int32_t gridRow, int32_t listColumn);

    // --- Selection helpers -----------------------------------------------------------------
    // Shows a changed selection: the list's focus on the current row, a repaint of only the
    // rows whose look changed since before, the status line.
    void showSelection(const Selection& before, bool scrollIntoView, const ListPage* shown = nullptr);
    void invalidateRows(int32_t firstRow, int32_t lastRow);
    void invalidateRows(const std::vector<RowSpan>& spans);
    void invalidateRows(const std::vector<RowSpan>& spans, const ListPage& page);
    // The grid row count as the list counts it, and the last data column as a list column.
    int32_t listRowCount() const;
    int32_t lastListColumn() const;
    // --- Find helpers ---------------------------------------------------------------------
    HWND findBarControl(int id) const;
    std::wstring findBarText(int id) const;
    // The query the bar's fields describe; "in this column" takes the current column.
    FindQuery findBarQuery() const;
    CellMatcher cellMatcher(FindQuery query) const;
    // A query whose regular expression does not compile: says why in the status line.
    bool refusedPattern(const CellMatcher& matcher);
    void setFindNote(std::optional<uint64_t> ordinal, std::optional<uint64_t> count, bool wrapped,
                     const FindQuery& query);
    void setFindNoteText(std::wstring text);

    // --- Cell editor helpers -------------------------------------------------------------
    // Opens the editor over place with a cell's or title's text (all of it selected), or with
    // the character typed instead (the caret after it), and gives it the focus.
    void startEditor(const RECT& place, std::wstring text, const wchar_t* typed, int32_t gridRow,
                     int32_t listColumn, bool title);
    // The editor window over a cell rectangle of the list, in its single-line or multi-line
    // form, with the panel's font and cellEditorProc installed; none when it cannot be made.
    HWND createEditorWindow(const std::wstring& text, const RECT& cell, bool multiLine);
    // Ctrl+Enter in the single-line form: the same edit goes on in the multi-line form, with a
    // line break in place of the selection.
    void switchEditorToMultiLine();
    // The grid's click, double-click and typing, as gridInputProc hands them over.
    void onGridButtonDown(LPARAM point, bool leftButton, WPARAM buttons);
    void onGridDrag(LPARAM point);
    void onHeaderRightClick(HWND header);
    bool onGridDoubleClick(LPARAM point);
    bool onGridKeyDown(WPARAM key);
    bool onGridCharacter(WPARAM character);
    bool passKeyToHost(UINT message, WPARAM key, LPARAM keyData);
    void runHostCommand(LPARAM command);
};

// The library's one GridPanel, constructed before any export runs.
GridPanel& gridPanel();
