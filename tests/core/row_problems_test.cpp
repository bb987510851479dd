// The problem finder: the problems of small documents, the block-wise reading and the steps
// against a record-by-record reading, going from problem to problem, and updates after edits
// against a fresh find.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <iterator>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "model/changed_range.h"
#include "model/csv_table.h"
#include "model/problem_blocks.h"
#include "model/row_problems.h"
#include "model/row_update.h"

// Problems print as what they say, so that a failure reads.
void PrintTo(const RowProblem& problem, std::ostream* out) {
    *out << "row " << problem.row << " kinds " << int(problem.kinds.bits) << " fields " << problem.fields << "/"
         << problem.expected << (problem.byHeader ? " by header" : "") << " line " << problem.line << " cell "
         << problem.cell;
}

namespace {

constexpr uint64_t ALL = ~uint64_t(0);

// The first problem where two finds differ, or an empty string.
std::string difference(const std::vector<RowProblem>& a, const std::vector<RowProblem>& b) {
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size() && i < b.size() && a[i] == b[i]) continue;
        return "at " + std::to_string(i) + ": " + (i < a.size() ? ::testing::PrintToString(a[i]) : "none") +
               " against " + (i < b.size() ? ::testing::PrintToString(b[i]) : "none");
    }
    return "";
}

// A text to show beside a failure: the whole of a short one.
std::string shown(const std::string& text) {
    return text.size() > 2000 ? std::to_string(text.size()) + " bytes" : ::testing::PrintToString(text);
}

ProblemKinds kinds(std::initializer_list<ProblemKind> list) {
    ProblemKinds set;
    for (ProblemKind kind : list) set.add(kind);
    return set;
}

RowProblem fieldCount(uint64_t row, uint64_t fields, uint64_t expected, bool byHeader) {
    return {row, kinds({ProblemKind::FieldCount}), fields, expected, byHeader, 0, 0};
}
RowProblem unclosed(uint64_t row, uint64_t line) {
    return {row, kinds({ProblemKind::UnclosedQuote}), 0, 0, false, line, 0};
}
RowProblem stray(uint64_t row, uint64_t cell) { return {row, kinds({ProblemKind::StrayQuote}), 0, 0, false, 0, cell}; }
RowProblem invalid(uint64_t row) { return {row, kinds({ProblemKind::InvalidBytes}), 0, 0, false, 0, 0}; }

std::vector<RowProblem> find(const CsvTable& table, bool headerRow, bool utf8, uint64_t budget = ALL) {
    ProblemFinder finder;
    while (!finder.step(table, headerRow, utf8, budget)) {
    }
    return finder.problems();
}

std::vector<RowProblem> find(const std::string& text, bool headerRow, bool utf8, char delimiter = ',') {
    CsvTable table;
    scanDocument(text, delimiter, '"', table);
    return find(table, headerRow, utf8);
}

