#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/engine/engine_fixture.h"

namespace
{
constexpr DWORD kListen = 2;
constexpr DWORD kEstablished = 5;
constexpr DWORD kCloseWait = 8;
constexpr DWORD kTimeWait = 11;

const std::wstring kAllowedTray = L"<SetTooltip Tarvik>\r\n<SetIcon 128>\r\n<Update>\r\n";
const std::wstring kNotAllowedTray = L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\n<Update>\r\n";

std::wstring BlockedTray(const std::wstring& ports)
{
    return L"<SetTooltip Tarvik - Active TCP ports: " + ports + L">\r\n<SetIcon 213>\r\n<Update>\r\n";
}

class SuspendPermission : public EngineFixture
{
protected:
    void WatchPorts(std::initializer_list<int> ports, int endpoint = ENDPOINT_BOTH)
    {
        m_model.Suspend.condition = CONDITION_NO_CONNECTION;
        m_model.TcpPorts.list.assign(ports.begin(), ports.end());
        m_model.TcpPorts.endpoint = endpoint;
    }

    // Established IPv4 connections whose remote side is each of `ports`.
    void Connect(std::initializer_list<unsigned> ports)
    {
        m_system.tcp4.rows.clear();
        for (unsigned port : ports)
            m_system.tcp4.rows.push_back(Row4(kEstablished, 50000, port));
    }
};
}

TEST_F(SuspendPermission, EachChangeIsLoggedOnceAndShownByTheTray)
{
    // The first evaluation always reports.
    EXPECT_EQ(CPowerEngine::PermissionNone, m_engine.LastPermissionState());
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(kAllowedTray + L"Automatic suspend allowed\r\n", Logged());
    EXPECT_EQ(CPowerEngine::Allowed, m_engine.LastPermissionState());

    Forget();
    m_model.Suspend.allowed = false;
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(kNotAllowedTray + L"Automatic suspend not allowed\r\n", Logged());
    EXPECT_EQ(CPowerEngine::NotAllowed, m_engine.LastPermissionState());

    Forget();
    m_model.Suspend.allowed = true;
    WatchPorts({80, 443});
    Connect({80});
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission()); // the same ports: nothing new
    EXPECT_EQ(BlockedTray(L"80") + L"Automatic suspend not allowed; active TCP ports: 80\r\n",
              Logged());
    EXPECT_EQ(CPowerEngine::BlockedByPorts, m_engine.LastPermissionState());
    EXPECT_EQ(L"80", m_engine.LastActivePorts());

    Forget();
    Connect({443, 80});
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(BlockedTray(L"80,443")
                  + L"Automatic suspend not allowed; active TCP ports: 80,443\r\n",
              Logged());

    Forget();
    Connect({443});
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(BlockedTray(L"443") + L"Automatic suspend not allowed; active TCP ports: 443\r\n",
              Logged());

    // Another state in between: the same port is reported afresh.
    m_model.Suspend.allowed = false;
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    Forget();
    m_model.Suspend.allowed = true;
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(BlockedTray(L"443") + L"Automatic suspend not allowed; active TCP ports: 443\r\n",
              Logged());

    Forget();
    Connect({});
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(kAllowedTray + L"Automatic suspend allowed\r\n", Logged());
}

TEST_F(SuspendPermission, ConditionWithoutWatchedPortsAllows)
{
    WatchPorts({});
    Connect({80, 443});
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(CPowerEngine::Allowed, m_engine.LastPermissionState());

    // "Always" ignores the connections even with a list.
    m_model.Suspend.condition = CONDITION_ALWAYS;
    m_model.TcpPorts.list = {80};
    EXPECT_TRUE(m_engine.EvaluateSuspendPermission());
}

TEST_F(SuspendPermission, IconThatCannotBeLoadedIsNotSentToTheShell)
{
    m_tray.setIconResult = false;
    m_model.Suspend.allowed = false;
    EXPECT_FALSE(m_engine.EvaluateSuspendPermission());
    EXPECT_EQ(L"<SetTooltip Tarvik>\r\n<SetIcon 213>\r\nAutomatic suspend not allowed\r\n",
              Logged());
    EXPECT_EQ(0, m_tray.updates);
}

