// A document of 16 MB (163,000 rows): how long the grid takes to answer Down, Page Down,
// Ctrl+End, a typed character, Enter, a sort by a title click (which waits out the double-click
// time first) and F3 in the find bar, measured from posting the input to the host's loop having
// handled it and the list having painted. Typing and Enter are timed five times each, each sort
// three times, and the host's own whole replace three times, so that each figure is a median.
// The figures go into the report; they are benchmark figures, not checks. A key that takes
// longer than the bound ends the scenario.
#include "scenario_steps.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace driver {

namespace {

constexpr int ROWS = 163000;
constexpr UINT NPPM_DOOPEN = NPPMSG_BASE + 77;
constexpr WPARAM IDM_FILE_CLOSE = 41003;
constexpr double GIVE_UP_MS = 20000;

struct Timing {
    std::vector<double> samples;
    bool tooSlow = false;
};

// Posts the input and times it until the loop has handled it and the window that answers it
// (the grid's list unless another is named) has painted.
Step timedInput(const std::string& name, std::function<bool()> post, std::shared_ptr<Timing> timing,
                std::function<HWND()> answering = [] { return panelControl(IDC_GRID_LIST); }) {
    auto phase = std::make_shared<int>(0);
    auto answered = std::make_shared<double>(-1);
    return Step{"time " + name,
                [=] {
                    if (timing->tooSlow) {
                        return StepResult::NEXT;
                    }
                    if (*phase == 0) {
                        const double posted = nowMs();
                        if (!post()) {
                            check(false, "time " + name, "nothing has the focus");
                            return StepResult::STOP;
                        }
                        // Two hops: the characters the key makes are posted while it is
                        // handled, behind the first hop; the second comes after them.
                        afterPostedInput([=] {
                            afterPostedInput([=] {
                                UpdateWindow(answering());
                                *answered = nowMs() - posted;
                            });
                        });
                        *phase = 1;
                        return StepResult::AGAIN;
                    }
                    if (*answered < 0) {
                        return StepResult::AGAIN;
                    }
                    timing->samples.push_back(*answered);
                    if (*answered > GIVE_UP_MS) {
                        timing->tooSlow = true;
                    }
                    *phase = 0;
                    *answered = -1;
                    return StepResult::NEXT;
                },
                static_cast<DWORD>(GIVE_UP_MS) + 5000};
}

Step timedKey(const std::string& name, UINT key, unsigned modifiers, std::shared_ptr<Timing> timing) {
    return timedInput(name, [key, modifiers] { return postKey(key, modifiers); }, timing);
}

// The same key in the editor itself: what the host's own answer to it costs here.
Step timedEditorKey(const std::string& name, UINT key, std::shared_ptr<Timing> timing) {
    return timedInput(name, [key] { return postKey(key, NONE); }, timing, [] { return currentView(); });
}

// When the sort arrow of the title being timed was set: seen by a hook on the messages sent in
// the host's thread, since the steps look only every STEP_INTERVAL_MS. The list is painted
// after the hop that follows, and the time taken then.
struct ArrowWatch {
    HHOOK hook = nullptr;
    int listColumn = 0;
    double answered = -1;
    bool hopping = false;
};

ArrowWatch& arrowWatch() {
    static ArrowWatch watch;
    return watch;
}

LRESULT CALLBACK arrowRecorder(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    ArrowWatch& watch = arrowWatch();
    if (code == HC_ACTION && sent != nullptr && sent->message == HDM_SETITEMW && sent->lParam != 0 &&
        static_cast<int>(sent->wParam) == watch.listColumn && sent->hwnd == listHeader() && !watch.hopping) {
        const auto* item = reinterpret_cast<const HDITEMW*>(sent->lParam);
        if ((item->mask & HDI_FORMAT) != 0 && (item->fmt & (HDF_SORTUP | HDF_SORTDOWN)) != 0) {
            watch.hopping = true;
            afterPostedInput([] {
                UpdateWindow(panelControl(IDC_GRID_LIST));
                arrowWatch().answered = nowMs();
            });
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A click on a column title, which sorts by that column once the double-click time has passed:
// timed from posting the click to the title's sort arrow shown and the list painted.
Step timedTitleSort(const std::string& name, int listColumn, std::shared_ptr<Timing> timing) {
    auto posted = std::make_shared<double>(-1);
    return Step{"time " + name,
                [=] {
                    if (timing->tooSlow) {
                        return StepResult::NEXT;
                    }
                    ArrowWatch& watch = arrowWatch();
                    if (*posted < 0) {
                        POINT center{};
                        if (!titleCenter(listColumn, center)) {
                            check(false, "time " + name, "the title is not there");
                            return StepResult::STOP;
                        }
                        if (watch.hook == nullptr) {
                            watch.hook = SetWindowsHookExW(WH_CALLWNDPROC, arrowRecorder, nullptr, GetCurrentThreadId());
                        }
                        watch.listColumn = listColumn;
                        watch.answered = -1;
                        watch.hopping = false;
                        *posted = nowMs();
                        postClick(listHeader(), center);
                        return StepResult::AGAIN;
                    }
                    if (watch.answered < 0) {
                        return StepResult::AGAIN;
                    }
                    const double answered = watch.answered - *posted;
                    watch.listColumn = 0;
                    timing->samples.push_back(answered);
                    timing->tooSlow = answered > GIVE_UP_MS;
                    *posted = -1;
                    return StepResult::NEXT;
                },
                static_cast<DWORD>(GIVE_UP_MS) + 5000};
}

// Undoes the sort in the editor and lets the grid's refresh after it pass.
void appendUndoAndSettle(Scenario& steps, const std::string& what) {
    steps.push_back(act("undo the " + what + " in the editor", [] { SendMessageW(currentView(), 2176 /* SCI_UNDO */, 0, 0); }));
    steps.push_back(pause(2500));
}

// The middle one of samples, of which there must be some.
double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

Step reportTiming(const std::string& name, std::shared_ptr<Timing> timing) {
    return act("report " + name, [=] {
        if (timing->samples.empty()) {
            reportLine("figure " + name + " not measured");
            return;
        }
        figure(name + "-median", median(timing->samples), "ms");
        figure(name + "-max", *std::max_element(timing->samples.begin(), timing->samples.end()), "ms");
        if (timing->tooSlow) {
            reportLine("figure " + name + " gave up: a key took longer than 20000 ms");
        }
    });
}

std::string lastLine(const std::string& text) {
    const size_t end = text.size() > 0 && text.back() == '\n' ? text.size() - 1 : text.size();
    const size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

std::string positionDetail() {
    return "current item " + std::to_string(listFocusedItem());
}

// A check of where the keys have led, unless the keys were given up.
Step expectPosition(const std::string& name, std::function<bool()> condition, std::shared_ptr<Timing> timing) {
    return expect(name, [=] { return !timing->tooSlow && condition(); },
                  [=] { return timing->tooSlow ? std::string("not checked: a key took longer than 20 s")
                                               : positionDetail(); });
}

Scenario largeDocumentScenario() {
    auto down = std::make_shared<Timing>();
    auto pageDown = std::make_shared<Timing>();
    auto end = std::make_shared<Timing>();
    auto typing = std::make_shared<Timing>();
    auto enter = std::make_shared<Timing>();
    auto opened = std::make_shared<double>(0);
    auto hostReplace = std::make_shared<double>(-1);
    Scenario steps{
        act("time the host's own replace of the whole text, the panel closed", [hostReplace] {
            // The cost a sort's one write of the whole document cannot go below.
            const HWND view = currentView();
            const auto length = static_cast<size_t>(SendMessageW(view, SCI_GETLENGTH_, 0, 0));
            const auto* bytes = reinterpret_cast<const char*>(SendMessageW(view, SCI_GETCHARACTERPOINTER_, 0, 0));
            const std::string text = bytes == nullptr ? std::string() : std::string(bytes, length);
            std::vector<double> runs;
            for (int i = 0; i < 3; ++i) {
                const double started = nowMs();
                SendMessageW(view, 2686 /* SCI_SETTARGETRANGE */, 0, static_cast<LPARAM>(length));
                SendMessageW(view, 2194 /* SCI_REPLACETARGET */, text.size(), reinterpret_cast<LPARAM>(text.data()));
                runs.push_back(nowMs() - started);
                SendMessageW(view, 2176 /* SCI_UNDO */, 0, 0);
            }
            SendMessageW(view, 2175 /* SCI_EMPTYUNDOBUFFER */, 0, 0);
            *hostReplace = median(runs);
        }),
        focusEditor(),
    };
    // The host's own Down and Page Down in the editor, with the panel closed.
    auto hostDown = std::make_shared<Timing>();
    auto hostPageDown = std::make_shared<Timing>();
    for (int i = 0; i < 5; ++i) {
        steps.push_back(timedEditorKey("Down in the editor", VK_DOWN, hostDown));
    }
    for (int i = 0; i < 3; ++i) {
        steps.push_back(timedEditorKey("Page Down in the editor", VK_NEXT, hostPageDown));
    }
    for (Step& step : Scenario{
        act("put the caret back at the start", [] { SendMessageW(currentView(), 2316 /* SCI_DOCUMENTSTART */, 0, 0); }),
        act("note the time", [opened] { *opened = nowMs(); }),
        openPanel(),
        require("the grid shows all 163,000 rows", [] { return listItemCount() == ROWS; },
                [] { return "the list has " + std::to_string(listItemCount()) + " rows; status: " +
                            utf8(windowText(panelControl(IDC_STATUS))); },
                60000),
        act("report the opening", [opened] { figure("open-panel", nowMs() - *opened, "ms"); }),
        focusGrid(),
    }) {
        steps.push_back(std::move(step));
    }
    for (int i = 0; i < 5; ++i) {
        steps.push_back(timedKey("Down", VK_DOWN, NONE, down));
    }
    steps.push_back(expectPosition("Down moves the current row", [] { return listFocusedItem() == 5; }, down));
    for (int i = 0; i < 3; ++i) {
        steps.push_back(timedKey("Page Down", VK_NEXT, NONE, pageDown));
    }
    steps.push_back(expectPosition("Page Down moves further", [] { return listFocusedItem() > 5; }, pageDown));
    steps.push_back(timedKey("Ctrl+End", VK_END, CTRL, end));
    steps.push_back(expectPosition("Ctrl+End goes to the last row", [] { return listFocusedItem() == ROWS - 1; }, end));
    // Five values typed into the last cell, each ended by Enter; the last is 9.
    for (const UINT digit : {'5', '6', '7', '8', '9'}) {
        steps.push_back(timedKey("typing", digit, NONE, typing));
        steps.push_back(timedKey("Enter", VK_RETURN, NONE, enter));
    }
    // Ctrl+End goes to the last cell, as in a spreadsheet: the typed value replaces the note
    // of record 163000 and nothing else of its line.
    steps.push_back(expect("typing and Enter write the last cell",
                           [] {
                               return lastLine(currentDocument()) ==
                                      "163000,name163000,city489,41000.00,2026-05-13,C63009,no,0,R2119000,9";
                           },
                           [] { return "last line \"" + escaped(lastLine(currentDocument())) + "\""; },
                           static_cast<DWORD>(GIVE_UP_MS)));

    // Sorting 163,000 rows by a title click: the city column (text), then the amount column
    // (numbers); each undone. Then F3 in the find bar on a city, every match counted.
    auto sortText = std::make_shared<Timing>();
    auto sortNumber = std::make_shared<Timing>();
    auto find = std::make_shared<Timing>();
    auto firstLineBefore = std::make_shared<std::string>();
    steps.push_back(pause(1500));
    steps.push_back(act("note the first record", [firstLineBefore] {
        const std::string text = currentDocument();
        *firstLineBefore = text.substr(0, text.find('\n', text.find('\n') + 1));
    }));
    for (int round = 0; round < 3; ++round) {
        steps.push_back(timedTitleSort("sort by city", 3, sortText));
        steps.push_back(expect("the sort reached the document",
                               [firstLineBefore] {
                                   const std::string text = currentDocument();
                                   return text.substr(0, text.find('\n', text.find('\n') + 1)) != *firstLineBefore;
                               },
                               {}, static_cast<DWORD>(GIVE_UP_MS)));
        appendUndoAndSettle(steps, "sort by city");
        steps.push_back(timedTitleSort("sort by amount", 4, sortNumber));
        appendUndoAndSettle(steps, "sort by amount");
    }
    steps.push_back(act("stop watching the sort arrow", [] {
        if (arrowWatch().hook != nullptr) {
            UnhookWindowsHookEx(std::exchange(arrowWatch().hook, nullptr));
        }
    }));
    // A column inserted in front of the current one, by the + Col button: every row changes.
    auto addColumn = std::make_shared<Timing>();
    steps.push_back(expect("the grid has read the document again",
                           [] { return IsWindowEnabled(panelControl(2607 /* IDC_ADD_COLUMN */)) != FALSE; },
                           [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); },
                           static_cast<DWORD>(GIVE_UP_MS)));
    steps.push_back(timedInput("+ Col", [] { return PostMessageW(panelControl(2607 /* IDC_ADD_COLUMN */), BM_CLICK, 0, 0) != 0; },
                               addColumn));
    steps.push_back(expect("the column reached the document",
                           [] {
                               const std::string header = "id,name,city,amount,date,code,flag,score,ref,note\n";
                               return currentDocument().compare(0, header.size(), header) != 0;
                           },
                           [] { return "first bytes \"" + escaped(currentDocument().substr(0, 60)) + "\""; },
                           static_cast<DWORD>(GIVE_UP_MS)));
    appendUndoAndSettle(steps, "+ Col");
    steps.push_back(focusGrid());
    steps.push_back(pressKey("press Ctrl+F", 'F', CTRL));
    steps.push_back(act("look for city489", [] { SetWindowTextW(GetFocus(), L"city489"); }));
    for (int i = 0; i < 3; ++i) {
        steps.push_back(timedKey("F3", VK_F3, NONE, find));
    }
    steps.push_back(expect("F3 finds the city with a count",
                           [] { const std::wstring status = windowText(panelControl(IDC_STATUS));
                               return status.find(L"match ") != std::wstring::npos && status.find(L" of ") != std::wstring::npos; },
                           [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); }));

    // Typing into the city's filter box: each character answered (the first slice of the
    // filter, the list painted), then the time until the whole document is filtered.
    auto filterTyping = std::make_shared<Timing>();
    auto filterDone = std::make_shared<double>(-1);
    steps.push_back(pressKey("press Esc to close the find bar", VK_ESCAPE));
    steps.push_back(focusGrid());
    steps.push_back(pressKey("press Ctrl+Shift+L", 'L', CTRL | SHIFT));
    steps.push_back(expect("a filter box has the focus", [] {
        wchar_t name[16] = {};
        GetClassNameW(GetFocus(), name, 16);
        return std::wstring(name) == L"Edit" && GetParent(GetFocus()) == listHeader();
    }));
    for (const UINT key : {'C', 'I', 'T', 'Y', '4', '8', '9'}) {
        steps.push_back(timedKey("a character in the filter box", key, NONE, filterTyping));
    }
    steps.push_back(act("note the last character's time", [filterDone] { *filterDone = nowMs(); }));
    steps.push_back(expect("the filter shows the city's rows",
                           [] { const std::wstring status = windowText(panelControl(IDC_STATUS));
                               return status.find(L" of 163,000 rows") != std::wstring::npos &&
                                      status.find(L"filtering") == std::wstring::npos; },
                           [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); },
                           static_cast<DWORD>(GIVE_UP_MS)));
    steps.push_back(act("report the filter", [filterDone] { figure("filter-done-after-last-key", nowMs() - *filterDone, "ms"); }));
    steps.push_back(reportTiming("filter-key", filterTyping));

    steps.push_back(reportTiming("down", down));
    steps.push_back(reportTiming("page-down", pageDown));
    steps.push_back(reportTiming("host-down", hostDown));
    steps.push_back(reportTiming("host-page-down", hostPageDown));
    steps.push_back(act("report the keys beside the host's own", [down, pageDown, hostDown, hostPageDown] {
        for (const auto& [name, grid, host] : {std::tuple{"down", down, hostDown}, std::tuple{"page-down", pageDown, hostPageDown}}) {
            if (!grid->samples.empty() && !host->samples.empty()) {
                figure(std::string(name) + "-to-host", median(grid->samples) / median(host->samples), "x");
            }
        }
    }));
    steps.push_back(reportTiming("ctrl-end", end));
    steps.push_back(reportTiming("type-key", typing));
    steps.push_back(reportTiming("enter", enter));
    steps.push_back(act("report the double-click time", [] {
        figure("double-click-time", GetDoubleClickTime(), "ms");
    }));
    steps.push_back(reportTiming("sort-text", sortText));
    steps.push_back(reportTiming("sort-number", sortNumber));
    steps.push_back(act("report the host's whole replace", [hostReplace, sortText, sortNumber] {
        figure("host-replace-whole-text", *hostReplace, "ms");
        for (const auto& [name, timing] : {std::pair{"sort-text", sortText}, std::pair{"sort-number", sortNumber}}) {
            if (!timing->samples.empty() && *hostReplace > 0) {
                const double middle = median(timing->samples);
                figure(std::string(name) + "-to-host-replace", middle / *hostReplace, "x");
                figure(std::string(name) + "-after-the-wait-to-host-replace",
                       (middle - GetDoubleClickTime()) / *hostReplace, "x");
            }
        }
    }));
    steps.push_back(reportTiming("add-column", addColumn));
    steps.push_back(reportTiming("find-next", find));
    return steps;
}

// ---- a document read a slice at a time ----------------------------------------------------

// What the reading scenario sees of the panel while it reads.
struct Reading {
    double commandPosted = 0;
    double commandAnswer = -1;  // how long a message posted behind the panel command waited
    bool probeOut = false;
    std::vector<std::wstring> statusTexts;  // every text the status line was given after the command
    // Sees the texts given to the status line from the command on: a reading that goes on at
    // once may be done before the panel could be watched any other way.
    HHOOK statusHook = nullptr;
    // A thread posts a message every few milliseconds; the longest any of them waited for the
    // host's loop is how long the loop was held at a time.
    HWND probeWindow = nullptr;
    std::thread prober;
    std::atomic<bool> probing{false};
    double longestAnswer = 0;
    double hostOpen = 0;  // the host's own opening of the same document, without the panel
    // Every tick of the panel's reading timer, from the moment the host's loop took it to the
    // moment it took its next message (the probe keeps one waiting): the slices and what lay
    // between them.
    HHOOK messageHook = nullptr;
    std::vector<std::pair<double, double>> ticks;
    bool tickOpen = false;
    // Between the ticks: the time from each other message taken to the next one, by message
    // (with the timer's id for WM_TIMER), to tell what the loop did there.
    std::map<std::pair<UINT, UINT_PTR>, double> otherMessages;
    std::pair<UINT, UINT_PTR> lastOther{0, 0};
    double lastOtherAt = -1;
    // When the list's first paint with rows ended: the next message taken after it. The steps
    // see the full grid only at their next look, after whatever the loop does first.
    bool listPaintTaken = false;
    double rowsPaintedAt = -1;
};

Reading& reading() {
    static Reading state;
    return state;
}

constexpr UINT_PTR SCAN_TIMER = 2;

LRESULT CALLBACK tickRecorder(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION && removal == PM_REMOVE && lParam != 0) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        Reading& state = reading();
        const double now = nowMs();
        if (state.listPaintTaken && state.rowsPaintedAt < 0 && listItemCount() > 0) {
            state.rowsPaintedAt = now;
        }
        state.listPaintTaken = message.message == WM_PAINT && !state.ticks.empty() &&
                               message.hwnd == panelControl(IDC_GRID_LIST);
        if (state.tickOpen) {
            state.ticks.back().second = now;
            state.tickOpen = false;
        }
        if (state.lastOtherAt >= 0 && !state.ticks.empty()) {
            state.otherMessages[state.lastOther] += now - state.lastOtherAt;
        }
        state.lastOtherAt = -1;
        if (message.message == WM_TIMER && message.wParam == SCAN_TIMER &&
            GetDlgItem(message.hwnd, IDC_GRID_LIST) != nullptr) {
            state.ticks.emplace_back(now, now);
            state.tickOpen = true;
        } else {
            state.lastOther = {message.message, message.message == WM_TIMER ? message.wParam : 0};
            state.lastOtherAt = now;
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

// Where the time of the reading went, from the ticks: the command itself, the wait for the
// first tick, the slices, the waits between them, the last tick (which shows the rows) and the
// time from it to the full grid.
void reportPhases(double fullGridAt) {
    const Reading& state = reading();
    if (state.ticks.empty()) {
        reportLine("figure phases not measured: no tick of the reading timer was seen");
        return;
    }
    double slices = 0;
    double between = 0;
    for (size_t i = 0; i + 1 < state.ticks.size(); ++i) {
        slices += state.ticks[i].second - state.ticks[i].first;
        between += state.ticks[i + 1].first - state.ticks[i].second;
    }
    figure("phase-panel-command", state.commandAnswer, "ms");
    figure("phase-before-first-slice", state.ticks.front().first - state.commandPosted - state.commandAnswer, "ms");
    figure("phase-slices", slices, "ms");
    figure("phase-slice-count", static_cast<double>(state.ticks.size() - 1), "");
    figure("phase-between-slices", between, "ms");
    // The messages that took the most time after the first tick, longest first.
    std::vector<std::pair<double, std::pair<UINT, UINT_PTR>>> others;
    for (const auto& [message, total] : state.otherMessages) others.emplace_back(total, message);
    std::sort(others.rbegin(), others.rend());
    for (size_t i = 0; i < std::min<size_t>(others.size(), 4); ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "phase-message-0x%04X-%u", others[i].second.first,
                      static_cast<unsigned>(others[i].second.second));
        figure(name, others[i].first, "ms");
    }
    figure("phase-last-tick-showing-rows", state.ticks.back().second - state.ticks.back().first, "ms");
    figure("phase-after-last-tick-to-full-grid", fullGridAt - state.ticks.back().second, "ms");
    if (state.rowsPaintedAt >= 0) {
        figure("phase-after-last-tick-to-rows-painted", state.rowsPaintedAt - state.ticks.back().second, "ms");
    }
}

LRESULT CALLBACK statusTextRecorder(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent != nullptr && sent->message == WM_SETTEXT && sent->lParam != 0 &&
        GetDlgCtrlID(sent->hwnd) == IDC_STATUS) {
        reading().statusTexts.emplace_back(reinterpret_cast<const wchar_t*>(sent->lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

constexpr UINT PROBE_MESSAGE = WM_APP + 7;

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PROBE_MESSAGE) {
        LARGE_INTEGER now;
        LARGE_INTEGER frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        const double waited = static_cast<double>(now.QuadPart - static_cast<LONGLONG>(lParam)) * 1e3 /
                              static_cast<double>(frequency.QuadPart);
        reading().longestAnswer = std::max(reading().longestAnswer, waited);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void startProbing() {
    Reading& state = reading();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = probeProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TabulonDriverProbe";
    RegisterClassW(&windowClass);
    state.probeWindow = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr);
    state.probing = true;
    const HWND target = state.probeWindow;
    state.prober = std::thread([target] {
        while (reading().probing) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            PostMessageW(target, PROBE_MESSAGE, 0, static_cast<LPARAM>(now.QuadPart));
            Sleep(5);
        }
    });
}

void stopProbing() {
    Reading& state = reading();
    state.probing = false;
    if (state.prober.joinable()) state.prober.join();
    MSG message;
    while (PeekMessageW(&message, state.probeWindow, PROBE_MESSAGE, PROBE_MESSAGE, PM_REMOVE)) DispatchMessageW(&message);
    DestroyWindow(state.probeWindow);
}

bool showsProgress(const std::wstring& status) {
    return status.rfind(L"Reading the document... ", 0) == 0;
}

// The grid rows of the current document: its lines less the header and the empty last line.
int documentGridRows() {
    return static_cast<int>(SendMessageW(currentView(), 2154 /* SCI_GETLINECOUNT */, 0, 0)) - 2;
}

// The panel opened on a document of more than one slice: it is read a slice at a time from the
// panel's timer with the progress in the status line, the host answering posted messages in
// between, and then every row is shown. The time to the full grid and the longest wait of a
// posted message go into the report as figures.
Scenario readingScenario() {
    return Scenario{
        act("time the host's own opening of the document", [] {
            // Closed and opened again by the host alone, the panel closed: from the open request
            // to the document shown in the editor.
            wchar_t path[MAX_PATH] = {};
            SendMessageW(hostWindows().main, NPPM_GETFULLCURRENTPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
            SendMessageW(hostWindows().main, NPPM_MENUCOMMAND, 0, IDM_FILE_CLOSE);
            const double started = nowMs();
            SendMessageW(hostWindows().main, NPPM_DOOPEN, 0, reinterpret_cast<LPARAM>(path));
            UpdateWindow(currentView());
            reading().hostOpen = nowMs() - started;
        }),
        require("the host shows the document again", [] { return documentGridRows() > 0; }, {}, 60000),
        act("open the panel", [] {
            reading().messageHook = SetWindowsHookExW(WH_GETMESSAGE, tickRecorder, nullptr, GetCurrentThreadId());
            reading().statusHook = SetWindowsHookExW(WH_CALLWNDPROC, statusTextRecorder, nullptr, GetCurrentThreadId());
            reading().commandPosted = nowMs();
            postMenuCommand(tabulonCommandId(PANEL_ITEM));
            // Answered when the command, the panel's creation and the first slice are done.
            const double posted = nowMs();
            afterPostedInput([posted] { reading().commandAnswer = nowMs() - posted; });
        }),
        require("the panel is open", [] { return panelShown() && panelControl(IDC_STATUS) != nullptr; }, {}, 60000),
        act("watch the host's loop", [] { startProbing(); }),
        Step{"read the document while the host answers",
             [] {
                 const bool done = !showsProgress(windowText(panelControl(IDC_STATUS))) &&
                                   listItemCount() == documentGridRows();
                 if (!done) {
                     return StepResult::AGAIN;
                 }
                 const double fullGridAt = nowMs();
                 const double fullGrid = fullGridAt - reading().commandPosted;
                 if (reading().messageHook != nullptr) {
                     UnhookWindowsHookEx(reading().messageHook);
                     reading().messageHook = nullptr;
                 }
                 reportPhases(fullGridAt);
                 figure("open-to-full-grid", fullGrid, "ms");
                 figure("host-open", reading().hostOpen, "ms");
                 figure("full-grid-to-host-open", fullGrid / reading().hostOpen, "x");
                 if (reading().rowsPaintedAt >= 0) {
                     const double rowsPainted = reading().rowsPaintedAt - reading().commandPosted;
                     figure("open-to-rows-painted", rowsPainted, "ms");
                     figure("rows-painted-to-host-open", rowsPainted / reading().hostOpen, "x");
                 }
                 return StepResult::NEXT;
             },
             900000},
        act("report the waits", [] {
            stopProbing();
            if (reading().statusHook != nullptr) {
                UnhookWindowsHookEx(reading().statusHook);
                reading().statusHook = nullptr;
            }
            figure("panel-command-wait", reading().commandAnswer, "ms");
            figure("longest-wait-while-reading", reading().longestAnswer, "ms");
            figure("rows", listItemCount(), "rows");
        }),
        expect("the status line showed the progress between slices",
               [] {
                   const std::vector<std::wstring>& texts = reading().statusTexts;
                   return std::count_if(texts.begin(), texts.end(), showsProgress) >= 1;
               },
               [] { return std::to_string(reading().statusTexts.size()) + " status texts, the last: " +
                           utf8(reading().statusTexts.empty() ? std::wstring() : reading().statusTexts.back()); }),
        expect("the grid shows every row with the counts in the status line",
               [] { return windowText(panelControl(IDC_STATUS)).rfind(std::to_wstring(documentGridRows()) + L" rows x 10 cols", 0) == 0; },
               [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); }),
    };
}

// The first bytes of the current document, read in place.
std::string documentStart(size_t count) {
    const HWND view = currentView();
    const auto length = static_cast<size_t>(SendMessageW(view, SCI_GETLENGTH_, 0, 0));
    const auto* text = reinterpret_cast<const char*>(SendMessageW(view, SCI_GETCHARACTERPOINTER_, 0, 0));
    return text == nullptr ? std::string() : std::string(text, std::min(count, length));
}

// After the first view of a document read a slice at a time, a column inserted in front of the
// second by + Col, timed with the check of the bytes it relies on, beside the host's own undo
// of the same change.
Scenario columnScenario() {
    Scenario steps = readingScenario();
    auto addColumn = std::make_shared<Timing>();
    auto hostUndo = std::make_shared<double>(-1);
    append(steps, {
        clickCell(0, 2),
        expect("the second cell of the first row is current",
               [] { return windowText(panelControl(IDC_STATUS)).find(L"cell R1 C2") != std::wstring::npos; },
               [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); }),
        timedInput("+ Col", [] { return PostMessageW(panelControl(2607 /* IDC_ADD_COLUMN */), BM_CLICK, 0, 0) != 0; },
                   addColumn),
        expect("the column reached the document", [] { return documentStart(4) == "id,,"; },
               [] { return "first bytes \"" + escaped(documentStart(40)) + "\""; }, static_cast<DWORD>(GIVE_UP_MS)),
        act("undo it in the editor, timed", [hostUndo] {
            const double started = nowMs();
            SendMessageW(currentView(), 2176 /* SCI_UNDO */, 0, 0);
            *hostUndo = nowMs() - started;
        }),
        expect("the undo took the column out", [] { return documentStart(4) == "id,n"; }),
        reportTiming("add-column", addColumn),
        act("report the host's undo", [hostUndo] { figure("host-undo-of-the-column", *hostUndo, "ms"); }),
    });
    return steps;
}

}  // namespace

void addLargeDocumentScenarios() {
    registerScenario("large-document-keys", largeDocumentScenario);
    registerScenario("large-document-reading", readingScenario);
    registerScenario("large-document-column", columnScenario);
}

}  // namespace driver
