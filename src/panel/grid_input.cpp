// Keyboard and mouse input of the grid: the list view's subclass procedure.
#include "panel/grid_panel.h"
#include "plugin/exception_barrier.h"

namespace {

constexpr UINT_PTR GRID_SUBCLASS_ID = 1;

}  // namespace

// Turns keys, typing, clicks and scrolling into cell navigation and editing; for now every
// message takes the list's own handling.
LRESULT CALLBACK GridPanel::gridInputProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR /*subclassId*/, DWORD_PTR /*referenceData*/) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(window, gridInputProc, GRID_SUBCLASS_ID);
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}

// Empties the current cell (the Delete key); no cell can be current yet.
void GridPanel::clearCurrentCell() {}
