// Pictures of the host with the panel open, for the demo and the README: the whole main
// window saved as a BMP file at TABULON_SCREENSHOT.
#include "scenario_steps.h"

#include "plugin/host_interface.h"

#include "pixels.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace driver {

namespace {

std::wstring screenshotPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TABULON_SCREENSHOT", path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path);
}

bool saveScreenshot(const devhost::Pixels& pixels) {
    const std::wstring path = screenshotPath();
    return !path.empty() && devhost::saveBmp(pixels, path);
}

std::string screenshotTrouble() {
    return std::string("TABULON_SCREENSHOT is ") + (screenshotPath().empty() ? "not set" : "not writable");
}

Scenario screenshotScenario() {
    return {
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        act("select a cell", [] { PostMessageW(panelControl(IDC_GRID_LIST), WM_KEYDOWN, VK_DOWN, 0); }),
        pause(800),
        expect("the host's window is saved as a picture",
               [] {
                   return saveScreenshot(devhost::capturePixels(hostWindows().main, true));
               },
               screenshotTrouble),
    };
}

// The same with the sample sorted by a title click (the arrow on Total) and the find bar open
// on a query it found.
Scenario sortFindScreenshotScenario() {
    return {
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        attempt("click the Total title", [] {
            const HWND header = reinterpret_cast<HWND>(SendMessageW(panelControl(IDC_GRID_LIST), LVM_GETHEADER, 0, 0));
            RECT item{};
            if (header == nullptr || !SendMessageW(header, HDM_GETITEMRECT, 8, reinterpret_cast<LPARAM>(&item))) {
                return false;
            }
            postClick(header, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
            return true;
        }),
        pause(900),  // a title click sorts once the double-click time is over
        focusGrid(),
        pressKey("press Ctrl+F", 'F', CTRL),
        typeText("type a query", "gadget"),
        pressKey("press Enter", VK_RETURN),
        pause(800),
        expect("the host's window is saved as a picture",
               [] {
                   return saveScreenshot(devhost::capturePixels(hostWindows().main, true));
               },
               screenshotTrouble),
    };
}

// The panel part-way through a large document: no rows yet, the progress in the status line.
// The reading goes on without a message taken from the host's loop, and the status line paints
// each new text at once; so the picture is taken by a hook when the status line is given its
// first text past 30 %, and shows the text before that one.
struct ReadingPicture {
    HHOOK hook = nullptr;
    bool saved = false;
};

ReadingPicture& readingPicture() {
    static ReadingPicture picture;
    return picture;
}

int readingPercent(const wchar_t* status) {
    const std::wstring text = status != nullptr ? status : L"";
    const std::wstring prefix = L"Reading the document... ";
    return text.rfind(prefix, 0) == 0 ? std::stoi(text.substr(prefix.size())) : -1;
}

LRESULT CALLBACK pictureWhileReading(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    ReadingPicture& picture = readingPicture();
    if (code == HC_ACTION && sent != nullptr && sent->message == WM_SETTEXT && !picture.saved &&
        sent->hwnd == panelControl(IDC_STATUS) && readingPercent(reinterpret_cast<const wchar_t*>(sent->lParam)) >= 30) {
        picture.saved = saveScreenshot(devhost::capturePixels(hostWindows().main));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

Scenario readingScreenshotScenario() {
    return {
        act("watch for the progress", [] {
            readingPicture().hook = SetWindowsHookExW(WH_CALLWNDPROC, pictureWhileReading, nullptr, GetCurrentThreadId());
        }),
        openPanel(),
        require("the rows are shown once it is read", [] { return listItemCount() > 0; }, {}, 60000),
        act("stop watching", [] {
            UnhookWindowsHookEx(readingPicture().hook);
            readingPicture().hook = nullptr;
        }),
        expect("the host's window was saved as a picture part-way through the reading",
               [] { return readingPicture().saved; },
               screenshotTrouble),
        pause(800),
        // The buttons the reading turned off, drawn on again: saved beside the first picture.
        expect("the host's window is saved as a picture once the rows are shown",
               [] {
                   std::wstring path = screenshotPath();
                   const size_t dot = path.rfind(L'.');
                   path.insert(dot == std::wstring::npos ? path.size() : dot, L"-read");
                   return devhost::saveBmp(devhost::capturePixels(hostWindows().main, true), path);
               },
               screenshotTrouble),
    };
}


// A title renamed by a double-click on it: the editor over the title, then the new title.
Scenario titleRenameScreenshotScenario() {
    return {
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        clickCell(1, 2),
        doubleClickTitle(2),
        typeText("type a new title", "Customer name"),
        pressKey("press Enter", VK_RETURN),
        pause(800),
        expect("the host's window is saved as a picture",
               [] { return saveScreenshot(devhost::capturePixels(hostWindows().main, true)); }, screenshotTrouble),
    };
}

// The sample with two flawed rows: their marks in the row numbers, and a range of Quantity
// with its figures in the status line. The host's window takes the screen's width, so that the
// status line shows the figures whole.
Scenario dataToolsScreenshotScenario() {
    return {
        act("widen the host's window to the screen", [] {
            RECT screen{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
            MoveWindow(hostWindows().main, 0, 0, screen.right - screen.left, 700, TRUE);
        }),
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        expectStatusShows("the status line counts the two problems", L"2 problems"),
        clickCell(1, 6),
        pressKey("extend the range down with Shift+Down", VK_DOWN, SHIFT),
        pressKey("and again", VK_DOWN, SHIFT),
        pressKey("and again", VK_DOWN, SHIFT),
        pressKey("and again", VK_DOWN, SHIFT),
        expectStatusShows("the status line shows the range's figures", L"Count 5  Sum 814"),
        pause(800),
        expect("the host's window is saved as a picture",
               [] { return saveScreenshot(devhost::capturePixels(hostWindows().main, true)); }, screenshotTrouble),
    };
}

// The sample filtered to the paid orders ("Filter by this value" on Paid), its Unit price
// hidden, its Order column frozen and the rest scrolled sideways beneath it.
Scenario viewScreenshotScenario() {
    return {
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        clickCell(0, 9),
        pressKey("press the Menu key", VK_APPS),
        pause(300),
        pressKey("choose Filter by this value", 'U'),
        expectStatusShows("the paid orders are shown", L" of 3,000 rows"),
        clickCell(0, 7),
        pressKey("hide Unit price with Ctrl+0", '0', CTRL),
        clickCell(0, 1),
        pressKey("select the Order column with Ctrl+Space", VK_SPACE, CTRL),
        pressKey("press the Menu key", VK_APPS),
        pause(300),
        pressKey("choose Freeze columns up to here", 'Z'),
        act("scroll sideways", [] {
            for (int step = 0; step < 12; ++step) {
                SendMessageW(panelControl(IDC_GRID_LIST), WM_HSCROLL, SB_LINERIGHT, 0);
            }
        }),
        clickCell(1, 4),
        pause(800),
        expect("the host's window is saved as a picture",
               [] { return saveScreenshot(devhost::capturePixels(hostWindows().main, true)); }, screenshotTrouble),
    };
}

// The colour that fills most of a combo box's open list, as the screen shows it.
COLORREF openListColor(HWND combo) {
    RECT list{};
    if (combo == nullptr || !SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) {
        return CLR_INVALID;
    }
    // Some combo boxes answer this with CB_OKAY, which is 0: the rectangle tells.
    SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
    // Below the face, which the box paints itself.
    RECT face{};
    GetWindowRect(combo, &face);
    list.top = std::max(list.top, face.bottom);
    const devhost::Pixels pixels = devhost::captureScreen(list);
    return devhost::dominantColor(pixels, RECT{0, 0, pixels.width, pixels.height});
}

bool isDark(COLORREF color) {
    return color != CLR_INVALID && GetRValue(color) + GetGValue(color) + GetBValue(color) < 3 * 0x60;
}

// The Sort by box with a list open, clicked open as the mouse does: in dark mode the open
// lists are dark like the panel, not the system's white. The picture, when TABULON_SCREENSHOT
// is set, shows the box with its first list open.
Scenario sortByLookScenario() {
    constexpr int IDC_SORT_COLUMN_FIRST = 2650;
    constexpr int IDC_SORT_DIRECTION_FIRST = 2660;
    const auto box = [] { return FindWindowW(L"#32770", L"Sort by"); };
    const auto clickOpen = [box](int id) {
        return attempt("click the list " + std::to_string(id) + " open", [box, id] {
            const HWND list = GetDlgItem(box(), id);
            RECT face{};
            if (list == nullptr || !GetClientRect(list, &face)) {
                return false;
            }
            postClick(list, POINT{face.right - 8, face.bottom / 2});
            return true;
        });
    };
    const auto expectListLook = [box](int id) {
        auto seen = std::make_shared<COLORREF>(CLR_INVALID);
        return expect(
            "the open list " + std::to_string(id) + " is as dark as the panel, or light in light mode",
            [box, id, seen] {
                *seen = openListColor(GetDlgItem(box(), id));
                const bool hostDark = SendMessageW(hostWindows().main, NPPM_ISDARKMODEENABLED, 0, 0) != 0;
                return *seen != CLR_INVALID && isDark(*seen) == hostDark;
            },
            [seen] {
                char detail[48];
                std::snprintf(detail, sizeof detail, "the list is mostly #%06lX", static_cast<unsigned long>(*seen));
                return std::string(detail);
            });
    };
    return {
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        clickCell(1, 2),
        pressKey("press the Menu key in the grid", VK_APPS),
        pause(300),
        pressKey("choose Sort by... by its mnemonic", 'Y'),
        require("the Sort by box opens", [box] { return box() != nullptr; }),
        clickOpen(IDC_SORT_COLUMN_FIRST),
        pause(500),
        expectListLook(IDC_SORT_COLUMN_FIRST),
        expect("the box and its list are saved as a picture when asked for",
               [box] {
                   RECT area{};
                   RECT list{};
                   if (!GetWindowRect(box(), &area)) {
                       return false;
                   }
                   SendMessageW(GetDlgItem(box(), IDC_SORT_COLUMN_FIRST), CB_GETDROPPEDCONTROLRECT, 0,
                                reinterpret_cast<LPARAM>(&list));
                   UnionRect(&area, &area, &list);
                   return screenshotPath().empty() || saveScreenshot(devhost::captureScreen(area));
               },
               screenshotTrouble),
        act("close the list", [box] {
            PostMessageW(GetDlgItem(box(), IDC_SORT_COLUMN_FIRST), CB_SHOWDROPDOWN, FALSE, 0);
        }),
        pause(300),
        clickOpen(IDC_SORT_DIRECTION_FIRST + 1),
        pause(500),
        expectListLook(IDC_SORT_DIRECTION_FIRST + 1),
        act("close the list and the box", [box] {
            PostMessageW(GetDlgItem(box(), IDC_SORT_DIRECTION_FIRST + 1), CB_SHOWDROPDOWN, FALSE, 0);
            PostMessageW(box(), WM_COMMAND, IDCANCEL, 0);
        }),
        expect("the box is closed", [box] { return box() == nullptr; }),
    };
}

// The colour that fills most of a window's vertical scroll bar, as the screen shows it;
// CLR_INVALID when it has none.
COLORREF scrollBarColor(HWND window) {
    RECT frame{};
    RECT client{};
    if (window == nullptr || !GetWindowRect(window, &frame) || !GetClientRect(window, &client)) {
        return CLR_INVALID;
    }
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT bar{client.right, client.top, client.right + GetSystemMetrics(SM_CXVSCROLL), client.bottom};
    if (bar.right > frame.right) {
        return CLR_INVALID;
    }
    const devhost::Pixels pixels = devhost::captureScreen(bar);
    return devhost::dominantColor(pixels, RECT{0, 0, pixels.width, pixels.height});
}

// The context menu opened four times, by a right click, the Menu key, a right click again and
// a right click on a title: each time in the colours of the host's own menus, which stay light
// under Wine in either mode. With TABULON_SCREENSHOT set, each menu is saved beside it as a
// picture, "-1" to "-4" added. Then the scroll bars.
Scenario menuAndScrollBarLookScenario() {
    Scenario steps{
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        clickCell(1, 2),
    };
    for (int i = 1; i <= 4; ++i) {
        if (i == 4) {
            steps.push_back(attempt("right-click a title", [] {
                RECT item{};
                const HWND header = listHeader();
                if (header == nullptr || !SendMessageW(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item))) {
                    return false;
                }
                const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
                PostMessageW(header, WM_RBUTTONDOWN, MK_RBUTTON, point);
                PostMessageW(header, WM_RBUTTONUP, 0, point);
                return true;
            }));
        } else if (i == 2) {
            steps.push_back(focusGrid());
            steps.push_back(pressKey("press the Menu key", VK_APPS));
        } else {
            steps.push_back(attempt("right-click a cell", [] {
                RECT cell{};
                const HWND list = panelControl(IDC_GRID_LIST);
                cell.top = 2;
                cell.left = LVIR_BOUNDS;
                if (!SendMessageW(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell))) {
                    return false;
                }
                const LPARAM point = MAKELPARAM(cell.left + 10, (cell.top + cell.bottom) / 2);
                PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, point);
                PostMessageW(list, WM_RBUTTONUP, 0, point);
                return true;
            }));
        }
        steps.push_back(pause(600));
        auto seen = std::make_shared<COLORREF>(CLR_INVALID);
        steps.push_back(expect(
            "the open menu has the background of the host's menus",
            [i, seen] {
                const HWND menu = FindWindowW(L"#32768", nullptr);
                RECT area{};
                if (menu == nullptr || !GetWindowRect(menu, &area)) {
                    return false;
                }
                const devhost::Pixels pixels = devhost::captureScreen(area);
                const std::wstring path = screenshotPath();
                if (!path.empty()) {
                    devhost::saveBmp(pixels, path + L"-" + std::to_wstring(i));
                }
                *seen = devhost::dominantColor(pixels, RECT{0, 0, pixels.width, pixels.height});
                return *seen == GetSysColor(COLOR_MENU);
            },
            [seen] {
                char detail[64];
                std::snprintf(detail, sizeof detail, "the menu is mostly #%06lX, the host's menus #%06lX",
                              static_cast<unsigned long>(*seen), static_cast<unsigned long>(GetSysColor(COLOR_MENU)));
                return std::string(detail);
            }));
        steps.push_back(pressKey("press Esc", VK_ESCAPE));
        steps.push_back(pause(300));
    }
    // The grid's vertical scroll bar looks like the editor's, whatever theme the host gives its
    // own: the same colour fills most of each.
    auto colors = std::make_shared<std::pair<COLORREF, COLORREF>>(CLR_INVALID, CLR_INVALID);
    steps.push_back(expect(
        "the grid's scroll bar has the colours of the editor's",
        [colors] {
            colors->first = scrollBarColor(panelControl(IDC_GRID_LIST));
            colors->second = scrollBarColor(currentView());
            return colors->first != CLR_INVALID && colors->first == colors->second;
        },
        [colors] {
            char detail[80];
            std::snprintf(detail, sizeof detail, "the grid's is mostly #%06lX, the editor's #%06lX",
                          static_cast<unsigned long>(colors->first), static_cast<unsigned long>(colors->second));
            return std::string(detail);
        }));
    return steps;
}

}  // namespace

void addScreenshotScenarios() {
    registerScenario("menu-and-scroll-bar-look", menuAndScrollBarLookScenario);
    registerScenario("screenshot-title-rename", titleRenameScreenshotScenario);
    registerScenario("screenshot-data-tools", dataToolsScreenshotScenario);
    registerScenario("screenshot-view", viewScreenshotScenario);
    registerScenario("sort-by-look", sortByLookScenario);
    registerScenario("screenshot", screenshotScenario);
    registerScenario("screenshot-reading", readingScreenshotScenario);
    registerScenario("screenshot-sort-find", sortFindScreenshotScenario);
}

}  // namespace driver
