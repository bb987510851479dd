// Dark mode in the real host: every part of the panel dark (by the colour that fills most of
// each part), the current cell still marked, and a mode switch while the host runs followed.
#include "scenario_steps.h"
#include "window_tree.h"

#include "pixels.h"

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace driver {

namespace {

constexpr int IDC_RELOAD = 2602;
constexpr int IDC_DELIMITER = 2604;
constexpr int IDC_FIT = 2609;
constexpr int IDC_DELIM_LABEL = 2612;
constexpr WPARAM IDM_SETTING_PREFERENCE = 48011;

struct Part {
    std::string name;
    COLORREF color;  // the colour that fills most of the part
};

double luminance(COLORREF color) {
    return 0.299 * GetRValue(color) + 0.587 * GetGValue(color) + 0.114 * GetBValue(color);
}

std::string colorText(COLORREF color) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

// A window's rectangle in the panel's client coordinates, shrunk by `inset`.
RECT rectIn(HWND panel, HWND window, int inset) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
    InflateRect(&rect, -inset, -inset);
    return rect;
}

// The parts of the panel as painted now: its background, the controls, the header strip
// beyond the last column, the list below its rows, a row and the current row.
std::vector<Part> panelParts() {
    std::vector<Part> parts;
    const HWND panel = findPanel();
    const HWND list = panelControl(IDC_GRID_LIST);
    if (panel == nullptr || list == nullptr) {
        return parts;
    }
    const devhost::Pixels pixels = devhost::capturePixels(panel, true);
    if (pixels.empty()) {
        return parts;
    }
    RECT client{};
    GetClientRect(panel, &client);
    parts.push_back({"panel background", devhost::dominantColor(pixels, RECT{0, 0, client.right, 6})});
    for (int id = IDC_RELOAD; id <= IDC_DELIM_LABEL; ++id) {
        const HWND control = GetDlgItem(panel, id);
        if (control != nullptr && id != IDC_GRID_LIST && id != 2611 && IsWindowVisible(control)) {
            wchar_t className[32] = {};
            GetClassNameW(control, className, 32);
            parts.push_back({"control " + std::to_string(id) + " (" + utf8(className) + " \"" +
                                 utf8(windowText(control)) + "\")",
                             devhost::dominantColor(pixels, rectIn(panel, control, 2))});
        }
    }
    // The delimiter list's face just inside its frame, and its drop button: a drop-down list
    // draws both in the system's colours unless the panel paints them.
    if (const HWND combo = GetDlgItem(panel, IDC_DELIMITER)) {
        const RECT face = rectIn(panel, combo, 0);
        parts.push_back({"delimiter list inside its frame",
                         devhost::dominantColor(pixels, RECT{face.left + 2, face.top + 1, face.right - 2, face.top + 3})});
        parts.push_back({"delimiter list's drop button",
                         devhost::dominantColor(pixels, RECT{face.right - GetSystemMetrics(SM_CXVSCROLL) + 2,
                                                             face.top + 2, face.right - 2, face.bottom - 2})});
    }
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = header == nullptr ? 0 : static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    if (columns > 0) {
        RECT last{};
        SendMessageW(header, HDM_GETITEMRECT, columns - 1, reinterpret_cast<LPARAM>(&last));
        RECT strip = rectIn(panel, header, 0);
        strip.left += last.right + 3;
        strip.top += 2;
        strip.bottom -= 2;
        if (strip.right - strip.left > 8) {
            parts.push_back({"header strip beyond the last column", devhost::dominantColor(pixels, strip)});
        }
        RECT first{};
        SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
        RECT title = rectIn(panel, header, 0);
        title.right = title.left + last.right;
        title.top += 2;
        title.bottom -= 2;
        parts.push_back({"column titles", devhost::dominantColor(pixels, title)});
    }
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const int current = listFocusedItem();
    RECT listRect = rectIn(panel, list, 3);
    if (rows > 0) {
        RECT lastRow{LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, rows - 1, reinterpret_cast<LPARAM>(&lastRow));
        RECT below = listRect;
        below.top = rectIn(panel, list, 0).top + lastRow.bottom + 4;
        if (below.bottom - below.top > 8) {
            parts.push_back({"list below the rows", devhost::dominantColor(pixels, below)});
        }
        // The first data column of the first rows: the current cell (row 1, column 1 as the
        // panel opens) and the cells below it, inside the current cell's frame.
        for (int row = 0; row < rows && row < 3; ++row) {
            RECT item{LVIR_BOUNDS, 1, 0, 0};
            SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&item));
            MapWindowPoints(list, panel, reinterpret_cast<POINT*>(&item), 2);
            InflateRect(&item, -3, -3);
            parts.push_back({row == current ? "current cell" : "cell of row " + std::to_string(row),
                             devhost::dominantColor(pixels, item)});
        }
    }
    return parts;
}

