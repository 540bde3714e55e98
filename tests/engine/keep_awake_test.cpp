// Keep-awake in the engine's journal (engine_journal.h): its timer, the tray,
// the log and the execution state, over the settings and across sleeps. The
// tooltip's time is the user's short time without seconds; ctest fixes the
// locale to en-US, where 10:00 in Berlin reads "10:00 AM".
#include "tests/engine/engine_journal.h"

namespace {

// The journal of a keep-awake that starts (or replaces another) and ends at
// the local time `minutes` after 10:00.
std::wstring Started(const std::wstring& timer, int minutes, const std::wstring& tooltip)
{
    return timer + L"Kept awake until " + LocalAt(minutes) +
           L"\r\n<SetTooltip Tarvik - Kept awake until " + tooltip +
           L">\r\n<SetIcon 213>\r\n<Update>\r\n";
}

const std::wstring kEnded = L"<KillTimer 4>\r\nKeep awake ended\r\n";
const std::wstring kAllowedShown = L"<SetTooltip Tarvik>\r\n<SetIcon 128>\r\n<Update>\r\n";

class KeepAwake : public PowerEngine
{
protected:
    void SetUp() override
    {
        PowerEngine::SetUp();
        m_model.AutoResume.enabled = false; // no wake promised: no machine lines
        m_engine.ApplyExecutionState();
        Forget();
    }
};

} // namespace

TEST_F(KeepAwake, HoldsTheComputerUntilItsTimeOnTheClockShownByTheTrayAndLogged)
{
    // An end on another day shows its date: 15 hours from 10:00 is 01:00 tomorrow.
    ASSERT_TRUE(m_engine.StartKeepAwake(15 * 60));
    EXPECT_EQ(Started(L"<SetTimer 4 54000000>\r\n", 15 * 60, L"6/11/2026 1:00 AM"), Logged());
    // Another length replaces it, with no end in between.
    ASSERT_TRUE(m_engine.StartKeepAwake(60));
    EXPECT_EQ(Started(L"<SetTimer 4 3600000>\r\n", 60, L"11:00 AM"), Logged());
    EXPECT_TRUE(HoldsSystem());

    // A timer that fires before the clock reached the end waits for the rest.
    m_system.now += 40 * kMinute;
    m_engine.OnEngineTimer(IDT_KEEPAWAKE);
    EXPECT_EQ(L"<SetTimer 4 1200000>\r\n", Logged());
    // Within a second of the end it ends: the decision shows again.
    m_system.now += 20 * kMinute - kSecond / 2;
    m_engine.OnEngineTimer(IDT_KEEPAWAKE);
    EXPECT_EQ(kEnded + kAllowedShown, Logged());
    EXPECT_FALSE(HoldsSystem());

    // 40 days: a window timer waits at most USER_TIMER_MAXIMUM milliseconds
    // (about 24.8 days), so it is set again for the rest.
    const unsigned days40 = 40 * 24 * 60;
    ASSERT_TRUE(m_engine.StartKeepAwake(days40));
    EXPECT_EQ(static_cast<UINT>(USER_TIMER_MAXIMUM), m_system.runningTimers[IDT_KEEPAWAKE]);
    m_system.now += static_cast<ULONGLONG>(USER_TIMER_MAXIMUM) * 10000;
    m_engine.OnEngineTimer(IDT_KEEPAWAKE);
    EXPECT_EQ(static_cast<UINT>(days40 * 60000ULL - USER_TIMER_MAXIMUM),
              m_system.runningTimers[IDT_KEEPAWAKE]);

    // Until stopped replaces it: no end in between, the timer goes.
    Forget();
    ASSERT_TRUE(m_engine.StartKeepAwake(kKeepAwakeUntilStopped));
    EXPECT_EQ(
        L"<KillTimer 4>\r\nKept awake until stopped\r\n"
        L"<SetTooltip Tarvik - Kept awake until you stop it>\r\n<SetIcon 213>\r\n<Update>\r\n",
        Logged());
    m_engine.StopKeepAwake();
    EXPECT_EQ(kEnded + kAllowedShown, Logged());
    EXPECT_FALSE(HoldsSystem());
    m_engine.StopKeepAwake(); // none runs: nothing to say
    // Longer than the longest is refused, with nothing done.
    EXPECT_FALSE(m_engine.StartKeepAwake(kKeepAwakeMaxMinutes + 1));
    EXPECT_EQ(L"", Logged());

    // It ends with the program, before the log does.
    ASSERT_TRUE(m_engine.StartKeepAwake(30));
    Forget();
    m_engine.Shutdown();
    EXPECT_NE(std::wstring::npos, Logged().find(kEnded));
    EXPECT_FALSE(m_system.TimerRunning(IDT_KEEPAWAKE));
}

