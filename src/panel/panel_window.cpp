// The panel window: its controls, their layout, and the dialog procedure that hands every
// message to the operation that does the work.
//
// The tool row along the top, left to right: Reload, Header row, Filter, "Delim:" with the delimiter
// box, + Row, - Row, + Col, - Col, Fit, and the status line taking the rest. The grid, an
// owner-drawn virtual list view, fills the panel below it. Every length is given at 96 DPI
// and goes through scaled().
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>

#include "panel/control_ids.h"
#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"
#include "panel/key_state.h"
#include "plugin/exception_barrier.h"
#include "plugin/host_interface.h"

namespace {

// The children, in creation order, which is also the tab order.
struct ChildControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;  // WS_CHILD and WS_VISIBLE are added to all
};

constexpr DWORD PUSH_BUTTON = WS_TABSTOP | BS_PUSHBUTTON;

const std::array<ChildControl, 12> CHILD_CONTROLS{{
    {IDC_RELOAD, L"BUTTON", L"Reload", PUSH_BUTTON},
    {IDC_HEADER_ROW, L"BUTTON", L"Header row", WS_TABSTOP | BS_AUTOCHECKBOX},
    {IDC_FILTER, L"BUTTON", L"Filter", WS_TABSTOP | BS_AUTOCHECKBOX},
    {IDC_DELIM_LABEL, L"STATIC", L"Delim:", SS_CENTERIMAGE},
    {IDC_DELIMITER, L"COMBOBOX", L"", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST},
    {IDC_ADD_ROW, L"BUTTON", L"+ Row", PUSH_BUTTON},
    {IDC_DELETE_ROW, L"BUTTON", L"- Row", PUSH_BUTTON},
    {IDC_ADD_COLUMN, L"BUTTON", L"+ Col", PUSH_BUTTON},
    {IDC_DELETE_COLUMN, L"BUTTON", L"- Col", PUSH_BUTTON},
    {IDC_FIT, L"BUTTON", L"Fit", PUSH_BUTTON},
    {IDC_STATUS, L"STATIC", L"", SS_ENDELLIPSIS | SS_CENTERIMAGE},
    {IDC_GRID_LIST, WC_LISTVIEWW, L"",
     WS_CLIPCHILDREN | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
         LVS_OWNERDRAWFIXED | LVS_OWNERDATA},
}};

// Initial size of a child; the layout places it. The combo box's height is its dropped-down
// height.
constexpr int CHILD_INITIAL_SIZE = 10;
constexpr int COMBO_INITIAL_HEIGHT = 200;

// The delimiter box's entries, in order; the box does not sort. Entry 0 turns detection on,
// the others choose a fixed delimiter.
struct DelimiterChoice {
    const wchar_t* text;
    char delimiter;
};
const std::array<DelimiterChoice, 5> DELIMITER_CHOICES{{
    {L"Auto", 0},
    {L", comma", ','},
    {L"; semicolon", ';'},
    {L"Tab", '\t'},
    {L"| pipe", '|'},
}};

// The entry that shows the settings in force. A delimiter that is none of the fixed entries
// shows "Auto", even though detection is off.
int delimiterChoiceIndex(bool autoDelimiter, char delimiter) {
    if (!autoDelimiter) {
        for (size_t i = 1; i < DELIMITER_CHOICES.size(); ++i) {
            if (DELIMITER_CHOICES[i].delimiter == delimiter) {
                return static_cast<int>(i);
            }
        }
    }
    return 0;
}

// Tool-row metrics at 96 DPI.
constexpr int TOOL_MARGIN = 4;
constexpr int TOOL_ROW_HEIGHT = 23;
constexpr int COMBO_LIST_ROWS = 8;  // the delimiter box's height, in tool-row heights
constexpr int STATUS_MIN_WIDTH = 20;

struct ToolWidth {
    int id;
    int width;
};
constexpr std::array<ToolWidth, 10> TOOL_WIDTHS{{
    {IDC_RELOAD, 56},
    {IDC_HEADER_ROW, 80},
    {IDC_FILTER, 52},
    {IDC_DELIM_LABEL, 34},
    {IDC_DELIMITER, 84},
    {IDC_ADD_ROW, 48},
    {IDC_DELETE_ROW, 48},
    {IDC_ADD_COLUMN, 48},
    {IDC_DELETE_COLUMN, 48},
    {IDC_FIT, 40},
}};

// Grid row height at 96 DPI: added to the font's height, or used alone without metrics.
constexpr int ROW_PADDING = 6;
constexpr int ROW_HEIGHT_WITHOUT_METRICS = 19;

