// The delimiter list's closed face in dark mode, painted by the panel. A drop-down list without
// its visual style fills its text area with the colour the panel answers, but frames it and
// draws its drop button in the system's light colours; so in dark mode the panel paints the
// whole face itself, and in light mode the system does. The open list is the system's, in the
// colours of the list-box colour request.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"
#include "plugin/exception_barrier.h"

namespace {

constexpr UINT_PTR DARK_COMBO_SUBCLASS_ID = 2;

// Lengths at 96 DPI, scaled when used.
constexpr int TEXT_INSET = 4;
constexpr int ARROW_HALF_WIDTH = 4;

COLORREF halfway(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
               (GetBValue(a) + GetBValue(b)) / 2);
}

std::wstring selectedText(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) {
        return {};
    }
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

}  // namespace

void GridPanel::attachDarkCombo(HWND combo) {
    SetWindowSubclass(combo, darkComboProc, DARK_COMBO_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK GridPanel::darkComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR /*subclassId*/, DWORD_PTR referenceData) {
    return callGuarded<LRESULT>(0, [&]() -> LRESULT {
        GridPanel& panel = *reinterpret_cast<GridPanel*>(referenceData);
        switch (message) {
        case WM_PAINT:
            if (panel.darkMode) {
                PAINTSTRUCT paint{};
                const HDC dc = BeginPaint(window, &paint);
                if (dc != nullptr) {
                    panel.drawDarkCombo(window, dc);
                }
                EndPaint(window, &paint);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (panel.darkMode) {
                return 1;
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case CB_SETCURSEL:
        case WM_LBUTTONUP: {
            // The face shows the focus and the choice: repaint it whole after the system's
            // own partial drawing.
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            if (panel.darkMode) {
                InvalidateRect(window, nullptr, FALSE);
            }
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, darkComboProc, DARK_COMBO_SUBCLASS_ID);
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    });
}

void GridPanel::drawDarkCombo(HWND combo, HDC dc) {
    RECT face{};
    GetClientRect(combo, &face);
    const bool enabled = IsWindowEnabled(combo) != FALSE;
    const bool focused = GetFocus() == combo;
    const bool open = SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;

    fillSolid(dc, face, colors.alternateBackground);
    {
        ScopedPen edge(CreatePen(PS_SOLID, 1, enabled ? halfway(colors.gridLine, colors.text) : colors.gridLine));
        SelectedObject selectedPen(dc, edge.get());
        SelectedObject selectedBrush(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, face.left, face.top, face.right, face.bottom);
    }

    // The drop button: a chevron in the right-hand square, set off by a line.
    const int buttonWidth = GetSystemMetrics(SM_CXVSCROLL);
    RECT button{face.right - buttonWidth, face.top + 1, face.right - 1, face.bottom - 1};
    if (open) {
        fillSolid(dc, button, colors.background);
    }
    const COLORREF arrowColor = enabled ? colors.text : halfway(colors.text, colors.alternateBackground);
    {
        ScopedPen arrow(CreatePen(PS_SOLID, scaled(1) + 1, arrowColor));
        SelectedObject selectedPen(dc, arrow.get());
        const int half = scaled(ARROW_HALF_WIDTH);
        const int middleX = (button.left + button.right) / 2;
        const int middleY = (button.top + button.bottom) / 2;
        POINT chevron[3] = {{middleX - half, middleY - half / 2},
                            {middleX, middleY + half / 2},
                            {middleX + half, middleY - half / 2}};
        Polyline(dc, chevron, 3);
    }

    RECT textArea{face.left + scaled(TEXT_INSET), face.top + 1, button.left - 1, face.bottom - 1};
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0));
    SelectedObject selectedFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? colors.text : halfway(colors.text, colors.alternateBackground));
    const std::wstring text = selectedText(combo);
    DrawTextW(dc, text.c_str(), -1, &textArea, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (focused && !open) {
        RECT focus{face.left + 2, face.top + 2, button.left - 1, face.bottom - 2};
        DrawFocusRect(dc, &focus);
    }
}
