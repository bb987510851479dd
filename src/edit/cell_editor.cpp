// The in-place cell editor: an EDIT control laid over the cell being edited.
#include "panel/grid_panel.h"
#include "plugin/exception_barrier.h"

namespace {

constexpr UINT_PTR CELL_EDITOR_SUBCLASS_ID = 2;

}  // namespace

// Opens the editor over a cell, with the cell's text or with the character just typed; no
// cell is laid out yet, so nothing opens.
void GridPanel::openCellEditor(int32_t /*gridRow*/, int32_t /*listColumn*/, const wchar_t* /*typed*/) {}

// Writes the editor's text into its cell and moves the current cell; no editor opens yet, so
// there is never one to commit.
void GridPanel::commitCellEdit(EditMove /*move*/, bool /*refocus*/) {}

void GridPanel::closeCellEditor() {
    if (cellEditor == nullptr) {
        return;
    }
    const HWND editor = cellEditor;
    cellEditor = nullptr;
    editRow = -1;
    editColumn = -1;
    editStartText.clear();
    // Unhooked before it is destroyed, so its loss of focus commits nothing.
    RemoveWindowSubclass(editor, cellEditorProc, CELL_EDITOR_SUBCLASS_ID);
    DestroyWindow(editor);
    if (gridList != nullptr) {
        SetFocus(gridList);
    }
}

// Routes the editor's keys: Enter and Tab commit, Esc cancels; for now every message takes
// the edit control's own handling.
LRESULT CALLBACK GridPanel::cellEditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR /*subclassId*/, DWORD_PTR /*referenceData*/) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(window, cellEditorProc, CELL_EDITOR_SUBCLASS_ID);
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}
