// The panel's colours: the system's in light mode, the host's palette in dark mode.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <optional>
#include <tuple>
#include <utility>

#include "model/theme_palette.h"
#include "panel/gdi_objects.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"

namespace {

SystemColors currentSystemColors() {
    SystemColors system{};
    system.window = GetSysColor(COLOR_WINDOW);
    system.windowText = GetSysColor(COLOR_WINDOWTEXT);
    system.buttonFace = GetSysColor(COLOR_BTNFACE);
    system.buttonText = GetSysColor(COLOR_BTNTEXT);
    return system;
}

// The host's dark palette, or nothing when the host does not fill it in.
std::optional<HostDarkPalette> hostDarkPalette(HWND host) {
    NppDarkMode::Colors record{};
    const LRESULT filled = SendMessageW(host, NPPM_GETDARKMODECOLORS, sizeof record,
                                        reinterpret_cast<LPARAM>(&record));
    if (filled == 0) {
        return std::nullopt;
    }
    return HostDarkPalette{record.background, record.softerBackground, record.hotBackground,
                           record.text, record.edge};
}

// In dark mode the panel's buttons, check box and list box lose their visual style, so that
// they draw in the colours the panel answers their colour and custom-draw requests with (a
// styled check box and list box draw their light faces whatever the answer); in light mode
// they get it back.
BOOL CALLBACK themeControl(HWND control, LPARAM dark) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (lstrcmpiW(className, WC_BUTTONW) == 0 || lstrcmpiW(className, WC_COMBOBOXW) == 0) {
        if (dark != 0) {
            SetWindowTheme(control, L"", L"");
        } else {
            SetWindowTheme(control, nullptr, nullptr);
        }
    }
    return TRUE;
}

}  // namespace

// The mode and the colours the host and the system ask for now.
std::pair<bool, ThemeColors> GridPanel::themeInForce() const {
    const bool dark = SendMessageW(hostWindow, NPPM_ISDARKMODEENABLED, 0, 0) != 0;
    return {dark, dark ? darkThemeColors(hostDarkPalette(hostWindow)) : lightThemeColors(currentSystemColors())};
}

void GridPanel::applyThemeIfChanged() {
    const std::pair<bool, ThemeColors> theme = themeInForce();
    if (!themeApplied || theme.first != darkMode || !(theme.second == colors)) {
        applyTheme();
    }
}

void GridPanel::applyTheme() {
    std::tie(darkMode, colors) = themeInForce();

    releaseBrushes();
    panelBrush = countedGdiObject(
        CreateSolidBrush(darkMode ? colors.background : GetSysColor(COLOR_BTNFACE)));
    editBrush = countedGdiObject(
        CreateSolidBrush(darkMode ? colors.alternateBackground : GetSysColor(COLOR_WINDOW)));

    if (gridList != nullptr) {
        SendMessageW(gridList, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colors.background));
        SendMessageW(gridList, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colors.background));
        SendMessageW(gridList, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(colors.text));
        SetWindowTheme(gridList, darkMode ? L"DarkMode_Explorer" : nullptr, nullptr);
        const HWND header = gridHeader;
        if (header != nullptr) {
            SetWindowTheme(header, darkMode ? L"DarkMode_ItemsView" : nullptr, nullptr);
        }
    }
    if (panelWindow != nullptr) {
        EnumChildWindows(panelWindow, themeControl, darkMode ? 1 : 0);
        RedrawWindow(panelWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    themeApplied = panelWindow != nullptr;
}

void GridPanel::releaseBrushes() {
    deleteGdiObject(panelBrush);
    panelBrush = nullptr;
    deleteGdiObject(editBrush);
    editBrush = nullptr;
}

void GridPanel::onDarkModeChanged() {
    if (panelWindow != nullptr) {
        applyTheme();
    }
}
