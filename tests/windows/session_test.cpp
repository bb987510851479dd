// Long random sessions: seeded sequences of what a user and the host do to a document shown in
// the panel (moves, cell edits committed and cancelled, Delete, row and column operations with
// OK and Cancel, header row and delimiter changes, edits in the editor view with and without
// the debounce running, read-only on and off, undo and redo, and replaces the editor refuses or
// cuts short). After every step the document, its undo history and the status line must agree
// with the reference; at the end, undoing every step must give back the document as opened.
// A failing run prints its seed and the shortest sequence found that still fails.
//
// TABULON_SESSION_SEED picks the first seed, TABULON_SESSIONS the number of documents, and
// TABULON_SOAK_SECONDS, when set, runs new seeds until that much time has passed;
// TABULON_SESSION_TRACE, when set, prints the document after every step.
#include "session_test_reference.h"
#include "test_support.h"
#include "menu_watch.h"

#include "clipboard.h"
#include "input.h"
#include "model/clipboard_text.h"
#include "model/row_problems.h"
#include "model/status_text.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

using namespace tabulon_test;
using session::Fault;
using session::Reference;

namespace {

constexpr int IDC_CELL_EDITOR = 2611;
constexpr UINT_PTR REFRESH_TIMER = 1;
constexpr size_t STEPS_PER_DOCUMENT = 50;

class Random {
public:
    explicit Random(uint64_t seed) : engine_(seed) {}
    uint64_t below(uint64_t n) { return n == 0 ? 0 : engine_() % n; }
    bool chance(int percent) { return below(100) < static_cast<uint64_t>(percent); }
    template <typename T>
    const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }

private:
    std::mt19937_64 engine_;
};

// ---- the documents ------------------------------------------------------------------------

struct Document {
    std::string text;
    int eolMode = 0;
    int codePage = 65001;
};

// Three documents: the first in the main view when the panel opens, the second switched in
// and out of the current view, the third in the second view.
struct Opening {
    Document documents[3];
    bool headerRow = true;
};

std::string eolOf(int mode) { return mode == 1 ? "\r" : mode == 2 ? "\n" : "\r\n"; }

std::string randomWord(Random& random, int codePage) {
    static const std::vector<std::string> utf8 = {"\xC3\xA9", "\xE2\x82\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"};
    static const std::vector<std::string> cp1252 = {"\xE9", "\x80", "\xFC"};
    std::string word;
    const uint64_t length = 1 + random.below(6);
    for (uint64_t i = 0; i < length; ++i) {
        if (random.chance(10)) {
            word += random.pick(codePage == 65001 ? utf8 : cp1252);
        } else {
            word.push_back(static_cast<char>('a' + random.below(26)));
        }
    }
    return word;
}

// One field as it stands in the file: plain, quoted (with a delimiter, doubled quotes, a line
// break), quoted without need, with bytes after its closing quote, a stray quote, a space.
std::string randomField(Random& random, int codePage, const std::string& eol) {
    const std::string word = randomWord(random, codePage);
    switch (random.below(10)) {
    case 0: return "";
    case 1: return "\"" + word + "," + word + "\"";
    case 2: return "\"" + word + "\"\"x\"\"\"";
    case 3: return "\"" + word + (random.chance(50) ? eol : std::string("\n")) + word + "\"";
    case 4: return "\"" + word + "\"";
    case 5: return "\"" + word + "\"tail";
    case 6: return word + "\"" + word;
    case 7: return " " + word;
    default: return word;
    }
}

Document randomDocument(Random& random) {
    Document opening;
    opening.eolMode = static_cast<int>(random.below(3));
    opening.codePage = random.chance(25) ? 1252 : 65001;
    const std::string eol = eolOf(opening.eolMode);
    const bool mixed = random.chance(25);  // lone CR, LF and CR LF all through the document
    const uint64_t rows = random.below(9);
    for (uint64_t r = 0; r < rows; ++r) {
        if (!random.chance(10)) {  // else an empty line
            const uint64_t cells = random.chance(5) ? 20 + random.below(20) : 1 + random.below(5);
            for (uint64_t c = 0; c < cells; ++c) {
                if (c > 0) opening.text.push_back(',');
                opening.text += randomField(random, opening.codePage, eol);
            }
        }
        const bool last = r + 1 == rows;
        if (last && random.chance(30)) break;  // no line ending after the last row
        opening.text += mixed || random.chance(8) ? eolOf(static_cast<int>(random.below(3))) : eol;
    }
    if (random.chance(5)) opening.text += "\"open" + eol + "quote";  // never closed
    return opening;
}

Opening randomOpening(Random& random) {
    Opening opening;
    opening.headerRow = random.chance(50);
    opening.documents[0] = randomDocument(random);
    opening.documents[1] = randomDocument(random);
    opening.documents[2] = randomDocument(random);
    return opening;
}

// ---- the actions ----------------------------------------------------------------------------

// What a Range action does with the range it selected.
enum class RangeOp { Delete, MenuClear, Cut, Fill, MenuRowAbove, MenuColumnRight };

const char* rangeOpName(RangeOp op) {
    switch (op) {
    case RangeOp::Delete: return "Delete";
    case RangeOp::MenuClear: return "menu Clear";
    case RangeOp::Cut: return "Ctrl+X";
    case RangeOp::Fill: return "one value, Ctrl+V";
    case RangeOp::MenuRowAbove: return "menu Insert row above";
    case RangeOp::MenuColumnRight: return "menu Insert column right";
    }
    return "";
}

enum class Kind {
    Move, Type, TypeCancel, F2Edit, Delete, AddRow, DeleteRows, AddColumn, DeleteColumn, Copy, Paste,
    Range, Outside, ReadOnly, Undo, Redo, HeaderRow, Delimiter, Reload, SwitchDocument, SwitchView, TogglePanel
};

