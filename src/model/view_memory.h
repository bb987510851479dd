// How each document was last shown in the grid, remembered per document and kept across host
// restarts in a file of its own next to the settings file.
//
// A document is named by its full path; an unsaved one by the name the host gives it ("new 1"),
// which holds for the host's session only, so such views are never written. Paths are compared
// with A to Z folded, by default: two spellings of a path that differ only in the case of
// other letters name two documents (the shell may hand in its platform's folding instead).
//
// The file is UTF-8 text with CRLF line ends, an INI-like section per document, the most recent
// first:
//
//   [Tabulon views]
//   Version=1
//
//   [C:\data\people.csv]
//   HeaderRow=1
//   Delimiter=auto                 or the byte's decimal value, as in the settings file
//   Widths=0:120,3:80              cell index:pixels at 96 DPI
//   Hidden=2,5                     cell indexes
//   Frozen=1
//   Sort=3,descending              or ascending, or none
//   Current=12,4                   grid row, list column
//   Top=5
//   Filter0=>=100                  a filter box's text, by cell index
//
//   [<end>]
//
// In a filter text a backslash is written \\, a tab \t, a line feed \n, a carriage return \r,
// and any other control character or a lone surrogate \uXXXX; every other character as
// itself. Paths are written as they are; a path with a control character, '<' or '>' (which
// no Windows file name has) is remembered for the session only. The closing [<end>] tells a
// whole file from a cut one.
//
// Reading never fails and never throws. It gives an empty memory for a text that is not such
// a file: a first line other than [Tabulon views], a Version other than 1, more than
// MAX_VIEWS_FILE_BYTES. A document section with a value that is malformed or outside its
// bounds, a repeated key or a line that is neither a key nor a comment is dropped, and the
// other documents are kept; a missing key takes its default, an unknown key is passed over.
// Without the closing line the last section is dropped, as it may be cut short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "model/cell_find.h"
#include "model/csv_row.h"
#include "model/sort_order.h"

// Appended to the host's plug-in configuration directory, like the settings file's name.
inline constexpr wchar_t VIEWS_FILE_NAME[] = L"\\Tabulon-views.ini";

// The bounds of what is remembered, so that no file can make the plug-in hold much.
inline constexpr size_t MAX_REMEMBERED_VIEWS = 500;
inline constexpr uint64_t MAX_VIEW_CELLS = 1024;      // cell indexes and list columns are below it
inline constexpr int MAX_COLUMN_WIDTH = 16384;        // pixels at 96 DPI
inline constexpr size_t MAX_FILTER_TEXT = 1024;       // wide characters of one filter box
inline constexpr size_t MAX_VIEW_PATH = 32767;        // wide characters, the longest Windows path
inline constexpr size_t MAX_VIEWS_FILE_BYTES = size_t{4} << 20;
static_assert(MAX_VIEW_CELLS >= MAX_GRID_COLUMNS, "every column the grid shows can be remembered");

// What the grid shows of one document, as the user left it.
struct DocumentView {
    bool unsaved = false;                     // named by the host; kept for its session only
    bool headerRow = true;
    std::optional<char> delimiter;            // none: detected at every refresh
    std::map<uint64_t, int> columnWidths;     // by cell index; columns not in it have the default
    std::set<uint64_t> hiddenCells;           // cell indexes
    uint64_t frozenColumns = 0;
    std::map<uint64_t, std::wstring> filters; // box text by cell index; no empty texts
    std::optional<SortKey> sortArrow;         // the cell index and direction the arrow shows
    int32_t currentRow = 0;                   // grid row, header record excluded
    int32_t currentColumn = 1;                // list column; 0 is the row numbers
    int32_t topRow = 0;                       // the grid row at the top of the list
    bool operator==(const DocumentView&) const = default;
};

// A document's path with its view.
struct RememberedView {
    std::wstring path;
    DocumentView view;
    bool operator==(const RememberedView&) const = default;
};

// The views of the most recently left documents, at most MAX_REMEMBERED_VIEWS.
class ViewMemory {
public:
    explicit ViewMemory(CaseFolder fold = foldAsciiCase);

    // Keeps the view as the document's, the most recent one; the least recent document is
    // dropped when there would be more than MAX_REMEMBERED_VIEWS. The view is kept within the
    // file's bounds: entries for cell indexes from MAX_VIEW_CELLS on, empty filter texts and a
    // delimiter the settings would not take are dropped; widths, counts and rows are clamped
    // into their ranges; a filter text is cut to MAX_FILTER_TEXT (not inside a surrogate pair).
    // The path keeps the spelling given last.
    void remember(std::wstring_view path, const DocumentView& view);
    // The view last remembered for the document, if any. Does not change the order.
    std::optional<DocumentView> recall(std::wstring_view path) const;
    void forget(std::wstring_view path);

    // Every remembered document, the most recent first.
    const std::vector<RememberedView>& documents() const { return documents_; }

    // The file's text: every document except the unsaved ones and those whose path cannot be
    // written, the most recent first, as many as fit in MAX_VIEWS_FILE_BYTES (a document that
    // does not fit is left out, and the less recent ones still go in).
    std::string serialize() const;
    // The memory a file's text describes; see the top of this file for what is dropped.
    static ViewMemory parse(std::string_view text, CaseFolder fold = foldAsciiCase);

    // The same documents with the same views, in the same order.
    bool operator==(const ViewMemory& other) const { return documents_ == other.documents_; }

private:
    std::wstring key(std::wstring_view path) const;
    size_t find(const std::wstring& key) const;  // documents_.size() when absent

    CaseFolder fold_;
    std::vector<RememberedView> documents_;  // the most recent first
    std::vector<std::wstring> keys_;          // the folded paths, beside documents_
};

// Whether a path can be written to the file: not empty, at most MAX_VIEW_PATH, valid UTF-16
// without control characters, '<' or '>'.
bool writableViewPath(std::wstring_view path);
