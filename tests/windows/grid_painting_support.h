// What the grid tests need to look at a painted grid: cell rectangles as the list reports
// them, colours of areas of a capture, and reference renderings of a text drawn the way a
// cell or a header item draws it, to compare with what the panel painted.
#pragma once

#include "pixels.h"
#include "test_support.h"

#include <commctrl.h>

#include <string>

namespace tabulon_test {

// Painting metrics at 96 DPI, the DPI the tests run at.
constexpr int CELL_TEXT_INSET = 4;
constexpr int HEADER_INSET_LEFT = 6;
constexpr int HEADER_INSET_RIGHT = 4;
constexpr COLORREF FRAME_LIGHT = RGB(33, 107, 196);
constexpr COLORREF FRAME_DARK = RGB(154, 200, 255);
constexpr UINT BODY_FORMAT = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr UINT NUMBER_FORMAT = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

// A cell's rectangle in the list's client coordinates: the list's own sub-item rectangle for
// data columns, and for column 0 the strip of column 0's width left of column 1.
inline RECT listCellRect(HWND list, int row, int column) {
    RECT rect{};
    if (column >= 1) {
        rect.top = column;
        rect.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    RECT first{};
    first.top = 1;
    first.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&first));
    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    rect = first;
    rect.right = first.left;
    rect.left = first.left - width;
    return rect;
}

// The rectangle inside a cell's lines: without its right column line and its bottom row line.
inline RECT insideLines(RECT cell) {
    cell.right -= 1;
    cell.bottom -= 1;
    return cell;
}

inline int area(const RECT& r) {
    return (r.right - r.left) * (r.bottom - r.top);
}

// Whether every pixel of the area has the colour.
inline bool allOf(const devhost::Pixels& pixels, COLORREF color, const RECT& r) {
    return pixels.count(color, r) == area(r);
}

// Text drawn as the grid draws a cell's or a header item's text: on a fill of background, in
// the window's font, inside the rectangle moved in by the insets. The result has the size of
// the rectangle.
inline devhost::Pixels renderText(HWND fontWindow, SIZE size, const std::wstring& text, UINT format,
                                  COLORREF background, COLORREF foreground, int insetLeft, int insetRight) {
    devhost::Pixels pixels;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (dc == nullptr || bitmap == nullptr || bits == nullptr) {
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        return pixels;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, size.cx, size.cy};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(fontWindow, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, foreground);
    RECT textArea{insetLeft, 0, size.cx - insetRight, size.cy};
    if (textArea.right > textArea.left) {
        DrawTextW(dc, text.c_str(), -1, &textArea, format);
    }
    GdiFlush();
    pixels.width = size.cx;
    pixels.height = size.cy;
    pixels.colors.resize(static_cast<size_t>(size.cx) * size.cy);
    const auto* source = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.colors.size(); ++i) {
        pixels.colors[i] = RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF);
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

// How many pixels of a region of a cell differ between the capture and a reference image of
// the whole cell (whose top-left corner lies on the cell's).
inline int differingPixels(const devhost::Pixels& capture, const RECT& cell, const RECT& region,
                           const devhost::Pixels& reference) {
    int differences = 0;
    for (int y = region.top; y < region.bottom; ++y) {
        for (int x = region.left; x < region.right; ++x) {
            const int rx = x - cell.left;
            const int ry = y - cell.top;
            if (x < 0 || y < 0 || x >= capture.width || y >= capture.height || rx < 0 || ry < 0 ||
                rx >= reference.width || ry >= reference.height || capture.at(x, y) != reference.at(rx, ry)) {
                ++differences;
            }
        }
    }
    return differences;
}

// The reference for a cell: its fill, and the text inset as the grid insets it.
inline devhost::Pixels renderCell(HWND list, const RECT& cell, const std::wstring& text, UINT format,
                                  COLORREF background, COLORREF foreground) {
    return renderText(list, SIZE{cell.right - cell.left, cell.bottom - cell.top}, text, format, background,
                      foreground, CELL_TEXT_INSET, CELL_TEXT_INSET);
}

}  // namespace tabulon_test
