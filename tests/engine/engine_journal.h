#pragma once
// An engine over a fake system and tray icon (fake_power_system.h), logging
// to a file of its own, so that the log and the system calls read as one
// journal.
// The clock reads 08:00:00 UTC on 10 June 2026. The time zone is
// Europe/Berlin (ctest gives the test process TZ=Europe/Berlin), so local time
// is two hours ahead, and the real conversions apply the rules of the date
// converted, across changes of daylight-saving time too.
#include <gtest/gtest.h>

#include <string>

#include "common/date_time_text.h"
#include "tests/engine/fake_power_system.h"
#include "tests/support/calendar.h"
#include "tests/support/log_file.h"
#include "tests/support/log_lines.h"

// How the log shows the moment `minutes` after the fixture's start, 10:00 in Berlin.
inline std::wstring LocalAt(LONGLONG minutes)
{
    SYSTEMTIME time{};
    const FILETIME file = ToFileTime(Ticks(At(2026, 6, 10, 10, 0, 0)) + minutes * kMinute);
    return FileTimeToSystemTime(&file, &time) ? FormatLocalDateTime(time) : L"(no time)";
}

// The engine after an automatic wake with everything switched on: automatic
// resume every hour, automatic suspend after ten minutes, a resume command.
class PowerEngine : public ::testing::Test, public IPowerEngineListener
{
protected:
    void SetUp() override
    {
        ResetLog(m_log.Path());
        ASSERT_TRUE(Logger().IsOpen());
        m_system.now = Ticks(At(2026, 6, 10, 8, 0, 0));
        m_engine.SetPageWindow(m_system.page);
        m_model.AutoResume.enabled = true;
        m_model.AutoResume.mode = ResumeMode::Every;
        m_model.AutoSuspend.enabled = true;
        m_model.Command.run = true;
        m_model.Command.text = L"\"C:\\Program Files\\Mail\\mail.exe\" /check";
        ASSERT_TRUE(m_engine.CreateWakeTimer());
        Forget();
    }

    // Every token the engine opened is closed again.
    void TearDown() override { EXPECT_TRUE(m_system.TokensClosed()); }

    void OnAutoResumeDisabled() override { ++m_disabled; }

    // The lines written since the last Logged or Forget, stamps removed;
    // continuation lines of an error entry start with TABs and carry no stamp.
    std::wstring Logged()
    {
        std::wstring result;
        for (const std::wstring& line : SplitLines(m_log.Text(m_logStart))) {
            if (!line.empty())
                result += (line[0] == L'\t' ? line : WithoutStamp(line)) + L"\r\n";
        }
        Forget();
        return result;
    }

    void Forget() { m_logStart = m_log.Size(); }

    // A countdown running after an automatic wake (its command not yet
    // started), the journal fresh.
    void Counting()
    {
        m_engine.HandleResume(true);
        ASSERT_TRUE(m_system.TimerRunning(IDT_AUTOSUSPEND));
        m_system.posted.clear();
        Forget();
    }

    bool HoldsSystem() const { return (m_system.executionState & ES_SYSTEM_REQUIRED) != 0; }

    CTestLogFile m_log{L"engine"};
    size_t m_logStart = 0;
    int m_disabled = 0;
    CSettingsModel m_model;
    CFakePowerSystem m_system;
    CPowerEngine m_engine{m_model, m_system, &m_system, this};
};

// The entry that logs the moment `minutes` after the fixture's start.
inline std::wstring Entry(const wchar_t* entry, LONGLONG minutes)
{
    return entry + LocalAt(minutes) + L"\r\n";
}

// The tray and log entries of a changed decision.
inline std::wstring Shown(const std::wstring& ports, int icon, const std::wstring& entry)
{
    std::wstring tooltip = ports.empty() ? L"" : L" - Active TCP ports: " + ports;
    return L"<SetTooltip Tarvik" + tooltip + L">\r\n<SetIcon " + std::to_wstring(icon) +
           L">\r\n<Update>\r\nAutomatic suspend " + entry + L"\r\n";
}

// The countdown, and the watch over the wake it holds.
inline std::wstring Countdown()
{
    return L"<SetTimer 1 600000>\r\n" + Entry(L"Automatic suspend scheduled on ", 10) +
           L"<SetTimer 3 5000>\r\n";
}

inline const std::wstring kAttempt =
    L"<KillTimer 1>\r\nSystem entering a suspend state by application request\r\n";
inline const std::wstring kOpen = L"<OpenProcessToken>\r\n";
inline const std::wstring kRetry = L"Rescheduling automatic suspend for another attempt\r\n";
inline const std::wstring kShell =
    L"<ShellExecuteEx open|C:\\Program Files\\Mail\\mail.exe| /check|(null)>\r\n";
inline const std::wstring kUserActivity =
    L"Automatic suspend has been cancelled due to user activity\r\n";
