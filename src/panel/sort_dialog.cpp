// The "Sort by" box of the context menu's "Sort by...": up to three keys, each a column and a
// direction, the first deciding first. The box is modal and owned by the host's window; its
// controls are made when it opens, in the panel's font and, in dark mode, in the panel's own
// dark colours. OK sorts by the keys chosen, Cancel (or Esc) leaves the document alone.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "model/cell_text.h"
#include "panel/control_ids.h"
#include "panel/grid_panel.h"
#include "plugin/exception_barrier.h"

namespace {

// Lengths at 96 DPI, scaled when used.
constexpr int MARGIN = 10;
constexpr int ROW_HEIGHT = 23;
constexpr int LABEL_WIDTH = 56;
constexpr int COLUMN_WIDTH = 200;
constexpr int DIRECTION_WIDTH = 100;
constexpr int BUTTON_WIDTH = 75;
constexpr int DROP_HEIGHT = 240;  // a drop-down list's height with its list open

constexpr std::array<const wchar_t*, MAX_SORT_KEYS> KEY_LABELS{L"Sort by", L"Then by", L"Then by"};
constexpr const wchar_t* NO_KEY = L"(none)";

// The box's template: no controls (they are made in WM_INITDIALOG), and its caption.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE dialog;
    WORD menu;
    WORD windowClass;
    wchar_t caption[8];
};

struct SortDialogState {
    GridPanel* panel;
    uint64_t firstColumn;  // cell index the first key starts on
    std::vector<SortKey> keys;
};

HWND makeControl(HWND dialog, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                 const RECT& place, HFONT font) {
    const HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                                         place.right - place.left, place.bottom - place.top, dialog,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)),
                                         nullptr);
    if (control != nullptr) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return control;
}

int comboSelection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

// The keys the box's fields describe: the first always, the others unless set to "(none)".
std::vector<SortKey> chosenKeys(HWND dialog) {
    std::vector<SortKey> keys;
    for (size_t i = 0; i < MAX_SORT_KEYS; ++i) {
        const int id = IDC_SORT_COLUMN_FIRST + static_cast<int>(i);
        const int selected = comboSelection(dialog, id);
        const int column = i == 0 ? selected : selected - 1;
        if (selected == CB_ERR || column < 0) {
            continue;
        }
        const bool descending = comboSelection(dialog, IDC_SORT_DIRECTION_FIRST + static_cast<int>(i)) == 1;
        keys.push_back(SortKey{static_cast<uint64_t>(column), descending});
    }
    return keys;
}

}  // namespace

