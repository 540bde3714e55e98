#pragma once
// Seams for driving the program's windows inside a test process: a system
// that never touches the machine's power state, a tray icon that ignores
// everything, a balloon that only records,
// and a message pump.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "engine/power_system.h"
#include "engine/tray_icon.h"
#include "ui/port_edit.h"
#include "ui/property_sheet.h"

// Runs the messages already queued for this thread.
inline void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Keeps the machine's power state and timers as they are.
class CFakePowerSystem : public IPowerSystem
{
public:
    FILETIME UtcNow() override
    {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        return now;
    }
    bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) override
    {
        SYSTEMTIME system;
        return TzSpecificLocalTimeToSystemTime(nullptr, &local, &system) &&
               SystemTimeToFileTime(&system, utc);
    }
    bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) override
    {
        SYSTEMTIME system;
        return FileTimeToSystemTime(&utc, &system) &&
               SystemTimeToTzSpecificLocalTime(nullptr, &system, local);
    }
    HANDLE CreateWakeTimer() override { return CreateWaitableTimerW(nullptr, FALSE, nullptr); }
    BOOL SetWakeTimer(HANDLE, const LARGE_INTEGER&, LONG, BOOL) override { return TRUE; }
    BOOL CancelWakeTimer(HANDLE) override { return TRUE; }
    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL) override
    {
        if (!table || *size < sizeof(MIB_TCPTABLE)) {
            *size = sizeof(MIB_TCPTABLE);
            return ERROR_INSUFFICIENT_BUFFER;
        }
        table->dwNumEntries = 0;
        return NO_ERROR;
    }
    DWORD GetTcp6Table(MIB_TCP6TABLE*, DWORD*, BOOL) override { return ERROR_NOT_SUPPORTED; }
    EXECUTION_STATE SetExecutionState(EXECUTION_STATE) override { return ES_CONTINUOUS; }
    BOOL GetScreenSaverActive(BOOL* active) override
    {
        *active = TRUE;
        return TRUE;
    }
    BOOL SetScreenSaverActive(BOOL) override { return TRUE; }
    BOOL IsResumeAutomatic() override { return TRUE; }
    BOOL OpenProcessToken(DWORD, HANDLE*) override
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    BOOL LookupPrivilege(const wchar_t*, LUID*) override { return FALSE; }
    BOOL AdjustTokenPrivileges(HANDLE, TOKEN_PRIVILEGES*) override { return FALSE; }
    BOOLEAN SetSuspendState(BOOLEAN, BOOLEAN, BOOLEAN) override { return FALSE; }
    BOOL ExecuteShell(SHELLEXECUTEINFOW*) override { return TRUE; }
    HWND GetActiveWindow() override { return nullptr; }
    UINT_PTR SetWindowTimer(HWND, UINT_PTR id, UINT) override { return id; }
    BOOL KillWindowTimer(HWND, UINT_PTR) override { return TRUE; }
};

class CIgnoredTray : public ITrayIcon
{
public:
    void SetTooltip(const wchar_t*) override {}
    bool SetIcon(UINT) override { return true; }
    bool Update() override { return true; }
};

class CRecordingWarning : public IInputWarning
{
public:
    struct Balloon
    {
        HWND edit;
        DWORD size;
        std::wstring title;
        std::wstring text;
        INT icon;
    };
    void ShowBalloon(HWND edit, const EDITBALLOONTIP& tip) override
    {
        balloons.push_back({edit, tip.cbStruct, tip.pszTitle, tip.pszText, tip.ttiIcon});
    }
    void Beep() override { ++beeps; }

    std::vector<Balloon> balloons;
    int beeps = 0;
};

// The text of a control of this process.
inline std::wstring ControlText(HWND control)
{
    wchar_t text[1100] = {};
    GetWindowTextW(control, text, 1100);
    return text;
}
