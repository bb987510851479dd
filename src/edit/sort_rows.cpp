// Sorting the grid's rows: a click on a column's header, or up to three keys chosen in the
// "Sort by..." box.
//
// A sort writes: the records go into the document in their new order, each with its own bytes,
// as one replace inside one undo action, so one undo in the host puts them back. The file keeps
// its shape: it ends as it did, and no record runs into another. The host's bookmarks follow
// their records. Like the row
// and column operations it checks the document against the stamp first and reads it again
// afterwards; the current cell follows its record to its new place. The header of the first
// key's column shows the direction until the grid is read again for anything else.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "edit/messages.h"
#include "model/editor_access.h"
#include "model/sort_order.h"
#include "panel/control_ids.h"
#include "panel/grid_panel.h"

namespace {

// Sort keys by the user's locale rules: case-insensitive, digits as numbers. The cell's bytes
// are decoded from the document's code page first; a value the system cannot turn into a key
// falls back to the portable order.
CollationKeyFunction localeCollation(UINT codePage) {
    return [codePage, text = std::wstring(), sortKey = std::wstring()](std::string_view value,
                                                                        std::string& key) mutable {
        constexpr DWORD FLAGS = LCMAP_SORTKEY | NORM_IGNORECASE | SORT_DIGITSASNUMBERS;
        const int byteCount = static_cast<int>(std::min<size_t>(value.size(), INT_MAX));
        const int length = MultiByteToWideChar(codePage, 0, value.data(), byteCount, nullptr, 0);
        if (length > 0) {
            text.resize(static_cast<size_t>(length));
            MultiByteToWideChar(codePage, 0, value.data(), byteCount, text.data(), length);
            // A key takes some bytes per character; a first try with room for that saves the
            // call that asks for the size.
            sortKey.resize(text.size() * 4 + 16);
            int bytes = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, FLAGS, text.data(), length, sortKey.data(),
                                      static_cast<int>(sortKey.size() * sizeof(wchar_t)), nullptr, nullptr, 0);
            if (bytes <= 0) {
                bytes = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, FLAGS, text.data(), length, nullptr, 0, nullptr,
                                      nullptr, 0);
                if (bytes > 0) {
                    sortKey.resize(static_cast<size_t>(bytes) / sizeof(wchar_t) + 1);
                    bytes = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, FLAGS, text.data(), length, sortKey.data(),
                                          bytes, nullptr, nullptr, 0);
                }
            }
            if (bytes > 0) {
                key.append(reinterpret_cast<const char*>(sortKey.data()), static_cast<size_t>(bytes));
                return;
            }
        }
        naturalTextKey(value, key);
    };
}

}  // namespace

void GridPanel::sortByColumn(uint64_t cellIndex, bool descending) {
    sortRows({SortKey{cellIndex, descending}});
}

// A click on a data column's header sorts by it: ascending, or descending when the header
// already shows this column sorted ascending. The row numbers do not sort.
std::optional<SortKey> GridPanel::titleClickKey(int listColumn) const {
    if (listColumn <= 0) {
        return std::nullopt;
    }
    const uint64_t cellIndex = static_cast<uint64_t>(listColumn) - 1;
    const bool shownAscending = sortArrowShown() && sortArrow.column == cellIndex && !sortArrow.descending;
    return SortKey{cellIndex, shownAscending};
}

void GridPanel::onColumnHeaderClick(int listColumn) {
    if (const std::optional<SortKey> key = titleClickKey(listColumn)) {
        sortRows({*key});
    }
}

// While a title click waits out the double-click time, the sort it will make is worked out, so
// that only its write is left when the time is over. Not for a document so large that working
// it out would keep a double-click from being answered for long.
void GridPanel::prepareTitleSort(int listColumn) {
    preparedSort.reset();
    const std::optional<SortKey> key = titleClickKey(listColumn);
    if (key && !fileTooLarge && documentScan == nullptr && !table.rows.empty() &&
        table.parsedLength <= PREPARED_SORT_MAX_BYTES) {
        preparedSort = prepareSort({*key});
    }
}

