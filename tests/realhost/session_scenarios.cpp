// A long random session in the real host: a seeded sequence of the host's own edits (typing,
// Replace All, undo, redo, reload from disk, line operations) and the grid's (cell edits and
// pastes, block pastes, clearing a range, row and column operations, sorts, Replace all), some
// of them started before the grid has read the edit just made. After every step the document
// must be what the reference says the user's actions make of it, the host's undo and redo must
// agree with it, and the grid must show it. A failing session reports its seed and the
// shortest sequence found, in the same host, that still fails.
//
// TABULON_SESSION_SEED picks the seed, TABULON_SESSION_STEPS the number of steps;
// TABULON_SESSION_TRACE, when set, reports the document after every step.
#include "scenario_steps.h"

#include "../windows/session_test_reference.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <random>

namespace driver {

namespace {

using session::Reference;

constexpr uint64_t DEFAULT_SEED = 20261210;
constexpr size_t DEFAULT_STEPS = 300;
constexpr double SHRINK_BUDGET_MS = 150000;
// Longer than the grid's delay before it reads an outside edit (400 ms).
constexpr double HOST_SETTLE_MS = 600;

constexpr UINT SCI_CANREDO = 2016;
constexpr UINT SCI_GETEOLMODE = 2030;
constexpr UINT SCI_SETEOLMODE = 2031;
constexpr UINT SCI_BEGINUNDOACTION = 2078;
constexpr UINT SCI_ENDUNDOACTION = 2079;
constexpr UINT SCI_EMPTYUNDOBUFFER = 2175;
constexpr UINT SCI_SETTEXT = 2181;
constexpr UINT SCI_REPLACETARGET = 2194;
constexpr UINT SCI_SETEMPTYSELECTION = 2556;
constexpr UINT SCI_SETTARGETRANGE = 2686;

constexpr UINT IDM_FILE_RELOAD = 41014;
constexpr UINT IDM_EDIT_UNDO = 42003;
constexpr UINT IDM_EDIT_REDO = 42004;
constexpr UINT IDM_EDIT_SORTLINES_LEXICOGRAPHIC_ASCENDING = 42059;
constexpr UINT IDM_EDIT_SORTLINES_REVERSE_ORDER = 42083;
constexpr UINT IDM_SEARCH_REPLACE = 43003;
constexpr int IDFINDWHAT = 1601;
constexpr int IDREPLACEWITH = 1602;
constexpr int IDREPLACEALL = 1609;
constexpr int IDC_IN_SELECTION_CHECK = 1632;

constexpr int IDC_DELETE_ROW = 2606;
constexpr int IDC_ADD_COLUMN = 2607;
constexpr int IDC_DELETE_COLUMN = 2608;
constexpr int IDC_FIND_TEXT = 2631;
constexpr int IDC_REPLACE_TEXT = 2638;
constexpr int IDC_REPLACE_ALL = 2640;

// ---- the actions ------------------------------------------------------------------------------

enum class Kind {
    HostType, HostReplaceAll, HostUndo, HostRedo, HostReload, HostReverseLines, HostSortLines,
    CellType, CellPaste, BlockPaste, Clear, AddRow, DeleteRow, AddColumn, DeleteColumn, Sort, GridReplaceAll,
};

bool isHostAction(Kind kind) { return kind <= Kind::HostSortLines; }

struct Action {
    Kind kind = Kind::HostType;
    double at = 0;      // where: a fraction of the document, or of the grid's rows
    double column = 0;  // a fraction of the grid's columns
    int length = 0;     // bytes typed over; rows below in a range
    int wide = 0;       // columns right in a range
    std::string text;   // typed, pasted, or the replacement
    std::vector<std::vector<std::string>> block;  // a pasted block's lines
    bool quick = false;  // starts before the grid has read the host's edit before it
};

std::string describe(const Action& a) {
    static const char* const names[] = {"host types", "host Replace All", "host undo", "host redo", "host reload",
                                        "host reverses lines", "host sorts lines", "grid types", "grid pastes a value",
                                        "grid pastes a block", "grid clears", "grid + Row", "grid - Row", "grid + Col",
                                        "grid - Col", "grid sorts", "grid Replace all"};
    char where[64];
    std::snprintf(where, sizeof where, " at %.3f/%.3f", a.at, a.column);
    std::string text = names[static_cast<int>(a.kind)] + std::string(where);
    if (a.length != 0 || a.wide != 0) text += " span " + std::to_string(a.length) + "x" + std::to_string(a.wide);
    if (!a.text.empty() || a.kind == Kind::HostType) text += " \"" + escaped(a.text) + "\"";
    for (const auto& line : a.block) {
        text += " [";
        for (const std::string& cell : line) text += cell + "|";
        text += "]";
    }
    if (a.quick) text += " quick";
    return text;
}

class Random {
public:
    explicit Random(uint64_t seed) : engine_(seed) {}
    uint64_t below(uint64_t n) { return n == 0 ? 0 : engine_() % n; }
    bool chance(int percent) { return below(100) < static_cast<uint64_t>(percent); }
    double fraction() { return static_cast<double>(below(1000)) / 1000.0; }
    template <typename T>
    const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }

private:
    std::mt19937_64 engine_;
};

// A value as typed into a cell: lower-case letters and digits, now and then a comma, a quote or
// a space after the first character (a first space or quote would be a key of its own).
std::string randomValue(Random& random, bool typed) {
    static const std::string letters = "abxyz019";
    std::string value(1, letters[random.below(letters.size())]);
    const uint64_t more = random.below(4);
    for (uint64_t i = 0; i < more; ++i) {
        if (random.chance(15)) value += typed ? random.pick(std::vector<std::string>{",", "\"", " "}) : std::string(",");
        else value += letters[random.below(letters.size())];
    }
    return value;
}

std::vector<Action> randomActions(uint64_t seed, size_t count) {
    Random random(seed);
    static const std::vector<std::string> pieces = {",", "\"", "\r\n", "\n", "\r", "x", "yz", "q,", ""};
    static const std::vector<std::string> replacements = {"", "k", "zz", "w9", "q,"};
    std::vector<Action> actions;
    for (size_t i = 0; i < count; ++i) {
        Action a;
        a.at = random.fraction();
        a.column = random.fraction();
        const uint64_t roll = random.below(100);
        if (roll < 18) {
            a.kind = Kind::HostType;
            a.length = static_cast<int>(random.below(4));
            a.text = random.pick(pieces) + random.pick(pieces);
        } else if (roll < 24) {
            a.kind = Kind::HostReplaceAll;
            a.length = 1 + static_cast<int>(random.below(2));
            a.text = random.pick(replacements);
        } else if (roll < 32) {
            a.kind = Kind::HostUndo;
        } else if (roll < 36) {
            a.kind = Kind::HostRedo;
        } else if (roll < 38) {
            a.kind = Kind::HostReload;
        } else if (roll < 40) {
            a.kind = random.chance(50) ? Kind::HostReverseLines : Kind::HostSortLines;
        } else if (roll < 54) {
            a.kind = Kind::CellType;
            a.text = randomValue(random, true);
        } else if (roll < 60) {
            a.kind = Kind::CellPaste;
            a.text = randomValue(random, false);
        } else if (roll < 66) {
            a.kind = Kind::BlockPaste;
            const uint64_t lines = 1 + random.below(3), cells = lines == 1 ? 2 + random.below(2) : 1 + random.below(3);
            for (uint64_t k = 0; k < lines; ++k) {
                a.block.emplace_back();
                for (uint64_t j = 0; j < cells; ++j) a.block.back().push_back(randomValue(random, false));
            }
        } else if (roll < 72) {
            a.kind = Kind::Clear;
            a.length = static_cast<int>(random.below(3));
            a.wide = static_cast<int>(random.below(3));
        } else if (roll < 77) {
            a.kind = Kind::AddRow;
        } else if (roll < 82) {
            a.kind = Kind::DeleteRow;
        } else if (roll < 85) {
            a.kind = Kind::AddColumn;
        } else if (roll < 88) {
            a.kind = Kind::DeleteColumn;
        } else if (roll < 94) {
            a.kind = Kind::Sort;
        } else {
            a.kind = Kind::GridReplaceAll;
            a.length = 1 + static_cast<int>(random.below(2));
            a.text = random.pick(replacements);
        }
        if (!isHostAction(a.kind) && !actions.empty() && actions.back().kind == Kind::HostType) a.quick = random.chance(40);
        actions.push_back(std::move(a));
    }
    return actions;
}

// ---- what the host does, worked out ------------------------------------------------------------

std::string eolOfMode(int mode) { return mode == 1 ? "\r" : mode == 2 ? "\n" : "\r\n"; }

std::vector<std::string> splitOn(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size()) {
        parts.push_back(text.substr(from, at - from));
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::string joinedWith(const std::vector<std::string>& parts, const std::string& separator) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? separator : std::string()) + parts[i];
    return text;
}