TEST(RowProblems, FindsEachKindInSmallDocuments) {
    struct Case {
        std::string text;
        bool headerRow;
        std::vector<RowProblem> problems;
    };
    const std::vector<Case> cases = {
        // Field counts: the header's, or the most common count (the larger one of a tie).
        {"a,b,c\r\n1,2\r\n1,2,3\r\n1,2,3,4", true, {fieldCount(1, 2, 3, true), fieldCount(3, 4, 3, true)}},
        {"1,2\n3,4\n5\n6,7,8\n9,0\n", false, {fieldCount(2, 1, 2, false), fieldCount(3, 3, 2, false)}},
        {"1\n2,3\n", false, {fieldCount(0, 1, 2, false)}},
        {"a,b\n\n", true, {fieldCount(1, 1, 2, true)}},
        // Quotes that close, doubled quotes, an empty quoted field, a closing quote at the end.
        {"\"a,b\",\"say \"\"hi\"\"\",\"\"\r\n\"x\r\ny\",z,\"\"\"\"\r\n1,2,\"3\"", true, {}},
        // Unclosed quotes, told by the line they stand on (CR LF, LF and lone CR end lines, so
        // do line breaks inside quoted fields).
        {"a,b\r\nc,\"d\r\ne,f\n", true, {unclosed(1, 2)}},
        {"a,\"x\r\ny\"\r\nb\rc,\"open\nmore", false, {fieldCount(1, 1, 2, false), unclosed(2, 4)}},
        {"x,\"a\nb\",\"c\nd", false, {unclosed(0, 2)}},
        {"a,\"b\"\"", false, {unclosed(0, 1)}},
        // Stray quotes: inside an unquoted field, after a closing quote; the first cell told.
        {"ab\"c,d\n", false, {stray(0, 1)}},
        {"x,\"ab\"c,\"d\"e\n", false, {stray(0, 2)}},
        {"x;y;z\"\n", false, {stray(0, 3)}},
        // Several at once, the header's own included.
        {"a,b\"\n\xFF\"1\",x,\"2", true,
         {stray(0, 2), {1, kinds({ProblemKind::FieldCount, ProblemKind::UnclosedQuote, ProblemKind::StrayQuote,
                                   ProblemKind::InvalidBytes}), 3, 2, true, 2, 1}}},
        // Bytes: valid two-, three- and four-byte characters, then the ways to go wrong.
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xEF\xBB\xBF\n"
         "\xC0\xAF\n\xE0\x80\xAF\n\xED\xA0\x80\n\xE2\x82\n\xF5\x80\x80\x80\n\xFF\n\xF4\x90\x80\x80\n\x80\n",
         false, {invalid(1), invalid(2), invalid(3), invalid(4), invalid(5), invalid(6), invalid(7), invalid(8)}},
        // A character cut short by a line ending is its own record's fault, not the next one's.
        {"\xE2\n\x80\n\xF0\nab\n", false, {invalid(0), invalid(1), invalid(2)}},
    };
    for (const Case& c : cases) {
        const char delimiter = c.text.find(';') != std::string::npos ? ';' : ',';
        EXPECT_EQ(find(c.text, c.headerRow, true, delimiter), c.problems) << ::testing::PrintToString(c.text);
    }
    // A document not in UTF-8 is not checked for bytes.
    EXPECT_TRUE(find("\xFF\xC0\n", false, false).empty());
}

TEST(RowProblems, TextsForTheStatusLine) {
    EXPECT_EQ(problemText(fieldCount(4, 5, 6, true)), L"5 fields, the header has 6");
    EXPECT_EQ(problemText(fieldCount(4, 1, 1234, false)), L"1 field, most rows have 1,234");
    EXPECT_EQ(problemText(unclosed(3, 12)), L"a quote opens on line 12 and never closes");
    RowProblem all = {9, kinds({ProblemKind::FieldCount, ProblemKind::StrayQuote, ProblemKind::InvalidBytes}),
                      2, 3, false, 0, 3};
    EXPECT_EQ(problemText(all), L"2 fields, most rows have 3; a stray quote in cell 3; bytes that are not valid UTF-8");
    EXPECT_EQ(problemCountText(1), L"1 problem");
    EXPECT_EQ(problemCountText(3), L"3 problems");
    EXPECT_EQ(problemCountText(1234567), L"1,234,567 problems");
    EXPECT_EQ(problemCountText(0), L"0 problems");
}

// Random documents of plain rows and every troublesome piece, with stretches long enough to
// fill a 64-byte block with nothing to look at.
// A sparse document is mostly the plain pieces, as most documents are, with stretches of
// blocks without a quote or a byte above 7F.
std::string randomDocument(std::mt19937& engine, uint64_t pieces, bool sparse = false) {
    static const char* const tokens[] = {
        "ab", "7", ",", ",", ";", "\"", "\"\"", "\"q,\r\nq\"", "\"a\"", "\r\n", "\n", "\r", " ",
        "\xC3\xA9", "\xE2\x82\xAC", "\xE2\x82", "\xED\xA0\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98", "\xFF",
        "\xC1\xBF", "\xC3", "\x80", "\xDF\xBF", "1,2,3\r\n", "1,2,3\r\n", "x,\"y,z\",w\r\n", "x,\"y,z\",w\r\n",
        "plain,text,of,a,row,long,enough,to,fill,a,block,of,sixty-four,bytes", "0123456789abcdefghijklmnopqrstuvwxyz"};
    std::string text;
    static const char* const plain[] = {"plain,text,of,a,row,long,enough,to,fill,a,block,of,sixty-four,bytes",
                                        "0123456789abcdefghijklmnopqrstuvwxyz", "1,2,3\r\n", "ab,"};
    for (uint64_t n = 0; n < pieces; ++n) {
        if (sparse && engine() % 40 != 0)
            text += plain[engine() % 4];
        else
            text += tokens[engine() % (sizeof tokens / sizeof tokens[0])];
    }
    return text;
}

