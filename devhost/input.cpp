#include "input.h"

#include <commctrl.h>

namespace devhost {

namespace {

void setModifierState(BYTE* state, unsigned modifiers, bool down) {
    const BYTE value = down ? 0x80 : 0;
    if (modifiers & KEY_CTRL) state[VK_CONTROL] = state[VK_LCONTROL] = value;
    if (modifiers & KEY_SHIFT) state[VK_SHIFT] = state[VK_LSHIFT] = value;
    if (modifiers & KEY_ALT) state[VK_MENU] = state[VK_LMENU] = value;
}

WPARAM mouseKeys(unsigned modifiers, WPARAM buttons) {
    WPARAM keys = buttons;
    if (modifiers & KEY_CTRL) keys |= MK_CONTROL;
    if (modifiers & KEY_SHIFT) keys |= MK_SHIFT;
    return keys;
}

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    GetCursorPos(&msg.pt);
    return msg;
}

// A button press: the release is queued first, so a control that waits for it inside its
// button-down handler (drag detection) finds it; the loop dispatches it otherwise. The
// modifier keys are held down until the release has been handled, as a user holds them.
void pressButton(DevHost& host, HWND window, UINT down, UINT up, WPARAM keys, POINT point, int buttonKey,
                 unsigned modifiers = KEY_NONE) {
    BYTE state[256];
    GetKeyboardState(state);
    setModifierState(state, modifiers, true);
    state[buttonKey] = 0x80;
    SetKeyboardState(state);
    const LPARAM position = MAKELPARAM(point.x, point.y);
    PostMessageW(window, up, keys & ~static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON), position);
    MSG msg = makeMessage(window, down, keys, position);
    host.dispatch(msg);
    state[buttonKey] = 0;
    SetKeyboardState(state);
    host.pumpUntilIdle();
    setModifierState(state, modifiers, false);
    SetKeyboardState(state);
}

}  // namespace

bool pressKey(DevHost& host, UINT virtualKey, unsigned modifiers) {
    HWND focus = GetFocus();
    if (!focus) return false;
    BYTE state[256];
    GetKeyboardState(state);
    setModifierState(state, modifiers, true);
    state[virtualKey & 0xFF] = 0x80;
    SetKeyboardState(state);

    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const bool alt = (modifiers & KEY_ALT) != 0;
    LPARAM lParam = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16) | (alt ? (1 << 29) : 0);
    MSG down = makeMessage(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, lParam);
    host.dispatch(down);
    host.pumpUntilIdle();

    state[virtualKey & 0xFF] = 0;
    SetKeyboardState(state);
    HWND upTarget = GetFocus() ? GetFocus() : focus;
    lParam |= static_cast<LPARAM>(0xC0000000u);
    MSG up = makeMessage(upTarget, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, lParam);
    host.dispatch(up);
    setModifierState(state, modifiers, false);
    SetKeyboardState(state);
    host.pumpUntilIdle();
    return true;
}

bool typeText(DevHost& host, std::wstring_view text) {
    for (wchar_t ch : text) {
        HWND focus = GetFocus();
        if (!focus) return false;
        MSG msg = makeMessage(focus, WM_CHAR, ch, 1);
        host.dispatch(msg);
        host.pumpUntilIdle();
    }
    return true;
}

void click(DevHost& host, HWND window, POINT point, unsigned modifiers) {
    pressButton(host, window, WM_LBUTTONDOWN, WM_LBUTTONUP, mouseKeys(modifiers, MK_LBUTTON), point, VK_LBUTTON,
                modifiers);
}

void rightClick(DevHost& host, HWND window, POINT point) {
    pressButton(host, window, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, point, VK_RBUTTON);
}

void doubleClick(DevHost& host, HWND window, POINT point) {
    pressButton(host, window, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, point, VK_LBUTTON);
    pressButton(host, window, WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON, point, VK_LBUTTON);
}

POINT listCellCenter(HWND list, int item, int subItem) {
    RECT cell{};
    cell.top = subItem;
    cell.left = subItem == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell)))
        return POINT{0, 0};
    return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

void wheel(DevHost& host, HWND window, int delta, POINT point) {
    POINT screen = point;
    ClientToScreen(window, &screen);
    MSG msg = makeMessage(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                          MAKELPARAM(screen.x, screen.y));
    host.dispatch(msg);
    host.pumpUntilIdle();
}

}  // namespace devhost
