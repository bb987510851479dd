// A stand-in for one view of the host's editing component: a child window of the host that
// answers the editing messages over an EditorDocument and reports every insertion and
// deletion to its parent as WM_NOTIFY SCN_MODIFIED, synchronously, inside the call that made
// it (the host window forwards these to the plug-in).
#pragma once

#include "editor_document.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace devhost {

// What SCI_REPLACETARGET does besides its job, to imitate an editor that refuses or alters a
// replace without signalling an error.
enum class ReplaceFault {
    None,
    Refuse,        // nothing changes
    DropLastByte,  // the text is inserted one byte short
};

class EditorView {
public:
    EditorView();
    ~EditorView();
    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;

    bool create(HWND parent, int controlId, HINSTANCE instance);
    void destroy();
    HWND window() const { return window_; }

    EditorDocument& document() { return *document_; }
    const std::shared_ptr<EditorDocument>& sharedDocument() const { return document_; }
    std::string text() const { return document_->text(); }

    // Puts another document into the view without any notification and returns the old one
    // (the host announces the switch itself, with NPPN_BUFFERACTIVATED).
    std::shared_ptr<EditorDocument> swapDocument(std::shared_ptr<EditorDocument> document);

    // Edits as a user makes them: each is one undo step and is notified.
    void userInsert(size_t position, std::string_view bytes);
    void userDelete(size_t position, size_t length);
    void userReplace(size_t position, size_t length, std::string_view bytes);
    bool undo();
    bool redo();
    // An edit made with the component's modification events off, as the host makes its
    // Replace All: one undo step, and no SCN_MODIFIED at all.
    void silentReplace(size_t position, size_t length, std::string_view bytes);

    ReplaceFault replaceFault = ReplaceFault::None;
    // Whether SC_MOD_BEFOREINSERT/SC_MOD_BEFOREDELETE notifications are sent too, as the
    // real component does by default; the plug-in must ignore them.
    bool sendBeforeNotifications = true;

    // How many times each message reached the view since the last reset.
    int messageCount(UINT message) const;
    void resetMessageCounts() { messageCounts_.clear(); }

    size_t targetStart() const { return targetStart_; }
    size_t targetEnd() const { return targetEnd_; }
    intptr_t lastEnsureVisibleLine() const { return lastEnsureVisibleLine_; }

    // What the view shows: lines from firstVisibleLine(), as many as fit. Like the real
    // component it scrolls to bring into sight the line that SCI_ENSUREVISIBLEENFORCEPOLICY
    // names and the caret's line after SCI_GOTOPOS, so that a user sees the record the grid is
    // on; the mouse wheel scrolls it too.
    intptr_t firstVisibleLine() const { return firstVisibleLine_; }
    int visibleLineCount() const;
    void scrollToShow(intptr_t line);

    // Line of a byte offset: CR LF, CR and LF each end a line.
    static intptr_t lineFromPosition(const EditorDocument& document, size_t position);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT replaceTarget(WPARAM length, LPARAM text);
    void paint();
    void scrollBy(intptr_t lines);
    int lineHeight() const;
    void notifyChange(const TextChange& change, ChangeSource source, bool before);
    void notifyModifyAttempt();
    ChangeObserver observer();

    HWND window_ = nullptr;
    std::shared_ptr<EditorDocument> document_;
    std::map<UINT, int> messageCounts_;
    size_t targetStart_ = 0;
    size_t targetEnd_ = 0;
    intptr_t lastEnsureVisibleLine_ = -1;
    intptr_t firstVisibleLine_ = 0;
};

}  // namespace devhost
