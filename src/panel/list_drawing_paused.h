// A pause in a list view's drawing, for changes the list would otherwise show one at a time.
#pragma once

#include <windows.h>

// Keeps a list from drawing while it lasts; then the list draws again, all of it anew.
class ListDrawingPaused {
public:
    explicit ListDrawingPaused(HWND list) : list_(list) { SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
    ListDrawingPaused(const ListDrawingPaused&) = delete;
    ListDrawingPaused& operator=(const ListDrawingPaused&) = delete;
    ~ListDrawingPaused() {
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }

private:
    HWND list_;
};
