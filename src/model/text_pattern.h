// Regular expressions for finding text in cells: the syntax of ECMAScript, as most users know it
// from the web, matched by a machine that never backtracks.
//
// A pattern compiles into a small program that a Pike VM runs over the text: every thread of
// the program advances one character at a time, the threads kept in the order of preference
// ECMAScript gives alternatives and greedy or lazy quantifiers, so the match found is the one
// ECMAScript finds (the leftmost, and of those the first by preference), with its groups. The
// work is at most the text's length times the program's size whatever the pattern, and nothing
// recurses on the text, so no pattern can take exponential time or overflow the stack.
//
// As in ECMAScript, each pass of a quantifier forgets what the groups inside it caught before,
// and a pass beyond the quantifier's minimum may not match empty. The machine keeps one thread
// per instruction, the preferred one; where a quantifier that can match empty is repeated
// inside another, that can rarely lose a way a backtracking matcher would take, and with it
// the groups it would report (or, rarer still, a longer match).
//
// Two bounds keep any pattern from holding up the host:
//   - a program has at most MAX_PROGRAM_SIZE instructions. Counted repetition copies its body,
//     so a{5} costs five times a; a pattern whose program would pass the limit is refused with
//     "the pattern is too large". Groups nest at most MAX_NESTING deep.
//   - matching draws on a MatchBudget of states stepped, which every search of one command
//     shares. Once it is spent every search answers no match, and the budget tells that it ran
//     out. MatchBudget::COMMAND_STEPS is about a second of work.
//
// The syntax: literals; the escapes \t \n \r \v \f \0 \xHH \uXXXX \cX and any other character
// escaped standing for itself; . (any character but a line break); classes [...] with ranges
// and ^ for negation; \d \D \w \W \s \S; the assertions \b \B and ^ $, which stand for the
// start and end of the whole text; groups ( ) and (?: ); alternation |; the quantifiers * + ?
// {n} {n,} {n,m}, each lazy with a ? after it. As on the web, a { or } that makes no quantifier
// and a ] without a [ stand for themselves. Backreferences, lookahead, lookbehind and named
// groups are refused, each with a text that says so.
//
// Characters are the text's code units (UTF-16 where wchar_t has 16 bits). Compiled with a
// case folder, the pattern's literals and classes are folded by it, for a text that the caller
// folds by the same folder: [A-Z] then matches the folded "abc" and "Ä" the folded "ä".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Folds the case of a text in place, without changing its length.
using CaseFolder = std::function<void(std::wstring& text)>;

// The work the searches of one command may do, in states stepped.
class MatchBudget {
public:
    // About a second of work on an ordinary machine.
    static constexpr uint64_t COMMAND_STEPS = 300'000'000;

    explicit MatchBudget(uint64_t steps = COMMAND_STEPS) : left_(steps) {}
    // Whether a search stopped because the budget was spent; every search after that finds
    // nothing.
    bool exhausted() const { return exhausted_; }
    uint64_t left() const { return left_; }

private:
    friend class TextPattern;
    uint64_t left_;
    bool exhausted_ = false;
};

// Where a match is: its start and end, then the start and end of each group the search was
// asked for, NONE for a group that took no part in it.
struct PatternMatch {
    static constexpr size_t NONE = SIZE_MAX;
    std::vector<size_t> bounds;
    size_t start() const { return bounds[0]; }
    size_t end() const { return bounds[1]; }
};

class TextPattern {
public:
    static constexpr size_t MAX_PROGRAM_SIZE = 20'000;
    static constexpr size_t MAX_NESTING = 100;

    // Whether a match may be any part of the text or must be all of it.
    enum class Extent { Part, Whole };

    // Compiles pattern; with a folder (not empty) for a text folded by it. A pattern that does
    // not compile is kept with its fault, and finds nothing.
    TextPattern(std::wstring_view pattern, const CaseFolder& fold);
    TextPattern(const TextPattern& other);
    TextPattern& operator=(const TextPattern& other);
    TextPattern(TextPattern&& other) noexcept;
    TextPattern& operator=(TextPattern&& other) noexcept;
    ~TextPattern();

    // Why the pattern did not compile, worded for the status line ("regular expression: missing
    // ) at 7", positions counted from 1); empty when it compiled.
    const std::wstring& error() const { return error_; }
    // The number of capturing groups.
    size_t groupCount() const;

    // Whether text has a match (is one, for Extent::Whole).
    bool test(std::wstring_view text, Extent extent, MatchBudget& budget) const;
    // The first match starting at from or after it, with the bounds of groups 1 to groups;
    // for Extent::Whole, the whole text when it matches, searched from the start. Assertions
    // look at the whole text, also before from. None without a match or once the budget is
    // spent.
    std::optional<PatternMatch> find(std::wstring_view text, size_t from, Extent extent, size_t groups,
                                     MatchBudget& budget) const;

    // The compiled program, and the working memory a search reuses from one text to the next:
    // a pattern is not for two threads at once.
    struct Program;
    struct Scratch;

private:
    bool run(std::wstring_view text, size_t from, Extent extent, size_t captureSlots, std::vector<size_t>* found,
             MatchBudget& budget) const;

    std::shared_ptr<const Program> program_;
    mutable std::unique_ptr<Scratch> scratch_;
    std::wstring error_;
};

// The text a replacement stands for at one match in text: replacement with its $ forms
// substituted as ECMAScript substitutes them. $1 to $99 (also written $01) stand for a group,
// empty when it took no part; $& for the match, $` for the text before it, $' for the text
// after it, $$ for a $. A $ before anything else, or before the number of a group the pattern
// does not have, stays as it is. match holds the bounds of groups up to groupCount.
std::wstring substitutedReplacement(std::wstring_view replacement, std::wstring_view text, const PatternMatch& match,
                                    size_t groupCount);

// The highest group, up to groupCount, that substitutedReplacement would read for replacement.
size_t groupsReferenced(std::wstring_view replacement, size_t groupCount);
