// Editor access against the stand-in editor views, and cell text conversion through the
// system's code pages: the functions the grid reads and writes the document with.
#include "test_support.h"

#include "model/cell_text.h"
#include "model/editor_access.h"

#include <commctrl.h>

#include <string>
#include <vector>

using namespace tabulon_test;

namespace {

class EditorAccessTest : public PluginTest {
protected:
    EditorWindows editor() {
        return EditorWindows{host.window(), host.mainView().window(), host.secondView().window()};
    }
    // The one row of a freshly scanned text.
    static CsvRow rowOf(const std::string& text, size_t index) {
        CsvTable table;
        scanDocument(text, ',', '"', table);
        return table.rows[index];
    }
};

TEST_F(EditorAccessTest, CurrentViewFollowsTheHost) {
    EXPECT_EQ(currentView(editor()), host.mainView().window());
    host.currentView = 1;
    EXPECT_EQ(currentView(editor()), host.secondView().window());
    EXPECT_EQ(currentView(EditorWindows{host.window(), host.mainView().window(), nullptr}), nullptr);
}

TEST_F(EditorAccessTest, WithoutACurrentViewNothingIsReadOrWritten) {
    host.currentView = -1;  // the host leaves the preset -1
    bool writing = false;
    EXPECT_EQ(currentView(editor()), nullptr);
    EXPECT_EQ(readDocument(nullptr), std::string());
    EXPECT_EQ(documentEol(editor()), "\r\n");
    EXPECT_FALSE(replaceRange(editor(), 0, 4, "x", writing));
    EXPECT_FALSE(isDocumentUnchanged(editor(), host.mainView().text().size()));
    EXPECT_FALSE(rowMatchesDocument(editor(), rowOf(host.mainView().text(), 0)));
    EXPECT_EQ(host.mainView().messageCount(SCI_SETTARGETRANGE), 0);
    EXPECT_EQ(host.mainView().messageCount(SCI_REPLACETARGET), 0);
}

TEST_F(EditorAccessTest, ReadDocumentCopiesEveryByteUpToTheLimit) {
    const std::string text("a,b\0c\r\n1,2", 10);
    host.mainView().document().load(text);
    HWND view = host.mainView().window();
    EXPECT_EQ(readDocument(view), text);
    EXPECT_EQ(readDocument(view, 10), text);

    host.mainView().resetMessageCounts();
    EXPECT_FALSE(readDocument(view, 9).has_value());
    EXPECT_EQ(host.mainView().messageCount(SCI_GETCHARACTERPOINTER), 0);

    host.mainView().document().load("");
    EXPECT_EQ(readDocument(view, 0), std::string());
    EXPECT_EQ(host.mainView().messageCount(SCI_GETCHARACTERPOINTER), 0);
}

TEST_F(EditorAccessTest, LineEndingFollowsTheEolMode) {
    const std::pair<int, const char*> modes[] = {{0, "\r\n"}, {1, "\r"}, {2, "\n"}, {3, "\r\n"}, {-1, "\r\n"}};
    for (const auto& [mode, eol] : modes) {
        host.mainView().document().eolMode = mode;
        EXPECT_EQ(documentEol(editor()), eol) << "mode " << mode;
    }
    host.currentView = 1;
    host.secondView().document().eolMode = 2;
    EXPECT_EQ(documentEol(editor()), "\n");
}

// Records the writing flag at each target and replace message the view receives. A named
// CALLBACK function: a lambda has the wrong calling convention on 32-bit Windows.
struct ReplaceProbe {
    bool* writing;
    std::vector<bool>* seen;
};
LRESULT CALLBACK watchReplaces(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* p = reinterpret_cast<ReplaceProbe*>(data);
    if (message == SCI_REPLACETARGET || message == SCI_SETTARGETRANGE) p->seen->push_back(*p->writing);
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(EditorAccessTest, ReplaceIsOneEditCheckedByTheLengthAfterwards) {
    host.mainView().document().load("0123456789");
    // The writing flag is up exactly while the editor replaces.
    std::vector<bool> flagDuringReplace;
    bool writing = false;
    ReplaceProbe probe{&writing, &flagDuringReplace};
    const SUBCLASSPROC watch = watchReplaces;
    SetWindowSubclass(host.mainView().window(), watch, 1, reinterpret_cast<DWORD_PTR>(&probe));

    EXPECT_TRUE(replaceRange(editor(), 3, 5, "wxyz", writing));
    EXPECT_EQ(host.mainView().text(), "012wxyz56789");
    EXPECT_FALSE(writing);
    EXPECT_EQ(flagDuringReplace, (std::vector<bool>{true, true}));
    EXPECT_EQ(host.mainView().document().undoStepCount(), 1u);

    // NUL bytes are written whole; an empty text deletes.
    EXPECT_TRUE(replaceRange(editor(), 0, 3, std::string("a\0b", 3), writing));
    EXPECT_EQ(host.mainView().text(), std::string("a\0bwxyz56789", 12));
    EXPECT_TRUE(replaceRange(editor(), 0, 3, "", writing));
    EXPECT_EQ(host.mainView().text(), "wxyz56789");
    RemoveWindowSubclass(host.mainView().window(), watch, 1);
}

TEST_F(EditorAccessTest, RefusedOrAlteredReplaceIsReportedAsFailed) {
    bool writing = false;
    host.mainView().document().load("0123456789");
    host.mainView().replaceFault = devhost::ReplaceFault::Refuse;
    EXPECT_FALSE(replaceRange(editor(), 3, 5, "wxyz", writing));
    EXPECT_EQ(host.mainView().text(), "0123456789");

    host.mainView().replaceFault = devhost::ReplaceFault::DropLastByte;
    EXPECT_FALSE(replaceRange(editor(), 3, 5, "wxyz", writing));
    EXPECT_EQ(host.mainView().text(), "012wxy56789");
    EXPECT_FALSE(writing);
}

TEST_F(EditorAccessTest, ReadOnlyOrInvalidRangeSendsNothingThatWrites) {
    bool writing = false;
    host.mainView().document().load("0123456789");
    host.mainView().document().readOnly = true;
    host.mainView().resetMessageCounts();
    EXPECT_FALSE(replaceRange(editor(), 3, 5, "wxyz", writing));
    EXPECT_EQ(host.mainView().messageCount(SCI_SETTARGETRANGE), 0);
    EXPECT_EQ(host.mainView().messageCount(SCI_REPLACETARGET), 0);

    host.mainView().document().readOnly = false;
    EXPECT_FALSE(replaceRange(editor(), 5, 3, "x", writing));   // ends before it starts
    EXPECT_FALSE(replaceRange(editor(), 8, 11, "x", writing));  // beyond the end
    EXPECT_EQ(host.mainView().messageCount(SCI_REPLACETARGET), 0);
    EXPECT_EQ(host.mainView().text(), "0123456789");
}

TEST_F(EditorAccessTest, StampCheckComparesLengths) {
    host.mainView().document().load("a,b\r\n");
    EXPECT_TRUE(isDocumentUnchanged(editor(), 5));
    EXPECT_FALSE(isDocumentUnchanged(editor(), 4));
    EXPECT_FALSE(isDocumentUnchanged(editor(), UINT64_MAX));  // the spoiled stamp never matches
}

TEST_F(EditorAccessTest, RowCheckLooksAtTheRowsOwnBytesOnly) {
    const std::string text = "h1,h2\r\nab,cd\r\nef,gh";
    host.mainView().document().load(text);
    const CsvRow second = rowOf(text, 1);
    const CsvRow last = rowOf(text, 2);
    EXPECT_TRUE(rowMatchesDocument(editor(), second));
    EXPECT_TRUE(rowMatchesDocument(editor(), last));

    // An edit after the row, or of its line ending's neighbour, leaves it standing.
    host.mainView().userReplace(14, 2, "EF");
    EXPECT_TRUE(rowMatchesDocument(editor(), second));
    EXPECT_FALSE(rowMatchesDocument(editor(), last));
    // An edit before it moves it.
    host.mainView().userInsert(0, "x");
    EXPECT_FALSE(rowMatchesDocument(editor(), second));

    // A row ending beyond the text fails without reading the buffer.
    host.mainView().document().load("ab");
    host.mainView().resetMessageCounts();
    EXPECT_FALSE(rowMatchesDocument(editor(), second));
    EXPECT_EQ(host.mainView().messageCount(SCI_GETCHARACTERPOINTER), 0);

    // An empty row matches wherever its offsets lie within the text.
    CsvRow empty;
    empty.start = empty.end = 2;
    EXPECT_TRUE(rowMatchesDocument(editor(), empty));
    empty.start = empty.end = 3;
    EXPECT_FALSE(rowMatchesDocument(editor(), empty));
}

// ---- cell text ------------------------------------------------------------------------------

TEST(CellText, DecodesInTheGivenCodePage) {
    EXPECT_EQ(decodeCell("", 65001), L"");
    EXPECT_EQ(decodeCell("a\r\nb", 65001), L"a\r\nb");
    EXPECT_EQ(decodeCell("\xE6\x97\xA5\xE6\x9C\xAC", 65001), L"\u65E5\u672C");
    EXPECT_EQ(decodeCell("\x93\xFA\x96\x7B", 932), L"\u65E5\u672C");
    EXPECT_EQ(decodeCell("caf\xE9", 1252), L"caf\u00E9");
    EXPECT_EQ(decodeCell(std::string("a\0b", 3), 65001), std::wstring(L"a\0b", 3));
    // An invalid byte is shown as a substitute, not dropped with its neighbours.
    const std::wstring substituted = decodeCell("a\xFF" "b", 65001);
    ASSERT_EQ(substituted.size(), 3u);
    EXPECT_EQ(substituted.front(), L'a');
    EXPECT_EQ(substituted.back(), L'b');
}

TEST(CellText, EncodeReportsCharactersTheCodePageCannotHold) {
    const std::wstring japanese = L"x\u65E5\u672Cy";
    bool lossy = true;
    EXPECT_EQ(encodeCell(japanese, 65001, &lossy), "x\xE6\x97\xA5\xE6\x9C\xAC" "y");
    EXPECT_FALSE(lossy);
    EXPECT_EQ(encodeCell(japanese, 932, &lossy), "x\x93\xFA\x96\x7By");
    EXPECT_FALSE(lossy);

    const std::string substituted = encodeCell(japanese, 1252, &lossy);
    EXPECT_TRUE(lossy);
    ASSERT_EQ(substituted.size(), 4u);  // the bytes come back all the same, with substitutes
    EXPECT_EQ(substituted.front(), 'x');
    EXPECT_EQ(substituted.back(), 'y');
    EXPECT_EQ(encodeCell(japanese, 1252), substituted);  // the flag is optional

    EXPECT_EQ(encodeCell(L"caf\u00E9\r\n", 1252, &lossy), "caf\xE9\r\n");
    EXPECT_FALSE(lossy);
    // A letter the code page lacks is not quietly replaced by a look-alike (a macron a by a).
    encodeCell(L"\u0101", 1252, &lossy);
    EXPECT_TRUE(lossy);
    encodeCell(L"\u0101", 932, &lossy);
    EXPECT_TRUE(lossy);
    lossy = true;
    EXPECT_EQ(encodeCell(L"", 1252, &lossy), "");
    EXPECT_FALSE(lossy);
}

TEST(CellText, CodePagesThatRefuseTheLossReportStillEncode) {
    // UTF-7 and the symbol code page take no used-default flag; the text is still wanted.
    bool lossy = true;
    EXPECT_EQ(encodeCell(L"a+b", 65000, &lossy), "a+-b");
    EXPECT_FALSE(lossy);
    EXPECT_EQ(encodeCell(L"\uF061\uF062", 42, &lossy), "ab");
    EXPECT_FALSE(lossy);
}

TEST(CellText, ColumnTitlesFromTheHeaderRecordOrLetters) {
    CsvTable table;
    scanDocument("\"x\r\ny\",,\x93\xFA\r\n1,2,3,4\r\n", ',', '"', table);
    EXPECT_EQ(columnTitle(table, true, 932, 0), L"x\u21B5y");
    EXPECT_EQ(columnTitle(table, true, 932, 1), L"B");  // empty header cell
    EXPECT_EQ(columnTitle(table, true, 932, 2), L"\u65E5");
    EXPECT_EQ(columnTitle(table, true, 932, 3), L"D");  // the header record is shorter
    EXPECT_EQ(columnTitle(table, false, 932, 0), L"A");
    EXPECT_EQ(columnTitle(table, true, 932, 701), L"ZZ");
    EXPECT_EQ(columnTitle(table, true, 932, 702), L"AAA");
    EXPECT_EQ(columnTitle(CsvTable{}, true, 65001, 26), L"AA");
}

}  // namespace
