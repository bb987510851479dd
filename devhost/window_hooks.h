// A thread CBT hook that keeps modal message boxes from blocking a test: every message box
// that becomes active is recorded (text, title, owner, buttons, icon) and answered with a
// scripted button. The same hook can refuse the creation of chosen windows, to imitate a
// system that cannot create them.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace devhost {

enum class MessageBoxIcon { None, Error, Warning, Information, Question, Unknown };

struct CapturedMessageBox {
    std::wstring text;
    std::wstring title;
    HWND owner = nullptr;
    std::vector<int> buttons;  // IDOK, IDCANCEL, ... present in the box
    MessageBoxIcon icon = MessageBoxIcon::None;
    int answer = 0;            // the button it was answered with
    bool hasButton(int id) const;
};

class WindowHooks {
public:
    // Installs the hook on the calling thread; one instance per thread at a time.
    WindowHooks();
    ~WindowHooks();
    WindowHooks(const WindowHooks&) = delete;
    WindowHooks& operator=(const WindowHooks&) = delete;

    bool installed() const { return hook_ != nullptr; }

    // Buttons to answer the next boxes with, in order. When empty: IDOK if the box has it,
    // else IDCANCEL, else its first button.
    std::deque<int> scriptedAnswers;
    std::vector<CapturedMessageBox> boxes;

    // Decides, for each window about to be created (class name, window name), whether its
    // creation fails. Empty: nothing is refused.
    std::function<bool(const std::wstring& className, const std::wstring& windowName)> refuseCreation;
    int refusedCount = 0;

private:
    static LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK timerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    void onActivate(HWND window);
    void answer(HWND window);
    bool onCreate(HWND window, const CBT_CREATEWNDW* create);

    HHOOK hook_ = nullptr;
    std::vector<HWND> pending_;  // activated dialogs not looked at yet
    UINT_PTR timer_ = 0;
};

}  // namespace devhost
