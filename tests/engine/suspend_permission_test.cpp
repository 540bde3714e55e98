#include <gtest/gtest.h>

#include <string>

#include "tests/engine/engine_fixture.h"

namespace
{
class SuspendPermission : public EngineFixture
{
protected:
    // Established IPv4 connections whose remote side is each of `ports`.
    void Connect(std::initializer_list<unsigned> ports)
    {
        m_system.tcp4.clear();
        for (unsigned port : ports)
            m_system.tcp4.push_back(Row4(50000, port));
    }

    // Evaluates twice; only the first may report.
    std::wstring Evaluated(bool allowed)
    {
        Forget();
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        EXPECT_EQ(allowed, m_engine.EvaluateSuspendPermission());
        return Logged();
    }
};

std::wstring Shown(const std::wstring& ports, int icon, const std::wstring& entry)
{
    std::wstring tooltip = ports.empty() ? L"" : L" - Active TCP ports: " + ports;
    return L"<SetTooltip Tarvik" + tooltip + L">\r\n<SetIcon " + std::to_wstring(icon)
        + L">\r\n<Update>\r\nAutomatic suspend " + entry + L"\r\n";
}
}

TEST_F(SuspendPermission, EachChangeIsLoggedOnceAndShownByTheTray)
{
    // The first evaluation always reports.
    EXPECT_EQ(Shown(L"", 128, L"allowed"), Evaluated(true));

    m_model.Suspend.allowed = false;
    EXPECT_EQ(Shown(L"", 213, L"not allowed"), Evaluated(false));

    m_model.Suspend.allowed = true;
    m_model.Suspend.condition = CONDITION_NO_CONNECTION;
    m_model.TcpPorts.list = {80, 443};
    Connect({80});
    EXPECT_EQ(Shown(L"80", 213, L"not allowed; active TCP ports: 80"), Evaluated(false));

    Connect({443, 80});
    EXPECT_EQ(Shown(L"80,443", 213, L"not allowed; active TCP ports: 80,443"), Evaluated(false));

    // An icon that cannot be loaded is not sent to the shell.
    m_tray.setIconResult = false;
    m_model.Suspend.allowed = false;
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\nAutomatic suspend not allowed\r\n",
              Evaluated(false));
}

TEST_F(SuspendPermission, ATableThatGrowsBeforeItsFetchIsReadAgain)
{
    m_model.TcpPorts.list = {443};
    Connect({80});
    m_system.grownRow = Row4(50001, 443);
    m_system.growths = 2;
    EXPECT_EQ(L"443", m_engine.ScanActivePorts());
    EXPECT_EQ(0, m_system.growths);
}

TEST_F(SuspendPermission, ExecutionStateAndWatchFollowTheSettings)
{
    const EXECUTION_STATE display = ES_DISPLAY_REQUIRED, system = ES_SYSTEM_REQUIRED;
    struct { bool blanking, allowed; int condition; EXECUTION_STATE flags; bool watching; } cases[] = {
        {true, true, CONDITION_ALWAYS, 0, false},
        {false, true, CONDITION_NO_CONNECTION, display, true},
        {true, false, CONDITION_NO_CONNECTION, system, false},
        {false, false, CONDITION_ALWAYS, display | system, false},
        {true, true, CONDITION_NO_CONNECTION, 0, true},
        {true, true, CONDITION_ALWAYS, 0, false},
    };
    m_model.TcpPorts.list = {80};
    for (const auto& c : cases) {
        m_model.Suspend.blanking = c.blanking;
        m_model.Suspend.allowed = c.allowed;
        m_model.Suspend.condition = c.condition;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(ES_CONTINUOUS | c.flags, m_engine.LastExecutionState()) << c.flags;
        // The watch runs exactly while suspend is allowed under a port condition.
        EXPECT_EQ(c.watching, m_system.TimerRunning(IDT_CONNECTIONWATCH)) << c.allowed << c.condition;
    }
    // Only changes are sent; ES_CONTINUOUS alone is the starting value.
    std::vector<EXECUTION_STATE> sent = {ES_CONTINUOUS | display, ES_CONTINUOUS | system,
                                         ES_CONTINUOUS | display | system, ES_CONTINUOUS};
    EXPECT_EQ(sent, m_system.executionCalls);
    EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND));
}

TEST_F(SuspendPermission, BlankingOffTwiceThenOnRestoresTheFirstFlag)
{
    for (BOOL original : {TRUE, FALSE}) {
        m_system.screenSaverActive = original;
        m_system.screenSaverWrites.clear();

        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(original ? 1 : 0, m_engine.SavedScreenSaverActive());
        m_engine.ApplyExecutionState(); // keeps what the first switch held

        m_model.Suspend.blanking = true;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(original, m_system.screenSaverActive);
        EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
        EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, original}), m_system.screenSaverWrites);

        // With blanking allowed and nothing held the flag is left alone.
        m_engine.ApplyExecutionState();
        EXPECT_EQ(3u, m_system.screenSaverWrites.size());

        // The engine's end gives back a flag it still holds.
        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        EXPECT_FALSE(m_system.screenSaverActive);
        m_engine.Shutdown();
        EXPECT_EQ(original, m_system.screenSaverActive);
        EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
    }
}
