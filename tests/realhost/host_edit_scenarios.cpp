// Edits the host makes itself, some of them with the editing component's events off: the grid
// follows each, and neither a sort nor a cell edit afterwards writes the old text back over it
// (the saved file is checked).
#include "scenario_steps.h"

#include "plugin/host_interface.h"

#include <memory>
#include <vector>

namespace driver {

namespace {

// small.csv as the runner writes it.
const std::string SMALL = "name,qty,note\nalpha,1,first\nbeta,2,second\ngamma,3,third\n";

constexpr UINT IDM_FILE_RELOAD = 41014;
constexpr UINT IDM_EDIT_UNDO = 42003;
constexpr UINT IDM_EDIT_REDO = 42004;
constexpr UINT IDM_EDIT_TRIMTRAILING = 42024;
constexpr UINT IDM_EDIT_TOGGLEREADONLY = 42028;
constexpr UINT IDM_FORMAT_TODOS = 45001;
constexpr UINT IDM_EDIT_SORTLINES_LEXICOGRAPHIC_ASCENDING = 42059;
constexpr UINT IDM_VIEW_CLONE_TO_ANOTHER_VIEW = 10002;
constexpr UINT IDM_EDIT_SORTLINES_REVERSE_ORDER = 42083;
constexpr UINT IDM_MACRO_STARTRECORDINGMACRO = 42018;
constexpr UINT IDM_MACRO_STOPRECORDINGMACRO = 42019;
constexpr UINT IDM_MACRO_PLAYBACKRECORDEDMACRO = 42021;
constexpr UINT SCI_GOTOPOS = 2025;
constexpr UINT SCI_SETRECTANGULARSELECTIONCARET = 2588;
constexpr UINT SCI_SETRECTANGULARSELECTIONANCHOR = 2590;
constexpr UINT SCI_INSERTTEXT = 2003;

constexpr UINT IDM_FORMAT_ANSI = 45004;
constexpr UINT IDM_FORMAT_AS_UTF_8 = 45008;
constexpr UINT IDM_FORMAT_CONV2_ANSI = 45009;
constexpr UINT IDM_FORMAT_CONV2_UTF_8 = 45011;

constexpr UINT IDM_SEARCH_REPLACE = 43003;
constexpr UINT IDM_SEARCH_FINDINFILES = 43013;
constexpr int IDD_FINDINFILES_FILTERS_COMBO = 1652;
constexpr int IDD_FINDINFILES_DIR_COMBO = 1653;
constexpr int IDD_FINDINFILES_REPLACEINFILES = 1660;
constexpr int IDFINDWHAT = 1601;
constexpr int IDREPLACEWITH = 1602;
constexpr int IDREPLACE = 1608;
constexpr int IDREPLACEALL = 1609;
constexpr int IDC_REPLACE_OPENEDFILES = 1635;
constexpr int IDC_IN_SELECTION_CHECK = 1632;

HWND replaceDialog() {
    return findDialogWith(IDREPLACEALL);
}

// Answers Yes to whatever the host asks (whether to replace in every open document, or to
// reload), until the document is as expected.
Step answerTheHostUntil(std::string name, std::string expected) {
    auto started = std::make_shared<double>(-1.0);
    return Step{name, [=] {
                    if (*started < 0) *started = nowMs();
                    if (currentDocument() == expected) {
                        check(true, name);
                        return StepResult::NEXT;
                    }
                    if (const HWND prompt = hostPrompt()) {
                        PostMessageW(prompt, WM_COMMAND, GetDlgItem(prompt, IDYES) != nullptr ? IDYES : IDOK, 0);
                    }
                    if (nowMs() - *started < 5000) return StepResult::AGAIN;
                    check(false, name, bytesDetail(expected, currentDocument()));
                    return StepResult::STOP;
                },
                6000};
}

// The host's replacing of alpha by zeta_ (the same length), from its Replace dialog, by one of
// its buttons: Replace All, Replace All in All Opened Documents, or Replace (twice: the first
// click finds, the second replaces).
Scenario replaceAlphaInTheHost(int button = IDREPLACEALL) {
    Scenario steps = {
        act("open the host's Replace dialog", [] { postMenuCommand(IDM_SEARCH_REPLACE); }),
        require("the Replace dialog opens", [] { return replaceDialog() != nullptr; }),
        act("fill in alpha and zeta_", [] {
            const HWND dialog = replaceDialog();
            SetDlgItemTextW(dialog, IDFINDWHAT, L"alpha");
            SetDlgItemTextW(dialog, IDREPLACEWITH, L"zeta_");
            CheckDlgButton(dialog, IDC_IN_SELECTION_CHECK, BST_UNCHECKED);
        }),
        act("press the button", [button] { PostMessageW(GetDlgItem(replaceDialog(), button), BM_CLICK, 0, 0); }),
    };
    if (button == IDREPLACE) {
        append(steps, {pause(300),
                       act("press it again", [button] { PostMessageW(GetDlgItem(replaceDialog(), button), BM_CLICK, 0, 0); })});
    }
    append(steps, {
        answerTheHostUntil("the host replaced the text", "name,qty,note\nzeta_,1,first\nbeta,2,second\ngamma,3,third\n"),
        act("close the Replace dialog", [] { PostMessageW(replaceDialog(), WM_COMMAND, IDCANCEL, 0); }),
        expect("the Replace dialog closes", [] { return replaceDialog() == nullptr; }),
    });
    return steps;
}

// One host edit and what must follow it on small.csv.
struct HostEdit {
    Scenario operation;       // what the user does in the host
    std::string after;        // the document then
    std::wstring firstName;   // the grid's first name then
    std::string sorted;       // after a sort by name, descending (two clicks on the title)
    int lastRow = 2;          // the grid row that then holds the last record
    std::string edited;       // after its note is typed over with "last" (and accent, when set)
    wchar_t accent = 0;       // a character typed after "last" that the US keys do not make
    std::string mark;         // what the host saves before the text (the UTF-8 mark)
};

Scenario followHostEdit(HostEdit edit) {
    auto path = std::make_shared<std::wstring>();
    Scenario steps = {
        act("note the document's path", [path] { *path = currentPath(); }),
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
    };
    append(steps, edit.operation);
    const std::string after = edit.after;
    const std::wstring firstName = edit.firstName;
    const std::string edited = edit.edited;
    const wchar_t accent = edit.accent;
    const std::string saved = edit.mark + edit.edited;
    append(steps, {
        expectDocument("the host's edit is made", after),
        expect("the grid shows it", [firstName] { return listCellText(0, 1) == firstName; },
               [] { return "the first name shows \"" + utf8(listCellText(0, 1)) + "\""; }),
        pause(800),  // the refresh the edit asked for is behind, so the sort arrow stays
        clickTitle(1),
        pause(300),
        clickTitle(1),
        expectDocument("a sort by name keeps the host's edit", edit.sorted),
        clickCell(edit.lastRow, 3),
        typeText("type last into the grid", "last"),
        act("type the accented letter", [accent] {
            if (accent != 0) PostMessageW(GetFocus(), WM_CHAR, accent, 1);
        }),
        pressKey("press Enter", VK_RETURN),
        expectDocument("a cell edit keeps it too", edited),
        act("save", [] { SendMessageW(hostWindows().main, NPPM_SAVECURRENTFILE, 0, 0); }),
        expect("the saved file holds the host's edit and the grid's", [path, saved] { return fileBytes(*path) == saved; },
               [path, saved] { return bytesDetail(saved, fileBytes(*path)); }),
    });
    return steps;
}

const std::string ZETA_SORTED = "name,qty,note\nzeta_,1,first\ngamma,3,third\nbeta,2,second\n";
const std::string ZETA_EDITED = "name,qty,note\nzeta_,1,first\ngamma,3,third\nbeta,2,last\n";
const std::string SMALL_SORTED = "name,qty,note\ngamma,3,third\nbeta,2,second\nalpha,1,first\n";
const std::string SMALL_EDITED = "name,qty,note\ngamma,3,third\nbeta,2,second\nalpha,1,last\n";

Scenario hostReplaceAllScenario() {
    return followHostEdit({replaceAlphaInTheHost(), "name,qty,note\nzeta_,1,first\nbeta,2,second\ngamma,3,third\n",
                           L"zeta_", ZETA_SORTED, 2, ZETA_EDITED});
}

// Undo and redo of the host's Replace All, from the host's Edit menu.
Scenario hostUndoReplaceAllScenario() {
    Scenario operation = replaceAlphaInTheHost();
    append(operation, {pause(600), act("undo in the host", [] { postMenuCommand(IDM_EDIT_UNDO); })});
    return followHostEdit({operation, SMALL, L"alpha", SMALL_SORTED, 2, SMALL_EDITED});
}

Scenario hostRedoReplaceAllScenario() {
    Scenario operation = replaceAlphaInTheHost();
    append(operation, {pause(600), act("undo in the host", [] { postMenuCommand(IDM_EDIT_UNDO); }),
                       expectDocument("the Replace All is undone", SMALL), pause(600),
                       act("redo in the host", [] { postMenuCommand(IDM_EDIT_REDO); })});
    return followHostEdit({operation, "name,qty,note\nzeta_,1,first\nbeta,2,second\ngamma,3,third\n", L"zeta_",
                           ZETA_SORTED, 2, ZETA_EDITED});
}

// The host reloads the document, as the user has it do it: by answering Yes when the host asks
// on its own, else, after a while, by File > Reload from Disk.
Step reloadInTheHost(std::string changed) {
    auto started = std::make_shared<double>(-1.0);
    auto asked = std::make_shared<bool>(false);
    return Step{"reload the document in the host", [=] {
                    if (*started < 0) *started = nowMs();
                    if (currentDocument() == changed && hostPrompt() == nullptr) {
                        check(true, "the host reloads the document");
                        return StepResult::NEXT;
                    }
                    if (const HWND prompt = hostPrompt()) {
                        PostMessageW(prompt, WM_COMMAND, IDYES, 0);
                    } else if (!*asked && nowMs() - *started > 1500) {
                        postMenuCommand(IDM_FILE_RELOAD);
                        *asked = true;
                    }
                    if (nowMs() - *started < 8000) return StepResult::AGAIN;
                    check(false, "the host reloads the document", bytesDetail(changed, currentDocument()));
                    return StepResult::STOP;
                },
                9000};
}

// File > Reload from Disk after another program changed the file: the host swaps the document
// with its events off.
Scenario hostReloadScenario() {
    const std::string changed = "name,qty,note\nomega,1,first\nbeta,2,second\ngamma,3,third\n";
    Scenario operation = {
        attempt("another program writes the file", [changed] {
            const HANDLE file = CreateFileW(currentPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            const bool ok = file != INVALID_HANDLE_VALUE &&
                            WriteFile(file, changed.data(), static_cast<DWORD>(changed.size()), &written, nullptr) &&
                            written == changed.size();
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            return ok;
        }),
        reloadInTheHost(changed),
        pause(1500),
        expect("the host asks nothing more", [] { return hostPrompt() == nullptr; }),
    };
    return followHostEdit({operation, changed, L"omega", "name,qty,note\nomega,1,first\ngamma,3,third\nbeta,2,second\n",
                           2, "name,qty,note\nomega,1,first\ngamma,3,third\nbeta,2,last\n"});
}

// Edit > Blank Operations > Trim Trailing Space: the host does it with its Replace All.
Scenario hostTrimTrailingScenario() {
    Scenario operation = {
        act("type two spaces after first in the editor",
            [] { SendMessageW(currentView(), SCI_INSERTTEXT, 27, reinterpret_cast<LPARAM>("  ")); }),
        expect("the grid shows them", [] { return listCellText(0, 3) == L"first  "; }),
        act("trim trailing space in the host", [] { postMenuCommand(IDM_EDIT_TRIMTRAILING); }),
    };
    return followHostEdit({operation, SMALL, L"alpha", SMALL_SORTED, 2, SMALL_EDITED});
}

// Edit > EOL Conversion > Windows (CR LF).
Scenario hostEolConversionScenario() {
    Scenario operation = {act("convert the line endings to CR LF in the host", [] { postMenuCommand(IDM_FORMAT_TODOS); })};
    return followHostEdit({operation, "name,qty,note\r\nalpha,1,first\r\nbeta,2,second\r\ngamma,3,third\r\n", L"alpha",
                           "name,qty,note\r\ngamma,3,third\r\nbeta,2,second\r\nalpha,1,first\r\n", 2,
                           "name,qty,note\r\ngamma,3,third\r\nbeta,2,second\r\nalpha,1,last\r\n"});
}

Scenario hostReplaceAllOpenedScenario() {
    return followHostEdit({replaceAlphaInTheHost(IDC_REPLACE_OPENEDFILES),
                           "name,qty,note\nzeta_,1,first\nbeta,2,second\ngamma,3,third\n", L"zeta_", ZETA_SORTED, 2,
                           ZETA_EDITED});
}

Scenario hostReplaceOnceScenario() {
    return followHostEdit({replaceAlphaInTheHost(IDREPLACE), "name,qty,note\nzeta_,1,first\nbeta,2,second\ngamma,3,third\n",
                           L"zeta_", ZETA_SORTED, 2, ZETA_EDITED});
}

// Edit > Line Operations > Sort Lines Lexicographically Ascending: the host sorts the empty
// line after the last line break too, so it comes first (the grid's header) and the document
// then ends without a line break, which the grid's sort keeps.
Scenario hostSortLinesScenario() {
    Scenario operation = {act("sort the lines in the host", [] { postMenuCommand(IDM_EDIT_SORTLINES_LEXICOGRAPHIC_ASCENDING); })};
    return followHostEdit({operation, "\nalpha,1,first\nbeta,2,second\ngamma,3,third\nname,qty,note", L"alpha",
                           "\nname,qty,note\ngamma,3,third\nbeta,2,second\nalpha,1,first", 2,
                           "\nname,qty,note\ngamma,3,third\nbeta,2,last\nalpha,1,first"});
}

// Edit > Line Operations > Reverse Line Order.
Scenario hostReverseLinesScenario() {
    Scenario operation = {act("reverse the lines in the host", [] { postMenuCommand(IDM_EDIT_SORTLINES_REVERSE_ORDER); })};
    return followHostEdit({operation, "\ngamma,3,third\nbeta,2,second\nalpha,1,first\nname,qty,note", L"gamma",
                           "\nname,qty,note\ngamma,3,third\nbeta,2,second\nalpha,1,first", 2,
                           "\nname,qty,note\ngamma,3,third\nbeta,2,last\nalpha,1,first"});
}

// Typing into a column-mode (rectangular) selection across the three data lines.
Scenario hostColumnTypingScenario() {
    Scenario operation = {
        act("select a column across the data lines", [] {
            SendMessageW(currentView(), SCI_SETRECTANGULARSELECTIONANCHOR, 14, 0);
            SendMessageW(currentView(), SCI_SETRECTANGULARSELECTIONCARET, 42, 0);
        }),
        focusEditor(),
        typeText("type x into the column", "x"),
    };
    return followHostEdit({operation, "name,qty,note\nxalpha,1,first\nxbeta,2,second\nxgamma,3,third\n", L"xalpha",
                           "name,qty,note\nxgamma,3,third\nxbeta,2,second\nxalpha,1,first\n", 2,
                           "name,qty,note\nxgamma,3,third\nxbeta,2,second\nxalpha,1,last\n"});
}

// A macro recorded in the host (typing x) and played back on another line.
Scenario hostMacroScenario() {
    Scenario operation = {
        act("put the caret in front of alpha", [] { SendMessageW(currentView(), SCI_GOTOPOS, 14, 0); }),
        act("start recording a macro", [] { postMenuCommand(IDM_MACRO_STARTRECORDINGMACRO); }),
        focusEditor(),
        typeText("type x", "x"),
        act("stop recording", [] { postMenuCommand(IDM_MACRO_STOPRECORDINGMACRO); }),
        expectDocument("x is typed", "name,qty,note\nxalpha,1,first\nbeta,2,second\ngamma,3,third\n"),
        act("put the caret in front of beta", [] { SendMessageW(currentView(), SCI_GOTOPOS, 29, 0); }),
        act("play the macro back", [] { postMenuCommand(IDM_MACRO_PLAYBACKRECORDEDMACRO); }),
    };
    return followHostEdit({operation, "name,qty,note\nxalpha,1,first\nxbeta,2,second\ngamma,3,third\n", L"xalpha",
                           "name,qty,note\nxbeta,2,second\nxalpha,1,first\ngamma,3,third\n", 2,
                           "name,qty,note\nxbeta,2,second\nxalpha,1,first\ngamma,3,last\n"});
}

// Typing into a clone of the document in the host's other view.
Scenario hostCloneTypingScenario() {
    Scenario operation = {
        act("clone the document to the other view", [] { postMenuCommand(IDM_VIEW_CLONE_TO_ANOTHER_VIEW); }),
        pause(500),
        act("type z in front of alpha in the clone",
            [] { SendMessageW(hostWindows().secondView, SCI_INSERTTEXT, 14, reinterpret_cast<LPARAM>("z")); }),
    };
    return followHostEdit({operation, "name,qty,note\nzalpha,1,first\nbeta,2,second\ngamma,3,third\n", L"zalpha",
                           "name,qty,note\nzalpha,1,first\ngamma,3,third\nbeta,2,second\n", 2,
                           "name,qty,note\nzalpha,1,first\ngamma,3,third\nbeta,2,last\n"});
}

// accents.csv as the runner writes it (UTF-8), and its lines in the ANSI code page.
const std::string ACCENTS = "name,qty,note\nzo\xC3\xAB,1,first\nbeta,2,second\ngamma,3,third\n";
const std::string ACCENTS_ANSI = "name,qty,note\nzo\xEB,1,first\nbeta,2,second\ngamma,3,third\n";

// Encoding > Convert to ANSI: the host cuts the text, changes the code page and pastes it back,
// so the bytes change; the grid then reads and writes cells in the ANSI code page.
Scenario hostConvertAnsiScenario() {
    Scenario operation = {act("convert to ANSI in the host", [] { postMenuCommand(IDM_FORMAT_CONV2_ANSI); })};
    return followHostEdit({operation, ACCENTS_ANSI, L"zo\u00EB",
                           "name,qty,note\nzo\xEB,1,first\ngamma,3,third\nbeta,2,second\n", 2,
                           "name,qty,note\nzo\xEB,1,first\ngamma,3,third\nbeta,2,last\xFC\n", L'\u00FC'});
}

// Convert to ANSI and back with Convert to UTF-8.
Scenario hostConvertUtf8Scenario() {
    Scenario operation = {
        act("convert to ANSI in the host", [] { postMenuCommand(IDM_FORMAT_CONV2_ANSI); }),
        expectDocument("the text is in ANSI", ACCENTS_ANSI),
        pause(600),
        act("convert to UTF-8 in the host", [] { postMenuCommand(IDM_FORMAT_CONV2_UTF_8); }),
    };
    return followHostEdit({operation, ACCENTS, L"zo\u00EB",
                           "name,qty,note\nzo\xC3\xAB,1,first\ngamma,3,third\nbeta,2,second\n", 2,
                           "name,qty,note\nzo\xC3\xAB,1,first\ngamma,3,third\nbeta,2,last\xC3\xBC\n", L'\u00FC',
                           "\xEF\xBB\xBF"});
}

// Encoding > ANSI: the same bytes read in another code page, with no edit at all.
Scenario hostEncodeAnsiScenario() {
    Scenario operation = {act("read the document as ANSI in the host", [] { postMenuCommand(IDM_FORMAT_ANSI); })};
    return followHostEdit({operation, ACCENTS, L"zo\u00C3\u00AB",
                           "name,qty,note\nzo\xC3\xAB,1,first\ngamma,3,third\nbeta,2,second\n", 2,
                           "name,qty,note\nzo\xC3\xAB,1,first\ngamma,3,third\nbeta,2,last\xFC\n", L'\u00FC'});
}

// Encoding > ANSI, then Encoding > UTF-8 (without a mark) back.
Scenario hostEncodeUtf8Scenario() {
    Scenario operation = {
        act("read the document as ANSI in the host", [] { postMenuCommand(IDM_FORMAT_ANSI); }),
        expect("the grid reads it as ANSI", [] { return listCellText(0, 1) == L"zo\u00C3\u00AB"; },
               [] { return "the first name shows \"" + utf8(listCellText(0, 1)) + "\""; }),
        pause(600),
        act("read it as UTF-8 again in the host", [] { postMenuCommand(IDM_FORMAT_AS_UTF_8); }),
    };
    return followHostEdit({operation, ACCENTS, L"zo\u00EB",
                           "name,qty,note\nzo\xC3\xAB,1,first\ngamma,3,third\nbeta,2,second\n", 2,
                           "name,qty,note\nzo\xC3\xAB,1,first\ngamma,3,third\nbeta,2,last\xC3\xBC\n", L'\u00FC'});
}

// Search > Find in Files, Replace in Files over the folder of the open document.
Scenario hostReplaceInFilesScenario() {
    Scenario operation = {
        act("open the host's Find in Files", [] { postMenuCommand(IDM_SEARCH_FINDINFILES); }),
        require("the Find in Files tab opens", [] { return findDialogWith(IDD_FINDINFILES_REPLACEINFILES) != nullptr; }),
        act("fill in alpha, zeta_, the document's folder and *.csv", [] {
            const HWND dialog = findDialogWith(IDD_FINDINFILES_REPLACEINFILES);
            std::wstring folder = currentPath();
            folder.resize(folder.find_last_of(L'\\') + 1);
            SetDlgItemTextW(dialog, IDFINDWHAT, L"alpha");
            SetDlgItemTextW(dialog, IDREPLACEWITH, L"zeta_");
            SetDlgItemTextW(dialog, IDD_FINDINFILES_DIR_COMBO, folder.c_str());
            SetDlgItemTextW(dialog, IDD_FINDINFILES_FILTERS_COMBO, L"small.csv");
        }),
        act("press Replace in Files", [] {
            PostMessageW(GetDlgItem(findDialogWith(IDD_FINDINFILES_REPLACEINFILES), IDD_FINDINFILES_REPLACEINFILES),
                         BM_CLICK, 0, 0);
        }),
        answerTheHostUntil("the host replaced the text", "name,qty,note\nzeta_,1,first\nbeta,2,second\ngamma,3,third\n"),
        act("close the dialog",
            [] { PostMessageW(findDialogWith(IDD_FINDINFILES_REPLACEINFILES), WM_COMMAND, IDCANCEL, 0); }),
    };
    return followHostEdit({operation, "name,qty,note\nzeta_,1,first\nbeta,2,second\ngamma,3,third\n", L"zeta_",
                           ZETA_SORTED, 2, ZETA_EDITED});
}

// Edit > Read-Only in the host: a grid edit warns and writes nothing.
Scenario hostReadOnlyScenario() {
    return {
        openPanel(),
        expect("the grid shows the document's three rows", [] { return listItemCount() == 3; }),
        act("set the document read-only in the host", [] { postMenuCommand(IDM_EDIT_TOGGLEREADONLY); }),
        pause(300),
        clickCell(0, 3),
        typeText("type last into the grid", "last"),
        pressKey("press Enter", VK_RETURN),
        require("the edit is refused with a box", [] { return tabulonBox() != nullptr; }),
        expect("the box says the change could not be written",
               [] {
                   wchar_t text[512] = {};
                   GetDlgItemTextW(tabulonBox(), 0xFFFF, text, 512);
                   return std::wstring(text).find(L"could not be written") != std::wstring::npos;
               }),
        act("answer the box", [] { PostMessageW(tabulonBox(), WM_COMMAND, IDOK, 0); }),
        expect("the box closes", [] { return tabulonBox() == nullptr; }),
        expectDocument("nothing was written", SMALL),
        expect("the grid shows the document", [] { return listCellText(0, 3) == L"first"; }),
    };
}

}  // namespace

void addHostEditScenarios() {
    registerScenario("host-replace-all", hostReplaceAllScenario);
    registerScenario("host-undo-replace-all", hostUndoReplaceAllScenario);
    registerScenario("host-redo-replace-all", hostRedoReplaceAllScenario);
    registerScenario("host-reload", hostReloadScenario);
    registerScenario("host-trim-trailing", hostTrimTrailingScenario);
    registerScenario("host-eol-conversion", hostEolConversionScenario);
    registerScenario("host-read-only", hostReadOnlyScenario);
    registerScenario("host-replace-all-opened", hostReplaceAllOpenedScenario);
    registerScenario("host-replace-once", hostReplaceOnceScenario);
    registerScenario("host-sort-lines", hostSortLinesScenario);
    registerScenario("host-clone-typing", hostCloneTypingScenario);
    registerScenario("host-reverse-lines", hostReverseLinesScenario);
    registerScenario("host-column-typing", hostColumnTypingScenario);
    registerScenario("host-macro", hostMacroScenario);
    registerScenario("host-convert-ansi", hostConvertAnsiScenario);
    registerScenario("host-convert-utf8", hostConvertUtf8Scenario);
    registerScenario("host-encode-ansi", hostEncodeAnsiScenario);
    registerScenario("host-encode-utf8", hostEncodeUtf8Scenario);
    registerScenario("host-replace-in-files", hostReplaceInFilesScenario);
}

}  // namespace driver