// The actions a hidden panel cannot receive.
bool needsGrid(Kind kind) {
    return kind != Kind::Outside && kind != Kind::ReadOnly && kind != Kind::Undo && kind != Kind::Redo &&
           kind != Kind::SwitchDocument && kind != Kind::SwitchView && kind != Kind::TogglePanel;
}

struct Action {
    Kind kind = Kind::Move;
    UINT key = 0;
    unsigned modifiers = devhost::KEY_NONE;
    int count = 1;        // Move: presses; DeleteRows: Shift+Down presses first
    std::wstring text;    // typed; '\n' stands for Ctrl+Enter in F2Edit
    bool ok = true;       // the answer to a question box
    bool quick = false;   // Outside, Undo, Redo: the next step comes before the debounce ends
    bool silent = false;  // Outside: made as the host's Replace All, told by NPPN_GLOBALMODIFIED alone
    double where = 0;     // Outside: position as a fraction of the length
    int length = 0;       // Outside: bytes replaced
    std::string bytes;    // Outside: bytes put in
    Fault fault = Fault::None;
    int entry = 1;        // Delimiter: 1 comma, 2 semicolon, 3 tab, 4 pipe
    bool clipboard = false;  // Paste: put text on the clipboard first; Copy: Ctrl+Shift+C
    // Range: a range of count more rows and columns more columns from the current cell, then
    // what is done to it.
    int columns = 0;
    RangeOp op = RangeOp::Delete;
};

std::string escaped(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c < 0x20 || c >= 0x7F) { char hex[8]; std::snprintf(hex, sizeof hex, "\\x%02X", c); out += hex; }
        else out.push_back(static_cast<char>(c));
    }
    return out;
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (const wchar_t c : text) {
        if (c < 0x80) out += escaped(std::string(1, static_cast<char>(c)));
        else { char hex[12]; std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c)); out += hex; }
    }
    return out;
}

const char* faultName(Fault fault) {
    return fault == Fault::Refuse ? " [editor refuses]" : fault == Fault::DropLastByte ? " [editor drops a byte]" : "";
}

std::string describe(const Action& a) {
    const char* answer = a.ok ? "OK" : "Cancel";
    std::string text;
    switch (a.kind) {
    case Kind::Move: text = "key " + std::to_string(a.key) + (a.modifiers ? " with Ctrl" : "") + " x" + std::to_string(a.count); break;
    case Kind::Type: text = "type \"" + narrow(a.text) + "\" and Enter"; break;
    case Kind::TypeCancel: text = "type \"" + narrow(a.text) + "\" and Esc"; break;
    case Kind::F2Edit: text = "F2, type \"" + narrow(a.text) + "\" and Enter"; break;
    case Kind::Delete: text = "Delete"; break;
    case Kind::AddRow: text = "+ Row"; break;
    case Kind::DeleteRows: text = "Shift+Down x" + std::to_string(a.count) + ", - Row, " + answer; break;
    case Kind::AddColumn: text = "+ Col"; break;
    case Kind::DeleteColumn: text = std::string("- Col, ") + answer; break;
    case Kind::Outside:
        text = "editor: replace " + std::to_string(a.length) + " bytes at " + std::to_string(a.where) + " with \"" +
               escaped(a.bytes) + "\"" + (a.silent ? " as the host's Replace All" : "") + (a.quick ? " (no pause)" : "");
        break;
    case Kind::ReadOnly: text = "toggle read-only"; break;
    case Kind::Undo: text = std::string("editor undo") + (a.quick ? " (no pause)" : ""); break;
    case Kind::Redo: text = std::string("editor redo") + (a.quick ? " (no pause)" : ""); break;
    case Kind::HeaderRow: text = "toggle Header row"; break;
    case Kind::Delimiter: text = "delimiter entry " + std::to_string(a.entry); break;
    case Kind::Reload: text = "Reload"; break;
    case Kind::Copy: text = a.clipboard ? "Ctrl+Shift+C" : "Ctrl+C"; break;
    case Kind::Paste: text = a.clipboard ? "clipboard \"" + narrow(a.text) + "\", Ctrl+V" : "Ctrl+V"; break;
    case Kind::Range:
        text = "Shift+Down x" + std::to_string(a.count) + ", Shift+Right x" + std::to_string(a.columns) + ", " +
               rangeOpName(a.op);
        break;
    case Kind::SwitchDocument: text = "switch document"; break;
    case Kind::SwitchView: text = "switch view"; break;
    case Kind::TogglePanel: text = "show or hide the panel"; break;
    }
    return text + faultName(a.fault);
}

std::string describe(const Opening& opening) {
    std::string text = std::string("header row ") + (opening.headerRow ? "on" : "off");
    for (const Document& d : opening.documents) {
        text += "\ndocument \"" + escaped(d.text) + "\" (EOL mode " + std::to_string(d.eolMode) + ", code page " +
                std::to_string(d.codePage) + ")";
    }
    return text;
}

std::wstring randomTyping(Random& random, int codePage) {
    static const std::wstring first = L"abcxyzQ7";
    static const std::wstring rest = L"abc xyz,;\"'|\t\u00E9\u20AC";
    std::wstring text(1, first[random.below(first.size())]);
    const uint64_t length = random.below(6);
    for (uint64_t i = 0; i < length; ++i) text.push_back(rest[random.below(rest.size())]);
    if (codePage != 65001 && random.chance(15)) text.push_back(L'\u65E5');  // not in code page 1252
    return text;
}

// A clipboard text: a single value, or lines of tab-separated fields, some quoted with a line
// break inside, sometimes with a final line break.
std::wstring randomClipboard(Random& random, int codePage) {
    std::wstring text;
    const uint64_t lines = random.chance(40) ? 1 : 1 + random.below(3);
    for (uint64_t k = 0; k < lines; ++k) {
        if (k > 0) text += L"\r\n";
        const uint64_t fields = lines == 1 && random.chance(60) ? 1 : 1 + random.below(3);
        for (uint64_t i = 0; i < fields; ++i) {
            if (i > 0) text += L"\t";
            if (random.chance(10)) continue;  // an empty field
            text += random.chance(15) ? L"\"a\r\nb\"\"c\"" : randomTyping(random, codePage);
        }
    }
    if (random.chance(30)) text += L"\r\n";
    return text;
}

