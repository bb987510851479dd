// Documents and settings files that no one means to write: nothing but line endings or
// quotes, NUL bytes, invalid UTF-8, a document of a hundred megabytes, and a settings file of
// garbage. The grid shows what the bytes hold, and an edit keeps every byte it does not change.
#include "cell_edit_support.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace tabulon_test;

namespace {

std::wstring statusText(int rows, int columns, int column) {
    return commaStatus(rows, columns, 1, column);
}

// Watches the status line of a panel reading a large document: every text it is given, whether
// "+ Row" was on at that moment, and an action run right after the first progress text, posted
// so that it comes between two slices of the scan as a user's action would (a posted message
// is taken before the next timer tick).
class ReadingWatch {
public:
    ReadingWatch(HWND status, HWND addRow, std::function<void()> betweenSlices = {})
        : status_(status), addRow_(addRow), betweenSlices_(std::move(betweenSlices)) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ReadingWatch::actionProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ReadingWatchAction";
        RegisterClassW(&windowClass);  // (already registered by an earlier test: fine)
        action_ = CreateWindowW(L"ReadingWatchAction", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(action_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetPropW(status_, L"ReadingWatch", this);
        previous_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(status_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReadingWatch::statusProc)));
    }
    ~ReadingWatch() {
        SetWindowLongPtrW(status_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropW(status_, L"ReadingWatch");
        DestroyWindow(action_);
    }
    ReadingWatch(const ReadingWatch&) = delete;
    ReadingWatch& operator=(const ReadingWatch&) = delete;

    std::vector<std::wstring> texts;
    std::vector<bool> addRowOn;
    // The percentages of the progress texts, in order.
    std::vector<int> progress() const {
        std::vector<int> result;
        const std::wstring prefix = L"Reading the document... ";
        for (const std::wstring& text : texts)
            if (text.rfind(prefix, 0) == 0) result.push_back(std::stoi(text.substr(prefix.size())));
        return result;
    }

private:
    static LRESULT CALLBACK statusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<ReadingWatch*>(GetPropW(window, L"ReadingWatch"));
        if (message == WM_SETTEXT && lParam != 0) {
            const std::wstring text = reinterpret_cast<const wchar_t*>(lParam);
            self->texts.push_back(text);
            self->addRowOn.push_back(IsWindowEnabled(self->addRow_) != FALSE);
            if (self->betweenSlices_ && text.rfind(L"Reading the document... ", 0) == 0) {
                PostMessageW(self->action_, WM_APP, 0, 0);
            }
        }
        return CallWindowProcW(self->previous_, window, message, wParam, lParam);
    }
    static LRESULT CALLBACK actionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ReadingWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_APP && self != nullptr && self->betweenSlices_) {
            const std::function<void()> action = std::move(self->betweenSlices_);
            self->betweenSlices_ = nullptr;
            action();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND status_;
    HWND addRow_;
    std::function<void()> betweenSlices_;
    HWND action_ = nullptr;
    WNDPROC previous_ = nullptr;
};

// ---- documents made of the scanner's special bytes --------------------------------------

struct Degenerate {
    std::string document;
    int rows;         // grid rows with the header row off
    int columns;
    std::wstring firstCell;  // as the list is given it, row 0 column 1
    bool unclosed = false;   // a quote never closes: the status line counts one problem
};

