#include "plugin_loader.h"

namespace devhost {

namespace {

template <typename Function>
bool resolve(HMODULE module, const char* name, Function& function, std::wstring& missing) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (function) return true;
    if (!missing.empty()) missing += L", ";
    for (const char* c = name; *c; ++c) missing += static_cast<wchar_t>(*c);
    return false;
}

}  // namespace

PluginLoader::~PluginLoader() { unload(); }

bool PluginLoader::load(const std::wstring& path) {
    unload();
    error_.clear();
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        error_ = L"LoadLibrary failed for " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    std::wstring missing;
    bool ok = resolve(module, "setInfo", setInfo, missing);
    ok = resolve(module, "getName", getName, missing) && ok;
    ok = resolve(module, "getFuncsArray", getFuncsArray, missing) && ok;
    ok = resolve(module, "beNotified", beNotified, missing) && ok;
    ok = resolve(module, "messageProc", messageProcFunction, missing) && ok;
    ok = resolve(module, "isUnicode", isUnicode, missing) && ok;
    if (!ok) {
        error_ = L"missing exports: " + missing;
        FreeLibrary(module);
        setInfo = nullptr;
        getName = nullptr;
        getFuncsArray = nullptr;
        beNotified = nullptr;
        messageProcFunction = nullptr;
        isUnicode = nullptr;
        return false;
    }
    module_ = module;
    shutDown_ = false;
    return true;
}

void PluginLoader::start(const NppData& data) {
    if (!module_) return;
    setInfo(data);
    const wchar_t* name = getName();
    name_ = name ? name : L"";
    itemCount_ = 0;
    items_ = getFuncsArray(&itemCount_);
    unicode_ = isUnicode();
    if (!items_) itemCount_ = 0;
    for (int i = 0; i < itemCount_; ++i) items_[i]._cmdID = FIRST_COMMAND_ID + i;
}

void PluginLoader::notify(UINT code, HWND from) {
    SCNotification notification{};
    notification.nmhdr.hwndFrom = from;
    notification.nmhdr.code = code;
    notify(&notification);
}

void PluginLoader::notify(SCNotification* notification) {
    if (module_ && beNotified && !shutDown_) beNotified(notification);
}

bool PluginLoader::invokeCommand(int index) {
    if (!module_ || !items_ || index < 0 || index >= itemCount_ || !items_[index]._pFunc) return false;
    items_[index]._pFunc();
    return true;
}

int PluginLoader::commandId(int index) const {
    if (!items_ || index < 0 || index >= itemCount_) return -1;
    return items_[index]._cmdID;
}

void PluginLoader::shutdown(HWND host) {
    if (!module_ || shutDown_) return;
    notify(NPPN_SHUTDOWN, host);
    shutDown_ = true;
}

bool PluginLoader::unload() {
    if (!module_) return true;
    const bool freed = FreeLibrary(module_) != FALSE;
    module_ = nullptr;
    items_ = nullptr;
    itemCount_ = 0;
    setInfo = nullptr;
    getName = nullptr;
    getFuncsArray = nullptr;
    beNotified = nullptr;
    messageProcFunction = nullptr;
    isUnicode = nullptr;
    return freed;
}

LRESULT PluginLoader::messageProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!module_ || !messageProcFunction) return 0;
    return messageProcFunction(message, wParam, lParam);
}

}  // namespace devhost
