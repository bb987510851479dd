#include "editor_view.h"

#include "editor_messages.h"
#include "plugin_interface.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace devhost {

namespace {

constexpr wchar_t VIEW_CLASS[] = L"DevhostEditorView";

bool registerViewClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, VIEW_CLASS, &wc)) return true;
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM));
    wc.hbrBackground = nullptr;
    wc.lpszClassName = VIEW_CLASS;
    return RegisterClassExW(&wc) != 0;
}

// Counts line ends in text: a CR LF pair counts once.
intptr_t countLineEnds(std::string_view text) {
    intptr_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            ++lines;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            ++lines;
        }
    }
    return lines;
}

std::wstring widen(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), size);
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

constexpr int WHEEL_LINES = 3;
constexpr int LINE_MARGIN = 4;
// A line is drawn with at most this many bytes; the rest would be off the view anyway.
constexpr size_t DRAWN_LINE_BYTES = 4096;

}  // namespace

EditorView::EditorView() : document_(std::make_shared<EditorDocument>()) {}

EditorView::~EditorView() { destroy(); }

bool EditorView::create(HWND parent, int controlId, HINSTANCE instance) {
    if (!registerViewClass(instance, &EditorView::windowProc)) return false;
    window_ = CreateWindowExW(WS_EX_CLIENTEDGE, VIEW_CLASS, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                              100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance,
                              nullptr);
    if (!window_) return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void EditorView::destroy() {
    if (window_ && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    window_ = nullptr;
}

std::shared_ptr<EditorDocument> EditorView::swapDocument(std::shared_ptr<EditorDocument> document) {
    if (!document) document = std::make_shared<EditorDocument>();
    std::swap(document_, document);
    targetStart_ = targetEnd_ = 0;
    firstVisibleLine_ = 0;
    if (window_) InvalidateRect(window_, nullptr, TRUE);
    return document;
}

void EditorView::userInsert(size_t position, std::string_view bytes) {
    if (document_->readOnly) return notifyModifyAttempt();
    document_->insert(position, bytes, observer());
}

void EditorView::userDelete(size_t position, size_t length) {
    if (document_->readOnly) return notifyModifyAttempt();
    document_->erase(position, length, observer());
}

void EditorView::userReplace(size_t position, size_t length, std::string_view bytes) {
    if (document_->readOnly) return notifyModifyAttempt();
    document_->beginUndoAction();
    document_->erase(position, length, observer());
    document_->insert(position, bytes, observer());
    document_->endUndoAction();
}

void EditorView::silentReplace(size_t position, size_t length, std::string_view bytes) {
    if (document_->readOnly) return;
    const ChangeObserver quiet = [](const TextChange&, ChangeSource, bool) {};
    document_->beginUndoAction();
    document_->erase(position, length, quiet);
    document_->insert(position, bytes, quiet);
    document_->endUndoAction();
}

bool EditorView::undo() {
    if (document_->readOnly) return false;
    return document_->undo(observer());
}

bool EditorView::redo() {
    if (document_->readOnly) return false;
    return document_->redo(observer());
}

int EditorView::messageCount(UINT message) const {
    auto it = messageCounts_.find(message);
    return it == messageCounts_.end() ? 0 : it->second;
}

// The line ends at or before the position; one between the CR and the LF of a pair still
// belongs to the line the pair ends.
intptr_t EditorView::lineFromPosition(const EditorDocument& document, size_t position) {
    const std::vector<size_t>& ends = document.lineEndOffsets();
    return std::upper_bound(ends.begin(), ends.end(), std::min(position, document.length())) - ends.begin();
}

ChangeObserver EditorView::observer() {
    return [this](const TextChange& change, ChangeSource source, bool before) { notifyChange(change, source, before); };
}

// Reports a change to the parent the way the real component does: WM_NOTIFY with a full
// SCNotification, sent (not posted), so the host sees it before the edit call returns.
void EditorView::notifyChange(const TextChange& change, ChangeSource source, bool before) {
    if (!before && window_) InvalidateRect(window_, nullptr, TRUE);
    if (before && !sendBeforeNotifications) return;
    if (!window_) return;
    HWND parent = GetParent(window_);
    if (!parent) return;

    int type = 0;
    if (before) {
        type = change.insertion ? SC_MOD_BEFOREINSERT : SC_MOD_BEFOREDELETE;
    } else {
        type = change.insertion ? SC_MOD_INSERTTEXT : SC_MOD_DELETETEXT;
    }
    switch (source) {
    case ChangeSource::Edit: type |= SC_PERFORMED_USER; break;
    case ChangeSource::Undo: type |= SC_PERFORMED_UNDO; break;
    case ChangeSource::Redo: type |= SC_PERFORMED_REDO; break;
    }

    SCNotification notification{};
    notification.nmhdr.hwndFrom = window_;
    notification.nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window_));
    notification.nmhdr.code = SCN_MODIFIED;
    notification.position = static_cast<intptr_t>(change.position);
    notification.modificationType = type;
    notification.text = change.text.c_str();
    notification.length = static_cast<intptr_t>(change.text.size());
    if (!before) {
        const intptr_t lines = countLineEnds(change.text);
        notification.linesAdded = change.insertion ? lines : -lines;
    }
    SendMessageW(parent, WM_NOTIFY, notification.nmhdr.idFrom, reinterpret_cast<LPARAM>(&notification));
}

