#include "grid_view_support.h"

#include <cwchar>

#include "input.h"

namespace tabulon_test {

namespace {
constexpr UINT_PTR SPY_ID = 0x5359;
}

ListSpy::ListSpy(HWND list) : list_(list) {
    SetWindowSubclass(list_, proc, SPY_ID, reinterpret_cast<DWORD_PTR>(this));
}

ListSpy::~ListSpy() {
    if (IsWindow(list_)) RemoveWindowSubclass(list_, proc, SPY_ID);
}

LRESULT CALLBACK ListSpy::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR data) {
    auto* spy = reinterpret_cast<ListSpy*>(data);
    if (message == LVM_DELETECOLUMN) spy->deletedColumns.push_back(static_cast<int>(wParam));
    if (message == LVM_SETITEMCOUNT) ++spy->itemCountSets;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, proc, SPY_ID);
    return DefSubclassProc(window, message, wParam, lParam);
}

void GridViewTest::openPanel(const std::string& document) {
    host.mainView().document().load(document);
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    ASSERT_NE(panel(), nullptr);
    ASSERT_NE(list(), nullptr);
}

void GridViewTest::openPanelWithSettings(const std::string& document, const std::string& settings) {
    writeSettingsFile(config.path(), settings);
    openPanel(document);
}

std::wstring GridViewTest::status() {
    wchar_t text[400] = {};
    GetWindowTextW(child(panel(), IDC_STATUS), text, 400);
    return text;
}

std::wstring GridViewTest::cellText(int row, int subItem) {
    return listItemText(list(), row, subItem);
}

std::vector<ListColumn> GridViewTest::columns() {
    std::vector<ListColumn> result;
    HWND header = reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0));
    const int count = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = 512;
        SendMessageW(list(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        result.push_back({text, column.cx, column.fmt & LVCFMT_JUSTIFYMASK});
    }
    return result;
}

std::vector<std::wstring> GridViewTest::titles() {
    std::vector<std::wstring> result;
    for (const ListColumn& column : columns()) result.push_back(column.title);
    return result;
}

std::vector<int> GridViewTest::widths() {
    std::vector<int> result;
    for (const ListColumn& column : columns()) result.push_back(column.width);
    return result;
}

void GridViewTest::setColumnWidth(int column, int width) {
    SendMessageW(list(), LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

void GridViewTest::clickHeaderRowBox() {
    devhost::click(host, child(panel(), IDC_HEADER_ROW), POINT{4, 4});
    host.pumpUntilIdle();
}

void GridViewTest::chooseDelimiter(int entry) {
    // What the drop-down list does when the user picks an entry: select it, then tell the
    // panel that the selection changed.
    HWND combo = child(panel(), IDC_DELIMITER);
    SendMessageW(combo, CB_SETCURSEL, entry, 0);
    SendMessageW(panel(), WM_COMMAND, MAKEWPARAM(IDC_DELIMITER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    host.pumpUntilIdle();
}

void GridViewTest::clickReload() {
    SendMessageW(child(panel(), IDC_RELOAD), BM_CLICK, 0, 0);
    host.pumpUntilIdle();
}

void GridViewTest::clickFit() {
    SendMessageW(child(panel(), IDC_FIT), BM_CLICK, 0, 0);
    host.pumpUntilIdle();
}

std::wstring commaStatus(int rows, int columns, int row, int column) {
    const std::wstring counts = std::to_wstring(rows) + (rows == 1 ? L" row x " : L" rows x ") + std::to_wstring(columns) +
                                (columns == 1 ? L" col" : L" cols") + L"   |   delimiter ','";
    if (columns == 0) return counts;
    if (rows == 0) return column > 0 ? counts + L"   |   col C" + std::to_wstring(column) : counts;
    return counts + (column > 0 ? L"   |   cell R" + std::to_wstring(row) + L" C" + std::to_wstring(column)
                                : L"   |   row R" + std::to_wstring(row));
}

std::pair<int, int> statusCell(const std::wstring& status) {
    int row = -1;
    int column = -1;
    if (const size_t at = status.rfind(L"cell R"); at != std::wstring::npos) {
        swscanf(status.c_str() + at, L"cell R%d C%d", &row, &column);
    } else if (const size_t rowAt = status.rfind(L"row R"); rowAt != std::wstring::npos) {
        swscanf(status.c_str() + rowAt, L"row R%d", &row);
        column = 0;
    } else if (const size_t columnAt = status.rfind(L"col C"); columnAt != std::wstring::npos) {
        swscanf(status.c_str() + columnAt, L"col C%d", &column);
        row = 1;
    }
    return {row, column};
}

}  // namespace tabulon_test
