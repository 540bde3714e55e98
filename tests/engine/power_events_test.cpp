#include <gtest/gtest.h>

#include <string>

#include "engine/resume_command.h"
#include "tests/engine/engine_fixture.h"

namespace
{
// The engine after an automatic wake with everything switched on: automatic
// resume every hour, automatic suspend after ten minutes, a resume command.
class PowerEvents : public EngineFixture
{
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        m_model.AutoResume.enabled = true;
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
