#pragma once
// An engine over the fake system and tray icon, logging to a file of its own,
// with its page window set; the log and the system calls read as one journal.
// The clock reads 08:00:00 UTC on 10 June 2026; local time is two hours ahead.
#include <gtest/gtest.h>

#include <string>

#include "engine/date_time_text.h"
#include "engine/power_engine.h"
#include "tests/engine/fake_power_system.h"
#include "tests/log/log_test_file.h"
#include "tests/support/calendar.h"

constexpr LONGLONG kHour = 3600LL * static_cast<LONGLONG>(kTicksPerSecond);

inline ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file));
    return ToTicks(file);
}

// How the log shows a moment given in local ticks.
inline std::wstring DateTimeText(ULONGLONG local)
{
    wchar_t text[kDateTimeTextLength];
    EXPECT_GT(FormatDateTimeText(ToFileTime(local), text), 0);
    return text;
}

class EngineFixture : public ::testing::Test, public IPowerEngineListener
{
protected:
    // Any value will do: the fake never hands it to Windows.
    const HWND m_page = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));

    void SetUp() override
    {
        ResetLog(m_log.Path());
        ASSERT_TRUE(Logger().IsOpen());
        Forget();
        m_system.timerWindow = m_page;
        m_system.now = Ticks(At(2026, 6, 10, 8, 0, 0));
        m_system.localOffset = 2 * kHour;
        m_engine.SetPageWindow(m_page);
    }

    void OnAutoResumeDisabled() override { ++m_disabled; }

    // The lines written since the last Forget, stamps removed; continuation
    // lines of an error entry start with TABs and carry no stamp.
    std::wstring Logged() const
    {
        std::wstring result;
        for (const std::wstring& line : SplitLines(m_log.Text(m_logStart))) {
            if (!line.empty())
                result += (line[0] == L'\t' ? line : WithoutStamp(line)) + L"\r\n";
        }
        return result;
    }

    void Forget() { m_logStart = m_log.Size(); }

    CTestLogFile m_log{L"engine"};
    size_t m_logStart = 0;
    int m_disabled = 0;
    CSettingsModel m_model;
    CFakePowerSystem m_system;
    CFakeTrayIcon m_tray;
    CPowerEngine m_engine{m_model, m_system, &m_tray, this};
};