// The problems as they are defined, record by record: each record's own bytes, the count
// most records have counted afresh, the line counted in the document's text.
std::vector<RowProblem> definedProblems(const std::string& text, const CsvTable& table, bool headerRow, bool utf8) {
    std::map<uint64_t, uint64_t> tally;
    for (uint64_t r = 0; r < table.rows.size(); ++r) ++tally[table.rows.cellCount(r)];
    uint64_t expected = 0;
    uint64_t most = 0;
    for (const auto& [cells, rows] : tally) {
        if (rows >= most) expected = cells, most = rows;
    }
    if (headerRow && !table.rows.empty()) expected = table.rows.cellCount(0);
    std::vector<RowProblem> problems;
    for (uint64_t r = 0; r < table.rows.size(); ++r) {
        const RecordFlaws flaws = recordFlaws(table.rows.raw(r), table.delimiter, table.quote, utf8);
        RowProblem problem{r, flaws.kinds};
        const uint64_t cells = table.rows.cellCount(r);
        if (cells != expected && !(headerRow && r == 0)) {
            problem.kinds.add(ProblemKind::FieldCount);
            problem.fields = cells;
            problem.expected = expected;
            problem.byHeader = headerRow;
        }
        if (flaws.kinds.has(ProblemKind::UnclosedQuote)) {
            const std::string before = text.substr(0, table.rows.start(r));
            problem.line = 1 + flaws.breaksBeforeQuote;
            for (size_t i = 0; i < before.size(); ++i) {
                if (before[i] == '\n' || (before[i] == '\r' && (i + 1 == before.size() || before[i + 1] != '\n'))) {
                    ++problem.line;
                }
            }
        }
        problem.cell = flaws.cell;
        if (!problem.kinds.empty()) problems.push_back(problem);
    }
    return problems;
}

TEST(RowProblems, BlocksAndStepsAgreeWithTheRecordByRecordReading) {
    std::mt19937 engine(5150);
    for (int round = 0; round < 600; ++round) {
        // A few documents of many chunks among the small ones.
        const uint64_t pieces = round % 100 == 0 ? 60000 : engine() % 120;
        const std::string text = randomDocument(engine, pieces);
        const char delimiter = round % 3 == 0 ? ';' : ',';
        const bool headerRow = engine() % 2 == 0;
        const bool utf8 = engine() % 4 != 0;
        CsvTable table;
        scanDocument(text, delimiter, '"', table);
        const std::vector<RowProblem> whole = find(table, headerRow, utf8);
        ASSERT_EQ(difference(whole, definedProblems(text, table, headerRow, utf8)), "") << shown(text);
        const uint64_t budget = pieces > 1000 ? 1 + engine() % 50000 : 1 + engine() % 40;
        ASSERT_EQ(difference(find(table, headerRow, utf8, budget), whole), "") << "budget " << budget;
    }
}

// The notes of the first reading leave no record with a flaw unnoted, and a reading without
// notes, which leaves every record to the finder, gives the same problems.
TEST(RowProblems, TheReadingNotesEveryRecordWithAFlaw) {
    std::mt19937 engine(1911);
    for (int round = 0; round < 300; ++round) {
        const std::string text =
            randomDocument(engine, round % 25 == 0 ? 30000 : engine() % 150, round % 2 == 0);
        const char delimiter = round % 3 == 0 ? ';' : ',';
        CsvTable noted;
        scanDocument(text, delimiter, '"', noted);
        for (uint64_t r = 0; r < noted.rows.size(); ++r) {
            const uint8_t notes = noted.rows.notes(r);
            ASSERT_NE(notes & RowList::NOTE_READ, 0) << "row " << r << " of " << shown(text);
            const RecordFlaws flaws = recordFlaws(noted.rows.raw(r), delimiter, '"', true);
            const bool quotes = flaws.kinds.has(ProblemKind::StrayQuote) || flaws.kinds.has(ProblemKind::UnclosedQuote);
            if (quotes) {
                ASSERT_NE(notes & RowList::NOTE_QUOTES, 0) << "row " << r << " of " << shown(text);
            }
            if (flaws.kinds.has(ProblemKind::InvalidBytes)) {
                ASSERT_NE(notes & (RowList::NOTE_BYTES | RowList::NOTE_QUOTES), 0) << "row " << r << " of " << shown(text);
            }
        }
        CsvTable plain;
        DocumentScan scan(plain, text.size(), delimiter, '"', false);
        scan.step(text, text.size());
        const bool headerRow = engine() % 2 == 0;
        const bool utf8 = engine() % 4 != 0;
        ASSERT_EQ(difference(find(noted, headerRow, utf8), find(plain, headerRow, utf8)), "") << shown(text);
    }
}