// Below this, a DPI reported for the window is not believed.
constexpr int MIN_CREDIBLE_DPI = 72;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// GetDpiForWindow exists only on newer systems, so it is looked up once, at run time.
GetDpiForWindowFunction getDpiForWindow() {
    static const GetDpiForWindowFunction function = [] {
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        const FARPROC address = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
        return reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(address));
    }();
    return function;
}

int screenDpi() {
    WindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : 96;
}

static_assert(sizeof(NONCLIENTMETRICSW) == 504, "the system's message font lies in a 504-byte record");

}  // namespace

int GridPanel::scaled(int length) const {
    return MulDiv(length, dpi, 96);
}

void GridPanel::createControls() {
    // DPI and font are fixed for the life of the panel.
    const GetDpiForWindowFunction windowDpi = getDpiForWindow();
    const int reportedDpi = windowDpi != nullptr ? static_cast<int>(windowDpi(panelWindow)) : 0;
    dpi = reportedDpi >= MIN_CREDIBLE_DPI ? reportedDpi : screenDpi();

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        releaseFont();
        font = countedGdiObject(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    if (font == nullptr) {
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        fontIsStock = true;
    }
    pickLineBreakMark();

    for (const ChildControl& child : CHILD_CONTROLS) {
        const bool isCombo = child.id == IDC_DELIMITER;
        const HWND control = CreateWindowExW(
            0, child.className, child.text, WS_CHILD | WS_VISIBLE | child.style, 0, 0,
            CHILD_INITIAL_SIZE, isCombo ? COMBO_INITIAL_HEIGHT : CHILD_INITIAL_SIZE, panelWindow,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(child.id)), module, nullptr);
        if (control != nullptr && isCombo) {
            for (const DelimiterChoice& choice : DELIMITER_CHOICES) {
                SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.text));
            }
            attachDarkCombo(control);
        }
    }

    gridList = GetDlgItem(panelWindow, IDC_GRID_LIST);
    gridHeader = gridList != nullptr ? reinterpret_cast<HWND>(SendMessageW(gridList, LVM_GETHEADER, 0, 0)) : nullptr;
    shownArrow = ShownArrow();
    statusShown.reset();
    childPlaces.clear();
    paintColumns = PaintColumns();
    if (gridList != nullptr) {
        SendMessageW(gridList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
        SetWindowSubclass(gridList, gridInputProc, 1, reinterpret_cast<DWORD_PTR>(this));
        attachHeader();
    }

    for (const ChildControl& child : CHILD_CONTROLS) {
        if (const HWND control = GetDlgItem(panelWindow, child.id)) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
    }

    showSettingsInControls();
}

