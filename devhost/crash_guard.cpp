#include "crash_guard.h"

#include <windows.h>

#include <cstdio>

namespace devhost {

namespace {

LONG WINAPI reportAndExit(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    void* address = record ? record->ExceptionAddress : nullptr;
    wchar_t module[MAX_PATH] = L"?";
    HMODULE owner = nullptr;
    if (address && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      static_cast<LPCWSTR>(address), &owner))
        GetModuleFileNameW(owner, module, MAX_PATH);
    std::fprintf(stderr, "crash: exception 0x%08lX at %p in %ls (offset 0x%llx)\n",
                 record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul, address, module,
                 owner ? static_cast<unsigned long long>(static_cast<const char*>(address) - reinterpret_cast<const char*>(owner)) : 0ull);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void exitOnCrash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(&reportAndExit);
}

}  // namespace devhost
