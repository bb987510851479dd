// The grid's speed through the real DLL in the stand-in host, on the typical document of the
// size given in MiB on the command line (16 by default):
//
//   first view  from the panel command to the grid shown (detection, scan, columns, status)
//   by changes  from the debounce timer of a one-line outside edit in the middle firing to the
//             status line painted: the changed stretch read and rescanned, the later rows
//             shifted, item count, columns and status text
//   refresh   Reload: the whole document scanned again where the editor keeps it (detection,
//             scan, item count, columns, status text painted)
//   paint     one full page of the grid repainted (every visible row and cell drawn)
//   native    the model's own refresh path in this process, for comparison: detect the
//             delimiter and scan the text where it lies into a table used before
//   cell edit one cell of the middle row written through the grid's keys: Delete (the row
//             regenerated, its bytes replaced, the later rows' offsets moved), and a typed
//             value committed with Enter (the same, then the move down)
//   rows and  "+ Col" and "- Col" on the first column (the whole document rewritten in one
//   columns   replace, then read again), Ctrl+V of a 100 x 10 block in the middle, and "- Row"
//             with 1 000 selected rows spread over the document (one replace per row), each
//             timed from the press to the refreshed grid; deletions include the confirmation
//             box, answered by the host's capture a few milliseconds after it opens
//   sorting   a click on the header of the city column (text, by the locale's sort keys) and
//             of the amount column (numbers), timed from the click to the refreshed grid, each
//             undone in the host between runs
//   finding   Ctrl+F, a word typed into the bar and F3 pressed there, timed from the key to the
//             found cell made current with its "match n of m" note (every match counted)
//
// With --views, only the views are timed (first view to cell edits), for the largest sizes.
// Medians over repeated runs are printed, with the refresh as a multiple of the native path
// (it should stay within twice that). Figures, not a test: nothing fails on a slow machine.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dev_host.h"
#include "documents.h"
#include "model/csv_table.h"
#include "model/delimiter_detection.h"
#include "plugin/host_interface.h"
#include "temporary_directory.h"
#include "clipboard.h"
#include "input.h"
#include "window_hooks.h"

namespace {

constexpr uint64_t MIB = 1 << 20;
constexpr int REFRESH_RUNS = 15;
constexpr int PAINT_RUNS = 31;
constexpr int EDIT_RUNS = 31;

constexpr int IDC_GRID_LIST = 2601;
constexpr int IDC_RELOAD = 2602;
constexpr int IDC_STATUS = 2610;
constexpr int IDC_CELL_EDITOR = 2611;
constexpr UINT_PTR REFRESH_TIMER = 1;
constexpr UINT_PTR SCAN_TIMER = 2;
constexpr int PANEL_COMMAND = 0;

// A row appended before a reload; every other run takes it away again, so each refresh
// finds a different row count to show.
const std::string EXTRA_ROW = "99999999,1.00,2024-01-01,00:00,extra,row,1,2,3,4\r\n";

double secondsPerTick() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return 1.0 / static_cast<double>(frequency.QuadPart);
}

double now() {
    static const double tick = secondsPerTick();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * tick;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::wstring besideProgram(const wchar_t* name) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, n);
    const size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + name;
}

std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The model's refresh path on its own: what the DLL's refresh does between reading the
// document and handing the rows to the list.
double nativeRefresh(const std::string& text, CsvTable& table) {
    const double start = now();
    char delimiter = detectDelimiter(text);
    if (delimiter == 0) {
        delimiter = ',';
    }
    scanDocument(text, delimiter, '"', table);
    return now() - start;
}

// Row and column operations and a block paste, each undone in the host (and the grid read
// again) between runs, so that every run starts from the same document.
constexpr int OPERATION_RUNS = 7;
constexpr int IDC_DELETE_ROW = 2606;
constexpr int IDC_ADD_COLUMN = 2607;
constexpr int IDC_DELETE_COLUMN = 2608;

// Pumps until a document read a slice per timer tick is shown: the status line no longer
// gives the progress.
bool waitUntilRead(devhost::DevHost& host, HWND panel, HWND status) {
    for (int ticks = 0; windowText(status).rfind(L"Reading the document... ", 0) == 0; ++ticks) {
        if (ticks > 10000 || !host.waitForTimer(panel, SCAN_TIMER, 5000)) {
            std::fprintf(stderr, "grid_bench: the document was not read to its end\n");
            return false;
        }
    }
    return true;
}

