#pragma once
// An engine over the fake system and tray icon, logging to a file of its own,
// with its page window set; the log and the system calls read as one journal.
#include <gtest/gtest.h>

#include <string>

#include "engine/power_engine.h"
#include "log/logger.h"
#include "tests/engine/fake_power_system.h"
#include "tests/engine/fake_tray_icon.h"
#include "tests/log/log_test_file.h"

// Counts the engine's word that automatic resume was switched off.
class CCountingListener : public IPowerEngineListener
{
public:
    void OnAutoResumeDisabled() override { ++disabled; }
    int disabled = 0;
};

class EngineFixture : public ::testing::Test
{
protected:
    // Any value will do: the fake never hands it to Windows.
    static HWND PageWindow() { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234)); }

    void SetUp() override
    {
        ResetLog(m_log.Path());
        ASSERT_TRUE(Logger().IsOpen());
        m_logStart = m_log.Size();
        m_system.journal = true;
        m_tray.journal = true;
        m_system.timerWindow = PageWindow();
        m_engine.SetPageWindow(PageWindow());
    }

    // The lines written since SetUp (or since the last Forget), stamps removed.
    std::wstring Logged() const
    {
        std::wstring result;
        for (const std::wstring& line : SplitLines(m_log.Text(m_logStart))) {
            if (line.empty())
                continue;
            // Continuation lines of an error entry start with TABs, unstamped.
            result += line[0] == L'\t' ? line : WithoutStamp(line);
            result += L"\r\n";
        }
        return result;
    }

    // Starts the journal afresh.
    void Forget()
    {
        m_logStart = m_log.Size();
        m_tray.calls.clear();
    }

    CTestLogFile m_log{L"engine"};
    size_t m_logStart = 0;
    CSettingsModel m_model;
    CFakePowerSystem m_system;
    CFakeTrayIcon m_tray;
    CCountingListener m_listener;
    CPowerEngine m_engine{m_model, m_system, &m_tray, &m_listener};
};
