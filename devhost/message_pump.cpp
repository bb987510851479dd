// The host's message loop and the helpers that let a test run it: until idle, for a span of
// real time, or until a given timer fires.
#include "dev_host.h"

#include <algorithm>

namespace devhost {

void DevHost::noteDispatchTime(LARGE_INTEGER since) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    const double ms = static_cast<double>(now.QuadPart - since.QuadPart) * 1e3 / static_cast<double>(frequency.QuadPart);
    longestDispatchMs_ = std::max(longestDispatchMs_, ms);
}

void DevHost::dispatch(MSG& message) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    deliver(message);
    noteDispatchTime(start);
}

void DevHost::deliver(MSG& message) {
    if (message.message == WM_TIMER) ++timerDispatches_[{message.hwnd, message.wParam}];
    // A copy: a dialog may unregister itself while handling the message.
    const std::vector<HWND> dialogs = modelessDialogs_;
    for (HWND dialog : dialogs) {
        if (IsWindow(dialog) && IsDialogMessageW(dialog, &message)) return;
    }
    if (shortcuts_ && window_ && TranslateAcceleratorW(window_, shortcuts_, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int DevHost::pumpUntilIdle(int bound) {
    int handled = 0;
    MSG message;
    while (handled < bound && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave it for runMessageLoop (or whoever owns the loop) to see.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        dispatch(message);
        ++handled;
    }
    return handled;
}

void DevHost::pumpFor(DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        pumpUntilIdle();
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                                  QS_ALLINPUT);
    }
}

int DevHost::runMessageLoop() {
    MSG message;
    for (;;) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) return static_cast<int>(message.wParam);
        if (result < 0) return -1;
        dispatch(message);
    }
}

bool DevHost::waitForTimer(HWND window, UINT_PTR id, DWORD boundMs) {
    const int before = timerDispatchCount(window, id);
    const ULONGLONG deadline = GetTickCount64() + boundMs;
    MSG message;
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            dispatch(message);
            if (timerDispatchCount(window, id) > before) return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)),
                                  QS_ALLINPUT);
    }
}

LRESULT DevHost::fireTimer(HWND window, UINT_PTR id) {
    const LRESULT result = SendMessageW(window, WM_TIMER, id, 0);
    pumpUntilIdle();
    return result;
}

bool DevHost::isTimerArmed(HWND window, UINT_PTR id, UINT intervalMs) {
    if (!KillTimer(window, id)) return false;
    SetTimer(window, id, intervalMs, nullptr);
    return true;
}

int DevHost::timerDispatchCount(HWND window, UINT_PTR id) const {
    auto it = timerDispatches_.find({window, id});
    return it == timerDispatches_.end() ? 0 : it->second;
}

}  // namespace devhost
