#include <gtest/gtest.h>

#include <string>

#include "engine/resume_command.h"
#include "tests/engine/engine_fixture.h"

namespace
{
using SuspendPermission = EngineFixture;
using WakeScheduling = EngineFixture;

std::wstring Shown(const std::wstring& ports, int icon, const std::wstring& entry)
{
    std::wstring tooltip = ports.empty() ? L"" : L" - Active TCP ports: " + ports;
    return L"<SetTooltip Tarvik" + tooltip + L">\r\n<SetIcon " + std::to_wstring(icon)
        + L">\r\n<Update>\r\nAutomatic suspend " + entry + L"\r\n";
}

constexpr LONGLONG kSecond = static_cast<LONGLONG>(kTicksPerSecond);

// The engine after an automatic wake with everything switched on: automatic
// resume every hour, automatic suspend after ten minutes, a resume command.
class PowerEvents : public EngineFixture
{
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        m_model.AutoResume.mode = RESUME_EVERY;
        m_model.AutoResume.delay = 3600;
        m_model.AutoSuspend.enabled = true;
        m_model.AutoSuspend.delay = 600;
        m_model.Command.run = true;
        m_model.Command.text = L"\"C:\\Program Files\\Mail\\mail.exe\" /check";
        ASSERT_TRUE(m_engine.CreateWakeTimer());
    }

    // The entry that logs a moment `seconds` from now on the local clock.
    std::wstring Entry(const wchar_t* entry, LONGLONG seconds) const
    {
        LONGLONG ahead = 2 * kHour + seconds * static_cast<LONGLONG>(kTicksPerSecond);
        return entry + DateTimeText(m_system.now + static_cast<ULONGLONG>(ahead)) + L"\r\n";
    }

    std::wstring Countdown() const
    {
        return L"<SetTimer 1 600000>\r\n" + Entry(L"Automatic suspend scheduled on ", 600);
    }

    // A countdown running, the journal fresh; with `evaluated` the permission's
    // own entries are out of the way too.
    void Counting(bool evaluated = true)
    {
        m_engine.HandleResume(true);
        ASSERT_TRUE(m_system.TimerRunning(IDT_AUTOSUSPEND));
        if (evaluated)
            m_engine.EvaluateSuspendPermission();
        Forget();
    }
};

const std::wstring kAttempt =
    L"<KillTimer 1>\r\nSystem entering a suspend state by application request\r\n";
const std::wstring kOpen = L"<OpenProcessToken>\r\n";
const std::wstring kRetry = L"Rescheduling automatic suspend for another attempt\r\n";
const std::wstring kShell =
    L"<ShellExecuteEx open|C:\\Program Files\\Mail\\mail.exe| /check|(null)>\r\n";
const std::wstring kUserActivity = L"Automatic suspend has been cancelled due to user activity\r\n";
}

TEST_F(SuspendPermission, EachChangeIsLoggedOnceAndShownByTheTray)
{
    // The first evaluation always reports.
    EXPECT_EQ(Shown(L"", 128, L"allowed"), Evaluated(true));

    m_model.Suspend.allowed = false;
    EXPECT_EQ(Shown(L"", 213, L"not allowed"), Evaluated(false));

    m_model.Suspend.allowed = true;
    m_model.Suspend.condition = CONDITION_NO_CONNECTION;
    m_model.TcpPorts.list = {80, 443};
    Connect({80});
    EXPECT_EQ(Shown(L"80", 213, L"not allowed; active TCP ports: 80"), Evaluated(false));

    Connect({443, 80});
    EXPECT_EQ(Shown(L"80,443", 213, L"not allowed; active TCP ports: 80,443"), Evaluated(false));

    // An icon that cannot be loaded is not sent to the shell.
    m_tray.setIconResult = false;
    m_model.Suspend.allowed = false;
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\nAutomatic suspend not allowed\r\n",
              Evaluated(false));
}

TEST_F(SuspendPermission, ATableThatGrowsBeforeItsFetchIsReadAgain)
{
    m_model.TcpPorts.list = {443};
    Connect({80});
    m_system.grownRow = Row4(50001, 443);
    m_system.growths = 2;
    EXPECT_EQ(L"443", m_engine.ScanActivePorts());
    EXPECT_EQ(0, m_system.growths);
}

