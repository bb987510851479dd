// The panel command's toolbar button and the docked panel's tab icon: what the host is given,
// the pixels of the images, the button's check state, and the release of every image when the
// host shuts the plug-in down.
#include "test_support.h"

#include <cstdint>
#include <set>
#include <vector>

using namespace tabulon_test;

namespace {

constexpr int IDI_TABULON_LIGHT = 2620;
constexpr int IDI_TABULON_DARK = 2621;

// Colours of the drawing, 0x00RRGGBB.
constexpr uint32_t LIGHT_HEADER = 0x1F6FB2;
constexpr uint32_t LIGHT_CELL = 0xFFFFFF;
constexpr uint32_t LIGHT_LINE = 0x404040;
constexpr uint32_t LIGHT_CURRENT = 0xC5DEFC;
constexpr uint32_t DARK_HEADER = 0x5AA9E6;
constexpr uint32_t DARK_CELL = 0x2B2B2B;
constexpr uint32_t DARK_LINE = 0xD0D0D0;
constexpr uint32_t DARK_CURRENT = 0x4D4D4D;

// An icon's colour image as 0xAARRGGBB, top row first, with its size.
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;

    uint32_t at(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
    uint32_t rgb(int x, int y) const { return at(x, y) & 0xFFFFFF; }
    int alpha(int x, int y) const { return static_cast<int>(at(x, y) >> 24); }
    std::set<uint32_t> opaqueColours() const {
        std::set<uint32_t> colours;
        for (uint32_t pixel : argb)
            if ((pixel >> 24) == 0xFF) colours.insert(pixel & 0xFFFFFF);
        return colours;
    }
};

// False (and an empty picture) when the handle is not an icon, or no longer one.
bool readIcon(HICON icon, IconPixels& pixels) {
    pixels = {};
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return false;
    BITMAP bitmap{};
    const bool sized = info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap) != 0;
    bool read = false;
    if (sized) {
        pixels.width = bitmap.bmWidth;
        pixels.height = bitmap.bmHeight;
        pixels.argb.assign(static_cast<size_t>(pixels.width) * pixels.height, 0);
        BITMAPINFO request{};
        request.bmiHeader.biSize = sizeof request.bmiHeader;
        request.bmiHeader.biWidth = pixels.width;
        request.bmiHeader.biHeight = -pixels.height;  // top row first
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 32;
        request.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        read = GetDIBits(screen, info.hbmColor, 0, pixels.height, pixels.argb.data(), &request, DIB_RGB_COLORS) ==
               pixels.height;
        ReleaseDC(nullptr, screen);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return read;
}

// The drawing at 16 pixels: lines at x = 1, 5, 9, 14 and y = 1, 4, 7, 10, 14; the header row
// between the first two horizontal lines; the current cell in the middle column, third row.
void expectSixteenPixelDrawing(const IconPixels& icon, uint32_t header, uint32_t cell, uint32_t line,
                               uint32_t current) {
    ASSERT_EQ(icon.width, 16);
    ASSERT_EQ(icon.height, 16);
    for (int corner : {0, 15}) {
        EXPECT_EQ(icon.alpha(corner, 0), 0);
        EXPECT_EQ(icon.alpha(0, corner), 0);
        EXPECT_EQ(icon.alpha(corner, 15), 0);
    }
    for (int x : {1, 5, 9, 14}) EXPECT_EQ(icon.rgb(x, 8), line) << "vertical line at x " << x;
    for (int y : {1, 4, 7, 10, 14}) EXPECT_EQ(icon.rgb(3, y), line) << "horizontal line at y " << y;
    EXPECT_EQ(icon.rgb(3, 2), header);
    EXPECT_EQ(icon.rgb(12, 3), header);
    EXPECT_EQ(icon.rgb(3, 5), cell);
    EXPECT_EQ(icon.rgb(12, 12), cell);
    EXPECT_EQ(icon.rgb(7, 8), current);
    EXPECT_EQ(icon.rgb(7, 5), cell);  // the cell above the current one
    EXPECT_EQ(icon.alpha(7, 8), 0xFF);
}

class ToolbarIconsTest : public PluginTest {};

TEST_F(ToolbarIconsTest, ThePanelCommandGetsOneButtonWithItsThreeImages) {
    loadPlugin();
    ASSERT_EQ(host.toolbarButtons.size(), 1u);
    const devhost::ToolbarButton& button = host.toolbarButtons[0];
    EXPECT_EQ(button.commandId, PANEL_COMMAND_ID);

    // The classic toolbar's bitmap: 16 x 16, the table on the grey that the host keys out.
    BITMAP bitmap{};
    ASSERT_NE(GetObjectW(button.bitmap, sizeof bitmap, &bitmap), 0);
    EXPECT_EQ(bitmap.bmWidth, 16);
    EXPECT_EQ(bitmap.bmHeight, 16);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, button.bitmap);
    EXPECT_EQ(GetPixel(memory, 0, 0), RGB(192, 192, 192));
    EXPECT_EQ(GetPixel(memory, 3, 2), RGB(0x1F, 0x6F, 0xB2));
    EXPECT_EQ(GetPixel(memory, 1, 8), RGB(0x40, 0x40, 0x40));
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    // The light and the dark toolbar's icons, at the screen's 96 DPI: 16 pixels each.
    IconPixels light, dark;
    ASSERT_TRUE(readIcon(button.icon, light));
    ASSERT_TRUE(readIcon(button.darkIcon, dark));
    expectSixteenPixelDrawing(light, LIGHT_HEADER, LIGHT_CELL, LIGHT_LINE, LIGHT_CURRENT);
    expectSixteenPixelDrawing(dark, DARK_HEADER, DARK_CELL, DARK_LINE, DARK_CURRENT);
}

