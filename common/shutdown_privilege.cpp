#include "common/shutdown_privilege.h"

#include "common/handles.h"

bool EnableShutdownPrivilege(IPrivilegeSystem& system)
{
    CHandle token;
    if (!system.OpenProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        return false;

    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!system.LookupPrivilegeValue(SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        return false;

    // The adjustment succeeds without granting a privilege the token lacks;
    // only the last error tells.
    SetLastError(ERROR_SUCCESS);
    if (!system.AdjustTokenPrivileges(token.Get(), &privileges))
        return false;
    return GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}
