// The find bar: a row of controls along the bottom of the panel, opened with Ctrl+F in the grid.
//
// Left to right: "Find:" with its text, Match case, Whole cell, In this column, Regular
// expression, Next, Previous,
// "Replace:" with its text, Replace, Replace all, Close. It is part of the panel, not a box of
// its own: the grid stays usable while it is open. In either text field Enter and F3 find the
// next match, Shift+Enter and Shift+F3 the previous one, and Esc closes the bar and gives the
// grid the focus. The controls are made when the bar is first opened and only hidden after.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>

#include "panel/control_ids.h"
#include "panel/grid_panel.h"
#include "panel/key_state.h"
#include "plugin/exception_barrier.h"

namespace {

constexpr UINT_PTR FIND_FIELD_SUBCLASS_ID = 3;

struct BarControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;  // WS_CHILD is added; WS_VISIBLE while the bar is shown
    int width;    // at 96 DPI
};

constexpr DWORD PUSH_BUTTON = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD CHECK_BOX = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD TEXT_FIELD = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

const std::array<BarControl, 13> BAR_CONTROLS{{
    {IDC_FIND_LABEL, L"STATIC", L"Find:", SS_CENTERIMAGE, 30},
    {IDC_FIND_TEXT, L"EDIT", L"", TEXT_FIELD, 160},
    {IDC_FIND_MATCH_CASE, L"BUTTON", L"Match case", CHECK_BOX, 84},
    {IDC_FIND_WHOLE_CELL, L"BUTTON", L"Whole cell", CHECK_BOX, 78},
    {IDC_FIND_IN_COLUMN, L"BUTTON", L"In this column", CHECK_BOX, 98},
    {IDC_FIND_REGEX, L"BUTTON", L"Regular expression", CHECK_BOX, 124},
    {IDC_FIND_NEXT, L"BUTTON", L"Next", PUSH_BUTTON, 48},
    {IDC_FIND_PREVIOUS, L"BUTTON", L"Previous", PUSH_BUTTON, 60},
    {IDC_REPLACE_LABEL, L"STATIC", L"Replace:", SS_CENTERIMAGE, 48},
    {IDC_REPLACE_TEXT, L"EDIT", L"", TEXT_FIELD, 120},
    {IDC_REPLACE, L"BUTTON", L"Replace", PUSH_BUTTON, 60},
    {IDC_REPLACE_ALL, L"BUTTON", L"Replace all", PUSH_BUTTON, 76},
    {IDC_FIND_CLOSE, L"BUTTON", L"Close", PUSH_BUTTON, 48},
}};

// Bar metrics at 96 DPI: the tool row's.
constexpr int BAR_MARGIN = 4;
constexpr int BAR_ROW_HEIGHT = 23;

// Enter finds in the bar's text fields and boxes; on a push button it presses the button.
bool enterFinds(HWND control) {
    wchar_t className[8] = {};
    GetClassNameW(control, className, 8);
    if (lstrcmpiW(className, L"Edit") == 0) {
        return true;
    }
    const LONG_PTR buttonType = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return buttonType != BS_PUSHBUTTON && buttonType != BS_DEFPUSHBUTTON;
}

}  // namespace

HWND GridPanel::findBarControl(int id) const {
    return panelWindow != nullptr ? GetDlgItem(panelWindow, id) : nullptr;
}

std::wstring GridPanel::findBarText(int id) const {
    const HWND field = findBarControl(id);
    if (field == nullptr) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(std::max(GetWindowTextLengthW(field), 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(GetWindowTextW(field, text.data(), static_cast<int>(text.size())), 0)));
    return text;
}

void GridPanel::showFindBar() {
    if (panelWindow == nullptr) {
        return;
    }
    if (findBarControl(IDC_FIND_TEXT) == nullptr) {
        for (const BarControl& control : BAR_CONTROLS) {
            const HWND window = CreateWindowExW(0, control.className, control.text, WS_CHILD | control.style, 0, 0,
                                                10, 10, panelWindow,
                                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), module,
                                                nullptr);
            if (window == nullptr) {
                continue;
            }
            SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
            if (control.style != SS_CENTERIMAGE) {
                SetWindowSubclass(window, findFieldProc, FIND_FIELD_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
            }
        }
    }
    findBarShown = true;
    for (const BarControl& control : BAR_CONTROLS) {
        if (const HWND window = findBarControl(control.id)) {
            ShowWindow(window, SW_SHOWNA);
        }
    }
    layoutControls();
    if (const HWND field = findBarControl(IDC_FIND_TEXT)) {
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
    }
}

void GridPanel::closeFindBar() {
    findBarShown = false;
    for (const BarControl& control : BAR_CONTROLS) {
        if (const HWND window = findBarControl(control.id)) {
            ShowWindow(window, SW_HIDE);
        }
    }
    layoutControls();
    if (gridList != nullptr) {
        SetFocus(gridList);
    }
}

