#include "row_column_test_support.h"

#include <cwchar>

namespace tabulon_test {

namespace {

thread_local WhileBoxOpen* activeWatch = nullptr;
constexpr UINT RUN_ACTION = WM_APP + 17;
constexpr wchar_t MESSAGE_WINDOW_CLASS[] = L"TabulonTestWhileBoxOpen";

}  // namespace

int OperationTest::currentListColumn() { return statusCell(status()).second; }
int OperationTest::currentGridRow() { return statusCell(status()).first - 1; }

WhileBoxOpen::WhileBoxOpen(std::function<void()> action, std::wstring title)
    : title_(std::move(title)), action_(std::move(action)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &WhileBoxOpen::windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = MESSAGE_WINDOW_CLASS;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    messages_ = CreateWindowExW(0, MESSAGE_WINDOW_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    hook_ = SetWindowsHookExW(WH_CBT, &WhileBoxOpen::cbtProc, nullptr, GetCurrentThreadId());
    activeWatch = this;
}

WhileBoxOpen::~WhileBoxOpen() {
    activeWatch = nullptr;
    if (hook_) UnhookWindowsHookEx(hook_);
    if (messages_) DestroyWindow(messages_);
}

// A posted message comes before the timer by which the box is answered.
LRESULT CALLBACK WhileBoxOpen::cbtProc(int code, WPARAM wParam, LPARAM lParam) {
    WhileBoxOpen* watch = activeWatch;
    if (watch && !watch->ran && code == HCBT_ACTIVATE) {
        wchar_t title[64] = {};
        GetWindowTextW(reinterpret_cast<HWND>(wParam), title, 64);
        if (title == watch->title_) {
            watch->ran = true;
            PostMessageW(watch->messages_, RUN_ACTION, 0, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WhileBoxOpen::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == RUN_ACTION && activeWatch) {
        activeWatch->action_();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tabulon_test
