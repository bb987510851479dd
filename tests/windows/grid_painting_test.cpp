// The grid as the user sees it: row and cell colours in light and dark mode, the current cell,
// the selected rows, the row numbers, the dark header, the texts cells show, and what the
// list's own focus moves do to the current cell.
//
// Texts are checked on the pixels: a cell is compared with a reference rendering of the
// expected text in the list's font, on the expected fill, with the grid's insets and format.
// A wrong colour, text, inset, alignment or a missing ellipsis each changes pixels there.
#include "grid_painting_support.h"
#include "input.h"
#include "model/theme_palette.h"

#include <string>
#include <vector>

using namespace tabulon_test;

namespace {

// Header record, then the grid rows 0 to 4. Row 0 has a line break in its third cell, row 1 a
// tab, row 2 a text far too long for a default column, row 3 only one cell.
const char* const SAMPLE =
    "Name,City,Note\r\n"
    "Ada,London,\"a\r\nb\"\r\n"
    "Grace,Arlington,x\ty\r\n"
    "Alan,Wilmslow,a text far too long to fit in a column of the default width\r\n"
    "Short\r\n"
    "Edsger,Nuenen,e\r\n";

NppDarkMode::Colors distinctPalette() {
    NppDarkMode::Colors colors = devhost::DevHost::defaultDarkPalette();
    colors.background = RGB(0x10, 0x20, 0x30);
    colors.softerBackground = RGB(0x28, 0x38, 0x48);
    colors.hotBackground = RGB(0x50, 0x40, 0x30);
    colors.text = RGB(0xE0, 0xD0, 0xC0);
    colors.edge = RGB(0x70, 0x60, 0x90);
    return colors;
}

ThemeColors lightColors() {
    return lightThemeColors(SystemColors{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT),
                                         GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)});
}

ThemeColors darkColors() {
    const NppDarkMode::Colors p = distinctPalette();
    return darkThemeColors(HostDarkPalette{p.background, p.softerBackground, p.hotBackground, p.text, p.edge});
}

class GridPaintingTest : public PluginTest {
protected:
    // Opens the panel on the document; the header row as given (through the settings file).
    void open(const std::string& document, bool headerRow = true) {
        host.mainView().document().load(document);
        writeSettingsFile(config.path(), headerRow ? "HeaderRow=1\r\n" : "HeaderRow=0\r\n");
        loadPlugin();
        ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
        ASSERT_NE(panel(), nullptr);
        list = child(panel(), IDC_GRID_LIST);
        ASSERT_NE(list, nullptr);
        header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    }

    devhost::Pixels capture() { return devhost::capturePixels(list, true); }

    std::wstring itemText(int row, int column, int capacity = 256) {
        std::wstring buffer(static_cast<size_t>(capacity) + 1, L'\x7F');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = capacity;
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return std::wstring(item.pszText);
    }

    std::wstring statusText() {
        wchar_t text[400] = {};
        GetWindowTextW(child(panel(), IDC_STATUS), text, 400);
        return text;
    }

