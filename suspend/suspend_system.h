#pragma once
// The system calls of the suspend request, behind a narrow interface so the
// request's logic can be exercised without putting the machine to sleep.
// Each call leaves the thread's last error as the system left it.
#include <windows.h>

class ISuspendSystem
{
public:
    virtual ~ISuspendSystem() = default;
    virtual bool OpenProcessToken(DWORD access, HANDLE* token) = 0;
    virtual bool LookupPrivilegeValue(const wchar_t* name, LUID* luid) = 0;
    // Enables the privileges listed (no previous state is kept); success
    // does not mean every privilege was assigned: see GetLastError.
    virtual bool AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges) = 0;
    virtual void CloseHandle(HANDLE handle) = 0;
    virtual bool SetSuspendState(bool hibernate, bool force, bool wakeEventsDisabled) = 0;
};

// The real calls on the current process.
class CSuspendSystem : public ISuspendSystem
{
public:
    bool OpenProcessToken(DWORD access, HANDLE* token) override;
    bool LookupPrivilegeValue(const wchar_t* name, LUID* luid) override;
    bool AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges) override;
    void CloseHandle(HANDLE handle) override;
    bool SetSuspendState(bool hibernate, bool force, bool wakeEventsDisabled) override;
};