TEST_F(SuspendPermission, ExecutionStateAndWatchFollowTheSettings)
{
    const EXECUTION_STATE display = ES_DISPLAY_REQUIRED, system = ES_SYSTEM_REQUIRED;
    struct { bool blanking, allowed; int condition; EXECUTION_STATE flags; bool watching; } cases[] = {
        {true, true, CONDITION_ALWAYS, 0, false},
        {false, true, CONDITION_NO_CONNECTION, display, true},
        {true, false, CONDITION_NO_CONNECTION, system, false},
        {false, false, CONDITION_ALWAYS, display | system, false},
        {true, true, CONDITION_NO_CONNECTION, 0, true},
        {true, true, CONDITION_ALWAYS, 0, false},
    };
    m_model.TcpPorts.list = {80};
    for (const auto& c : cases) {
        m_model.Suspend.blanking = c.blanking;
        m_model.Suspend.allowed = c.allowed;
        m_model.Suspend.condition = c.condition;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(ES_CONTINUOUS | c.flags, m_engine.LastExecutionState()) << c.flags;
        // The watch runs exactly while suspend is allowed under a port condition.
        EXPECT_EQ(c.watching, m_system.TimerRunning(IDT_CONNECTIONWATCH)) << c.allowed << c.condition;
    }
    // Only changes are sent; ES_CONTINUOUS alone is the starting value.
    std::vector<EXECUTION_STATE> sent = {ES_CONTINUOUS | display, ES_CONTINUOUS | system,
                                         ES_CONTINUOUS | display | system, ES_CONTINUOUS};
    EXPECT_EQ(sent, m_system.executionCalls);
}

TEST_F(SuspendPermission, BlankingOffTwiceThenOnRestoresTheFirstFlag)
{
    for (BOOL original : {TRUE, FALSE}) {
        m_system.screenSaverActive = original;
        m_system.screenSaverWrites.clear();

        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(original ? 1 : 0, m_engine.SavedScreenSaverActive());
        m_engine.ApplyExecutionState(); // keeps what the first switch held

        m_model.Suspend.blanking = true;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(original, m_system.screenSaverActive);
        EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
        EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, original}), m_system.screenSaverWrites);

        // With blanking allowed and nothing held the flag is left alone.
        m_engine.ApplyExecutionState();
        EXPECT_EQ(3u, m_system.screenSaverWrites.size());

        // The engine's end gives back a flag it still holds.
        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        EXPECT_FALSE(m_system.screenSaverActive);
        m_engine.Shutdown();
        EXPECT_EQ(original, m_system.screenSaverActive);
        EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
    }
}

TEST_F(WakeScheduling, EachModeArmsItsNextMomentAsAbsoluteUtc)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    // The clock in UTC; the chosen local moment (only the time of day counts
    // for "Daily at:", the milliseconds are dropped); the due time from now.
    struct { int mode; SYSTEMTIME now, chosen; LONGLONG due; } cases[] = {
        // One second later counts, on the local clock.
        {RESUME_ONCE, At(2026, 6, 10, 8, 0, 0), At(2026, 6, 10, 10, 0, 1), kSecond},
        // 600 s after the call, whatever was chosen.
        {RESUME_EVERY, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 1, 0, 0), 600 * kSecond},
        // Daily: exactly now is tomorrow; later today is today; earlier, tomorrow.
        {RESUME_DAILY, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 10, 0, 0), 24 * kHour},
        {RESUME_DAILY, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 11, 0, 0), kHour},
        {RESUME_DAILY, At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 9, 0, 0), 23 * kHour},
        // 23:30 UTC is already 01:30 of the next local day: 01:00 has passed
        // there, so the wake is the local day after.
        {RESUME_DAILY, At(2026, 6, 10, 23, 30, 0), At(2020, 1, 1, 1, 0, 0), 23 * kHour + kHour / 2},
        // The chosen wall-clock time is kept across a change of daylight-saving
        // time: Saturday 28 March 2026, 21:00 CET, clocks go forward that
        // night, so 07:00 CEST is 05:00 UTC; Saturday 24 October 2026, 22:00
        // CEST, clocks go back that night, so 07:00 CET is 06:00 UTC.
        {RESUME_DAILY, At(2026, 3, 28, 20, 0, 0), At(2020, 1, 1, 7, 0, 0), 9 * kHour},
        {RESUME_DAILY, At(2026, 10, 24, 20, 0, 0), At(2020, 1, 1, 7, 0, 0), 10 * kHour},
    };
    for (auto& c : cases) {
        m_system.now = Ticks(c.now);
        m_model.AutoResume.time = c.chosen;
        m_model.AutoResume.time.wMilliseconds = c.mode == RESUME_DAILY ? 500 : 0;
        EXPECT_TRUE(Arm(c.mode)) << c.now.wMonth << " " << c.chosen.wHour;
        ASSERT_EQ(1u, m_system.dueTimes.size());
        EXPECT_EQ(static_cast<LONGLONG>(m_system.now) + c.due, m_system.dueTimes[0])
            << c.now.wMonth << " " << c.chosen.wHour;
        // The entry shows the due time on the local clock of its own date.
        SYSTEMTIME utc, local;
        FILETIME due = ToFileTime(static_cast<ULONGLONG>(m_system.dueTimes[0]));
        FileTimeToSystemTime(&due, &utc);
        SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
        EXPECT_EQ(L"<SetWakeTimer>\r\nAutomatic resume scheduled on " + DateTimeText(Ticks(local))
                      + L"\r\n",
                  Logged());
    }
}