TEST_F(CellEditTest, DocumentsOfOnlyLineEndingsOrQuotesShowTheirRows) {
    const std::vector<Degenerate> cases = {
        {"", 0, 1, L""},  // no rows: one column and the ready row
        {"\r\n", 1, 1, L""},
        {"\r\n\n\r\n\n", 4, 1, L""},
        {"\n\r", 2, 1, L""},            // LF then CR: two endings, two empty rows
        {"\r\r\r", 3, 1, L""},
        {"\"", 1, 1, L"", true},        // a lone opening quote: one empty cell, never closed
        {"\"\"", 1, 1, L""},
        {"\"\"\"\"", 1, 1, L"\""},
        {"\"\"\"\"\"\"\"", 1, 1, L"\"\"\"", true},  // never closed: the rest with doubled quotes made single
        {"\"\r\n\"\"\r\n", 1, 1, L"\u21B5\"\u21B5", true},
        {"\"\"\r\n\"\"\r\n\"", 3, 1, L"", true},
    };
    openPanelWithSettings("", "HeaderRow=0\r\nAutoDelim=0\r\n");
    for (const Degenerate& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.document));
        host.mainView().document().load(c.document);
        clickReload();
        EXPECT_EQ(itemCount(), std::max(c.rows, 1));
        std::wstring expected = statusText(c.rows, c.columns, c.columns == 0 ? 0 : 1);
        if (c.unclosed) {
            expected.insert(expected.find(L"   |   delimiter"), L"   |   1 problem");
        }
        EXPECT_EQ(status(), expected);
        if (c.rows > 0) {
            EXPECT_EQ(cellText(0, 1), withShownMark(c.firstCell, list()));
        }
    }
    EXPECT_TRUE(hooks.boxes.empty());

    // Typing into a row that is only a line ending fills it and keeps the endings around it.
    host.mainView().document().load("\r\n\n\r\n\n");
    clickReload();
    goTo(1, 1);
    type(L"x");
    press(VK_RETURN);
    EXPECT_EQ(document(), "\r\nx\n\r\n\n");
}

