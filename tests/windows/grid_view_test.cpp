// The grid as the user sees it after each refresh: rows counted, columns titled and sized,
// the status line, the size limit and the column cap, and the triggers that rebuild it.
#include "grid_view_support.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace tabulon_test;

namespace {

const std::string PEOPLE = "Name,City\r\nAda,London\r\nGrace,Arlington\r\n";

std::string rowsOf(int count, const std::string& row) {
    std::string text;
    for (int i = 0; i < count; ++i) text += row;
    return text;
}

// ---- what one refresh shows --------------------------------------------------------------

TEST_F(GridViewTest, ShowsRowsColumnsAndStatusWithTheHeaderRecordAsTitles) {
    openPanel(PEOPLE);
    EXPECT_EQ(itemCount(), 2);
    const std::vector<ListColumn> shown = columns();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].title, L"#");
    EXPECT_EQ(shown[0].format, LVCFMT_RIGHT);
    EXPECT_EQ(shown[1].title, L"Name");
    EXPECT_EQ(shown[1].format, LVCFMT_LEFT);
    EXPECT_EQ(shown[2].title, L"City");
    EXPECT_EQ(widths(), (std::vector<int>{52, 110, 110}));
    EXPECT_EQ(status(), commaStatus(2, 2, 1, 1));
    EXPECT_EQ(focusedRow(), 0);
}

// An empty document shows one column and the ready row, no record yet: a mark instead of a
// number, and nothing read from the document.
TEST_F(GridViewTest, EmptyDocumentShowsOneColumnAndTheReadyRow) {
    openPanel("");
    EXPECT_EQ(itemCount(), 1);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"A"}));
    EXPECT_EQ(cellText(0, 0), L"*");
    EXPECT_EQ(status(), L"0 rows x 1 col   |   delimiter ','   |   col C1");
    EXPECT_EQ(host.mainView().messageCount(SCI_GETCHARACTERPOINTER), 0);

    // Text typed into the empty document brings a column back, and the current cell with it.
    host.mainView().userInsert(0, "x,y\r\n1,2\r\n");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"x", L"y"}));
    EXPECT_EQ(status(), commaStatus(1, 2, 1, 1));
}

TEST_F(GridViewTest, HeaderOnlyDocumentHasTitlesAndNoRows) {
    openPanel("id;label;");
    EXPECT_EQ(itemCount(), 1);  // the ready row
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"id", L"label", L"C"}));
    EXPECT_EQ(status(), L"0 rows x 3 cols   |   delimiter ';'   |   col C1");
}

TEST_F(GridViewTest, HeaderTitlesFallBackToLettersAndShowLineBreaksOnOneLine) {
    openPanel("\"x\r\ny\",,z\r\n1,2,3,4,5\r\n");
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", withShownMark(L"x\u21B5y", list()), L"B", L"z", L"D", L"E"}));
}

TEST_F(GridViewTest, WidestRowBeyond512CellsIsCapped) {
    openPanelWithSettings("a,b\r\n" + std::string(512, ',') + "\r\n", "HeaderRow=0\r\n");
    EXPECT_EQ(columns().size(), 513u);
    EXPECT_EQ(itemCount(), 2);
    // The short first row is the problem the status line counts.
    EXPECT_EQ(status(), L"2 rows x 512 cols (capped)   |   1 problem   |   delimiter ','   |   cell R1 C1");

    // 512 cells exactly are not capped.
    host.mainView().userDelete(5, 1);
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(status(), L"2 rows x 512 cols   |   1 problem   |   delimiter ','   |   cell R1 C1");
}

TEST_F(GridViewTest, ColonFromTheSettingsShowsAsComma) {
    openPanelWithSettings("a:b\r\n1:2\r\n", "HeaderRow=0\r\nAutoDelim=0\r\nDelimiter=58\r\n");
    EXPECT_EQ(itemCount(), 2);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"A", L"B"}));
    EXPECT_EQ(status(), commaStatus(2, 2, 1, 1));
}

// ---- the size limit ------------------------------------------------------------------------

