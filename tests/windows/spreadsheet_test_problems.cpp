// Problems in the document as the user meets them: the count in the status line, the mark in
// the row numbers (its text under the mouse), F8 and Shift+F8 from problem to problem with the
// wrap told, and an outside edit that mends a row.
#include "pixels.h"
#include "spreadsheet_test_support.h"

#include <string>

using namespace tabulon_test;
using devhost::KEY_SHIFT;

namespace {

// Row 2 is a field short, row 4 has a stray quote.
const std::string FLAWED = "id,name,qty\r\n1,al,3\r\n2,bo\r\n3,cy,4\r\n4,d\"i,5\r\n5,ed,6\r\n";

class ProblemTest : public SpreadsheetTest {
protected:
    void openAndFind(const std::string& text) {
        open(text, true);
        host.pumpFor(200);  // the finder runs between messages after the reading
    }
    std::wstring note() {
        const std::wstring line = status();
        const size_t bar = line.rfind(L"   |   ");
        return bar == std::wstring::npos ? std::wstring() : line.substr(bar + 7);
    }
    void hoverRowNumber(int row) {
        const POINT at = devhost::listCellCenter(list(), row, 0);
        SendMessageW(list(), WM_MOUSEMOVE, 0, MAKELPARAM(4, at.y));
        host.pumpUntilIdle();
    }
};

TEST_F(ProblemTest, F8GoesFromProblemToProblemAndTheStatusLineSaysWhatIsWrong) {
    openAndFind(FLAWED);
    EXPECT_NE(status().find(L"   |   2 problems"), std::wstring::npos) << status();
    clickCell(0, 2);
    const struct {
        unsigned modifiers;
        int row;
        const wchar_t* note;
    } steps[] = {
        {0, 1, L"2 fields, the header has 3"},
        {0, 3, L"a stray quote in cell 2"},
        {0, 1, L"2 fields, the header has 3 (wrapped)"},
        {KEY_SHIFT, 3, L"a stray quote in cell 2 (wrapped)"},
    };
    for (const auto& step : steps) {
        key(VK_F8, step.modifiers);
        EXPECT_EQ(current(), std::make_pair(step.row, 2)) << step.note;
        EXPECT_EQ(note(), step.note);
    }

    // The mouse over a row's mark tells its problem; over another row's number, nothing.
    clickCell(0, 1);
    hoverRowNumber(1);
    EXPECT_EQ(note(), L"2 fields, the header has 3");
    hoverRowNumber(0);
    EXPECT_EQ(note().find(L"fields"), std::wstring::npos) << status();

    // The marked rows' numbers carry the mark's colour, the others do not.
    const devhost::Pixels pixels = devhost::capturePixels(list(), true);
    const auto markPixels = [&](int row) {
        RECT cell{};
        ListView_GetItemRect(list(), row, &cell, LVIR_BOUNDS);
        return pixels.count(RGB(214, 48, 0), RECT{0, cell.top, 12, cell.bottom});
    };
    EXPECT_GT(markPixels(1), 10);
    EXPECT_EQ(markPixels(0), 0);

    // TABULON_PROBLEMS_SCREENSHOT names a BMP file for pictures of the marks with a range's
    // figures, light and "-dark".
    if (const wchar_t* path = _wgetenv(L"TABULON_PROBLEMS_SCREENSHOT")) {
        clickCell(0, 3);
        shiftClickCell(4, 3);
        devhost::saveBmp(devhost::capturePixels(host.window(), true), path);
        host.setDarkMode(true);
        host.pumpUntilIdle();
        devhost::saveBmp(devhost::capturePixels(host.window(), true), std::wstring(path) + L"-dark.bmp");
        host.setDarkMode(false);
        host.pumpUntilIdle();
    }

    // An outside edit that mends a row takes its problem away; the rest stay.
    host.mainView().userReplace(FLAWED.find("2,bo") + 4, 0, ",7");
    ASSERT_TRUE(waitForRefresh());
    host.pumpFor(200);
    EXPECT_NE(status().find(L"   |   1 problem"), std::wstring::npos) << status();
}

TEST_F(ProblemTest, AQuoteThatNeverClosesIsToldByItsLineAndACleanDocumentHasNone) {
    openAndFind("a,b\r\n1,2\r\n3,\"x\r\n4,5\r\n");
    clickCell(0, 1);
    key(VK_F8);
    EXPECT_EQ(current(), std::make_pair(1, 1));
    EXPECT_NE(note().find(L"a quote opens on line 3 and never closes"), std::wstring::npos) << status();

    openAndFind("a,b\r\n1,2\r\n");
    EXPECT_EQ(status().find(L"problem"), std::wstring::npos) << status();
    clickCell(0, 1);
    key(VK_F8);
    EXPECT_EQ(note(), L"no problems found");
    EXPECT_TRUE(hooks.boxes.empty());
}

}  // namespace
