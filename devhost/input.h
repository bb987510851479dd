// Simulated keyboard and mouse input, delivered the way the host's message loop delivers it:
// key state set with SetKeyboardState, then the messages through DevHost::dispatch (and so
// through IsDialogMessage for registered dialogs), then a pump until idle.
#pragma once

#include "dev_host.h"

#include <windows.h>

#include <string_view>

namespace devhost {

// Modifier keys held during a key press or click.
enum KeyModifier : unsigned {
    KEY_NONE = 0,
    KEY_CTRL = 1,
    KEY_SHIFT = 2,
    KEY_ALT = 4,
};

// WM_KEYDOWN (WM_SYSKEYDOWN with Alt) to the focused window, translated by the loop into
// WM_CHAR where the key makes one, then WM_KEYUP. False when no window has the focus.
bool pressKey(DevHost& host, UINT virtualKey, unsigned modifiers = KEY_NONE);
// WM_CHAR for each character to the focused window. False when no window has the focus.
bool typeText(DevHost& host, std::wstring_view text);
// Left button down and up at a point of the window's client area.
void click(DevHost& host, HWND window, POINT point, unsigned modifiers = KEY_NONE);
void rightClick(DevHost& host, HWND window, POINT point);
// Down, up, double-click, up: what a real double-click sends.
void doubleClick(DevHost& host, HWND window, POINT point);
// The centre of a list view cell (item, sub-item) in the list's client coordinates; the
// list's top-left corner when the cell has no rectangle.
POINT listCellCenter(HWND list, int item, int subItem);

// WM_MOUSEWHEEL to the window; delta in WHEEL_DELTA units (positive: away from the user).
void wheel(DevHost& host, HWND window, int delta, POINT point = POINT{10, 10});

}  // namespace devhost
