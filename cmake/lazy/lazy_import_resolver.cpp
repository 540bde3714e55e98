// The first call of a lazily imported function lands here: load its library
// from the system directory, find the function and patch the import slot, so
// that later calls go straight to it. A program that opts in pays for a
// library only when it first uses it.
#include <windows.h>

#include <cstring>

namespace {

// What the platform's own delayed loading raises when a library or function
// is missing; nothing catches it, so it ends in crash reporting.
const DWORD kModuleNotFound = 0xC06D007E;
const DWORD kProcedureNotFound = 0xC06D007F;

HMODULE LoadFromSystemDirectory(const char* dll)
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    size_t nameLength = std::strlen(dll);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[length++] = L'\\';
    for (size_t i = 0; i <= nameLength; ++i)
        path[length + i] = static_cast<unsigned char>(dll[i]);
    return LoadLibraryW(path);
}

} // namespace

extern "C" FARPROC WINAPI TarvikResolveLazyImport(const char* dll, const char* name,
                                                  FARPROC* slot)
{
    // The caller may read the last error right after the call it made.
    const DWORD lastError = GetLastError();
    HMODULE module = GetModuleHandleA(dll);
    if (!module)
        module = LoadFromSystemDirectory(dll);
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