int GridPanel::layoutFindBar(const RECT& client) {
    if (!findBarShown) {
        return 0;
    }
    const int margin = scaled(BAR_MARGIN);
    const int height = scaled(BAR_ROW_HEIGHT);
    // One row where the panel is wide enough for every control; else the Replace part goes on
    // a second row under the Find part.
    int needed = margin;
    for (const BarControl& control : BAR_CONTROLS) {
        needed += scaled(control.width) + margin;
    }
    const bool twoRows = needed > static_cast<int>(client.right);
    const int rows = twoRows ? 2 : 1;
    const int barTop = static_cast<int>(client.bottom) - rows * (height + margin);
    // A one-line edit box draws its text at its top: the text boxes are as high as their text
    // and its frame, centred on the row, so that their text is level with the labels'.
    const int fieldHeight = std::min(height, textFieldHeight());
    int x = margin;
    int top = barTop;
    for (const BarControl& control : BAR_CONTROLS) {
        if (twoRows && control.id == IDC_REPLACE_LABEL) {
            x = margin;
            top += height + margin;
        }
        const HWND window = findBarControl(control.id);
        if (window == nullptr) {
            continue;
        }
        const bool field = control.style == TEXT_FIELD;
        const int controlHeight = field ? fieldHeight : height;
        placeChild(window, x, top + (height - controlHeight) / 2, scaled(control.width), controlHeight);
        x += scaled(control.width) + margin;
    }
    return rows * (height + margin) + margin;
}

// The panel font's line, one pixel of space above and below it, and the frame's two edges.
int GridPanel::textFieldHeight() const {
    const int line = fontLineHeight();
    return (line > 0 ? line : scaled(BAR_ROW_HEIGHT)) + 2 * (scaled(1) + GetSystemMetrics(SM_CYBORDER));
}

bool GridPanel::onFindBarCommand(WORD controlId, WORD notification) {
    switch (controlId) {
    case IDC_FIND_NEXT:
        findNext(false);
        return true;
    case IDC_FIND_PREVIOUS:
        findNext(true);
        return true;
    case IDC_REPLACE:
        replaceCurrent();
        return true;
    case IDC_REPLACE_ALL:
        replaceAll();
        return true;
    case IDC_FIND_CLOSE:
        closeFindBar();
        return true;
    case IDCANCEL:
        // Esc on one of the bar's buttons or boxes: the dialog manager makes it IDCANCEL.
        if (findBarShown) {
            closeFindBar();
        }
        return true;
    case IDC_FIND_TEXT:
    case IDC_FIND_MATCH_CASE:
    case IDC_FIND_WHOLE_CELL:
    case IDC_FIND_IN_COLUMN:
    case IDC_FIND_REGEX:
        // Another query: the note of the last one no longer applies.
        if (notification == EN_CHANGE || notification == BN_CLICKED) {
            setFindNoteText(std::wstring());
        }
        return true;
    default:
        return false;
    }
}

namespace {

// Set on a text box whose last typing Ctrl+Z took back, so that Ctrl+Y may bring it again.
constexpr wchar_t UNDONE_PROPERTY[] = L"TabulonFindBoxUndone";

bool isTextBox(HWND window) {
    const int id = GetDlgCtrlID(window);
    return id == IDC_FIND_TEXT || id == IDC_REPLACE_TEXT;
}

// Ctrl+Z and Ctrl+Y in a text box. The box keeps one step, which its undo takes back and a
// second undo brings again: Ctrl+Z undoes only what was not undone, Ctrl+Y redoes only that.
void undoInBox(HWND window, bool redo) {
    const bool undone = GetPropW(window, UNDONE_PROPERTY) != nullptr;
    if (redo != undone || !SendMessageW(window, EM_CANUNDO, 0, 0)) {
        return;
    }
    SendMessageW(window, EM_UNDO, 0, 0);
    if (redo) {
        RemovePropW(window, UNDONE_PROPERTY);
    } else {
        SetPropW(window, UNDONE_PROPERTY, reinterpret_cast<HANDLE>(1));
    }
}

}  // namespace

// The bar's fields, boxes and buttons: F3 and Esc are the bar's wherever its focus is, and so
// is Enter except on a push button, which Enter presses; Ctrl+Z and Ctrl+Y undo and redo the
// typing in its text boxes.
LRESULT CALLBACK GridPanel::findFieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR /*subclassId*/, DWORD_PTR referenceData) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        GridPanel& panel = *reinterpret_cast<GridPanel*>(referenceData);
        switch (message) {
        case WM_GETDLGCODE: {
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const LRESULT code = DefSubclassProc(window, message, wParam, lParam);
            if (key != nullptr && key->message == WM_KEYDOWN &&
                ((key->wParam == VK_RETURN && enterFinds(window)) || key->wParam == VK_ESCAPE || key->wParam == VK_F3)) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN:
            if (isTextBox(window) && isHeld(VK_CONTROL) && !isHeld(VK_MENU) && (wParam == 'Z' || wParam == 'Y')) {
                undoInBox(window, wParam == 'Y' || isHeld(VK_SHIFT));
                return 0;
            }
            if ((wParam == VK_RETURN && enterFinds(window)) || wParam == VK_F3) {
                panel.findNext(isHeld(VK_SHIFT));
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                panel.closeFindBar();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L'\r' || wParam == 0x1B || wParam == 0x1A || wParam == 0x19) {
                return 0;  // no beep, and no second undo, for the keys handled above
            }
            if (isTextBox(window)) {
                RemovePropW(window, UNDONE_PROPERTY);  // new typing: nothing to redo
            }
            break;
        case WM_NCDESTROY:
            RemovePropW(window, UNDONE_PROPERTY);
            RemoveWindowSubclass(window, findFieldProc, FIND_FIELD_SUBCLASS_ID);
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}