// A closing quote followed by a byte that is not a delimiter, a line break or a quote, with the
// two on either side of the edge between batches of blocks, and only plain text after.
TEST(RowProblems, AFlawAcrossTheEdgeOfABatchIsNoted) {
    for (uint64_t at = 2040; at < 2056; ++at) {
        const std::string text = std::string(at - 4, 'a') + "\n\"q\"x,y\n" + std::string(300, 'b') + "\n";
        CsvTable table;
        scanDocument(text, ',', '"', table);
        ASSERT_EQ(table.rows.size(), 3u);
        EXPECT_NE(table.rows.notes(1) & RowList::NOTE_QUOTES, 0) << "closing quote at " << at;
        EXPECT_EQ(difference(find(table, false, true), definedProblems(text, table, false, true)), "");
    }
}

#if TABULON_SSE2
TEST(RowProblems, Sse2ClassesEveryByteAsThePortableClassifier) {
    std::mt19937 engine(64);
    const problem_blocks::Sse2Classifier sse2(';', '"');
    const problem_blocks::PortableClassifier portable(';', '"');
    unsigned char block[problem_blocks::BLOCK];
    for (int round = 0; round < 2000; ++round) {
        // Every byte value, the ends of each class's range often.
        static const unsigned char edges[] = {0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0,
                                              0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, ';', '"', '\r', '\n'};
        for (unsigned char& byte : block) {
            byte = engine() % 2 ? edges[engine() % sizeof edges] : static_cast<unsigned char>(engine());
        }
        uint64_t a[6];
        uint64_t b[6];
        sse2.quotesAndHigh(sse2.load(block), a[0], a[1]);
        sse2.stops(sse2.load(block), a[2], a[3]);
        sse2.narrow(sse2.load(block), a[4], a[5]);
        portable.quotesAndHigh(block, b[0], b[1]);
        portable.stops(block, b[2], b[3]);
        portable.narrow(block, b[4], b[5]);
        for (int k = 0; k < 6; ++k) ASSERT_EQ(a[k], b[k]) << "mask " << k;
        problem_blocks::WideClasses wideA;
        problem_blocks::WideClasses wideB;
        sse2.wide(sse2.load(block), wideA);
        portable.wide(block, wideB);
        ASSERT_EQ(wideA, wideB);
        ASSERT_EQ(sse2.plain(sse2.load(block)), portable.plain(block));
    }
    std::fill(std::begin(block), std::end(block), 'a');
    EXPECT_TRUE(sse2.plain(sse2.load(block)));
}
#endif

TEST(RowProblems, NextAndPreviousGoRoundTheEnd) {
    CsvTable table;
    scanDocument("a,b\n1\n2,3\n4\n5,6\n", ',', '"', table);
    ProblemFinder finder;
    EXPECT_EQ(finder.next(std::nullopt, false), std::nullopt);
    ASSERT_TRUE(finder.step(table, true, true, ALL));
    EXPECT_EQ(finder.count(), 2u);
    EXPECT_EQ(finder.next(std::nullopt, false), (ProblemStep{1, false}));
    EXPECT_EQ(finder.next(std::nullopt, true), (ProblemStep{3, false}));
    EXPECT_EQ(finder.next(1, false), (ProblemStep{3, false}));
    EXPECT_EQ(finder.next(2, false), (ProblemStep{3, false}));
    EXPECT_EQ(finder.next(3, false), (ProblemStep{1, true}));
    EXPECT_EQ(finder.next(4, false), (ProblemStep{1, true}));
    EXPECT_EQ(finder.next(3, true), (ProblemStep{1, false}));
    EXPECT_EQ(finder.next(1, true), (ProblemStep{3, true}));
    EXPECT_EQ(finder.next(0, true), (ProblemStep{3, true}));
    EXPECT_EQ(finder.problemAt(3), fieldCount(3, 1, 2, true));
    EXPECT_EQ(finder.problemAt(2), std::nullopt);

    // A lone problem is no next problem from itself.
    scanDocument("a,b\n1\n2,3\n", ',', '"', table);
    finder.reset();
    ASSERT_TRUE(finder.step(table, true, true, ALL));
    EXPECT_EQ(finder.next(1, false), std::nullopt);
    EXPECT_EQ(finder.next(1, true), std::nullopt);
    EXPECT_EQ(finder.next(2, false), (ProblemStep{1, true}));
    EXPECT_EQ(finder.next(0, false), (ProblemStep{1, false}));
}