TEST_F(GridViewTest, DocumentAtTheLimitIsShownAndOneByteMoreIsNot) {
    // 1 MiB exactly: 262,144 rows of "1,2" and a line feed.
    const std::string atLimit = rowsOf(262144, "1,2\n");
    ASSERT_EQ(atLimit.size(), 1048576u);
    openPanelWithSettings(atLimit, "MaxFileMB=1\r\nHeaderRow=0\r\n");
    EXPECT_EQ(itemCount(), 262144);
    EXPECT_EQ(status(), commaStatus(262144, 2, 1, 1));

    host.mainView().resetMessageCounts();
    host.mainView().userInsert(0, "x");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(itemCount(), 0);
    EXPECT_EQ(titles(), std::vector<std::wstring>{L"#"});
    EXPECT_EQ(status(), L"File is larger than 1 MB - grid view is off (raise MaxFileMB in Tabulon.ini)");
    // A document over the limit is not even copied.
    EXPECT_EQ(host.mainView().messageCount(SCI_GETCHARACTERPOINTER), 0);
    EXPECT_TRUE(hooks.boxes.empty());

    // Back within the limit, the grid returns.
    host.mainView().userDelete(0, 1);
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(itemCount(), 262144);
    EXPECT_EQ(status(), commaStatus(262144, 2, 1, 1));
}

TEST_F(GridViewTest, TooLargeTextNamesTheDefaultLimit) {
    openPanel("a,b\r\n");
    host.mainView().document().load(std::string(256 * 1048576 + 1, 'x'));
    clickReload();
    EXPECT_EQ(status(), L"File is larger than 256 MB - grid view is off (raise MaxFileMB in Tabulon.ini)");
    EXPECT_EQ(itemCount(), 0);
}

// ---- code pages ----------------------------------------------------------------------------

struct CodePageCase {
    int codePage;
    std::string header;
    std::wstring title;
};

class GridCodePageTest : public GridViewTest, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(GridCodePageTest, TitlesAndCellsAreDecodedInTheDocumentsCodePage) {
    const CodePageCase& c = GetParam();
    host.mainView().document().codePage = c.codePage;
    openPanel(c.header + ",b\r\n1," + c.header + "\r\n");
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", c.title, L"b"}));
    EXPECT_EQ(cellText(0, 2), c.title);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, GridCodePageTest,
    ::testing::Values(CodePageCase{65001, "Gr\xC3\xB6\xC3\x9F" "e", L"Gr\u00F6\u00DFe"},
                      CodePageCase{1252, "Gr\xF6\xDF" "e", L"Gr\u00F6\u00DFe"},
                      CodePageCase{932, "\x93\xFA\x96\x7B\x8C\xEA", L"\u65E5\u672C\u8A9E"}));

// ---- columns -------------------------------------------------------------------------------

TEST_F(GridViewTest, ColumnsKeepTheirWidthsAndAreDeletedFromTheRight) {
    openPanelWithSettings("a,b,c\r\n", "HeaderRow=0\r\n");
    ListSpy spy(list());
    setColumnWidth(0, 60);
    setColumnWidth(1, 71);
    setColumnWidth(2, 72);
    setColumnWidth(3, 73);

    host.mainView().userInsert(5, ",d,e");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(widths(), (std::vector<int>{60, 71, 72, 73, 110, 110}));
    EXPECT_TRUE(spy.deletedColumns.empty());

    setColumnWidth(4, 74);
    host.mainView().userDelete(5, 4);
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(spy.deletedColumns, (std::vector<int>{5, 4}));
    EXPECT_EQ(widths(), (std::vector<int>{60, 71, 72, 73}));

    host.mainView().userInsert(5, ",d,e");
    ASSERT_TRUE(waitForRefresh());
    EXPECT_EQ(widths(), (std::vector<int>{60, 71, 72, 73, 110, 110}));
}

