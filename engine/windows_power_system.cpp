// Winsock's headers must come before <windows.h>; they declare GetTcp6Table.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "engine/windows_power_system.h"

#include <powrprof.h>

FILETIME CWindowsPowerSystem::UtcNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return now;
}

bool CWindowsPowerSystem::LocalToUtc(const SYSTEMTIME& local, FILETIME* utc)
{
    SYSTEMTIME universal;
    return TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) &&
           SystemTimeToFileTime(&universal, utc);
}

bool CWindowsPowerSystem::UtcToLocal(const FILETIME& utc, SYSTEMTIME* local)
{
    SYSTEMTIME universal;
    return FileTimeToSystemTime(&utc, &universal) &&
           SystemTimeToTzSpecificLocalTime(nullptr, &universal, local);
}

HANDLE CWindowsPowerSystem::CreateWakeTimer()
{
    return CreateWaitableTimerW(nullptr, FALSE, nullptr);
}

BOOL CWindowsPowerSystem::SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period,
                                       BOOL resume)
{
    return SetWaitableTimer(timer, &due, period, nullptr, nullptr, resume);
}

BOOL CWindowsPowerSystem::CancelWakeTimer(HANDLE timer)
{
    return CancelWaitableTimer(timer);
}

DWORD CWindowsPowerSystem::GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order)
{
    return ::GetTcpTable(table, size, order);
}

DWORD CWindowsPowerSystem::GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order)
{
    return ::GetTcp6Table(table, size, order);
}

EXECUTION_STATE CWindowsPowerSystem::SetExecutionState(EXECUTION_STATE flags)
{
    return ::SetThreadExecutionState(flags);
}

BOOL CWindowsPowerSystem::GetScreenSaverActive(BOOL* active)
{
    return SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, active, 0);
}

BOOL CWindowsPowerSystem::SetScreenSaverActive(BOOL active)
{
    return SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(active), nullptr, 0);
}

BOOL CWindowsPowerSystem::IsResumeAutomatic()
{
    return ::IsSystemResumeAutomatic();
}

BOOLEAN CWindowsPowerSystem::SetSuspendState(BOOLEAN hibernate, BOOLEAN force,
                                             BOOLEAN wakeupEventsDisabled)
{
    return ::SetSuspendState(hibernate, force, wakeupEventsDisabled);
}

BOOL CWindowsPowerSystem::ExecuteShell(SHELLEXECUTEINFOW* info)
{
    return ::ShellExecuteExW(info);
}

HWND CWindowsPowerSystem::GetActiveWindow()
{
    return ::GetActiveWindow();
}

UINT_PTR CWindowsPowerSystem::SetWindowTimer(HWND window, UINT_PTR id, UINT elapse)
{
    return ::SetTimer(window, id, elapse, nullptr);
}

BOOL CWindowsPowerSystem::KillWindowTimer(HWND window, UINT_PTR id)
{
    return ::KillTimer(window, id);
}
