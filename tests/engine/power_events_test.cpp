#include <gtest/gtest.h>

#include <string>

#include "tests/engine/engine_fixture.h"

namespace
{
constexpr DWORD kEstablished = 5;

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
        ULONGLONG local = m_system.now + static_cast<ULONGLONG>(2 * kHour)
            + static_cast<ULONGLONG>(seconds) * kTicksPerSecond;
        return entry + DateTimeText(local) + L"\r\n";
    }

    std::wstring Countdown() const
    {
        return L"<SetTimer 1 " + std::to_wstring(m_model.AutoSuspend.delay * 1000) + L">\r\n"
            + Entry(L"Automatic suspend scheduled on ", m_model.AutoSuspend.delay);
    }

    // A countdown running, the journal fresh.
    void Counting()
    {
        m_engine.HandleResume(true);
        ASSERT_TRUE(m_system.TimerRunning(IDT_AUTOSUSPEND));
        m_system.shellCalls.clear();
        Forget();
    }

    // Evaluates once so the permission's own entries are out of the way.
    void Evaluated()
    {
        m_engine.EvaluateSuspendPermission();
        Forget();
    }
};
}

TEST_F(PowerEvents, AutomaticWakeCancelsLogsRunsAndCounts)
{
    m_engine.HandleResume(true);
    EXPECT_EQ(L"<CancelWakeTimer>\r\n"
              L"System resuming from a suspend state\r\n"
              L"Running command: \"C:\\Program Files\\Mail\\mail.exe\" /check\r\n"
              L"<ShellExecuteEx>\r\n"
                  + Countdown(),
              Logged());
    ASSERT_EQ(1u, m_system.cancelCalls.size());
    EXPECT_EQ(m_engine.WakeTimer(), m_system.cancelCalls[0]);
    EXPECT_TRUE(m_system.TimerRunning(IDT_AUTOSUSPEND));
    EXPECT_EQ(600000u, m_system.runningTimers[IDT_AUTOSUSPEND]);
    EXPECT_TRUE(m_system.suspendCalls.empty());
}

TEST_F(PowerEvents, CommandAndCountdownFollowTheirSwitches)
{
    // The countdown needs all three switches; the command runs all the same.
    for (int off = 0; off < 3; ++off) {
        m_model.Suspend.allowed = off != 0;
        m_model.AutoResume.enabled = off != 1;
        m_model.AutoSuspend.enabled = off != 2;
        m_system.shellCalls.clear();
        Forget();
        m_engine.HandleResume(true);
        EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND)) << off;
        EXPECT_EQ(std::wstring::npos, Logged().find(L"Automatic suspend scheduled")) << off;
        EXPECT_EQ(1u, m_system.shellCalls.size()) << off;
    }

}

TEST_F(PowerEvents, UserResumeCancelsTheCountdown)
{
    Counting();
    m_engine.HandleResume(false);
    const std::wstring cancelled = L"<CancelWakeTimer>\r\n"
                                   L"Automatic suspend has been cancelled due to user activity\r\n"
                                   L"<KillTimer 1>\r\n";
    EXPECT_EQ(cancelled, Logged());
    EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND));
    EXPECT_TRUE(m_system.shellCalls.empty());

    // Without a countdown the entry still follows the switches.
    Forget();
    m_engine.HandleResume(false);
    EXPECT_EQ(cancelled, Logged());

    Forget();
    m_model.AutoSuspend.enabled = false;
    m_engine.HandleResume(false);
    EXPECT_EQ(L"<CancelWakeTimer>\r\n<KillTimer 1>\r\n", Logged());
}

TEST_F(PowerEvents, UserActiveWhenTheCountdownEnds)
{
    Counting();
    m_system.resumeAutomatic = FALSE;
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n"
              L"Automatic suspend has been cancelled due to user activity\r\n",
              Logged());
    EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND));
    EXPECT_TRUE(m_system.suspendCalls.empty());
    EXPECT_EQ(nullptr, m_system.token);
}

TEST_F(PowerEvents, SuccessfulAttemptArmsTheWakeFirstThenSuspends)
{
    Counting();
    Evaluated();
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n"
              L"System entering a suspend state by application request\r\n"
              L"<SetWakeTimer>\r\n"
                  + Entry(L"Automatic resume scheduled on ", 3600) + L"<SetSuspendState>\r\n",
              Logged());
    EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND));

    ASSERT_EQ(1u, m_system.suspendCalls.size());
    EXPECT_FALSE(m_system.suspendCalls[0].hibernate);
    EXPECT_FALSE(m_system.suspendCalls[0].force);
    EXPECT_FALSE(m_system.suspendCalls[0].wakeupEventsDisabled);

    // The shutdown privilege of the process's own token, enabled, token closed.
    EXPECT_EQ(static_cast<DWORD>(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY), m_system.openAccess);
    EXPECT_EQ(L"SeShutdownPrivilege", m_system.privilegeName);
    ASSERT_NE(nullptr, m_system.token);
    EXPECT_EQ(m_system.token, m_system.adjustedToken);
    EXPECT_EQ(1u, m_system.adjusted.PrivilegeCount);
    EXPECT_EQ(19u, m_system.adjusted.Privileges[0].Luid.LowPart);
    EXPECT_EQ(static_cast<DWORD>(SE_PRIVILEGE_ENABLED), m_system.adjusted.Privileges[0].Attributes);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(m_system.token, &flags));
}

