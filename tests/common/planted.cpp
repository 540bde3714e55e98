// A library planted beside a program under a name the system directory lacks.
// Loading it leaves a mark in the process environment: DllMain runs only when
// the library was really loaded as code.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        SetEnvironmentVariableW(L"TARVIK_PLANTED_LOADED", L"1");
    return TRUE;
}
