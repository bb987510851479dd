// Delimiter detection: counting outside quotes, ties, and the limits of the sample.
#include <gtest/gtest.h>

#include <string>

#include "model/delimiter_detection.h"

namespace {

TEST(DetectDelimiter, NoCandidateGivesNone) {
    EXPECT_EQ(detectDelimiter(""), 0);
    EXPECT_EQ(detectDelimiter("abc\ndef"), 0);
    EXPECT_EQ(detectDelimiter("\"a,b;c\"\n"), 0);  // only inside quotes
}

TEST(DetectDelimiter, MostFrequentWinsAndTiesGoByPrecedence) {
    EXPECT_EQ(detectDelimiter("a;b;c\n1,2"), ';');
    EXPECT_EQ(detectDelimiter("a,b\nc;d"), ',');
    EXPECT_EQ(detectDelimiter("a\tb|c"), '\t');
    EXPECT_EQ(detectDelimiter("a|b|c\td;e,f"), '|');
}

TEST(DetectDelimiter, CandidatesInsideQuotesAreNotCounted) {
    EXPECT_EQ(detectDelimiter("\"x;y\",z"), ',');
    // A doubled quote flips twice: the semicolons after it are still inside.
    EXPECT_EQ(detectDelimiter("\"a\"\";;;\",b"), ',');
    // Line breaks do not end a quoted stretch.
    EXPECT_EQ(detectDelimiter("\"a\n;;;\n\",b"), ',');
}

TEST(DetectDelimiter, StrayQuoteHidesTheRestOfTheSample) {
    EXPECT_EQ(detectDelimiter("ab\"c;d;e\nf;g"), 0);
    EXPECT_EQ(detectDelimiter("x,y\"c;d;e\nf;g"), ',');
}

TEST(DetectDelimiter, OnlyTheFirstTwentyLinesCount) {
    std::string text;
    for (int i = 0; i < 19; ++i) text += "a;b\n";
    text += "a;b";  // the 20th line, counted up to its LF
    for (int i = 0; i < 30; ++i) text += "\nc,d,e";
    EXPECT_EQ(detectDelimiter(text), ';');  // 20 semicolons; the commas lie past the sample
    text += "\n";
    EXPECT_EQ(detectDelimiter(text), ';');
}

TEST(DetectDelimiter, CarriageReturnsDoNotEndSampleLines) {
    std::string text;
    for (int i = 0; i < 25; ++i) text += "a;b\r";
    text += "\nc,d,e,f,g";
    EXPECT_EQ(detectDelimiter(text), ';');  // one line: 25 semicolons against 4 commas
    std::string lines;
    for (int i = 0; i < 19; ++i) lines += "x\r\n";
    lines += "a;b\r\nc,d,e";
    EXPECT_EQ(detectDelimiter(lines), ';');
}

TEST(DetectDelimiter, OnlyTheFirst64KiBCount) {
    std::string text(65536 - 3, 'x');
    text += ";;;";                        // the last three bytes of the sample
    text += std::string(10, ',');         // past the sample
    EXPECT_EQ(detectDelimiter(text), ';');
    std::string longLine(100000, 'y');
    longLine[70000] = ',';
    EXPECT_EQ(detectDelimiter(longLine), 0);
}

}  // namespace
