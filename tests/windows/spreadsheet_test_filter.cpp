// The filter row as the user meets it: Ctrl+Shift+L and a box under each title, typing that
// filters, the records' own numbers, edits that write the shown record and keep it in view,
// ranges that touch the shown rows only, an outside edit, "Filter by this value", and hiding
// the row again.
#include "pixels.h"
#include "spreadsheet_test_support.h"

#include <commctrl.h>

#include <random>
#include <string>
#include <vector>

#include "model/csv_table.h"

using namespace tabulon_test;
using devhost::KEY_CTRL;
using devhost::KEY_SHIFT;

namespace {

const std::string CITIES =
    "city,country,pop\r\nOslo,NO,700\r\nLyon,FR,500\r\nBergen,NO,280\r\nNice,FR,340\r\nTromso,NO,77\r\n";

class FilterTest : public SpreadsheetTest {
protected:
    HWND header() { return reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0)); }
    // The box under a list column's title: the header's text box over that title.
    HWND box(int listColumn) {
        RECT item{};
        SendMessageW(header(), HDM_GETITEMRECT, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
        for (HWND child = FindWindowExW(header(), nullptr, L"EDIT", nullptr); child != nullptr;
             child = FindWindowExW(header(), child, L"EDIT", nullptr)) {
            RECT place{};
            GetWindowRect(child, &place);
            MapWindowPoints(nullptr, header(), reinterpret_cast<POINT*>(&place), 2);
            if (IsWindowVisible(child) && place.left >= item.left && place.right <= item.right) return child;
        }
        return nullptr;
    }
    void typeInBox(int listColumn, const std::wstring& text) {
        const HWND target = box(listColumn);
        ASSERT_NE(target, nullptr);
        SetFocus(target);
        SendMessageW(target, EM_SETSEL, 0, -1);
        if (text.empty()) {
            pressKey(VK_BACK);
        } else {
            typeText(text);
        }
        host.pumpUntilIdle();
    }
    std::wstring rowNumbers() {
        std::wstring numbers;
        for (int row = 0; row < itemCount(); ++row) numbers += (row > 0 ? L"," : L"") + cellText(row, 0);
        return numbers;
    }
};

TEST_F(FilterTest, TypingFiltersAndEveryOperationActsOnTheShownRecordsOnly) {
    open(CITIES, true);
    key('L', KEY_CTRL | KEY_SHIFT);
    ASSERT_NE(box(2), nullptr);
    EXPECT_EQ(GetFocus(), box(1));  // the current column's box takes the typing

    // Contains, without regard to case; the rows keep their records' numbers.
    typeInBox(2, L"no");
    EXPECT_EQ(rowNumbers(), L"1,3,5");
    EXPECT_NE(status().find(L"3 of 5 rows x 3 cols"), std::wstring::npos) << status();
    // Conditions of two columns must both hold.
    typeInBox(3, L">100");
    EXPECT_EQ(rowNumbers(), L"1,3");
    typeInBox(3, L"");
    EXPECT_EQ(rowNumbers(), L"1,3,5");

    // A cell edit writes its own record, and the row stays though it no longer matches.
    clickCell(1, 2);
    typeText(L"SE");
    pressKey(VK_RETURN);
    host.pumpUntilIdle();
    EXPECT_EQ(text(), "city,country,pop\r\nOslo,NO,700\r\nLyon,FR,500\r\nBergen,SE,280\r\nNice,FR,340\r\nTromso,NO,77\r\n");
    EXPECT_EQ(rowNumbers(), L"1,3,5");

    // A range copies and clears the shown rows only; the clearing is one undo step.
    clickCell(0, 1);
    shiftClickCell(2, 1);
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"Oslo\r\nBergen\r\nTromso");
    clickCell(0, 3);
    shiftClickCell(2, 3);
    const size_t steps = document().undoStepCount();
    key(VK_DELETE);
    EXPECT_EQ(text(), "city,country,pop\r\nOslo,NO,\r\nLyon,FR,500\r\nBergen,SE,\r\nNice,FR,340\r\nTromso,NO,\r\n");
    EXPECT_EQ(document().undoStepCount(), steps + 1);
    EXPECT_EQ(rowNumbers(), L"1,3,5");

    // A pasted block goes down the shown rows.
    putOnClipboard(L"1\r\n2\r\n3\r\n");
    clickCell(0, 3);
    key('V', KEY_CTRL);
    EXPECT_EQ(text(), "city,country,pop\r\nOslo,NO,1\r\nLyon,FR,500\r\nBergen,SE,2\r\nNice,FR,340\r\nTromso,NO,3\r\n");

    // Deleting rows deletes the selected shown records.
    clickCell(2, 0);
    hooks.scriptedAnswers = {IDOK};
    {
        MenuWatch watch(panel(), L'd');
        rightClickCell(2, 0);
    }
    EXPECT_EQ(boxTexts().back(), L"Delete 1 row(s) from the document?");
    EXPECT_EQ(text(), "city,country,pop\r\nOslo,NO,1\r\nLyon,FR,500\r\nBergen,SE,2\r\nNice,FR,340\r\n");
    // The filter is applied afresh after it: Bergen no longer matches.
    EXPECT_EQ(rowNumbers(), L"1");

    // Ctrl+Shift+L hides the row, and with it the filter.
    key('L', KEY_CTRL | KEY_SHIFT);
    EXPECT_EQ(box(2), nullptr);
    EXPECT_EQ(rowNumbers(), L"1,2,3,4");
    EXPECT_EQ(status().find(L" of "), std::wstring::npos) << status();
}

