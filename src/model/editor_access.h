// Reading and writing the document in the host's current editor view, and the two checks on
// which every write rests: the document stamp and the row check.
//
// Every operation asks the host which view is current at the moment it runs; no view handle
// is kept between calls. A missing view, a missing handle or a negative length makes an
// operation answer its empty or false value without writing anything.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/csv_table.h"

// The host window and its two editor views, as the host handed them over.
struct EditorWindows {
    HWND host = nullptr;
    HWND mainView = nullptr;
    HWND secondView = nullptr;
};

// The view the host reports as current: the main view for 0, the second for 1, none for any
// other answer (the host leaves the preset -1 when no view is current) or a missing handle.
HWND currentView(const EditorWindows& editor);

// The view's text length in bytes; none when there is no view or the editor reports a
// negative length.
std::optional<uint64_t> documentLength(HWND view);

// A copy of the view's whole text, NUL bytes included; empty for no view, an empty document
// or a null character pointer. A document longer than maxBytes is not copied at all: the
// answer is then none, so that a document too large to show costs no copy.
std::optional<std::string> readDocument(HWND view, uint64_t maxBytes = UINT64_MAX);

// The view's whole text where the editor keeps it, without a copy: valid only until the
// document is next changed, so it is used up before anything that could pump messages. Empty
// for no view, an empty document or a null character pointer; none for a document longer
// than maxBytes, which is then not even made contiguous.
std::optional<std::string_view> viewText(HWND view, uint64_t maxBytes = UINT64_MAX);

// length bytes of the view's text from position, where the editor keeps them. The editor keeps
// its text in a gap buffer: a whole-text pointer moves the gap to the end, which after an edit
// in the middle of a large document moves half of it; a range pointer leaves the gap alone, so
// a write or a row check costs the same at any document size. Valid only until the next change; null for no view, a stretch that
// does not lie inside the document, or an editor that gives none.
const char* rangePointer(HWND view, uint64_t position, uint64_t length);

// The current view's line-ending string: "\r", "\n", or "\r\n" for CR LF, any other mode and
// no view. Used for whole rows only, never inside a cell value.
std::string documentEol(const EditorWindows& editor);

// Replaces the bytes from start to end with text as one ordinary edit, so the host's undo
// and save apply. writing is set while the editor replaces, so that the change notices the
// replace causes (they arrive inside the call) are known to be the panel's own. Answers true
// only when the document length afterwards is what the replace should give and the text
// stands at start: an editor that refused or altered the replace is caught even when it
// signals nothing. A read-only document, or a range that ends before it starts, is refused
// before anything is sent.
bool replaceRange(const EditorWindows& editor, uint64_t start, uint64_t end, std::string_view text,
                  bool& writing);

// The stamp check: the current view's length equals the length the rows were read from.
bool isDocumentUnchanged(const EditorWindows& editor, uint64_t parsedLength);

// The whole check: the current view holds exactly the rows' bytes. What every write that uses
// the picture of the whole document rests on: the length alone misses an edit the host made
// without telling (a Replace All of the same length).
bool documentMatchesRows(const EditorWindows& editor, const RowList& rows);

// The stretch check: the current view's bytes from..to are the rows' bytes there, and the
// document is as long as the rows. What a write of some rows rests on; it costs the stretch,
// not the document.
bool stretchMatchesRows(const EditorWindows& editor, const RowList& rows, uint64_t from, uint64_t to);

// The row check: the row's content bytes still stand at its recorded offsets. Its line ending,
// its neighbours and the stamp are not looked at.
bool rowMatchesDocument(const EditorWindows& editor, const CsvRow& row);
