// Watching a context menu of the plug-in while it is open: its items as shown, and an item
// picked by its mnemonic, as a user picks it with the keyboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tabulon_test {

// One item of a context menu as it was shown.
struct ShownMenuItem {
    std::wstring text;  // with its mnemonic and, after a tab, its shortcut; empty for a separator
    bool enabled = true;
};

// Watches the panel while a context menu of the plug-in is open: records its items and picks
// the item with the given mnemonic by typing it, or closes the menu when it is 0. With several
// mnemonics, each opens a submenu of the one before, the last picks.
class MenuWatch {
public:
    MenuWatch(HWND panel, wchar_t mnemonic) : MenuWatch(panel, std::wstring(mnemonic != 0 ? 1 : 0, mnemonic)) {}
    MenuWatch(HWND panel, std::wstring mnemonics);
    ~MenuWatch();
    MenuWatch(const MenuWatch&) = delete;
    MenuWatch& operator=(const MenuWatch&) = delete;
    std::vector<ShownMenuItem> items;
    std::wstring screenshot;  // when set, a picture of the screen with the menu open is saved there
    int shown = 0;  // how many menus opened

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR data);
    HWND panel_;
    std::wstring mnemonics_;
    size_t typed_ = 0;
    bool answered_ = false;
};

}  // namespace tabulon_test
