// Control ids of the panel's children and the panel's timers.
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr int IDC_GRID_LIST = 2601;
inline constexpr int IDC_RELOAD = 2602;
inline constexpr int IDC_HEADER_ROW = 2603;
inline constexpr int IDC_DELIMITER = 2604;
inline constexpr int IDC_ADD_ROW = 2605;
inline constexpr int IDC_DELETE_ROW = 2606;
inline constexpr int IDC_ADD_COLUMN = 2607;
inline constexpr int IDC_DELETE_COLUMN = 2608;
inline constexpr int IDC_FIT = 2609;
inline constexpr int IDC_STATUS = 2610;
inline constexpr int IDC_CELL_EDITOR = 2611;
inline constexpr int IDC_DELIM_LABEL = 2612;
inline constexpr int IDC_FILTER = 2613;

// The find bar along the panel's bottom edge, created when it is first opened.
inline constexpr int IDC_FIND_LABEL = 2630;
inline constexpr int IDC_FIND_TEXT = 2631;
inline constexpr int IDC_FIND_MATCH_CASE = 2632;
inline constexpr int IDC_FIND_WHOLE_CELL = 2633;
inline constexpr int IDC_FIND_IN_COLUMN = 2634;
inline constexpr int IDC_FIND_NEXT = 2635;
inline constexpr int IDC_FIND_PREVIOUS = 2636;
inline constexpr int IDC_REPLACE_LABEL = 2637;
inline constexpr int IDC_REPLACE_TEXT = 2638;
inline constexpr int IDC_REPLACE = 2639;
inline constexpr int IDC_REPLACE_ALL = 2640;
inline constexpr int IDC_FIND_CLOSE = 2641;
inline constexpr int IDC_FIND_REGEX = 2642;

// The "Sort by" box: a column list and a direction list per key, in key order.
inline constexpr int IDC_SORT_COLUMN_FIRST = 2650;
inline constexpr int IDC_SORT_DIRECTION_FIRST = 2660;

// The debounce timer on the panel window that turns a burst of outside edits into one refresh.
inline constexpr UINT_PTR REFRESH_TIMER = 1;
inline constexpr UINT REFRESH_DELAY_MS = 400;

// A look at the current view's code page every WATCH_INTERVAL_MS while the panel is open: the
// host reads the same bytes in another one (its Encoding menu) without an edit or a word.
inline constexpr UINT_PTR WATCH_TIMER = 3;

// A click on a column title waits on this timer for the double-click time before it sorts.
inline constexpr UINT_PTR TITLE_CLICK_TIMER = 4;
// Work the grid does between messages once the rows are shown (the selected range's figures):
// a slice of at most BACKGROUND_SLICE_MS per tick, in steps of BACKGROUND_STEP_BYTES.
inline constexpr UINT_PTR BACKGROUND_TIMER = 5;
inline constexpr UINT BACKGROUND_SLICE_MS = 12;
inline constexpr uint64_t BACKGROUND_STEP_BYTES = uint64_t(64) << 10;
// The sort a waiting title click will make is worked out during the wait for documents up to
// this size; a larger one is sorted when the wait is over.
inline constexpr uint64_t PREPARED_SORT_MAX_BYTES = uint64_t(64) << 20;
inline constexpr UINT WATCH_INTERVAL_MS = 500;

// A whole-document scan reads at most SCAN_SLICE_BYTES, and for at most SCAN_SLICE_MS, at a
// time, in steps of SCAN_STEP_BYTES between looks at the clock; what a slice leaves is read on
// SCAN_TIMER's next tick, so the host's message loop runs in between. Documents up to
// SCAN_AT_ONCE_BYTES are read at once (well within the time of a slice); larger ones from the
// first tick on, and shown on the tick after the last slice. A step is long enough to be read
// by two threads where there are two cores (a few milliseconds).
inline constexpr UINT_PTR SCAN_TIMER = 2;
inline constexpr UINT SCAN_SLICE_MS = 40;
inline constexpr uint64_t SCAN_SLICE_BYTES = uint64_t(64) << 20;
inline constexpr uint64_t SCAN_AT_ONCE_BYTES = uint64_t(16) << 20;
inline constexpr uint64_t SCAN_STEP_BYTES = uint64_t(8) << 20;
