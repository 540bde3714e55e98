#include "suspend/suspend_system.h"

#include <powrprof.h>

bool CSuspendSystem::OpenProcessToken(DWORD access, HANDLE* token)
{
    return ::OpenProcessToken(GetCurrentProcess(), access, token) != FALSE;
}

bool CSuspendSystem::LookupPrivilegeValue(const wchar_t* name, LUID* luid)
{
    return ::LookupPrivilegeValueW(nullptr, name, luid) != FALSE;
}

bool CSuspendSystem::AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges)
{
    return ::AdjustTokenPrivileges(token, FALSE, privileges, 0, nullptr, nullptr) != FALSE;
}

void CSuspendSystem::CloseHandle(HANDLE handle)
{
    ::CloseHandle(handle);
}

bool CSuspendSystem::SetSuspendState(bool hibernate, bool force, bool wakeEventsDisabled)
{
    return ::SetSuspendState(hibernate ? TRUE : FALSE, force ? TRUE : FALSE,
                             wakeEventsDisabled ? TRUE : FALSE) != FALSE;
}
