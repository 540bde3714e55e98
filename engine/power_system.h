#pragma once
// The system calls the power engine relies on, behind one interface so that
// the engine's decisions can be exercised with a chosen clock, chosen
// connection tables and a suspend that never happens. CWindowsPowerSystem
// forwards each call to Windows unchanged.
#include <windows.h>
#include <iphlpapi.h>
#include <shellapi.h>

#include <string>

#include "common/machine_power.h"
#include "common/shutdown_privilege.h"

// The process token's privileges come with IPrivilegeSystem, what the machine
// can do with IMachinePowerSystem.
class IPowerSystem : public IPrivilegeSystem, public IMachinePowerSystem
{
public:
    virtual ~IPowerSystem() = default;

    // The current time, UTC.
    virtual FILETIME UtcNow() = 0;
    // Conversions between local calendar time and UTC that apply the time-zone
    // rules of the date converted, not the ones in force today.
    virtual bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) = 0;
    virtual bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) = 0;

    // The wake timer: an unnamed synchronization waitable timer.
    virtual HANDLE CreateWakeTimer() = 0;
    // SetWaitableTimer without a completion routine.
    virtual BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period, BOOL resume) = 0;
    virtual BOOL CancelWakeTimer(HANDLE timer) = 0;

    // GetTcpTable and GetTcp6Table: a null table asks for the size.
    virtual DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order) = 0;
    virtual DWORD GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order) = 0;

    // SetThreadExecutionState; returns the previous flags.
    virtual EXECUTION_STATE SetExecutionState(EXECUTION_STATE flags) = 0;
    // SystemParametersInfoW with SPI_GETSCREENSAVEACTIVE / SPI_SETSCREENSAVEACTIVE,
    // never writing the user profile.
    virtual BOOL GetScreenSaverActive(BOOL* active) = 0;
    virtual BOOL SetScreenSaverActive(BOOL active) = 0;

    virtual BOOL IsResumeAutomatic() = 0;

    // SetSuspendState(hibernate, FALSE, FALSE) on a thread of its own: it
    // returns only after the computer woke, and the window must go on
    // answering the broadcasts meanwhile. Its end is posted to `window` as
    // WM_APP_ENGINE (power_engine.h). False, with the last error, when the
    // thread cannot start.
    virtual bool RequestSuspend(HWND window, BOOLEAN hibernate) = 0;

    virtual BOOL ExecuteShell(SHELLEXECUTEINFOW* info) = 0;
    virtual HWND GetActiveWindow() = 0;
    // The file part of a command as the shell must get it: a 32-bit program
    // on 64-bit Windows names the 64-bit system folder through its alias.
    virtual std::wstring NativeFilePath(const std::wstring& file) = 0;
    // Whether a started process still runs.
    virtual bool IsProcessRunning(HANDLE process) = 0;

    // PostMessageW, for work the engine does from the message loop rather than
    // inside a message another program sent.
    virtual BOOL PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Window timers of the page window that owns the engine.
    virtual UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapse) = 0;
    virtual BOOL KillWindowTimer(HWND window, UINT_PTR id) = 0;
};