// The parts painted in the other mode's colours (all of them when `dark` is unknown), and the
// rows, which the current-row check compares.
std::string partsText(const std::vector<Part>& parts, int dark = -1) {
    std::string text;
    for (const Part& part : parts) {
        const bool isDark = luminance(part.color) < 110;
        const bool row = part.name == "current cell" || part.name.rfind("cell of row ", 0) == 0;
        if (dark < 0 || row || (dark <= 1 && isDark != (dark == 1))) {
            text += (text.empty() ? "" : "; ") + part.name + " " + colorText(part.color);
        }
    }
    return text.empty() ? "no parts found" : text;
}

// Every part dark (or light), and the current row apart from the other rows.
bool allParts(bool dark, const std::vector<Part>& parts) {
    if (parts.size() < 8) {
        return false;
    }
    for (const Part& part : parts) {
        const bool isDark = luminance(part.color) < 110;
        if (part.name == "current cell") {
            continue;
        }
        if (isDark != dark) {
            return false;
        }
    }
    return true;
}

// The current cell stands apart from the cells below it by at least 20 levels a channel on
// average, as the light mode's highlight does by far.
bool currentCellMarked(const std::vector<Part>& parts) {
    COLORREF current = CLR_INVALID;
    std::vector<COLORREF> others;
    for (const Part& part : parts) {
        if (part.name == "current cell") {
            current = part.color;
        } else if (part.name.rfind("cell of row ", 0) == 0) {
            others.push_back(part.color);
        }
    }
    if (current == CLR_INVALID || others.empty()) {
        return false;
    }
    for (const COLORREF other : others) {
        const int distance = std::abs(GetRValue(current) - GetRValue(other)) +
                             std::abs(GetGValue(current) - GetGValue(other)) +
                             std::abs(GetBValue(current) - GetBValue(other));
        if (distance < 60) {
            return false;
        }
    }
    return true;
}

Step expectParts(std::string name, bool dark) {
    return expect(std::move(name), [dark] { return allParts(dark, panelParts()); },
                  [dark] { return partsText(panelParts(), dark ? 1 : 0); }, 2000);
}

Step expectCurrentCellMarked(std::string name) {
    return expect(std::move(name), [] { return currentCellMarked(panelParts()); },
                  [] { return partsText(panelParts(), 2); }, 2000);
}

struct ButtonSearch {
    const wchar_t* text;
    HWND found;
};

BOOL CALLBACK matchButton(HWND child, LPARAM search) {
    auto* s = reinterpret_cast<ButtonSearch*>(search);
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (lstrcmpiW(className, L"Button") == 0 && windowText(child) == s->text) {
        s->found = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK searchTopWindow(HWND top, LPARAM search) {
    EnumChildWindows(top, matchButton, search);
    return reinterpret_cast<ButtonSearch*>(search)->found == nullptr;
}

BOOL CALLBACK addVisibleTree(HWND window, LPARAM tree) {
    if (IsWindowVisible(window)) {
        *reinterpret_cast<std::string*>(tree) += windowTree(window) + " || ";
    }
    return TRUE;
}

// The host's Preferences dialog, found by its dark-mode choice.
HWND findButton(const wchar_t* text) {
    ButtonSearch search{text, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), searchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Switches the host's mode as a user does in Preferences > Dark Mode.
Scenario switchMode(bool dark) {
    return {
        act("open Preferences", [] { PostMessageW(hostWindows().main, WM_COMMAND, IDM_SETTING_PREFERENCE, 0); }),
        require(std::string("Preferences offers \"") + (dark ? "Dark mode" : "Light mode") + "\"",
                [dark] { return findButton(dark ? L"Dark mode" : L"Light mode") != nullptr; },
                [] {
                    std::string tree;
                    EnumThreadWindows(GetCurrentThreadId(), addVisibleTree, reinterpret_cast<LPARAM>(&tree));
                    return tree;
                }),
        act("choose it", [dark] { SendMessageW(findButton(dark ? L"Dark mode" : L"Light mode"), BM_CLICK, 0, 0); }),
        pause(300),
        act("close Preferences",
            [dark] {
                const HWND button = findButton(dark ? L"Dark mode" : L"Light mode");
                HWND dialog = button;
                while (dialog != nullptr && (GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD)) {
                    dialog = GetParent(dialog);
                }
                if (dialog != nullptr) {
                    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                }
            }),
        pause(300),
    };
}

Scenario darkModeScenario() {
    return {
        openPanel(),
        pause(300),
        expectParts("in dark mode every part of the panel is dark", true),
        expectCurrentCellMarked("the current cell is marked in dark mode"),
    };
}

Scenario darkModeSwitchScenario() {
    Scenario steps{openPanel(), pause(300), expectParts("in light mode every part of the panel is light", false),
                   expectCurrentCellMarked("the current cell is marked in light mode")};
    append(steps, switchMode(true));
    steps.push_back(expectParts("after switching to dark mode every part is dark", true));
    steps.push_back(expectCurrentCellMarked("the current cell is marked after the switch"));
    append(steps, switchMode(false));
    steps.push_back(expectParts("after switching back every part is light again", false));
    return steps;
}

}  // namespace

void addThemeScenarios() {
    registerScenario("dark-mode", darkModeScenario);
    registerScenario("dark-mode-switch", darkModeSwitchScenario);
}

}  // namespace driver
