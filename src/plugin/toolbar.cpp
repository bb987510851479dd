// The panel command's toolbar button and the icon of the docked panel's tab, both from the
// library's own image resources.
//
// The host asks for toolbar buttons once, with NPPN_TBMODIFICATION; the button belongs to the
// panel command, so the host checks and unchecks it together with the command's menu item
// (NPPM_SETMENUITEMCHECK). The host keeps the handles it is given and draws from them while it
// runs: GridPanel owns them and releases them at shut-down, after the panel is gone.
#include <windows.h>

#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"
#include "resources/resource_ids.h"

namespace {

// The icons are drawn for 16, 24 and 32 pixels: the toolbar's small size at 100, 150 and
// 200 %. Other sizes are scaled by the system from the nearest image.
int iconSizeForDpi(int dpi) {
    const int size = MulDiv(16, dpi, 96);
    return size < 16 ? 16 : (size > 32 ? 32 : size);
}

// The DPI of the screen, which a system-aware host draws its toolbar for.
int systemDpi() {
    WindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : 96;
}

HICON loadIcon(HMODULE module, int id, int size) {
    return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

template <typename Handle, typename Release>
void releaseHandle(Handle& handle, Release release) {
    if (handle != nullptr) {
        release(handle);
        handle = nullptr;
    }
}

}  // namespace

void GridPanel::addToolbarButton(int commandId) {
    if (toolbarImages.hToolbarBmp == nullptr && toolbarImages.hToolbarIcon == nullptr) {
        const int size = iconSizeForDpi(systemDpi());
        toolbarImages.hToolbarBmp = static_cast<HBITMAP>(
            LoadImageW(module, MAKEINTRESOURCEW(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, 0));
        toolbarImages.hToolbarIcon = loadIcon(module, IDI_TABULON_LIGHT, size);
        toolbarImages.hToolbarIconDarkMode = loadIcon(module, IDI_TABULON_DARK, size);
    }
    // Without any image the host would show an empty button: better none.
    if (toolbarImages.hToolbarBmp == nullptr && toolbarImages.hToolbarIcon == nullptr &&
        toolbarImages.hToolbarIconDarkMode == nullptr) {
        return;
    }
    SendMessageW(hostWindow, NPPM_ADDTOOLBARICON_FORDARKMODE, static_cast<WPARAM>(commandId),
                 reinterpret_cast<LPARAM>(&toolbarImages));
}

HICON GridPanel::loadTabIcon() {
    releaseHandle(tabIcon, DestroyIcon);
    // The tab shows the icon at the small icon size of the panel's DPI.
    tabIcon = loadIcon(module, darkMode ? IDI_TABULON_DARK : IDI_TABULON_LIGHT, scaled(16));
    return tabIcon;
}

void GridPanel::releaseImages() {
    releaseHandle(toolbarImages.hToolbarBmp, DeleteObject);
    releaseHandle(toolbarImages.hToolbarIcon, DestroyIcon);
    releaseHandle(toolbarImages.hToolbarIconDarkMode, DestroyIcon);
    releaseHandle(tabIcon, DestroyIcon);
}