Fault randomFault(Random& random) {
    if (!random.chance(8)) return Fault::None;
    return random.chance(50) ? Fault::Refuse : Fault::DropLastByte;
}

std::vector<Action> randomActions(Random& random, const Opening& opening, size_t count) {
    static const std::vector<UINT> moveKeys = {VK_UP, VK_DOWN, VK_DOWN, VK_LEFT, VK_RIGHT, VK_RIGHT, VK_HOME, VK_END, VK_TAB};
    const int codePage = opening.documents[0].codePage;
    static const std::vector<std::string> pieces = {",", "\"", "\r\n", "\n", "\r", "x", "yz", "", "\"q,\""};
    std::vector<Action> actions;
    for (size_t i = 0; i < count; ++i) {
        Action a;
        const uint64_t roll = random.below(100);
        if (roll < 5) {
            a.kind = Kind::Range;
            a.count = static_cast<int>(random.below(3));
            a.columns = static_cast<int>(random.below(3));
            a.op = static_cast<RangeOp>(random.below(6));
            a.text = L"v" + std::to_wstring(random.below(10));
        } else if (roll < 22) {
            a.kind = Kind::Move;
            a.key = random.pick(moveKeys);
            if ((a.key == VK_HOME || a.key == VK_END) && random.chance(30)) a.modifiers = devhost::KEY_CTRL;
            a.count = 1 + static_cast<int>(random.below(3));
        } else if (roll < 38) {
            a.kind = Kind::Type;
            a.text = randomTyping(random, codePage);
        } else if (roll < 42) {
            a.kind = Kind::TypeCancel;
            a.text = randomTyping(random, codePage);
        } else if (roll < 47) {
            a.kind = Kind::F2Edit;
            a.text = randomTyping(random, codePage);
            if (random.chance(50)) a.text.insert(1 + random.below(a.text.size()), 1, L'\n');
        } else if (roll < 52) {
            a.kind = Kind::Delete;
        } else if (roll < 57) {
            a.kind = Kind::AddRow;
        } else if (roll < 62) {
            a.kind = Kind::DeleteRows;
            a.count = random.chance(70) ? 0 : 1 + static_cast<int>(random.below(2));
            a.ok = random.chance(75);
        } else if (roll < 65) {
            a.kind = Kind::AddColumn;
        } else if (roll < 68) {
            a.kind = Kind::DeleteColumn;
            a.ok = random.chance(75);
        } else if (roll < 74) {
            a.kind = random.chance(30) ? Kind::Copy : Kind::Paste;
            a.clipboard = random.chance(70);
            if (a.kind == Kind::Paste && a.clipboard) a.text = randomClipboard(random, opening.documents[0].codePage);
        } else if (roll < 80) {
            a.kind = Kind::Outside;
            a.where = static_cast<double>(random.below(1001)) / 1000.0;
            a.length = random.chance(50) ? 0 : static_cast<int>(random.below(6));
            a.bytes = random.chance(25) ? std::string() : random.pick(pieces) + random.pick(pieces);
            a.quick = random.chance(50);
            a.silent = random.chance(40);
        } else if (roll < 83) {
            a.kind = Kind::ReadOnly;
        } else if (roll < 91) {
            a.kind = Kind::Undo;
            a.quick = random.chance(30);
        } else if (roll < 94) {
            a.kind = Kind::Redo;
            a.quick = random.chance(30);
        } else if (roll < 96) {
            a.kind = Kind::HeaderRow;
        } else if (roll < 98) {
            a.kind = Kind::Delimiter;
            a.entry = 1 + static_cast<int>(random.below(4));
            if (random.chance(60)) a.entry = 1;  // mostly back to the comma the documents use
        } else if (roll < 99) {
            const uint64_t which = random.below(10);
            a.kind = which < 4 ? Kind::SwitchDocument : which < 7 ? Kind::SwitchView : Kind::TogglePanel;
        } else {
            a.kind = Kind::Reload;
        }
        if (a.kind == Kind::Type || a.kind == Kind::F2Edit || a.kind == Kind::Delete || a.kind == Kind::AddRow ||
            a.kind == Kind::DeleteRows || a.kind == Kind::AddColumn || a.kind == Kind::DeleteColumn ||
            a.kind == Kind::Paste) {
            a.fault = randomFault(random);
        }
        actions.push_back(std::move(a));
    }
    return actions;
}

// ---- one session in a fresh host ------------------------------------------------------------

struct Figures {
    uint64_t steps = 0;
    uint64_t documents = 0;
    uint64_t faults = 0;
    uint64_t outsideEdits = 0;
    uint64_t undos = 0;
};

struct Outcome {
    bool failed = false;
    size_t step = 0;  // the failing action; the number of actions for the final check
    std::string message;
};

devhost::ReplaceFault editorFault(Fault fault) {
    return fault == Fault::Refuse ? devhost::ReplaceFault::Refuse
           : fault == Fault::DropLastByte ? devhost::ReplaceFault::DropLastByte
                                          : devhost::ReplaceFault::None;
}

class SessionRun {
public:
    Outcome run(const Opening& opening, const std::vector<Action>& actions, Figures* figures);

private:
    HWND panel() { return host.dockedPanel(); }
    devhost::EditorView& view() { return host.view(host.currentView); }
    HWND list() { return child(panel(), IDC_GRID_LIST); }
    HWND editor() { return GetDlgItem(list(), IDC_CELL_EDITOR); }
    std::wstring status();
    bool current(int64_t& row, int64_t& column);
    std::pair<int64_t, int64_t> rangeEnd_{0, 0};  // Range: the current cell after selecting
    std::wstring cellText(int row, int subItem);
    void press(int buttonId);
    void key(UINT virtualKey, unsigned modifiers = devhost::KEY_NONE);
    // The bytes a text becomes in the document; lossy when the code page lacks a character.
    std::string encode(const std::wstring& text, int codePage, bool& lossy);
    std::wstring shown(const std::string& bytes, int codePage);

