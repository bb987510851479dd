// Finding cells by their text, and replacing it.
//
// Matching looks at a cell's value as the grid shows it: unquoted, decoded from the document's
// encoding. The shell hands in the decoding and the case folding of its platform; the search
// order, wrapping, the column restriction and the texts the replacements make are worked out
// here. Cells are visited row by row, and from left to right inside a row; the header record,
// when there is one, is not searched.
//
// The text may be a regular expression (see text_pattern.h). Its matching draws on the
// matcher's budget of work, which all the searches of one command share (the shell makes a
// matcher per command); once the budget is spent nothing more matches, findCell, allMatches
// and matchOrdinal stop where they are, and the matcher tells why.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_table.h"
#include "model/text_pattern.h"

// A grid cell: grid row (header record excluded) and cell index.
struct GridCell {
    uint64_t row = 0;
    uint64_t cell = 0;
    auto operator<=>(const GridCell&) const = default;
};

struct FindQuery {
    std::wstring text;                // what to look for; empty finds nothing
    bool matchCase = false;
    bool wholeCell = false;           // the whole value, not a part of it
    std::optional<uint64_t> column;   // only this cell index
    bool regex = false;               // text is a regular expression
    std::vector<uint64_t> skipped;    // cell indexes passed over (hidden columns), ascending
    bool operator==(const FindQuery&) const = default;
};

// A cell's bytes as wide text, decoded as the grid shows them.
using CellDecoder = std::function<std::wstring(std::string_view bytes)>;

// The portable pieces the core tests use: UTF-8 decoding (an invalid byte becomes U+FFFD) and
// folding of A to Z.
std::wstring decodeUtf8(std::string_view bytes);
void foldAsciiCase(std::wstring& text);

// Whether a cell's value matches a query. Values of ASCII bytes only are compared as bytes,
// without decoding; all others are decoded and folded first. A regular expression is compiled
// once, here, and matched against the value's text, folded unless the case must match; for a
// whole-cell query a match must span the whole value.
//
// The budget is the matcher's own, spent by every search it does (a copy gets a copy of what
// is left); it is not for two threads at once.
class CellMatcher {
public:
    CellMatcher(FindQuery query, CellDecoder decode, CaseFolder fold,
                uint64_t regexSteps = MatchBudget::COMMAND_STEPS);
    bool matches(std::string_view value) const;
    const FindQuery& query() const { return query_; }

    // Why the regular expression did not compile, for the status line; empty when it did, and
    // for a plain text.
    std::wstring patternError() const { return pattern_ ? pattern_->error() : std::wstring(); }
    // Whether the regular expression's matching used up its budget: every match after that
    // was refused, so an answer given since may be short.
    bool budgetExhausted() const { return budget_.exhausted(); }

    // The value's text with every match replaced by replacement (the whole text for a
    // whole-cell query); none when the value does not match. For a regular expression each
    // match is replaced by the replacement with its $ forms substituted (see
    // substitutedReplacement), and an empty match is replaced where it is, the search going on
    // a character further; none also when the budget ran out before every match was found.
    std::optional<std::wstring> replaced(std::string_view value, std::wstring_view replacement) const;

private:
    bool matchesText(std::wstring text) const;
    bool matchesAscii(std::string_view value) const;
    // The value's text as the pattern sees it, folded unless the case must match.
    const std::wstring& patternSubject(std::string_view value) const;
    std::optional<std::wstring> replacedByPattern(std::string_view value, std::wstring_view replacement) const;

    FindQuery query_;
    CellDecoder decode_;
    CaseFolder fold_;
    std::wstring needle_;        // the query text, folded unless the case must match
    std::string asciiNeedle_;    // the same as bytes, when it is all ASCII
    bool asciiNeedleUsable_ = false;
    std::optional<TextPattern> pattern_;  // a regular expression's program
    mutable MatchBudget budget_;
    mutable std::wstring subject_;
};

// The next cell after `from` (before it, going backward) that matches, among the first
// cellLimit cells of every grid row. Without `from` the search starts before the first cell
// (after the last, going backward). wrapped tells that the search went past the end (the
// start) and went on from the other side; `from` itself is looked at last. None also when the
// matcher's budget ran out.
struct FoundCell {
    GridCell cell;
    bool wrapped = false;
};
std::optional<FoundCell> findCell(const CsvTable& table, bool headerRow, const CellMatcher& matcher,
                                  uint64_t cellLimit, std::optional<GridCell> from, bool backward);
// The same through the grid rows a view shows: only those are searched.
std::optional<FoundCell> findCell(const CsvTable& table, const GridRows& rows, const CellMatcher& matcher,
                                  uint64_t cellLimit, std::optional<GridCell> from, bool backward);

// Every matching cell, in search order; those found before the matcher's budget ran out.
std::vector<GridCell> allMatches(const CsvTable& table, bool headerRow, const CellMatcher& matcher,
                                 uint64_t cellLimit);
std::vector<GridCell> allMatches(const CsvTable& table, const GridRows& rows, const CellMatcher& matcher,
                                 uint64_t cellLimit);

// How many matching cells there are up to and including cell, in search order: the ordinal of
// a match. Looks at the cells up to it only, and stops where the matcher's budget ran out.
uint64_t matchOrdinal(const CsvTable& table, bool headerRow, const CellMatcher& matcher, uint64_t cellLimit,
                      GridCell cell);
uint64_t matchOrdinal(const CsvTable& table, const GridRows& rows, const CellMatcher& matcher, uint64_t cellLimit,
                      GridCell cell);

// The status line's note: "match 3 of 41" when the count is known, else "match 3", with
// " (wrapped)" after a search that went on from the other end; "no match" without a match.
std::wstring findNoteText(std::optional<uint64_t> ordinal, std::optional<uint64_t> count, bool wrapped);

// A row's text with the given cells (index, new value; in increasing index order) written
// anew, each quoted as it needs; every other byte of the row stays as it was.
std::string rowTextWithCells(const CsvRow& row, const std::vector<std::pair<uint64_t, std::string>>& cells,
                             char delimiter, char quote);

