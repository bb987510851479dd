// Control ids of the panel's children and the panel's timer.
#pragma once

#include <windows.h>

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

// The debounce timer on the panel window that turns a burst of outside edits into one refresh.
inline constexpr UINT_PTR REFRESH_TIMER = 1;
inline constexpr UINT REFRESH_DELAY_MS = 400;