double pressButton(devhost::DevHost& host, HWND panel, int id) {
    const double start = now();
    SendMessageW(GetDlgItem(panel, id), BM_CLICK, 0, 0);
    waitUntilRead(host, panel, GetDlgItem(panel, IDC_STATUS));
    const double elapsed = now() - start;
    host.pumpUntilIdle();
    return elapsed;
}

// Undoes the last operation in the host and lets the grid read the document again.
void undoOperation(devhost::DevHost& host, HWND panel) {
    host.mainView().undo();
    SendMessageW(panel, WM_TIMER, REFRESH_TIMER, 0);
    waitUntilRead(host, panel, GetDlgItem(panel, IDC_STATUS));
    host.pumpUntilIdle();
}

int measureOperations(devhost::DevHost& host, HWND panel, HWND list) {
    devhost::WindowHooks hooks;  // answers the deletion boxes with OK
    const std::string original = host.mainView().text();
    const LRESULT rows = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    RECT cell{};
    cell.top = 1;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
    const LPARAM firstCell = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, firstCell);
    SendMessageW(list, WM_LBUTTONUP, 0, firstCell);
    host.pumpUntilIdle();

    std::vector<double> addColumnTimes;
    std::vector<double> deleteColumnTimes;
    for (int i = 0; i < OPERATION_RUNS; ++i) {
        addColumnTimes.push_back(pressButton(host, panel, IDC_ADD_COLUMN));
        deleteColumnTimes.push_back(pressButton(host, panel, IDC_DELETE_COLUMN));
    }
    if (host.mainView().text() != original || hooks.boxes.size() != OPERATION_RUNS) {
        std::fprintf(stderr, "grid_bench: adding and deleting a column did not give the document back\n");
        return 1;
    }
    const size_t undoSteps = host.mainView().document().undoStepCount();

    std::wstring block;
    for (int line = 0; line < 100; ++line) {
        for (int field = 0; field < 10; ++field) {
            block += (field ? L"\t" : L"") + std::to_wstring(line * 10 + field);
        }
        block += L"\r\n";
    }
    devhost::setClipboardText(host.window(), block);
    std::vector<double> pasteTimes;
    for (int i = 0; i < OPERATION_RUNS; ++i) {
        SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rows / 2), FALSE);
        cell.top = 1;
        cell.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(rows / 2), reinterpret_cast<LPARAM>(&cell));
        const LPARAM middle = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, middle);
        SendMessageW(list, WM_LBUTTONUP, 0, middle);
        host.pumpUntilIdle();
        SetFocus(list);
        const double start = now();
        devhost::pressKey(host, 'V', devhost::KEY_CTRL);
        waitUntilRead(host, panel, GetDlgItem(panel, IDC_STATUS));
        pasteTimes.push_back(now() - start);
        if (host.mainView().document().undoStepCount() != undoSteps + 1) {
            std::fprintf(stderr, "grid_bench: the block paste did not reach the document\n");
            return 1;
        }
        undoOperation(host, panel);
    }

    std::vector<double> deleteRowsTimes;
    for (int i = 0; i < 5; ++i) {
        // Selected as a user selects them: a click on the first one's number, Ctrl+clicks on
        // the others'; the list does not paint while it scrolls to each of them.
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        for (LRESULT k = 0; k < 1000; ++k) {
            const int row = static_cast<int>(k * rows / 1000 + 1);
            SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
            devhost::click(host, list, devhost::listCellCenter(list, row, 0),
                           k == 0 ? devhost::KEY_NONE : devhost::KEY_CTRL);
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, FALSE);
        host.pumpUntilIdle();
            const LRESULT before = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        deleteRowsTimes.push_back(pressButton(host, panel, IDC_DELETE_ROW));
        if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != before - 1000) {
            std::fprintf(stderr, "grid_bench: deleting 1000 rows did not leave 1000 fewer\n");
            return 1;
        }
        undoOperation(host, panel);
    }
    if (host.mainView().text() != original) {
        std::fprintf(stderr, "grid_bench: undo did not give the document back\n");
        return 1;
    }

    // The stand-in editor's own share: one replace of the whole document by the same text,
    // with its notifications, as a column operation's single write costs it.
    std::vector<double> replaceTimes;
    const HWND view = host.mainView().window();
    for (int i = 0; i < OPERATION_RUNS; ++i) {
        const double start = now();
        SendMessageW(view, SCI_SETTARGETRANGE, 0, static_cast<LPARAM>(original.size()));
        SendMessageW(view, SCI_REPLACETARGET, original.size(), reinterpret_cast<LPARAM>(original.data()));
        replaceTimes.push_back(now() - start);
        undoOperation(host, panel);
    }

    std::printf("stand-in editor, one whole-document replace:   median %8.2f ms over %d runs\n",
                median(replaceTimes) * 1e3, OPERATION_RUNS);
    std::printf("add column (+ Col, press to refreshed grid):   median %8.2f ms over %d runs\n",
                median(addColumnTimes) * 1e3, OPERATION_RUNS);
    std::printf("delete column (- Col, box answered, refresh):  median %8.2f ms over %d runs\n",
                median(deleteColumnTimes) * 1e3, OPERATION_RUNS);
    std::printf("100 x 10 block paste (Ctrl+V, refresh):        median %8.2f ms over %d runs\n",
                median(pasteTimes) * 1e3, OPERATION_RUNS);
    std::printf("delete 1000 spread rows (- Row, box, refresh): median %8.2f ms over %d runs\n",
                median(deleteRowsTimes) * 1e3, 5);
    return 0;
}

