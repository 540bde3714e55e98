#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "engine/date_time_text.h"
#include "engine/file_time.h"
#include "engine/power_engine.h"
#include "log/logger.h"
#include "tests/engine/fake_power_system.h"
#include "tests/log/log_test_file.h"
#include "tests/support/calendar.h"

namespace
{
constexpr LONGLONG kHour = 3600LL * static_cast<LONGLONG>(kTicksPerSecond);


ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file));
    return ToTicks(file);
}

class CListener : public IPowerEngineListener
{
public:
    void OnAutoResumeDisabled() override { ++disabled; }
    int disabled = 0;
};

// The engine over the fake system, logging to a file of its own. The clock
// reads 08:00:00 UTC on 10 June 2026; local time is two hours ahead.
class WakeScheduling : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetLog(m_log.Path());
        ASSERT_TRUE(Logger().IsOpen());
        m_logStart = m_log.Size();
        m_system.now = Ticks(At(2026, 6, 10, 8, 0, 0));
        m_system.localOffset = 2 * kHour;
        m_model.AutoResume.enabled = true;
        m_model.AutoResume.time = At(2026, 6, 10, 10, 0, 0);
    }

    // The lines written since SetUp, stamps removed.
    std::wstring Logged() const
    {
        std::wstring text = m_log.Text(m_logStart);
        std::wstring result;
        for (const std::wstring& line : SplitLines(text)) {
            if (line.empty())
                continue;
            // Continuation lines of an error entry start with TABs, unstamped.
            result += line[0] == L'\t' ? line : WithoutStamp(line);
            result += L"\r\n";
        }
        return result;
    }

    bool Arm(int mode)
    {
        m_model.AutoResume.mode = mode;
        return m_engine.ArmWakeTimer();
    }

    // The single due time the timer was set to, relative to the clock.
    LONGLONG DueFromNow() const
    {
        EXPECT_EQ(1u, m_system.setCalls.size());
        if (m_system.setCalls.empty())
            return -1;
        return m_system.setCalls.back().due - static_cast<LONGLONG>(m_system.now);
    }

    CTestLogFile m_log{L"wake"};
    size_t m_logStart = 0;
    CSettingsModel m_model;
    CFakePowerSystem m_system;
    CListener m_listener;
    CPowerEngine m_engine{m_model, m_system, nullptr, &m_listener};
};

std::wstring DateTimeText(ULONGLONG local)
{
    wchar_t text[kDateTimeTextLength];
    EXPECT_GT(FormatDateTimeText(ToFileTime(local), text), 0);
    return text;
}
}

TEST_F(WakeScheduling, OnceExactlyNowIsPast)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    EXPECT_FALSE(Arm(RESUME_ONCE));
    EXPECT_FALSE(m_model.AutoResume.enabled);
    EXPECT_EQ(1, m_listener.disabled);
    EXPECT_TRUE(m_system.setCalls.empty());
    EXPECT_EQ(L"Warning: the resume time is in the past; automatic resume disabled.\r\n",
              Logged());
}

TEST_F(WakeScheduling, OnceUsesTheWholeMomentOnTheLocalClock)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_model.AutoResume.time.wSecond = 1;
    EXPECT_TRUE(Arm(RESUME_ONCE));
    EXPECT_EQ(static_cast<LONGLONG>(kTicksPerSecond), DueFromNow());
    EXPECT_TRUE(m_model.AutoResume.enabled);
    EXPECT_EQ(0, m_listener.disabled);

    // A millisecond before now is past as well.
    m_system.setCalls.clear();
    m_model.AutoResume.time = At(2026, 6, 10, 9, 59, 59);
    m_model.AutoResume.time.wMilliseconds = 999;
    EXPECT_FALSE(Arm(RESUME_ONCE));
    EXPECT_TRUE(m_system.setCalls.empty());
    EXPECT_EQ(1, m_listener.disabled);
}

TEST_F(WakeScheduling, DailyAtNowSchedulesTomorrow)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_model.AutoResume.time = At(2020, 1, 1, 10, 0, 0); // only the time of day counts
    m_model.AutoResume.time.wMilliseconds = 500;
    EXPECT_TRUE(Arm(RESUME_DAILY));
    EXPECT_EQ(static_cast<LONGLONG>(kTicksPerDay), DueFromNow());
    EXPECT_TRUE(m_model.AutoResume.enabled);
}

TEST_F(WakeScheduling, DailyLaterTodaySchedulesToday)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_model.AutoResume.time = At(2020, 1, 1, 11, 0, 0);
    EXPECT_TRUE(Arm(RESUME_DAILY));
    EXPECT_EQ(kHour, DueFromNow());

    m_system.setCalls.clear();
    m_model.AutoResume.time = At(2020, 1, 1, 9, 0, 0);
    EXPECT_TRUE(Arm(RESUME_DAILY));
    EXPECT_EQ(23 * kHour, DueFromNow());
}

