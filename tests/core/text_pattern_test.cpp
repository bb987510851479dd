// Regular expressions: the match ECMAScript finds with its groups, the patterns refused and
// why, the bound on the work of pathological patterns, and case folding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/text_pattern.h"

namespace {

constexpr long NO = -1;  // a group that took no part

std::vector<long> found(const TextPattern& pattern, std::wstring_view text) {
    MatchBudget budget;
    const auto match = pattern.find(text, 0, TextPattern::Extent::Part, pattern.groupCount(), budget);
    std::vector<long> bounds;
    if (match) {
        for (const size_t b : match->bounds) bounds.push_back(b == PatternMatch::NONE ? NO : static_cast<long>(b));
    }
    return bounds;
}

TEST(TextPattern, FindsTheMatchEcmaScriptFinds) {
    struct Case {
        const wchar_t* pattern;
        std::wstring text;
        std::vector<long> bounds;  // the match's, then each group's; empty for no match
    };
    const Case cases[] = {
        // The first alternative and the greedy or lazy choice win, not the longest match.
        {L"a|ab", L"abc", {0, 1}},
        {L"ab|a", L"abc", {0, 2}},
        {L"(a|ab)(c|bcd)(d*)", L"abcd", {0, 4, 0, 1, 1, 4, 4, 4}},
        {L"(a+)(a*)", L"aaa", {0, 3, 0, 3, 3, 3}},
        {L"(a+?)(a*)", L"aaa", {0, 3, 0, 1, 1, 3}},
        {L"a*?b", L"xaaab", {1, 5}},
        {L"a??b", L"ab", {0, 2}},
        {L"(a|b)*?c", L"abc", {0, 3, 1, 2}},
        {L"x{2,3}", L"xxxx", {0, 3}},
        {L"x{2,3}?", L"xxxx", {0, 2}},
        {L"x{2,}", L"xxxxx", {0, 5}},
        {L"(?:ab)+", L"ababa", {0, 4}},
        {L"(a|aa)+$", L"aaa", {0, 3, 2, 3}},
        {L"(x+x+)+y", L"xxxy", {0, 4, 0, 3}},
        // Each pass of a quantifier forgets its groups; a pass beyond the minimum may not be
        // empty.
        {L"((a)|b)+", L"ab", {0, 2, 1, 2, NO, NO}},
        {L"(a*)*", L"b", {0, 0, NO, NO}},
        {L"(a*)+", L"b", {0, 0, 0, 0}},
        {L"(|a)?", L"a", {0, 1, 0, 1}},
        {L"()(|a|){1,2}", L"aac", {0, 1, 0, 0, 0, 1}},
        {L"(?:a|()){2,}", L"a", {0, 1, 1, 1}},
        {L"(a)|(b)", L"b", {0, 1, NO, NO, 0, 1}},
        {L"x*", L"abc", {0, 0}},
        // Assertions, of the whole text.
        {L"\\bfoo\\b", L"a food foo.", {7, 10}},
        {L"\\Boo", L"foo", {1, 3}},
        {L"^abc$", L"xabc", {}},
        {L"c$|^a", L"abc", {0, 1}},
        {L"$", L"ab", {2, 2}},
        // Classes, escapes and the characters that stand for themselves.
        {L"[^a-c]+", L"abcxyz", {3, 6}},
        {L".+", L"ab\ncd", {0, 2}},
        {L"a.c", L"a\rc a\u2028c", {}},
        {L"\\d{4}-\\d{2}", L"on 2024-05-01", {3, 10}},
        {L"[\\w.-]+@", L"mail: a.b-c@x", {6, 12}},
        {L"[\\d-z]+", L"3-za", {0, 3}},
        {L"\\s+", L"a \t\u00A0b", {1, 4}},
        {L"[]a", L"a", {}},
        {L"[^]", L"\n", {0, 1}},
        {L"a{,2}}]", L"a{,2}}]", {0, 7}},
        {L"\\u00e9\\x41\\t\\.\\u12", L"\u00e9A\t.u12", {0, 7}},
        {L"[\\b]\\cJ\\0", std::wstring(L"\b\n\0", 3), {0, 3}},
    };
    for (const Case& c : cases) {
        const TextPattern pattern(c.pattern, {});
        ASSERT_EQ(pattern.error(), L"") << c.pattern;
        EXPECT_EQ(found(pattern, c.text), c.bounds) << c.pattern << L" in " << c.text;
    }
}

TEST(TextPattern, WholeTextMatchesAnyWayThrough) {
    MatchBudget budget;
    // The first alternative would end early; the whole text takes the second.
    const TextPattern pattern(L"(a|ab)(c?)", {});
    const auto match = pattern.find(L"abc", 0, TextPattern::Extent::Whole, 2, budget);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->bounds, (std::vector<size_t>{0, 3, 0, 2, 2, 3}));
    EXPECT_TRUE(pattern.test(L"ab", TextPattern::Extent::Whole, budget));
    EXPECT_FALSE(pattern.test(L"abcd", TextPattern::Extent::Whole, budget));
    EXPECT_FALSE(pattern.test(L"xab", TextPattern::Extent::Whole, budget));
}