// The host's line operations split the whole text at its own line ending only.
std::string linesReversed(const std::string& text, int eolMode) {
    std::vector<std::string> lines = splitOn(text, eolOfMode(eolMode));
    std::reverse(lines.begin(), lines.end());
    return joinedWith(lines, eolOfMode(eolMode));
}

std::string linesSorted(const std::string& text, int eolMode) {
    std::vector<std::string> lines = splitOn(text, eolOfMode(eolMode));
    std::sort(lines.begin(), lines.end());
    return joinedWith(lines, eolOfMode(eolMode));
}

// The host's Replace All of plain text, every occurrence left to right (the documents hold no
// upper-case letters, so its ignoring of case changes nothing).
std::string replacedEverywhere(const std::string& text, const std::string& find, const std::string& with) {
    return joinedWith(splitOn(text, find), with);
}

// A piece of letters and digits of the document near a place, to look for; empty when none.
std::string wordNear(const std::string& text, double at, int length) {
    const auto isWordByte = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
    if (text.empty()) return {};
    const size_t start = static_cast<size_t>(at * static_cast<double>(text.size()));
    for (size_t k = 0; k < text.size(); ++k) {
        const size_t p = (start + k) % text.size();
        if (!isWordByte(text[p])) continue;
        size_t end = p;
        while (end < text.size() && end - p < static_cast<size_t>(length) && isWordByte(text[end])) ++end;
        return text.substr(p, end - p);
    }
    return {};
}