    // Does the action to the host and to the reference; the reference keeps the alternative of
    // a refresh that came first when the action followed an edit without a pause.
    std::string perform(const Action& action, Reference& reference);
    void act(const Action& action, Reference& reference, int64_t row, int64_t column,
             const std::vector<int64_t>& selected, const std::string* value, bool lossy);
    std::string check(const Reference& reference);
    // Lets a pending debounced refresh run.
    void settle(Reference& reference);

    devhost::TemporaryDirectory config;
    devhost::WindowHooks hooks;
    devhost::DevHost host;
    ULONGLONG staleSince_ = 0;
    bool hidden_ = false;
    bool pastedLossy_ = false;
    // The text a paste reads: the grid's own quoted form when there, else the plain text.
    std::wstring clipboard();
    std::vector<std::vector<std::string>> pasted_;  // the clipboard's lines at the last Ctrl+V
};

std::wstring SessionRun::clipboard() {
    static const UINT quotedCells = RegisterClipboardFormatW(L"Tabulon quoted cells");
    std::wstring text;
    if (!OpenClipboard(host.window())) return text;
    HANDLE data = GetClipboardData(quotedCells);
    if (data == nullptr) data = GetClipboardData(CF_UNICODETEXT);
    if (data != nullptr) {
        if (const auto* characters = static_cast<const wchar_t*>(GlobalLock(data))) {
            const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
            text.assign(characters, std::find(characters, characters + capacity, L'\0'));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::wstring SessionRun::status() {
    wchar_t text[400] = {};
    GetWindowTextW(child(panel(), IDC_STATUS), text, 400);
    return text;
}

// The current cell from the status line: "cell R<r> C<c>", "row R<r>" in the row numbers,
// "col C<c>" without rows, and none without columns (row 0, column 0 then).
bool SessionRun::current(int64_t& row, int64_t& column) {
    const std::wstring text = status();
    long long r = 1, c = 0;
    if (const size_t at = text.rfind(L"cell R"); at != std::wstring::npos) {
        if (swscanf(text.c_str() + at, L"cell R%lld C%lld", &r, &c) != 2) return false;
    } else if (const size_t rowAt = text.rfind(L"row R"); rowAt != std::wstring::npos) {
        if (swscanf(text.c_str() + rowAt, L"row R%lld", &r) != 1) return false;
    } else if (const size_t columnAt = text.rfind(L"col C"); columnAt != std::wstring::npos) {
        if (swscanf(text.c_str() + columnAt, L"col C%lld", &c) != 1) return false;
    } else if (text.find(L"   |   delimiter ") == std::wstring::npos) {
        return false;
    }
    row = r - 1;
    column = c;
    return true;
}

std::wstring SessionRun::cellText(int row, int subItem) {
    return listItemText(list(), row, subItem);
}

void SessionRun::press(int buttonId) {
    SendMessageW(child(panel(), buttonId), BM_CLICK, 0, 0);
    host.pumpUntilIdle();
}

void SessionRun::key(UINT virtualKey, unsigned modifiers) {
    devhost::pressKey(host, virtualKey, modifiers);
}

std::string SessionRun::encode(const std::wstring& text, int codePage, bool& lossy) {
    lossy = false;
    if (text.empty()) return {};
    BOOL usedDefault = FALSE;
    BOOL* flag = codePage == 65001 ? nullptr : &usedDefault;
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, flag);
    std::string bytes(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, flag);
    lossy = usedDefault != FALSE;
    return bytes;
}

// The one-line text the grid shows for a cell's bytes.
std::wstring SessionRun::shown(const std::string& bytes, int codePage) {
    std::wstring text;
    if (!bytes.empty()) {
        const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        text.resize(n > 0 ? n : 0);
        if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    }
    std::wstring line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            line.push_back(shownLineBreakMark(list()));
        } else {
            line.push_back(text[i] == L'\t' ? L' ' : text[i]);
        }
    }
    return line;
}

