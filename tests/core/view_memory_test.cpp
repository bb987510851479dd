// Each document's view remembered, written to the views file and read back; the most recent
// 500 kept; damaged, cut and foreign files read as little or nothing, never as wrong views.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "model/view_memory.h"

// Failures show memories and views as the file would have them.
void PrintTo(const ViewMemory& memory, std::ostream* out) {
    *out << memory.serialize();
}

void PrintTo(const DocumentView& view, std::ostream* out) {
    DocumentView shown = view;
    shown.unsaved = false;
    ViewMemory memory;
    memory.remember(L"C:\\view", shown);
    *out << (view.unsaved ? "unsaved " : "") << memory.serialize();
}

namespace {

// A code point as wide text: a surrogate pair where wide characters are 16 bits.
std::wstring wide(uint32_t code) {
    std::wstring text;
    if (code > 0xFFFF && sizeof(wchar_t) == 2) {
        text += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        text += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
        text += static_cast<wchar_t>(code);
    }
    return text;
}

const std::wstring ODD_PATH = L"C:\\Donn\u00E9es\\Stra\u00DFe\\\u65E5\u672C " + wide(0x1F600) + L" [v2].csv";

DocumentView fullView() {
    DocumentView view;
    view.headerRow = false;
    view.delimiter = ';';
    view.columnWidths = {{0, 120}, {3, 80}, {MAX_VIEW_CELLS - 1, MAX_COLUMN_WIDTH}};
    view.hiddenCells = {2, 5};
    view.frozenColumns = 1;
    view.filters = {{0, L"say \"hi\" = x"}, {2, L"line\nnext\ttab\\ end\r"}, {5, L"  spaced  "},
                    {7, L"\x01\x7F" + wide(0xD800) + L"\u00E9" + wide(0x1F600)}, {9, L"[C:\\x.csv]"}};
    view.sortArrow = SortKey{3, true};
    view.currentRow = 12;
    view.currentColumn = 4;
    view.topRow = 5;
    return view;
}

DocumentView viewWithTop(int32_t topRow) {
    DocumentView view;
    view.topRow = topRow;
    return view;
}

std::vector<std::wstring> paths(const ViewMemory& memory) {
    std::vector<std::wstring> list;
    for (const RememberedView& document : memory.documents()) list.push_back(document.path);
    return list;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(ViewMemory, ViewsReadBackFromTheFileExceptUnsavedDocuments) {
    ViewMemory memory;
    DocumentView unsaved;
    unsaved.unsaved = true;
    memory.remember(L"new 1", unsaved);
    memory.remember(L"C:\\data\\plain.tsv", DocumentView{});
    memory.remember(ODD_PATH, fullView());

    const std::string text = memory.serialize();
    EXPECT_TRUE(text.starts_with("[Tabulon views]\r\nVersion=1\r\n"));
    EXPECT_TRUE(text.ends_with("\r\n[<end>]\r\n"));
    EXPECT_NE(text.find("\r\n[C:\\data\\plain.tsv]\r\nHeaderRow=1\r\nDelimiter=auto\r\nWidths=\r\nHidden=\r\n"
                        "Frozen=0\r\nSort=none\r\nCurrent=0,1\r\nTop=0\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("[C:\\Donn\xC3\xA9" "es\\Stra\xC3\x9F" "e\\\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 [v2].csv]\r\n"
                        "HeaderRow=0\r\nDelimiter=59\r\nWidths=0:120,3:80,1023:16384\r\nHidden=2,5\r\nFrozen=1\r\n"
                        "Sort=3,descending\r\nCurrent=12,4\r\nTop=5\r\nFilter0=say \"hi\" = x\r\n"
                        "Filter2=line\\nnext\\ttab\\\\ end\\r\r\nFilter5=  spaced  \r\n"
                        "Filter7=\\u0001\\u007F\\uD800\xC3\xA9\xF0\x9F\x98\x80\r\nFilter9=[C:\\\\x.csv]\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("new 1"), std::string::npos);

    ViewMemory expected = memory;
    expected.forget(L"new 1");
    EXPECT_EQ(ViewMemory::parse(text), expected);

    // Paths are one document whatever the case of A to Z; other letters count as they are.
    EXPECT_EQ(memory.recall(L"c:\\DATA\\Plain.TSV"), DocumentView{});
    EXPECT_EQ(ViewMemory::parse(text).recall(L"c:\\DONN\u00E9ES\\STRA\u00DFE\\\u65E5\u672C " + wide(0x1F600) + L" [V2].CSV"),
              fullView());
    EXPECT_FALSE(memory.recall(L"C:\\DONN\u00C9ES\\STRA\u00DFE\\\u65E5\u672C " + wide(0x1F600) + L" [V2].CSV"));
}

TEST(ViewMemory, KeepsTheMostRecent500) {
    ViewMemory memory;
    const auto path = [](int i) { return L"C:\\f" + std::to_wstring(i) + L".csv"; };
    for (int i = 0; i <= 500; ++i) memory.remember(path(i), viewWithTop(i));
    EXPECT_EQ(memory.documents().size(), 500u);
    EXPECT_FALSE(memory.recall(path(0)));
    EXPECT_EQ(memory.recall(path(1))->topRow, 1);

    // Remembered again, a document is the most recent, and the next least recent goes.
    memory.remember(L"c:\\F1.CSV", viewWithTop(7));
    memory.remember(path(501), DocumentView{});
    EXPECT_EQ(memory.recall(path(1))->topRow, 7);
    EXPECT_FALSE(memory.recall(path(2)));
    EXPECT_EQ(paths(memory)[0], path(501));
    EXPECT_EQ(paths(memory)[1], L"c:\\F1.CSV");

    memory.forget(path(1));
    EXPECT_FALSE(memory.recall(path(1)));
    EXPECT_EQ(memory.documents().size(), 499u);
    EXPECT_EQ(ViewMemory::parse(memory.serialize()), memory);
}

TEST(ViewMemory, KeepsViewsWithinTheFilesBounds) {
    DocumentView view;
    view.delimiter = '"';
    view.columnWidths = {{1, -5}, {2, MAX_COLUMN_WIDTH + 1}, {MAX_VIEW_CELLS, 50}};
    view.hiddenCells = {4, MAX_VIEW_CELLS, UINT64_MAX};
    view.frozenColumns = UINT64_MAX;
    view.filters = {{1, L""}, {2, std::wstring(MAX_FILTER_TEXT - 1, L'a') + wide(0x1F600)}, {MAX_VIEW_CELLS, L"x"}};
    view.sortArrow = SortKey{MAX_VIEW_CELLS, false};
    view.currentRow = -3;
    view.currentColumn = INT32_MAX;
    view.topRow = INT32_MIN;
    ViewMemory memory;
    memory.remember(L"C:\\a.csv", view);

    DocumentView bounded;
    bounded.columnWidths = {{1, 0}, {2, MAX_COLUMN_WIDTH}};
    bounded.hiddenCells = {4};
    bounded.frozenColumns = MAX_VIEW_CELLS;
    // Cut at the limit, and one sooner where a surrogate pair would be split.
    bounded.filters = {{2, std::wstring(MAX_FILTER_TEXT - 1, L'a') + (sizeof(wchar_t) == 2 ? L"" : wide(0x1F600))}};
    bounded.currentColumn = static_cast<int32_t>(MAX_VIEW_CELLS);
    EXPECT_EQ(memory.recall(L"C:\\a.csv"), bounded);
    EXPECT_EQ(ViewMemory::parse(memory.serialize()), memory);

    // A document too large for the file is left out; the others still go in.
    DocumentView huge;
    for (uint64_t cell = 0; cell < MAX_VIEW_CELLS; ++cell) huge.filters[cell] = std::wstring(MAX_FILTER_TEXT, L'\x01');
    memory.remember(L"C:\\huge.csv", huge);
    memory.remember(L"C:\\b.csv", DocumentView{});
    const std::string text = memory.serialize();
    EXPECT_LE(text.size(), MAX_VIEWS_FILE_BYTES);
    EXPECT_EQ(paths(ViewMemory::parse(text)), (std::vector<std::wstring>{L"C:\\b.csv", L"C:\\a.csv"}));

    // Paths no file name has are kept for the session only.
    for (const std::wstring& path : {std::wstring(L"C:\\a\tb.csv"), std::wstring(L"C:\\<end>"), std::wstring(),
                                     std::wstring(MAX_VIEW_PATH + 1, L'a'), L"C:\\" + wide(0xDC00)}) {
        EXPECT_FALSE(writableViewPath(path));
        ViewMemory one;
        one.remember(path, DocumentView{});
        EXPECT_TRUE(ViewMemory::parse(one.serialize()).documents().empty());
    }
}

TEST(ViewMemory, DamagedFilesGiveOnlyTheSoundDocuments) {
    ViewMemory memory;
    memory.remember(L"C:\\b.csv", viewWithTop(9));
    memory.remember(L"C:\\a.csv", fullView());
    const std::string text = memory.serialize();
    const std::vector<std::wstring> both = {L"C:\\a.csv", L"C:\\b.csv"};
    const std::vector<std::wstring> onlyA = {L"C:\\a.csv"};
    const std::vector<std::wstring> onlyB = {L"C:\\b.csv"};
    const std::vector<std::wstring> none;

    const struct {
        const char* what;
        std::string text;
        std::vector<std::wstring> kept;
    } CASES[] = {
        {"empty", "", none},
        {"garbage", std::string("\x00\xFF\xFE garbage\n[x]\n", 16), none},
        {"the settings file", "[Tabulon]\r\nHeaderRow=1\r\nDelimiter=44\r\n", none},
        {"another version", replaced(text, "Version=1", "Version=2"), none},
        {"no version", replaced(text, "Version=1\r\n", ""), none},
        {"too long", text + std::string(MAX_VIEWS_FILE_BYTES, ';'), none},
        {"huge row", replaced(text, "Top=9", "Top=99999999999999999999999"), onlyA},
        {"row past int32", replaced(text, "Top=9", "Top=2147483648"), onlyA},
        {"negative", replaced(text, "Top=9", "Top=-1"), onlyA},
        {"wide column", replaced(text, "0:120", "0:16385"), onlyB},
        {"cell past the bound", replaced(text, "Hidden=2,5", "Hidden=2," + std::to_string(MAX_VIEW_CELLS)), onlyB},
        {"repeated cell", replaced(text, "Hidden=2,5", "Hidden=2,2"), onlyB},
        {"repeated key", replaced(text, "Top=5\r\n", "Top=5\r\nTop=5\r\n"), onlyB},
        {"unknown escape", replaced(text, "\\n", "\\q"), onlyB},
        {"short escape", replaced(text, "\\u0001", "\\u01"), onlyB},
        {"raw control", replaced(text, "\\t", "\t"), onlyB},
        {"bad UTF-8", replaced(text, "say", "s\xC0\xAFy"), onlyB},
        {"encoded surrogate", replaced(text, "say", "s\xED\xA0\x80y"), onlyB},
        {"too long filter", replaced(text, "say", std::string(MAX_FILTER_TEXT, 's')), onlyB},
        {"line without a value", replaced(text, "Top=5\r\n", "Top=5\r\nnonsense\r\n"), onlyB},
        {"unclosed name", replaced(text, "[C:\\b.csv]", "[C:\\b.csv"), onlyA},
        {"unknown key", replaced(text, "Top=5\r\n", "Top=5\r\nColour=red\r\n"), both},
        {"no end", replaced(text, "[<end>]", ""), onlyA},
        {"byte-order mark", "\xEF\xBB\xBF" + text, both},
    };
    for (const auto& c : CASES) {
        EXPECT_EQ(paths(ViewMemory::parse(c.text)), c.kept) << c.what;
    }
    std::string lf = text;
    std::erase(lf, '\r');
    EXPECT_EQ(ViewMemory::parse(lf), memory);

    // The same document twice: the first, more recent, section counts.
    const std::string twice = replaced(text, "[C:\\b.csv]", "[c:\\A.CSV]");
    EXPECT_EQ(paths(ViewMemory::parse(twice)), onlyA);
    EXPECT_EQ(ViewMemory::parse(twice).recall(L"C:\\a.csv"), fullView());

    // Cut anywhere, a file gives some of the documents before the cut, with their whole views.
    for (size_t length = 0; length < text.size(); ++length) {
        const ViewMemory cut = ViewMemory::parse(std::string_view(text).substr(0, length));
        for (size_t i = 0; i < cut.documents().size(); ++i) {
            ASSERT_EQ(cut.documents()[i], memory.documents()[i]) << length;
        }
    }
}

// Random views within the bounds, with the characters the file escapes drawn often.
class Generator {
public:
    explicit Generator(uint32_t seed) : engine_(seed) {}
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine_() % n); }

    std::wstring text(uint32_t maxLength) {
        static const uint32_t SPECIAL[] = {'\\', '\t', '\n', '\r', '=', '"', '[', ']', ';', ' ', 0, 0x7F,
                                           0xE9, 0x65E5, 0xD800, 0xDFFF, 0x1F600, 0xFFFD};
        std::wstring out;
        for (uint32_t n = below(maxLength + 1); out.size() < n;) {
            out += below(3) == 0 ? wide(SPECIAL[below(static_cast<uint32_t>(std::size(SPECIAL)))]) : wide('a' + below(26));
        }
        return out;
    }

    DocumentView view() {
        DocumentView v;
        v.headerRow = below(2) == 0;
        if (below(2) == 0) v.delimiter = ",;\t|:"[below(5)];
        for (uint32_t n = below(6); n > 0; --n) v.columnWidths[cell()] = static_cast<int>(below(MAX_COLUMN_WIDTH + 1));
        for (uint32_t n = below(4); n > 0; --n) v.hiddenCells.insert(cell());
        v.frozenColumns = below(4);
        for (uint32_t n = below(4); n > 0; --n) v.filters[cell()] = text(12);
        if (below(2) == 0) v.sortArrow = SortKey{cell(), below(2) == 0};
        v.currentRow = static_cast<int32_t>(engine_() >> 1);
        v.currentColumn = static_cast<int32_t>(below(MAX_VIEW_CELLS + 1));
        v.topRow = static_cast<int32_t>(below(1000));
        return v;
    }

    std::wstring path() { return L"C:\\" + text(20) + std::to_wstring(below(40)); }

private:
    uint64_t cell() { return below(3) == 0 ? MAX_VIEW_CELLS - 1 - below(3) : below(20); }
    std::mt19937 engine_;
};

TEST(ViewMemoryProperties, MemoriesReadBackAndAnyBytesReadSafely) {
    Generator random(20240611);
    for (int round = 0; round < 300; ++round) {
        ViewMemory memory;
        for (uint32_t n = random.below(8); n > 0; --n) {
            const std::wstring path = random.path();
            if (writableViewPath(path)) memory.remember(path, random.view());
        }
        const std::string text = memory.serialize();
        ASSERT_EQ(ViewMemory::parse(text), memory) << text;

        // Damaged copies: bytes changed, dropped or repeated, or random bytes in a section.
        // Whatever is read is within the bounds and, written back, reads back the same.
        std::string damaged = text;
        if (round % 4 == 0) {
            damaged = "[Tabulon views]\nVersion=1\n[C:\\x]\n";
            for (uint32_t n = random.below(200); n > 0; --n) damaged += static_cast<char>(random.below(256));
            damaged += "\n[<end>]";
        }
        for (uint32_t n = random.below(6) + 1; n > 0; --n) {
            const size_t at = damaged.empty() ? 0 : random.below(static_cast<uint32_t>(damaged.size()));
            const char byte = static_cast<char>(random.below(256));
            switch (random.below(3)) {
            case 0: if (!damaged.empty()) damaged[at] = byte; break;
            case 1: if (!damaged.empty()) damaged.erase(at, random.below(8)); break;
            default: damaged.insert(at, random.below(4) + 1, byte);
            }
        }
        const ViewMemory read = ViewMemory::parse(damaged);
        for (const RememberedView& document : read.documents()) {
            ASSERT_TRUE(writableViewPath(document.path));
            ViewMemory one;
            one.remember(document.path, document.view);
            ASSERT_EQ(one.recall(document.path), document.view) << "a view read is within the bounds";
        }
        ASSERT_EQ(ViewMemory::parse(read.serialize()), read);
    }
}

}  // namespace