TEST_F(WakeScheduling, DailyCountsDaysOnTheLocalCalendar)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    // 23:30 UTC is already 01:30 of the next day locally: 01:00 has passed
    // there, so the wake is the local day after, 23 1/2 hours away.
    m_system.now = Ticks(At(2026, 6, 10, 23, 30, 0));
    m_model.AutoResume.time = At(2020, 1, 1, 1, 0, 0);
    EXPECT_TRUE(Arm(RESUME_DAILY));
    EXPECT_EQ(23 * kHour + kHour / 2, DueFromNow());
}

TEST_F(WakeScheduling, EveryCountsFromTheMomentOfArming)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_model.AutoResume.delay = 600;
    EXPECT_TRUE(Arm(RESUME_EVERY));
    EXPECT_EQ(600LL * static_cast<LONGLONG>(kTicksPerSecond), DueFromNow());
}

TEST_F(WakeScheduling, TimerIsSetAbsoluteWithPeriodAndResume)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    ASSERT_NE(nullptr, m_engine.WakeTimer());
    m_model.AutoResume.delay = 600;
    EXPECT_TRUE(Arm(RESUME_EVERY));
    ASSERT_EQ(1u, m_system.setCalls.size());
    const CTimerCall& call = m_system.setCalls[0];
    EXPECT_EQ(m_engine.WakeTimer(), call.timer);
    EXPECT_GT(call.due, 0); // positive: an absolute moment, not a relative one
    EXPECT_EQ(2000, call.period);
    EXPECT_TRUE(call.resume);
}

TEST_F(WakeScheduling, ScheduledEntryShowsTheLocalMoment)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_model.AutoResume.delay = 600;
    EXPECT_TRUE(Arm(RESUME_EVERY));
    // 08:10 UTC is 10:10 on the local clock.
    std::wstring text = DateTimeText(Ticks(At(2026, 6, 10, 10, 10, 0)));
    EXPECT_NE(std::wstring::npos, text.find(L"10:10:00")) << text;
    EXPECT_EQ(L"Automatic resume scheduled on " + text + L"\r\n", Logged());
}

TEST_F(WakeScheduling, TimerThatCannotBeSetIsAnError)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_system.setResult = FALSE;
    m_system.setError = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(L"Error: unable to activate the waitable timer" + ErrorSuffix(ERROR_ACCESS_DENIED),
              Logged());
    EXPECT_TRUE(m_model.AutoResume.enabled);
}

TEST_F(WakeScheduling, SystemThatCannotWakeByTimerIsAnError)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_system.setError = ERROR_NOT_SUPPORTED;
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    EXPECT_EQ(1u, m_system.setCalls.size()); // the timer stays set
    EXPECT_EQ(L"Error: automatic resume not supported by the system"
                  + ErrorSuffix(ERROR_NOT_SUPPORTED),
              Logged());
}

TEST_F(WakeScheduling, StaleLastErrorIsNotTakenForUnsupported)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_system.setLeavesError = true; // as a successful SetWaitableTimer may
    SetLastError(ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(Arm(RESUME_EVERY));
    EXPECT_EQ(1u, m_system.setCalls.size());
}

TEST_F(WakeScheduling, WithoutATimerNothingHappens)
{
    EXPECT_EQ(nullptr, m_engine.WakeTimer());
    EXPECT_FALSE(Arm(RESUME_ONCE));
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_FALSE(m_engine.CancelWakeTimer());
    EXPECT_TRUE(m_system.setCalls.empty());
    EXPECT_TRUE(m_system.cancelCalls.empty());
    EXPECT_TRUE(m_model.AutoResume.enabled);
    EXPECT_EQ(0, m_listener.disabled);
    EXPECT_EQ(L"", Logged());
}

TEST_F(WakeScheduling, TimerThatCannotBeCreatedIsLogged)
{
    m_system.createError = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_FALSE(m_engine.CreateWakeTimer());
    EXPECT_EQ(nullptr, m_engine.WakeTimer());
    EXPECT_EQ(L"Error:  unable to create the waitable timer" + ErrorSuffix(ERROR_NOT_ENOUGH_MEMORY),
              Logged());
    std::wstring logged = Logged();
    EXPECT_FALSE(Arm(RESUME_EVERY)); // and later arming says nothing
    EXPECT_EQ(logged, Logged());
}