Outcome SessionRun::run(const Opening& opening, const std::vector<Action>& actions, Figures* figures) {
    Outcome outcome;
    auto fail = [&](size_t step, std::string message) {
        outcome.failed = true;
        outcome.step = step;
        outcome.message = std::move(message);
        return outcome;
    };
    if (config.path().empty() || !hooks.installed() || !host.create()) return fail(0, "no host");
    host.configDirectory = config.path();
    const std::string settings = std::string("[Tabulon]\r\nHeaderRow=") + (opening.headerRow ? "1" : "0") +
                                 "\r\nAutoDelim=0\r\nDelimiter=44\r\n";
    if (!devhost::writeFileBytes(config.file(L"Tabulon.ini"), settings)) return fail(0, "no settings file");
    // Which document each view shows, and the one switched out.
    size_t inView[2] = {0, 2};
    size_t parkedIndex = 1;
    for (const size_t k : {size_t{0}, size_t{2}}) {
        devhost::EditorDocument& shownDocument = host.view(k == 0 ? 0 : 1).document();
        shownDocument.load(opening.documents[k].text);
        shownDocument.eolMode = opening.documents[k].eolMode;
        shownDocument.codePage = opening.documents[k].codePage;
    }
    std::shared_ptr<devhost::EditorDocument> parked = std::make_shared<devhost::EditorDocument>(opening.documents[1].text);
    parked->eolMode = opening.documents[1].eolMode;
    parked->codePage = opening.documents[1].codePage;
    if (!host.loadPlugin(pluginPath()) || !host.invokeCommand(PANEL_COMMAND) || !panel() || !list())
        return fail(0, "the panel did not open");
    hidden_ = false;
    if (figures) figures->documents += 3;

    std::vector<Reference> references;
    for (const Document& d : opening.documents) references.emplace_back(d.text, d.eolMode, d.codePage, opening.headerRow, ',');
    size_t active = 0;
    if (std::string failure = check(references[active]); !failure.empty()) return fail(0, "when opened: " + failure);

    for (size_t i = 0; i < actions.size(); ++i) {
        const Action& a = actions[i];
        Reference& reference = references[active];
        std::string failure;
        if (a.kind == Kind::SwitchDocument || a.kind == Kind::SwitchView || a.kind == Kind::TogglePanel) {
            settle(reference);
            const int viewIndex = host.currentView;
            if (a.kind == Kind::SwitchDocument) {
                parked = host.activateDocument(viewIndex, parked);
                std::swap(inView[viewIndex], parkedIndex);
            } else if (a.kind == Kind::SwitchView) {
                const int other = 1 - viewIndex;
                host.activateDocument(other, host.view(other).sharedDocument());
            }
            if (a.kind != Kind::TogglePanel) {
                active = inView[host.currentView];
                references[active].headerRow = reference.headerRow;
                references[active].delimiter = reference.delimiter;
            } else {
                host.invokeCommand(PANEL_COMMAND);
                hidden_ = !hidden_;
            }
            references[active].scan();  // a shown panel refreshes; a hidden one will when shown
            failure = check(references[active]);
        } else {
            failure = perform(a, reference);
        }
        if (std::getenv("TABULON_SESSION_TRACE") != nullptr) {
            std::printf("step %zu %s: document \"%s\", reference \"%s\", status %ls\n", i, describe(a).c_str(),
                        escaped(view().document().text()).c_str(), escaped(reference.doc).c_str(), status().c_str());
        }
        if (!failure.empty()) return fail(i, failure);
        if (figures) {
            ++figures->steps;
            if (a.fault != Fault::None) ++figures->faults;
            if (a.kind == Kind::Outside) ++figures->outsideEdits;
            if (a.kind == Kind::Undo) ++figures->undos;
        }
    }

    // Every step undone gives back each document as it was opened; then the host shuts down.
    settle(references[active]);
    std::shared_ptr<devhost::EditorDocument> documents[3];
    documents[inView[0]] = host.view(0).sharedDocument();
    documents[inView[1]] = host.view(1).sharedDocument();
    documents[parkedIndex] = parked;
    for (size_t k = 0; k < 3; ++k) {
        devhost::EditorDocument& document = *documents[k];
        document.readOnly = false;
        const size_t steps = document.undoStepCount();
        if (steps != references[k].undoStack.size())
            return fail(actions.size(), "document " + std::to_string(k) + ": undo history has " + std::to_string(steps) +
                                            " steps, expected " + std::to_string(references[k].undoStack.size()));
        if (k == inView[0] || k == inView[1]) {
            devhost::EditorView& shownIn = host.view(k == inView[0] ? 0 : 1);
            while (document.canUndo()) shownIn.undo();
            host.pumpUntilIdle();
        } else {
            while (document.canUndo()) document.undo({});
        }
        if (document.text() != opening.documents[k].text)
            return fail(actions.size(), "document " + std::to_string(k) + " after undoing every step: \"" +
                                            escaped(document.text()) + "\", expected \"" + escaped(opening.documents[k].text) + "\"");
        if (figures) figures->undos += steps;
    }
    if (!host.shutdownPlugin()) return fail(actions.size(), "the plug-in did not unload");
    host.destroy();
    return outcome;
}

void SessionRun::settle(Reference& reference) {
    if (hidden_ || !reference.stale) return;
    host.fireTimer(panel(), REFRESH_TIMER);
    host.pumpUntilIdle();
    reference.scan();
}

void SessionRun::act(const Action& a, Reference& reference, int64_t row, int64_t column,
                     const std::vector<int64_t>& selected, const std::string* value, bool lossy) {
    reference.fault = a.fault;
    switch (a.kind) {
    case Kind::Type:
    case Kind::F2Edit:
        if (value == nullptr) break;  // no editor opened
        if (lossy) {
            ++reference.boxes;
        } else if (column > 0) {
            reference.cellEdit(row, static_cast<uint64_t>(column - 1), *value);
        }
        break;
    case Kind::Delete:
        if (column > 0) reference.cellEdit(row, static_cast<uint64_t>(column - 1), std::string());
        break;
    case Kind::AddRow: reference.addRow(row); break;
    case Kind::DeleteRows: reference.deleteRows(selected, row, a.ok); break;
    case Kind::AddColumn: reference.addColumn(column); break;
    case Kind::DeleteColumn: reference.deleteColumn(column, a.ok); break;
    case Kind::Outside: {
        const uint64_t position = static_cast<uint64_t>(a.where * static_cast<double>(reference.doc.size()));
        reference.userReplace(position, static_cast<uint64_t>(a.length), a.bytes);
        break;
    }
    case Kind::ReadOnly: reference.readOnly = !reference.readOnly; break;
    case Kind::Undo: reference.undo(); break;
    case Kind::Redo: reference.redo(); break;
    case Kind::HeaderRow:
        reference.headerRow = !reference.headerRow;
        reference.scan();
        break;
    case Kind::Delimiter: {
        static const char delimiters[] = {',', ',', ';', '\t', '|'};
        reference.delimiter = delimiters[a.entry];
        reference.scan();
        break;
    }
    case Kind::Reload: reference.scan(); break;
    case Kind::Paste:
        // A character the code page cannot hold stops the whole paste, with a warning; an
        // empty document has its ready row to paste into.
        if (pastedLossy_ && column > 0 && !reference.stale) {
            ++reference.boxes;
        } else if (!(pastedLossy_ && reference.stale)) {
            reference.paste(row, column, pastedLossy_ ? std::vector<std::vector<std::string>>() : pasted_);
        } else {
            reference.paste(row, column, {});  // the stale check comes first
        }
        break;
    case Kind::Range: {
        // The range from the cell the action started at to the current cell now.
        if (column <= 0 || rangeEnd_.second <= 0) break;
        const int64_t top = std::min(row, rangeEnd_.first), bottom = std::max(row, rangeEnd_.first);
        const int64_t left = std::min(column, rangeEnd_.second), right = std::max(column, rangeEnd_.second);
        const bool oneCell = top == bottom && left == right;
        switch (a.op) {
        case RangeOp::Delete:
        case RangeOp::MenuClear:
        case RangeOp::Cut:
            if (oneCell) reference.cellEdit(top, static_cast<uint64_t>(left - 1), std::string());
            else reference.clearRange(top, bottom, static_cast<uint64_t>(left - 1), static_cast<uint64_t>(right - 1));
            break;
        case RangeOp::Fill: {
            const std::string value(a.text.begin(), a.text.end());
            reference.paste(top, left, std::vector<std::vector<std::string>>(
                                           static_cast<size_t>(bottom - top + 1),
                                           std::vector<std::string>(static_cast<size_t>(right - left + 1), value)));
            break;
        }
        case RangeOp::MenuRowAbove: reference.addRow(top, true); break;
        case RangeOp::MenuColumnRight:
            // The menu offers column operations only where the grid has rows.
            if (reference.gridRowCount() > 0) reference.addColumn(right + 1);
            break;
        }
        break;
    }
    case Kind::Move:
    case Kind::TypeCancel:
    case Kind::Copy:
    case Kind::SwitchDocument:
    case Kind::SwitchView:
    case Kind::TogglePanel: break;
    }
    reference.fault = Fault::None;
}

