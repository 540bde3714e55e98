#pragma once
// The notification one copy of the program sends another: the registered
// message "ZPQInstanceNotify" (g_instanceNotifyMessage), broadcast to every
// top-level window. Its wParam is the code, its lParam the target: the file
// name's hash of the copies meant, or every copy.
#include <windows.h>

// Show your window.
constexpr WPARAM NOTIFY_ACTIVATE = 1;
// Save your settings and end.
constexpr WPARAM NOTIFY_CLOSE = 2;
// The target every copy obeys, whatever its file name. Only the low 32 bits
// of a target count: a 32-bit sender's value reaches a 64-bit copy
// sign-extended.
constexpr DWORD ALL_INSTANCES = 0xFFFFFFFF;

// The class of the running copy's core window, by which other copies and
// the command line find it.
constexpr wchar_t kCoreWindowClass[] = L"TarvikApplication";

// The window property by which the running copy's core window carries its
// file name's hash (the handle's value): copies under other names run beside
// it, and a second start hands the right to come to the front to the one
// process it asks to show itself.
constexpr wchar_t kInstanceHashProperty[] = L"ZPQInstanceHash";