    std::vector<int> selectedRows() {
        std::vector<int> rows;
        for (int i = -1; (i = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;) {
            rows.push_back(i);
        }
        return rows;
    }

    // The differing pixels between a cell (inside its lines) and the expected text on the
    // expected fill.
    int cellDifference(const devhost::Pixels& pixels, int row, int column, const std::wstring& text,
                       COLORREF background, COLORREF foreground, bool rightAligned = false) {
        const RECT cell = listCellRect(list, row, column);
        const UINT format = column == 0 || rightAligned ? NUMBER_FORMAT : BODY_FORMAT;
        return differingPixels(pixels, cell, insideLines(cell),
                               renderCell(list, cell, text, format, background, foreground));
    }

    // The cell's right column line and its row's bottom line are in the grid-line colour. The
    // row-number cell is filled over the row line, so it has only its column line.
    void expectCellLines(const devhost::Pixels& pixels, int row, int column, COLORREF gridLine) {
        const RECT cell = listCellRect(list, row, column);
        EXPECT_TRUE(allOf(pixels, gridLine, RECT{cell.right - 1, cell.top, cell.right, cell.bottom}))
            << "column line of row " << row << ", column " << column;
        if (column > 0) {
            EXPECT_TRUE(allOf(pixels, gridLine, RECT{cell.left, cell.bottom - 1, cell.right, cell.bottom}))
                << "row line of row " << row << ", column " << column;
        }
    }

    // The current cell: its frame on the outer pixels, its fill and text inside.
    void expectCurrentCell(const devhost::Pixels& pixels, int row, int column, const std::wstring& text,
                           const ThemeColors& colors, COLORREF frame) {
        const RECT cell = listCellRect(list, row, column);
        EXPECT_TRUE(allOf(pixels, frame, RECT{cell.left, cell.top, cell.right - 1, cell.top + 1}));
        EXPECT_TRUE(allOf(pixels, frame, RECT{cell.left, cell.top, cell.left + 1, cell.bottom - 1}));
        EXPECT_TRUE(allOf(pixels, frame, RECT{cell.right - 2, cell.top, cell.right - 1, cell.bottom - 1}));
        EXPECT_TRUE(allOf(pixels, frame, RECT{cell.left, cell.bottom - 2, cell.right - 1, cell.bottom - 1}));
        const RECT inside{cell.left + 1, cell.top + 1, cell.right - 2, cell.bottom - 2};
        EXPECT_EQ(differingPixels(pixels, cell, inside,
                                  renderCell(list, cell, text, BODY_FORMAT, colors.selectionBackground,
                                             colors.selectionText)),
                  0);
        EXPECT_TRUE(allOf(pixels, colors.gridLine, RECT{cell.right - 1, cell.top, cell.right, cell.bottom}));
    }

    HWND list = nullptr;
    HWND header = nullptr;
};

// Light mode: even and odd rows, the selected first row in the system's highlight colours,
// the current cell, the row numbers counted from 1 below the header record, and the lines.
TEST_F(GridPaintingTest, LightModeRowsCurrentCellAndRowNumbers) {
    open(SAMPLE);
    const ThemeColors colors = lightColors();
    const devhost::Pixels pixels = capture();
    ASSERT_FALSE(pixels.empty());

    // The refresh made row 0 current at column 1; the rest of its row is not selected.
    expectCurrentCell(pixels, 0, 1, L"Ada", colors, FRAME_LIGHT);
    EXPECT_EQ(cellDifference(pixels, 0, 2, L"London", colors.background, colors.text), 0);
    EXPECT_EQ(cellDifference(pixels, 0, 0, L"1", colors.headerBackground, colors.headerText), 0);

    // Rows 1 and 3 are odd, 2 and 4 even; odd rows are the window colour scaled by 245/255.
    if (GetSysColor(COLOR_WINDOW) == RGB(255, 255, 255)) {
        EXPECT_EQ(colors.alternateBackground, RGB(245, 245, 245));
    }
    EXPECT_EQ(cellDifference(pixels, 1, 1, L"Grace", colors.alternateBackground, colors.text), 0);
    EXPECT_EQ(cellDifference(pixels, 2, 2, L"Wilmslow", colors.background, colors.text), 0);
    EXPECT_EQ(cellDifference(pixels, 4, 3, L"e", colors.background, colors.text), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 0, L"2", colors.headerBackground, colors.headerText), 0);
    EXPECT_EQ(cellDifference(pixels, 4, 0, L"5", colors.headerBackground, colors.headerText), 0);
    for (int column = 0; column <= 3; ++column) {
        expectCellLines(pixels, 1, column, colors.gridLine);
    }

