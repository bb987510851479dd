// Whether a cell's text reads as a number, so that the grid can right-align it as a
// spreadsheet does.
#pragma once

#include <string_view>

// True for a number in the usual written forms: an optional sign (+, - or U+2212), digits with
// or without thousands separators (comma, full stop, apostrophe, space, no-break space or
// narrow no-break space between groups of three, one kind per number), an optional decimal
// part after a comma or a full stop that is not the thousands separator, an optional exponent
// (e or E, a sign, digits) and an optional percent sign, with spaces allowed around the whole.
// "1,23", ".5" and "5." count; "1,5,5", "--1", "1e", "%", dates such as "2024-02-02" and text
// around digits do not. The sort reads the same forms as numbers (parseNumberValue).
bool looksNumeric(std::wstring_view text);
