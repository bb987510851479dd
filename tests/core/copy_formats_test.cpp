// "Copy as": the same block as Markdown, HTML and JSON, with the characters each form must
// escape, with titles and without.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/copy_formats.h"

namespace {

const TextBlock ROWS = {{L"a|b", L"x<y & \"z\""}, {L"line\r\nnext", L"tab\there"}};

TEST(CopyFormats, EachFormEscapesWhatItMust) {
    EXPECT_EQ(markdownTable({L"id", L"note"}, {L"A", L"B"}, ROWS),
              L"| id | note |\r\n| --- | --- |\r\n| a\\|b | x<y & \"z\" |\r\n| line<br>next | tab\there |");
    // Without titles the columns' letters head the table.
    EXPECT_EQ(markdownTable({}, {L"A"}, {{L"1"}}), L"| A |\r\n| --- |\r\n| 1 |");

    EXPECT_EQ(htmlTable({L"id", L"note"}, ROWS),
              L"<table>\r\n<thead><tr><th>id</th><th>note</th></tr></thead>\r\n<tbody>\r\n"
              L"<tr><td>a|b</td><td>x&lt;y &amp; &quot;z&quot;</td></tr>\r\n"
              L"<tr><td>line<br>next</td><td>tab\there</td></tr>\r\n</tbody>\r\n</table>");
    EXPECT_EQ(htmlTable({}, {{L"1"}}), L"<table>\r\n<tbody>\r\n<tr><td>1</td></tr>\r\n</tbody>\r\n</table>");

    EXPECT_EQ(jsonRecords({L"id", L"note"}, ROWS),
              L"[\r\n  {\"id\": \"a|b\", \"note\": \"x<y & \\\"z\\\"\"},\r\n"
              L"  {\"id\": \"line\\r\\nnext\", \"note\": \"tab\\there\"}\r\n]");
    EXPECT_EQ(jsonRecords({}, {{L"1", L"\x01"}}), L"[\r\n  [\"1\", \"\\u0001\"]\r\n]");
    EXPECT_EQ(jsonRecords({L"id"}, {}), L"[]");
}

}  // namespace
