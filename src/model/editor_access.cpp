// The editor is reached by SendMessageW with its published message numbers; positions and
// lengths are pointer-sized.
#include "model/editor_access.h"

#include <cstring>

#include "plugin/host_interface.h"

namespace {

LRESULT send(HWND view, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(view, message, wParam, lParam);
}

const char* characterPointer(HWND view) {
    return reinterpret_cast<const char*>(send(view, SCI_GETCHARACTERPOINTER));
}

// As rangePointer, in a document just found to be documentBytes long: each question asked
// again costs a round trip in the host.
const char* rangeWithin(HWND view, uint64_t position, uint64_t length, uint64_t documentBytes) {
    if (position > documentBytes || length > documentBytes - position) {
        return nullptr;
    }
    return reinterpret_cast<const char*>(
        send(view, SCI_GETRANGEPOINTER, static_cast<WPARAM>(position), static_cast<LPARAM>(length)));
}

// Clears the writing flag however the replace ends.
class WritingScope {
public:
    explicit WritingScope(bool& writing) : writing_(writing) { writing_ = true; }
    WritingScope(const WritingScope&) = delete;
    WritingScope& operator=(const WritingScope&) = delete;
    ~WritingScope() { writing_ = false; }

private:
    bool& writing_;
};

}  // namespace

HWND currentView(const EditorWindows& editor) {
    if (editor.host == nullptr) {
        return nullptr;
    }
    int which = -1;
    SendMessageW(editor.host, NPPM_GETCURRENTSCINTILLA, 0, reinterpret_cast<LPARAM>(&which));
    switch (which) {
    case 0:
        return editor.mainView;
    case 1:
        return editor.secondView;
    default:
        return nullptr;
    }
}

std::optional<uint64_t> documentLength(HWND view) {
    if (view == nullptr) {
        return std::nullopt;
    }
    const LRESULT length = send(view, SCI_GETLENGTH);
    if (length < 0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(length);
}

std::optional<std::string> readDocument(HWND view, uint64_t maxBytes) {
    const std::optional<std::string_view> text = viewText(view, maxBytes);
    if (!text) {
        return std::nullopt;
    }
    return std::string(*text);
}

std::optional<std::string_view> viewText(HWND view, uint64_t maxBytes) {
    const uint64_t length = documentLength(view).value_or(0);
    if (length == 0) {
        return std::string_view();
    }
    if (length > maxBytes) {
        return std::nullopt;
    }
    const char* text = characterPointer(view);
    if (text == nullptr) {
        return std::string_view();
    }
    return std::string_view(text, static_cast<size_t>(length));
}

const char* rangePointer(HWND view, uint64_t position, uint64_t length) {
    const std::optional<uint64_t> documentBytes = documentLength(view);
    return documentBytes ? rangeWithin(view, position, length, *documentBytes) : nullptr;
}

std::string documentEol(const EditorWindows& editor) {
    const HWND view = currentView(editor);
    if (view == nullptr) {
        return "\r\n";
    }
    switch (send(view, SCI_GETEOLMODE)) {
    case SC_EOL_CR:
        return "\r";
    case SC_EOL_LF:
        return "\n";
    default:
        return "\r\n";
    }
}

bool replaceRange(const EditorWindows& editor, uint64_t start, uint64_t end, std::string_view text,
                  bool& writing) {
    const HWND view = currentView(editor);
    if (view == nullptr || end < start) {
        return false;
    }
    if (send(view, SCI_GETREADONLY) != 0) {
        return false;
    }
    const std::optional<uint64_t> before = documentLength(view);
    if (!before || end > *before) {
        return false;
    }
    {
        const WritingScope scope(writing);
        send(view, SCI_SETTARGETRANGE, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
        // The length is always given, so text holding NUL bytes is written whole.
        send(view, SCI_REPLACETARGET, static_cast<WPARAM>(text.size()),
             reinterpret_cast<LPARAM>(text.data()));
    }
    const std::optional<uint64_t> after = documentLength(view);
    if (!after || *after != *before - (end - start) + text.size()) {
        return false;
    }
    // A refused replace of text as long as the range leaves the length as expected: only the
    // bytes tell whether the text is there.
    if (text.empty()) {
        return true;
    }
    const char* written = rangeWithin(view, start, text.size(), *after);
    return written != nullptr && std::memcmp(written, text.data(), text.size()) == 0;
}

bool isDocumentUnchanged(const EditorWindows& editor, uint64_t parsedLength) {
    const std::optional<uint64_t> length = documentLength(currentView(editor));
    return length && *length == parsedLength;
}

bool documentMatchesRows(const EditorWindows& editor, const RowList& rows) {
    const HWND view = currentView(editor);
    const std::optional<uint64_t> length = documentLength(view);
    if (!length || *length != rows.textLength()) {
        return false;
    }
    if (*length == 0) {
        return true;
    }
    const std::optional<std::string_view> text = viewText(view);
    return text && text->size() == *length && rows.holdsAt(0, *text);
}

bool stretchMatchesRows(const EditorWindows& editor, const RowList& rows, uint64_t from, uint64_t to) {
    const HWND view = currentView(editor);
    const std::optional<uint64_t> length = documentLength(view);
    if (!length || *length != rows.textLength() || to < from || to > *length) {
        return false;
    }
    if (from == to) {
        return true;
    }
    const char* text = rangeWithin(view, from, to - from, *length);
    return text != nullptr && rows.holdsAt(from, std::string_view(text, static_cast<size_t>(to - from)));
}

bool rowMatchesDocument(const EditorWindows& editor, const CsvRow& row) {
    const HWND view = currentView(editor);
    const std::optional<uint64_t> length = documentLength(view);
    if (!length) {
        return false;
    }
    const std::string_view raw = row.raw();
    if (row.end < row.start || row.end > *length || row.end - row.start != raw.size()) {
        return false;
    }
    if (raw.empty()) {
        return true;
    }
    const char* text = rangeWithin(view, row.start, raw.size(), *length);
    return text != nullptr && std::memcmp(text, raw.data(), raw.size()) == 0;
}
