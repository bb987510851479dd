// A document of 16 MB (163,000 rows): how long the grid takes to answer Down, Page Down,
// Ctrl+End, a typed character and Enter, measured from posting the key to the host's loop
// having handled it and the list having painted. The figures go into the report; they are
// benchmark figures, not checks. A key that takes longer than the bound ends the scenario.
#include "scenario_steps.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace driver {

namespace {

constexpr int ROWS = 163000;
constexpr double GIVE_UP_MS = 20000;

struct Timing {
    std::vector<double> samples;
    bool tooSlow = false;
};

// Posts the key and times it until the loop has handled it and the list has painted.
Step timedKey(const std::string& name, UINT key, unsigned modifiers, std::shared_ptr<Timing> timing) {
    auto phase = std::make_shared<int>(0);
    auto answered = std::make_shared<double>(-1);
    return Step{"time " + name,
                [=] {
                    if (timing->tooSlow) {
                        return StepResult::NEXT;
                    }
                    if (*phase == 0) {
                        const double posted = nowMs();
                        if (!postKey(key, modifiers)) {
                            check(false, "time " + name, "nothing has the focus");
                            return StepResult::STOP;
                        }
                        // Two hops: the characters the key makes are posted while it is
                        // handled, behind the first hop; the second comes after them.
                        afterPostedInput([=] {
                            afterPostedInput([=] {
                                UpdateWindow(panelControl(IDC_GRID_LIST));
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

Step reportTiming(const std::string& name, std::shared_ptr<Timing> timing) {
    return act("report " + name, [=] {
        if (timing->samples.empty()) {
            reportLine("figure " + name + " not measured");
            return;
        }
        std::vector<double> sorted = timing->samples;
        std::sort(sorted.begin(), sorted.end());
        figure(name + "-median", sorted[sorted.size() / 2], "ms");
        figure(name + "-max", sorted.back(), "ms");
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
    Scenario steps{
        act("note the time", [opened] { *opened = nowMs(); }),
        openPanel(),
        require("the grid shows all 163,000 rows", [] { return listItemCount() == ROWS; },
                [] { return "the list has " + std::to_string(listItemCount()) + " rows; status: " +
                            utf8(windowText(panelControl(IDC_STATUS))); },
                60000),
        act("report the opening", [opened] { figure("open-panel", nowMs() - *opened, "ms"); }),
        focusGrid(),
    };
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
    steps.push_back(timedKey("typing", '9', NONE, typing));
    steps.push_back(timedKey("Enter", VK_RETURN, NONE, enter));
    // Ctrl+End goes to the last cell, as in a spreadsheet: the typed value replaces the note
    // of record 163000 and nothing else of its line.
    steps.push_back(expect("typing and Enter write the last cell",
                           [] {
                               return lastLine(currentDocument()) ==
                                      "163000,name163000,city489,41000.00,2026-05-13,C63009,no,0,R2119000,9";
                           },
                           [] { return "last line \"" + escaped(lastLine(currentDocument())) + "\""; },
                           static_cast<DWORD>(GIVE_UP_MS)));
    steps.push_back(reportTiming("down", down));
    steps.push_back(reportTiming("page-down", pageDown));
    steps.push_back(reportTiming("ctrl-end", end));
    steps.push_back(reportTiming("type-key", typing));
    steps.push_back(reportTiming("enter", enter));
    return steps;
}

}  // namespace

void addLargeDocumentScenarios() {
    registerScenario("large-document-keys", largeDocumentScenario);
}

}  // namespace driver
