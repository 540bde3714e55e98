#include <gtest/gtest.h>

#include <string>

#include "tests/engine/engine_fixture.h"

namespace
{
class WakeScheduling : public EngineFixture
{
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        m_model.AutoResume.enabled = true;
        m_model.AutoResume.delay = 600;
    }

    bool Arm(int mode)
    {
        Forget();
        m_system.dueTimes.clear();
        m_model.AutoResume.mode = mode;
        return m_engine.ArmWakeTimer();
    }
};

constexpr LONGLONG kSecond = static_cast<LONGLONG>(kTicksPerSecond);
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
    EXPECT_TRUE(m_model.AutoResume.enabled);
    EXPECT_EQ(0, m_disabled);
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
