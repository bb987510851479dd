// The list's columns: kept in step with the table, and fitted to their contents on request.
//
// Column 0 shows the row numbers; column k shows cell k-1 of every row. Widths live only in
// the list: a refresh keeps the width of every column that still exists, new columns start at
// a fixed default, and only the Fit button sizes columns to their texts.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "model/cell_text.h"
#include "model/row_text.h"
#include "panel/gdi_owners.h"
#include "panel/grid_panel.h"
#include "panel/list_drawing_paused.h"

namespace {

// Widths at 96 DPI.
constexpr int ROW_NUMBER_COLUMN_WIDTH = 52;
constexpr int AUTOFIT_MIN_WIDTH = 40;
constexpr int AUTOFIT_MAX_WIDTH = 340;
constexpr int AUTOFIT_MARGIN = 16;
// Grid rows measured per column, from the top; fitting costs the same for any document size.
constexpr uint64_t AUTOFIT_SAMPLE_ROWS = 400;

const wchar_t ROW_NUMBER_TITLE[] = L"#";

int textWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    if (text.empty() || !GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) {
        return 0;
    }
    return size.cx;
}

}  // namespace

std::wstring GridPanel::dataColumnTitle(uint64_t column) const {
    return columnTitle(table, headerRow, static_cast<UINT>(documentCodePage), column, lineBreakMark);
}

// Brings the list's columns in step with the table, keeping the widths of columns that stay.
// Surplus columns go from the right; the others are updated in place, which keeps the
// horizontal scroll position.
void GridPanel::rebuildColumns() {
    if (gridList == nullptr) {
        return;
    }
    gridView.columns.setColumnCount(shownColumnCount);
    std::vector<int> widths;
    int existing = 0;
    const HWND header = gridHeader;
    if (header != nullptr) {
        existing = std::max(static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)), 0);
        widths.reserve(static_cast<size_t>(existing));
        for (int i = 0; i < existing; ++i) {
            widths.push_back(columnWidth(i));
        }
    }

    const int wanted = static_cast<int>(shownColumnCount) + 1;
    // Each column added, removed or set makes the list move the picture right of it at once
    // (the real host's list does so with a scroll and a paint each): while columns change the
    // list draws nothing, and it is painted once afterwards.
    std::optional<ListDrawingPaused> paused;
    const auto pauseDrawing = [&] {
        if (!paused) paused.emplace(gridList);
    };
    while (existing > wanted) {
        pauseDrawing();
        SendMessageW(gridList, LVM_DELETECOLUMN, static_cast<WPARAM>(existing - 1), 0);
        --existing;
        shownArrow.known = false;
    }
    // Titles known only for the columns the list has; any other column is set anew.
    columnTitles.resize(static_cast<size_t>(existing));

    int titlesSet = 0;  // data columns given their format here, which has no sort arrow
    for (int j = 0; j < wanted; ++j) {
        const bool rowNumbers = j == 0;
        std::wstring title = rowNumbers ? std::wstring(ROW_NUMBER_TITLE) : dataColumnTitle(static_cast<uint64_t>(j - 1));
        // Setting a column the list already shows as it is would only make it lay out its
        // header again, at every refresh.
        const int recorded = j < static_cast<int>(widths.size()) ? widths[static_cast<size_t>(j)] : 0;
        // (A column hidden or shown since keeps its title but not its width.)
        if (j < existing && columnTitles[static_cast<size_t>(j)] == title && (recorded == 0) == columnHidden(j)) {
            continue;
        }
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = rowNumbers ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.iSubItem = j;
        column.cx = recorded > 0 ? recorded : scaled(rowNumbers ? ROW_NUMBER_COLUMN_WIDTH : DATA_COLUMN_WIDTH);
        if (columnHidden(j)) {
            column.cx = 0;
        }
        column.pszText = title.data();
        shownArrow.known = false;  // the format set here has no arrow
        titlesSet += rowNumbers ? 0 : 1;
        pauseDrawing();
        if (j < existing) {
            SendMessageW(gridList, LVM_SETCOLUMNW, static_cast<WPARAM>(j), reinterpret_cast<LPARAM>(&column));
            columnTitles[static_cast<size_t>(j)] = std::move(title);
        } else {
            SendMessageW(gridList, LVM_INSERTCOLUMNW, static_cast<WPARAM>(j), reinterpret_cast<LPARAM>(&column));
            columnTitles.push_back(std::move(title));
        }
    }
    paused.reset();
    if (titlesSet == wanted - 1) {
        // No title has an arrow left: the header's items need not be looked at for one.
        shownArrow = ShownArrow{true, -1, false};
    }
    forgetSortArrow();  // the rows are read anew: a sort they show is not known any more
    applyHiddenWidths();
    layoutFilterBoxes();
}

// Sizes every column to its title and the texts of its first rows, within fixed bounds. The
// row-number column is sized for the largest row number, not the largest one sampled.
void GridPanel::autoFitColumns() {
    if (gridList == nullptr) {
        return;
    }
    {
        WindowDC dc(gridList);
        if (!dc) {
            return;
        }
        SelectedObject selectedFont(dc.get(), font);

        const uint64_t rows = gridRowCount();
        const uint64_t sampled = std::min(rows, AUTOFIT_SAMPLE_ROWS);
        const int maxWidth = scaled(AUTOFIT_MAX_WIDTH);
        const UINT codePage = static_cast<UINT>(documentCodePage);

        for (uint64_t i = 0; i <= shownColumnCount; ++i) {
            int width = 0;
            if (columnHidden(static_cast<int32_t>(i))) {
                continue;  // stays hidden
            }
            if (i == 0) {
                width = std::max(textWidth(dc.get(), ROW_NUMBER_TITLE),
                                 textWidth(dc.get(), std::to_wstring(rows)));
            } else {
                const uint64_t cellIndex = i - 1;
                width = textWidth(dc.get(), dataColumnTitle(cellIndex));
                for (uint64_t r = 0; r < sampled && width <= maxWidth; ++r) {
                    const auto cell = cellAt(table, gridRows(), static_cast<int32_t>(r), cellIndex);
                    if (!cell || cell->empty()) {
                        continue;
                    }
                    width = std::max(width, textWidth(dc.get(), displayText(decodeCell(*cell, codePage), lineBreakMark)));
                }
            }
            width = std::clamp(width + scaled(AUTOFIT_MARGIN), scaled(AUTOFIT_MIN_WIDTH), maxWidth);
            SendMessageW(gridList, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), MAKELPARAM(width, 0));
        }
    }
    InvalidateRect(gridList, nullptr, TRUE);
}