TEST_F(CellEditTest, NulBytesAreContentAndSurviveEditsOfOtherCells) {
    const std::string withNuls("a\0b,c\r\n\0,\0\0\r\n", 13);
    openPanelWithSettings(withNuls, "HeaderRow=0\r\nAutoDelim=0\r\n");
    EXPECT_EQ(itemCount(), 2);
    EXPECT_EQ(status(), statusText(2, 2, 1));

    goTo(0, 2);
    type(L"x");
    press(VK_RETURN);
    EXPECT_EQ(document(), std::string("a\0b,x\r\n\0,\0\0\r\n", 13));
    goTo(1, 2);
    press(VK_DELETE);
    EXPECT_EQ(document(), std::string("a\0b,x\r\n\0,\r\n", 11));
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(CellEditTest, InvalidUtf8ShowsSubstitutesAndItsBytesSurviveEditsOfOtherCells) {
    const std::string invalid = "\xFF,\xC3\r\n\xE2\x82,ok\xC0\r\n\xED\xA0\x80,z\r\n";
    openPanelWithSettings(invalid, "HeaderRow=0\r\nAutoDelim=0\r\n");
    EXPECT_EQ(itemCount(), 3);
    EXPECT_EQ(status(), L"3 rows x 2 cols   |   3 problems   |   delimiter ','   |   cell R1 C1");  // each row's bytes are not UTF-8
    // Each cell shows something in place of its bytes: the system's substitute characters.
    for (int row = 0; row < 3; ++row) {
        EXPECT_FALSE(cellText(row, 1).empty()) << row;
        EXPECT_NE(cellText(row, 1).find(L'\uFFFD'), std::wstring::npos) << row;
    }
    EXPECT_EQ(cellText(1, 2).substr(0, 2), L"ok");

    goTo(0, 2);
    type(L"y");
    press(VK_RETURN);
    goTo(2, 2);
    press(VK_DELETE);
    EXPECT_EQ(document(), "\xFF,y\r\n\xE2\x82,ok\xC0\r\n\xED\xA0\x80,\r\n");
    EXPECT_TRUE(hooks.boxes.empty());
}

// ---- a hundred megabytes ----------------------------------------------------------------

// 100 MiB of 128-byte rows, built once for the program.
const std::string& hundredMegabytes() {
    static const std::string document = [] {
        std::string row;
        for (int i = 0; row.size() < 126; ++i) {
            if (i > 0) row.push_back(',');
            row.append(9, static_cast<char>('a' + i % 26));
        }
        row.resize(126);
        row += "\r\n";
        std::string text;
        text.reserve(100u << 20);
        while (text.size() < (100u << 20)) text += row;
        return text;
    }();
    return document;
}

TEST_F(CellEditTest, HundredMegabyteDocumentIsShownWithTheLimitRaised) {
    const std::string& big = hundredMegabytes();
    ASSERT_EQ(big.size(), 100u << 20);
    const int rows = static_cast<int>(big.size() / 128);
    openPanelWithSettings(big, "MaxFileMB=128\r\nAutoDelim=0\r\n");

    ASSERT_TRUE(waitForDocumentRead());
    // Read again, it is read a slice per tick of the panel's timer, with the progress in the
    // status line and nothing that edits the grid on meanwhile.
    {
        ReadingWatch watch(child(panel(), IDC_STATUS), child(panel(), IDC_ADD_ROW));
        const int ticks = host.timerDispatchCount(panel(), SCAN_TIMER);
        clickReload();
        ASSERT_TRUE(waitForDocumentRead());
        EXPECT_GE(host.timerDispatchCount(panel(), SCAN_TIMER), ticks + 1);  // 100 MB is more than a slice
        const std::vector<int> progress = watch.progress();
        ASSERT_FALSE(progress.empty());
        // More than a slice: nothing is read in the click itself, and the rows are shown on the
        // tick after the last slice.
        EXPECT_EQ(progress.front(), 0);
        EXPECT_EQ(progress.back(), 100);
        for (size_t i = 1; i < progress.size(); ++i) EXPECT_LT(progress[i - 1], progress[i]);
        for (size_t i = 0; i + 1 < watch.texts.size(); ++i) EXPECT_FALSE(watch.addRowOn[i]) << i;
        EXPECT_EQ(watch.texts.back(), statusText(rows - 1, 13, 1));
        EXPECT_TRUE(watch.addRowOn.back());
    }
    EXPECT_EQ(itemCount(), rows - 1);
    EXPECT_EQ(status(), statusText(rows - 1, 13, 1));
    EXPECT_EQ(cellText(rows - 2, 1), L"aaaaaaaaa");

    // An edit of the last row writes that row alone.
    SetFocus(list());
    press(VK_END, devhost::KEY_CTRL);
    ASSERT_EQ(current(), std::make_pair(rows - 1, 13));
    type(L"end");
    press(VK_RETURN);
    const std::string& after = host.mainView().text();
    // The last cell was "mmmmmm" (the rows are cut at 126 bytes).
    ASSERT_EQ(after.size(), big.size() - 3);
    EXPECT_EQ(after.compare(0, big.size() - 8, big, 0, big.size() - 8), 0);
    EXPECT_EQ(after.substr(after.size() - 6), ",end\r\n");
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(CellEditTest, AnEditWhileALargeDocumentIsReadIsReadWithIt) {
    const std::string& big = hundredMegabytes();
    openPanelWithSettings(big, "MaxFileMB=128\r\nAutoDelim=0\r\nHeaderRow=0\r\n");
    ASSERT_TRUE(waitForDocumentRead());
    const int rows = static_cast<int>(big.size() / 128) + 1;
    {
        // The user types at the top and the end of the document while the panel is part-way
        // through it: the scan starts again once the edits pause, and reads the edited document.
        ReadingWatch watch(child(panel(), IDC_STATUS), child(panel(), IDC_ADD_ROW), [&] {
            host.mainView().userInsert(0, "new,");
            host.mainView().userInsert(big.size() + 4, "last\r\n");
        });
        clickReload();
        ASSERT_TRUE(waitForRefresh());
        ASSERT_TRUE(waitForDocumentRead()) << status();
        EXPECT_EQ(watch.progress().size() >= 2, true);  // read once part-way, then again
        EXPECT_EQ(itemCount(), rows);
        EXPECT_EQ(cellText(0, 1), L"new");
        EXPECT_EQ(cellText(rows - 1, 1), L"last");
    }
    {
        // Another document made current part-way is read in its place.
        auto small = std::make_shared<devhost::EditorDocument>("a,b\r\nc,d\r\n");
        ReadingWatch watch(child(panel(), IDC_STATUS), child(panel(), IDC_ADD_ROW),
                           [&] { host.activateDocument(0, small); });
        clickReload();
        host.pumpFor(300);
        EXPECT_FALSE(readingDocument());
        EXPECT_EQ(itemCount(), 2);
        EXPECT_EQ(cellText(1, 2), L"d");
    }
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(CellEditTest, HundredMegabyteDocumentOverTheLimitIsNotShown) {
    openPanelWithSettings(hundredMegabytes(), "MaxFileMB=99\r\n");
    EXPECT_EQ(itemCount(), 0);
    EXPECT_EQ(status(), L"File is larger than 99 MB - grid view is off (raise MaxFileMB in Tabulon.ini)");
}

// ---- a settings file of garbage -----------------------------------------------------------

struct GarbageSettings {
    std::string body;
    std::wstring status;  // on the document "h1;h2\r\n1;2\r\n3;4\r\n"
    int headerRow, autoDelim, delimiter, maxFileMB;  // as written back at shut-down
};

class GarbageSettingsTest : public GridViewTest, public ::testing::WithParamInterface<GarbageSettings> {};

TEST_P(GarbageSettingsTest, GarbageReadsAsZeroOrTheDefaultAndTheGridStillShows) {
    const GarbageSettings& c = GetParam();
    openPanelWithSettings("h1;h2\r\n1;2\r\n3;4\r\n", c.body);
    EXPECT_EQ(status(), c.status);
    EXPECT_TRUE(hooks.boxes.empty());
    EXPECT_TRUE(host.shutdownPlugin());
    EXPECT_EQ(readSetting(settingsFile(), L"HeaderRow"), c.headerRow);
    EXPECT_EQ(readSetting(settingsFile(), L"AutoDelim"), c.autoDelim);
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), c.delimiter);
    EXPECT_EQ(readSetting(settingsFile(), L"MaxFileMB"), c.maxFileMB);
}

const std::wstring SEMICOLON_WITH_HEADER = L"2 rows x 2 cols   |   delimiter ';'   |   cell R1 C1";
const std::wstring SEMICOLON_NO_HEADER = L"3 rows x 2 cols   |   delimiter ';'   |   cell R1 C1";
const std::wstring COMMA_NO_HEADER = L"3 rows x 1 col   |   delimiter ','   |   cell R1 C1";

const char NUL_INSIDE[] = "HeaderRow=0\0garbage\r\nMaxFileMB=\xFF\xFE\r\n";

std::string longLine() { return "HeaderRow=" + std::string(70000, '7') + "\r\n"; }

std::string binaryNoise() {
    std::string noise;
    unsigned state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        noise.push_back(static_cast<char>(state >> 24));
    }
    return noise;
}