// A click on a column's header, from the press to the sorted, refreshed grid.
double clickHeader(devhost::DevHost& host, HWND list, int listColumn) {
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    RECT item{};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(listColumn), reinterpret_cast<LPARAM>(&item));
    const LPARAM centre = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    const double start = now();
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageW(header, WM_LBUTTONUP, 0, centre);
    host.pumpUntilIdle();
    return now() - start;
}

int measureSorts(devhost::DevHost& host, HWND panel, HWND list) {
    const std::string original = host.mainView().text();
    const size_t steps = host.mainView().document().undoStepCount();
    std::vector<double> textTimes;
    std::vector<double> numberTimes;
    for (int i = 0; i < OPERATION_RUNS; ++i) {
        textTimes.push_back(clickHeader(host, list, 5));
        if (host.mainView().document().undoStepCount() != steps + 1 || host.mainView().text() == original) {
            std::fprintf(stderr, "grid_bench: the sort by the city column did not reach the document\n");
            return 1;
        }
        undoOperation(host, panel);
        numberTimes.push_back(clickHeader(host, list, 2));
        undoOperation(host, panel);
    }
    if (host.mainView().text() != original) {
        std::fprintf(stderr, "grid_bench: undo did not unsort the document\n");
        return 1;
    }
    std::printf("sort by a text column (header click, refresh): median %8.2f ms over %d runs\n",
                median(textTimes) * 1e3, OPERATION_RUNS);
    std::printf("sort by a number column (header click, refresh): median %6.2f ms over %d runs\n",
                median(numberTimes) * 1e3, OPERATION_RUNS);
    return 0;
}

// F3 in the find bar on a query with thousands of matches, from the key to the found cell.
int measureFind(devhost::DevHost& host, HWND panel, HWND list) {
    SetFocus(list);
    devhost::pressKey(host, 'F', devhost::KEY_CTRL);
    const HWND field = GetDlgItem(panel, 2631);
    if (field == nullptr || GetFocus() != field) {
        std::fprintf(stderr, "grid_bench: Ctrl+F did not open the find bar\n");
        return 1;
    }
    SetWindowTextW(field, L"Reykjav\u00EDk");
    std::vector<double> times;
    for (int i = 0; i < OPERATION_RUNS; ++i) {
        const double start = now();
        devhost::pressKey(host, VK_F3);
        times.push_back(now() - start);
    }
    wchar_t status[256] = {};
    GetWindowTextW(GetDlgItem(panel, 2610), status, 256);
    if (std::wstring(status).find(L"match ") == std::wstring::npos) {
        std::fprintf(stderr, "grid_bench: F3 found nothing\n");
        return 1;
    }
    std::printf("find the next match (F3, every match counted): median %6.2f ms over %d runs\n",
                median(times) * 1e3, OPERATION_RUNS);
    devhost::pressKey(host, VK_ESCAPE);
    return 0;
}