    // The row that ends after its first cell shows the others empty, lines included.
    EXPECT_EQ(cellDifference(pixels, 3, 2, L"", colors.alternateBackground, colors.text), 0);
    EXPECT_EQ(cellDifference(pixels, 3, 3, L"", colors.alternateBackground, colors.text), 0);
    expectCellLines(pixels, 3, 3, colors.gridLine);

    // The numbers the list is served for its rows are the same.
    EXPECT_EQ(itemText(0, 0), L"1");
    EXPECT_EQ(itemText(4, 0), L"5");
}

// Without the header record, the document's first record is row 1.
TEST_F(GridPaintingTest, RowNumbersWithoutHeaderRecord) {
    open(SAMPLE, false);
    const ThemeColors colors = lightColors();
    const devhost::Pixels pixels = capture();
    EXPECT_EQ(cellDifference(pixels, 1, 0, L"2", colors.headerBackground, colors.headerText), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 1, L"Ada", colors.alternateBackground, colors.text), 0);
    EXPECT_EQ(itemText(0, 1), L"Name");
}

// The one-line form of a cell: the return-arrow mark for a line break, a blank for a tab, an
// ellipsis for a text wider than its cell; and the texts served to the list match.
TEST_F(GridPaintingTest, CellTextsAsShown) {
    open(SAMPLE);
    const ThemeColors colors = lightColors();
    const devhost::Pixels pixels = capture();
    const COLORREF highlight = colors.background;
    const COLORREF highlightText = colors.text;

    // The line break is shown as a mark the list's font has a glyph for, never as the box of a
    // missing glyph: the return arrow when the font has it, else the return symbol, the pilcrow
    // or a bar.
    wchar_t shown = 0;
    for (const wchar_t mark : {L'\x21B5', L'\x23CE', L'\x00B6', L'|'}) {
        if (cellDifference(pixels, 0, 3, std::wstring(L"a") + mark + L"b", highlight, highlightText) == 0) {
            shown = mark;
            break;
        }
    }
    ASSERT_NE(shown, 0) << "the line break is drawn as none of the marks";
    {
        const HDC dc = GetDC(list);
        const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
        WORD glyph = 0xFFFF;
        EXPECT_EQ(GetGlyphIndicesW(dc, &shown, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS), 1u);
        EXPECT_NE(glyph, 0xFFFF) << "the mark U+" << std::hex << static_cast<int>(shown) << " is missing from the font";
        SelectObject(dc, previous);
        ReleaseDC(list, dc);
    }

    EXPECT_EQ(cellDifference(pixels, 1, 3, L"x y", colors.alternateBackground, colors.text), 0);

    const std::wstring longText = L"a text far too long to fit in a column of the default width";
    EXPECT_EQ(cellDifference(pixels, 2, 3, longText, colors.background, colors.text), 0);
    const RECT longCell = listCellRect(list, 2, 3);
    const devhost::Pixels clipped = renderText(list, SIZE{longCell.right - longCell.left, longCell.bottom - longCell.top},
                                               longText, BODY_FORMAT & ~DT_END_ELLIPSIS, colors.background,
                                               colors.text, CELL_TEXT_INSET, CELL_TEXT_INSET);
    EXPECT_NE(differingPixels(pixels, longCell, insideLines(longCell), clipped), 0)
        << "the long text must end with an ellipsis, not be cut off";

    EXPECT_EQ(itemText(0, 3), std::wstring(L"a") + shown + L"b");  // the list is given the same text
    EXPECT_EQ(itemText(1, 3), L"x y");
    EXPECT_EQ(itemText(3, 2), L"");
    // A short buffer gets what fits, terminated.
    EXPECT_EQ(itemText(2, 3, 5), L"a te");
}

