// Whole nights of the engine on a model of Windows' documented power rules,
// which Wine does not have (its power calls are stubs):
// - "System Wake-up Events": after a wake by a timer the computer is
//   unattended; Windows puts it back to sleep when its unattended idle timer
//   (at least two minutes) runs out, unless a program holds
//   ES_SYSTEM_REQUIRED. A wake by the user broadcasts PBT_APMRESUMEAUTOMATIC,
//   then PBT_APMRESUMESUSPEND; input during an unattended wake turns it into
//   an attended one (PBT_APMRESUMESUSPEND, IsSystemResumeAutomatic FALSE).
// - SetSuspendState returns only after the wake; the PBT_APMSUSPEND it causes
//   reaches the program's window meanwhile.
// - "Prepare software for modern standby", "Integrating apps with modern
//   standby": a Modern Standby computer enters standby when its display goes
//   off; the Desktop Activity Moderator pauses desktop programs until it comes
//   on again, so a timer that wakes the chip wakes no desktop program.
// The model runs the engine's window timers and posted messages as the
// message loop would, and writes what Windows does into the engine's log as
// "<Windows ...>", so a night reads as one journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/fake_power_system.h"
#include "tests/support/calendar.h"
#include "tests/support/log_file.h"
#include "tests/support/log_lines.h"

namespace {

using Lines = std::vector<std::wstring>;
constexpr ULONGLONG kUnattendedTimeout = 2 * kMinute;

class CWindowsModel : public CFakePowerSystem
{
public:
    // Sleeping is S3, Hibernating S4; in Modern Standby the display is off and
    // desktop programs are paused.
    enum class Power
    {
        Working,
        Sleeping,
        Hibernating,
        Standby
    };

    CPowerEngine* engine = nullptr;
    Power power = Power::Working;
    bool unattended = false;
    ULONGLONG unattendedEnd = 0;
    ULONGLONG commandEnd = 0; // of the program the command starts
    ULONGLONG lastUnattendedSleep = 0;

    bool Held() const { return (executionState & ES_SYSTEM_REQUIRED) != 0; }

    BOOL IsResumeAutomatic() override { return power == Power::Working && unattended; }

    bool RequestSuspend(HWND window, BOOLEAN hibernate) override
    {
        m_request = true;
        return CFakePowerSystem::RequestSuspend(window, hibernate);
    }

    BOOL ExecuteShell(SHELLEXECUTEINFOW* info) override
    {
        commandEnd = now + 15 * kMinute; // the backup's length
        return CFakePowerSystem::ExecuteShell(info);
    }
    bool IsProcessRunning(HANDLE) override { return now < commandEnd; }

    // The user puts the computer to sleep (Start, the lid, the power button),
    // or chooses Hibernate in the Start menu; or Windows does.
    void UserSleeps(Power state = Power::Sleeping)
    {
        const bool standby = state == Power::Sleeping && AoAc(capabilities);
        Windows(standby                       ? L"the display goes off: Modern Standby"
                : state == Power::Hibernating ? L"hibernates"
                                              : L"sleeps");
        Broadcast(PBT_APMSUSPEND);
        power = standby ? Power::Standby : state;
    }

    // The user touches the computer, or opens its lid. A wake by the user is
    // announced as automatic first.
    void UserArrives()
    {
        Windows(L"the user is back");
        const bool asleep = power != Power::Working;
        if (!asleep && !unattended)
            return;
        unattended = false;
        power = Power::Working;
        if (asleep)
            Broadcast(PBT_APMRESUMEAUTOMATIC);
        Broadcast(PBT_APMRESUMESUSPEND);
        AnswerSuspendRequest();
    }

    // Lets time pass to `until`, doing what Windows and the message loop do.
    void RunUntil(ULONGLONG until)
    {
        for (;;) {
            ULONGLONG next = until;
            UINT_PTR timer = 0;
            for (const auto& [id, at] : timerDue) {
                if (power == Power::Working && (at < next || (at == next && !timer)))
                    next = at, timer = id;
            }
            if (power == Power::Working && unattended && !Held() && unattendedEnd <= next) {
                lastUnattendedSleep = now = std::max(now, unattendedEnd);
                Windows(L"the unattended idle timer ran out");
                UserSleeps();
            } else if (power != Power::Working && timerSet && ULONGLONG(due) <= next) {
                now = static_cast<ULONGLONG>(due);
                WakeByTimer();
            } else {
                now = next;
                if (!timer)
                    return;
                timerDue[timer] = now + runningTimers[timer] * 10000ULL;
                engine->OnEngineTimer(timer);
                Loop();
            }
        }
    }

private:
    void Windows(const std::wstring& what) { Note(L"Windows: " + what); }

