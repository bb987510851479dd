// Building blocks of scenarios: an action, a condition awaited (and reported) with a bound,
// and a pause. Conditions are polled at every tick until they hold or their time is up.
#pragma once

#include "driver.h"
#include "host_access.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

namespace driver {

// Runs once and goes on.
inline Step act(std::string name, std::function<void()> action) {
    return Step{std::move(name), [action] {
                    action();
                    return StepResult::NEXT;
                }};
}

// An action that may find it cannot be done (returns false): the scenario stops with a failure.
inline Step attempt(std::string name, std::function<bool()> action) {
    return Step{name, [name, action] {
                    return check(action(), name, "could not be done") ? StepResult::NEXT
                                                                       : StepResult::STOP;
                }};
}

// Waits until the condition holds, reporting "ok NAME", or reports "fail NAME: DETAIL" after
// timeoutMs; a failed expectation lets the scenario go on, a failed requirement ends it.
inline Step expect(std::string name, std::function<bool()> condition,
                   std::function<std::string()> detail = {}, DWORD timeoutMs = 3000,
                   bool required = false) {
    auto started = std::make_shared<double>(-1.0);
    return Step{name,
                [=] {
                    if (*started < 0) {
                        *started = nowMs();
                    }
                    if (condition()) {
                        check(true, name);
                        return StepResult::NEXT;
                    }
                    if (nowMs() - *started < timeoutMs) {
                        return StepResult::AGAIN;
                    }
                    check(false, name, detail ? detail() : "did not happen");
                    return required ? StepResult::STOP : StepResult::NEXT;
                },
                timeoutMs + 1000};
}

inline Step require(std::string name, std::function<bool()> condition,
                    std::function<std::string()> detail = {}, DWORD timeoutMs = 3000) {
    return expect(std::move(name), std::move(condition), std::move(detail), timeoutMs, true);
}

// Lets the host's loop run for a while.
inline Step pause(DWORD milliseconds) {
    auto started = std::make_shared<double>(-1.0);
    return Step{"pause", [=] {
                    if (*started < 0) {
                        *started = nowMs();
                    }
                    return nowMs() - *started >= milliseconds ? StepResult::NEXT : StepResult::AGAIN;
                },
                milliseconds + 1000};
}

// "expected E, found F" for bytes.
inline std::string bytesDetail(const std::string& expected, const std::string& found) {
    return "expected \"" + escaped(expected) + "\", found \"" + escaped(found) + "\"";
}

inline void append(Scenario& to, const Scenario& steps) {
    to.insert(to.end(), steps.begin(), steps.end());
}

}  // namespace driver

namespace driver {

inline constexpr wchar_t PANEL_ITEM[] = L"&Tabulon panel";
inline constexpr int IDC_GRID_LIST = 2601;
inline constexpr int IDC_HEADER_ROW = 2603;
inline constexpr int IDC_DELIMITER = 2604;
inline constexpr int IDC_ADD_ROW = 2605;
inline constexpr int IDC_STATUS = 2610;
inline constexpr int IDC_CELL_EDITOR = 2611;

// Opens the panel through its menu command, as other scenarios need it whatever the first
// command does (the panel-shortcut scenario checks that): when the first command leaves the
// panel hidden, a second one is sent. Ends the scenario when the panel cannot be shown.
inline Step openPanel() {
    auto sent = std::make_shared<int>(0);
    auto sentAt = std::make_shared<double>(0);
    return Step{"open the panel",
                [=] {
                    if (panelShown() && listItemCount() >= 0) {
                        check(true, "the panel is open");
                        return StepResult::NEXT;
                    }
                    if (*sent == 0 || (*sent == 1 && nowMs() - *sentAt > 1500)) {
                        const UINT id = tabulonCommandId(PANEL_ITEM);
                        if (id == 0) {
                            check(false, "the panel is open", "the host's menu has no panel command");
                            return StepResult::STOP;
                        }
                        postMenuCommand(id);
                        ++*sent;
                        *sentAt = nowMs();
                    }
                    return StepResult::AGAIN;
                },
                4000};
}

// The grid list gets the keyboard focus, as a click into it gives it.
inline Step focusGrid() {
    return attempt("focus the grid", [] {
        const HWND list = panelControl(IDC_GRID_LIST);
        if (list == nullptr) {
            return false;
        }
        SetFocus(list);
        return GetFocus() == list;
    });
}

inline Step focusEditor() {
    return attempt("focus the editor", [] {
        const HWND view = currentView();
        SetFocus(view);
        return GetFocus() == view;
    });
}

// Waits until the current document is exactly `expected`.
inline Step expectDocument(std::string name, std::string expected, DWORD timeoutMs = 3000) {
    return expect(std::move(name), [expected] { return currentDocument() == expected; },
                  [expected] { return bytesDetail(expected, currentDocument()); }, timeoutMs);
}

// A click on a cell of the grid, posted, so the list selects it as it would for the mouse.
inline Step clickCell(int row, int column) {
    return attempt("click the cell of row " + std::to_string(row) + ", column " + std::to_string(column),
                   [row, column] {
                       const HWND list = panelControl(IDC_GRID_LIST);
                       const POINT point = listCellCenter(row, column);
                       if (list == nullptr || (point.x == 0 && point.y == 0)) {
                           return false;
                       }
                       postClick(list, point);
                       return true;
                   });
}

inline Step pressKey(std::string name, UINT key, unsigned modifiers = NONE) {
    return attempt(std::move(name), [key, modifiers] { return postKey(key, modifiers); });
}

// One character per tick, each to the window that has the focus by then: the first one
// typed into the grid opens the cell editor, which takes the rest.
inline Step typeText(std::string name, std::string text) {
    auto next = std::make_shared<size_t>(0);
    return Step{name, [=] {
                    if (*next >= text.size()) {
                        *next = 0;
                        return StepResult::NEXT;
                    }
                    const char character[2] = {text[*next], '\0'};
                    ++*next;
                    return check(postText(character), name + " (\"" + character + "\")", "nothing has the focus")
                               ? StepResult::AGAIN
                               : StepResult::STOP;
                }};
}

// The grid's column titles.
inline HWND listHeader() {
    const HWND list = panelControl(IDC_GRID_LIST);
    return list != nullptr ? reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)) : nullptr;
}

