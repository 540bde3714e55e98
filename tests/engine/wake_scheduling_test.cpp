#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/engine/engine_fixture.h"

namespace
{
// The engine's log entries alone (the system calls are not journalled here).
class WakeScheduling : public EngineFixture
{
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        m_system.journal = false;
        m_model.AutoResume.enabled = true;
        m_model.AutoResume.time = At(2026, 6, 10, 10, 0, 0);
    }

    bool Arm(int mode)
    {
        m_system.dueTimes.clear();
        m_model.AutoResume.mode = mode;
        return m_engine.ArmWakeTimer();
    }

    // The single due time the timer was set to, relative to the clock.
    LONGLONG DueFromNow() const
    {
        EXPECT_EQ(1u, m_system.dueTimes.size());
        LONGLONG now = static_cast<LONGLONG>(m_system.now);
        return m_system.dueTimes.empty() ? -1 : m_system.dueTimes.back() - now;
    }
};
}

TEST_F(WakeScheduling, OnceMustBeStrictlyLater)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    // One second later counts, on the local clock.
    m_model.AutoResume.time.wSecond = 1;
    EXPECT_TRUE(Arm(RESUME_ONCE));
    EXPECT_EQ(static_cast<LONGLONG>(kTicksPerSecond), DueFromNow());
    EXPECT_EQ(0, m_disabled);

    // Exactly now is past.
    Forget();
    m_model.AutoResume.time.wSecond = 0;
    EXPECT_FALSE(Arm(RESUME_ONCE));
    EXPECT_FALSE(m_model.AutoResume.enabled);
    EXPECT_TRUE(m_system.dueTimes.empty());
    EXPECT_EQ(L"Warning: the resume time is in the past; automatic resume disabled.\r\n", Logged());
    EXPECT_EQ(1, m_disabled);
}

TEST_F(WakeScheduling, DailyIsTheNextTimeOfDayStillToCome)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    // `now` in UTC, local time two hours ahead; only the time of day of
    // `chosen` counts; `due` from now.
    struct { SYSTEMTIME now, chosen; LONGLONG due; } cases[] = {
        // Exactly now (the milliseconds are dropped): tomorrow.
        {At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 10, 0, 0), static_cast<LONGLONG>(kTicksPerDay)},
        // Later today: today; earlier: tomorrow.
        {At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 11, 0, 0), kHour},
        {At(2026, 6, 10, 8, 0, 0), At(2020, 1, 1, 9, 0, 0), 23 * kHour},
        // 23:30 UTC is already 01:30 of the next local day: 01:00 has passed
        // there, so the wake is the local day after.
        {At(2026, 6, 10, 23, 30, 0), At(2020, 1, 1, 1, 0, 0), 23 * kHour + kHour / 2},
    };
    for (auto& c : cases) {
        m_system.now = Ticks(c.now);
        c.chosen.wMilliseconds = 500;
        m_model.AutoResume.time = c.chosen;
        EXPECT_TRUE(Arm(RESUME_DAILY));
        EXPECT_EQ(c.due, DueFromNow()) << c.now.wHour << ":" << c.chosen.wHour;
    }
}

TEST_F(WakeScheduling, EveryIsSetAbsoluteFromTheMomentOfArming)
{
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_model.AutoResume.delay = 600;
    EXPECT_TRUE(Arm(RESUME_EVERY));
    EXPECT_EQ(600LL * static_cast<LONGLONG>(kTicksPerSecond), DueFromNow());

    // 08:10 UTC is 10:10 on the local clock.
    std::wstring text = DateTimeText(Ticks(At(2026, 6, 10, 10, 10, 0)));
    EXPECT_NE(std::wstring::npos, text.find(L"10:10:00")) << text;
    EXPECT_EQ(L"Automatic resume scheduled on " + text + L"\r\n", Logged());
}

TEST_F(WakeScheduling, FailuresOfTheTimer)
{
    // No timer: false, and nothing logged.
    EXPECT_FALSE(Arm(RESUME_ONCE));
    EXPECT_FALSE(m_engine.CancelWakeTimer());
    EXPECT_EQ(L"", Logged());

    // A creation that fails is logged; later arming says nothing.
    m_system.createError = ERROR_NOT_ENOUGH_MEMORY;
    EXPECT_FALSE(m_engine.CreateWakeTimer());
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_EQ(L"Error:  unable to create the waitable timer" + ErrorSuffix(ERROR_NOT_ENOUGH_MEMORY),
              Logged());
    EXPECT_TRUE(m_system.dueTimes.empty());
    EXPECT_EQ(0, m_system.cancels);

    Forget();
    m_system.createError = 0;
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    m_system.setResult = FALSE;
    m_system.setError = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(L"Error: unable to activate the waitable timer" + ErrorSuffix(ERROR_ACCESS_DENIED),
              Logged());

    // Set, but the system cannot wake by timer: the timer stays set.
    Forget();
    m_system.setResult = TRUE;
    m_system.setError = ERROR_NOT_SUPPORTED;
    EXPECT_FALSE(Arm(RESUME_EVERY));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    EXPECT_EQ(1u, m_system.dueTimes.size());
    EXPECT_EQ(L"Error: automatic resume not supported by the system"
                  + ErrorSuffix(ERROR_NOT_SUPPORTED),
              Logged());
    EXPECT_TRUE(m_model.AutoResume.enabled);
    EXPECT_EQ(0, m_disabled);
}

// With the real conversions of Europe/Berlin (ctest gives the test process
// TZ=Europe/Berlin), a daily wake keeps the wall-clock time chosen for its own
// day, on either side of a change of daylight-saving time.
TEST_F(WakeScheduling, DailyKeepsTheWallClockTimeOverADaylightSavingChange)
{
    m_system.realZone = true;
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    if (zone.Bias != -60 || zone.DaylightBias != -60 || zone.DaylightDate.wMonth != 3
        || zone.StandardDate.wMonth != 10)
        GTEST_SKIP() << "needs the time zone Europe/Berlin (TZ=Europe/Berlin)";
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    struct { SYSTEMTIME now, due; } cases[] = { // UTC
        // Saturday 28 March 2026, 21:00 CET; clocks go forward that night: 07:00 CEST.
        {At(2026, 3, 28, 20, 0, 0), At(2026, 3, 29, 5, 0, 0)},
        // Saturday 24 October 2026, 22:00 CEST; clocks go back that night: 07:00 CET.
        {At(2026, 10, 24, 20, 0, 0), At(2026, 10, 25, 6, 0, 0)},
    };
    m_model.AutoResume.time = At(2020, 1, 1, 7, 0, 0);
    for (const auto& c : cases) {
        m_system.now = Ticks(c.now);
        EXPECT_TRUE(Arm(RESUME_DAILY));
        EXPECT_EQ(static_cast<LONGLONG>(Ticks(c.due) - m_system.now), DueFromNow()) << c.now.wMonth;
        // The entry shows the chosen time of day.
        std::wstring logged = Logged();
        Forget();
        std::wregex entry(L"^Automatic resume scheduled on .* 0?7:00:00");
        EXPECT_TRUE(std::regex_search(logged, entry)) << std::string(logged.begin(), logged.end());
    }
}
