// The texts of the boxes that tell the user why a change made in the grid was not written.
// Every box is owned by the host window and titled MESSAGE_TITLE.
#pragma once

namespace messages {

inline constexpr wchar_t MESSAGE_TITLE[] = L"Tabulon";

// A write the editor refused (a read-only document) or did not carry out as asked.
inline constexpr wchar_t WRITE_FAILED_TEXT[] =
    L"The change could not be written to the document.\r\n"
    L"If the file is set to read-only, clear that first (Edit menu).";

// Text with characters that the document's code page has no place for.
inline constexpr wchar_t UNSTORABLE_CHARACTERS_TEXT[] =
    L"Some characters cannot be stored in this file's encoding, so the\r\n"
    L"cell was left unchanged. Convert the file to UTF-8 first\r\n"
    L"(Encoding menu) and try again.";

// A sort whose written document would read as other records than the grid shows.
inline constexpr wchar_t SORT_WOULD_CHANGE_RECORDS_TEXT[] =
    L"The rows were not sorted: the document begins with a byte-order mark\r\n"
    L"followed by a quote, and moving that row would change how it reads.\r\n"
    L"Delete the mark (the invisible first character) and try again.";

}  // namespace messages