// The Header row box and the delimiter list show the settings in force.
void GridPanel::showSettingsInControls() {
    CheckDlgButton(panelWindow, IDC_HEADER_ROW, headerRow ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(panelWindow, IDC_FILTER, filterRowShown ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(panelWindow, IDC_DELIMITER, CB_SETCURSEL,
                        static_cast<WPARAM>(delimiterChoiceIndex(autoDelimiter, delimiter)), 0);
}

void GridPanel::layoutControls() {
    if (panelWindow == nullptr || gridList == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(panelWindow, &client);
    const int margin = scaled(TOOL_MARGIN);
    const int rowHeight = scaled(TOOL_ROW_HEIGHT);

    int x = margin;
    for (const ToolWidth& tool : TOOL_WIDTHS) {
        const HWND control = GetDlgItem(panelWindow, tool.id);
        if (control == nullptr) {
            continue;  // a control that could not be created takes no room
        }
        const int width = scaled(tool.width);
        const int height = tool.id == IDC_DELIMITER ? COMBO_LIST_ROWS * rowHeight : rowHeight;
        placeChild(control, x, margin, width, height);
        x += width + margin;
    }

    if (const HWND status = GetDlgItem(panelWindow, IDC_STATUS)) {
        const int width = std::max(static_cast<int>(client.right) - x - margin, scaled(STATUS_MIN_WIDTH));
        placeChild(status, x, margin, width, rowHeight);
    }

    const int gridTop = rowHeight + 2 * margin;
    const int findBarHeight = layoutFindBar(client);
    const int gridHeight = std::max(static_cast<int>(client.bottom) - gridTop - findBarHeight, 0);
    placeChild(gridList, 0, gridTop, client.right, gridHeight);
}

void GridPanel::placeChild(HWND child, int x, int y, int width, int height) {
    const RECT place{x, y, x + width, y + height};
    const auto placed = std::find_if(childPlaces.begin(), childPlaces.end(),
                                     [&](const std::pair<HWND, RECT>& known) { return known.first == child; });
    if (placed != childPlaces.end() && EqualRect(&placed->second, &place)) {
        return;
    }
    if (!SetWindowPos(child, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE)) {
        // Not known to be anywhere: the next layout places it again.
        if (placed != childPlaces.end()) {
            childPlaces.erase(placed);
        }
        return;
    }
    if (placed != childPlaces.end()) {
        placed->second = place;
    } else {
        childPlaces.emplace_back(child, place);
    }
}

INT_PTR CALLBACK GridPanel::panelDialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    return callGuarded<INT_PTR>(FALSE, [&]() -> INT_PTR {
        GridPanel* panel = nullptr;
        if (message == WM_INITDIALOG) {
            panel = reinterpret_cast<GridPanel*>(lParam);
            if (panel == nullptr) {
                return FALSE;
            }
            panel->panelWindow = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(panel));
        } else {
            panel = reinterpret_cast<GridPanel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        }
        if (panel == nullptr) {
            return FALSE;  // messages before WM_INITDIALOG and after WM_NCDESTROY
        }

        switch (message) {
        case WM_INITDIALOG:
            panel->createControls();
            panel->applyTheme();
            panel->layoutControls();
            SetTimer(window, WATCH_TIMER, WATCH_INTERVAL_MS, nullptr);
            return TRUE;
        case WM_SIZE:
            panel->layoutControls();
            return TRUE;
        case WM_COMMAND:
            return panel->onCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_NOTIFY:
            return panel->onNotify(reinterpret_cast<const NMHDR*>(lParam));
        case WM_TIMER:
            return panel->onRefreshTimer(wParam) || panel->onScanTimer(wParam) || panel->onWatchTimer(wParam) ||
                   panel->onTitleClickTimer(wParam) || panel->onBackgroundTimer(wParam);
        case WM_DRAWITEM:
            panel->drawGridRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_MEASUREITEM:
            if (lParam != 0) {
                panel->onMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            }
            return TRUE;
        case WM_ERASEBKGND:
            return panel->onEraseBackground(reinterpret_cast<HDC>(wParam));
        case WM_SETFOCUS:
            if (panel->gridList != nullptr) {
                SetFocus(panel->gridList);
            }
            return TRUE;
        case WM_DESTROY:
            panel->releaseBrushes();
            return TRUE;
        case WM_NCDESTROY:
            panel->onPanelDestroyed(window);
            return FALSE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            return panel->onControlColor(message, reinterpret_cast<HDC>(wParam));
        default:
            return FALSE;
        }
    });
}

bool GridPanel::onCommand(WORD controlId, WORD notification) {
    // A button does its work and hands the keyboard back to the grid, so typing goes on there.
    const auto backToGrid = [this]() {
        if (gridList != nullptr && cellEditor == nullptr) {
            SetFocus(gridList);
        }
    };
    switch (controlId) {
    case IDC_RELOAD:
        refreshGrid(true);
        backToGrid();
        return true;
    case IDC_HEADER_ROW:
        headerRow = IsDlgButtonChecked(panelWindow, IDC_HEADER_ROW) == BST_CHECKED;
        defaultHeaderRow = headerRow;
        currentRow = 0;
        refreshGrid(false);
        saveSettingsIfKnown();
        return true;
    case IDC_FILTER:
        showFilterRow(IsDlgButtonChecked(panelWindow, IDC_FILTER) == BST_CHECKED);
        return true;
    case IDC_DELIMITER:
        if (notification == CBN_SELCHANGE) {
            const LRESULT choice = SendDlgItemMessageW(panelWindow, IDC_DELIMITER, CB_GETCURSEL, 0, 0);
            autoDelimiter = choice == 0;
            if (choice >= 1 && choice < static_cast<LRESULT>(DELIMITER_CHOICES.size())) {
                delimiter = DELIMITER_CHOICES[static_cast<size_t>(choice)].delimiter;
                defaultDelimiter = delimiter;
            }
            defaultAutoDelimiter = autoDelimiter;
            refreshGrid(false);
            saveSettingsIfKnown();
        }
        return true;
    case IDC_ADD_ROW:
        addRow();
        backToGrid();
        return true;
    case IDC_DELETE_ROW:
        deleteRows();
        backToGrid();
        return true;
    case IDC_ADD_COLUMN:
        addColumn();
        backToGrid();
        return true;
    case IDC_DELETE_COLUMN:
        deleteColumn();
        backToGrid();
        return true;
    case IDC_FIT:
        autoFitColumns();
        backToGrid();
        return true;
    default:
        return onFindBarCommand(controlId, notification);
    }
}

bool GridPanel::onNotify(const NMHDR* header) {
    if (header == nullptr) {
        return false;
    }

    // The docking manager; the high bits of the code may name the container.
    if (hostWindow != nullptr && header->hwndFrom == hostWindow) {
        switch (header->code & 0xFFFF) {
        case DMN_CLOSE:
            if (panelClosedCallback != nullptr) {
                panelClosedCallback();
            }
            return true;
        case DMN_SWITCHIN:
            refreshGrid(true);
            return true;
        default:
            return false;
        }
    }

    if (gridList != nullptr && header->code == NM_CUSTOMDRAW) {
        const HWND listHeader = gridHeader;
        if (listHeader != nullptr && header->hwndFrom == listHeader) {
            setDialogResult(onHeaderCustomDraw(reinterpret_cast<const NMCUSTOMDRAW*>(header)));
            return true;
        }
    }

    if (header->code == NM_CUSTOMDRAW) {
        wchar_t className[16] = {};
        GetClassNameW(header->hwndFrom, className, 16);
        if (lstrcmpiW(className, WC_BUTTONW) == 0) {
            setDialogResult(onButtonCustomDraw(reinterpret_cast<const NMCUSTOMDRAW*>(header)));
            return true;
        }
    }

    if (header->idFrom == IDC_GRID_LIST) {
        setDialogResult(0);
        switch (header->code) {
        case LVN_BEGINSCROLL:
            if (cellEditor != nullptr) {
                commitCellEdit(MOVE_NONE, true);
            }
            return true;
        case LVN_GETDISPINFOW:
            serveItemText(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header)));
            return true;
        case LVN_ODCACHEHINT:
            return true;
        case LVN_ITEMCHANGED:
            onItemChanged(reinterpret_cast<const NMLISTVIEW*>(header));
            return true;
        case LVN_COLUMNCLICK: {
            // A click on a column title sorts by that column; with Ctrl held it selects the
            // column, as Ctrl+Space does from the keyboard.
            const int listColumn = reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem;
            if (isHeld(VK_CONTROL)) {
                selectColumn(listColumn);
            } else {
                onTitleClick(listColumn);
            }
            SetFocus(gridList);
            return true;
        }
        default:
            return false;
        }
    }
    return false;
}

