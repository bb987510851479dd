#include "editor_document.h"

#include <algorithm>
#include <utility>

namespace devhost {

namespace {

std::wstring unsavedName() {
    static unsigned next = 0;
    return L"new " + std::to_wstring(++next);
}

}  // namespace

EditorDocument::EditorDocument(std::string text) : path(unsavedName()), text_(std::move(text)) {}

const std::vector<size_t>& EditorDocument::lineEndOffsets() const {
    if (!lineEndsKnown_) {
        lineEnds_.clear();
        for (size_t i = 0; i < text_.size(); ++i) {
            if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') ++i;
            if (text_[i] == '\r' || text_[i] == '\n') lineEnds_.push_back(i + 1);
        }
        lineEndsKnown_ = true;
    }
    return lineEnds_;
}

void EditorDocument::load(std::string text) {
    text_ = std::move(text);
    lineEndsKnown_ = false;
    caret = 0;
    emptyUndoBuffer();
}

bool EditorDocument::insert(size_t position, std::string_view bytes, const ChangeObserver& observer) {
    if (bytes.empty()) return false;
    TextChange change{true, std::min(position, text_.size()), std::string(bytes)};
    apply(change, true, ChangeSource::Edit, observer);
    record(std::move(change));
    return true;
}

bool EditorDocument::erase(size_t position, size_t length, const ChangeObserver& observer) {
    position = std::min(position, text_.size());
    length = std::min(length, text_.size() - position);
    if (length == 0) return false;
    TextChange change{false, position, text_.substr(position, length)};
    apply(change, true, ChangeSource::Edit, observer);
    record(std::move(change));
    return true;
}

void EditorDocument::beginUndoAction() {
    if (groupDepth_++ == 0) groupHasStep_ = false;
}

void EditorDocument::endUndoAction() {
    if (groupDepth_ > 0) --groupDepth_;
}

bool EditorDocument::undo(const ChangeObserver& observer) {
    if (undoSteps_.empty()) return false;
    std::vector<TextChange> step = std::move(undoSteps_.back());
    undoSteps_.pop_back();
    for (auto it = step.rbegin(); it != step.rend(); ++it) apply(*it, false, ChangeSource::Undo, observer);
    redoSteps_.push_back(std::move(step));
    groupHasStep_ = false;
    return true;
}

bool EditorDocument::redo(const ChangeObserver& observer) {
    if (redoSteps_.empty()) return false;
    std::vector<TextChange> step = std::move(redoSteps_.back());
    redoSteps_.pop_back();
    for (const TextChange& change : step) apply(change, true, ChangeSource::Redo, observer);
    undoSteps_.push_back(std::move(step));
    groupHasStep_ = false;
    return true;
}

void EditorDocument::emptyUndoBuffer() {
    undoSteps_.clear();
    redoSteps_.clear();
    groupHasStep_ = false;
}

// Applies a change forwards (as recorded) or backwards (its inverse), keeping the caret on
// the same text, and tells the observer before and after.
void EditorDocument::apply(const TextChange& change, bool forward, ChangeSource source,
                           const ChangeObserver& observer) {
    const bool inserting = change.insertion == forward;
    const TextChange effective{inserting, change.position, change.text};
    if (observer) observer(effective, source, true);
    lineEndsKnown_ = false;
    if (inserting) {
        text_.insert(change.position, change.text);
        if (caret >= change.position) caret += change.text.size();
    } else {
        text_.erase(change.position, change.text.size());
        if (caret > change.position) caret = std::max(change.position, caret - std::min(caret, change.text.size()));
    }
    caret = std::min(caret, text_.size());
    if (observer) observer(effective, source, false);
}

void EditorDocument::record(TextChange change) {
    redoSteps_.clear();
    if (groupDepth_ > 0 && groupHasStep_ && !undoSteps_.empty()) {
        undoSteps_.back().push_back(std::move(change));
        return;
    }
    undoSteps_.push_back({std::move(change)});
    if (groupDepth_ > 0) groupHasStep_ = true;
}

}  // namespace devhost
