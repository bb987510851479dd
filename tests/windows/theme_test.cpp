// Light and dark colours as the panel shows them: the list's colours, the answers to the
// controls' colour requests, and the pixels of the panel's background.
#include "test_support.h"
#include "pixels.h"

#include <commctrl.h>
#include <cstdlib>
#include <algorithm>

using namespace tabulon_test;

namespace {

// What the panel answers to a WM_CTLCOLOR* request from one of its children.
struct ColorAnswer {
    bool brush = false;
    COLORREF brushColor = CLR_INVALID;
    COLORREF text = CLR_INVALID;
    COLORREF background = CLR_INVALID;
};

ColorAnswer askColors(HWND panel, UINT message, HWND control) {
    ColorAnswer answer;
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(panel, message, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(control)));
    LOGBRUSH info{};
    if (brush && GetObjectW(brush, sizeof(info), &info) == sizeof(info)) {
        answer.brush = true;
        answer.brushColor = info.lbColor;
    }
    answer.text = GetTextColor(dc);
    answer.background = GetBkColor(dc);
    DeleteDC(dc);
    return answer;
}

NppDarkMode::Colors distinctPalette() {
    NppDarkMode::Colors colors = devhost::DevHost::defaultDarkPalette();
    colors.background = RGB(0x11, 0x22, 0x33);
    colors.softerBackground = RGB(0x22, 0x33, 0x44);
    colors.hotBackground = RGB(0x33, 0x44, 0x55);
    colors.text = RGB(0xDD, 0xEE, 0xFF);
    colors.edge = RGB(0x55, 0x66, 0x77);
    return colors;
}

class ThemeTest : public PluginTest {
protected:
    void openPanel() {
        loadPlugin();
        ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
        ASSERT_NE(panel(), nullptr);
        list = child(panel(), IDC_GRID_LIST);
        ASSERT_NE(list, nullptr);
    }

    // A pixel of the panel's own background: the margin left of the first button.
    COLORREF backgroundPixel() {
        const devhost::Pixels pixels = devhost::capturePixels(panel());
        if (pixels.empty()) return CLR_INVALID;
        return pixels.at(1, 12);
    }

    void expectLight() {
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0)), GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)), GetSysColor(COLOR_WINDOWTEXT));
        // Light mode leaves the controls' colours to the system.
        const ColorAnswer label = askColors(panel(), WM_CTLCOLORSTATIC, child(panel(), IDC_DELIM_LABEL));
        EXPECT_NE(label.brushColor, distinctPalette().background);
        EXPECT_EQ(label.text, GetSysColor(COLOR_WINDOWTEXT));
        const ColorAnswer edit = askColors(panel(), WM_CTLCOLOREDIT, child(panel(), IDC_DELIMITER));
        EXPECT_EQ(edit.text, GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(backgroundPixel(), GetSysColor(COLOR_BTNFACE));
    }

    void expectDark(COLORREF background, COLORREF softer, COLORREF text) {
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), background);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0)), background);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)), text);
        for (UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLORDLG}) {
            const ColorAnswer answer = askColors(panel(), message, child(panel(), IDC_RELOAD));
            EXPECT_TRUE(answer.brush) << "message " << message;
            EXPECT_EQ(answer.brushColor, background) << "message " << message;
            EXPECT_EQ(answer.text, text) << "message " << message;
            EXPECT_EQ(answer.background, background) << "message " << message;
        }
        for (UINT message : {WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX}) {
            const ColorAnswer answer = askColors(panel(), message, child(panel(), IDC_DELIMITER));
            EXPECT_TRUE(answer.brush) << "message " << message;
            EXPECT_EQ(answer.brushColor, softer) << "message " << message;
            EXPECT_EQ(answer.text, text) << "message " << message;
            EXPECT_EQ(answer.background, softer) << "message " << message;
        }
        EXPECT_EQ(backgroundPixel(), background);
    }

    HWND list = nullptr;
};

TEST_F(ThemeTest, LightModeUsesTheSystemColours) {
    openPanel();
    expectLight();
    EXPECT_EQ(host.hostMessageCount(NPPM_GETDARKMODECOLORS), 0);
}

TEST_F(ThemeTest, DarkModeUsesTheHostPalette) {
    host.darkMode = true;
    host.darkPalette = distinctPalette();
    openPanel();
    expectDark(RGB(0x11, 0x22, 0x33), RGB(0x22, 0x33, 0x44), RGB(0xDD, 0xEE, 0xFF));
}

TEST_F(ThemeTest, FallbackPaletteWhenTheHostGivesNone) {
    host.darkMode = true;
    host.darkPalette.reset();
    openPanel();
    expectDark(0x202020, 0x303030, 0xE0E0E0);
}

TEST_F(ThemeTest, FallbackPaletteForBlackOnBlack) {
    NppDarkMode::Colors colors = distinctPalette();
    colors.background = 0;
    colors.text = 0;
    host.darkMode = true;
    host.darkPalette = colors;
    openPanel();
    expectDark(0x202020, 0x303030, 0xE0E0E0);
}