TEST_F(FilterTest, AnOutsideEditIsTestedAndFilterByThisValueFillsTheBox) {
    open(CITIES, true);
    clickCell(1, 2);
    {
        MenuWatch watch(panel(), L'u');  // Filter by this value
        rightClickCell(1, 2);
    }
    ASSERT_NE(box(2), nullptr);
    wchar_t boxText[32] = {};
    GetWindowTextW(box(2), boxText, 32);
    EXPECT_STREQ(boxText, L"=FR");
    EXPECT_EQ(rowNumbers(), L"2,4");
    EXPECT_EQ(current(), std::make_pair(1, 2));  // Lyon still, told by its own number: R2

    // Outside, Bergen becomes French: its row is tested and shown.
    host.mainView().userReplace(CITIES.find("Bergen,NO") + 7, 2, "FR");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(rowNumbers(), L"2,3,4");

    // A column inserted before it: the condition goes with its column.
    {
        MenuWatch watch(panel(), L'l');  // Insert column left
        rightClickCell(0, 1);
    }
    GetWindowTextW(box(3), boxText, 32);
    EXPECT_STREQ(boxText, L"=FR");
    EXPECT_EQ(rowNumbers(), L"2,3,4");
    EXPECT_EQ(cellText(0, 3), L"FR");
    {
        MenuWatch watch(panel(), L'm');  // Delete column, the new empty one
        hooks.scriptedAnswers = {IDOK};
        rightClickCell(0, 1);
    }
    EXPECT_EQ(text().substr(0, 17), "city,country,pop\r");

    // The filtered title carries the funnel; TABULON_FILTER_SCREENSHOT names a BMP file for a
    // picture of the filtered grid, light and "-dark".
    RECT title{};
    SendMessageW(header(), HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&title));
    const devhost::Pixels light = devhost::capturePixels(header(), true);
    RECT plain{};
    SendMessageW(header(), HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&plain));
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(light.count(ink, RECT{title.right - 20, title.top, title.right, title.top + 14}), 6);
    EXPECT_EQ(light.count(ink, RECT{plain.right - 14, plain.top, plain.right, plain.top + 14}), 0);
    if (const wchar_t* path = _wgetenv(L"TABULON_FILTER_SCREENSHOT")) {
        // With the city frozen and the rest scrolled a little under it.
        {
            MenuWatch watch(panel(), L'z');
            rightClickHeader(1);
        }
        setColumnWidth(2, 500);
        setColumnWidth(3, 500);
        for (int step = 0; step < 12; ++step) SendMessageW(list(), WM_HSCROLL, SB_LINERIGHT, 0);
        clickCell(0, 3);
        host.pumpUntilIdle();
        devhost::saveBmp(devhost::capturePixels(host.window(), true), path);
        host.setDarkMode(true);
        host.pumpUntilIdle();
        devhost::saveBmp(devhost::capturePixels(host.window(), true), std::wstring(path) + L"-dark.bmp");
    }
}

}  // namespace

namespace {

// Ctrl+0 hides the current column: the keys pass over it, copying and clearing leave it out,
// and Ctrl+Shift+0 shows it again. A frozen column stays at the left while the rest scroll.
TEST_F(FilterTest, AHiddenColumnIsPassedOverAndAFrozenOneStaysInView) {
    open("a,b,c,d\r\n1,2,3,4\r\n5,6,7,8\r\n", true);
    clickCell(0, 2);
    key('0', KEY_CTRL);
    EXPECT_EQ(widths()[2], 0);
    EXPECT_EQ(current(), std::make_pair(0, 3));
    key(VK_LEFT);
    EXPECT_EQ(current(), std::make_pair(0, 1));
    key(VK_TAB);
    EXPECT_EQ(current(), std::make_pair(0, 3));
    shiftClickCell(1, 1);
    key('C', KEY_CTRL);
    EXPECT_EQ(clipboard(), L"1\t3\r\n5\t7");
    key(VK_DELETE);
    EXPECT_EQ(text(), "a,b,c,d\r\n,2,,4\r\n,6,,8\r\n");
    key('0', KEY_CTRL | KEY_SHIFT);
    EXPECT_GT(widths()[2], 0);

    // Frozen up to column a: scrolled sideways, a click just right of the row numbers is on a.
    for (int column = 1; column <= 4; ++column) setColumnWidth(column, 400);
    clickCell(0, 1);
    {
        MenuWatch watch(panel(), L'z');
        rightClickHeader(1);
    }
    SendMessageW(list(), LVM_SCROLL, 600, 0);
    host.pumpUntilIdle();
    const POINT row = devhost::listCellCenter(list(), 1, 0);
    const int rowNumbers = static_cast<int>(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 0, 0));
    devhost::click(host, list(), POINT{rowNumbers + 10, row.y});
    EXPECT_EQ(current(), std::make_pair(1, 1));
    // Right of it lies what scrolled: column c.
    devhost::click(host, list(), POINT{rowNumbers + 400 + 10, row.y});
    EXPECT_EQ(current(), std::make_pair(1, 3));
}

}  // namespace

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        out.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return out;
}

