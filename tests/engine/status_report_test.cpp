// The status report over the fake system (engine_journal.h): the text it
// reads as in each state of the engine, and that reading it changes and logs
// nothing. The moments read as the log writes them, in the en-US locale ctest
// fixes.
#include "tests/engine/engine_journal.h"

#include <vector>

#include "engine/status_report.h"

namespace {

using Lines = std::vector<std::wstring>;

class StatusReport : public PowerEngine
{
protected:
    void SetUp() override
    {
        PowerEngine::SetUp();
        m_model.Command.run = false;
        m_system.planValues = {{{kAllowWakeTimers.Data1, false}, 1},
                               {{kAllowSystemRequired.Data1, false}, 1}};
    }

    CStatusReport Report() { return m_engine.BuildStatusReport(); }

    // The section of the report's lines that begins with `heading`, up to the
    // empty line after it.
    Lines Section(const std::wstring& heading)
    {
        Lines section;
        for (const std::wstring& line : StatusReportLines(Report())) {
            if (section.empty() && line.rfind(heading, 0) != 0)
                continue;
            if (line.empty())
                break;
            section.push_back(line);
        }
        return section;
    }
};

} // namespace

TEST_F(StatusReport, NothingHeldReadsInFullAndReadingItChangesNothing)
{
    const CStatusReport report = Report();
    EXPECT_TRUE(report.SleepAllowed());
    EXPECT_EQ(L"Tarvik status at " + LocalAt(0) +
                  L"\r\n\r\n"
                  L"Sleep now: allowed\r\n\r\n"
                  L"Next wake: " +
                  LocalAt(60) +
                  L" if the computer sleeps now, every 01:00:00\r\n\r\n"
                  L"After a wake: nothing pending\r\n\r\n"
                  L"Machine\r\n"
                  L"  Sleep state: S3\r\n"
                  L"  Hibernation: available\r\n"
                  L"  Allow wake timers: enabled on mains power\r\n"
                  L"  Programs may keep it awake: yes on mains power\r\n",
              StatusReportText(report));
    // No timer was set, no decision logged, no tray touched.
    EXPECT_EQ(L"", Logged());
    EXPECT_FALSE(m_system.timerSet);
}

TEST_F(StatusReport, SleepNowSaysWhatHoldsIt)
{
    // Watched ports in use, each with the addresses of the other ends once:
    // 22 here (its local side), 443 there (its remote side). A listening row
    // does not count.
    m_model.Suspend.condition = Condition::NoConnection;
    m_model.TcpPorts.list = {22, 443, 8080};
    m_model.TcpPorts.endpoint = Endpoint::Both;
    MIB_TCPROW listening = Row4(8080, 0, 0);
    listening.dwState = MIB_TCP_STATE_LISTEN;
    m_system.tcp4 = {Row4(50000, 443, Address4(192, 0, 2, 7)), listening,
                     Row4(22, 50002, Address4(198, 51, 100, 9)),
                     Row4(50001, 443, Address4(192, 0, 2, 7))};
    EXPECT_FALSE(Report().SleepAllowed());
    EXPECT_EQ((Lines{L"Sleep now: held", L"  Watched port 22 is in use, connected to 198.51.100.9.",
                     L"  Watched port 443 is in use, connected to 192.0.2.7."}),
              Section(L"Sleep now"));

    // "Allow suspend" cleared: the ports are not looked at, as the engine
    // does not look at them then.
    m_model.Suspend.allowed = false;
    EXPECT_EQ((Lines{L"Sleep now: held", L"  \"Allow suspend\" is off."}), Section(L"Sleep now"));
    m_model.Suspend.allowed = true;
    m_system.tcp4.clear();

    m_engine.StartKeepAwake(90);
    EXPECT_EQ((Lines{L"Sleep now: held", L"  Kept awake until " + LocalAt(90) + L"."}),
              Section(L"Sleep now"));
    m_engine.StopKeepAwake();
    EXPECT_TRUE(Report().SleepAllowed());
}