// Editing sessions: outside edits rescanned with their replaced rows, cell edits, header-row
// switches, some of them during the first find; after each, the finder must give what a fresh
// find over a fresh reading of the text gives.
TEST(RowProblems, AnUpdateAfterEditsEqualsAFreshFind) {
    std::mt19937 engine(8080);
    const auto below = [&](uint64_t n) { return n == 0 ? 0 : engine() % n; };
    int updates = 0;
    for (int round = 0; round < 250; ++round) {
        std::string text = randomDocument(engine, round % 50 == 0 ? 40000 : below(80));
        bool headerRow = below(2) == 0;
        CsvTable table;
        scanDocument(text, ',', '"', table);
        ProblemFinder finder;
        for (int batch = 0; batch < 8; ++batch) {
            // Sometimes the edit comes while the first find is under way.
            const uint64_t budget = below(4) == 0 ? 1 + below(200) : ALL;
            finder.step(table, headerRow, true, budget);
            const uint64_t kind = below(8);
            if (kind == 0) {
                headerRow = !headerRow;
            } else if (kind == 1 && !table.rows.empty()) {
                const uint64_t row = below(table.rows.size());
                // No empty value: a record left empty between a CR and its own LF would read
                // as one line ending afresh.
                const char* const values[] = {"v", "a,b", "q\"q", "l\r\nm", "\xFF"};
                const RowReplacement replacement = setRowCell(table, row, below(4), values[below(5)]);
                text.replace(replacement.start, replacement.end - replacement.start, replacement.text);
                commitRowReplacement(table, row, replacement);
                // Unless the update says otherwise, the grid repaints the edited row alone: no
                // other row may have gained or lost its problem.
                const auto rowsOtherThanEdited = [&] {
                    std::vector<uint64_t> rows;
                    for (const RowProblem& problem : finder.problems()) {
                        if (problem.row != row) rows.push_back(problem.row);
                    }
                    return rows;
                };
                const std::vector<uint64_t> before = rowsOtherThanEdited();
                if (!finder.update(table, row, row + 1, row + 1)) {
                    ASSERT_EQ(rowsOtherThanEdited(), before) << "round " << round << " batch " << batch;
                }
                ++updates;
            } else {
                ChangedRange change;
                if (text.empty() || below(2) == 0) {
                    const uint64_t at = below(text.size() + 1);
                    const std::string piece = randomDocument(engine, 1 + below(3));
                    text.insert(at, piece);
                    noteInsertion(change, at, piece.size());
                } else {
                    const uint64_t from = below(text.size());
                    const uint64_t length = 1 + below(std::min<uint64_t>(text.size() - from, 20));
                    text.erase(from, length);
                    noteDeletion(change, from, length);
                }
                ReplacedRows replaced;
                if (rescanChangedRange(text, 0, text.size(), change, table, &replaced) == RescanResult::Done) {
                    finder.update(table, replaced.first, replaced.oldLast, replaced.newLast);
                    ++updates;
                } else {
                    scanDocument(text, ',', '"', table);
                    finder.reset();
                }
            }
            while (!finder.step(table, headerRow, true, ALL)) {
            }
            CsvTable fresh;
            scanDocument(text, ',', '"', fresh);
            ASSERT_EQ(difference(finder.problems(), find(fresh, headerRow, true)), "")
                << "round " << round << " batch " << batch << " text " << shown(text);
        }
    }
    EXPECT_GT(updates, 1000);
}

}  // namespace