    void Broadcast(WPARAM event)
    {
        engine->OnPowerBroadcast(event);
        Loop();
    }

    // The message loop's turn: posted messages, then whatever the engine
    // asked of Windows meanwhile.
    void Loop()
    {
        DeliverPosted(*engine);
        if (m_request) {
            m_request = false;
            UserSleeps(suspendHibernates ? Power::Hibernating : Power::Sleeping);
        }
    }

    void WakeByTimer()
    {
        timerSet = false;
        if (power == Power::Standby) // the chip may wake; the desktop programs stay paused
            return Windows(L"the wake timer fires in standby; desktop programs stay paused");
        Windows(L"the wake timer wakes the computer");
        power = Power::Working;
        unattended = true;
        unattendedEnd = now + kUnattendedTimeout;
        Broadcast(PBT_APMRESUMEAUTOMATIC);
        AnswerSuspendRequest();
    }

    // SetSuspendState returns now, on the request's own thread.
    void AnswerSuspendRequest()
    {
        if (suspendRequested) {
            suspendRequested = false;
            PostWindowMessage(page, WM_APP_ENGINE, ENGINE_SUSPEND_DONE, 0);
            Loop();
        }
    }

    bool m_request = false;
};

class PowerRules : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_settings.AutoResume = {true, ResumeMode::Every, 3600, {}};
        m_settings.AutoSuspend = {true, 600, SuspendState::Sleep};
        m_settings.Command = {true, L"backup.exe /quiet"};
    }

    // The page's start at 23:00 in Berlin: the timer and the first apply.
    void Start()
    {
        ResetLog(m_log.Path());
        m_start = m_log.Size();
        m_model.now = Ticks(At(2026, 6, 10, 21, 0, 0));
        m_model.engine = &m_engine;
        m_engine.SetPageWindow(m_model.page);
        ASSERT_TRUE(m_engine.CreateWakeTimer());
        m_engine.ApplyExecutionState();
    }

    // The journal with moments cut off: a wake's date is not the point here.
    // The tray and the wake watch are not what a night is about.
    Lines Journal() const
    {
        Lines lines;
        for (const std::wstring& line : SplitLines(m_log.Text(m_start))) {
            std::wstring text = line.empty() || line[0] == L'\t' ? L"" : WithoutStamp(line);
            const size_t on = text.find(L" scheduled on ");
            if (on != std::wstring::npos)
                text.resize(on + 13);
            bool shown = !text.empty();
            for (const wchar_t* hidden : {L"<Set", L"<Kill", L"<Update", L"<PostMessage",
                                          L"<OpenProcessToken", L"<CancelWake"})
                shown = shown && text.rfind(hidden, 0) != 0;
            if (shown)
                lines.push_back(text);
        }
        return lines;
    }

    // A moment of the night on Berlin's clock (UTC+2 in June): 23:00 on the
    // 10th to 22:59 on the 11th.
    static ULONGLONG Clock(int hour, int minute)
    {
        const LONGLONG midnight = static_cast<LONGLONG>(Ticks(At(2026, 6, 10, 22, 0, 0)));
        return static_cast<ULONGLONG>(midnight +
                                      ((hour == 23 ? -1 : hour) * 60 + minute) * kMinute);
    }

    // The parts of a night's journal one after the other.
    static Lines Night(std::initializer_list<Lines> parts)
    {
        Lines night = {L"Automatic suspend allowed"};
        for (const Lines& part : parts)
            night.insert(night.end(), part.begin(), part.end());
        return night;
    }

    // Windows' sleep, whoever asked for it, and a wake by the timer.
    const Lines m_sleeps = {L"<Windows: sleeps>",
                            L"System entering a suspend state by system or user request",
                            L"Automatic resume scheduled on"};
    const Lines m_wakes = {L"<Windows: the wake timer wakes the computer>",
                           L"System resuming from a suspend state"};

    CTestLogFile m_log{L"rules"};
    size_t m_start = 0;
    CSettingsModel m_settings;
    CWindowsModel m_model;
    CPowerEngine m_engine{m_settings, m_model, &m_model};
};

} // namespace

