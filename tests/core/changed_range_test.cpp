// The rescan of a changed stretch against a full scan of the edited document: random
// documents, random sequences of insertions and deletions, undone and redone, read through
// windows that grow as the rescan asks for them.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/changed_range.h"
#include "model/csv_table.h"
#include "table_invariants.h"

namespace {

struct Edit {
    bool insertion;
    uint64_t position;
    std::string bytes;  // inserted, or the bytes the deletion removed
};

// Applies an edit to text and notes it as the editor's notification would tell it.
void apply(std::string& text, const Edit& edit, ChangedRange& change) {
    if (edit.insertion) {
        text.insert(edit.position, edit.bytes);
        noteInsertion(change, edit.position, edit.bytes.size());
    } else {
        text.erase(edit.position, edit.bytes.size());
        noteDeletion(change, edit.position, edit.bytes.size());
    }
}

Edit inverse(const Edit& edit) { return {!edit.insertion, edit.position, edit.bytes}; }

class Session {
public:
    explicit Session(uint32_t seed) : engine_(seed) {}
    uint64_t below(uint64_t n) { return n == 0 ? 0 : engine_() % n; }

    std::string piece(uint64_t maxTokens) {
        static const char* const tokens[] = {"ab", "7", "\xC3\xA9", ",", ",", ";", "\t", "\"", "\"\"", "\r", "\n",
                                             "\r\n", " ", "x,y\r\n", "\"q,\r\nq\""};
        std::string s;
        for (uint64_t n = 1 + below(maxTokens); n > 0; --n) s += tokens[below(sizeof tokens / sizeof tokens[0])];
        return s;
    }

    // A document mostly of plain rows, so that boundaries are met again after most edits,
    // and sometimes with stray quotes, so that they are not.
    std::string document(uint64_t maxRows = 60) {
        std::string text;
        const uint64_t rows = below(maxRows);
        for (uint64_t r = 0; r < rows; ++r) {
            if (below(8) == 0) {
                text += piece(6);
            } else {
                text += 'a';
                text += std::to_string(r);
                text += ",b,\"c,d\"";
            }
            text += below(5) == 0 ? "\n" : "\r\n";
        }
        if (below(3) == 0) text += piece(4);
        return text;
    }

    Edit edit(const std::string& text) {
        const uint64_t position = below(text.size() + 1);
        if (text.empty() || below(2) == 0) return {true, position, piece(3)};
        const uint64_t at = below(text.size());
        return {false, at, text.substr(at, 1 + below(std::min<uint64_t>(text.size() - at, 12)))};
    }

private:
    std::mt19937 engine_;
};

// Rescans through windows from rescanStart that double as asked; a full scan where the
// rescan declines. Returns whether the rescan did the work.
// The rows a rescan says it kept, before and after the ones it replaced, must be the old rows.
bool refresh(const std::string& text, const ChangedRange& change, CsvTable& table, uint64_t firstWindow) {
    const uint64_t start = rescanStart(table, change);
    std::vector<std::string> before;
    for (uint64_t r = 0; r < table.rows.size(); ++r) before.emplace_back(table.rows.raw(r));
    for (uint64_t length = firstWindow;; length *= 2) {
        const uint64_t windowLength = std::min<uint64_t>(length, text.size() - std::min<uint64_t>(start, text.size()));
        const std::string_view window = std::string_view(text).substr(std::min<uint64_t>(start, text.size()), windowLength);
        ReplacedRows replaced;
        const RescanResult result = rescanChangedRange(window, start, text.size(), change, table, &replaced);
        if (result == RescanResult::Done) {
            EXPECT_TRUE(replaced.first <= replaced.oldLast && replaced.oldLast <= before.size());
            EXPECT_EQ(table.rows.size() - replaced.newLast, before.size() - replaced.oldLast);
            for (uint64_t r = 0; r < table.rows.size(); ++r) {
                if (r >= replaced.first && r < replaced.newLast) continue;
                const uint64_t old = r < replaced.first ? r : r - replaced.newLast + replaced.oldLast;
                EXPECT_EQ(table.rows.raw(r), before[old]) << "row " << r;
            }
            return true;
        }
        if (result == RescanResult::NotSafe) {
            scanDocument(text, table.delimiter, table.quote, table);
            return false;
        }
    }
}

// Random editing sessions on documents of up to maxRows rows; every refresh must give the
// table of a full scan. Answers how many of the refreshes were rescans.
void checkSessions(uint32_t seed, int rounds, uint64_t maxRows) {
    Session session(seed);
    int rescans = 0;
    int refreshes = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string text = session.document(maxRows);
        const char delimiter = session.below(4) == 0 ? ';' : ',';
        CsvTable table;
        scanDocument(text, delimiter, '"', table);
        std::vector<Edit> done;
        std::vector<Edit> undone;
        for (int batch = 0; batch < 6; ++batch) {
            // A few edits between two refreshes, as a burst of typing within the debounce.
            ChangedRange change;
            for (uint64_t n = 1 + session.below(3); n > 0; --n) {
                const uint64_t kind = session.below(5);
                if (kind == 0 && !done.empty()) {  // undo
                    apply(text, inverse(done.back()), change);
                    undone.push_back(done.back());
                    done.pop_back();
                } else if (kind == 1 && !undone.empty()) {  // redo
                    apply(text, undone.back(), change);
                    done.push_back(undone.back());
                    undone.pop_back();
                } else {
                    const Edit edit = session.edit(text);
                    apply(text, edit, change);
                    done.push_back(edit);
                    undone.clear();
                }
            }
            ++refreshes;
            if (refresh(text, change, table, 1 + session.below(64))) ++rescans;
            CsvTable expected;
            scanDocument(text, delimiter, '"', expected);
            ASSERT_EQ(invariants::checkSameTable(expected, table), "")
                << "round " << round << " batch " << batch << " text " << ::testing::PrintToString(text);
        }
    }
    // Most edits of such documents are rescanned, not scanned whole.
    EXPECT_GT(rescans, refreshes / 2) << rescans << " of " << refreshes;
}