void GridPanel::onMeasureItem(MEASUREITEMSTRUCT* measure) {
    const int line = fontLineHeight();
    measure->itemHeight = static_cast<UINT>(line > 0 ? line + scaled(ROW_PADDING) : scaled(ROW_HEIGHT_WITHOUT_METRICS));
}

int GridPanel::fontLineHeight() const {
    WindowDC dc(panelWindow);
    if (!dc) {
        return 0;
    }
    SelectedObject selectedFont(dc.get(), font);
    TEXTMETRICW metrics{};
    return GetTextMetricsW(dc.get(), &metrics) ? static_cast<int>(metrics.tmHeight) : 0;
}

bool GridPanel::onEraseBackground(HDC dc) {
    if (panelBrush == nullptr) {
        return false;  // the dialog's default erasing
    }
    RECT client{};
    GetClientRect(panelWindow, &client);
    FillRect(dc, &client, panelBrush);
    setDialogResult(1);
    return true;
}

// In light mode the controls keep the system's colours; in dark mode every colour request is
// answered from the theme.
INT_PTR GridPanel::onControlColor(UINT message, HDC dc) {
    if (!darkMode) {
        return FALSE;
    }
    SetTextColor(dc, colors.text);
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) {
        SetBkColor(dc, colors.alternateBackground);
        return reinterpret_cast<INT_PTR>(editBrush);
    }
    SetBkColor(dc, colors.background);
    return reinterpret_cast<INT_PTR>(panelBrush);
}

// The panel window is gone (at shut-down, or destroyed by the host): forget it and its
// children, so that nothing later reaches a dead window.
void GridPanel::onPanelDestroyed(HWND window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (window != panelWindow) {
        return;
    }
    panelWindow = nullptr;
    gridList = nullptr;
    gridHeader = nullptr;
    cellEditor = nullptr;
    editRow = -1;
    editColumn = -1;
    editStartText.clear();
}

void GridPanel::releaseFont() {
    if (!fontIsStock) {
        deleteGdiObject(font);
    }
    font = nullptr;
    fontIsStock = false;
}

void GridPanel::setDialogResult(LRESULT result) {
    SetWindowLongPtrW(panelWindow, DWLP_MSGRESULT, result);
}
