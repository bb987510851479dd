// The host main window: creation and layout, the answers to the plug-in's host messages, and
// the forwarding of editor notifications to the plug-in.
#include "dev_host.h"

#include <cstring>
#include <utility>

namespace devhost {

namespace {

constexpr wchar_t HOST_CLASS[] = L"DevhostMainWindow";
constexpr wchar_t DOCK_CLASS[] = L"DevhostDockContainer";

HINSTANCE currentInstance() { return GetModuleHandleW(nullptr); }

bool registerClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(currentInstance(), name, &wc)) return true;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = currentInstance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

DevHost::DevHost() = default;

DevHost::~DevHost() { destroy(); }

NppDarkModeColors DevHost::defaultDarkPalette() {
    NppDarkModeColors colors{};
    colors.background = RGB(0x20, 0x20, 0x20);
    // As the real host paints them: its rows alternate between these two backgrounds, and its
    // hot background lies within 40 levels of both.
    colors.softerBackground = RGB(0x38, 0x38, 0x38);
    colors.hotBackground = RGB(0x45, 0x45, 0x45);
    colors.pureBackground = RGB(0x00, 0x00, 0x00);
    colors.errorBackground = RGB(0x80, 0x00, 0x00);
    colors.text = RGB(0xE0, 0xE0, 0xE0);
    colors.darkerText = RGB(0xC0, 0xC0, 0xC0);
    colors.disabledText = RGB(0x80, 0x80, 0x80);
    colors.linkText = RGB(0xFF, 0xFF, 0x00);
    colors.edge = RGB(0x64, 0x64, 0x64);
    colors.hotEdge = RGB(0x9B, 0x9B, 0x9B);
    colors.disabledEdge = RGB(0x48, 0x48, 0x48);
    return colors;
}

bool DevHost::create(int width, int height, bool decorated) {
    if (window_) return true;
    if (!registerClass(HOST_CLASS, &DevHost::hostProc, GetSysColorBrush(COLOR_APPWORKSPACE))) return false;
    if (!registerClass(DOCK_CLASS, &DevHost::dockProc, GetSysColorBrush(COLOR_BTNFACE))) return false;
    // Undecorated by default: the X driver then treats it as an unmanaged window, which
    // spares every test the wait for a window manager that is not there when it goes.
    const DWORD style = (decorated ? WS_OVERLAPPEDWINDOW : WS_POPUP) | WS_CLIPCHILDREN;
    window_ = CreateWindowExW(0, HOST_CLASS, L"devhost", style, 0, 0, width, height,
                              nullptr, nullptr, currentInstance(), this);
    if (!window_) return false;
    if (!mainView_.create(window_, MAIN_VIEW_ID, currentInstance()) ||
        !secondView_.create(window_, SECOND_VIEW_ID, currentInstance())) {
        destroy();
        return false;
    }
    dock_ = CreateWindowExW(0, DOCK_CLASS, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 10, 10, window_,
                            nullptr, currentInstance(), this);
    if (!dock_) {
        destroy();
        return false;
    }
    sentMessageHook_ = SetWindowsHookExW(WH_CALLWNDPROC, &DevHost::sentMessageProc, nullptr, GetCurrentThreadId());
    layout();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return true;
}

LRESULT CALLBACK DevHost::sentMessageProc(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DevHost::destroy() {
    if (plugin_.loaded()) shutdownPlugin();
    mainView_.destroy();
    secondView_.destroy();
    if (window_ && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    window_ = nullptr;
    dock_ = nullptr;
    if (shortcuts_) DestroyAcceleratorTable(shortcuts_);
    shortcuts_ = nullptr;
    if (sentMessageHook_) UnhookWindowsHookEx(sentMessageHook_);
    sentMessageHook_ = nullptr;
    pumpUntilIdle(1000);
}

// The two views side by side above the dock container, which runs along the bottom edge.
void DevHost::layout() {
    if (!window_) return;
    RECT client;
    GetClientRect(window_, &client);
    const int dockHeight = dockSize_ ? dockSize_->cy : DEFAULT_DOCK_HEIGHT;
    const int dockWidth = dockSize_ ? dockSize_->cx : client.right;
    const int viewsHeight = client.bottom > dockHeight ? client.bottom - dockHeight : 0;
    if (mainView_.window()) MoveWindow(mainView_.window(), 0, 0, client.right / 2, viewsHeight, TRUE);
    if (secondView_.window())
        MoveWindow(secondView_.window(), client.right / 2, 0, client.right - client.right / 2, viewsHeight, TRUE);
    if (dock_) MoveWindow(dock_, 0, client.bottom - dockHeight, dockWidth, dockHeight, TRUE);
    fitPanelToDock();
}

LRESULT CALLBACK DevHost::hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<DevHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!host || !host->window_) return DefWindowProcW(window, message, wParam, lParam);
    return host->handleHostMessage(message, wParam, lParam);
}

LRESULT DevHost::handleHostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    const LRESULT answer = answerPluginMessage(message, wParam, lParam, handled);
    if (handled) {
        ++hostMessageCounts_[message];
        return answer;
    }
    switch (message) {
    case WM_SIZE:
        layout();
        return 0;
    case WM_COMMAND:
        return handleCommand(wParam);
    case WM_NOTIFY: {
        // Every notification of the views goes on to the plug-in, as the host forwards them.
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && (header->hwndFrom == mainView_.window() || header->hwndFrom == secondView_.window()))
            forwardEditorNotification(reinterpret_cast<SCNotification*>(lParam));
        return 0;
    }
    case WM_CLOSE:
        // As the host does on exit: the plug-in is told and unloaded before the windows go.
        if (plugin_.loaded()) shutdownPlugin();
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

LRESULT DevHost::answerPluginMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
    case NPPM_GETCURRENTSCINTILLA:
        if (lParam && (currentView == 0 || currentView == 1)) *reinterpret_cast<int*>(lParam) = currentView;
        return TRUE;
    case NPPM_MODELESSDIALOG: {
        HWND dialog = reinterpret_cast<HWND>(lParam);
        modelessEvents.push_back({wParam, dialog, IsWindow(dialog) != FALSE});
        if (wParam == MODELESSDIALOGADD) {
            modelessDialogs_.push_back(dialog);
        } else if (wParam == MODELESSDIALOGREMOVE) {
            std::erase(modelessDialogs_, dialog);
        }
        return lParam;
    }
    case NPPM_DMMSHOW:
    case NPPM_DMMHIDE:
        dockRequests.push_back(message);
        showDock(reinterpret_cast<HWND>(lParam), message == NPPM_DMMSHOW);
        return 0;
    case NPPM_DMMREGASDCKDLG:
        registerDock(reinterpret_cast<const tTbData*>(lParam));
        return 0;
    case NPPM_ADDTOOLBARICON_FORDARKMODE: {
        const auto* images = reinterpret_cast<const toolbarIconsWithDarkMode*>(lParam);
        if (!images) return FALSE;
        toolbarButtons.push_back({static_cast<int>(wParam), images->hToolbarBmp, images->hToolbarIcon,
                                  images->hToolbarIconDarkMode});
        return TRUE;
    }
    case NPPM_SETMENUITEMCHECK:
        menuChecks.push_back({static_cast<int>(wParam), lParam});
        return TRUE;
    case NPPM_GETPLUGINSCONFIGDIR: {
        auto* buffer = reinterpret_cast<wchar_t*>(lParam);
        const size_t capacity = static_cast<size_t>(wParam);
        if (!buffer || configDirectory.empty() || configDirectory.size() + 1 > capacity) return FALSE;
        std::memcpy(buffer, configDirectory.c_str(), (configDirectory.size() + 1) * sizeof(wchar_t));
        return static_cast<LRESULT>(configDirectory.size());
    }
    case NPPM_MENUCOMMAND:
        return runHostCommand(static_cast<int>(lParam)) ? TRUE : FALSE;
    case NPPM_SAVECURRENTFILE:
        return runHostCommand(IDM_FILE_SAVE) ? TRUE : FALSE;
    case NPPM_GETSHORTCUTBYCMDID: {
        // The key the user mapped the plug-in command to; FALSE for none.
        const int index = static_cast<int>(wParam) - PluginLoader::FIRST_COMMAND_ID;
        const std::optional<ShortcutKey> key = pluginShortcut(index);
        if (!key || key->_key == 0 || !lParam) return FALSE;
        *reinterpret_cast<ShortcutKey*>(lParam) = *key;
        return TRUE;
    }
    case NPPM_ISDARKMODEENABLED:
        return darkMode ? TRUE : FALSE;
    case NPPM_GETFULLPATHFROMBUFFERID: {
        // The path of the document in either view with that buffer id; -1 for none.
        for (int index = 0; index < 2; ++index) {
            const EditorDocument& document = view(index).document();
            if (bufferId(document) != static_cast<UINT_PTR>(wParam)) continue;
            if (lParam) {
                std::memcpy(reinterpret_cast<void*>(lParam), document.path.c_str(),
                            (document.path.size() + 1) * sizeof(wchar_t));
            }
            return static_cast<LRESULT>(document.path.size());
        }
        return -1;
    }
    case NPPM_GETCURRENTBUFFERID:
        return currentView == 0 || currentView == 1 ? static_cast<LRESULT>(bufferId(view(currentView).document())) : 0;
    case NPPM_ADDSCNMODIFIEDFLAGS:
        addedModificationFlags |= lParam;
        return TRUE;
    case NPPM_GETDARKMODECOLORS:
        if (!darkPalette || !lParam || wParam != sizeof(NppDarkModeColors)) return FALSE;
        std::memcpy(reinterpret_cast<void*>(lParam), &*darkPalette, sizeof(NppDarkModeColors));
        return TRUE;
    default:
        handled = false;
        return 0;
    }
}

