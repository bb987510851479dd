// The library's face to the host: the process-attach entry and the six exported functions.
//
// The host calls the exports in its own order; the only order relied on is that setInfo comes
// before any command or notification that needs the host's windows. Every export answers a
// fixed value and lets no exception escape.
#include "plugin/host_interface.h"
#include "plugin/exception_barrier.h"
#include "plugin/notification_dispatch.h"
#include "plugin/plugin_commands.h"
#include "panel/grid_panel.h"

namespace {

// The library's module handle, known from the process attach on.
HMODULE libraryModule = nullptr;

// The host's windows as setInfo delivered them.
NppData hostData{};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        libraryModule = module;
        fillPluginCommands();
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void setInfo(NppData data) {
    callGuarded([&] {
        hostData = data;
        gridPanel().attachHost(libraryModule, hostData._nppHandle, hostData._scintillaMainHandle,
                               hostData._scintillaSecondHandle, onPanelClosed);
    });
}

extern "C" __declspec(dllexport) const wchar_t* getName() {
    return L"Tabulon";
}

extern "C" __declspec(dllexport) FuncItem* getFuncsArray(int* count) {
    if (count != nullptr) {
        *count = PLUGIN_COMMAND_COUNT;
    }
    return pluginCommands;
}

extern "C" __declspec(dllexport) void beNotified(SCNotification* notification) {
    callGuarded([&] { dispatchNotification(notification); });
}

// The host's message channel to plug-ins; Tabulon needs nothing from it.
extern "C" __declspec(dllexport) LRESULT messageProc(UINT /*message*/, WPARAM /*wParam*/,
                                                     LPARAM /*lParam*/) {
    return TRUE;
}

// Every string exchanged with the host is UTF-16.
extern "C" __declspec(dllexport) BOOL isUnicode() {
    return TRUE;
}