TEST_F(ToolbarIconsTest, EachIconIsDrawnForSixteenTwentyFourAndThirtyTwoPixels) {
    loadPlugin();
    const HMODULE library = host.plugin().module();
    for (int id : {IDI_TABULON_LIGHT, IDI_TABULON_DARK}) {
        const std::set<uint32_t> expected = id == IDI_TABULON_LIGHT
            ? std::set<uint32_t>{LIGHT_HEADER, LIGHT_CELL, LIGHT_LINE, LIGHT_CURRENT}
            : std::set<uint32_t>{DARK_HEADER, DARK_CELL, DARK_LINE, DARK_CURRENT};
        for (int size : {16, 24, 32}) {
            HICON icon = static_cast<HICON>(LoadImageW(library, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
            IconPixels pixels;
            ASSERT_TRUE(readIcon(icon, pixels)) << "icon " << id << " at " << size;
            EXPECT_EQ(pixels.width, size);
            // An image scaled from another size would blend the colours at the lines.
            EXPECT_EQ(pixels.opaqueColours(), expected) << "icon " << id << " at " << size;
            EXPECT_EQ(pixels.alpha(0, 0), 0);
            EXPECT_EQ(pixels.alpha(size - 1, size - 1), 0);
            DestroyIcon(icon);
        }
    }
}

TEST_F(ToolbarIconsTest, TheButtonShowsWhetherThePanelIsOpen) {
    loadPlugin();
    EXPECT_EQ(host.toolbarButtonChecked(PANEL_COMMAND_ID), false);
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    EXPECT_EQ(host.toolbarButtonChecked(PANEL_COMMAND_ID), true);
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    EXPECT_EQ(host.toolbarButtonChecked(PANEL_COMMAND_ID), false);
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    host.closeDockByUser();
    EXPECT_EQ(host.toolbarButtonChecked(PANEL_COMMAND_ID), false);
    ASSERT_TRUE(host.invokeCommand(AUTO_FIT_COMMAND));  // opens the hidden panel
    EXPECT_EQ(host.toolbarButtonChecked(PANEL_COMMAND_ID), true);
    // The other commands have no button.
    EXPECT_FALSE(host.toolbarButtonChecked(PANEL_COMMAND_ID + AUTO_FIT_COMMAND).has_value());
}

TEST_F(ToolbarIconsTest, TheTabIconFollowsTheModeThePanelIsCreatedIn) {
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        host.darkMode = dark;
        loadPlugin();
        ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
        ASSERT_TRUE(host.dockRegistration.has_value());
        EXPECT_EQ(host.dockRegistration->uMask & DWS_ICONTAB, DWS_ICONTAB);
        IconPixels tab;
        ASSERT_TRUE(readIcon(host.dockRegistration->hIconTab, tab));
        expectSixteenPixelDrawing(tab, dark ? DARK_HEADER : LIGHT_HEADER, dark ? DARK_CELL : LIGHT_CELL,
                                  dark ? DARK_LINE : LIGHT_LINE, dark ? DARK_CURRENT : LIGHT_CURRENT);
        EXPECT_EQ(host.dockRegistration->record->hIconTab, host.dockRegistration->hIconTab);
        ASSERT_TRUE(host.shutdownPlugin());
    }
}

TEST_F(ToolbarIconsTest, ShutDownReleasesEveryImageItHandedOver) {
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    ASSERT_EQ(host.toolbarButtons.size(), 1u);
    const devhost::ToolbarButton button = host.toolbarButtons[0];
    const HICON tabIcon = host.dockRegistration->hIconTab;
    IconPixels pixels;
    ASSERT_TRUE(readIcon(tabIcon, pixels));

    host.plugin().shutdown(host.window());
    host.pumpUntilIdle();
    BITMAP bitmap{};
    EXPECT_EQ(GetObjectW(button.bitmap, sizeof bitmap, &bitmap), 0);
    EXPECT_FALSE(readIcon(button.icon, pixels));
    EXPECT_FALSE(readIcon(button.darkIcon, pixels));
    EXPECT_FALSE(readIcon(tabIcon, pixels));
}

}  // namespace
