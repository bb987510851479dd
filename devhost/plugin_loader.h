// Loads a plug-in DLL by path and calls it the way the host does: the six exports resolved by
// name, setInfo, getName, getFuncsArray, isUnicode in that order, command ids assigned to the
// menu table, then NPPN_READY; later menu commands, notifications, NPPN_SHUTDOWN and unload.
#pragma once

#include "plugin_interface.h"

#include <windows.h>

#include <string>
#include <vector>

namespace devhost {

class PluginLoader {
public:
    // The first command id the host gives; item i gets FIRST_COMMAND_ID + i.
    static constexpr int FIRST_COMMAND_ID = 22000;

    PluginLoader() = default;
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // LoadLibrary and resolve the exports. False (with error() telling why) when the library
    // cannot be loaded or an export is missing; the library is then not kept loaded.
    bool load(const std::wstring& path);
    bool loaded() const { return module_ != nullptr; }
    const std::wstring& error() const { return error_; }
    HMODULE module() const { return module_; }

    // setInfo, getName, getFuncsArray, isUnicode; assigns the command ids.
    void start(const NppData& data);

    // Notifications from the host window: NPPN_* codes with hwndFrom = the host.
    void notify(UINT code, HWND from);
    // Any notification record, passed as is (SCN_MODIFIED from a view, or a null pointer).
    void notify(SCNotification* notification);

    // Calls the menu item's _pFunc; false when the index is out of range or the item is a
    // separator.
    bool invokeCommand(int index);
    int commandId(int index) const;

    // NPPN_SHUTDOWN (once; later calls do nothing).
    void shutdown(HWND host);
    // FreeLibrary's result; true when nothing was loaded.
    bool unload();

    // What the exports answered in start().
    const std::wstring& name() const { return name_; }
    BOOL unicode() const { return unicode_; }
    FuncItem* items() const { return items_; }
    int itemCount() const { return itemCount_; }

    LRESULT messageProc(UINT message, WPARAM wParam, LPARAM lParam);

    SetInfoFunction setInfo = nullptr;
    GetNameFunction getName = nullptr;
    GetFuncsArrayFunction getFuncsArray = nullptr;
    BeNotifiedFunction beNotified = nullptr;
    MessageProcFunction messageProcFunction = nullptr;
    IsUnicodeFunction isUnicode = nullptr;

private:
    HMODULE module_ = nullptr;
    std::wstring error_;
    std::wstring name_;
    BOOL unicode_ = FALSE;
    FuncItem* items_ = nullptr;
    int itemCount_ = 0;
    bool shutDown_ = false;
};

}  // namespace devhost
