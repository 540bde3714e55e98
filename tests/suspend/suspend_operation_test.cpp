// Every way one run of the tool can end, on a system that suspends nothing.
#include "suspend/suspend_operation.h"

#include "parse_helpers.h"
#include "system_text.h"

#include <gtest/gtest.h>

namespace {

const HANDLE kToken = reinterpret_cast<HANDLE>(0x1234);

// Records every call; each step fails with a chosen error when asked to.
class CFakeSuspendSystem : public ISuspendSystem
{
public:
    DWORD openError = 0;
    DWORD lookupError = 0;
    DWORD adjustError = 0;         // the call fails with this error
    DWORD adjustLastError = 0;     // the call succeeds and leaves this error
    DWORD suspendError = 0;

    std::vector<std::string> calls;
    DWORD access = 0;
    std::wstring privilegeName;
    TOKEN_PRIVILEGES adjusted = {};
    HANDLE adjustedToken = nullptr;
    std::vector<HANDLE> closed;
    bool hibernate = false, force = false, wakeEventsDisabled = false;

    bool OpenProcessToken(DWORD desired, HANDLE* token) override
    {
        access = desired;
        if (!openError)
            *token = kToken;
        return Step("open", openError);
    }
    bool LookupPrivilegeValue(const wchar_t* name, LUID* luid) override
    {
        privilegeName = name;
        *luid = LUID{19, 7};
        return Step("lookup", lookupError);
    }
    bool AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges) override
    {
        adjustedToken = token;
        adjusted = *privileges;
        SetLastError(adjustLastError);
        return Step("adjust", adjustError);
    }
    void CloseHandle(HANDLE handle) override
    {
        calls.push_back("close");
        closed.push_back(handle);
    }
    bool SetSuspendState(bool h, bool f, bool w) override
    {
        hibernate = h;
        force = f;
        wakeEventsDisabled = w;
        return Step("suspend", suspendError);
    }

private:
    // Records the call; fails with `error` when it is set.
    bool Step(const char* name, DWORD error)
    {
        calls.push_back(name);
        if (error)
            SetLastError(error);
        return error == 0;
    }
};

using Calls = std::vector<std::string>;

std::wstring Banner()
{
    CRecordingConsole console;
    console.WriteBanner();
    return console.stream.output;
}

// The second line of an Error for a Win32 code.
std::wstring SystemLine(DWORD code)
{
    const std::wstring text = SystemText(code);
    return text.empty() ? text : text + L" (" + std::to_wstring(code) + L")\n";
}

int RunTool(CRecordingConsole& console, CFakeSuspendSystem& system, CArguments&& arguments)
{
    return RunSuspendTool(console, system, arguments.Count(), arguments.Vector());
}

} // namespace

TEST(SuspendRun, NoArgumentsEntersSleep)
{
    CRecordingConsole console;
    CFakeSuspendSystem system;
    EXPECT_EQ(EXIT_SUSPENDED, RunTool(console, system, {}));
    EXPECT_EQ(Banner() + L"Suspending the system...\nEntering sleep state.\n", console.stream.output);
    EXPECT_EQ((Calls{"open", "lookup", "adjust", "close", "suspend"}), system.calls);
    EXPECT_EQ(static_cast<DWORD>(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY), system.access);
    EXPECT_EQ(L"SeShutdownPrivilege", system.privilegeName);
    EXPECT_EQ(kToken, system.adjustedToken);
    EXPECT_EQ(1u, system.adjusted.PrivilegeCount);
    EXPECT_EQ(static_cast<DWORD>(SE_PRIVILEGE_ENABLED), system.adjusted.Privileges[0].Attributes);
    EXPECT_EQ(19u, system.adjusted.Privileges[0].Luid.LowPart);
    EXPECT_EQ(7, system.adjusted.Privileges[0].Luid.HighPart);
    EXPECT_EQ(std::vector<HANDLE>{kToken}, system.closed);
    EXPECT_FALSE(system.hibernate || system.force || system.wakeEventsDisabled);
}

// The token is closed whenever it was opened.
TEST(SuspendRun, PrivilegeFailuresEndTheRun)
{
    const Calls notOpened{"open"};
    const Calls lookupFailed{"open", "lookup", "close"};
    const Calls adjusted{"open", "lookup", "adjust", "close"};
    struct CCase
    {
        DWORD openError, lookupError, adjustError, adjustLastError;
        const Calls* calls;
    };
    const CCase cases[] = {
        {ERROR_ACCESS_DENIED, 0, 0, 0, &notOpened},
        {0, ERROR_NO_SUCH_PRIVILEGE, 0, 0, &lookupFailed},
        {0, 0, ERROR_ACCESS_DENIED, 0, &adjusted},
        {0, 0, 0, ERROR_NOT_ALL_ASSIGNED, &adjusted},
    };
    for (const CCase& c : cases) {
        CRecordingConsole console;
        CFakeSuspendSystem system;
        system.openError = c.openError;
        system.lookupError = c.lookupError;
        system.adjustError = c.adjustError;
        system.adjustLastError = c.adjustLastError;
        EXPECT_EQ(EXIT_FAILED, RunTool(console, system, {L"/f"}));
        EXPECT_EQ(Banner() + L"ERROR: Unable to set shutdown privilege\n", console.stream.output);
        EXPECT_EQ(*c.calls, system.calls);
        EXPECT_EQ(c.openError ? std::vector<HANDLE>{} : std::vector<HANDLE>{kToken}, system.closed);
    }

    // Any other error left by a successful call is no failure.
    CRecordingConsole console;
    CFakeSuspendSystem system;
    system.adjustLastError = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(EXIT_SUSPENDED, RunTool(console, system, {}));
}

TEST(SuspendRun, SuspendFailureShowsTheSystemError)
{
    CRecordingConsole console;
    CFakeSuspendSystem system;
    system.suspendError = ERROR_ACCESS_DENIED;
    EXPECT_EQ(EXIT_FAILED, RunTool(console, system, {L"/hib"}));
    const std::wstring systemLine = SystemLine(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(systemLine.empty());
    EXPECT_EQ(Banner() + L"Suspending the system...\nEntering hibernation.\nERROR: Suspend failed\n" + systemLine,
              console.stream.output);

    // An error the system has no text for: the error line alone.
    CRecordingConsole quiet;
    CFakeSuspendSystem other;
    other.suspendError = 12345;
    ASSERT_TRUE(SystemLine(12345).empty());
    EXPECT_EQ(EXIT_FAILED, RunTool(quiet, other, {}));
    EXPECT_EQ(Banner() + L"Suspending the system...\nEntering sleep state.\nERROR: Suspend failed\n",
              quiet.stream.output);
}
