// The text of one document as the stand-in editing component holds it: a byte buffer with its
// line-ending mode, read-only flag, code page, caret and an undo history grouped by
// begin/end undo action. A view shows one document at a time; switching documents swaps the
// whole object, history included, as the real editor does.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace devhost {

// One insertion or deletion of bytes at a position.
struct TextChange {
    bool insertion = true;
    size_t position = 0;
    std::string text;
};

// Why a change happened: a direct edit (the plug-in's or a simulated user's), or the undo or
// redo of an earlier one.
enum class ChangeSource { Edit, Undo, Redo };

// Called around every change: once before it is applied (before = true) and once after.
using ChangeObserver = std::function<void(const TextChange& change, ChangeSource source, bool before)>;

class EditorDocument {
public:
    explicit EditorDocument(std::string text = {});

    const std::string& text() const { return text_; }
    size_t length() const { return text_.size(); }
    // The offsets just past every line end (CR, LF, or CR LF as one), ascending: line n starts
    // at entry n - 1. Built when first asked for after a change, so the view's line lookups do
    // not each read a large text through.
    const std::vector<size_t>& lineEndOffsets() const;

    // Replaces the whole text without history or notification (loading a file).
    void load(std::string text);

    // Edits: positions and lengths are clamped to the text. Each records itself in the undo
    // history and reports to the observer. Nothing happens (and false is returned) for an
    // empty change.
    bool insert(size_t position, std::string_view bytes, const ChangeObserver& observer);
    bool erase(size_t position, size_t length, const ChangeObserver& observer);

    // Undo grouping: every change between the outermost begin and its end is one undo step.
    void beginUndoAction();
    void endUndoAction();
    int undoActionDepth() const { return groupDepth_; }

    bool canUndo() const { return !undoSteps_.empty(); }
    bool canRedo() const { return !redoSteps_.empty(); }
    size_t undoStepCount() const { return undoSteps_.size(); }
    size_t redoStepCount() const { return redoSteps_.size(); }
    // Reverts (or re-applies) one whole step; false when there is none.
    bool undo(const ChangeObserver& observer);
    bool redo(const ChangeObserver& observer);
    void emptyUndoBuffer();

    int eolMode = 0;          // 0 CRLF, 1 CR, 2 LF
    bool readOnly = false;
    int codePage = 65001;     // UTF-8; 0 for the system's ANSI code page
    size_t caret = 0;
    // The path the host tells for the document: as for an unsaved document, "new <n>" with a
    // number of its own, until a test names it.
    std::wstring path;

private:
    void apply(const TextChange& change, bool forward, ChangeSource source, const ChangeObserver& observer);
    void record(TextChange change);

    std::string text_;
    mutable std::vector<size_t> lineEnds_;
    mutable bool lineEndsKnown_ = false;
    std::vector<std::vector<TextChange>> undoSteps_;
    std::vector<std::vector<TextChange>> redoSteps_;
    int groupDepth_ = 0;
    bool groupHasStep_ = false;  // the open group already pushed its step
};

}  // namespace devhost
