#include "suspend/suspend_operation.h"

#include "suspend/command_line.h"

namespace {

// The process token, closed through the same system that opened it.
class CTokenHandle
{
public:
    explicit CTokenHandle(ISuspendSystem& system) : m_system(system) {}
    ~CTokenHandle()
    {
        if (m_token)
            m_system.CloseHandle(m_token);
    }
    CTokenHandle(const CTokenHandle&) = delete;
    CTokenHandle& operator=(const CTokenHandle&) = delete;

    HANDLE* Receive() { return &m_token; }
    HANDLE Get() const { return m_token; }

private:
    ISuspendSystem& m_system;
    HANDLE m_token = nullptr;
};

} // namespace

bool EnableShutdownPrivilege(ISuspendSystem& system)
{
    CTokenHandle token(system);
    if (!system.OpenProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        return false;

    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!system.LookupPrivilegeValue(SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        return false;
    if (!system.AdjustTokenPrivileges(token.Get(), &privileges))
        return false;
    // Success with ERROR_NOT_ALL_ASSIGNED: the token does not hold the privilege.
    return GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

int RunSuspendTool(CConsole& console, ISuspendSystem& system, int argc, wchar_t** argv)
{
    ParseCommandLine(console, argc, argv);
    console.WriteBanner();
    if (console.HasProblems()) {
        console.WriteParseReport();
        return EXIT_USAGE;
    }

    if (!EnableShutdownPrivilege(system)) {
        console.WriteError(L"Unable to set shutdown privilege");
        return EXIT_FAILED;
    }

    const DWORD options = console.OptionFlags();
    console.WriteLine(L"Suspending the system...");
    if (options & OPTION_FORCE)
        console.WriteLine(L"Operation will be suspended immediately.");
    if (options & OPTION_NO_WAKE)
        console.WriteLine(L"Wake Timers are disabled.");
    console.WriteLine((options & OPTION_HIBERNATE) ? L"Entering hibernation." : L"Entering sleep state.");

    if (system.SetSuspendState((options & OPTION_HIBERNATE) != 0, (options & OPTION_FORCE) != 0,
                               (options & OPTION_NO_WAKE) != 0))
        return EXIT_SUSPENDED;

    console.WriteLastError(L"Suspend failed");
    return EXIT_FAILED;
}