// An edit of a read-only document changes nothing; the component only says it was tried.
void EditorView::notifyModifyAttempt() {
    HWND parent = window_ ? GetParent(window_) : nullptr;
    if (!parent) return;
    SCNotification notification{};
    notification.nmhdr.hwndFrom = window_;
    notification.nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window_));
    notification.nmhdr.code = SCN_MODIFYATTEMPTRO;
    SendMessageW(parent, WM_NOTIFY, notification.nmhdr.idFrom, reinterpret_cast<LPARAM>(&notification));
}

LRESULT CALLBACK EditorView::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<EditorView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!view) return DefWindowProcW(window, message, wParam, lParam);
    return view->handleMessage(message, wParam, lParam);
}

LRESULT EditorView::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    EditorDocument& doc = *document_;
    if (message >= 2000 && message < 3000) ++messageCounts_[message];
    switch (message) {
    case SCI_GETLENGTH:
        return static_cast<LRESULT>(doc.length());
    case SCI_GETCHARACTERPOINTER:
        // std::string keeps its bytes contiguous and terminated, as the real call guarantees.
        return reinterpret_cast<LRESULT>(doc.text().c_str());
    case SCI_GETRANGEPOINTER: {
        // Like the real component: a pointer to the range's first byte, or null for a range
        // that does not lie inside the text.
        const size_t position = static_cast<size_t>(wParam);
        const size_t length = static_cast<size_t>(lParam);
        if (static_cast<intptr_t>(wParam) < 0 || static_cast<intptr_t>(lParam) < 0 || position > doc.length() ||
            length > doc.length() - position)
            return 0;
        return reinterpret_cast<LRESULT>(doc.text().c_str() + position);
    }
    case SCI_GETEOLMODE:
        return doc.eolMode;
    case SCI_SETEOLMODE:
        doc.eolMode = static_cast<int>(wParam);
        return 0;
    case SCI_GETREADONLY:
        return doc.readOnly ? 1 : 0;
    case SCI_SETREADONLY:
        doc.readOnly = wParam != 0;
        return 0;
    case SCI_GETCODEPAGE:
        return doc.codePage;
    case SCI_SETCODEPAGE:
        doc.codePage = static_cast<int>(wParam);
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    case SCI_SETTARGETRANGE:
        targetStart_ = static_cast<size_t>(wParam);
        targetEnd_ = static_cast<size_t>(lParam);
        return 0;
    case SCI_GETTARGETSTART:
        return static_cast<LRESULT>(targetStart_);
    case SCI_GETTARGETEND:
        return static_cast<LRESULT>(targetEnd_);
    case SCI_REPLACETARGET:
        return replaceTarget(wParam, lParam);
    case SCI_BEGINUNDOACTION:
        doc.beginUndoAction();
        return 0;
    case SCI_ENDUNDOACTION:
        doc.endUndoAction();
        return 0;
    case SCI_UNDO:
        undo();
        return 0;
    case SCI_REDO:
        redo();
        return 0;
    case SCI_CANUNDO:
        return doc.canUndo() ? 1 : 0;
    case SCI_CANREDO:
        return doc.canRedo() ? 1 : 0;
    case SCI_EMPTYUNDOBUFFER:
        doc.emptyUndoBuffer();
        return 0;
    case SCI_INSERTTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        if (!text) return 0;
        const size_t position = static_cast<intptr_t>(wParam) < 0 ? doc.caret : static_cast<size_t>(wParam);
        userInsert(position, text);
        return 0;
    }
    case SCI_DELETERANGE:
        userDelete(static_cast<size_t>(wParam), static_cast<size_t>(lParam));
        return 0;
    case SCI_LINEFROMPOSITION:
        return lineFromPosition(doc, static_cast<size_t>(wParam));
    case SCI_ENSUREVISIBLEENFORCEPOLICY:
        lastEnsureVisibleLine_ = static_cast<intptr_t>(wParam);
        scrollToShow(lastEnsureVisibleLine_);
        return 0;
    case SCI_GOTOPOS:
        doc.caret = std::min(static_cast<size_t>(wParam), doc.length());
        scrollToShow(lineFromPosition(doc, doc.caret));
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    case SCI_GETCURRENTPOS:
        return static_cast<LRESULT>(doc.caret);
    case WM_CHAR: {
        // A user typing into the view: printable characters at the caret, backspace before it.
        const wchar_t ch = static_cast<wchar_t>(wParam);
        if (ch == L'\b') {
            if (doc.caret > 0) userDelete(doc.caret - 1, 1);
        } else if (ch >= 0x20 || ch == L'\t' || ch == L'\r') {
            char bytes[8] = {};
            const int n = WideCharToMultiByte(doc.codePage == 0 ? CP_ACP : doc.codePage, 0, &ch, 1, bytes,
                                              sizeof(bytes), nullptr, nullptr);
            if (n > 0) userInsert(doc.caret, std::string_view(bytes, static_cast<size_t>(n)));
        }
        return 0;
    }
    case WM_KEYDOWN:
        // The host's own undo and redo keys, so that a demo can take back what the grid wrote.
        if (GetKeyState(VK_CONTROL) < 0 && (wParam == 'Z' || wParam == 'Y')) {
            if (wParam == 'Z') {
                undo();
            } else {
                redo();
            }
            return 0;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        SetFocus(window_);
        return 0;
    case WM_MOUSEWHEEL:
        scrollBy(-GET_WHEEL_DELTA_WPARAM(wParam) * WHEEL_LINES / WHEEL_DELTA);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint();
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

// The replace the plug-in writes with: delete the target, insert the text, as one undo step;
// afterwards the target covers the inserted text. A read-only document is left alone.
LRESULT EditorView::replaceTarget(WPARAM length, LPARAM text) {
    EditorDocument& doc = *document_;
    const char* bytes = reinterpret_cast<const char*>(text);
    size_t count = 0;
    if (bytes) count = static_cast<intptr_t>(length) < 0 ? std::strlen(bytes) : static_cast<size_t>(length);
    if (doc.readOnly) {
        notifyModifyAttempt();
        return 0;
    }
    if (replaceFault == ReplaceFault::Refuse) return 0;
    if (replaceFault == ReplaceFault::DropLastByte && count > 0) --count;

    const size_t start = std::min({targetStart_, targetEnd_, doc.length()});
    const size_t end = std::min(std::max(targetStart_, targetEnd_), doc.length());
    doc.beginUndoAction();
    doc.erase(start, end - start, observer());
    if (count > 0) doc.insert(start, std::string_view(bytes, count), observer());
    doc.endUndoAction();
    targetStart_ = start;
    targetEnd_ = start + count;
    return static_cast<LRESULT>(count);
}

int EditorView::lineHeight() const {
    HDC dc = GetDC(window_);
    if (!dc) return 16;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, oldFont);
    ReleaseDC(window_, dc);
    return std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
}