// The port scan over chosen tables.
class PortScan : public SuspendPermission
{
};

TEST_F(PortScan, EndpointChoosesTheSideOfTheConnection)
{
    // One connection serves port 80 here; another reaches port 443 elsewhere.
    m_system.tcp4.rows = {Row4(kEstablished, 80, 50000), Row4(kEstablished, 50001, 443)};
    m_system.tcp6.rows = {Row6(kEstablished, 22, 50002), Row6(kEstablished, 50003, 8080)};
    m_model.TcpPorts.list = {22, 80, 443, 8080};

    m_model.TcpPorts.endpoint = ENDPOINT_LOCAL;
    EXPECT_EQ(L"22,80", m_engine.ScanActivePorts());
    m_model.TcpPorts.endpoint = ENDPOINT_REMOTE;
    EXPECT_EQ(L"443,8080", m_engine.ScanActivePorts());
    m_model.TcpPorts.endpoint = ENDPOINT_BOTH;
    EXPECT_EQ(L"22,80,443,8080", m_engine.ScanActivePorts());
    m_model.TcpPorts.endpoint = 0;
    EXPECT_EQ(L"", m_engine.ScanActivePorts());
}

TEST_F(PortScan, OnlyEstablishedConnectionsCount)
{
    m_system.tcp4.rows = {Row4(kListen, 80, 0), Row4(kTimeWait, 50000, 443),
                          Row4(kCloseWait, 22, 50001)};
    m_system.tcp6.rows = {Row6(kListen, 443, 0), Row6(kEstablished, 50002, 8080)};
    m_model.TcpPorts.list = {22, 80, 443};
    m_model.TcpPorts.endpoint = ENDPOINT_BOTH;
    EXPECT_EQ(L"", m_engine.ScanActivePorts());
}

TEST_F(PortScan, PortsAreListedOnceInAscendingOrder)
{
    m_system.tcp4.rows = {Row4(kEstablished, 50000, 8080), Row4(kEstablished, 50001, 443),
                          Row4(kEstablished, 50002, 8080)};
    m_system.tcp6.rows = {Row6(kEstablished, 50003, 443), Row6(kEstablished, 50004, 22)};
    m_model.TcpPorts.list = {22, 443, 8080, 9999};
    m_model.TcpPorts.endpoint = ENDPOINT_REMOTE;
    EXPECT_EQ(L"22,443,8080", m_engine.ScanActivePorts());
    // Both tables are read without sorting.
    for (BOOL order : m_system.tcp4.orders)
        EXPECT_FALSE(order);
    for (BOOL order : m_system.tcp6.orders)
        EXPECT_FALSE(order);
}

TEST_F(PortScan, ExtremePortNumbers)
{
    m_system.tcp4.rows = {Row4(kEstablished, 1, 31), Row4(kEstablished, 32, 65535),
                          Row4(kEstablished, 63, 64)};
    m_model.TcpPorts.list = {1, 31, 32, 63, 64, 65535};
    m_model.TcpPorts.endpoint = ENDPOINT_BOTH;
    EXPECT_EQ(L"1,31,32,63,64,65535", m_engine.ScanActivePorts());
    m_model.TcpPorts.list = {2, 30, 33, 62, 65, 65534};
    EXPECT_EQ(L"", m_engine.ScanActivePorts());
}