// ---- talking to the host ------------------------------------------------------------------------

bool setClipboardText(const std::wstring& text) {
    if (!OpenClipboard(hostWindows().main)) return false;
    EmptyClipboard();
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool placed = false;
    if (memory != nullptr) {
        if (void* target = GlobalLock(memory)) {
            std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(target));
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!placed) GlobalFree(memory);
    }
    CloseClipboard();
    return placed;
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The current cell from the status line's "cell R<row> C<column>" (row from 1), or false.
bool statusCell(int64_t& row, int64_t& column) {
    const std::wstring text = windowText(panelControl(IDC_STATUS));
    const size_t at = text.rfind(L"cell R");
    long long r = 0, c = 0;
    if (at == std::wstring::npos || swscanf(text.c_str() + at, L"cell R%lld C%lld", &r, &c) != 2) return false;
    row = r - 1;
    column = c;
    return true;
}

HWND openCellEditor() {
    const HWND list = panelControl(IDC_GRID_LIST);
    const HWND editor = list != nullptr ? GetDlgItem(list, IDC_CELL_EDITOR) : nullptr;
    return editor != nullptr && IsWindowVisible(editor) ? editor : nullptr;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

// What the grid shows that the reference does not; empty when they agree. Cells holding a line
// break or a tab are shown with marks and are left out.
std::string gridDisagreement(const Reference& reference) {
    const int64_t rows = static_cast<int64_t>(reference.gridRowCount());
    if (listItemCount() != rows) {
        return "the grid has " + std::to_string(listItemCount()) + " rows, the document " + std::to_string(rows);
    }
    for (int64_t r = 0; r < rows && r < 80; ++r) {
        for (uint64_t j = 0; j < reference.shownColumns() && j < 12; ++j) {
            const std::string* cell = reference.cellAt(r, j);
            if (cell == nullptr || cell->find_first_of("\r\n\t") != std::string::npos) continue;
            const std::wstring shown = listCellText(static_cast<int>(r), static_cast<int>(j + 1));
            if (shown != wide(*cell)) {
                return "row " + std::to_string(r + 1) + " column " + std::to_string(j + 1) + " shows \"" + utf8(shown) +
                       "\", the document holds \"" + escaped(*cell) + "\"";
            }
        }
    }
    return {};
}

// ---- one session ---------------------------------------------------------------------------------

struct Figures {
    uint64_t hostEdits = 0;
    uint64_t gridActions = 0;
    uint64_t quick = 0;
    uint64_t skipped = 0;
    uint64_t boxes = 0;
};

class Session {
public:
    enum class State { Running, Passed, Failed };

    Session(std::string opening, int eolMode, std::vector<Action> actions, Figures* figures)
        : opening_(std::move(opening)), eolMode_(eolMode), actions_(std::move(actions)), figures_(figures),
          ref_(opening_, eolMode, 65001, true, ',') {}

    State tick();
    size_t failedAt() const { return next_; }
    const std::string& failure() const { return failure_; }

private:
    struct Stage {
        std::string name;
        std::function<bool()> run;  // true when done
        double limitMs = 4000;
    };

    void reset();
    void plan(const Action& a);
    void planHost(const Action& a);
    void planGrid(const Action& a, int64_t row, int64_t column);
    void add(std::string name, std::function<bool()> run, double limitMs = 4000) {
        stages_.push_back(Stage{std::move(name), std::move(run), limitMs});
    }
    void addClick(int64_t row, int64_t column);
    void addTyping(std::string text);
    // settleMs: a host edit is read by the grid after its delay; the check holds back that long.
    void addCheck(double settleMs = 0);
    void answerBoxes();
    // The grid action applied to the reference as it stands and, when the grid has not read the
    // last edit yet, to the reference after that reading too: either may be what happens.
    void expectEither(const std::function<void(Reference&)>& apply);
    void fail(std::string message) {
        if (!failure_.empty()) return;
        failure_ = std::move(message) + " (status line \"" + utf8(windowText(panelControl(IDC_STATUS))) + "\"" +
                   (boxesSeen_.empty() ? std::string() : ", boxes: " + boxesSeen_) + ")";
    }

    std::string opening_;
    int eolMode_ = 0;
    std::vector<Action> actions_;
    Figures* figures_;
    Reference ref_;
    std::vector<Reference> expected_;
    std::deque<Stage> stages_;
    size_t next_ = 0;
    bool resetDone_ = false;
    bool acting_ = false;  // the stages are an action's (not the reset's)
    double stageStarted_ = -1;
    std::string problem_;  // why the stage waiting now is not done yet
    std::string boxesSeen_;  // the texts of the boxes answered in the step now
    std::string failure_;
};

void Session::answerBoxes() {
    if (const HWND box = tabulonBox()) {
        if (figures_ != nullptr) ++figures_->boxes;
        wchar_t text[512] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 512);
        boxesSeen_ += (boxesSeen_.empty() ? "" : "; ") + utf8(text);
        PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK, 0);
    }
}