TEST_F(GridViewTest, HeaderRowBoxRenamesColumnsKeepsWidthsAndCountsTheFirstRecord) {
    openPanel(PEOPLE);
    setColumnWidth(1, 90);
    clickHeaderRowBox();
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"A", L"B"}));
    EXPECT_EQ(widths(), (std::vector<int>{52, 90, 110}));
    EXPECT_EQ(itemCount(), 3);
    EXPECT_EQ(status(), commaStatus(3, 2, 1, 1));
    EXPECT_EQ(readSetting(settingsFile(), L"HeaderRow"), 0);

    clickHeaderRowBox();
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"Name", L"City"}));
    EXPECT_EQ(itemCount(), 2);
    EXPECT_EQ(readSetting(settingsFile(), L"HeaderRow"), 1);
}

TEST_F(GridViewTest, DelimiterBoxRescansWithTheChosenDelimiter) {
    openPanel("a;b,c;d\r\n1;2,3;4\r\n5;6,7;8\r\n");
    EXPECT_EQ(status(), L"2 rows x 3 cols   |   delimiter ';'   |   cell R1 C1");

    chooseDelimiter(1);  // comma
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"a;b", L"c;d"}));
    EXPECT_EQ(status(), commaStatus(2, 2, 1, 1));
    EXPECT_EQ(readSetting(settingsFile(), L"AutoDelim"), 0);
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), 44);

    chooseDelimiter(3);  // tab: one column per row
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"a;b,c;d"}));
    EXPECT_EQ(status(), L"2 rows x 1 col   |   delimiter Tab   |   cell R1 C1");

    chooseDelimiter(4);
    EXPECT_EQ(status(), L"2 rows x 1 col   |   delimiter '|'   |   cell R1 C1");

    // Auto detects the semicolon again, and the detected delimiter is what gets saved.
    chooseDelimiter(0);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"#", L"a", L"b,c", L"d"}));
    EXPECT_EQ(readSetting(settingsFile(), L"AutoDelim"), 1);
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), 59);
}

TEST_F(GridViewTest, AutoFitSizesToTextsWithinBounds) {
    // Column A: single letters; B: one text far wider than the maximum; C: a long text that
    // only appears in the 401st grid row; D: a cell with a line break.
    std::string document = "A,B,C,D\r\n";
    document += "x," + std::string(300, 'W') + ",y,\"p\r\nq\"\r\n";
    document += rowsOf(399, "x,y,z,p\r\n");
    document += "x,y," + std::string(300, 'W') + ",p\r\n";
    openPanel(document);
    ASSERT_EQ(itemCount(), 401);
    clickFit();

    HDC dc = GetDC(list());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list(), WM_GETFONT, 0, 0)));
    auto measure = [&](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const int rowNumbers = std::max(measure(L"#"), measure(L"401")) + 16;
    const int lineBreak = std::max(measure(L"D"), measure(withShownMark(L"p\u21B5q", list()))) + 16;
    SelectObject(dc, old);
    ReleaseDC(list(), dc);

    const std::vector<int> fitted = widths();
    ASSERT_EQ(fitted.size(), 5u);
    EXPECT_EQ(fitted[0], std::max(rowNumbers, 40));
    EXPECT_EQ(fitted[1], 40);
    EXPECT_EQ(fitted[2], 340);
    EXPECT_EQ(fitted[3], 40);
    EXPECT_EQ(fitted[4], std::max(lineBreak, 40));

    // The menu command fits a visible panel the same way.
    setColumnWidth(1, 200);
    ASSERT_TRUE(host.invokeCommand(AUTO_FIT_COMMAND));
    EXPECT_EQ(widths()[1], 40);
}

TEST_F(GridViewTest, AutoFitOfRowNumbersMeasuresTheLastRowNumber) {
    openPanelWithSettings(rowsOf(12345, "1\n"), "HeaderRow=0\r\n");
    ASSERT_EQ(itemCount(), 12345);
    clickFit();
    HDC dc = GetDC(list());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list(), WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, L"12345", 5, &size);
    SelectObject(dc, old);
    ReleaseDC(list(), dc);
    EXPECT_EQ(widths()[0], std::max(static_cast<int>(size.cx) + 16, 40));
}

}  // namespace
