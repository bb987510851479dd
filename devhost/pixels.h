// The pixels of a window's client area as COLORREFs, and a dependency-free 24-bit BMP writer
// for screenshots.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace devhost {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colors;  // row by row from the top, width × height

    bool empty() const { return colors.empty(); }
    COLORREF at(int x, int y) const { return colors[static_cast<size_t>(y) * width + x]; }
    // How many pixels of a rectangle (clipped to the image) have the colour.
    int count(COLORREF color, RECT area) const;
    int count(COLORREF color) const { return count(color, RECT{0, 0, width, height}); }
};

// Paints what is pending (UpdateWindow on the window and its children), then copies the
// client area from the window's device context. With repaint, the whole window is
// invalidated and repainted first. Empty when the window is not a visible window.
Pixels capturePixels(HWND window, bool repaint = false);

// What the screen shows in a rectangle of screen coordinates, every window over it included.
Pixels captureScreen(RECT area);

// The colour that fills most of a rectangle of the picture (clipped to it); CLR_INVALID for an
// empty rectangle.
COLORREF dominantColor(const Pixels& pixels, RECT area);

// Writes a bottom-up 24-bit BMP; false when the file cannot be written or there are no pixels.
bool saveBmp(const Pixels& pixels, const std::wstring& path);

}  // namespace devhost