void GridPanel::layOutSortDialog(HWND dialog, uint64_t firstColumn) {
    const int margin = scaled(MARGIN);
    const int rowHeight = scaled(ROW_HEIGHT);
    const int labelRight = margin + scaled(LABEL_WIDTH);
    const int columnRight = labelRight + margin + scaled(COLUMN_WIDTH);
    const int directionRight = columnRight + margin + scaled(DIRECTION_WIDTH);
    const UINT codePage = static_cast<UINT>(documentCodePage);
    for (size_t i = 0; i < MAX_SORT_KEYS; ++i) {
        const int top = margin + static_cast<int>(i) * (rowHeight + margin);
        makeControl(dialog, L"STATIC", KEY_LABELS[i], SS_CENTERIMAGE, -1, RECT{margin, top, labelRight, top + rowHeight},
                    font);
        const HWND columns = makeControl(dialog, WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                         IDC_SORT_COLUMN_FIRST + static_cast<int>(i),
                                         RECT{labelRight + margin, top, columnRight, top + scaled(DROP_HEIGHT)}, font);
        const HWND direction = makeControl(dialog, WC_COMBOBOXW, L"", WS_TABSTOP | CBS_DROPDOWNLIST,
                                           IDC_SORT_DIRECTION_FIRST + static_cast<int>(i),
                                           RECT{columnRight + margin, top, directionRight, top + scaled(DROP_HEIGHT)},
                                           font);
        if (columns == nullptr || direction == nullptr) {
            continue;
        }
        if (i > 0) {
            SendMessageW(columns, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(NO_KEY));
        }
        for (uint64_t column = 0; column < shownColumnCount; ++column) {
            const std::wstring title = columnTitle(table, headerRow, codePage, column, lineBreakMark);
            SendMessageW(columns, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
        }
        SendMessageW(columns, CB_SETCURSEL, i == 0 ? static_cast<WPARAM>(firstColumn) : 0, 0);
        SendMessageW(direction, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Ascending"));
        SendMessageW(direction, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Descending"));
        SendMessageW(direction, CB_SETCURSEL, 0, 0);
        attachDarkCombo(columns);
        attachDarkCombo(direction);
    }

    const int buttonsTop = margin + static_cast<int>(MAX_SORT_KEYS) * (rowHeight + margin);
    const int cancelLeft = directionRight - scaled(BUTTON_WIDTH);
    const int okLeft = cancelLeft - margin - scaled(BUTTON_WIDTH);
    makeControl(dialog, WC_BUTTONW, L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK,
                RECT{okLeft, buttonsTop, cancelLeft - margin, buttonsTop + rowHeight}, font);
    makeControl(dialog, WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL,
                RECT{cancelLeft, buttonsTop, directionRight, buttonsTop + rowHeight}, font);

    // The client area around the controls, the box centred on the host's window.
    RECT frame{0, 0, directionRight + margin, buttonsTop + rowHeight + margin};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    RECT owner{};
    GetWindowRect(hostWindow != nullptr ? hostWindow : panelWindow, &owner);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, (owner.left + owner.right - width) / 2, (owner.top + owner.bottom - height) / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetFocus(GetDlgItem(dialog, IDC_SORT_COLUMN_FIRST));
}

INT_PTR CALLBACK GridPanel::sortDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return callGuarded<INT_PTR>(FALSE, [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            auto& state = *reinterpret_cast<SortDialogState*>(lParam);
            state.panel->layOutSortDialog(dialog, state.firstColumn);
            return FALSE;  // the focus is set already
        }
        auto* state = reinterpret_cast<SortDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (state == nullptr) {
            return FALSE;
        }
        GridPanel& panel = *state->panel;
        switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                state->keys = chosenKeys(dialog);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header != nullptr && header->code == NM_CUSTOMDRAW) {
                SetWindowLongPtrW(dialog, DWLP_MSGRESULT,
                                  panel.onButtonCustomDraw(reinterpret_cast<const NMCUSTOMDRAW*>(header)));
                return TRUE;
            }
            return FALSE;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            return panel.onControlColor(message, reinterpret_cast<HDC>(wParam));
        default:
            return FALSE;
        }
    });
}

// "Sort by...": the box opens on the current cell's column; OK sorts by what it shows.
void GridPanel::showSortDialog() {
    if (fileTooLarge || shownColumnCount == 0 || gridRowCount() == 0) {
        return;
    }
    EmptyDialogTemplate box{};
    box.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    box.dialog.cx = 200;  // dialog units; WM_INITDIALOG sizes the box to its controls
    box.dialog.cy = 100;
    const wchar_t caption[] = L"Sort by";
    static_assert(sizeof caption <= sizeof box.caption);
    std::copy(std::begin(caption), std::end(caption), box.caption);

    SortDialogState state{this, currentColumn >= 1 ? static_cast<uint64_t>(currentColumn) - 1 : 0, {}};
    const INT_PTR answer = DialogBoxIndirectParamW(module, &box.dialog, hostWindow != nullptr ? hostWindow : panelWindow,
                                                   sortDialogProc, reinterpret_cast<LPARAM>(&state));
    if (gridList != nullptr) {
        SetFocus(gridList);
    }
    if (answer == IDOK && !state.keys.empty()) {
        sortRows(state.keys);
    }
}
