#pragma once
// The real system for tests of the program's core, with every call that
// would change the machine's state (sleep, the display, the wake timer, the
// screen saver, the shell) answered here.
#include "engine/windows_power_system.h"

class CHarmlessPowerSystem : public CWindowsPowerSystem
{
public:
    BOOL SetWakeTimer(HANDLE, const LARGE_INTEGER&, LONG, BOOL) override { return TRUE; }
    BOOL SetScreenSaverActive(BOOL) override { return TRUE; }
    bool RequestSuspend(HWND, BOOLEAN) override { return false; }
    BOOL ExecuteShell(SHELLEXECUTEINFOW*) override { return TRUE; }
    void TurnDisplayOff() override {}
};