TEST_F(WakeScheduling, CancelAndCloseReachTheTimer)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    HANDLE timer = m_engine.WakeTimer();
    EXPECT_TRUE(m_engine.CancelWakeTimer());
    ASSERT_EQ(1u, m_system.cancelCalls.size());
    EXPECT_EQ(timer, m_system.cancelCalls[0]);

    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(timer, &flags));
    m_engine.CloseWakeTimer();
    EXPECT_EQ(nullptr, m_engine.WakeTimer());
    EXPECT_FALSE(GetHandleInformation(timer, &flags));
    EXPECT_EQ(L"", Logged());
}


// With the real conversions of Europe/Berlin (ctest gives the test process
// TZ=Europe/Berlin), a wake keeps the wall-clock time chosen for its own day,
// on either side of a change of daylight-saving time.
class WakeAcrossDaylightSaving : public WakeScheduling
{
protected:
    void SetUp() override
    {
        WakeScheduling::SetUp();
        m_system.realZone = true;
        TIME_ZONE_INFORMATION zone;
        GetTimeZoneInformation(&zone);
        if (zone.Bias != -60 || zone.DaylightBias != -60 || zone.DaylightDate.wMonth != 3
            || zone.StandardDate.wMonth != 10)
            GTEST_SKIP() << "needs the time zone Europe/Berlin (TZ=Europe/Berlin)";
        // The conversions themselves follow the date converted.
        FILETIME january;
        FILETIME july;
        ASSERT_TRUE(m_system.LocalToUtc(At(2026, 1, 15, 12, 0, 0), &january));
        ASSERT_TRUE(m_system.LocalToUtc(At(2026, 7, 15, 12, 0, 0), &july));
        EXPECT_EQ(Ticks(At(2026, 1, 15, 11, 0, 0)), ToTicks(january));
        EXPECT_EQ(Ticks(At(2026, 7, 15, 10, 0, 0)), ToTicks(july));
        SYSTEMTIME local;
        ASSERT_TRUE(m_system.UtcToLocal(july, &local));
        EXPECT_EQ(12, local.wHour);
        ASSERT_TRUE(m_system.UtcToLocal(january, &local));
        EXPECT_EQ(12, local.wHour);
        ASSERT_TRUE(m_engine.CreateWakeTimer());
    }

    LONGLONG Due() const
    {
        EXPECT_EQ(1u, m_system.setCalls.size());
        return m_system.setCalls.empty() ? 0 : m_system.setCalls.back().due;
    }

    // Entry 165 shows the chosen time of day.
    void ExpectScheduledAtSeven()
    {
        std::wstring logged = Logged();
        EXPECT_TRUE(std::regex_search(logged, std::wregex(L"^Automatic resume scheduled on .* 0?7:00:00")))
            << std::string(logged.begin(), logged.end());
    }
};

TEST_F(WakeAcrossDaylightSaving, DailyIntoSummerTime)
{
    // Saturday 28 March 2026, 21:00 CET; clocks go forward that night.
    m_system.now = Ticks(At(2026, 3, 28, 20, 0, 0));
    m_model.AutoResume.time = At(2020, 1, 1, 7, 0, 0);
    EXPECT_TRUE(Arm(RESUME_DAILY));
    EXPECT_EQ(static_cast<LONGLONG>(Ticks(At(2026, 3, 29, 5, 0, 0))), Due()); // 07:00 CEST
    ExpectScheduledAtSeven();
}

TEST_F(WakeAcrossDaylightSaving, DailyIntoWinterTime)
{
    // Saturday 24 October 2026, 22:00 CEST; clocks go back that night.
    m_system.now = Ticks(At(2026, 10, 24, 20, 0, 0));
    m_model.AutoResume.time = At(2020, 1, 1, 7, 0, 0);
    EXPECT_TRUE(Arm(RESUME_DAILY));
    EXPECT_EQ(static_cast<LONGLONG>(Ticks(At(2026, 10, 25, 6, 0, 0))), Due()); // 07:00 CET
    ExpectScheduledAtSeven();
}

TEST_F(WakeAcrossDaylightSaving, OnceInAnotherSeason)
{
    m_system.now = Ticks(At(2026, 3, 20, 12, 0, 0)); // winter time
    m_model.AutoResume.time = At(2026, 7, 15, 7, 0, 0);
    EXPECT_TRUE(Arm(RESUME_ONCE));
    EXPECT_EQ(static_cast<LONGLONG>(Ticks(At(2026, 7, 15, 5, 0, 0))), Due());
    ExpectScheduledAtSeven();

    m_system.setCalls.clear();
    m_system.now = Ticks(At(2026, 10, 20, 12, 0, 0)); // summer time
    m_model.AutoResume.time = At(2026, 12, 1, 7, 0, 0);
    EXPECT_TRUE(Arm(RESUME_ONCE));
    EXPECT_EQ(static_cast<LONGLONG>(Ticks(At(2026, 12, 1, 6, 0, 0))), Due());
}