// The document as opened, with no undo history, and the grid showing it.
void Session::reset() {
    const HWND view = currentView();
    if (currentDocument() != opening_) SendMessageW(view, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>(opening_.c_str()));
    SendMessageW(view, SCI_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(view, SCI_SETEOLMODE, static_cast<WPARAM>(eolMode_), 0);
    ref_ = Reference(opening_, eolMode_, 65001, true, ',');
    expected_ = {ref_};
    addCheck(HOST_SETTLE_MS);
}

Session::State Session::tick() {
    answerBoxes();
    if (!resetDone_) {
        resetDone_ = true;
        reset();
    }
    if (failure_.empty() && stages_.empty()) {
        if (next_ == actions_.size()) return State::Passed;
        boxesSeen_.clear();
        plan(actions_[next_]);
        acting_ = !stages_.empty();
        if (!acting_) ++next_;  // nothing to do for it here
        return State::Running;
    }
    if (!failure_.empty()) return State::Failed;
    Stage& stage = stages_.front();
    if (stageStarted_ < 0) {
        stageStarted_ = nowMs();
        problem_.clear();
    }
    if (stage.run()) {
        stages_.pop_front();
        stageStarted_ = -1;
        if (stages_.empty() && acting_) {
            acting_ = false;
            if (std::getenv("TABULON_SESSION_TRACE") != nullptr) {
                reportLine("  step " + std::to_string(next_) + " " + describe(actions_[next_]) + ": \"" +
                           escaped(currentDocument()) + "\"");
            }
            ++next_;
        }
    } else if (nowMs() - stageStarted_ > stage.limitMs) {
        fail(stage.name + (problem_.empty() ? std::string(": not done in time") : ": " + problem_));
    }
    return failure_.empty() ? State::Running : State::Failed;
}

void Session::plan(const Action& a) {
    ref_.eolMode = static_cast<int>(SendMessageW(currentView(), SCI_GETEOLMODE, 0, 0));
    if (isHostAction(a.kind)) {
        planHost(a);
        if (figures_ != nullptr && !stages_.empty()) ++figures_->hostEdits;
        return;
    }
    const uint64_t rows = ref_.gridRowCount(), columns = ref_.shownColumns();
    if (rows == 0 || columns == 0 || (a.kind == Kind::AddColumn && columns >= 8)) {
        if (figures_ != nullptr) ++figures_->skipped;
        return;
    }
    const int64_t row = static_cast<int64_t>(a.at * static_cast<double>(rows));
    const int64_t column = 1 + static_cast<int64_t>(a.column * static_cast<double>(columns));
    planGrid(a, row, column);
    if (figures_ != nullptr) {
        ++figures_->gridActions;
        if (a.quick && ref_.stale) ++figures_->quick;
    }
}

void Session::planHost(const Action& a) {
    const HWND view = currentView();
    const std::string doc = ref_.doc;
    // A host edit's own waiting: until the document is as worked out.
    const auto waitFor = [this](std::string name, std::string after, double limitMs = 4000) {
        add(std::move(name), [this, after] {
            if (currentDocument() == after) return true;
            problem_ = bytesDetail(after, currentDocument());
            return false;
        }, limitMs);
    };
    switch (a.kind) {
    case Kind::HostType: {
        const uint64_t position = std::min<uint64_t>(static_cast<uint64_t>(a.at * static_cast<double>(doc.size())), doc.size());
        const uint64_t length = std::min<uint64_t>(static_cast<uint64_t>(a.length), doc.size() - position);
        const std::string bytes = a.text;
        add("type in the editor", [this, view, position, length, bytes] {
            SendMessageW(view, SCI_BEGINUNDOACTION, 0, 0);
            SendMessageW(view, SCI_SETTARGETRANGE, position, position + length);
            SendMessageW(view, SCI_REPLACETARGET, bytes.size(), reinterpret_cast<LPARAM>(bytes.c_str()));
            SendMessageW(view, SCI_ENDUNDOACTION, 0, 0);
            ref_.userReplace(position, length, bytes);
            expected_ = {ref_};
            return true;
        });
        // The next step may start before the grid has read this edit.
        const bool quickNext = next_ + 1 < actions_.size() && actions_[next_ + 1].quick;
        if (quickNext) {
            add("the editor holds the typing", [this] {
                problem_ = bytesDetail(ref_.doc, currentDocument());
                return currentDocument() == ref_.doc;
            });
        } else {
            addCheck(HOST_SETTLE_MS);
        }
        return;
    }
    case Kind::HostReplaceAll: {
        const std::string find = wordNear(doc, a.at, a.length);
        if (find.empty()) return;
        const std::string after = replacedEverywhere(doc, find, a.text);
        const std::wstring findText = wide(find), withText = wide(a.text);
        add("open the host's Replace", [] {
            postMenuCommand(IDM_SEARCH_REPLACE);
            return true;
        });
        add("the Replace dialog opens", [] { return findDialogWith(IDREPLACEALL) != nullptr; });
        add("Replace All " + escaped(find) + " by " + escaped(a.text), [findText, withText] {
            const HWND dialog = findDialogWith(IDREPLACEALL);
            SetDlgItemTextW(dialog, IDFINDWHAT, findText.c_str());
            SetDlgItemTextW(dialog, IDREPLACEWITH, withText.c_str());
            CheckDlgButton(dialog, IDC_IN_SELECTION_CHECK, BST_UNCHECKED);
            PostMessageW(GetDlgItem(dialog, IDREPLACEALL), BM_CLICK, 0, 0);
            return true;
        });
        waitFor("the host replaced", after);
        add("close the Replace dialog", [] {
            if (const HWND dialog = findDialogWith(IDREPLACEALL)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return findDialogWith(IDREPLACEALL) == nullptr;
        });
        ref_.hostEdit(after, true);  // a replace by the same text is a step of its own too
        break;
    }
    case Kind::HostUndo:
    case Kind::HostRedo: {
        const bool undo = a.kind == Kind::HostUndo;
        add(undo ? "undo in the host" : "redo in the host", [undo] {
            postMenuCommand(undo ? IDM_EDIT_UNDO : IDM_EDIT_REDO);
            return true;
        });
        if (undo) ref_.undo();
        else ref_.redo();
        break;
    }
    case Kind::HostReload: {
        const bool ended = doc.empty() || doc.back() == '\n' || doc.back() == '\r';
        const std::string changed = doc + (ended ? "" : "\r\n") + "r9,new,9\r\n";
        add("another program writes the file, the host reloads it", [changed] {
            if (!writeFile(currentPath(), changed)) return false;
            postMenuCommand(IDM_FILE_RELOAD);
            return true;
        });
        add("the host reloads", [this, changed] {
            if (const HWND prompt = hostPrompt()) PostMessageW(prompt, WM_COMMAND, GetDlgItem(prompt, IDYES) ? IDYES : IDOK, 0);
            problem_ = bytesDetail(changed, currentDocument());
            return currentDocument() == changed && hostPrompt() == nullptr;
        }, 8000);
        ref_.reload(changed);
        add("read the line ending mode", [this, view] {
            ref_.eolMode = static_cast<int>(SendMessageW(view, SCI_GETEOLMODE, 0, 0));
            expected_ = {ref_};
            return true;
        });
        addCheck(HOST_SETTLE_MS);
        return;
    }
    case Kind::HostReverseLines:
    case Kind::HostSortLines: {
        const bool reverse = a.kind == Kind::HostReverseLines;
        const std::string after = reverse ? linesReversed(doc, ref_.eolMode) : linesSorted(doc, ref_.eolMode);
        add(reverse ? "reverse the lines in the host" : "sort the lines in the host", [view, reverse] {
            SendMessageW(view, SCI_SETEMPTYSELECTION, 0, 0);
            postMenuCommand(reverse ? IDM_EDIT_SORTLINES_REVERSE_ORDER : IDM_EDIT_SORTLINES_LEXICOGRAPHIC_ASCENDING);
            return true;
        });
        ref_.hostEdit(after);
        break;
    }
    default:
        return;
    }
    expected_ = {ref_};
    addCheck(HOST_SETTLE_MS);
}

void Session::expectEither(const std::function<void(Reference&)>& apply) {
    Reference asIs = ref_;
    apply(asIs);
    expected_ = {asIs};
    if (ref_.stale) {
        Reference refreshed = ref_;
        refreshed.scan();
        apply(refreshed);
        expected_.push_back(refreshed);
    }
}

void Session::addClick(int64_t row, int64_t column) {
    add("click the cell", [row, column] {
        const HWND list = panelControl(IDC_GRID_LIST);
        if (list == nullptr) return false;
        SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        // Scrolled sideways first when the cell is not in sight, as a user would.
        RECT cell{LVIR_BOUNDS, static_cast<LONG>(column), 0, 0};
        RECT client{};
        GetClientRect(list, &client);
        if (!SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) return false;
        const int numbers = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        if (cell.left < numbers || cell.right > client.right) {
            SendMessageW(list, LVM_SCROLL, static_cast<WPARAM>(cell.left - numbers), 0);
            return false;
        }
        postClick(list, POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
        return true;
    });
    add("the clicked cell is current", [this, row, column] {
        int64_t r = -1, c = -1;
        statusCell(r, c);
        problem_ = "the status line says \"" + utf8(windowText(panelControl(IDC_STATUS))) + "\"";
        return r == row && c == column && GetFocus() == panelControl(IDC_GRID_LIST);
    }, 2000);
}

void Session::addTyping(std::string text) {
    auto typed = std::make_shared<size_t>(0);
    add("type " + escaped(text), [text, typed] {
        if (*typed == text.size()) return true;
        const char character[2] = {text[(*typed)++], '\0'};
        postText(character);
        return false;
    });
}

void Session::planGrid(const Action& a, int64_t row, int64_t column) {
    const uint64_t cell = static_cast<uint64_t>(column - 1);
    switch (a.kind) {
    case Kind::CellType:
        addClick(row, column);
        expectEither([&](Reference& r) { r.cellEdit(row, cell, a.text); });
        addTyping(a.text);
        add("press Enter", [] { return postKey(VK_RETURN); });
        break;
    case Kind::CellPaste:
    case Kind::BlockPaste: {
        addClick(row, column);
        const std::vector<std::vector<std::string>> lines = a.kind == Kind::CellPaste
                                                                ? std::vector<std::vector<std::string>>{{a.text}}
                                                                : a.block;
        std::wstring clipboard;
        for (const auto& line : lines) {
            for (size_t j = 0; j < line.size(); ++j) clipboard += (j > 0 ? L"\t" : L"") + wide(line[j]);
            clipboard += L"\r\n";
        }
        expectEither([&](Reference& r) { r.paste(row, column, lines); });
        add("paste", [clipboard] { return setClipboardText(clipboard) && postKey('V', CTRL); });
        break;
    }
    case Kind::Clear: {
        addClick(row, column);
        const int down = a.length, right = a.wide;
        add("extend the range", [down, right] {
            for (int i = 0; i < down; ++i) postKey(VK_DOWN, SHIFT);
            for (int i = 0; i < right; ++i) postKey(VK_RIGHT, SHIFT);
            return true;
        });
        add("press Delete on the range", [this, row, column] {
            int64_t endRow = row, endColumn = column;
            if (!statusCell(endRow, endColumn)) return false;
            const int64_t top = std::min(row, endRow), bottom = std::max(row, endRow);
            const uint64_t left = static_cast<uint64_t>(std::min(column, endColumn) - 1);
            const uint64_t right = static_cast<uint64_t>(std::max(column, endColumn) - 1);
            expectEither([&](Reference& r) {
                if (top == bottom && left == right) r.cellEdit(top, left, std::string());
                else r.clearRange(top, bottom, left, right);
            });
            return postKey(VK_DELETE);
        });
        break;
    }
    case Kind::AddRow:
    case Kind::DeleteRow:
    case Kind::AddColumn:
    case Kind::DeleteColumn: {
        addClick(row, column);
        const int button = a.kind == Kind::AddRow      ? IDC_ADD_ROW
                           : a.kind == Kind::DeleteRow ? IDC_DELETE_ROW
                           : a.kind == Kind::AddColumn ? IDC_ADD_COLUMN
                                                       : IDC_DELETE_COLUMN;
        expectEither([&](Reference& r) {
            if (a.kind == Kind::AddRow) r.addRow(row);
            else if (a.kind == Kind::DeleteRow) r.deleteRows({row}, row, true);
            else if (a.kind == Kind::AddColumn) r.addColumn(column);
            else r.deleteColumn(column, true);
        });
        add("press the button", [button] {
            PostMessageW(panelControl(button), BM_CLICK, 0, 0);
            return true;
        });
        break;
    }
    case Kind::Sort: {
        // A click on the title, well apart from the one before (no double click).
        auto clickedAt = std::make_shared<double>(-1);
        add("click the column's title", [clickedAt, column] {
            if (*clickedAt < 0) *clickedAt = nowMs();
            if (nowMs() - *clickedAt < 600) return false;
            RECT item{};
            const HWND header = listHeader();
            if (header == nullptr || !SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column),
                                                   reinterpret_cast<LPARAM>(&item))) {
                return false;
            }
            postClick(header, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
            return true;
        });
        auto evaluatedAt = std::make_shared<double>(-1);
        add("the sort keeps the records", [this, evaluatedAt] {
            // A title click sorts once the double-click time is over; a moment more lets a late
            // one show.
            if (*evaluatedAt < 0) *evaluatedAt = nowMs();
            if (nowMs() - *evaluatedAt < GetDoubleClickTime() + 300.0) return false;
            const std::string after = currentDocument();
            Reference asIs = ref_;
            std::string problem = asIs.sortedInto(after);
            if (!problem.empty() && ref_.stale) {
                Reference refreshed = ref_;
                refreshed.scan();
                if (refreshed.sortedInto(after).empty()) {
                    asIs = refreshed;
                    problem.clear();
                }
            }
            if (!problem.empty()) {
                fail("the sort left \"" + escaped(after) + "\" from \"" + escaped(ref_.doc) + "\": " + problem);
                return true;
            }
            expected_ = {asIs};
            return true;
        });
        addCheck();
        return;
    }
    case Kind::GridReplaceAll: {
        const std::string find = wordNear(ref_.doc, a.at, a.length);
        if (find.empty()) return;
        addClick(row, column);
        add("open the find bar", [] { return postKey('F', CTRL); });
        add("the find bar opens", [] { return IsWindowVisible(panelControl(IDC_FIND_TEXT)) != FALSE; });
        const std::wstring findText = wide(find), withText = wide(a.text);
        const std::string with = a.text;
        add("Replace all " + escaped(find) + " by " + escaped(a.text), [this, findText, withText, find, with] {
            SetWindowTextW(panelControl(IDC_FIND_TEXT), findText.c_str());
            SetWindowTextW(panelControl(IDC_REPLACE_TEXT), withText.c_str());
            expectEither([&](Reference& r) { r.replaceInCells(find, with); });
            PostMessageW(panelControl(IDC_REPLACE_ALL), BM_CLICK, 0, 0);
            return true;
        });
        break;
    }
    default:
        return;
    }
    addCheck();
}

// Waits until the document is one of the expected ones and the grid shows it; that one is the
// reference from then on.
void Session::addCheck(double settleMs) {
    auto started = std::make_shared<double>(-1);
    add("the document, the undo history and the grid agree with the reference", [this, started, settleMs] {
        if (*started < 0) *started = nowMs();
        if (nowMs() - *started < settleMs) return false;
        const std::string doc = currentDocument();
        const Reference* match = nullptr;
        for (const Reference& r : expected_) {
            if (r.doc == doc) {
                match = &r;
                break;
            }
        }
        if (match == nullptr) {
            problem_ = bytesDetail(expected_.empty() ? ref_.doc : expected_.front().doc, doc);
            return false;
        }
        Reference read = *match;
        read.scan();  // the grid reads the document after its delay
        const bool canUndo = SendMessageW(currentView(), SCI_CANUNDO, 0, 0) != 0;
        const bool canRedo = SendMessageW(currentView(), SCI_CANREDO, 0, 0) != 0;
        if (canUndo != !read.undoStack.empty() || canRedo != !read.redoStack.empty()) {
            problem_ = std::string("the host can") + (canUndo ? "" : " not") + " undo and can" + (canRedo ? "" : " not") +
                       " redo; the reference has " + std::to_string(read.undoStack.size()) + " and " +
                       std::to_string(read.redoStack.size()) + " steps";
            return false;
        }
        // An edit refused for a changed row opens its editor again with what was typed once
        // its box is answered; the user lets it go.
        if (tabulonBox() != nullptr) {
            problem_ = "a box is open";
            return false;
        }
        if (const HWND editor = openCellEditor()) {
            SetFocus(editor);
            postKey(VK_ESCAPE);
            problem_ = "a cell editor is open";
            return false;
        }
        problem_ = gridDisagreement(read);
        if (!problem_.empty()) return false;
        ref_ = read;
        expected_ = {ref_};
        return true;
    });
}

// ---- the scenario ----------------------------------------------------------------------------------

uint64_t environmentNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// The whole session as one step of the driver: the run, then, after a failure, the search for
// the shortest sequence that still fails (steps after the failing one dropped, then runs of
// steps, halving, within a time budget).
class SessionStep {
public:
    SessionStep() {
        seed_ = environmentNumber("TABULON_SESSION_SEED", DEFAULT_SEED);
        actions_ = randomActions(seed_, environmentNumber("TABULON_SESSION_STEPS", DEFAULT_STEPS));
    }

    StepResult run() {
        if (!session_) {
            opening_ = currentDocument();
            eolMode_ = static_cast<int>(SendMessageW(currentView(), SCI_GETEOLMODE, 0, 0));
            reportLine("session seed " + std::to_string(seed_) + ", " + std::to_string(actions_.size()) + " steps");
            session_ = std::make_unique<Session>(opening_, eolMode_, actions_, &figures_);
        }
        const Session::State state = session_->tick();
        if (state == Session::State::Running) return StepResult::AGAIN;
        if (!shrinking_) {
            if (state == Session::State::Passed) {
                check(true, "a random session of " + std::to_string(actions_.size()) + " steps agrees with the reference (seed " +
                                std::to_string(seed_) + ")");
                reportLine("session figures: " + std::to_string(figures_.hostEdits) + " host edits, " +
                           std::to_string(figures_.gridActions) + " grid actions (" + std::to_string(figures_.quick) +
                           " before the grid read the edit before), " + std::to_string(figures_.skipped) +
                           " skipped, " + std::to_string(figures_.boxes) + " boxes answered");
                return StepResult::NEXT;
            }
            const size_t at = session_->failedAt();
            check(false, "random session, seed " + std::to_string(seed_),
                  "step " + std::to_string(at) + " (" + (at < actions_.size() ? describe(actions_[at]) : "the start") +
                      "): " + session_->failure());
            shortest_.assign(actions_.begin(), actions_.begin() + static_cast<std::ptrdiff_t>(std::min(at + 1, actions_.size())));
            lastFailure_ = session_->failure();
            shrinking_ = true;
            shrinkStarted_ = nowMs();
            chunk_ = std::max<size_t>(shortest_.size() / 2, 1);
            cut_ = shortest_.size() - 1;
            return nextTrial();
        }
        if (state == Session::State::Failed) {
            const size_t at = session_->failedAt();
            trial_.resize(std::min(trial_.size(), at + 1));
            shortest_ = trial_;
            lastFailure_ = session_->failure();
            cut_ = std::min(cut_, shortest_.size() - 1);
        }
        return nextTrial();
    }

private:
    // The next sequence to try: shortest_ without the chunk of steps before cut_ (the failing
    // step, the last, is kept); or, when no chunk is left to drop, the report.
    StepResult nextTrial() {
        while (true) {
            if (cut_ == 0 || chunk_ > cut_) {
                if (chunk_ == 1 || shortest_.size() <= 1) return report();
                chunk_ = std::max<size_t>(chunk_ / 2, 1);
                cut_ = shortest_.size() - 1;
                continue;
            }
            if (nowMs() - shrinkStarted_ > SHRINK_BUDGET_MS) return report();
            trial_ = shortest_;
            trial_.erase(trial_.begin() + static_cast<std::ptrdiff_t>(cut_ - chunk_), trial_.begin() + static_cast<std::ptrdiff_t>(cut_));
            cut_ -= chunk_;
            session_ = std::make_unique<Session>(opening_, eolMode_, trial_, nullptr);
            return StepResult::AGAIN;
        }
    }

    StepResult report() {
        reportLine("shortest failing sequence found (" + std::to_string(shortest_.size()) + " steps, seed " +
                   std::to_string(seed_) + "):");
        for (size_t i = 0; i < shortest_.size(); ++i) reportLine("  " + std::to_string(i) + ": " + describe(shortest_[i]));
        reportLine("which fails with: " + lastFailure_);
        return StepResult::NEXT;
    }

    uint64_t seed_ = 0;
    std::vector<Action> actions_;
    std::string opening_;
    int eolMode_ = 0;
    Figures figures_;
    std::unique_ptr<Session> session_;
    bool shrinking_ = false;
    double shrinkStarted_ = 0;
    std::vector<Action> shortest_, trial_;
    std::string lastFailure_;
    size_t chunk_ = 1, cut_ = 0;
};

Scenario randomSessionScenario() {
    auto step = std::make_shared<SessionStep>();
    return {
        openPanel(),
        require("the grid shows the document", [] { return listItemCount() > 0; }),
        Step{"the random session", [step] { return step->run(); }, 20 * 60 * 1000},
    };
}

}  // namespace

void addSessionScenarios() {
    registerScenario("random-session", randomSessionScenario);
}

}  // namespace driver
