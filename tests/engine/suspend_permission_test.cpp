#include <gtest/gtest.h>

#include <string>

#include "tests/engine/engine_fixture.h"

namespace
{
std::wstring Tray(const std::wstring& tooltip, int icon)
{
    return L"<SetTooltip Tarvik" + tooltip + L">\r\n<SetIcon " + std::to_wstring(icon)
        + L">\r\n<Update>\r\n";
}

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
};
}

TEST_F(SuspendPermission, EachChangeIsLoggedOnceAndShownByTheTray)
{
    // The first evaluation always reports.
    EXPECT_EQ(CPowerEngine::PermissionNone, m_engine.LastPermissionState());
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(Tray(L"", 128) + L"Automatic suspend allowed\r\n", Logged());
    EXPECT_EQ(CPowerEngine::Allowed, m_engine.LastPermissionState());

    Forget();
    m_model.Suspend.allowed = false;
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(Tray(L"", 213) + L"Automatic suspend not allowed\r\n", Logged());
    EXPECT_EQ(CPowerEngine::NotAllowed, m_engine.LastPermissionState());

    Forget();
    m_model.Suspend.allowed = true;
    m_model.Suspend.condition = CONDITION_NO_CONNECTION;
    m_model.TcpPorts.list = {80, 443};
    Connect({80});
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission()); // the same ports: nothing new
    EXPECT_EQ(Tray(L" - Active TCP ports: 80", 213)
                  + L"Automatic suspend not allowed; active TCP ports: 80\r\n",
              Logged());
    EXPECT_EQ(CPowerEngine::BlockedByPorts, m_engine.LastPermissionState());
    EXPECT_EQ(L"80", m_engine.LastActivePorts());

    Forget();
    Connect({443, 80});
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(Tray(L" - Active TCP ports: 80,443", 213)
                  + L"Automatic suspend not allowed; active TCP ports: 80,443\r\n",
              Logged());

    Forget();
    Connect({});
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(Tray(L"", 128) + L"Automatic suspend allowed\r\n", Logged());

    // An icon that cannot be loaded is not sent to the shell.
    Forget();
    m_tray.setIconResult = false;
    m_model.Suspend.allowed = false;
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\nAutomatic suspend not allowed\r\n",
              Logged());
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

TEST_F(SuspendPermission, ExecutionStateFollowsBlankingAndPermission)
{
    struct Case
    {
        bool blanking;
        bool allowed;
        EXECUTION_STATE flags;
    } cases[] = {
        {true, true, ES_CONTINUOUS},
        {false, true, ES_CONTINUOUS | ES_DISPLAY_REQUIRED},
        {true, false, ES_CONTINUOUS | ES_SYSTEM_REQUIRED},
        {false, false, ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED},
        {true, true, ES_CONTINUOUS},
    };
    for (const Case& c : cases) {
        m_model.Suspend.blanking = c.blanking;
        m_model.Suspend.allowed = c.allowed;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(c.flags, m_engine.LastExecutionState()) << c.blanking << c.allowed;
        EXPECT_EQ(c.flags, m_system.executionState) << c.blanking << c.allowed;
    }
    // ES_CONTINUOUS alone equals the starting value: the first apply sent nothing.
    std::vector<EXECUTION_STATE> expected = {
        ES_CONTINUOUS | ES_DISPLAY_REQUIRED, ES_CONTINUOUS | ES_SYSTEM_REQUIRED,
        ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED, ES_CONTINUOUS};
    EXPECT_EQ(expected, m_system.executionCalls);
}

TEST_F(SuspendPermission, WatchRunsExactlyWhileAPortConditionHolds)
{
    struct Case
    {
        bool allowed;
        int condition;
        bool watching;
    } cases[] = {
        {true, CONDITION_NO_CONNECTION, true},  {true, CONDITION_ALWAYS, false},
        {true, CONDITION_NO_CONNECTION, true},  {false, CONDITION_NO_CONNECTION, false},
        {false, CONDITION_ALWAYS, false},       {true, CONDITION_NO_CONNECTION, true},
    };
    m_model.TcpPorts.list = {80};
    for (const Case& c : cases) {
        m_model.Suspend.allowed = c.allowed;
        m_model.Suspend.condition = c.condition;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(c.watching, m_system.TimerRunning(IDT_CONNECTIONWATCH))
            << c.allowed << c.condition;
    }
    EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND));
}

TEST_F(SuspendPermission, BlankingOffTwiceThenOnRestoresTheFirstFlag)
{
    for (BOOL original : {TRUE, FALSE}) {
        m_system.screenSaverActive = original;
        m_system.screenSaverReads = 0;
        m_system.screenSaverWrites.clear();

        m_model.Suspend.blanking = false;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(original ? 1 : 0, m_engine.SavedScreenSaverActive());
        m_engine.ApplyExecutionState();
        EXPECT_FALSE(m_system.screenSaverActive);
        EXPECT_EQ(1, m_system.screenSaverReads); // the second switch keeps what the first held

        m_model.Suspend.blanking = true;
        m_engine.ApplyExecutionState();
        EXPECT_EQ(original, m_system.screenSaverActive);
        EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
        std::vector<BOOL> writes = {FALSE, FALSE, original};
        EXPECT_EQ(writes, m_system.screenSaverWrites);

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
