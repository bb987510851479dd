// Small move-only owners for GDI objects that live only as long as one message is handled, so
// that every early return releases them and nothing is deleted while still selected.
#pragma once

#include <windows.h>

#include <utility>

#include "panel/gdi_objects.h"

// Owns a brush, pen or font made for one use (counted as it is taken) and deletes it at the end
// of the scope.
template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) : handle_(countedGdiObject(handle)) {}
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
private:
    // Takes over a handle that is already counted.
    void reset(Handle handle = nullptr) {
        deleteGdiObject(handle_);
        handle_ = handle;
    }

    Handle handle_;
};

using ScopedBrush = GdiObject<HBRUSH>;
using ScopedPen = GdiObject<HPEN>;

// A window's device context from GetDC, released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back at the end of the
// scope. Declare it after the owner of the object, so the object is deselected before it is
// deleted.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Fills an area with a colour through a brush made and deleted for this one fill.
inline void fillSolid(HDC dc, const RECT& area, COLORREF color) {
    ScopedBrush brush(CreateSolidBrush(color));
    if (brush) {
        FillRect(dc, &area, brush.get());
    }
}