TEST(TextPattern, RefusesWhatItCannotMatchSayingWhy) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"(ab", L"missing ) at 4"},
        {L"ab)", L"unmatched ) at 3"},
        {L"[ab", L"missing ] at 4"},
        {L"*a", L"nothing to repeat at 1"},
        {L"a**", L"nothing to repeat at 3"},
        {L"a{2}{3}", L"nothing to repeat at 5"},
        {L"a{1000}{1000}", L"nothing to repeat at 8"},
        {L"^*", L"nothing to repeat at 2"},
        {L"a{3,2}", L"numbers out of order in {} at 2"},
        {L"[z-a]", L"range out of order in [] at 2"},
        {L"ab\\", L"\\ at the end"},
        {L"(?x)", L"invalid group at 1"},
        {L"(a)\\1", L"backreferences are not supported"},
        {L"(?<n>a)\\k<n>", L"named groups are not supported"},
        {L"a(?=b)", L"lookahead and lookbehind are not supported"},
        {L"(?<!b)a", L"lookahead and lookbehind are not supported"},
        {L"(?:a{1000}){1000}", L"the pattern is too large"},
        {L"a{99999999999}", L"the pattern is too large"},
        {L"(?:(?:(?:a{100}){100}){100}){100}", L"the pattern is too large"},
        {std::wstring(101, L'(') + std::wstring(101, L')'), L"groups nest too deeply at 101"},
    };
    for (const auto& [text, why] : cases) {
        const TextPattern pattern(text, {});
        EXPECT_EQ(pattern.error(), L"regular expression: " + why) << text;
        MatchBudget budget;
        EXPECT_FALSE(pattern.test(L"aaaa", TextPattern::Extent::Part, budget));
    }
    // Counts that cost nothing are no reason to refuse.
    EXPECT_EQ(TextPattern(L"(?:){4000000000}a(?:){2,}", {}).error(), L"");
}

TEST(TextPattern, PathologicalPatternsEndOnALongText) {
    const std::wstring as(size_t{1} << 20, L'a');
    for (const wchar_t* text : {L"(a*)*b", L"(a+a+)+b"}) {
        const TextPattern pattern(text, {});
        MatchBudget budget;
        EXPECT_FALSE(pattern.test(as, TextPattern::Extent::Part, budget)) << text;
    }
    MatchBudget budget;
    const auto match = TextPattern(L"(a|aa)+$", {}).find(as, 0, TextPattern::Extent::Part, 1, budget);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->end(), as.size());

    // A large program over the long text would take minutes: the budget stops it, and every
    // search after it.
    const TextPattern large(L"(?:a?){500}b", {});
    MatchBudget small(2'000'000);
    EXPECT_FALSE(large.test(as, TextPattern::Extent::Part, small));
    EXPECT_TRUE(small.exhausted());
    EXPECT_FALSE(TextPattern(L"a", {}).test(L"a", TextPattern::Extent::Part, small));
}

TEST(TextPattern, FoldedPatternsMatchFoldedText) {
    // Folds A to Z and À to Þ (but for ×) as a platform's lower case would.
    const CaseFolder fold = [](std::wstring& text) {
        for (wchar_t& c : text) {
            if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = static_cast<wchar_t>(c + 32);
        }
    };
    const auto matches = [&](const wchar_t* pattern, std::wstring text) {
        fold(text);
        MatchBudget budget;
        return TextPattern(pattern, fold).test(text, TextPattern::Extent::Whole, budget);
    };
    EXPECT_TRUE(matches(L"[A-Z]+", L"abcXYZ"));
    EXPECT_TRUE(matches(L"\u00C4RGER", L"\u00E4rger"));
    EXPECT_TRUE(matches(L"[\u00C0-\u00C5]x", L"\u00E4X"));
    EXPECT_FALSE(matches(L"[^A]", L"a"));
    EXPECT_FALSE(matches(L"[^\u00C4]", L"\u00C4"));
    EXPECT_TRUE(matches(L"\\W\\D", L"\u00D7A"));
    // Without a folder the case counts.
    MatchBudget budget;
    EXPECT_FALSE(TextPattern(L"[A-Z]", {}).test(L"a", TextPattern::Extent::Part, budget));
}

}  // namespace
