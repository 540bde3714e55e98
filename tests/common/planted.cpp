// A library planted where a program must not load it: in the current
// directory under a name the system directory lacks, or beside a program
// under a system library's name. DllMain runs only when the library was
// really loaded as code, and leaves two marks: one in the process
// environment, and a file named after the library's own path with
// ".loaded" appended, for tests that watch another process.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    SetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", L"1");
    wchar_t path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcpyW(path + length, L".loaded");
    HANDLE marker =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    return TRUE;
}