int EditorView::visibleLineCount() const {
    if (!window_) return 1;
    RECT client{};
    GetClientRect(window_, &client);
    return std::max(1, static_cast<int>(client.bottom - client.top - LINE_MARGIN) / lineHeight());
}

// A line outside the page comes to a third of the way down, as after a jump in an editor.
void EditorView::scrollToShow(intptr_t line) {
    if (line < 0) return;
    const intptr_t page = visibleLineCount();
    if (line >= firstVisibleLine_ && line < firstVisibleLine_ + page) return;
    firstVisibleLine_ = std::max<intptr_t>(0, line - page / 3);
    if (window_) InvalidateRect(window_, nullptr, TRUE);
}

void EditorView::scrollBy(intptr_t lines) {
    const intptr_t lastLine = static_cast<intptr_t>(document_->lineEndOffsets().size());
    const intptr_t first = std::clamp<intptr_t>(firstVisibleLine_ + lines, 0, lastLine);
    if (first == firstVisibleLine_) return;
    firstVisibleLine_ = first;
    InvalidateRect(window_, nullptr, TRUE);
}

// Draws the lines in view with their numbers in a grey margin, the caret's line shaded and
// the caret as a bar, so that the record the grid is on and every change to it can be seen.
void EditorView::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int height = std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));

    SIZE digits{};
    GetTextExtentPoint32W(dc, L"000000", 6, &digits);
    const int marginWidth = digits.cx + 2 * LINE_MARGIN;
    RECT margin{client.left, client.top, client.left + marginWidth, client.bottom};
    HBRUSH marginBrush = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
    FillRect(dc, &margin, marginBrush);
    DeleteObject(marginBrush);
    HBRUSH caretLineBrush = CreateSolidBrush(RGB(0xE8, 0xF0, 0xFF));

    const std::string_view text = document_->text();
    const UINT codePage = document_->codePage == 0 ? CP_ACP : static_cast<UINT>(document_->codePage);
    const size_t caret = std::min(document_->caret, text.size());
    const intptr_t caretLine = lineFromPosition(*document_, caret);
    const int textLeft = marginWidth + LINE_MARGIN;
    // A document that shrank below the first line shown is drawn from its last line.
    const std::vector<size_t>& lineEnds = document_->lineEndOffsets();
    const intptr_t first = std::min(firstVisibleLine_, static_cast<intptr_t>(lineEnds.size()));
    size_t start = first == 0 ? 0 : lineEnds[static_cast<size_t>(first) - 1];
    for (intptr_t line = first, y = client.top + LINE_MARGIN / 2; y < client.bottom; ++line, y += height) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const int top = static_cast<int>(y);
        if (line == caretLine) {
            RECT shaded{marginWidth, top, client.right, top + height};
            FillRect(dc, &shaded, caretLineBrush);
        }
        const std::wstring number = std::to_wstring(line + 1);
        RECT numberRect{client.left, top, marginWidth - LINE_MARGIN, top + height};
        SetTextColor(dc, RGB(0x80, 0x80, 0x80));
        DrawTextW(dc, number.c_str(), static_cast<int>(number.size()), &numberRect, DT_RIGHT | DT_TOP | DT_SINGLELINE);

        const std::wstring wide = widen(text.substr(start, std::min(end - start, DRAWN_LINE_BYTES)), codePage);
        SetTextColor(dc, RGB(0, 0, 0));
        if (!wide.empty()) TabbedTextOutW(dc, textLeft, top, wide.c_str(), static_cast<int>(wide.size()), 0, nullptr, textLeft);
        if (line == caretLine) {
            const std::wstring before = widen(text.substr(start, std::min(caret - start, DRAWN_LINE_BYTES)), codePage);
            const DWORD extent =
                before.empty() ? 0 : GetTabbedTextExtentW(dc, before.c_str(), static_cast<int>(before.size()), 0, nullptr);
            RECT bar{textLeft + LOWORD(extent), top, textLeft + LOWORD(extent) + 1, top + height};
            FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        if (end >= text.size()) break;
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    DeleteObject(caretLineBrush);
    SelectObject(dc, oldFont);
    EndPaint(window_, &ps);
}

}  // namespace devhost
