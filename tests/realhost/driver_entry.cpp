// The driver's face to the host (the six exports), its report, and the runner that steps
// through the scenario on a timer of its own window.
#include "driver.h"
#include "host_access.h"

#include "plugin/host_interface.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace driver {

namespace {

constexpr UINT_PTR STEP_TIMER = 1;
constexpr UINT STEP_INTERVAL_MS = 30;

HINSTANCE driverModule = nullptr;
std::wstring reportPath;
std::string scenarioName;
Scenario scenario;
size_t stepIndex = 0;
double stepStartedMs = 0;
bool started = false;
bool finished = false;
HWND stepWindow = nullptr;

std::map<std::string, std::function<Scenario()>>& scenarios() {
    static std::map<std::string, std::function<Scenario()>> table;
    return table;
}

std::wstring environment(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(value);
}

// A message box left open would keep the host from closing: it is reported and answered.
BOOL CALLBACK closeMessageBox(HWND window, LPARAM) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window) &&
        GetWindow(window, GW_OWNER) != nullptr && GetDlgItem(window, 2601) == nullptr) {
        wchar_t text[512] = {};
        GetDlgItemTextW(window, 0xFFFF, text, 512);  // the box's message text
        check(false, "no message box is left open", "\"" + utf8(windowText(window)) + "\": " + utf8(text));
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

void finish() {
    if (finished) {
        return;
    }
    finished = true;
    KillTimer(stepWindow, STEP_TIMER);
    EnumThreadWindows(GetCurrentThreadId(), closeMessageBox, 0);
    reportLine("done");
    closeHost();
}

void runStep() {
    if (finished) {
        return;
    }
    // The input posted by the step before has been handled: timers come only when the queue
    // holds no posted message.
    resetKeyState();
    if (stepIndex >= scenario.size()) {
        finish();
        return;
    }
    Step& step = scenario[stepIndex];
    StepResult result = StepResult::STOP;
    try {
        result = step.run();
    } catch (...) {
        check(false, step.name, "threw an exception");
    }
    if (result == StepResult::AGAIN && nowMs() - stepStartedMs > step.timeoutMs) {
        check(false, step.name, "no answer within " + std::to_string(step.timeoutMs) + " ms");
        result = StepResult::STOP;
    }
    if (result == StepResult::STOP) {
        finish();
        return;
    }
    if (result == StepResult::NEXT) {
        ++stepIndex;
        stepStartedMs = nowMs();
    }
}

constexpr UINT MARKER_MESSAGE = WM_APP + 1;

LRESULT CALLBACK stepWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == STEP_TIMER) {
        runStep();
        return 0;
    }
    if (message == MARKER_MESSAGE) {
        std::unique_ptr<std::function<void()>> then(reinterpret_cast<std::function<void()>*>(lParam));
        (*then)();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void start() {
    if (started) {
        return;
    }
    started = true;
    reportPath = environment(L"TABULON_REPORT");
    scenarioName = utf8(environment(L"TABULON_SCENARIO"));
    if (scenarioName.empty()) {
        return;  // loaded without a scenario (an interactive run): the driver stays idle
    }
    reportLine("scenario " + scenarioName);
    scenario = scenarioNamed(scenarioName);
    if (scenario.empty()) {
        check(false, "scenario", "no scenario named " + scenarioName);
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = stepWindowProc;
    windowClass.hInstance = driverModule;
    windowClass.lpszClassName = L"TabulonDriverSteps";
    RegisterClassW(&windowClass);
    stepWindow = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                 nullptr, driverModule, nullptr);
    stepStartedMs = nowMs();
    SetTimer(stepWindow, STEP_TIMER, STEP_INTERVAL_MS, nullptr);
}

}  // namespace

void reportLine(const std::string& line) {
    if (reportPath.empty()) {
        return;
    }
    // Opened for every line, so the lines written before a hang or a crash are on disk.
    FILE* file = _wfopen(reportPath.c_str(), L"ab");
    if (file != nullptr) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

bool check(bool condition, const std::string& name, const std::string& detail) {
    reportLine((condition ? "ok " : "fail ") + name + (condition || detail.empty() ? "" : ": " + detail));
    return condition;
}

void figure(const std::string& name, double value, const char* unit) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    reportLine("figure " + name + " " + text + " " + unit);
}

std::string escaped(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void afterPostedInput(std::function<void()> then) {
    auto* callback = new std::function<void()>(std::move(then));
    if (!PostMessageW(stepWindow, MARKER_MESSAGE, 0, reinterpret_cast<LPARAM>(callback))) {
        delete callback;
    }
}

void registerScenario(const std::string& name, std::function<Scenario()> make) {
    scenarios()[name] = std::move(make);
}

Scenario scenarioNamed(const std::string& name) {
    if (scenarios().empty()) {
        addPanelScenarios();
        addEditScenarios();
        addViewScenarios();
        addSortFindScenarios();
        addSessionScenarios();
        addHostEditScenarios();
        addDocumentScenarios();
        addSettingsScenarios();
        addThemeScenarios();
        addLargeDocumentScenarios();
        addScreenshotScenarios();
    }
    const auto found = scenarios().find(name);
    return found == scenarios().end() ? Scenario{} : found->second();
}

void onShutdown() {
    reportLine("shutdown");
}

}  // namespace driver

namespace {

FuncItem driverCommands[1];

void noCommand() {}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        driver::driverModule = module;
        lstrcpynW(driverCommands[0]._itemName, L"Scenario driver", MENU_ITEM_NAME_LENGTH);
        driverCommands[0]._pFunc = noCommand;
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void setInfo(NppData data) {
    driver::attachHostWindows({data._nppHandle, data._scintillaMainHandle, data._scintillaSecondHandle});
}

extern "C" __declspec(dllexport) const wchar_t* getName() {
    return L"TabulonDriver";
}

// The host loads no plug-in without a command, so the driver has one that does nothing.
extern "C" __declspec(dllexport) FuncItem* getFuncsArray(int* count) {
    *count = 1;
    return driverCommands;
}

extern "C" __declspec(dllexport) void beNotified(SCNotification* notification) {
    if (notification->nmhdr.code == NPPN_READY) {
        driver::start();
    } else if (notification->nmhdr.code == NPPN_SHUTDOWN) {
        driver::onShutdown();
    }
}

extern "C" __declspec(dllexport) LRESULT messageProc(UINT, WPARAM, LPARAM) {
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL isUnicode() {
    return TRUE;
}
