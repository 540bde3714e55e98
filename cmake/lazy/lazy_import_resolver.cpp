// The first call of a lazily bound function lands here: its library is
// loaded from the system directory (never from the program's own folder) and
// the function found, so that later calls go straight to it. Linked whole
// into every program that binds lazily.
#include <windows.h>

#include "common/system_helpers.h"

namespace {

// System library names are ASCII.
HMODULE LoadLazyLibrary(const char* dll)
{
    wchar_t name[MAX_PATH];
    size_t i = 0;
    for (; dll[i] && i < MAX_PATH - 1; ++i)
        name[i] = static_cast<unsigned char>(dll[i]);
    name[i] = L'\0';
    return LoadSystemLibrary(name, false);
}

} // namespace

#ifdef _WIN64

#include <delayimp.h>

namespace {

// The runtime's helper would load the library by its bare name with the
// process's search order; this hands it the system directory's copy instead.
FARPROC WINAPI LazyBindingNotify(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll)
        return nullptr;
    // The caller may read the last error right after the call it made.
    const DWORD lastError = GetLastError();
    HMODULE module = LoadLazyLibrary(info->szDll);
    if (module)
        SetLastError(lastError);
    return reinterpret_cast<FARPROC>(module);
}

} // namespace

// Declared with C linkage by <delayimp.h>; the runtime reads it before each load.
PfnDliHook __pfnDliNotifyHook2 = LazyBindingNotify;

#else

namespace {

// What the platform's own delayed loading raises when a library or function
// is missing; nothing catches it, so it ends in crash reporting.
const DWORD kModuleNotFound = 0xC06D007E;
const DWORD kProcedureNotFound = 0xC06D007F;

} // namespace

// Called by the generated thunks (cmake/lazy/MakeLazyImports.cmake).
extern "C" FARPROC WINAPI TarvikResolveLazyImport(const char* dll, const char* name, FARPROC* slot)
{
    // The caller may read the last error right after the call it made.
    const DWORD lastError = GetLastError();
    HMODULE module = GetModuleHandleA(dll);
    if (!module)
        module = LoadLazyLibrary(dll);
    if (!module)
        RaiseException(kModuleNotFound, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    FARPROC target = GetProcAddress(module, name);
    if (!target)
        RaiseException(kProcedureNotFound, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    InterlockedExchangePointer(reinterpret_cast<void* volatile*>(slot),
                               reinterpret_cast<void*>(target));
    SetLastError(lastError);
    return target;
}

#endif