std::string SessionRun::perform(const Action& a, Reference& reference) {
    devhost::EditorDocument& document = view().document();
    const size_t boxesBefore = hooks.boxes.size();
    reference.boxes = 0;
    if (hidden_ && needsGrid(a.kind)) return check(reference);

    int64_t row = 0, column = 0;
    std::vector<int64_t> selected;
    if (a.kind == Kind::DeleteRows) {
        // The rows from the current one to where Shift+Down took the current cell.
        int64_t first = 0, firstColumn = 0;
        if (!current(first, firstColumn)) return "no current cell in the status line \"" + narrow(status()) + "\"";
        SetFocus(list());
        for (int i = 0; i < a.count; ++i) key(VK_DOWN, devhost::KEY_SHIFT);
        int64_t last = first, lastColumn = 0;
        current(last, lastColumn);
        for (int64_t r = first; r <= last; ++r) selected.push_back(r);
    }
    if (!hidden_) {
        if (!current(row, column)) return "no current cell in the status line \"" + narrow(status()) + "\"";
    }

    // What the panel has to work on: the reference as it stands, and, after an edit without a
    // pause, the same after the refresh in case the timer came first on a slow machine.
    const bool wasStale = reference.stale;
    Reference refreshed = reference;
    refreshed.scan();

    view().replaceFault = editorFault(a.fault);
    std::string value;
    bool haveValue = false;
    bool lossy = false;
    switch (a.kind) {
    case Kind::Move:
        SetFocus(list());
        for (int i = 0; i < a.count; ++i) key(a.key, a.modifiers);
        break;
    case Kind::Type:
    case Kind::TypeCancel:
    case Kind::F2Edit: {
        SetFocus(list());
        if (a.kind == Kind::F2Edit) key(VK_F2);
        for (const wchar_t c : a.text) {
            if (c == L'\n') {
                if (editor()) key(VK_RETURN, devhost::KEY_CTRL);
            } else {
                devhost::typeText(host, std::wstring(1, c));
            }
        }
        if (HWND open = editor()) {
            const int length = GetWindowTextLengthW(open);
            std::wstring text(length, L'\0');
            GetWindowTextW(open, text.data(), length + 1);
            value = encode(text, reference.codePage, lossy);
            haveValue = true;
            key(a.kind == Kind::TypeCancel ? VK_ESCAPE : VK_RETURN);
            // An edit refused for a changed row opens again with the text typed; the session
            // lets it go, so the reference is as for any refused edit.
            if (HWND again = editor(); again != nullptr && a.kind != Kind::TypeCancel) {
                std::wstring offered(static_cast<size_t>(GetWindowTextLengthW(again)), L'\0');
                GetWindowTextW(again, offered.data(), static_cast<int>(offered.size()) + 1);
                if (offered != text) return "a refused edit opened again with \"" + narrow(offered) + "\"";
                key(VK_ESCAPE);
            }
        }
        break;
    }
    case Kind::Delete:
        SetFocus(list());
        key(VK_DELETE);
        break;
    case Kind::AddRow: press(IDC_ADD_ROW); break;
    case Kind::DeleteRows:
        hooks.scriptedAnswers.assign(1, a.ok ? IDOK : IDCANCEL);
        press(IDC_DELETE_ROW);
        break;
    case Kind::AddColumn: press(IDC_ADD_COLUMN); break;
    case Kind::DeleteColumn:
        hooks.scriptedAnswers.assign(1, a.ok ? IDOK : IDCANCEL);
        press(IDC_DELETE_COLUMN);
        break;
    case Kind::Outside: {
        const size_t position = static_cast<size_t>(a.where * static_cast<double>(document.length()));
        const size_t length = std::min(static_cast<size_t>(a.length), document.length() - position);
        if (a.silent) {
            host.silentEdit(host.currentView, position, length, a.bytes);
        } else {
            view().userReplace(position, static_cast<size_t>(a.length), a.bytes);
        }
        host.pumpUntilIdle();
        break;
    }
    case Kind::ReadOnly: document.readOnly = !document.readOnly; break;
    case Kind::Undo:
        view().undo();
        host.pumpUntilIdle();
        break;
    case Kind::Redo:
        view().redo();
        host.pumpUntilIdle();
        break;
    case Kind::HeaderRow: press(IDC_HEADER_ROW); break;
    case Kind::Delimiter: {
        HWND combo = child(panel(), IDC_DELIMITER);
        SendMessageW(combo, CB_SETCURSEL, a.entry, 0);
        SendMessageW(panel(), WM_COMMAND, MAKEWPARAM(IDC_DELIMITER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        host.pumpUntilIdle();
        break;
    }
    case Kind::Reload: press(IDC_RELOAD); break;
    case Kind::Copy:
        SetFocus(list());
        key('C', a.clipboard ? devhost::KEY_CTRL | devhost::KEY_SHIFT : devhost::KEY_CTRL);
        break;
    case Kind::Paste: {
        if (a.clipboard) devhost::setClipboardText(host.window(), a.text);
        // The lines as the plug-in must read them, in the document's encoding; the quoted form
        // a copy in the grid left beside the plain text comes first.
        pasted_.clear();
        pastedLossy_ = false;
        const std::wstring text = clipboard();
        for (const std::vector<std::wstring>& line : parsePasteBlock(text).lines) {
            pasted_.emplace_back();
            for (const std::wstring& field : line) {
                bool lossy = false;
                pasted_.back().push_back(encode(field, reference.codePage, lossy));
                pastedLossy_ = pastedLossy_ || lossy;
            }
        }
        SetFocus(list());
        key('V', devhost::KEY_CTRL);
        break;
    }
    case Kind::Range: {
        rangeEnd_ = {0, 0};
        if (column <= 0) break;
        SetFocus(list());
        for (int i = 0; i < a.count; ++i) key(VK_DOWN, devhost::KEY_SHIFT);
        for (int i = 0; i < a.columns; ++i) key(VK_RIGHT, devhost::KEY_SHIFT);
        int64_t endRow = 0, endColumn = 0;
        if (!current(endRow, endColumn)) return "no current cell after selecting a range";
        rangeEnd_ = {endRow, endColumn};
        hooks.scriptedAnswers.assign(1, IDOK);
        const auto viaMenu = [&](wchar_t mnemonic) {
            MenuWatch watch(panel(), mnemonic);
            key(VK_APPS);
        };
        switch (a.op) {
        case RangeOp::Delete: key(VK_DELETE); break;
        case RangeOp::MenuClear: viaMenu(L'e'); break;
        case RangeOp::Cut: key('X', devhost::KEY_CTRL); break;
        case RangeOp::Fill:
            devhost::setClipboardText(host.window(), a.text);
            key('V', devhost::KEY_CTRL);
            break;
        case RangeOp::MenuRowAbove: viaMenu(L'a'); break;
        case RangeOp::MenuColumnRight: viaMenu(L'r'); break;
        }
        break;
    }
    case Kind::SwitchDocument:
    case Kind::SwitchView:
    case Kind::TogglePanel: break;
    }
    // A range left selected would make the next Delete or paste act on all of it. The status
    // line names no range on the ready row of a grid without rows, so there it is put back always.
    if ((a.kind == Kind::Range || a.kind == Kind::DeleteRows || a.kind == Kind::Paste) && !hidden_ &&
        (status().find(L" selected") != std::wstring::npos || status().rfind(L"0 rows", 0) == 0)) {
        SetFocus(list());
        key(VK_UP);
    }
    view().replaceFault = devhost::ReplaceFault::None;
    hooks.scriptedAnswers.clear();
    if (a.kind == Kind::TypeCancel) haveValue = false;

    const bool cellAction = a.kind == Kind::Type || a.kind == Kind::F2Edit;
    act(a, reference, row, column, selected, cellAction && haveValue ? &value : nullptr, lossy);
    if (wasStale && document.text() != reference.doc) {
        act(a, refreshed, row, column, selected, cellAction && haveValue ? &value : nullptr, lossy);
        if (document.text() == refreshed.doc && GetTickCount64() - staleSince_ >= 300) reference = refreshed;
    }
    const int boxesShown = static_cast<int>(hooks.boxes.size() - boxesBefore);

    // A hidden panel is not told of edits; it refreshes when shown. Without a pause the next
    // step comes while the refresh is pending; otherwise the debounce runs its course now.
    if (hidden_) reference.stale = false;
    const bool pauseless = a.quick && (a.kind == Kind::Outside || a.kind == Kind::Undo || a.kind == Kind::Redo);
    if (reference.stale && !wasStale) staleSince_ = GetTickCount64();
    if (!pauseless) settle(reference);
    if (std::string failure = check(reference); !failure.empty()) return failure;
    // Boxes: a refused or failed write in a row or column operation may warn on its own.
    const bool writesMayWarn = a.fault != Fault::None || reference.readOnly;
    if (boxesShown != reference.boxes && !(writesMayWarn && boxesShown > reference.boxes))
        return "the plug-in showed " + std::to_string(boxesShown) + " boxes, expected " + std::to_string(reference.boxes) +
               (hooks.boxes.empty() ? std::string() : ": last \"" + narrow(hooks.boxes.back().text) + "\"");
    return {};
}

std::string SessionRun::check(const Reference& reference) {
    devhost::EditorDocument& document = view().document();
    if (document.text() != reference.doc)
        return "document \"" + escaped(document.text()) + "\", expected \"" + escaped(reference.doc) + "\"";
    if (document.undoStepCount() != reference.undoStack.size())
        return "undo history has " + std::to_string(document.undoStepCount()) + " steps, expected " +
               std::to_string(reference.undoStack.size());
    if (reference.stale || hidden_) return {};

    int64_t row = 0, column = 0;
    if (!current(row, column)) return "no current cell in the status line \"" + narrow(status()) + "\"";
    GridStatus expected;
    expected.rowCount = reference.gridRowCount();
    expected.columnCount = reference.shownColumns();
    expected.capped = reference.capped();
    expected.delimiter = reference.delimiter;
    expected.currentRow = row;
    expected.currentColumn = column;
    // The problems the grid keeps up to date edit by edit are those a fresh look finds.
    CsvTable fresh;
    scanDocument(reference.doc, reference.delimiter, '"', fresh);
    ProblemFinder problems;
    problems.step(fresh, reference.headerRow, reference.codePage == 65001, UINT64_MAX);
    if (problems.count() > 0) expected.problems = problemCountText(problems.count());
    // After a whole reading the problems are found between messages: give them a few ticks.
    for (int tick = 0; tick < 30 && status() != gridStatusText(expected); ++tick) host.pumpFor(10);
    if (status() != gridStatusText(expected))
        return "status \"" + narrow(status()) + "\", expected \"" + narrow(gridStatusText(expected)) + "\"";
    const int64_t rows = static_cast<int64_t>(reference.gridRowCount());
    if (row < 0 || row >= std::max<int64_t>(rows, 1) || column < 0 || column > static_cast<int64_t>(reference.shownColumns()))
        return "current cell outside the grid: \"" + narrow(status()) + "\"";
    // Without data rows the list shows the ready row.
    if (SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0) != std::max<int64_t>(rows, 1))
        return "list item count differs from the rows";
    if (rows > 0 && column > 0) {
        const std::string* cell = reference.cellAt(row, static_cast<uint64_t>(column - 1));
        const std::wstring want = shown(cell ? *cell : std::string(), reference.codePage).substr(0, 511);
        if (cellText(static_cast<int>(row), static_cast<int>(column)) != want)
            return "current cell shows \"" + narrow(cellText(static_cast<int>(row), static_cast<int>(column))) +
                   "\", expected \"" + narrow(want) + "\"";
    }
    return {};
}

// ---- the test -------------------------------------------------------------------------------

uint64_t environmentNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// Drops steps one at a time, from the last, keeping each drop after which the run still fails.
std::vector<Action> shrink(const Opening& opening, std::vector<Action> actions, size_t failingStep) {
    actions.resize(std::min(actions.size(), failingStep + 1));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    for (size_t i = actions.size(); i-- > 0 && std::chrono::steady_clock::now() < deadline;) {
        std::vector<Action> trial = actions;
        trial.erase(trial.begin() + static_cast<std::ptrdiff_t>(i));
        SessionRun run;
        const Outcome outcome = run.run(opening, trial, nullptr);
        if (outcome.failed) {
            trial.resize(std::min(trial.size(), outcome.step + 1));
            actions = std::move(trial);
            i = std::min(i, actions.size());
        }
    }
    return actions;
}

TEST(RandomSessions, EveryStepAgreesWithTheReferenceAndUndoRestoresTheDocument) {
    const uint64_t firstSeed = environmentNumber("TABULON_SESSION_SEED", 20261208);
    const uint64_t soakSeconds = environmentNumber("TABULON_SOAK_SECONDS", 0);
    const uint64_t sessions = environmentNumber("TABULON_SESSIONS", 50);
    const auto started = std::chrono::steady_clock::now();
    auto more = [&](uint64_t done) {
        if (soakSeconds == 0) return done < sessions;
        return std::chrono::steady_clock::now() - started < std::chrono::seconds(soakSeconds);
    };

    Figures figures;
    uint64_t seed = firstSeed;
    for (uint64_t done = 0; more(done); ++done, ++seed) {
        Random random(seed);
        const Opening opening = randomOpening(random);
        const std::vector<Action> actions = randomActions(random, opening, STEPS_PER_DOCUMENT);
        Outcome outcome;
        {
            SessionRun run;
            outcome = run.run(opening, actions, &figures);
        }
        if (!outcome.failed) continue;

        const std::vector<Action> shortest = shrink(opening, actions, outcome.step);
        SessionRun again;
        const Outcome last = again.run(opening, shortest, nullptr);
        std::string steps;
        for (size_t i = 0; i < shortest.size(); ++i) steps += "  " + std::to_string(i) + ": " + describe(shortest[i]) + "\n";
        ADD_FAILURE() << "seed " << seed << " failed at step " << outcome.step << ": " << outcome.message
                      << "\n" << describe(opening)
                      << "\nshortest failing sequence (" << shortest.size() << " steps):\n"
                      << steps << "which fails with: " << (last.failed ? last.message : std::string("(passed when run again)"));
        break;
    }
    std::printf("sessions: %llu steps, %llu documents, %llu faults injected, %llu outside edits, %llu undos, seeds %llu..%llu\n",
                static_cast<unsigned long long>(figures.steps), static_cast<unsigned long long>(figures.documents),
                static_cast<unsigned long long>(figures.faults), static_cast<unsigned long long>(figures.outsideEdits),
                static_cast<unsigned long long>(figures.undos), static_cast<unsigned long long>(firstSeed),
                static_cast<unsigned long long>(seed == firstSeed ? seed : seed - 1));
}

}  // namespace

namespace {

// Found by the sessions: an editor that refuses a replace of text as long as the row it
// replaces leaves the length as expected, and the edit was taken as written, so the grid
// showed a value the document did not hold.
TEST(RandomSessions, RefusedReplaceOfEqualLengthLeavesTheGridShowingTheDocument) {
    Opening opening;
    opening.documents[0].text = "h1,h2\r\nx,b\r\n";
    opening.documents[1].text = "";
    Action typeOver;
    typeOver.kind = Kind::Type;
    typeOver.text = L"Q";
    typeOver.fault = Fault::Refuse;
    Action again = typeOver;
    again.fault = Fault::None;
    SessionRun run;
    const Outcome outcome = run.run(opening, {typeOver, again}, nullptr);
    EXPECT_FALSE(outcome.failed) << "step " << outcome.step << ": " << outcome.message;
}

}  // namespace
