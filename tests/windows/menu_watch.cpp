#include "menu_watch.h"

#include "pixels.h"

#include <commctrl.h>

namespace tabulon_test {

MenuWatch::MenuWatch(HWND panel, std::wstring mnemonics) : panel_(panel), mnemonics_(std::move(mnemonics)) {
    SetWindowSubclass(panel_, proc, 77, reinterpret_cast<DWORD_PTR>(this));
}

MenuWatch::~MenuWatch() {
    RemoveWindowSubclass(panel_, proc, 77);
}

LRESULT CALLBACK MenuWatch::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    MenuWatch& watch = *reinterpret_cast<MenuWatch*>(data);
    if (message == WM_INITMENUPOPUP) {
        const HMENU menu = reinterpret_cast<HMENU>(wParam);
        watch.items.clear();
        watch.answered_ = false;
        ++watch.shown;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[200] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 200, MF_BYPOSITION);
            const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            watch.items.push_back({text, (state & (MF_GRAYED | MF_DISABLED)) == 0});
        }
    } else if (message == WM_ENTERIDLE && wParam == MSGF_MENU && !watch.answered_) {
        watch.answered_ = true;
        if (!watch.screenshot.empty()) {
            devhost::saveBmp(devhost::capturePixels(GetDesktopWindow()), watch.screenshot);
        }
        if (watch.typed_ < watch.mnemonics_.size()) {
            PostMessageW(window, WM_CHAR, watch.mnemonics_[watch.typed_++], 1);
        } else {
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace tabulon_test
