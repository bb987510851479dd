// The panel's push buttons and its check box in dark mode, painted through their custom-draw
// requests. A themed button ignores the colour the panel answers WM_CTLCOLORBTN with and draws
// its light face, so in dark mode the panel paints the whole button itself; in light mode the
// system draws it.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"

namespace {

// Lengths at 96 DPI, scaled when used.
constexpr int CHECK_BOX_SIZE = 13;
constexpr int CHECK_TEXT_GAP = 4;

// The ticked box's mark, in 13ths of the box from its top-left corner.
constexpr POINT CHECK_MARK[] = {{3, 6}, {5, 9}, {10, 3}};

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

// Halfway between two colours, channel by channel: the text of a disabled button.
COLORREF halfway(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
               (GetBValue(a) + GetBValue(b)) / 2);
}

void frameRect(HDC dc, const RECT& area, COLORREF color) {
    ScopedPen pen(CreatePen(PS_SOLID, 1, color));
    SelectedObject selectedPen(dc, pen.get());
    SelectedObject selectedBrush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, area.left, area.top, area.right, area.bottom);
}

}  // namespace

LRESULT GridPanel::onButtonCustomDraw(const NMCUSTOMDRAW* draw) {
    if (!darkMode || draw == nullptr) {
        return CDRF_DODEFAULT;
    }
    // Some systems ask before erasing and stop there when told to skip, others only before
    // painting: the button is painted whole at whichever request comes.
    if (draw->dwDrawStage != CDDS_PREERASE && draw->dwDrawStage != CDDS_PREPAINT) {
        return CDRF_DODEFAULT;
    }
    const HWND button = draw->hdr.hwndFrom;
    const LONG_PTR type = GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) {
        drawDarkCheckBox(draw);
    } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        drawDarkPushButton(draw);
    } else {
        return CDRF_DODEFAULT;
    }
    return CDRF_SKIPDEFAULT;
}

void GridPanel::drawDarkPushButton(const NMCUSTOMDRAW* draw) {
    const HDC dc = draw->hdc;
    const bool disabled = (draw->uItemState & CDIS_DISABLED) != 0;
    const bool pressed = (draw->uItemState & CDIS_SELECTED) != 0;
    const bool hot = (draw->uItemState & CDIS_HOT) != 0;
    fillSolid(dc, draw->rc, pressed ? colors.background : hot ? colors.selectionBackground : colors.alternateBackground);
    frameRect(dc, draw->rc, disabled ? colors.gridLine : halfway(colors.gridLine, colors.text));

    const HFONT buttonFont = reinterpret_cast<HFONT>(SendMessageW(draw->hdr.hwndFrom, WM_GETFONT, 0, 0));
    SelectedObject selectedFont(dc, buttonFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? halfway(colors.text, colors.alternateBackground) : colors.text);
    RECT textArea = draw->rc;
    const std::wstring text = windowText(draw->hdr.hwndFrom);
    DrawTextW(dc, text.c_str(), -1, &textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if ((draw->uItemState & CDIS_FOCUS) != 0) {
        RECT focus = draw->rc;
        InflateRect(&focus, -scaled(3), -scaled(3));
        DrawFocusRect(dc, &focus);
    }
}

void GridPanel::drawDarkCheckBox(const NMCUSTOMDRAW* draw) {
    const HDC dc = draw->hdc;
    const HWND button = draw->hdr.hwndFrom;
    const bool disabled = (draw->uItemState & CDIS_DISABLED) != 0;
    fillSolid(dc, draw->rc, colors.background);

    const int size = scaled(CHECK_BOX_SIZE);
    RECT box{draw->rc.left, 0, draw->rc.left + size, 0};
    box.top = draw->rc.top + (draw->rc.bottom - draw->rc.top - size) / 2;
    box.bottom = box.top + size;
    fillSolid(dc, box, colors.alternateBackground);
    frameRect(dc, box, disabled ? colors.gridLine : halfway(colors.gridLine, colors.text));
    if (SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        ScopedPen mark(CreatePen(PS_SOLID, scaled(2), colors.text));
        SelectedObject selectedMark(dc, mark.get());
        POINT points[3];
        for (int i = 0; i < 3; ++i) {
            points[i] = POINT{box.left + CHECK_MARK[i].x * size / CHECK_BOX_SIZE,
                              box.top + CHECK_MARK[i].y * size / CHECK_BOX_SIZE};
        }
        Polyline(dc, points, 3);
    }

    const HFONT buttonFont = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
    SelectedObject selectedFont(dc, buttonFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? halfway(colors.text, colors.background) : colors.text);
    RECT textArea = draw->rc;
    textArea.left = box.right + scaled(CHECK_TEXT_GAP);
    const std::wstring text = windowText(button);
    RECT measured = textArea;
    DrawTextW(dc, text.c_str(), -1, &measured, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    DrawTextW(dc, text.c_str(), -1, &textArea, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if ((draw->uItemState & CDIS_FOCUS) != 0) {
        RECT focus{textArea.left - 1, textArea.top + (textArea.bottom - textArea.top - (measured.bottom - measured.top)) / 2 - 1,
                   measured.right + 1, 0};
        focus.bottom = focus.top + (measured.bottom - measured.top) + 2;
        DrawFocusRect(dc, &focus);
    }
}