TEST(ChangedRange, RescanGivesTheTableOfAFullScanThroughEditsUndoAndRedo) { checkSessions(14, 1500, 60); }

// Documents of several chunks: edits land in the middle of one, and rows come and go where
// one chunk ends and the next begins.
TEST(ChangedRange, RescanOfALargeDocumentGivesTheTableOfAFullScan) { checkSessions(15, 12, 30000); }

TEST(ChangedRange, NotedEditsCoverEveryChangedByte) {
    // After any sequence of edits, the bytes outside the stretch are the old ones: before its
    // start in place, from its end on shifted by the change of length.
    Session session(1414);
    for (int round = 0; round < 3000; ++round) {
        const std::string before = session.document() + "tail";
        std::string text = before;
        ChangedRange change;
        for (uint64_t n = 1 + session.below(5); n > 0; --n) apply(text, session.edit(text), change);
        ASSERT_LE(change.start, change.end);
        ASSERT_LE(change.end, text.size());
        ASSERT_EQ(int64_t(text.size()) - int64_t(before.size()), change.lengthChange);
        ASSERT_EQ(text.substr(0, change.start), before.substr(0, change.start));
        ASSERT_EQ(text.substr(change.end), before.substr(change.end - change.lengthChange));
    }
}

TEST(ChangedRange, DeclinesWhatItCannotShowSafe) {
    const std::string text = "a,b\r\nc,d\r\ne,f\r\n";
    CsvTable table;
    scanDocument(text, ',', '"', table);

    // An edit the range could not follow.
    ChangedRange lost;
    noteInsertion(lost, 2, 1);
    stopFollowing(lost);
    EXPECT_EQ(rescanChangedRange(text, 0, text.size() + 1, lost, table), RescanResult::NotSafe);

    // A length that the noted edits do not explain (an edit was missed).
    ChangedRange missed;
    noteInsertion(missed, 6, 1);
    const std::string longer = "a,b\r\nc,xd\r\ne,f\r\nzz";
    EXPECT_EQ(rescanChangedRange(longer, 0, longer.size(), missed, table), RescanResult::NotSafe);

    // A quote that opens near the top turns every later row into one cell: no old boundary is
    // met, and the window asked for grows to the end.
    ChangedRange quote;
    noteInsertion(quote, 5, 1);
    const std::string quoted = "a,b\r\n\"c,d\r\ne,f\r\n";
    EXPECT_EQ(rescanChangedRange(std::string_view(quoted).substr(0, 8), 0, quoted.size(), quote, table),
              RescanResult::NeedsMoreText);
    ReplacedRows replaced;
    EXPECT_EQ(rescanChangedRange(quoted, 0, quoted.size(), quote, table, &replaced), RescanResult::Done);
    EXPECT_EQ(replaced, (ReplacedRows{0, 3, 2}));
    EXPECT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[1].cell(0), "c,d\r\ne,f\r\n");

    // Nothing was touched by the refusals before it.
    CsvTable expected;
    scanDocument(quoted, ',', '"', expected);
    EXPECT_EQ(invariants::checkSameTable(expected, table), "");
}

TEST(ChangedRange, EditOfOneRowLeavesTheOtherChunksAndShiftsTheRest) {
    std::string text;
    for (int r = 0; r < 10000; ++r) {  // a few chunks of rows
        text += 'r';
        text += std::to_string(r);
        text += ",x,\"y,z\"\r\n";
    }
    CsvTable table;
    scanDocument(text, ',', '"', table);
    const std::string_view firstRaw = table.rows.raw(0);
    const uint64_t lastStart = table.rows.back().start;
    ChangedRange change;
    const uint64_t at = table.rows.start(5000) + 1;
    text.insert(at, "wide,er");
    noteInsertion(change, at, 7);
    ReplacedRows replaced;
    EXPECT_EQ(rescanChangedRange(std::string_view(text).substr(table.rows.start(4999), 200), table.rows.start(4999),
                                 text.size(), change, table, &replaced),
              RescanResult::Done);
    EXPECT_EQ(replaced, (ReplacedRows{5000, 5001, 5001}));
    EXPECT_EQ(table.rows.raw(0).data(), firstRaw.data());  // another chunk: untouched, not copied
    EXPECT_EQ(table.rows.back().start, lastStart + 7);
    EXPECT_EQ(table.maxCells, 4u);
    EXPECT_EQ(table.parsedLength, text.size());
    EXPECT_EQ(invariants::checkTiling(text, table, ','), "");
}

}  // namespace
