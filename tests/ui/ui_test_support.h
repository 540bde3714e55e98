#pragma once
// Seams for driving the program's windows inside a test process: a system
// that never touches the machine's power state, a tray icon and a balloon
// that only record, and a message pump.
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

class CFakePowerSystem : public IPowerSystem
{
public:
    struct TimerCall
    {
        bool set;
        UINT_PTR id;
    };

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
    BOOL SetWakeTimer(HANDLE, const LARGE_INTEGER&, LONG, BOOL) override
    {
        ++wakeTimerSets;
        return TRUE;
    }
    BOOL CancelWakeTimer(HANDLE) override { return TRUE; }

    // One established IPv4 connection from local port 50000 to `remotePort`
    // while `remotePort` is not 0.
    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL) override
    {
        const DWORD needed = sizeof(MIB_TCPTABLE);
        if (!table || *size < needed) {
            *size = needed;
            return ERROR_INSUFFICIENT_BUFFER;
        }
        table->dwNumEntries = remotePort ? 1 : 0;
        MIB_TCPROW& row = table->table[0];
        row.dwState = MIB_TCP_STATE_ESTAB;
        row.dwLocalAddr = 0x0100007F;
        row.dwLocalPort = NetworkPort(50000);
        row.dwRemoteAddr = 0x0100007F;
        row.dwRemotePort = NetworkPort(remotePort);
        return NO_ERROR;
    }
    DWORD GetTcp6Table(MIB_TCP6TABLE*, DWORD*, BOOL) override { return ERROR_NOT_SUPPORTED; }

    EXECUTION_STATE SetExecutionState(EXECUTION_STATE flags) override
    {
        executionStates.push_back(flags);
        return ES_CONTINUOUS;
    }
    BOOL GetScreenSaverActive(BOOL* active) override
    {
        *active = screenSaverActive;
        return TRUE;
    }
    BOOL SetScreenSaverActive(BOOL active) override
    {
        screenSaverActive = active;
        return TRUE;
    }
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
    UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT) override
    {
        timerWindow = window;
        timers.push_back({true, id});
        return id;
    }
    BOOL KillWindowTimer(HWND, UINT_PTR id) override
    {
        timers.push_back({false, id});
        return TRUE;
    }

    static DWORD NetworkPort(int port)
    {
        return static_cast<DWORD>(((port & 0xFF) << 8) | ((port >> 8) & 0xFF));
    }

    int remotePort = 0;
    BOOL screenSaverActive = TRUE;
    int wakeTimerSets = 0;
    HWND timerWindow = nullptr;
    std::vector<EXECUTION_STATE> executionStates;
    std::vector<TimerCall> timers;
};

class CRecordingTray : public ITrayIcon
{
public:
    void SetTooltip(const wchar_t* text) override { tooltip = text; }
    bool SetIcon(UINT resourceId) override
    {
        icon = resourceId;
        return true;
    }
    bool Update() override
    {
        ++updates;
        return true;
    }

    std::wstring tooltip;
    UINT icon = 0;
    int updates = 0;
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