TEST_F(ThemeTest, SwitchingModesWhileOpenRestoresEveryColour) {
    openPanel();
    host.setDarkMode(true, distinctPalette());
    expectDark(RGB(0x11, 0x22, 0x33), RGB(0x22, 0x33, 0x44), RGB(0xDD, 0xEE, 0xFF));
    host.setDarkMode(false);
    expectLight();
    host.setDarkMode(true, std::nullopt);
    expectDark(0x202020, 0x303030, 0xE0E0E0);
}

TEST_F(ThemeTest, ModeChangedWhileHiddenIsPickedUpWhenShown) {
    openPanel();
    host.invokeCommand(PANEL_COMMAND);  // hide
    host.darkMode = true;               // changed without a notification
    host.darkPalette = distinctPalette();
    host.invokeCommand(PANEL_COMMAND);  // show
    ASSERT_TRUE(IsWindowVisible(panel()));
    expectDark(RGB(0x11, 0x22, 0x33), RGB(0x22, 0x33, 0x44), RGB(0xDD, 0xEE, 0xFF));
}

int channelDistance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

// With the host's own palette the panel asks to theme itself, paints its buttons dark whatever
// their visual style, and marks the current cell apart from both row colours.
TEST_F(ThemeTest, DarkModeIsThePanelsOwnInEveryPart) {
    host.darkMode = true;
    host.darkPalette = devhost::DevHost::defaultDarkPalette();
    host.mainView().document().load("h1,h2\r\na,b\r\nc,d\r\ne,f\r\n");
    openPanel();
    ASSERT_TRUE(host.dockRegistration);
    EXPECT_NE(host.dockRegistration->uMask & DWS_USEOWNDARKMODE, 0u);

    const devhost::Pixels pixels = devhost::capturePixels(panel());
    ASSERT_FALSE(pixels.empty());
    const auto inPanel = [&](HWND window, RECT area) {
        MapWindowPoints(window, panel(), reinterpret_cast<POINT*>(&area), 2);
        InflateRect(&area, -3, -3);
        return area;
    };
    for (const int id : {IDC_RELOAD, IDC_ADD_ROW, IDC_DELETE_ROW, IDC_ADD_COLUMN, IDC_DELETE_COLUMN, IDC_FIT}) {
        RECT client{};
        GetClientRect(child(panel(), id), &client);
        const COLORREF face = devhost::dominantColor(pixels, inPanel(child(panel(), id), client));
        EXPECT_LT(GetRValue(face) + GetGValue(face) + GetBValue(face), 3 * 110) << "button " << id;
    }
    // The delimiter list's face: the lines just inside its frame and its drop button, which a
    // drop-down list without its visual style draws in light system colours.
    const HWND combo = child(panel(), IDC_DELIMITER);
    RECT comboClient{};
    GetClientRect(combo, &comboClient);
    RECT comboArea = comboClient;
    MapWindowPoints(combo, panel(), reinterpret_cast<POINT*>(&comboArea), 2);
    const auto dark = [](COLORREF color) { return GetRValue(color) + GetGValue(color) + GetBValue(color) < 3 * 110; };
    const RECT frameLines[] = {{comboArea.left + 2, comboArea.top + 1, comboArea.right - 2, comboArea.top + 3},
                               {comboArea.left + 2, comboArea.bottom - 3, comboArea.right - 2, comboArea.bottom - 1}};
    for (const RECT& line : frameLines) {
        for (int y = line.top; y < line.bottom; ++y) {
            for (int x = line.left; x < line.right; ++x) {
                ASSERT_TRUE(dark(pixels.at(x, y))) << "delimiter list frame at " << x << "," << y;
            }
        }
    }
    const RECT dropButton{comboArea.right - GetSystemMetrics(SM_CXVSCROLL) + 2, comboArea.top + 2,
                          comboArea.right - 2, comboArea.bottom - 2};
    EXPECT_TRUE(dark(devhost::dominantColor(pixels, dropButton))) << "delimiter list drop button";
    // The header beside its last column belongs to no item; a themed header paints it light.
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    RECT lastColumn{};
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, columns - 1, reinterpret_cast<LPARAM>(&lastColumn)));
    RECT strip{};
    GetClientRect(header, &strip);
    strip.left = lastColumn.right;
    ASSERT_GT(strip.right - strip.left, 20);
    EXPECT_TRUE(dark(devhost::dominantColor(pixels, inPanel(header, strip)))) << "header beside the last column";

    RECT cells[3];
    for (int row = 0; row < 3; ++row) {
        cells[row] = RECT{LVIR_BOUNDS, 1, 0, 0};
        ASSERT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cells[row])));
    }
    const COLORREF current = devhost::dominantColor(pixels, inPanel(list, cells[0]));
    EXPECT_GE(channelDistance(current, devhost::dominantColor(pixels, inPanel(list, cells[1]))), 60);
    EXPECT_GE(channelDistance(current, devhost::dominantColor(pixels, inPanel(list, cells[2]))), 60);
}

}  // namespace