TEST_F(WakeScheduling, PastMomentsAndFailures)
{
    // No timer: false, and nothing logged or called.
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_FALSE(m_engine.CancelWakeTimer());
    EXPECT_EQ(L"", Logged());

    // A creation that fails is logged; later arming says nothing.
    m_system.createError = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_FALSE(m_engine.CreateWakeTimer());
    EXPECT_FALSE(m_engine.ArmWakeTimer());
    EXPECT_EQ(L"Error:  unable to create the waitable timer" + ErrorSuffix(ERROR_NOT_ENOUGH_MEMORY),
              Logged());

    m_system.createError = 0;
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_system.setResult = FALSE;
    m_system.setError = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_EQ(L"<SetWakeTimer>\r\nError: unable to activate the waitable timer"
                  + ErrorSuffix(ERROR_ACCESS_DENIED),
              Logged());

    // Set, but the system cannot wake by timer: the timer stays set.
    m_system.setResult = TRUE;
    m_system.setError = ERROR_NOT_SUPPORTED;
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_EQ(L"<SetWakeTimer>\r\nError: automatic resume not supported by the system"
                  + ErrorSuffix(ERROR_NOT_SUPPORTED),
              Logged());
    EXPECT_TRUE(m_model.AutoResume.enabled);
    EXPECT_EQ(0, m_disabled);

    // "Once on:" exactly now is past: automatic resume is switched off and
    // the owner told.
    m_system.setError = 0;
    m_model.AutoResume.time = At(2026, 6, 10, 10, 0, 0);
    EXPECT_FALSE(Arm(RESUME_ONCE));
    EXPECT_FALSE(m_model.AutoResume.enabled);
    EXPECT_EQ(L"Warning: the resume time is in the past; automatic resume disabled.\r\n", Logged());
    EXPECT_EQ(1, m_disabled);
}

TEST_F(PowerEvents, AutomaticWakeCancelsLogsRunsAndCounts)
{
    m_system.activeWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4321));
    m_engine.HandleResume(true);
    EXPECT_EQ(L"<CancelWakeTimer>\r\nSystem resuming from a suspend state\r\n"
              L"Running command: \"C:\\Program Files\\Mail\\mail.exe\" /check\r\n"
              + kShell + Countdown(),
              Logged());

    // The shell gets the open verb and nothing else: no process handle is
    // asked for or kept, and its failure is not logged.
    const SHELLEXECUTEINFOW& shell = m_system.shell; // its texts are in the journal
    SHELLEXECUTEINFOW expected{sizeof expected, SEE_MASK_UNICODE, m_system.activeWindow,
                               shell.lpVerb, shell.lpFile, shell.lpParameters, nullptr,
                               SW_SHOWNORMAL, nullptr, nullptr, nullptr, nullptr, 0, {}, nullptr};
    EXPECT_EQ(0, std::memcmp(&expected, &shell, sizeof expected));

    // The countdown needs all three switches; the command runs all the same.
    for (int off = 0; off < 3; ++off) {
        m_model.Suspend.allowed = off != 0;
        m_model.AutoResume.enabled = off != 1;
        m_model.AutoSuspend.enabled = off != 2;
        m_system.runningTimers.clear();
        Forget();
        m_engine.HandleResume(true);
        EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND)) << off;
        EXPECT_EQ(std::wstring::npos, Logged().find(L"Automatic suspend scheduled")) << off;
        EXPECT_NE(std::wstring::npos, Logged().find(kShell)) << off;
    }
}

