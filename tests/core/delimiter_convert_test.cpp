// Converting a document to another delimiter: which fields gain quotes, which keep their bytes,
// and that any document reads back with the new delimiter as the same records.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/delimiter_convert.h"
#include "model/sort_order.h"

namespace {

CsvTable scanned(const std::string& text, char delimiter) {
    CsvTable table;
    scanDocument(text, delimiter, '"', table);
    return table;
}

TEST(DelimiterConvert, QuotesOnlyTheFieldsTheNewDelimiterWouldSplit) {
    const struct {
        std::string before;
        char delimiter;
        std::string after;
    } cases[] = {
        // Quoted fields stay as they were, needed or not; a plain one holding ';' gains quotes.
        {"a,b;c,\"x,y\",\"q\"\"r\"\r\n", ';', "a;\"b;c\";\"x,y\";\"q\"\"r\"\r\n"},
        // Bytes after a closing quote and a quote inside a plain field join the quoted value.
        {"\"ab\";cd,e\na\"b;c,\" s \"\n", ';', "\"ab;cd\";e\n\"a\"\"b;c\";\" s \"\n"},
        {"\"ab\"\tcd,e", '\t', "\"ab\tcd\"\te"},
        // Short rows, empty lines, a lone CR and a last row without an ending keep their shape.
        {"a,b\r\rc\n\n,d", '|', "a|b\r\rc\n\n|d"},
        // A quote that never closes keeps its field as it is, line breaks and all.
        {"x,y\na,\"open;x,\ny", ';', "x;y\na;\"open;x,\ny"},
        {"\"open;x,\ny", ';', "\"open;x,\ny"},
        // The quote, CR and LF cannot be delimiters: the document stays as it is.
        {"a,b\n", '"', "a,b\n"},
        {"a,b\n", '\n', "a,b\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convertedDocumentText(scanned(c.before, ','), c.delimiter, "\r\n"), c.after) << c.before;
    }
    // A row in the middle without its own ending gets the one given.
    CsvTable table = scanned("a,b\nc\n", ',');
    table.rows.replace(0, 1, {RowList::RowBytes{"a,b", "", 2}});
    EXPECT_EQ(convertedDocumentText(table, ';', "\r\n"), "a;b\r\nc\n");
}

// Any document, with quotes, every delimiter, line breaks inside and outside quotes, short rows,
// a last row without an ending and a quote that never closes, converted between any two of the
// four delimiters, reads back with the new one as the same records, each with its line ending;
// every field without the new delimiter in it keeps its bytes, as does an unfinished last field.
TEST(DelimiterConvert, EveryDocumentReadsBackAsTheSameRecords) {
    std::mt19937 random(7);
    const std::string alphabet = "ab ,;\t|\"\"\r\n";
    const std::string delimiters = ",;\t|";
    for (int round = 0; round < 3000; ++round) {
        std::string document(random() % 40, ' ');
        for (char& c : document) c = alphabet[random() % alphabet.size()];
        const char from = delimiters[random() % 4];
        const char to = delimiters[random() % 4];
        const CsvTable before = scanned(document, from);
        std::vector<uint64_t> starts;
        const std::string text = convertedDocumentText(before, to, "\r\n", &starts);
        const CsvTable after = scanned(text, to);
        ASSERT_EQ(after.rows.size(), before.rows.size()) << document;
        const bool unfinished = !before.rows.empty() && recordEndsInsideQuotes(before, before.rows.size() - 1);
        for (uint64_t r = 0; r < before.rows.size(); ++r) {
            const CsvRow was = before.rows[r];
            const CsvRow is = after.rows[r];
            EXPECT_EQ(is.start, starts[r]);
            EXPECT_EQ(is.eol(), was.eol()) << document;
            ASSERT_EQ(is.cells(), was.cells()) << document;
            for (uint64_t i = 0; i < was.cellCount(); ++i) {
                const auto bytes = [](const CsvRow& row, uint64_t i) {
                    return row.raw().substr(static_cast<size_t>(row.cellStart(i)),
                                            static_cast<size_t>(row.cellEnd(i) - row.cellStart(i)));
                };
                const bool unfinishedField = unfinished && r + 1 == before.rows.size() && i + 1 == was.cellCount();
                if (bytes(was, i).find(to) == std::string_view::npos || unfinishedField) {
                    EXPECT_EQ(bytes(is, i), bytes(was, i)) << document;
                }
            }
        }
    }
}

}  // namespace
