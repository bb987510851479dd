// The clipboard's text forms: rows written with the quoting convention, pasted text read back
// into lines of fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/clipboard_text.h"

namespace {

using Lines = std::vector<std::vector<std::wstring>>;

Lines parsed(const std::wstring& text) { return parsePasteBlock(text).lines; }

TEST(ClipboardRowsText, QuotesOnlyTabsLineBreaksAndALeadingQuote) {
    EXPECT_EQ(clipboardRowsText({{L"a", L"b", L"c"}, {L"d", L"e", L"f"}}), L"a\tb\tc\r\nd\te\tf");
    EXPECT_EQ(clipboardRowsText({{L"x", L"", L""}}), L"x\t\t");
    EXPECT_EQ(clipboardRowsText({{L"a\tb", L"x\r\ny", L"\"q\"", L"say \"hi\"", L"p\rq", L"n\n"}}),
              L"\"a\tb\"\t\"x\r\ny\"\t\"\"\"q\"\"\"\tsay \"hi\"\t\"p\rq\"\t\"n\n\"");
    EXPECT_EQ(clipboardRowsText({}), L"");
}

TEST(PasteBlock, PlainTextSplitsAtTabsAndEveryKindOfLineBreak) {
    EXPECT_EQ(parsed(L"x"), (Lines{{L"x"}}));
    EXPECT_EQ(parsed(L"x\r\n"), (Lines{{L"x"}}));
    EXPECT_EQ(parsed(L"\r\n"), (Lines{{L""}}));
    EXPECT_EQ(parsed(L"\t"), (Lines{{L"", L""}}));
    EXPECT_EQ(parsed(L"a\tb\r\nc\td"), (Lines{{L"a", L"b"}, {L"c", L"d"}}));
    EXPECT_EQ(parsed(L"a\r\n\r\n"), (Lines{{L"a"}, {L""}}));
    EXPECT_EQ(parsed(L"a\rb\nc\r\n\r"), (Lines{{L"a"}, {L"b"}, {L"c"}, {L""}}));
    EXPECT_TRUE(parsed(L"").empty());
    EXPECT_TRUE(parsePasteBlock(L"x\r\n").isSingleValue());
    EXPECT_FALSE(parsePasteBlock(L"\t").isSingleValue());
    EXPECT_EQ(parsePasteBlock(L"a\r\nb\tc\td\r\ne").width(), 3u);
}

TEST(PasteBlock, QuotedFieldsKeepTabsLineBreaksAndQuotes) {
    EXPECT_EQ(parsed(L"\"x\ny\""), (Lines{{L"x\ny"}}));
    EXPECT_EQ(parsed(L"\"x\r\ny\"\t\"a\tb\"\r\n\"say \"\"hi\"\"\"\tz"),
              (Lines{{L"x\r\ny", L"a\tb"}, {L"say \"hi\"", L"z"}}));
    EXPECT_EQ(parsed(L"\"\""), (Lines{{L""}}));
    EXPECT_EQ(parsed(L"a\r\n\"\""), (Lines{{L"a"}, {L""}}));
    EXPECT_EQ(parsed(L"\"\"\"\""), (Lines{{L"\""}}));
    // A quote after a field's start is content.
    EXPECT_EQ(parsed(L"a\"b\"\tc"), (Lines{{L"a\"b\"", L"c"}}));
}

TEST(PasteBlock, AQuoteWithoutAProperClosingQuoteIsContent) {
    EXPECT_EQ(parsed(L"\""), (Lines{{L"\""}}));
    EXPECT_EQ(parsed(L"\"abc"), (Lines{{L"\"abc"}}));
    EXPECT_EQ(parsed(L"\"abc\r\ndef"), (Lines{{L"\"abc"}, {L"def"}}));
    EXPECT_EQ(parsed(L"\"a\" b\tc"), (Lines{{L"\"a\" b", L"c"}}));
    EXPECT_EQ(parsed(L"\"x\ny\" z"), (Lines{{L"\"x"}, {L"y\" z"}}));
}

// For any cells, the rows text read back by the paste parser gives every value, in place.
// Every line has the same number of fields, as a copy of rows does; the one text that cannot
// come back is a last line made of one empty field, which is no text at all.
TEST(ClipboardProperty, RowsTextReadsBackToTheSameValues) {
    std::mt19937 engine(4242);
    const std::vector<std::wstring> pieces = {L"a", L"\t", L"\r", L"\n", L"\r\n", L"\"", L" ",
                                              L"\u00E9", L"\"\"", L"b\"c"};
    for (int round = 0; round < 2000; ++round) {
        const size_t width = engine() % 4 + 1;
        Lines lines(engine() % 5 + 1, std::vector<std::wstring>(width));
        for (auto& line : lines) {
            for (std::wstring& value : line) {
                for (unsigned n = engine() % 4; n > 0; --n) value += pieces[engine() % pieces.size()];
            }
        }
        const std::wstring text = clipboardRowsText(lines);
        Lines expected = lines;
        if (width == 1 && expected.back().front().empty()) expected.pop_back();
        EXPECT_EQ(parsed(text), expected);
    }
}

}  // namespace