// A cell narrower than its two insets shows no text, but still its fill and lines.
// Scrolled sideways, the row numbers stay at the list's left edge over the data that went
// under them, with their title in the header above them.
TEST_F(GridPaintingTest, RowNumbersStayInViewWhenScrolledSideways) {
    std::string wide = "h";
    std::string row = "a long first value";
    for (int i = 1; i < 30; ++i) {
        wide += ",h" + std::to_string(i);
        row += ",some text " + std::to_string(i);
    }
    open(wide + "\r\n" + row + "\r\n" + row + "\r\n");
    const ThemeColors colors = lightColors();
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT firstTitle{};
    SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&firstTitle));
    // The title's text pixels between two header positions.
    const auto titleInk = [&](const devhost::Pixels& pixels, int left) {
        int ink = 0;
        for (int y = 2; y + 2 < pixels.height; ++y) {
            for (int x = left + 2; x < left + firstTitle.right - firstTitle.left - 2; ++x) {
                ink += pixels.at(x, y) == GetSysColor(COLOR_BTNTEXT) ? 1 : 0;
            }
        }
        return ink;
    };
    const int inkAtTheLeftEnd = titleInk(devhost::capturePixels(header), 0);
    ASSERT_GT(inkAtTheLeftEnd, 0);

    SendMessageW(list, LVM_SCROLL, 300, 0);
    host.pumpUntilIdle();
    const devhost::Pixels pixels = capture();
    RECT numbers = listCellRect(list, 1, 0);  // where the list has it: scrolled out on the left
    ASSERT_LT(numbers.left, 0);
    OffsetRect(&numbers, -numbers.left, 0);
    EXPECT_EQ(differingPixels(pixels, numbers, RECT{numbers.left, numbers.top, numbers.right - 1, numbers.bottom},
                              renderCell(list, numbers, L"2", NUMBER_FORMAT, colors.headerBackground,
                                         colors.headerText)),
              0);
    // The header moved left with the rows; its first title is drawn again over the numbers.
    RECT headerPlace{};
    GetWindowRect(header, &headerPlace);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&headerPlace), 2);
    ASSERT_LT(headerPlace.left, 0);
    EXPECT_EQ(titleInk(devhost::capturePixels(header), -headerPlace.left), inkAtTheLeftEnd);
}

// Numbers stand at the right edge of their cells, as in a spreadsheet; text and dates at the left.
TEST_F(GridPaintingTest, NumbersAreRightAligned) {
    open("Item,Price,Share,Date\r\nBolt,\"1,234.50\",12 %,2024-02-02\r\nNut,-7,x,3\r\n");
    const ThemeColors colors = lightColors();
    const devhost::Pixels pixels = capture();
    EXPECT_EQ(cellDifference(pixels, 0, 2, L"1,234.50", colors.background, colors.text, true), 0);
    EXPECT_NE(cellDifference(pixels, 0, 2, L"1,234.50", colors.background, colors.text, false), 0);
    EXPECT_EQ(cellDifference(pixels, 0, 3, L"12 %", colors.background, colors.text, true), 0);
    EXPECT_EQ(cellDifference(pixels, 0, 4, L"2024-02-02", colors.background, colors.text, false), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 2, L"-7", colors.alternateBackground, colors.text, true), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 3, L"x", colors.alternateBackground, colors.text, false), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 4, L"3", colors.alternateBackground, colors.text, true), 0);
}

TEST_F(GridPaintingTest, NarrowCellShowsNoText) {
    open(SAMPLE);
    const ThemeColors colors = lightColors();
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(7, 0));
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(14, 0));
    const devhost::Pixels pixels = capture();
    const RECT narrow = listCellRect(list, 1, 1);
    ASSERT_EQ(narrow.right - narrow.left, 7);
    EXPECT_TRUE(allOf(pixels, colors.alternateBackground, insideLines(narrow)));
    expectCellLines(pixels, 1, 1, colors.gridLine);
    // A few pixels wider than the insets: the text is drawn there (clipped), so the narrow
    // cell's blank is the rule at work and not an accident of the text.
    const RECT wider = listCellRect(list, 1, 2);
    EXPECT_FALSE(allOf(pixels, colors.alternateBackground, insideLines(wider)));
}