int run(uint64_t mib, bool viewsOnly) {
    const std::string document = documents::typical(mib * MIB);

    devhost::TemporaryDirectory config;
    // The highest limit, so that every size measured is shown.
    devhost::writeFileBytes(config.file(L"Tabulon.ini"), "[Tabulon]\r\nMaxFileMB=2048\r\n");
    devhost::DevHost host;
    if (!host.create(1280, 900)) {
        std::fprintf(stderr, "grid_bench: the host window cannot be created\n");
        return 1;
    }
    host.configDirectory = config.path();
    host.mainView().document().load(document);
    if (!host.loadPlugin(besideProgram(L"Tabulon.dll"))) {
        std::fprintf(stderr, "grid_bench: Tabulon.dll cannot be loaded\n");
        return 1;
    }
    host.setDockSize(1280, 640);
    host.resetLongestDispatch();
    const double firstViewStart = now();
    host.invokeCommand(PANEL_COMMAND);
    const HWND panel = host.dockedPanel();
    const HWND list = panel ? GetDlgItem(panel, IDC_GRID_LIST) : nullptr;
    const HWND status = panel ? GetDlgItem(panel, IDC_STATUS) : nullptr;
    if (list == nullptr || status == nullptr) {
        std::fprintf(stderr, "grid_bench: the panel did not open\n");
        return 1;
    }
    if (!waitUntilRead(host, panel, status)) return 1;
    const double firstView = now() - firstViewStart;
    const double firstViewHold = host.longestDispatchMs();
    host.pumpUntilIdle();
    const LRESULT rows = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    std::printf("grid_bench: typical document, %.1f MiB, %lld grid rows\n",
                static_cast<double>(document.size()) / MIB, static_cast<long long>(rows));

    std::printf("first view (panel command to grid shown):      %8.2f ms, once; the host's loop held at most %.1f ms "
                "at a time\n",
                firstView * 1e3, firstViewHold);

    // One-line outside edits: a line break typed at the start of the middle record and taken
    // out again, so that each refresh finds a different row count; then the timer they armed
    // is fired. (A line break typed inside a quoted cell would leave the count as it is.)
    devhost::EditorView& view = host.mainView();
    CsvTable records;
    scanDocument(document, ',', '"', records);
    const size_t middleText = static_cast<size_t>(records.rows.start(records.rows.size() / 2));
    std::vector<double> changeTimes;
    view.resetMessageCounts();
    for (int i = 0; i < EDIT_RUNS; ++i) {
        if (i % 2 == 0) {
            view.userInsert(middleText, "\r\n");
        } else {
            view.userDelete(middleText, 2);
        }
        const std::wstring before = windowText(status);
        const double start = now();
        SendMessageW(panel, WM_TIMER, REFRESH_TIMER, 0);
        UpdateWindow(status);
        const double elapsed = now() - start;
        if (windowText(status) == before) {
            std::fprintf(stderr, "grid_bench: the status line did not change after a refresh by changes\n");
            return 1;
        }
        changeTimes.push_back(elapsed);
        host.pumpUntilIdle();
    }
    if (view.messageCount(SCI_GETCHARACTERPOINTER) != 0) {
        std::fprintf(stderr, "grid_bench: a one-line edit made the grid read the whole document\n");
        return 1;
    }
    std::printf("refresh by changes (one-line outside edit):    median %8.3f ms over %d runs\n",
                median(changeTimes) * 1e3, EDIT_RUNS);

    // Reload: append or remove the extra row without telling the grid, then read it all.
    std::vector<double> refreshTimes;
    double reloadHold = 0;  // the longest the click or a message of a reload kept the loop
    for (int i = 0; i < REFRESH_RUNS; ++i) {
        const size_t length = view.text().size();
        if (i % 2 == 0) {
            view.document().load(view.text() + EXTRA_ROW);
        } else {
            view.document().load(view.text().substr(0, length - EXTRA_ROW.size()));
        }
        const std::wstring before = windowText(status);
        host.resetLongestDispatch();
        const double start = now();
        SendMessageW(GetDlgItem(panel, IDC_RELOAD), BM_CLICK, 0, 0);
        reloadHold = std::max(reloadHold, (now() - start) * 1e3);
        if (!waitUntilRead(host, panel, status)) return 1;
        UpdateWindow(status);
        const double elapsed = now() - start;
        reloadHold = std::max(reloadHold, host.longestDispatchMs());
        if (windowText(status) == before) {
            std::fprintf(stderr, "grid_bench: the status line did not change after a reload\n");
            return 1;
        }
        refreshTimes.push_back(elapsed);
        host.pumpUntilIdle();
    }

    std::vector<double> nativeTimes;
    {
        CsvTable table;
        nativeRefresh(document, table);  // the table is used before, as the panel's is
        for (int i = 0; i < REFRESH_RUNS; ++i) {
            nativeTimes.push_back(nativeRefresh(document, table));
        }
    }

    const LRESULT perPage = SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0);
    std::vector<double> paintTimes;
    for (int i = 0; i < PAINT_RUNS; ++i) {
        const double start = now();
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        paintTimes.push_back(now() - start);
    }

    const double refresh = median(refreshTimes);
    const double native = median(nativeTimes);
    std::printf("full refresh through the DLL (Reload):          median %8.2f ms over %d runs; the loop held at "
                "most %.1f ms at a time\n",
                refresh * 1e3, REFRESH_RUNS, reloadHold);
    std::printf("native refresh path (detect, scan):            median %8.2f ms over %d runs\n",
                native * 1e3, REFRESH_RUNS);
    std::printf("refresh / native path: %.2f (at most 2 wanted)\n", native > 0 ? refresh / native : 0.0);
    std::printf("full page paint (%lld rows):                    median %8.2f ms over %d runs\n",
                static_cast<long long>(perPage), median(paintTimes) * 1e3, PAINT_RUNS);

    // Cell edits on the middle row: Delete empties cell 2, then a typed value fills it again
    // through the editor, whose Enter moves down; Up comes back. Only the two writes are timed.
    const int middle = static_cast<int>(rows / 2);
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(middle), FALSE);
    host.pumpUntilIdle();
    RECT cell{};
    cell.top = 2;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(middle), reinterpret_cast<LPARAM>(&cell));
    const LPARAM centre = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageW(list, WM_LBUTTONUP, 0, centre);
    host.pumpUntilIdle();
    std::vector<double> deleteTimes;
    std::vector<double> commitTimes;
    const size_t lengthBefore = host.mainView().text().size();
    for (int i = 0; i < EDIT_RUNS; ++i) {
        double start = now();
        SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
        deleteTimes.push_back(now() - start);
        host.pumpUntilIdle();

        SendMessageW(list, WM_CHAR, L'7', 0);
        const HWND editor = GetDlgItem(list, IDC_CELL_EDITOR);
        if (editor == nullptr) {
            std::fprintf(stderr, "grid_bench: typing did not open the cell editor\n");
            return 1;
        }
        start = now();
        SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
        commitTimes.push_back(now() - start);
        host.pumpUntilIdle();
        SendMessageW(list, WM_KEYDOWN, VK_UP, 0);
        host.pumpUntilIdle();
    }
    if (host.mainView().text().size() == lengthBefore && host.mainView().document().undoStepCount() == 0) {
        std::fprintf(stderr, "grid_bench: the cell edits did not reach the document\n");
        return 1;
    }
    std::printf("cell edit on the middle row, Delete:           median %8.3f ms over %d runs\n",
                median(deleteTimes) * 1e3, EDIT_RUNS);
    std::printf("cell edit on the middle row, typed + Enter:    median %8.3f ms over %d runs\n",
                median(commitTimes) * 1e3, EDIT_RUNS);
    if (viewsOnly) {
        std::printf("(operations, sorting and finding not timed: --views)\n");
        host.destroy();
        return 0;
    }
    if (const int failed = measureOperations(host, panel, list); failed != 0) {
        return failed;
    }
    if (const int failed = measureSorts(host, panel, list); failed != 0) {
        return failed;
    }
    if (const int failed = measureFind(host, panel, list); failed != 0) {
        return failed;
    }
    host.destroy();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t mib = 16;
    bool viewsOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--views") {
            viewsOnly = true;
        } else if (const uint64_t given = std::strtoull(argv[i], nullptr, 10); given > 0) {
            mib = given;
        }
    }
    return run(mib, viewsOnly);
}