// Random edits in a filtered view with a hidden column: no record the filter hides changes, and
// no cell of the hidden column does, whatever is typed, cleared, pasted or filled.
TEST_F(FilterTest, RandomEditsInAFilteredViewTouchOnlyTheShownRecordsAndColumns) {
    std::mt19937 random(20261210);
    const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
    const char* values[] = {"x", "y", "xy", "z", "", "\"x,y\""};
    for (int round = 0; round < 4; ++round) {
        std::string document = "a,b,c,d\r\n";
        for (int record = 0; record < 24; ++record) {
            for (int cell = 0; cell < 4; ++cell) document += std::string(cell ? "," : "") + values[pick(6)];
            document += "\r\n";
        }
        open(document, true);
        const int filtered = 1 + pick(4);
        const int hidden = filtered == 4 ? 1 : filtered + 1;
        key('L', KEY_CTRL | KEY_SHIFT);
        typeInBox(filtered, L"x");
        clickCell(0, hidden);
        key('0', KEY_CTRL);
        const std::vector<std::string> before = lines(text());
        std::vector<bool> shown(before.size(), false);
        for (int row = 0; row < itemCount(); ++row) shown[static_cast<size_t>(std::stoi(cellText(row, 0)))] = true;
        const auto hiddenCell = [&](const std::string& line) {
            std::vector<std::string> cells;
            std::vector<uint64_t> starts;
            std::vector<uint64_t> ends;
            scanRecord(line, 0, ',', '"', cells, starts, ends);
            return hidden - 1 < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(hidden - 1)] : std::string();
        };
        for (int step = 0; step < 8 && itemCount() > 1; ++step) {
            const int row = pick(itemCount() - 1);
            clickCell(row, 1 + pick(4));
            switch (pick(4)) {
            case 0: typeText(L"q"); pressKey(VK_RETURN); break;
            case 1: shiftClickCell(row + 1, 1 + pick(4)); key(VK_DELETE); break;
            case 2: putOnClipboard(L"p\tq\r\nr\ts\r\n"); key('V', KEY_CTRL); break;
            default: shiftClickCell(row + 1, 1 + pick(4)); key('D', KEY_CTRL); break;
            }
            host.pumpUntilIdle();
            const std::vector<std::string> after = lines(text());
            ASSERT_EQ(after.size(), before.size()) << "round " << round << " step " << step;
            for (size_t record = 1; record < before.size(); ++record) {
                if (!shown[record]) {
                    EXPECT_EQ(after[record], before[record]) << "round " << round << " step " << step;
                }
                EXPECT_EQ(hiddenCell(after[record]), hiddenCell(before[record])) << "round " << round << " step " << step;
            }
        }
    }
}

}  // namespace

namespace {

// A filter on a large document is applied in slices between messages: the status line says how
// far it is, and the rows are shown when it is done.
TEST_F(FilterTest, ALargeDocumentIsFilteredBetweenMessages) {
    std::string document = "n,word\r\n";
    for (int record = 0; record < 1000000; ++record) {
        document += std::to_string(record) + (record % 1000 == 0 ? ",needle\r\n" : ",hay\r\n");
    }
    open(document, true);
    key('L', KEY_CTRL | KEY_SHIFT);
    ASSERT_NE(box(2), nullptr);
    SendMessageW(box(2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"needle"));  // no message pumped
    EXPECT_NE(status().find(L"filtering\u2026 "), std::wstring::npos) << status();
    EXPECT_EQ(itemCount(), 1000000);
    for (int tick = 0; tick < 400 && status().find(L"filtering") != std::wstring::npos; ++tick) host.pumpFor(20);
    EXPECT_EQ(itemCount(), 1000);
    EXPECT_NE(status().find(L"1,000 of 1,000,000 rows"), std::wstring::npos) << status();
    EXPECT_EQ(cellText(1, 0), L"1001");
}

}  // namespace

namespace {

// + Row in a filtered grid: the new record goes right after the current shown one and is shown
// there, current, though it does not match.
TEST_F(FilterTest, PlusRowAddsARecordBesideTheCurrentShownOne) {
    open(CITIES, true);
    key('L', KEY_CTRL | KEY_SHIFT);
    typeInBox(2, L"no");
    clickCell(1, 1);
    press(IDC_ADD_ROW);
    EXPECT_EQ(text(), "city,country,pop\r\nOslo,NO,700\r\nLyon,FR,500\r\nBergen,NO,280\r\n,,\r\nNice,FR,340\r\nTromso,NO,77\r\n");
    EXPECT_EQ(rowNumbers(), L"1,3,4,6");
    EXPECT_EQ(current(), std::make_pair(3, 1));  // R4, the new record
}

}  // namespace