TEST_F(KeepAwake, OverridesAllowSuspendAndThePortsWhoseDecisionReturnsWhenItEnds)
{
    // "Allow suspend" cleared and the screen allowed to blank: the system is
    // held already; keep-awake covers the tray.
    m_model.Suspend.allowed = false;
    m_engine.ApplyExecutionState();
    ASSERT_TRUE(m_engine.StartKeepAwake(30));

    // The decision changes under it: logged, but the tray keeps showing
    // keep-awake.
    m_model.Suspend.allowed = true;
    m_model.Suspend.blanking = false;
    m_model.Suspend.condition = Condition::NoConnection;
    m_model.TcpPorts.list = {80};
    m_system.tcp4 = {Row4(50000, 80)};
    Forget();
    m_engine.ApplyExecutionState();
    EXPECT_EQ(L"Automatic suspend not allowed; active TCP ports: 80\r\n<SetTimer 2 30000>\r\n",
              Logged());

    // Its end shows the decision that holds now; the ports still hold.
    m_engine.StopKeepAwake();
    EXPECT_EQ(kEnded +
                  L"<SetTooltip Tarvik - Active TCP ports: 80>\r\n<SetIcon 213>\r\n<Update>\r\n",
              Logged());
    EXPECT_TRUE(HoldsSystem());
    // Once the connection closes nothing holds but the display.
    m_system.tcp4.clear();
    m_engine.OnEngineTimer(IDT_CONNECTIONWATCH);
    EXPECT_EQ(static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_DISPLAY_REQUIRED),
              m_system.executionState);
}

TEST_F(KeepAwake, TheCountdownsAttemptIsPostponedWhileItRuns)
{
    m_model.AutoResume.enabled = true;
    m_model.Command.run = false;
    Counting();
    ASSERT_TRUE(m_engine.StartKeepAwake(kKeepAwakeUntilStopped));
    Forget();
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(L"<KillTimer 1>\r\nAutomatic suspend postponed; the computer is kept awake\r\n" +
                  kRetry + Countdown(),
              Logged());

    // Once it ended, the next attempt puts the computer to sleep.
    m_engine.StopKeepAwake();
    Forget();
    m_engine.OnEngineTimer(IDT_AUTOSUSPEND);
    EXPECT_EQ(0u, Logged().find(kAttempt));
    EXPECT_TRUE(m_system.suspendRequested);
}

TEST_F(KeepAwake, ASleepAgainstItIsNotedAndAResumeAfterItsEndEndsIt)
{
    // The user puts the computer to sleep anyway: not opposed, but noted
    // (the Modern Standby night of power_rules_test.cpp shows the note).
    ASSERT_TRUE(m_engine.StartKeepAwake(30));
    m_engine.HandleSuspend();
    Forget();

    // Woken ten minutes later: the timer is set for the twenty left.
    m_system.now += 10 * kMinute;
    m_engine.HandleResume(false);
    EXPECT_EQ(L"<CancelWakeTimer>\r\n<KillTimer 1>\r\n<SetTimer 4 1200000>\r\n", Logged());
    EXPECT_TRUE(HoldsSystem());

    // Asleep past its end: the resume ends it.
    m_engine.HandleSuspend();
    m_system.now += 2 * kHour;
    Forget();
    m_engine.HandleResume(false);
    EXPECT_EQ(L"<CancelWakeTimer>\r\n<KillTimer 1>\r\n" + kEnded + kAllowedShown, Logged());
    EXPECT_FALSE(HoldsSystem());
}

TEST_F(KeepAwake, ThePlanThatIgnoresProgramsIsNamedWhileItRuns)
{
    // A laptop whose plan lets no program keep it awake on battery: nothing
    // to say while Tarvik holds nothing, a warning once keep-awake starts.
    m_system.capabilities = ModernStandbyCapabilities();
    m_system.planValues = {{{kAllowSystemRequired.Data1, true}, 0}};
    m_engine.CheckMachine();
    EXPECT_EQ(L"", Logged());
    ASSERT_TRUE(m_engine.StartKeepAwake(60));
    EXPECT_NE(std::wstring::npos,
              Logged().find(L"Warning: the power plan does not let programs keep this computer "
                            L"awake on battery\r\n"));
    // Its end takes the problem away, so a later start names it again.
    m_engine.StopKeepAwake();
    EXPECT_EQ(0u, m_engine.MachineProblems());
}
