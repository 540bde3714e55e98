#pragma once
// The engine's system interface over the real Windows calls.
#include "engine/power_system.h"

class CWindowsPowerSystem : public CSystemMachinePower<CSystemPrivileges<IPowerSystem>>
{
public:
    FILETIME UtcNow() override;
    bool LocalToUtc(const SYSTEMTIME& local, FILETIME* utc) override;
    bool UtcToLocal(const FILETIME& utc, SYSTEMTIME* local) override;

    HANDLE CreateWakeTimer() override;
    BOOL SetWakeTimer(HANDLE timer, const LARGE_INTEGER& due, LONG period, BOOL resume) override;
    BOOL CancelWakeTimer(HANDLE timer) override;

    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order) override;
    DWORD GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order) override;

    EXECUTION_STATE SetExecutionState(EXECUTION_STATE flags) override;
    BOOL GetScreenSaverActive(BOOL* active) override;
    BOOL SetScreenSaverActive(BOOL active) override;

    BOOL IsResumeAutomatic() override;

    bool RequestSuspend(HWND window, BOOLEAN hibernate) override;

    BOOL ExecuteShell(SHELLEXECUTEINFOW* info) override;
    HWND GetActiveWindow() override;
    std::wstring NativeFilePath(const std::wstring& file) override;
    bool IsProcessRunning(HANDLE process) override;
    BOOL PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT_PTR SetWindowTimer(HWND window, UINT_PTR id, UINT elapse) override;
    BOOL KillWindowTimer(HWND window, UINT_PTR id) override;
};