// The middle of a column's title in the header's coordinates; false when it has none.
inline bool titleCenter(int listColumn, POINT& center) {
    RECT item{};
    const HWND header = listHeader();
    if (header == nullptr ||
        !SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item))) {
        return false;
    }
    // High in the item: with the filter row shown its lower part holds the filter box.
    center = POINT{(item.left + item.right) / 2, item.top + std::min<LONG>(8, (item.bottom - item.top) / 2)};
    return true;
}

// A click on a column's title, posted, as the mouse gives it.
inline Step clickTitle(int listColumn) {
    return attempt("click the title of column " + std::to_string(listColumn), [listColumn] {
        POINT center{};
        if (!titleCenter(listColumn, center)) {
            return false;
        }
        postClick(listHeader(), center);
        return true;
    });
}

// A double-click on a column's title, posted as the mouse gives it: press, release, the
// double-click press and its release.
inline Step doubleClickTitle(int listColumn) {
    return attempt("double-click the title of column " + std::to_string(listColumn), [listColumn] {
        POINT center{};
        if (!titleCenter(listColumn, center)) {
            return false;
        }
        postClick(listHeader(), center);
        PostMessageW(listHeader(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(center.x, center.y));
        PostMessageW(listHeader(), WM_LBUTTONUP, 0, MAKELPARAM(center.x, center.y));
        return true;
    });
}

// A title dragged onto another title, posted as the mouse gives it: press, moves on the way,
// release over the target.
inline Step dragTitle(int from, int to) {
    return attempt("drag the title of column " + std::to_string(from) + " onto column " + std::to_string(to),
                   [from, to] {
                       POINT start{};
                       POINT end{};
                       if (!titleCenter(from, start) || !titleCenter(to, end)) {
                           return false;
                       }
                       PostMessageW(listHeader(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
                       for (int step = 1; step <= 4; ++step) {
                           const LONG x = start.x + (end.x - start.x) * step / 4;
                           PostMessageW(listHeader(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, end.y));
                       }
                       PostMessageW(listHeader(), WM_LBUTTONUP, 0, MAKELPARAM(end.x, end.y));
                       return true;
                   });
}

// The Header row box: whether it is ticked, and a click on it as the mouse gives it.
inline bool headerRowChecked() {
    const HWND box = panelControl(IDC_HEADER_ROW);
    return box != nullptr && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
inline Step clickHeaderRowBox() {
    return attempt("click the Header row box", [] {
        const HWND box = panelControl(IDC_HEADER_ROW);
        RECT client{};
        GetClientRect(box, &client);
        postClick(box, POINT{6, client.bottom / 2});
        return box != nullptr;
    });
}

// Waits until the panel's status line holds text.
inline Step expectStatusShows(std::string name, std::wstring text) {
    return expect(std::move(name),
                  [text] { return windowText(panelControl(IDC_STATUS)).find(text) != std::wstring::npos; },
                  [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); });
}

}  // namespace driver
