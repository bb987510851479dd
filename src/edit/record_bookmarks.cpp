#include "edit/record_bookmarks.h"

#include "plugin/host_interface.h"

// The host's bookmarks in the view, each tied to the record whose bytes its line begins in.
std::vector<RecordBookmark> recordBookmarks(HWND view, const RowList& rows) {
    std::vector<RecordBookmark> marks;
    if (view == nullptr || rows.empty()) {
        return marks;
    }
    constexpr LPARAM MASK = LPARAM(1) << MARK_BOOKMARK;
    intptr_t last = -1;
    for (intptr_t line = SendMessageW(view, SCI_MARKERNEXT, 0, MASK); line > last;
         line = SendMessageW(view, SCI_MARKERNEXT, static_cast<WPARAM>(line + 1), MASK)) {
        last = line;
        const intptr_t position = SendMessageW(view, SCI_POSITIONFROMLINE, static_cast<WPARAM>(line), 0);
        if (position < 0) {
            break;
        }
        const uint64_t record = rows.lastRowStartingBefore(static_cast<uint64_t>(position) + 1);
        const intptr_t first = SendMessageW(view, SCI_LINEFROMPOSITION, static_cast<WPARAM>(rows.start(record)), 0);
        marks.push_back({record, line - first});
    }
    return marks;
}

// Puts the bookmarks back on their records' lines at the records' new starts.
void placeBookmarks(HWND view, const std::vector<RecordBookmark>& marks, const std::vector<uint64_t>& starts) {
    SendMessageW(view, SCI_MARKERDELETEALL, MARK_BOOKMARK, 0);
    for (const RecordBookmark& mark : marks) {
        if (mark.record >= starts.size()) {
            continue;
        }
        const intptr_t first = SendMessageW(view, SCI_LINEFROMPOSITION, static_cast<WPARAM>(starts[mark.record]), 0);
        SendMessageW(view, SCI_MARKERADD, static_cast<WPARAM>(first + mark.lineInRecord), MARK_BOOKMARK);
    }
}

