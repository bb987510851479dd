// Every document's own view: the grid keeps, per document, the header-row and delimiter
// choices, the column widths, the hidden and frozen columns, the filter, the current cell and
// the top row, and shows each document again
// as it was left. A document is known by its full path (an unsaved one by its name, for the
// host's session only). The views are kept across host restarts in VIEWS_FILE_NAME beside the
// settings file, written with it and read once when the host is ready; a damaged or foreign
// file is ignored and written anew.
#include <windows.h>

#include <algorithm>
#include <string>

#include "panel/grid_panel.h"
#include "plugin/host_interface.h"

namespace {

// Owns a file handle for the time of one read or write.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// A file's bytes, or nothing when it cannot be read or holds more than limit bytes.
std::optional<std::string> readFileBytes(const std::wstring& path, size_t limit) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > limit) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

// Writes the bytes beside the file, then puts them in its place, so that a failure halfway
// leaves the old file whole.
void replaceFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".tmp";
    {
        const FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.valid() ||
            !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            DeleteFileW(temporary.c_str());
            return;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
    }
}

}  // namespace

std::wstring GridPanel::currentDocumentPath() const {
    if (hostWindow == nullptr) {
        return {};
    }
    const LRESULT buffer = SendMessageW(hostWindow, NPPM_GETCURRENTBUFFERID, 0, 0);
    const LRESULT length = buffer != 0 ? SendMessageW(hostWindow, NPPM_GETFULLPATHFROMBUFFERID, buffer, 0) : -1;
    if (length <= 0 || static_cast<size_t>(length) > MAX_VIEW_PATH) {
        return {};
    }
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    if (SendMessageW(hostWindow, NPPM_GETFULLPATHFROMBUFFERID, buffer, reinterpret_cast<LPARAM>(path.data())) !=
        length) {
        return {};
    }
    path.resize(static_cast<size_t>(length));
    return path;
}

DocumentView GridPanel::shownView() const {
    DocumentView view;
    // The host names an unsaved document without a folder.
    view.unsaved = viewPath.find_first_of(L"\\/") == std::wstring::npos;
    view.headerRow = headerRow;
    if (!autoDelimiter) {
        view.delimiter = delimiter;
    }
    if (gridList != nullptr) {
        for (uint64_t cell = 0; cell < shownColumnCount; ++cell) {
            const int width = columnWidth(static_cast<int32_t>(cell + 1));
            // A hidden column keeps the width it will have again.
            const auto hidden = hiddenWidths.find(cell);
            const int kept = columnHidden(static_cast<int32_t>(cell + 1)) && hidden != hiddenWidths.end() ? hidden->second : width;
            if (kept > 0) {
                view.columnWidths[cell] = MulDiv(kept, 96, dpi);
            }
        }
        view.topRow = static_cast<int32_t>(SendMessageW(gridList, LVM_GETTOPINDEX, 0, 0));
    }
    view.currentRow = currentRow;
    view.currentColumn = currentColumn;
    for (const uint64_t cell : hiddenCellIndexes()) {
        view.hiddenCells.insert(cell);
    }
    view.frozenColumns = static_cast<uint64_t>(frozenColumns());
    if (sortArrowShown()) {
        view.sortArrow = SortKey{sortArrow.column, sortArrow.descending};
    }
    if (filterRowShown) {
        for (const auto& [cell, text] : gridView.rows.conditionTexts()) {
            view.filters[cell] = text;
        }
    }
    return view;
}

void GridPanel::rememberShownView() {
    // Only a grid that shows its document whole tells its view.
    if (viewPath.empty() || !viewShown || panelWindow == nullptr || documentScan != nullptr || fileTooLarge ||
        !hostReady) {
        return;
    }
    viewMemory.remember(viewPath, shownView());
}

void GridPanel::takeViewOfCurrentDocument() {
    viewPath = currentDocumentPath();
    viewShown = false;
    const std::optional<DocumentView> view = viewPath.empty() ? std::nullopt : viewMemory.recall(viewPath);
    if (view) {
        headerRow = view->headerRow;
        autoDelimiter = !view->delimiter.has_value();
        if (view->delimiter) {
            delimiter = *view->delimiter;
        }
    } else {
        headerRow = defaultHeaderRow;
        autoDelimiter = defaultAutoDelimiter;
        delimiter = defaultDelimiter;
    }
    pendingView = view;
    // Its hidden and frozen columns; their widths come back with the rows.
    gridView.columns.showAll();
    hiddenWidths.clear();
    frozenThrough = 0;
    if (view) {
        for (const uint64_t cell : view->hiddenCells) {
            gridView.columns.hide(cell);
        }
        frozenThrough = static_cast<int32_t>(std::min<uint64_t>(view->frozenColumns, MAX_GRID_COLUMNS));
    }
    // The document's filter comes back with its boxes; the reading that follows applies it.
    const bool filtered = view && !view->filters.empty();
    showFilterRow(filtered, false);
    gridView.rows.clearConditions();
    if (filtered) {
        for (const auto& [cell, text] : view->filters) {
            gridView.rows.setCondition(cell, text);
        }
    }
    fillFilterBoxes();
    if (panelWindow != nullptr) {
        showSettingsInControls();
    }
}

int32_t GridPanel::restoreViewPlaces(const DocumentView& view, int32_t rows) {
    if (gridList != nullptr) {
        for (const auto& [cell, width] : view.columnWidths) {
            if (cell < shownColumnCount) {
                SendMessageW(gridList, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(cell + 1), scaled(width));
            }
        }
        applyHiddenWidths();
        layoutFilterBoxes();
    }
    arrowToPutBack = view.sortArrow;
    const auto columns = static_cast<int32_t>(shownColumnCount);
    if (rows > 0) {
        currentRow = std::clamp(view.currentRow, 0, rows - 1);
        currentColumn = std::clamp(view.currentColumn, columns > 0 ? 1 : 0, std::max(columns, 0));
    }
    return rows > 0 ? std::clamp(view.topRow, 0, rows - 1) : 0;
}

void GridPanel::readViews(const std::wstring& path) {
    viewsPath = path;
    // A missing, damaged or foreign file gives no views; the next write replaces it.
    const std::optional<std::string> bytes = readFileBytes(path, MAX_VIEWS_FILE_BYTES);
    viewMemory = bytes ? ViewMemory::parse(*bytes) : ViewMemory();
}

void GridPanel::writeViews() {
    if (viewsPath.empty()) {
        return;
    }
    rememberShownView();
    replaceFileBytes(viewsPath, viewMemory.serialize());
}
