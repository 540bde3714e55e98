#pragma once
// A window class of this program's module, registered on first use.
#include <windows.h>

// Registers `name` with `procedure`, or finds it registered already; false,
// with the last error, otherwise.
inline bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