TEST_F(StatusReport, AfterAWakeTheCountdownAndTheCommandHoldTheComputer)
{
    // An automatic wake: the countdown runs, and the command's program.
    m_model.Command.run = true;
    m_engine.HandleResume(true);
    m_system.DeliverPosted(m_engine);
    EXPECT_EQ((Lines{L"Sleep now: held", L"  Held after a wake (below)."}), Section(L"Sleep now"));
    const std::wstring programHolds =
        L"  The program the command started still runs; the computer is held awake until it ends.";
    EXPECT_EQ(
        (Lines{L"After a wake: automatic suspend (Sleep) at " + LocalAt(10),
               L"  The computer is held awake until then, unless someone uses it.", programHolds}),
        Section(L"After a wake"));

    // The user is back: the countdown ends, the program runs on.
    m_engine.HandleResume(false);
    EXPECT_EQ((Lines{L"After a wake: the command's program runs", programHolds}),
              Section(L"After a wake"));
    // The program ended, though the watch has not seen it yet.
    m_system.commandRunning = false;
    EXPECT_TRUE(Report().SleepAllowed());
    EXPECT_EQ((Lines{L"After a wake: nothing pending"}), Section(L"After a wake"));
}

TEST_F(StatusReport, TheNextWakeAsTheTimerWouldBeSetNowOrWhyThereIsNone)
{
    // A "Once on:" moment that has passed: none, and automatic resume stays
    // on until the next sleep switches it off.
    m_model.AutoResume.mode = ResumeMode::Once;
    m_model.AutoResume.time = At(2026, 6, 10, 9, 0, 0);
    EXPECT_EQ((Lines{L"Next wake: none; the \"Once on:\" moment has passed"}),
              Section(L"Next wake"));
    EXPECT_TRUE(m_model.AutoResume.enabled);
    EXPECT_EQ(L"", Logged());

    m_model.AutoResume.enabled = false;
    EXPECT_EQ((Lines{L"Next wake: none; automatic resume is off"}), Section(L"Next wake"));
    m_model.AutoResume.enabled = true;
    m_model.AutoResume.mode = ResumeMode::Daily;
    m_model.AutoResume.time = At(2020, 1, 1, 11, 30, 0);
    CPowerEngine noTimer{m_model, m_system};
    EXPECT_EQ(L"Next wake: none; Windows gave Tarvik no wake timer",
              StatusReportLines(noTimer.BuildStatusReport()).at(4));

    // What keeps a set timer from waking the computer follows its moment.
    m_system.planValues[{kAllowWakeTimers.Data1, false}] = 0;
    EXPECT_EQ((Lines{L"Next wake: " + LocalAt(90) + L", daily",
                     L"  The power plan disables wake timers on mains power."}),
              Section(L"Next wake"));
}

TEST_F(StatusReport, TheMachineWithEachProblemAndItsRemedy)
{
    // A laptop: hibernation off while the countdown hibernates, wake timers
    // off on battery. Each problem comes with its remedy.
    m_system.capabilities.SystemBatteriesPresent = TRUE;
    m_system.hibernateAllowed = false;
    m_model.AutoSuspend.state = SuspendState::Hibernate;
    m_system.planValues[{kAllowWakeTimers.Data1, true}] = 0;
    m_engine.CheckMachine();
    auto problem = [](unsigned bit) {
        return L"  Problem: " + MachineProblemText(bit) + L" " + MachineProblemRemedy(bit);
    };
    EXPECT_EQ((Lines{L"Machine", L"  Sleep state: S3", L"  Hibernation: not available",
                     L"  Allow wake timers: enabled on mains power, disabled on battery",
                     L"  Programs may keep it awake: yes on mains power, unknown on battery",
                     problem(PROBLEM_NO_HIBERNATION), problem(PROBLEM_WAKE_TIMERS_OFF_BATTERY)}),
              Section(L"Machine"));

    // Nothing readable but hibernation: unknown.
    m_system.capabilitiesKnown = false;
    m_system.planValues.clear();
    EXPECT_EQ(L"  Sleep state: unknown", Section(L"Machine").at(1));
}
