#include "pixels.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <map>

namespace devhost {

int Pixels::count(COLORREF color, RECT area) const {
    const int left = std::max(0, static_cast<int>(area.left));
    const int top = std::max(0, static_cast<int>(area.top));
    const int right = std::min(width, static_cast<int>(area.right));
    const int bottom = std::min(height, static_cast<int>(area.bottom));
    int matches = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (at(x, y) == color) ++matches;
    return matches;
}

namespace {

// The pixels of a rectangle of a device context, through a top-down 32-bit section.
Pixels copyPixels(HDC source, int left, int top, int width, int height) {
    Pixels pixels;
    if (source == nullptr || width <= 0 || height <= 0) return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memoryDc = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memoryDc && bitmap && bits) {
        HGDIOBJ old = SelectObject(memoryDc, bitmap);
        if (BitBlt(memoryDc, 0, 0, width, height, source, left, top, SRCCOPY)) {
            GdiFlush();
            pixels.width = width;
            pixels.height = height;
            pixels.colors.resize(static_cast<size_t>(width) * height);
            const auto* sourceBits = static_cast<const uint32_t*>(bits);
            for (size_t i = 0; i < pixels.colors.size(); ++i) {
                const uint32_t bgra = sourceBits[i];  // 0x00RRGGBB in memory order B, G, R
                pixels.colors[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
            }
        }
        SelectObject(memoryDc, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    return pixels;
}

}  // namespace

Pixels capturePixels(HWND window, bool repaint) {
    if (!window || !IsWindow(window) || !IsWindowVisible(window)) return Pixels{};
    if (repaint) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    } else {
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    RECT client;
    GetClientRect(window, &client);
    HDC windowDc = GetDCEx(window, nullptr, DCX_CACHE);  // children included: no DCX_CLIPCHILDREN
    if (!windowDc) return Pixels{};
    Pixels pixels = copyPixels(windowDc, 0, 0, client.right, client.bottom);
    ReleaseDC(window, windowDc);
    return pixels;
}

Pixels captureScreen(RECT area) {
    HDC screen = GetDC(nullptr);
    if (!screen) return Pixels{};
    Pixels pixels = copyPixels(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(nullptr, screen);
    return pixels;
}

COLORREF dominantColor(const Pixels& pixels, RECT area) {
    std::map<COLORREF, int> counts;
    for (LONG y = std::max(0L, area.top); y < std::min<LONG>(pixels.height, area.bottom); ++y) {
        for (LONG x = std::max(0L, area.left); x < std::min<LONG>(pixels.width, area.right); ++x) {
            ++counts[pixels.at(x, y)];
        }
    }
    COLORREF best = CLR_INVALID;
    int bestCount = 0;
    for (const auto& [color, count] : counts) {
        if (count > bestCount) {
            best = color;
            bestCount = count;
        }
    }
    return best;
}

bool saveBmp(const Pixels& pixels, const std::wstring& path) {
    if (pixels.empty()) return false;
    const uint32_t rowBytes = (static_cast<uint32_t>(pixels.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(pixels.height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = pixels.width;
    header.biHeight = pixels.height;  // bottom-up
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = imageBytes;

    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    bool ok = std::fwrite(&file, sizeof(file), 1, out) == 1 && std::fwrite(&header, sizeof(header), 1, out) == 1;
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = pixels.height - 1; ok && y >= 0; --y) {
        for (int x = 0; x < pixels.width; ++x) {
            const COLORREF color = pixels.at(x, y);
            row[static_cast<size_t>(x) * 3 + 0] = GetBValue(color);
            row[static_cast<size_t>(x) * 3 + 1] = GetGValue(color);
            row[static_cast<size_t>(x) * 3 + 2] = GetRValue(color);
        }
        ok = std::fwrite(row.data(), 1, row.size(), out) == row.size();
    }
    return std::fclose(out) == 0 && ok;
}

}  // namespace devhost