INSTANTIATE_TEST_SUITE_P(
    Files, GarbageSettingsTest,
    ::testing::Values(
        // Words read as 0: header off, detection off, the delimiter left at the comma, and the
        // limit clamped to 1 MB.
        GarbageSettings{"HeaderRow=yes\r\nAutoDelim=on\r\nDelimiter=semicolon\r\nMaxFileMB=lots\r\n",
                        COMMA_NO_HEADER, 0, 0, 44, 1},
        // Empty values and a section of nothing but noise: the defaults (the delimiter written
        // back is the one detected).
        GarbageSettings{"HeaderRow=\r\nAutoDelim=\r\n" + binaryNoise() + "\r\n", SEMICOLON_WITH_HEADER, 1, 1, 59, 256},
        // Values past the range of an int: read as large, then clamped or ignored.
        GarbageSettings{"AutoDelim=0\r\nDelimiter=99999999999999999999\r\nMaxFileMB=99999999999999999999\r\n",
                        L"2 rows x 1 col   |   delimiter ','   |   cell R1 C1", 1, 0, 44, 2048},
        GarbageSettings{longLine() + "AutoDelim=-0\r\nDelimiter=59abc\r\n", SEMICOLON_WITH_HEADER, 1, 0, 59, 256},
        GarbageSettings{std::string(NUL_INSIDE, sizeof NUL_INSIDE - 1), SEMICOLON_NO_HEADER, 0, 1, 59, 1}));

}  // namespace
