#pragma once
// The shutdown privilege of the process's own token, which both programs
// enable before they ask the system to suspend. The calls it takes go
// through an interface so that tests can answer them: Wine grants every
// privilege.
#include <windows.h>

class IPrivilegeSystem
{
public:
    virtual ~IPrivilegeSystem() = default;
    // The token of the current process.
    virtual bool OpenProcessToken(DWORD access, HANDLE* token) = 0;
    // The LUID of a privilege on the local system.
    virtual bool LookupPrivilegeValue(const wchar_t* name, LUID* luid) = 0;
    // Enables the privileges listed (no previous state is kept); success
    // does not mean every privilege was assigned: see GetLastError.
    virtual bool AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges) = 0;
};

// The real calls, for a class of the program that implements `Interface`
// (an IPrivilegeSystem with more calls of its own).
template <class Interface>
class CSystemPrivileges : public Interface
{
public:
    bool OpenProcessToken(DWORD access, HANDLE* token) override
    {
        return ::OpenProcessToken(GetCurrentProcess(), access, token) != FALSE;
    }
    bool LookupPrivilegeValue(const wchar_t* name, LUID* luid) override
    {
        return ::LookupPrivilegeValueW(nullptr, name, luid) != FALSE;
    }
    bool AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges) override
    {
        return ::AdjustTokenPrivileges(token, FALSE, privileges, 0, nullptr, nullptr) != FALSE;
    }
};

// Opens the process token with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, looks
// up "SeShutdownPrivilege" and enables it. True only when the adjustment
// succeeded and assigned the privilege; otherwise false with the last error
// of the failing step (ERROR_NOT_ALL_ASSIGNED when the token lacks it). The
// token is closed whatever happened.
bool EnableShutdownPrivilege(IPrivilegeSystem& system);
