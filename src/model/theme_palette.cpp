#include "model/theme_palette.h"

namespace {

// The light-mode colours that are fixed rather than taken from the system.
constexpr uint32_t LIGHT_SELECTION_BACKGROUND = 0xFCDEC5;  // light blue: R 197, G 222, B 252
constexpr uint32_t LIGHT_SELECTION_TEXT = 0x000000;
constexpr uint32_t LIGHT_GRID_LINE = 0xC8C8C8;

// The dark palette used when the host offers none.
constexpr uint32_t FALLBACK_BACKGROUND = 0x202020;
constexpr uint32_t FALLBACK_SOFTER_BACKGROUND = 0x303030;
constexpr uint32_t FALLBACK_HOT_BACKGROUND = 0x4D4D4D;
constexpr uint32_t FALLBACK_TEXT = 0xE0E0E0;
constexpr uint32_t FALLBACK_EDGE = 0x646464;

// In dark mode the selection is the background tinted towards the current cell's frame colour
// (R 154, G 200, B 255), by this many percent. The host's hot background lies too close to its
// background and its softer background for the current cell to be found.
constexpr uint32_t DARK_SELECTION_TINT = 0xFFC89A;
constexpr uint32_t DARK_SELECTION_TINT_PERCENT = 35;

uint32_t softenedChannel(uint32_t color, int shift) {
    const uint32_t channel = (color >> shift) & 0xFF;
    return (channel * 245 / 255) << shift;
}

uint32_t tintedChannel(uint32_t color, uint32_t tint, int shift) {
    const int base = static_cast<int>((color >> shift) & 0xFF);
    const int target = static_cast<int>((tint >> shift) & 0xFF);
    const int channel = base + (target - base) * static_cast<int>(DARK_SELECTION_TINT_PERCENT) / 100;
    return static_cast<uint32_t>(channel) << shift;
}

}  // namespace

uint32_t tintedColor(uint32_t color) {
    return tintedChannel(color, DARK_SELECTION_TINT, 0) | tintedChannel(color, DARK_SELECTION_TINT, 8) |
           tintedChannel(color, DARK_SELECTION_TINT, 16);
}

uint32_t softenedColor(uint32_t color) {
    return softenedChannel(color, 0) | softenedChannel(color, 8) | softenedChannel(color, 16);
}

ThemeColors lightThemeColors(const SystemColors& system) {
    ThemeColors colors{};
    colors.background = system.window;
    colors.alternateBackground = softenedColor(system.window);
    colors.text = system.windowText;
    colors.headerBackground = system.buttonFace;
    colors.headerText = system.buttonText;
    colors.selectionBackground = LIGHT_SELECTION_BACKGROUND;
    colors.selectionText = LIGHT_SELECTION_TEXT;
    colors.gridLine = LIGHT_GRID_LINE;
    return colors;
}

ThemeColors darkThemeColors(const std::optional<HostDarkPalette>& palette) {
    HostDarkPalette used{FALLBACK_BACKGROUND, FALLBACK_SOFTER_BACKGROUND, FALLBACK_HOT_BACKGROUND,
                         FALLBACK_TEXT, FALLBACK_EDGE};
    if (palette && (palette->background != 0 || palette->text != 0)) {
        used = *palette;
    }
    ThemeColors colors{};
    colors.background = used.background;
    colors.alternateBackground = used.softerBackground;
    colors.text = used.text;
    colors.headerBackground = used.softerBackground;
    colors.headerText = used.text;
    colors.selectionBackground = tintedColor(used.background);
    colors.selectionText = used.text;
    colors.gridLine = used.edge;
    return colors;
}