GridPanel::PreparedSort GridPanel::prepareSort(const std::vector<SortKey>& keys) const {
    PreparedSort sort;
    sort.keys = keys;
    sort.generation = refreshGeneration;
    sort.cellWrites = cellWrites;
    sort.eol = documentEol(editorWindows());
    sort.order = sortedRecordOrder(table, headerRow, keys, localeCollation(static_cast<UINT>(documentCodePage)));
    // The last record's open quote is kept last by the order itself; what remains is the rare
    // quote behind a byte-order mark, which no order of the records can write as it reads.
    sort.readsBack = orderReadsBack(table, sort.order);
    if (sort.readsBack && orderChangesAnything(sort.order)) {
        sort.text = reorderedDocumentText(table, sort.order, sort.eol, &sort.starts);
        sort.changes = true;
    }
    return sort;
}

void GridPanel::sortRows(const std::vector<SortKey>& keys) {
    std::optional<PreparedSort> prepared = std::exchange(preparedSort, std::nullopt);
    if (keys.empty() || fileTooLarge || table.rows.empty() || !ensureDocumentUnchanged()) {
        return;
    }
    // The sort worked out during the double-click time, while the rows it was worked out on
    // are still the table's.
    const bool stillHolds = prepared && prepared->keys == keys && prepared->generation == refreshGeneration &&
                            prepared->cellWrites == cellWrites && prepared->eol == documentEol(editorWindows());
    const PreparedSort sort = stillHolds ? std::move(*prepared) : prepareSort(keys);

    // The current cell's record, at its new place.
    const uint64_t record = recordOf(currentRow);
    int32_t gridRow = currentRow;
    uint64_t newRecord = record;
    if (const auto at = std::find(sort.order.begin(), sort.order.end(), record); at != sort.order.end()) {
        newRecord = static_cast<uint64_t>(at - sort.order.begin());
        gridRow = static_cast<int32_t>((at - sort.order.begin()) - (headerRow ? 1 : 0));
    }
    if (!sort.readsBack) {
        showBox(messages::SORT_WOULD_CHANGE_RECORDS_TEXT, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const bool written = !sort.changes || replaceDocument(sort.text, &sort.starts);
    finishOperation(written, gridRow, currentColumn);
    // A filtered grid shows the sorted records that meet the filter: the record stays current.
    if (written && gridRows().listed != nullptr) {
        if (const auto row = gridRowOf(newRecord)) {
            selectCell(*row, currentColumn, true);
        }
    }
    if (written) {
        sortArrow = {keys.front().column, keys.front().descending, refreshGeneration};
    }
    updateSortArrow();
}

void GridPanel::putBackSortArrow() {
    if (!arrowToPutBack || documentScan != nullptr) {
        return;
    }
    if (arrowToPutBack->column < shownColumnCount) {
        sortArrow = {arrowToPutBack->column, arrowToPutBack->descending, refreshGeneration};
        updateSortArrow();
    }
    arrowToPutBack.reset();
}

void GridPanel::forgetSortArrow() {
    sortArrow.generation = 0;
    updateSortArrow();
}

bool GridPanel::sortArrowShown() const {
    return sortArrow.generation == refreshGeneration && sortArrow.generation != 0;
}

// The header items: the arrow on the first key's column while the sort it shows holds, none
// elsewhere. The items are looked at only when the arrow they were left with is not known or
// not the one wanted: each message to them costs a round trip in the real host.
void GridPanel::updateSortArrow() {
    const HWND header = gridHeader;
    if (header == nullptr) {
        return;
    }
    const int wanted = sortArrowShown() ? static_cast<int>(std::min<uint64_t>(sortArrow.column + 1, INT32_MAX)) : -1;
    if (shownArrow.known && shownArrow.item == wanted && (wanted < 0 || shownArrow.descending == sortArrow.descending)) {
        return;
    }
    const int items = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    shownArrow = {true, wanted < items ? wanted : -1, sortArrow.descending};
    for (int i = 1; i < items; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) {
            continue;
        }
        int format = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (sortArrowShown() && sortArrow.column + 1 == static_cast<uint64_t>(i)) {
            format |= sortArrow.descending ? HDF_SORTDOWN : HDF_SORTUP;
        }
        if (format != item.fmt) {
            item.fmt = format;
            SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        }
    }
}