// Dark mode: rows in the palette, selected rows in the selection colour with the normal text
// colour, the current cell's dark frame, and the header items painted by the panel.
TEST_F(GridPaintingTest, DarkModeRowsAndHeader) {
    open(SAMPLE);
    host.setDarkMode(true, distinctPalette());
    const ThemeColors colors = darkColors();
    const devhost::Pixels pixels = capture();

    expectCurrentCell(pixels, 0, 1, L"Ada", colors, FRAME_DARK);
    EXPECT_EQ(cellDifference(pixels, 0, 2, L"London", colors.background, colors.text), 0);
    EXPECT_EQ(cellDifference(pixels, 0, 0, L"1", colors.headerBackground, colors.headerText), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 1, L"Grace", colors.alternateBackground, colors.text), 0);
    // A range's cells in the selection colour with the normal text colour.
    SetFocus(list);
    ASSERT_TRUE(devhost::pressKey(host, VK_DOWN, devhost::KEY_SHIFT));
    ASSERT_TRUE(devhost::pressKey(host, VK_RIGHT, devhost::KEY_SHIFT));
    const devhost::Pixels ranged = capture();
    EXPECT_EQ(cellDifference(ranged, 0, 1, L"Ada", colors.selectionBackground, colors.text), 0);
    EXPECT_EQ(cellDifference(ranged, 0, 2, L"London", colors.selectionBackground, colors.text), 0);
    EXPECT_EQ(cellDifference(ranged, 2, 1, L"Alan", colors.background, colors.text), 0);
    expectCurrentCell(ranged, 1, 2, L"Arlington", colors, FRAME_DARK);
    EXPECT_EQ(cellDifference(pixels, 2, 1, L"Alan", colors.background, colors.text), 0);
    expectCellLines(pixels, 2, 2, colors.gridLine);

    // Header items: fill, separator 2 pixels short of both edges, bottom line, and the title
    // left-aligned with its insets, "#" included.
    ASSERT_NE(header, nullptr);
    const devhost::Pixels headerPixels = devhost::capturePixels(header, true);
    ASSERT_FALSE(headerPixels.empty());
    const wchar_t* const titles[] = {L"#", L"Name", L"City"};
    for (int item = 0; item < 3; ++item) {
        RECT r{};
        ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&r)));
        EXPECT_TRUE(allOf(headerPixels, colors.gridLine, RECT{r.right - 1, r.top + 2, r.right, r.bottom - 2}))
            << "separator of item " << item;
        EXPECT_EQ(headerPixels.at(r.right - 1, r.top), colors.headerBackground);
        EXPECT_TRUE(allOf(headerPixels, colors.gridLine, RECT{r.left, r.bottom - 1, r.right, r.bottom}));
        const devhost::Pixels title = renderText(
            list, SIZE{r.right - r.left, r.bottom - r.top}, titles[item],
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, colors.headerBackground,
            colors.headerText, HEADER_INSET_LEFT, HEADER_INSET_RIGHT);
        EXPECT_EQ(differingPixels(headerPixels, r, RECT{r.left, r.top, r.right - 1, r.bottom - 1}, title), 0)
            << "title of item " << item;
    }

    // Right of the last item the header is dark too.
    RECT last{};
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last)));
    ASSERT_LT(last.right + 4, headerPixels.width) << "the panel should be wider than three columns";
    {
        EXPECT_EQ(headerPixels.at(last.right + 2, (last.top + last.bottom) / 2), colors.headerBackground);
    }

    // Back to light: the header is the system's again, nothing of the dark fill is left.
    host.setDarkMode(false);
    const devhost::Pixels lightHeader = devhost::capturePixels(header, true);
    EXPECT_EQ(lightHeader.count(colors.headerBackground), 0);
}

