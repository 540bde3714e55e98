// Every way one run of the tool can end, on a system that suspends nothing.
#include "suspend/suspend_operation.h"

#include "test_console.h"

#include <gtest/gtest.h>

namespace {

const HANDLE kToken = reinterpret_cast<HANDLE>(0x1234);

// Records the calls; a step with an error set fails with it.
class CFakeSuspendSystem : public ISuspendSystem
{
public:
    DWORD openError = 0, lookupError = 0, adjustLastError = 0, suspendError = 0;
    std::string calls;
    TOKEN_PRIVILEGES adjusted = {};
    std::vector<HANDLE> closed;
    bool hibernate = false, force = false, wakeEventsDisabled = false;

    bool OpenProcessToken(DWORD desired, HANDLE* token) override
    {
        if (!openError)
            *token = kToken;
        return Step(desired == (TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY) ? "open " : "wrong-access ", openError);
    }
    bool LookupPrivilegeValue(const wchar_t* name, LUID* luid) override
    {
        *luid = LUID{19, 7};
        return Step(std::wstring(name) == L"SeShutdownPrivilege" ? "lookup " : "wrong-name ", lookupError);
    }
    bool AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges) override
    {
        adjusted = *privileges;
        SetLastError(adjustLastError);
        return Step(token == kToken ? "adjust " : "wrong-token ", 0);
    }
    void CloseHandle(HANDLE handle) override
    {
        calls += "close ";
        closed.push_back(handle);
    }
    bool SetSuspendState(bool h, bool f, bool w) override
    {
        hibernate = h;
        force = f;
        wakeEventsDisabled = w;
        return Step("suspend", suspendError);
    }

    bool Step(const char* name, DWORD error)
    {
        calls += name;
        if (error)
            SetLastError(error);
        return error == 0;
    }
};

int RunTool(CTestConsole& console, CFakeSuspendSystem& system, std::vector<std::wstring> arguments)
{
    std::vector<wchar_t*> argv = Argv(arguments);
    return RunSuspendTool(console, system, static_cast<int>(arguments.size()), argv.data());
}

} // namespace

TEST(SuspendRun, TheShutdownPrivilegeIsEnabledBeforeSleep)
{
    CTestConsole console, banner;
    banner.WriteBanner();
    CFakeSuspendSystem system;
    system.adjustLastError = ERROR_INVALID_PARAMETER; // left by a successful call: no failure
    EXPECT_EQ(EXIT_SUSPENDED, RunTool(console, system, {}));
    EXPECT_EQ(banner.stream.output + L"Suspending the system...\nEntering sleep state.\n", console.stream.output);
    EXPECT_EQ("open lookup adjust close suspend", system.calls);
    EXPECT_EQ(1u, system.adjusted.PrivilegeCount);
    EXPECT_EQ(static_cast<DWORD>(SE_PRIVILEGE_ENABLED), system.adjusted.Privileges[0].Attributes);
    EXPECT_EQ(19u, system.adjusted.Privileges[0].Luid.LowPart);
    EXPECT_EQ(7, system.adjusted.Privileges[0].Luid.HighPart);
    EXPECT_FALSE(system.hibernate || system.force || system.wakeEventsDisabled);
}

// A failed step ends the run with exit 2; an opened token is always closed.
TEST(SuspendRun, FailuresEndTheRun)
{
    CTestConsole banner;
    banner.WriteBanner();
    const std::wstring privilege = L"ERROR: Unable to set shutdown privilege\n";
    const struct
    {
        DWORD openError, lookupError, adjustLastError, suspendError;
        const char* calls;
        std::wstring output;
    } cases[] = {
        {ERROR_ACCESS_DENIED, 0, 0, 0, "open ", privilege},
        {0, ERROR_NO_SUCH_PRIVILEGE, 0, 0, "open lookup close ", privilege},
        {0, 0, ERROR_NOT_ALL_ASSIGNED, 0, "open lookup adjust close ", privilege},
        {0, 0, 0, ERROR_ACCESS_DENIED, "open lookup adjust close suspend",
         L"Suspending the system...\nEntering hibernation.\nERROR: Suspend failed\n" + SystemText(5) + L" (5)\n"},
        // An error the system has no text for: the error line alone.
        {0, 0, 0, 12345, "open lookup adjust close suspend",
         L"Suspending the system...\nEntering hibernation.\nERROR: Suspend failed\n"},
    };
    for (const auto& c : cases) {
        CTestConsole console;
        CFakeSuspendSystem system;
        system.openError = c.openError;
        system.lookupError = c.lookupError;
        system.adjustLastError = c.adjustLastError;
        system.suspendError = c.suspendError;
        EXPECT_EQ(EXIT_FAILED, RunTool(console, system, {L"/hib"})) << c.calls;
        EXPECT_EQ(banner.stream.output + c.output, console.stream.output);
        EXPECT_EQ(c.calls, system.calls);
        EXPECT_EQ(c.openError ? std::vector<HANDLE>{} : std::vector<HANDLE>{kToken}, system.closed);
    }
    ASSERT_FALSE(SystemText(5).empty());
    ASSERT_TRUE(SystemText(12345).empty());
}
