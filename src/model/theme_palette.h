// The panel's colours: where each one comes from in light mode (system colours) and in dark
// mode (the host's palette, or a fixed fallback when the host gives none).
//
// Colours are 32-bit 0x00BBGGRR values: red in the low byte, blue in the third.
#pragma once

#include <cstdint>
#include <optional>

struct ThemeColors {
    uint32_t background;           // grid background and even rows
    uint32_t alternateBackground;  // odd rows; dark mode: behind edit controls and combo lists
    uint32_t text;                 // cell text; dark mode: the text of every control
    uint32_t headerBackground;     // column header items and the row-number column
    uint32_t headerText;           // text of the header and of the row-number column
    uint32_t selectionBackground;  // the current cell; dark mode: the selected range too
    uint32_t selectionText;        // text of the current cell
    uint32_t gridLine;             // cell borders and header separators

    bool operator==(const ThemeColors&) const = default;
};

// The colours held before the theme is first applied (the panel applies it before painting).
inline constexpr ThemeColors INITIAL_THEME_COLORS{0xFFFFFF, 0xF6F6F6, 0x000000, 0xF0F0F0,
                                                  0x000000, 0xFCDEC5, 0x000000, 0xBEBEBE};

// The system colours that light mode is made of.
struct SystemColors {
    uint32_t window;
    uint32_t windowText;
    uint32_t buttonFace;
    uint32_t buttonText;
};

// The five colours of the host's dark palette that the panel uses.
struct HostDarkPalette {
    uint32_t background;
    uint32_t softerBackground;
    uint32_t hotBackground;
    uint32_t text;
    uint32_t edge;
};

// Each channel of a colour multiplied by 245/255 (integer division): white becomes 0xF5F5F5.
uint32_t softenedColor(uint32_t color);

// A dark background tinted 35 % of the way towards R 154, G 200, B 255 in each channel: the
// dark-mode selection, which stands apart from both row colours.
uint32_t tintedColor(uint32_t color);

ThemeColors lightThemeColors(const SystemColors& system);

// palette is empty when the host did not answer. A palette whose background and text are both
// black is treated as no answer, since it would make the grid unreadable.
ThemeColors darkThemeColors(const std::optional<HostDarkPalette>& palette);