TEST_F(PowerEvents, AttemptsThatDoNotSuspend)
{
    // A user resume while counting down.
    Counting(false);
    m_engine.HandleResume(false);
    EXPECT_EQ(L"<CancelWakeTimer>\r\n" + kUserActivity + L"<KillTimer 1>\r\n", Logged());

    // The user is active when the countdown ends.
    Counting(false);
    m_system.resumeAutomatic = FALSE;
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n" + kUserActivity, Logged());

    // The conditions are not met: another countdown. The evaluation is not
    // part of the wake, so nothing was blocked before the attempt.
    m_system.resumeAutomatic = TRUE;
    m_model.Suspend.condition = CONDITION_NO_CONNECTION;
    m_model.TcpPorts.list = {80};
    m_system.tcp4 = {Row4(50000, 80)};
    Counting(false);
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n"
              L"<SetTooltip Tarvik - Active TCP ports: 80>\r\n<SetIcon 213>\r\n<Update>\r\n"
              L"Automatic suspend not allowed; active TCP ports: 80\r\n" + kRetry + Countdown(),
              Logged());
}

TEST_F(PowerEvents, SuccessfulAttemptArmsTheWakeFirstThenSuspends)
{
    m_model.AutoSuspend.state = SUSPEND_STATE_HIBERNATE;
    Counting();
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(kAttempt + L"<SetWakeTimer>\r\n" + Entry(L"Automatic resume scheduled on ", 3600) + kOpen
                  + L"<SetSuspendState 1>\r\n",
              Logged());

    // Only state 1 hibernates; with automatic resume switched off on the page
    // the wake timer is left alone.
    m_model.AutoResume.enabled = false;
    for (int state : {int{SUSPEND_STATE_SLEEP}, 2, -1}) {
        m_model.AutoSuspend.state = state;
        Forget();
        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        EXPECT_EQ(kAttempt + kOpen + L"<SetSuspendState 0>\r\n", Logged()) << state;
    }
}

TEST_F(PowerEvents, FailuresAreLoggedAndRetriedUnlessAccessIsDenied)
{
    struct { SuspendStep step; DWORD error; } cases[] = {
        {OpenStep, ERROR_INVALID_HANDLE},          {OpenStep, ERROR_ACCESS_DENIED},
        {LookupStep, ERROR_NO_SUCH_PRIVILEGE},     {AdjustStep, ERROR_INVALID_PARAMETER},
        {NotAssignedStep, ERROR_NOT_ALL_ASSIGNED}, {SuspendCallStep, ERROR_NOT_SUPPORTED},
        {SuspendCallStep, ERROR_ACCESS_DENIED},
    };
    Counting();
    m_model.AutoResume.enabled = false; // keeps the wake timer's entries out
    for (const auto& c : cases) {
        m_system.failStep = c.step;
        m_system.failError = c.error;
        Forget();
        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        bool retried = c.error != ERROR_ACCESS_DENIED;
        EXPECT_EQ(kAttempt + kOpen + (c.step == SuspendCallStep ? L"<SetSuspendState 0>\r\n" : L"")
                      + L"Error:  unable to suspend the system" + ErrorSuffix(c.error)
                      + (retried ? kRetry + Countdown() : L""),
                  Logged()) << c.step << " " << c.error;
    }
}

TEST_F(PowerEvents, SuspendAnnouncedAgainstTheConditions)
{
    m_model.Suspend.allowed = false;
    m_engine.HandleSuspend();
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\n<Update>\r\n"
              L"Automatic suspend not allowed\r\nWarning: suspend conditions are not met\r\n"
              L"System entering a suspend state by system or user request\r\n<SetWakeTimer>\r\n"
                  + Entry(L"Automatic resume scheduled on ", 3600),
              Logged());
}

TEST(SplitCommand, CutsFileFromParameters)
{
    struct { const wchar_t *text, *file, *parameters; } cases[] = {
        // A quoted path with spaces: the separating space stays with the options.
        {L"\"C:\\Program Files\\App\\app.exe\" /a \"b c\"", L"C:\\Program Files\\App\\app.exe",
         L" /a \"b c\""},
        // A URL is the file, whole.
        {L"https://example.org/a?b=c", L"https://example.org/a?b=c", L""},
        // A lone quote, and a quote never closed.
        {L"\"", L"", L""},
        {L"\"C:\\Program Files\\App\\app.exe -x", L"C:\\Program Files\\App\\app.exe -x", L""},
        // Unquoted: cut at the first space, which belongs to neither part.
        {L"C:\\Program Files\\App\\app.exe -x", L"C:\\Program", L"Files\\App\\app.exe -x"},
    };
    for (const auto& c : cases) {
        CCommandParts parts = SplitCommand(c.text);
        EXPECT_EQ(c.file, parts.file) << std::wstring(c.text).size();
        EXPECT_EQ(c.parameters, parts.parameters) << std::wstring(c.text).size();
    }
}