TEST_F(PortScan, AgreesWithAPlainSearchOnALargeTable)
{
    // A fixed pseudo-random table; the expected ports come from std::set.
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFu;
    };
    std::set<int> watched;
    while (watched.size() < 40)
        watched.insert(static_cast<int>(next() % 65535 + 1));
    m_model.TcpPorts.list.assign(watched.begin(), watched.end());

    std::set<int> local;
    std::set<int> remote;
    for (int i = 0; i < 20000; ++i) {
        unsigned localPort = next();
        unsigned remotePort = next();
        DWORD state = next() % 3 == 0 ? kEstablished : kTimeWait;
        if (i % 1000 == 0) { // make sure some rows hit the list
            localPort = static_cast<unsigned>(m_model.TcpPorts.list[i / 1000 % 40]);
            remotePort = static_cast<unsigned>(m_model.TcpPorts.list[(i / 1000 + 7) % 40]);
        }
        if (i % 2 == 0)
            m_system.tcp4.rows.push_back(Row4(state, localPort, remotePort));
        else
            m_system.tcp6.rows.push_back(Row6(state, localPort, remotePort));
        if (state != kEstablished)
            continue;
        if (watched.count(static_cast<int>(localPort)))
            local.insert(static_cast<int>(localPort));
        if (watched.count(static_cast<int>(remotePort)))
            remote.insert(static_cast<int>(remotePort));
    }
    std::set<int> both = local;
    both.insert(remote.begin(), remote.end());
    ASSERT_FALSE(local.empty());
    ASSERT_FALSE(remote.empty());
    ASSERT_NE(local, remote);

    auto text = [](const std::set<int>& ports) {
        return FormatPortList(CPortList(ports.begin(), ports.end()));
    };
    m_model.TcpPorts.endpoint = ENDPOINT_LOCAL;
    EXPECT_EQ(text(local), m_engine.ScanActivePorts());
    m_model.TcpPorts.endpoint = ENDPOINT_REMOTE;
    EXPECT_EQ(text(remote), m_engine.ScanActivePorts());
    m_model.TcpPorts.endpoint = ENDPOINT_BOTH;
    EXPECT_EQ(text(both), m_engine.ScanActivePorts());
}

TEST_F(PortScan, ConnectionOpenedDuringTheReadIsStillFound)
{
    // Port 80 connects between the size query and the fetch: the fetch fails
    // for want of room, and the read is tried again with the size it reported.
    m_system.tcp4.rows = {Row4(kListen, 80, 0)};
    m_system.tcp4.late = {Row4(kEstablished, 80, 50000)};
    m_system.tcp4.growCalls = 1;
    m_model.TcpPorts.list = {80};
    m_model.TcpPorts.endpoint = ENDPOINT_LOCAL;
    EXPECT_EQ(L"80", m_engine.ScanActivePorts());
    EXPECT_EQ(1, m_system.tcp4.queries);
    EXPECT_EQ(2, m_system.tcp4.fetches);
}

TEST_F(PortScan, TableThatKeepsGrowingIsGivenUp)
{
    m_system.tcp4.late.assign(100, Row4(kEstablished, 80, 50000));
    m_system.tcp4.growCalls = 100;
    m_system.tcp6.rows = {Row6(kEstablished, 443, 50000)};
    m_model.TcpPorts.list = {80, 443};
    m_model.TcpPorts.endpoint = ENDPOINT_LOCAL;
    EXPECT_EQ(L"443", m_engine.ScanActivePorts()); // the other table still counts
    EXPECT_GE(m_system.tcp4.fetches, 3);
    EXPECT_LE(m_system.tcp4.fetches, 5);
}

TEST_F(PortScan, TableThatCannotBeReadIsSkipped)
{
    m_system.tcp4.rows = {Row4(kEstablished, 80, 50000)};
    m_system.tcp6.rows = {Row6(kEstablished, 443, 50000)};
    m_model.TcpPorts.list = {80, 443};
    m_model.TcpPorts.endpoint = ENDPOINT_LOCAL;

    m_system.tcp4.queryResult = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(L"443", m_engine.ScanActivePorts());
    EXPECT_EQ(0, m_system.tcp4.fetches);

    m_system.tcp4.queryResult = ERROR_INSUFFICIENT_BUFFER;
    m_system.tcp4.fetchError = ERROR_ACCESS_DENIED;
    m_system.tcp6.queryResult = NO_ERROR; // a size query must ask for room
    int fetches6 = m_system.tcp6.fetches;
    EXPECT_EQ(L"", m_engine.ScanActivePorts());
    EXPECT_EQ(1, m_system.tcp4.fetches); // a hard failure is not retried
    EXPECT_EQ(fetches6, m_system.tcp6.fetches);
}


