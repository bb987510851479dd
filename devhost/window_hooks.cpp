#include "window_hooks.h"

#include <algorithm>

namespace devhost {

namespace {

thread_local WindowHooks* activeHooks = nullptr;

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

MessageBoxIcon iconOf(HICON icon) {
    if (!icon) return MessageBoxIcon::None;
    if (icon == LoadIconW(nullptr, IDI_HAND)) return MessageBoxIcon::Error;
    if (icon == LoadIconW(nullptr, IDI_EXCLAMATION)) return MessageBoxIcon::Warning;
    if (icon == LoadIconW(nullptr, IDI_ASTERISK)) return MessageBoxIcon::Information;
    if (icon == LoadIconW(nullptr, IDI_QUESTION)) return MessageBoxIcon::Question;
    return MessageBoxIcon::Unknown;
}

struct ChildScan {
    std::wstring text;
    HICON icon = nullptr;
};

BOOL CALLBACK scanChild(HWND child, LPARAM context) {
    auto* scan = reinterpret_cast<ChildScan*>(context);
    if (_wcsicmp(className(child).c_str(), L"Static") != 0) return TRUE;
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        if (IsWindowVisible(child)) scan->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    } else if (scan->text.empty()) {
        scan->text = windowText(child);
    }
    return TRUE;
}

}  // namespace

bool CapturedMessageBox::hasButton(int id) const { return std::find(buttons.begin(), buttons.end(), id) != buttons.end(); }

WindowHooks::WindowHooks() {
    if (activeHooks) return;
    hook_ = SetWindowsHookExW(WH_CBT, &WindowHooks::cbtProc, nullptr, GetCurrentThreadId());
    if (hook_) activeHooks = this;
}

WindowHooks::~WindowHooks() {
    if (!hook_) return;
    if (timer_) KillTimer(nullptr, timer_);
    UnhookWindowsHookEx(hook_);
    activeHooks = nullptr;
}

LRESULT CALLBACK WindowHooks::cbtProc(int code, WPARAM wParam, LPARAM lParam) {
    WindowHooks* hooks = activeHooks;
    if (hooks && code == HCBT_CREATEWND) {
        if (hooks->onCreate(reinterpret_cast<HWND>(wParam), reinterpret_cast<CBT_CREATEWNDW*>(lParam))) return 1;
    } else if (hooks && code == HCBT_ACTIVATE) {
        hooks->onActivate(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool WindowHooks::onCreate(HWND window, const CBT_CREATEWNDW* create) {
    if (!refuseCreation) return false;
    std::wstring name;
    if (create && create->lpcs && create->lpcs->lpszName && !IS_INTRESOURCE(create->lpcs->lpszName))
        name = create->lpcs->lpszName;
    if (!refuseCreation(className(window), name)) return false;
    ++refusedCount;
    return true;
}

// A dialog that became active may be a message box. Its controls are not all in place at
// activation on every system, so it is looked at a moment later, from a thread timer that
// the box's own modal loop dispatches.
void WindowHooks::onActivate(HWND window) {
    if (className(window) != L"#32770") return;
    if (std::find(pending_.begin(), pending_.end(), window) != pending_.end()) return;
    pending_.push_back(window);
    if (!timer_) timer_ = SetTimer(nullptr, 0, 5, &WindowHooks::timerProc);
}

void CALLBACK WindowHooks::timerProc(HWND, UINT, UINT_PTR, DWORD) {
    WindowHooks* hooks = activeHooks;
    if (!hooks) return;
    KillTimer(nullptr, hooks->timer_);
    hooks->timer_ = 0;
    const std::vector<HWND> pending = std::move(hooks->pending_);
    hooks->pending_.clear();
    for (HWND window : pending)
        if (IsWindow(window)) hooks->answer(window);
}

// A message box is a "#32770" dialog with a static text and push buttons with the standard
// ids: record it and press the chosen button.
void WindowHooks::answer(HWND window) {
    CapturedMessageBox box;
    box.title = windowText(window);
    box.owner = GetWindow(window, GW_OWNER);
    for (int id = IDOK; id <= IDCONTINUE; ++id) {
        HWND button = GetDlgItem(window, id);
        if (button && IsWindowVisible(button) && _wcsicmp(className(button).c_str(), L"Button") == 0)
            box.buttons.push_back(id);
    }
    if (box.buttons.empty()) return;  // some other dialog (the plug-in's own panel)
    ChildScan scan;
    EnumChildWindows(window, &scanChild, reinterpret_cast<LPARAM>(&scan));
    box.text = scan.text;
    box.icon = iconOf(scan.icon);

    int answer = 0;
    if (!scriptedAnswers.empty()) {
        answer = scriptedAnswers.front();
        scriptedAnswers.pop_front();
    } else if (box.hasButton(IDOK)) {
        answer = IDOK;
    } else if (box.hasButton(IDCANCEL)) {
        answer = IDCANCEL;
    } else {
        answer = box.buttons.front();
    }
    box.answer = answer;
    boxes.push_back(box);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, answer)));
}

}  // namespace devhost
