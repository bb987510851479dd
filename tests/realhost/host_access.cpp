#include "host_access.h"

#include <commctrl.h>

#include <cwchar>

#include "plugin/host_interface.h"

namespace driver {

namespace {

constexpr int IDC_GRID_LIST = 2601;

HostWindows windows;

// Finds the first descendant of `parent` with a control id.
struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK findControl(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<ControlSearch*>(lParam);
    if (GetDlgCtrlID(window) == search->id) {
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        if (search->id != IDC_GRID_LIST || lstrcmpiW(className, WC_LISTVIEWW) == 0) {
            search->found = window;
            return FALSE;
        }
    }
    return TRUE;
}

HWND findDescendant(HWND parent, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(parent, findControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The item's text up to its first tab, without the '&' marks.
std::wstring menuItemName(HMENU menu, UINT position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    std::wstring name;
    for (const wchar_t* p = text; *p != L'\0' && *p != L'\t'; ++p) {
        if (*p != L'&') {
            name += *p;
        }
    }
    return name;
}

std::wstring withoutAmpersands(const wchar_t* text) {
    std::wstring name;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (*p != L'&') {
            name += *p;
        }
    }
    return name;
}

HMENU tabulonMenu() {
    const auto plugins = reinterpret_cast<HMENU>(
        SendMessageW(windows.main, NPPM_GETMENUHANDLE, NPPPLUGINMENU, 0));
    if (plugins == nullptr) {
        return nullptr;
    }
    const int count = GetMenuItemCount(plugins);
    for (int i = 0; i < count; ++i) {
        if (menuItemName(plugins, static_cast<UINT>(i)) == L"Tabulon") {
            return GetSubMenu(plugins, i);
        }
    }
    return nullptr;
}

}  // namespace

void attachHostWindows(const HostWindows& hostWindows) {
    windows = hostWindows;
}

const HostWindows& hostWindows() {
    return windows;
}

int currentViewIndex() {
    int which = -1;
    SendMessageW(windows.main, NPPM_GETCURRENTSCINTILLA_, 0, reinterpret_cast<LPARAM>(&which));
    return which;
}

HWND currentView() {
    return currentViewIndex() == 1 ? windows.secondView : windows.mainView;
}

std::string documentText(HWND view) {
    const auto length = static_cast<size_t>(SendMessageW(view, SCI_GETLENGTH_, 0, 0));
    const auto* text =
        reinterpret_cast<const char*>(SendMessageW(view, SCI_GETCHARACTERPOINTER_, 0, 0));
    return text == nullptr ? std::string() : std::string(text, length);
}

std::string currentDocument() {
    return documentText(currentView());
}

namespace {

BOOL CALLBACK findTabulonBox(HWND window, LPARAM result) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window) && windowText(window) == L"Tabulon") {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND tabulonBox() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findTabulonBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string bookmarkedLines(int lineCount) {
    constexpr UINT SCI_MARKERGET = 2046;
    std::string lines;
    for (int line = 0; line < lineCount; ++line) {
        if ((SendMessageW(currentView(), SCI_MARKERGET, static_cast<WPARAM>(line), 0) & (1 << MARK_BOOKMARK)) != 0) {
            lines += std::to_string(line);
        }
    }
    return lines;
}

void addBookmark(int line) {
    SendMessageW(currentView(), SCI_MARKERADD, static_cast<WPARAM>(line), MARK_BOOKMARK);
}

std::string fileBytes(const std::wstring& path) {
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

std::wstring currentPath() {
    wchar_t path[MAX_PATH] = {};
    SendMessageW(windows.main, NPPM_GETFULLCURRENTPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
    return path;
}

std::wstring currentFileName() {
    const std::wstring path = currentPath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void closeHost() {
    resetKeyState();
    SendMessageW(windows.mainView, SCI_SETSAVEPOINT, 0, 0);
    SendMessageW(windows.secondView, SCI_SETSAVEPOINT, 0, 0);
    PostMessageW(windows.main, WM_CLOSE, 0, 0);
}

UINT tabulonCommandId(const wchar_t* itemText) {
    const HMENU menu = tabulonMenu();
    if (menu == nullptr) {
        return 0;
    }
    const std::wstring wanted = withoutAmpersands(itemText);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (menuItemName(menu, static_cast<UINT>(i)) == wanted) {
            return GetMenuItemID(menu, i);
        }
    }
    return 0;
}

bool menuItemChecked(UINT commandId) {
    const HMENU menu = tabulonMenu();
    return menu != nullptr && (GetMenuState(menu, commandId, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void postMenuCommand(UINT commandId) {
    PostMessageW(windows.main, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

HWND findPanel() {
    const HWND list = findDescendant(windows.main, IDC_GRID_LIST);
    return list == nullptr ? nullptr : GetParent(list);
}

HWND panelControl(int controlId) {
    const HWND panel = findPanel();
    return panel == nullptr ? nullptr : GetDlgItem(panel, controlId);
}

bool panelShown() {
    const HWND panel = findPanel();
    return panel != nullptr && IsWindowVisible(panel);
}

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    if (window != nullptr) {
        GetWindowTextW(window, text, 1024);
    }
    return text;
}

int listItemCount() {
    const HWND list = panelControl(IDC_GRID_LIST);
    return list == nullptr ? -1 : static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring listCellText(int row, int column) {
    const HWND list = panelControl(IDC_GRID_LIST);
    if (list == nullptr) {
        return L"";
    }
    wchar_t text[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int listFocusedItem() {
    const HWND list = panelControl(IDC_GRID_LIST);
    return list == nullptr ? -1
                           : static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                           LVNI_FOCUSED));
}

POINT listCellCenter(int row, int column) {
    const HWND list = panelControl(IDC_GRID_LIST);
    RECT rect{};
    rect.top = column;
    rect.left = LVIR_BOUNDS;
    if (list == nullptr ||
        !SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect))) {
        return POINT{0, 0};
    }
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

namespace {

void setModifiers(unsigned modifiers) {
    BYTE state[256] = {};
    auto hold = [&](int key) { state[key] = 0x80; };
    if (modifiers & CTRL) {
        hold(VK_CONTROL);
        hold(VK_LCONTROL);
    }
    if (modifiers & SHIFT) {
        hold(VK_SHIFT);
        hold(VK_LSHIFT);
    }
    if (modifiers & ALT) {
        hold(VK_MENU);
        hold(VK_LMENU);
    }
    SetKeyboardState(state);
}

}  // namespace

bool postKey(UINT virtualKey, unsigned modifiers) {
    const HWND focus = GetFocus();
    if (focus == nullptr) {
        return false;
    }
    setModifiers(modifiers);
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    // Alt alone makes system keys; with Ctrl held too the system sends ordinary ones.
    const bool system = (modifiers & ALT) != 0 && (modifiers & CTRL) == 0;
    LPARAM lParam = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16) | ((modifiers & ALT) ? (1 << 29) : 0);
    PostMessageW(focus, system ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, lParam);
    lParam |= static_cast<LPARAM>(0xC0000000u);
    PostMessageW(focus, system ? WM_SYSKEYUP : WM_KEYUP, virtualKey, lParam);
    return true;
}

bool postText(const char* text) {
    for (const char* p = text; *p != '\0'; ++p) {
        const SHORT key = VkKeyScanW(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
        if (key == -1) {
            return false;
        }
        // Every key of the text is posted with the modifiers it needs; the key state ends
        // with the last one's, cleared before the next step.
        const HWND focus = GetFocus();
        if (focus == nullptr) {
            return false;
        }
        const unsigned modifiers = (key & 0x100) ? SHIFT : NONE;
        if (!postKey(LOBYTE(key), modifiers)) {
            return false;
        }
    }
    return true;
}

void resetKeyState() {
    BYTE state[256] = {};
    SetKeyboardState(state);
}

void postClick(HWND window, POINT point) {
    const LPARAM position = MAKELPARAM(point.x, point.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, position);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    PostMessageW(window, WM_LBUTTONUP, 0, position);
}

double nowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// --- The host's dialogs ----------------------------------------------------------------------

HWND findDialogWith(int buttonId) {
    struct Search {
        int button;
        HWND found;
    } search{buttonId, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            const HWND button = GetDlgItem(window, s->button);
            if (button != nullptr && IsWindowVisible(window) && IsWindowVisible(button)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {

constexpr int IDREPLACEALL = 1609;

BOOL CALLBACK findHostPrompt(HWND window, LPARAM result) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window) &&
        (GetDlgItem(window, IDYES) != nullptr || GetDlgItem(window, IDOK) != nullptr) &&
        GetDlgItem(window, IDREPLACEALL) == nullptr && windowText(window) != L"Tabulon") {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND hostPrompt() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findHostPrompt, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace driver
