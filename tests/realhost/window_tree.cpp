#include "window_tree.h"

#include "host_access.h"

#include <cstdio>

namespace driver {

namespace {

std::string describe(HWND window, int depth) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    RECT rect{};
    GetWindowRect(window, &rect);
    char place[96];
    std::snprintf(place, sizeof place, " id=%d %s (%ld,%ld %ldx%ld)", GetDlgCtrlID(window),
                  IsWindowVisible(window) ? "shown" : "hidden", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    std::string out(static_cast<size_t>(depth) * 2, ' ');
    out.append(utf8(className));
    out.append(place);
    out.append(" \"");
    out.append(utf8(windowText(window).substr(0, 40)));
    out.append("\"");
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        out += " | " + describe(child, depth + 1);
    }
    return out;
}

}  // namespace

std::string windowTree(HWND root) {
    return root == nullptr ? "(none)" : describe(root, 0);
}

HWND dockingCaption(HWND panel) {
    // The panel sits in the container's tab area; the caption (a button the host draws
    // itself) is a child of the container, a level or two above.
    for (HWND level = panel == nullptr ? nullptr : GetParent(panel); level != nullptr; level = GetParent(level)) {
        for (HWND child = GetWindow(level, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[64] = {};
            GetClassNameW(child, className, 64);
            if (lstrcmpiW(className, L"Button") == 0 && !IsChild(panel, child) && IsWindowVisible(child)) {
                return child;
            }
        }
        if ((GetWindowLongW(level, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return nullptr;
}

}  // namespace driver
