// The driver plug-in: a second plug-in loaded by the real host beside Tabulon. At NPPN_READY it
// starts the scenario named by TABULON_SCENARIO and runs it one step per timer tick, so the
// host's own message loop runs between steps. Every check writes a line to the report file
// (TABULON_REPORT): "ok NAME", "fail NAME: DETAIL", "figure NAME VALUE UNIT", and "done" when
// the scenario has finished; then the driver closes the host.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace driver {

// What a step tells the runner of the scenario.
enum class StepResult {
    NEXT,   // done: the next step runs at the next tick
    AGAIN,  // not yet: the same step runs again at the next tick, until its time is up
    STOP,   // the scenario cannot go on (a failure has been reported)
};

struct Step {
    std::string name;
    std::function<StepResult()> run;
    DWORD timeoutMs = 5000;  // for a step that answers AGAIN
};

using Scenario = std::vector<Step>;

// --- The report --------------------------------------------------------------------------

void reportLine(const std::string& line);
// Writes "ok NAME" or "fail NAME: DETAIL" and returns the condition.
bool check(bool condition, const std::string& name, const std::string& detail = {});
void figure(const std::string& name, double value, const char* unit);
// Bytes shown with C escapes, so a report line stays one line.
std::string escaped(const std::string& bytes);

// Runs `then` once the host's loop has handled every message posted before this call (a posted
// message of the driver's own, queued behind them).
void afterPostedInput(std::function<void()> then);

// --- The scenarios -----------------------------------------------------------------------

// The scenario of that name, or an empty one.
Scenario scenarioNamed(const std::string& name);

// Scenario groups, one per file.
void addPanelScenarios();
void addEditScenarios();
void addViewScenarios();
void addSortFindScenarios();
void addHostEditScenarios();
void addDocumentScenarios();
void addSettingsScenarios();
void addThemeScenarios();
void addLargeDocumentScenarios();
void addScreenshotScenarios();
void addSessionScenarios();
void registerScenario(const std::string& name, std::function<Scenario()> make);

}  // namespace driver