void DevHost::forwardEditorNotification(SCNotification* notification) {
    if (notification->nmhdr.code != SCN_MODIFIED) {
        ++editorNotificationCounts_[notification->nmhdr.code];
        plugin_.notify(notification);
        return;
    }
    ++editorNotificationCounts_[SCN_MODIFIED];
    ModificationEvent event;
    event.from = notification->nmhdr.hwndFrom;
    event.modificationType = notification->modificationType;
    event.position = notification->position;
    event.length = notification->length;
    event.linesAdded = notification->linesAdded;
    if (notification->text && notification->length > 0)
        event.text.assign(notification->text, static_cast<size_t>(notification->length));
    modifications.push_back(std::move(event));
    plugin_.notify(notification);
}

std::optional<bool> DevHost::menuChecked(int commandId) const {
    for (auto it = menuChecks.rbegin(); it != menuChecks.rend(); ++it)
        if (it->commandId == commandId) return it->checked != 0;
    return std::nullopt;
}

std::optional<bool> DevHost::toolbarButtonChecked(int commandId) const {
    for (const ToolbarButton& button : toolbarButtons)
        if (button.commandId == commandId) return menuChecked(commandId).value_or(false);
    return std::nullopt;
}

int DevHost::editorNotificationCount(UINT code) const {
    auto it = editorNotificationCounts_.find(code);
    return it == editorNotificationCounts_.end() ? 0 : it->second;
}