// Shift+Down extends a range down its column and carries the current cell along, painted
// as a selection that leaves the other columns alone; Page Down moves the cell a page and
// leaves it alone selected.
TEST_F(GridPaintingTest, ShiftMovesPaintARangeAndPageDownMovesAPage) {
    std::string document = "A,B,C\r\n";
    for (int i = 1; i <= 80; ++i) {
        document += "a" + std::to_string(i) + ",b" + std::to_string(i) + ",c" + std::to_string(i) + "\r\n";
    }
    open(document);
    ASSERT_EQ(GetFocus(), list);

    ASSERT_TRUE(devhost::pressKey(host, VK_DOWN, devhost::KEY_SHIFT));
    ASSERT_TRUE(devhost::pressKey(host, VK_DOWN, devhost::KEY_SHIFT));
    EXPECT_NE(statusText().find(L"cell R3 C1   |   3 x 1 selected"), std::wstring::npos) << statusText();
    EXPECT_TRUE(selectedRows().empty()) << "the list holds no selection of its own";

    const ThemeColors colors = lightColors();
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    const devhost::Pixels pixels = capture();
    EXPECT_EQ(cellDifference(pixels, 0, 1, L"a1", highlight, highlightText), 0) << "no longer current";
    EXPECT_EQ(cellDifference(pixels, 1, 1, L"a2", highlight, highlightText), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 2, L"b2", colors.alternateBackground, colors.text), 0);
    EXPECT_EQ(cellDifference(pixels, 1, 0, L"2", colors.headerBackground, colors.headerText), 0);
    expectCurrentCell(pixels, 2, 1, L"a3", colors, FRAME_LIGHT);
    EXPECT_EQ(cellDifference(pixels, 3, 1, L"a4", colors.alternateBackground, colors.text), 0);

    ASSERT_TRUE(devhost::pressKey(host, VK_NEXT));
    const int focused = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    ASSERT_GT(focused, 2);
    EXPECT_EQ(statusText().substr(statusText().rfind(L"cell R")), L"cell R" + std::to_wstring(focused + 1) + L" C1");
    EXPECT_TRUE(selectedRows().empty());
    const devhost::Pixels paged = capture();
    expectCurrentCell(paged, focused, 1, L"a" + std::to_wstring(focused + 1), colors, FRAME_LIGHT);
}

// A left click in the grid puts the editor's caret on the first byte of the clicked row's
// record and scrolls the editor to its line, leaving the focus in the grid. Record 2 spans two
// lines, so the record's line is not its index.
const char* const CARET_DOCUMENT =
    "head,x\r\nr1,a\r\nr2,\"two\r\nlines\"\r\nr3,b\r\nr4,c\r\nr5,d\r\nr6,e\r\nr7,f\r\nr8,g\r\n";

TEST_F(GridPaintingTest, ClickMovesTheEditorCaretToTheRowsRecord) {
    const std::string text = CARET_DOCUMENT;
    for (const bool headerRow : {true, false}) {
        SCOPED_TRACE(headerRow ? "header row on" : "header row off");
        if (headerRow) {
            open(text, true);
        } else {
            // Header row off through its check box, as the user turns it off.
            SendMessageW(child(panel(), IDC_HEADER_ROW), BM_CLICK, 0, 0);
            host.pumpUntilIdle();
            ASSERT_EQ(itemText(0, 1), L"head");
        }
        SetFocus(list);
        // The row numbered 6: the seventh record ("r6", line 7) under a header record, else
        // the sixth ("r5", line 6).
        const std::string record = headerRow ? "r6" : "r5";
        devhost::click(host, list, devhost::listCellCenter(list, 5, 2));
        EXPECT_EQ(host.mainView().document().caret, text.find("\n" + record + ",") + 1);
        EXPECT_EQ(host.mainView().lastEnsureVisibleLine(), headerRow ? 7 : 6);
        EXPECT_EQ(GetFocus(), list);
        EXPECT_EQ(text, host.mainView().text()) << "the click changes nothing in the document";
    }
}

}  // namespace
