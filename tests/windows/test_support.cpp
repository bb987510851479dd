#include "test_support.h"

#include "crash_guard.h"

#include <commctrl.h>

namespace tabulon_test {

namespace {

// A crash in the plug-in ends the test program at once, with the faulting module named.
const bool crashGuardInstalled = (devhost::exitOnCrash(), true);

}  // namespace

std::wstring pluginPath() {
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"TABULON_DLL", buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return std::wstring(buffer, n);
    n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, n);
    const size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + L"Tabulon.dll";
}

HWND child(HWND panel, int id) { return GetDlgItem(panel, id); }

RECT childRect(HWND panel, int id) {
    RECT rect{};
    HWND window = child(panel, id);
    if (!window) return rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring listItemText(HWND list, int row, int subItem) {
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void writeSettingsFile(const std::wstring& directory, const std::string& body) {
    ASSERT_TRUE(devhost::writeFileBytes(directory + L"\\Tabulon.ini", "[Tabulon]\r\n" + body));
}

int readSetting(const std::wstring& file, const wchar_t* key, int missing) {
    return static_cast<int>(GetPrivateProfileIntW(L"Tabulon", key, missing, file.c_str()));
}

void PluginTest::SetUp() {
    ASSERT_FALSE(config.path().empty());
    ASSERT_TRUE(hooks.installed());
    ASSERT_TRUE(host.create());
    host.configDirectory = config.path();
    host.mainView().document().load("Name,City\r\nAda,London\r\nGrace,Arlington\r\n");
}

void PluginTest::TearDown() {
    host.destroy();
}

void PluginTest::loadPlugin() {
    ASSERT_TRUE(host.loadPlugin(pluginPath())) << std::string(host.plugin().error().begin(), host.plugin().error().end());
}

}  // namespace tabulon_test
