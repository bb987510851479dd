// The in-place cell editor: an EDIT control laid over the cell being edited, a child of the
// grid's list view.
//
// It is open from openCellEditor until exactly one of commitCellEdit (Enter, Tab, loss of focus,
// scrolling) or closeCellEditor (Esc, a refresh, shut-down) ends it. Both forget the editor
// before they destroy its window and unhook it first, so the window's own loss of focus while
// it is destroyed commits nothing.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "edit/messages.h"
#include "model/cell_text.h"
#include "panel/control_ids.h"
#include "panel/grid_panel.h"
#include "panel/key_state.h"
#include "plugin/exception_barrier.h"

namespace {

constexpr UINT_PTR CELL_EDITOR_SUBCLASS_ID = 2;

constexpr DWORD SINGLE_LINE_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD MULTI_LINE_STYLE =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
// The multi-line form is this many cells high.
constexpr int MULTI_LINE_ROWS = 4;

// The editor takes every key from the dialog manager, so Tab, Enter and Esc reach it.
constexpr LRESULT WANT_ALL_INPUT = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS;

bool hasLineBreak(std::wstring_view text) {
    return text.find_first_of(L"\r\n") != std::wstring_view::npos;
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// Clears a flag however the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace

// Opens the editor over a cell of the grid with the cell's text, all of it selected; or, when
// the user started by typing a character, with that character alone and the caret after it.
// Nothing opens on the row numbers, outside the rows and columns, or while an editor is open.
void GridPanel::openCellEditor(int32_t gridRow, int32_t listColumn, const wchar_t* typed) {
    if (cellEditor != nullptr || gridList == nullptr || listColumn < 1 ||
        static_cast<uint64_t>(listColumn) > shownColumnCount || gridRow < 0 ||
        static_cast<uint64_t>(gridRow) >= shownRowCount()) {
        return;
    }
    ensureCellVisible(gridRow, listColumn);
    RECT cell{};
    if (!cellRect(gridRow, listColumn, cell)) {
        return;
    }
    // The value itself, line breaks and tabs included, not the one-line form the grid shows.
    const std::optional<std::string> value =
        cellAt(table, gridRows(), gridRow, static_cast<uint64_t>(listColumn) - 1);
    startEditor(cell, value ? decodeCell(*value, static_cast<UINT>(documentCodePage)) : std::wstring(), typed,
                gridRow, listColumn, false);
}

// F2 on a selected column, a double-click on its title or the menu's Rename title: the title
// is edited in place, over the column's header item, as a cell is.
void GridPanel::openTitleEditor(int32_t listColumn, const wchar_t* typed) {
    if (cellEditor != nullptr || gridList == nullptr || !headerRow || fileTooLarge || documentScan != nullptr ||
        listColumn < 1 || static_cast<uint64_t>(listColumn) > shownColumnCount) {
        return;
    }
    ensureCellVisible(std::max(currentRow, 0), listColumn);
    RECT place{};
    if (!titleRect(listColumn, place)) {
        return;
    }
    const std::optional<std::string> value =
        table.rows.empty() ? std::nullopt : cellAt(table, false, 0, static_cast<uint64_t>(listColumn) - 1);
    startEditor(place, value ? decodeCell(*value, static_cast<UINT>(documentCodePage)) : std::wstring(), typed, 0,
                listColumn, true);
}

void GridPanel::startEditor(const RECT& place, std::wstring text, const wchar_t* typed, int32_t gridRow,
                            int32_t listColumn, bool title) {
    // A window text ends at the first NUL, so the editor holds a value with a NUL byte only up
    // to it. The start text is what the editor holds, so that committing it unchanged leaves
    // the cell alone rather than cutting it there.
    text.resize(std::min(text.size(), text.find(L'\0')));
    editStartText = text;
    const std::wstring initial = typed != nullptr ? std::wstring(typed) : std::move(text);

    const HWND editor = createEditorWindow(initial, place, hasLineBreak(initial));
    if (editor == nullptr) {
        return;
    }
    cellEditor = editor;
    editRow = gridRow;
    editColumn = listColumn;
    editTyped = typed != nullptr;
    editingTitle = title;
    editRange = !title && !singleCellSelected() ? selectedCells() : CellRange{};
    // Over a title it must stay above the header, which is the list's child too.
    SetWindowPos(editor, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const LPARAM length = static_cast<LPARAM>(initial.size());
    if (typed != nullptr) {
        SendMessageW(editor, EM_SETSEL, static_cast<WPARAM>(length), length);
    } else {
        SendMessageW(editor, EM_SETSEL, 0, -1);
    }
    SetFocus(editor);
}

// Creates the editor window over the cell rectangle, in the single-line form or, four cells
// high, in the multi-line form, with the panel's font and the editor's key handling.
HWND GridPanel::createEditorWindow(const std::wstring& text, const RECT& cell, bool multiLine) {
    const int cellHeight = cell.bottom - cell.top;
    const HWND editor = CreateWindowExW(
        0, L"EDIT", text.c_str(), multiLine ? MULTI_LINE_STYLE : SINGLE_LINE_STYLE, cell.left, cell.top,
        cell.right - cell.left, multiLine ? cellHeight * MULTI_LINE_ROWS : cellHeight, gridList,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CELL_EDITOR)), module, nullptr);
    if (editor == nullptr) {
        return nullptr;
    }
    SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetWindowSubclass(editor, cellEditorProc, CELL_EDITOR_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
    return editor;
}

// Ctrl+Enter in the single-line form: a single-line control cannot hold a line break, so the
// editor is opened again in the multi-line form with the line break in place of the selection
// and the caret after it. The edit goes on: the cell and the text it opened with stay.
void GridPanel::switchEditorToMultiLine() {
    RECT cell{};
    if (cellEditor == nullptr || !cellRect(editRow, editColumn, cell)) {
        return;
    }
    std::wstring text = windowText(cellEditor);
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
    SendMessageW(cellEditor, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                 reinterpret_cast<LPARAM>(&selectionEnd));
    const size_t from = std::min<size_t>(selectionStart, text.size());
    const size_t to = std::min<size_t>(std::max<DWORD>(selectionStart, selectionEnd), text.size());
    text.replace(from, to - from, L"\r\n");

    const HWND replacement = createEditorWindow(text, cell, true);
    if (replacement == nullptr) {
        return;  // the single-line editor stays, without the line break
    }
    const HWND old = cellEditor;
    cellEditor = replacement;
    RemoveWindowSubclass(old, cellEditorProc, CELL_EDITOR_SUBCLASS_ID);
    DestroyWindow(old);
    const LPARAM caret = static_cast<LPARAM>(from + 2);
    SendMessageW(replacement, EM_SETSEL, static_cast<WPARAM>(caret), caret);
    SetFocus(replacement);
}

// Ends the edit and writes the editor's text into its cell when it changed, then moves the
// current cell. The move starts from the current cell, which is the edited one unless the user
// picked another (a click on the grid commits through the editor's loss of focus); it happens
// also when nothing could be written, except for an edit refused because its row changed in the
// editor meanwhile: that one opens again, with the text typed, on the grid read anew.
void GridPanel::commitCellEdit(EditMove move, bool refocus) {
    if (cellEditor == nullptr || committingEdit) {
        return;
    }
    // An edit refused because its row changed in the editor meanwhile: what was typed, and where.
    std::optional<std::wstring> refusedText;
    int32_t refusedRow = -1;
    int32_t refusedColumn = -1;
    const bool title = editingTitle;
    {
        // Message boxes and refreshes below pump messages; a commit reached from them does
        // nothing.
        const FlagScope committing(committingEdit);
        const std::wstring text = windowText(cellEditor);
        const HWND editor = cellEditor;
        const int32_t row = editRow;
        const int32_t column = editColumn;
        const std::wstring startText = std::move(editStartText);
        editingTitle = false;
        editRange = CellRange{};
        cellEditor = nullptr;
        editRow = -1;
        editColumn = -1;
        editStartText.clear();
        RemoveWindowSubclass(editor, cellEditorProc, CELL_EDITOR_SUBCLASS_ID);
        DestroyWindow(editor);

        if (text != startText && row >= 0 && column >= 1) {
            bool lossy = false;
            const std::string value = encodeCell(text, static_cast<UINT>(documentCodePage), &lossy);
            // A text that converts to nothing at all is a failed conversion, not a cleared cell.
            if (lossy || (value.empty() && !text.empty())) {
                showBox(messages::UNSTORABLE_CHARACTERS_TEXT, MB_OK | MB_ICONWARNING);
            } else {
                bool stale = false;
                if (title) {
                    writeTitle(static_cast<uint64_t>(column) - 1, value, &stale);
                } else {
                    applyCellEdit(row, static_cast<uint64_t>(column) - 1, value, &stale);
                }
                if (stale) {
                    refusedText = text;
                    refusedRow = title ? -1 : row;
                    refusedColumn = column;
                }
            }
        }
    }

    // The grid now shows the document as it is; the typed text is offered again on the same
    // row and column, where they still exist, so that Enter writes it onto the current bytes.
    if (refusedText && refusedRow < 0) {
        openTitleEditor(refusedColumn, refusedText->c_str());
        if (cellEditor == nullptr && refocus && gridList != nullptr) {
            SetFocus(gridList);
        }
        return;
    }
    if (refusedText) {
        if (gridList != nullptr && refusedRow >= 0 && static_cast<uint64_t>(refusedRow) < shownRowCount() &&
            static_cast<uint64_t>(refusedColumn) <= shownColumnCount) {
            selectCell(refusedRow, refusedColumn, true);
            openCellEditor(refusedRow, refusedColumn, refusedText->c_str());
        } else if (refocus && gridList != nullptr) {
            SetFocus(gridList);
        }
        return;
    }

    if (refocus && gridList != nullptr) {
        SetFocus(gridList);
    }
    // A title edit leaves the current cell where it was, whatever key ended it.
    if (title) {
        return;
    }

    const int32_t r = currentRow;
    const int32_t c = currentColumn;
    const int32_t lastColumn = static_cast<int32_t>(std::min<uint64_t>(shownColumnCount, INT32_MAX));
    switch (move) {
    case MOVE_DOWN:
        selectCell(r < INT32_MAX ? std::max(r + 1, 0) : r, c, true);
        break;
    case MOVE_UP:
        selectCell(std::max(r - 1, 0), c, true);
        break;
    case MOVE_RIGHT:
        if (c < lastColumn) {
            selectCell(std::max(r, 0), c + 1, true);
        } else {
            selectCell(r < INT32_MAX ? std::max(r + 1, 0) : r, 1, true);
        }
        break;
    case MOVE_LEFT:
        if (c > 1) {
            selectCell(std::max(r, 0), c - 1, true);
        } else {
            selectCell(std::max(r - 1, 0), lastColumn, true);
        }
        break;
    case MOVE_NONE:
    default:
        break;
    }
    // A move from the keyboard takes the editor's caret to the record, as a click does.
    if (move != MOVE_NONE) {
        syncEditorCaret();
    }
}

// The editor's text written into every cell of the range selected when it opened, as one block
// write: one undo step, each row from its first to its last changed byte. The range stays.
void GridPanel::commitEditToRange() {
    if (cellEditor == nullptr || committingEdit) {
        return;
    }
    const std::wstring text = windowText(cellEditor);
    const CellRange range = editRange;
    const Selection kept = selection();
    closeCellEditor();
    bool lossy = false;
    const std::string value = encodeCell(text, static_cast<UINT>(documentCodePage), &lossy);
    if (lossy || (value.empty() && !text.empty())) {
        showBox(messages::UNSTORABLE_CHARACTERS_TEXT, MB_OK | MB_ICONWARNING);
        return;
    }
    if (range.empty() || readyRowShown() || !ensureDocumentUnchanged({rangeRows(range)})) {
        return;
    }
    const std::vector<std::vector<std::string>> values(
        static_cast<size_t>(range.rowCount()), std::vector<std::string>(static_cast<size_t>(range.columnCount()), value));
    const bool written = writeCellBlock(range.firstRow, static_cast<uint64_t>(range.firstColumn) - 1, values, false);
    finishOperation(written, range.firstRow, range.firstColumn);
    if (written) {
        restoreSelection(kept);
    }
}

void GridPanel::closeCellEditor() {
    if (cellEditor == nullptr) {
        return;
    }
    const HWND editor = cellEditor;
    cellEditor = nullptr;
    editRow = -1;
    editColumn = -1;
    editingTitle = false;
    editRange = CellRange{};
    editStartText.clear();
    // Unhooked before it is destroyed, so its loss of focus commits nothing.
    RemoveWindowSubclass(editor, cellEditorProc, CELL_EDITOR_SUBCLASS_ID);
    DestroyWindow(editor);
    if (gridList != nullptr) {
        SetFocus(gridList);
    }
}

// The editor's keys: Enter commits and moves down (up with Shift), Tab commits and moves right
// (left with Shift), Esc drops the edit, Ctrl+Enter writes the text into every cell of a range
// selected when the editor opened, or else makes a line break inside the cell. Losing the focus
// commits without a move.
LRESULT CALLBACK GridPanel::cellEditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR /*subclassId*/, DWORD_PTR referenceData) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        GridPanel& panel = *reinterpret_cast<GridPanel*>(referenceData);
        switch (message) {
        case WM_GETDLGCODE:
            return WANT_ALL_INPUT;
        case WM_KEYDOWN:
            switch (wParam) {
            case VK_RETURN:
                if (!isHeld(VK_CONTROL)) {
                    panel.commitCellEdit(isHeld(VK_SHIFT) ? MOVE_UP : MOVE_DOWN, true);
                    return 0;
                }
                if ((GetWindowLongPtrW(window, GWL_STYLE) & ES_MULTILINE) == 0) {
                    if (!panel.editRange.empty()) {
                        panel.commitEditToRange();
                    } else {
                        panel.switchEditorToMultiLine();
                    }
                    return 0;
                }
                break;  // the multi-line control makes the line break itself
            case VK_TAB:
                panel.commitCellEdit(isHeld(VK_SHIFT) ? MOVE_LEFT : MOVE_RIGHT, true);
                return 0;
            case VK_ESCAPE:
                panel.closeCellEditor();
                return 0;
            case VK_UP:
            case VK_DOWN:
            case VK_LEFT:
            case VK_RIGHT:
                // A cell the user started by typing into is committed by an arrow, which then
                // moves on as Enter and Tab do; in a cell opened to be changed (Enter, F2,
                // double-click) the arrows move the caret in its text.
                if (panel.editTyped && (GetWindowLongPtrW(window, GWL_STYLE) & ES_MULTILINE) == 0) {
                    const EditMove move = wParam == VK_UP     ? MOVE_UP
                                          : wParam == VK_DOWN ? MOVE_DOWN
                                          : wParam == VK_LEFT ? MOVE_LEFT
                                                              : MOVE_RIGHT;
                    panel.commitCellEdit(move, true);
                    return 0;
                }
                break;
            default:
                break;
            }
            break;
        case WM_CHAR:
            // The characters of the keys handled above would only make the control beep.
            if (wParam == L'\t' || wParam == L'\r' || wParam == 0x1B) {
                return 0;
            }
            break;
        case WM_KILLFOCUS:
            panel.commitCellEdit(MOVE_NONE, false);
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, cellEditorProc, CELL_EDITOR_SUBCLASS_ID);
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}