int DevHost::hostMessageCount(UINT message) const {
    auto it = hostMessageCounts_.find(message);
    return it == hostMessageCounts_.end() ? 0 : it->second;
}

void DevHost::clearRecords() {
    menuChecks.clear();
    hostCommands.clear();
    modelessEvents.clear();
    modifications.clear();
    dockRequests.clear();
    hostMessageCounts_.clear();
    editorNotificationCounts_.clear();
    timerDispatches_.clear();
}

// ---- the plug-in ----

NppData DevHost::pluginData() const {
    NppData data{};
    data._nppHandle = hostWindowForPlugin ? *hostWindowForPlugin : window_;
    data._scintillaMainHandle = mainView_.window();
    data._scintillaSecondHandle = secondView_.window();
    return data;
}

bool DevHost::loadPlugin(const std::wstring& path) {
    if (!plugin_.load(path)) return false;
    plugin_.start(pluginData());
    buildShortcutTable();
    // The host restores the panels left open while its main window is being made: before
    // NPPN_READY, so before the plug-in has read its settings.
    for (int index : restoreCommandsAtStart) plugin_.invokeCommand(index);
    plugin_.notify(NPPN_TBMODIFICATION, window_);
    plugin_.notify(NPPN_READY, window_);
    pumpUntilIdle();
    return true;
}

bool DevHost::invokeCommand(int index) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const bool invoked = plugin_.invokeCommand(index);
    noteDispatchTime(start);
    pumpUntilIdle();
    return invoked;
}

int DevHost::replaceAllSilently(int viewIndex, std::string_view from, std::string_view to) {
    EditorView& target = view(viewIndex);
    std::string text = target.text();
    int count = 0;
    for (size_t at = text.find(from); !from.empty() && at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
        ++count;
    }
    if (count == 0) return 0;
    silentEdit(viewIndex, 0, target.document().length(), text);
    return count;
}

void DevHost::silentEdit(int viewIndex, size_t position, size_t length, std::string_view bytes) {
    EditorView& target = view(viewIndex);
    if (target.document().readOnly || (length == 0 && bytes.empty())) return;
    target.silentReplace(position, length, bytes);
    plugin_.notify(NPPN_GLOBALMODIFIED, reinterpret_cast<HWND>(bufferId(target.document())));
    pumpUntilIdle();
}

void DevHost::notify(UINT code) {
    plugin_.notify(code, window_);
    pumpUntilIdle();
}

bool DevHost::shutdownPlugin() {
    if (!plugin_.loaded()) return true;
    plugin_.shutdown(window_);
    pumpUntilIdle();
    // A panel the plug-in left behind runs code of the library: it must go before the library.
    HWND panel = dockedPanel();
    if (panel && IsWindow(panel)) DestroyWindow(panel);
    modelessDialogs_.clear();
    dockRegistration.reset();
    toolbarButtons.clear();
    return plugin_.unload();
}

void DevHost::setDarkMode(bool dark, std::optional<NppDarkModeColors> palette) {
    darkMode = dark;
    darkPalette = palette;
    notify(NPPN_DARKMODECHANGED);
}

std::shared_ptr<EditorDocument> DevHost::activateDocument(int viewIndex, std::shared_ptr<EditorDocument> document) {
    std::shared_ptr<EditorDocument> previous = view(viewIndex).swapDocument(std::move(document));
    currentView = viewIndex;
    notify(NPPN_BUFFERACTIVATED);
    return previous;
}

}  // namespace devhost