// The execution state, the connection watch and the screen saver.
class ExecutionState : public SuspendPermission
{
};

TEST_F(ExecutionState, FlagsFollowBlankingAndPermission)
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

TEST_F(ExecutionState, WatchTimerRescansAndFollowsTheConnections)
{
    WatchPorts({80});
    Connect({80});
    m_engine.ApplyExecutionState();
    EXPECT_EQ(ES_CONTINUOUS | ES_SYSTEM_REQUIRED, m_system.executionState);
    ASSERT_TRUE(m_system.TimerRunning(IDT_CONNECTIONWATCH));
    EXPECT_EQ(30000u, m_system.runningTimers[IDT_CONNECTIONWATCH]);

    // Unchanged connections: a tick rescans but writes and sends nothing.
    Forget();
    int fetches = m_system.tcp4.fetches;
    m_engine.OnEngineTimer(IDT_CONNECTIONWATCH);
    EXPECT_GT(m_system.tcp4.fetches, fetches);
    EXPECT_EQ(L"", Logged());

    Connect({});
    m_engine.OnEngineTimer(IDT_CONNECTIONWATCH);
    EXPECT_EQ(kAllowedTray + L"Automatic suspend allowed\r\n<SetThreadExecutionState "
                  + std::to_wstring(ES_CONTINUOUS) + L">\r\n",
              Logged());

    // A tick touches neither the timers nor the screen saver; unknown ids do nothing.
    Forget();
    m_engine.OnEngineTimer(IDT_CONNECTIONWATCH);
    m_engine.OnEngineTimer(7);
    EXPECT_EQ(L"", Logged());
    EXPECT_TRUE(m_system.TimerRunning(IDT_CONNECTIONWATCH));
}

TEST_F(ExecutionState, WatchRunsExactlyWhileAPortConditionHolds)
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
    for (HWND window : m_system.timerCallWindows)
        EXPECT_EQ(PageWindow(), window);
    EXPECT_FALSE(m_system.TimerRunning(IDT_AUTOSUSPEND));
}

TEST_F(ExecutionState, BlankingOffTwiceThenOnRestoresTheFirstFlag)
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
    }
}

TEST_F(ExecutionState, ShutdownGivesTheScreenSaverBack)
{
    m_model.Suspend.blanking = false;
    WatchPorts({80});
    ASSERT_TRUE(m_engine.CreateWakeTimer());
    HANDLE wakeTimer = m_engine.WakeTimer();
    m_engine.ApplyExecutionState();
    m_engine.ScheduleAutoSuspend();
    ASSERT_FALSE(m_system.screenSaverActive);

    m_engine.Shutdown();
    EXPECT_TRUE(m_system.screenSaverActive);
    EXPECT_EQ(-1, m_engine.SavedScreenSaverActive());
    EXPECT_TRUE(m_system.runningTimers.empty());
    EXPECT_EQ(nullptr, m_engine.WakeTimer());
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(wakeTimer, &flags));

    // Nothing is held any more: a second end, or the destructor, writes nothing.
    size_t writes = m_system.screenSaverWrites.size();
    m_engine.Shutdown();
    EXPECT_EQ(writes, m_system.screenSaverWrites.size());
}

// An engine without tray icon or page window: its log entries alone, no
// window timers, and its destruction gives the screen saver back.
TEST_F(ExecutionState, WorksWithoutTrayOrPageWindow)
{
    m_model.Suspend.blanking = false;
    WatchPorts({80});
    Connect({80});
    {
        CPowerEngine engine(m_model, m_system);
        EXPECT_FALSE(engine.EvaluateSuspendPermission());
        engine.ApplyExecutionState();
        ASSERT_FALSE(m_system.screenSaverActive);
    }
    // No tray entries before the engine's own.
    EXPECT_EQ(0u, Logged().find(L"Automatic suspend not allowed; active TCP ports: 80\r\n"));
    EXPECT_TRUE(m_system.timerCallWindows.empty());
    EXPECT_TRUE(m_system.screenSaverActive);
}