TEST_F(PowerRules, ADesktopWakesRunsItsBackupAndSleepsAgainUntilTheUserComesBack)
{
    Start();
    m_model.RunUntil(Clock(23, 30));
    m_model.UserSleeps();
    // 00:30 the timer wakes it; the backup takes 15 minutes, so the first
    // attempt at 00:40 waits for it and the one at 00:50 succeeds. Windows'
    // two unattended minutes pass meanwhile without a sleep.
    m_model.RunUntil(Clock(1, 55));
    // 01:50 the next wake; the user arrives halfway through the countdown.
    m_model.UserArrives();
    m_model.RunUntil(Clock(3, 0));

    const Lines backup = {L"Running command: backup.exe /quiet", L"Automatic suspend scheduled on",
                          L"<ShellExecuteEx open|backup.exe|/quiet|(null)>"};
    EXPECT_EQ(Night({m_sleeps,
                     m_wakes,
                     backup,
                     {L"Automatic suspend postponed; the command is still running",
                      L"Rescheduling automatic suspend for another attempt",
                      L"Automatic suspend scheduled on",
                      L"System entering a suspend state by application request",
                      L"Automatic resume scheduled on", L"<RequestSuspend 0>"},
                     m_sleeps,
                     m_wakes,
                     backup,
                     {L"<Windows: the user is back>",
                      L"Automatic suspend has been cancelled due to user activity"}}),
              Journal());
    // The backup finished after the user came back: then nothing is held.
    m_model.RunUntil(Clock(3, 5));
    EXPECT_FALSE(m_model.Held());
}

TEST_F(PowerRules, AnUnattendedWakeWithNothingToDoSleepsAgainByWindowsOwnTimer)
{
    // Automatic resume without a countdown or a command: nothing holds the
    // wake, and Windows' own timer ends it two minutes later.
    m_settings.AutoSuspend.enabled = false;
    m_settings.Command.run = false;
    Start();
    m_model.UserSleeps();
    m_model.RunUntil(Clock(0, 10));
    EXPECT_EQ(
        Night({m_sleeps, m_wakes, {L"<Windows: the unattended idle timer ran out>"}, m_sleeps}),
        Journal());
    EXPECT_EQ(Clock(0, 2), m_model.lastUnattendedSleep);
}

TEST_F(PowerRules, AModernStandbyLaptopSaysWhatCannotWorkAndSleepsTheWayItCan)
{
    m_model.capabilities = ModernStandbyCapabilities();
    m_settings.Suspend.allowed = false; // kept awake while the display is on
    Start();
    EXPECT_TRUE(m_model.Held());
    // The lid closes: standby, and the engine lets go so the battery lasts.
    m_model.UserSleeps();
    EXPECT_FALSE(m_model.Held());
    // The timer fires in standby, but no desktop program runs until morning.
    m_model.RunUntil(Clock(7, 0));
    m_model.UserArrives();
    EXPECT_TRUE(m_model.Held()); // asserted again at resume
    const Lines expected = {
        L"Automatic suspend not allowed",
        L"Warning: this computer sleeps in Modern Standby; automatic resume cannot wake it from "
        L"there",
        L"<Windows: the display goes off: Modern Standby>",
        L"Warning: suspend conditions are not met",
        L"System entering a suspend state by system or user request",
        L"Automatic resume scheduled on",
        L"<Windows: the wake timer fires in standby; desktop programs stay paused>",
        L"<Windows: the user is back>",
        L"System resuming from a suspend state",
        L"Running command: backup.exe /quiet",
        L"<ShellExecuteEx open|backup.exe|/quiet|(null)>",
        L"Automatic suspend has been cancelled due to user activity",
    };
    EXPECT_EQ(expected, Journal());
}

TEST_F(PowerRules, OnModernStandbyHibernationIsTheWakeThatWorks)
{
    // The remedy the log points to: "State: Hibernate". The countdown's
    // attempt hibernates, and the timer wakes the computer from there.
    m_model.capabilities = ModernStandbyCapabilities();
    m_settings.AutoSuspend.state = SuspendState::Hibernate;
    m_settings.Command.run = false;
    Start();
    m_model.UserSleeps(
        CWindowsModel::Power::Hibernating); // 23:00; the timer wakes it at 00:00, 01:10, ...
    m_model.RunUntil(Clock(1, 30));
    const Lines journal = Journal();
    auto count = [&journal](const wchar_t* line) {
        return std::count(journal.begin(), journal.end(), line);
    };
    EXPECT_EQ(3, count(L"<Windows: hibernates>"));
    EXPECT_EQ(2, count(L"<Windows: the wake timer wakes the computer>"));
    EXPECT_EQ(2, count(L"<RequestSuspend 1>"));
}