TEST_F(PowerEvents, HibernateOnlyForStateOne)
{
    Evaluated();
    m_model.AutoResume.enabled = false; // switched off on the page: the wake timer is left alone
    for (int state : {int{SUSPEND_STATE_HIBERNATE}, int{SUSPEND_STATE_SLEEP}, 2, -1}) {
        m_model.AutoSuspend.state = state;
        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        ASSERT_FALSE(m_system.suspendCalls.empty());
        EXPECT_EQ(state == SUSPEND_STATE_HIBERNATE, m_system.suspendCalls.back().hibernate != 0)
            << state;
    }
    EXPECT_EQ(4u, m_system.suspendCalls.size());
    EXPECT_TRUE(m_system.setCalls.empty());
}

TEST_F(PowerEvents, UnmetConditionsRetryOncePerDelay)
{
    m_model.Suspend.condition = CONDITION_NO_CONNECTION;
    m_model.TcpPorts.list = {80};
    m_system.tcp4.rows = {Row4(kEstablished, 50000, 80)};
    Counting(); // the evaluation is not part of the wake: nothing was blocked yet
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\n"
              L"<SetTooltip Tarvik - Active TCP ports: 80>\r\n<SetIcon 213>\r\n<Update>\r\n"
              L"Automatic suspend not allowed; active TCP ports: 80\r\n"
              L"Rescheduling automatic suspend for another attempt\r\n"
                  + Countdown(),
              Logged());

    Forget();
    m_system.now += 600 * kTicksPerSecond;
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\nRescheduling automatic suspend for another attempt\r\n"
                  + Countdown(),
              Logged());
    EXPECT_TRUE(m_system.TimerRunning(IDT_AUTOSUSPEND));
    EXPECT_TRUE(m_system.suspendCalls.empty());
    EXPECT_TRUE(m_system.setCalls.empty());
    EXPECT_EQ(nullptr, m_system.token);
}

TEST_F(PowerEvents, FailuresAreLoggedAndRetriedUnlessAccessIsDenied)
{
    enum Step { Open, Lookup, Adjust, NotAssigned, Suspend };
    struct Case
    {
        Step step;
        DWORD error;
    } cases[] = {
        {Open, ERROR_INVALID_HANDLE},  {Open, ERROR_ACCESS_DENIED},
        {Lookup, ERROR_NO_SUCH_PRIVILEGE}, {Adjust, ERROR_INVALID_PARAMETER},
        {NotAssigned, ERROR_NOT_ALL_ASSIGNED}, {Suspend, ERROR_NOT_SUPPORTED},
        {Suspend, ERROR_ACCESS_DENIED},
    };
    Evaluated();
    for (const Case& c : cases) {
        CFakePowerSystem& s = m_system;
        s.openResult = c.step != Open;
        s.openError = c.error;
        s.lookupResult = c.step != Lookup;
        s.lookupError = c.error;
        s.adjustResult = c.step != Adjust;
        s.adjustError = c.step == Adjust || c.step == NotAssigned ? c.error : 0;
        s.suspendResult = c.step != Suspend;
        s.suspendError = c.error;
        s.suspendCalls.clear();
        s.token = nullptr;
        m_model.AutoResume.enabled = false; // keeps the wake timer's entries out
        Forget();

        m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
        std::wstring expected = L"<KillTimer 1>\r\n"
                                L"System entering a suspend state by application request\r\n";
        if (c.step == Suspend)
            expected += L"<SetSuspendState>\r\n";
        expected += L"Error:  unable to suspend the system" + ErrorSuffix(c.error);
        if (c.error != ERROR_ACCESS_DENIED)
            expected += L"Rescheduling automatic suspend for another attempt\r\n" + Countdown();
        EXPECT_EQ(expected, Logged()) << c.step << " " << c.error;
        EXPECT_EQ(c.error != ERROR_ACCESS_DENIED, s.TimerRunning(IDT_AUTOSUSPEND)) << c.step;
        // No suspend is requested without the privilege.
        EXPECT_EQ(c.step == Suspend ? 1u : 0u, s.suspendCalls.size()) << c.step;
        DWORD flags = 0;
        if (s.token) {
            EXPECT_FALSE(GetHandleInformation(s.token, &flags)) << c.step;
        }
    }
}

TEST_F(PowerEvents, SuspendAnnouncedAgainstTheConditions)
{
    m_model.Suspend.allowed = false;
    m_engine.HandleSuspend();
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\n<Update>\r\n"
              L"Automatic suspend not allowed\r\n"
              L"Warning: suspend conditions are not met\r\n"
              L"System entering a suspend state by system or user request\r\n"
              L"<SetWakeTimer>\r\n"
                  + Entry(L"Automatic resume scheduled on ", 3600),
              Logged());

    // Allowed, and without automatic resume: the entry alone.
    Forget();
    m_model.Suspend.allowed = true;
    m_model.AutoResume.enabled = false;
    Evaluated();
    m_engine.HandleSuspend();
    EXPECT_EQ(L"System entering a suspend state by system or user request\r\n", Logged());
    EXPECT_EQ(1u, m_system.setCalls.size());
}
