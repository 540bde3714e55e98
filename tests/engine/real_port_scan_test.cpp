// The port scan over the host's real connection tables, with loopback
// connections this test opens itself.
#include "tests/support/loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/port_scan.h"
#include "engine/power_engine.h"
#include "engine/windows_power_system.h"

namespace {
// The real tables, except that the connections of the local ports `elsewhere`
// show as listening, as if that end of each were on another computer; with
// `only` set, the other family's table cannot be read.
class CRealTables : public CWindowsPowerSystem
{
public:
    std::set<unsigned> elsewhere;
    int only = 0;

    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order) override
    {
        return Kept(AF_INET, CWindowsPowerSystem::GetTcpTable(table, size, order), table);
    }

    DWORD GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order) override
    {
        return Kept(AF_INET6, CWindowsPowerSystem::GetTcp6Table(table, size, order), table);
    }

    static void Hide(MIB_TCPROW& row) { row.dwState = MIB_TCP_STATE_LISTEN; }
    static void Hide(MIB_TCP6ROW& row) { row.State = MIB_TCP_STATE_LISTEN; }

    template <class Table>
    DWORD Kept(int family, DWORD result, Table* table)
    {
        if (only != 0 && only != family)
            return ERROR_NOT_SUPPORTED;
        for (DWORD i = 0; result == NO_ERROR && i < table->dwNumEntries; ++i) {
            if (elsewhere.count(ntohs(static_cast<u_short>(table->table[i].dwLocalPort))) > 0)
                Hide(table->table[i]);
        }
        return result;
    }
};

} // namespace

TEST(RealPortScan, EstablishedLoopbackPortsAreFoundOnTheirSide)
{
    CLoopback loopback;
    CSettingsModel model;
    CRealTables tables;
    CPowerEngine engine{model, tables};
    auto scan = [&](const CPortList& ports, Endpoint endpoint) {
        model.TcpPorts.list = ports;
        model.TcpPorts.endpoint = endpoint;
        return engine.ScanActivePorts();
    };
    // One port with a connection over each family, and one that is only
    // listened on.
    unsigned clients[2] = {};
    unsigned port = loopback.Serve(AF_INET, 0, &clients[0]);
    ASSERT_EQ(port, loopback.Serve(AF_INET6, port, &clients[1]))
        << "port " << port << " is taken over IPv6";
    unsigned idle = loopback.Serve(AF_INET6, 0);
    ASSERT_NE(0u, idle);

    const std::wstring text = std::to_wstring(port);
    for (int i = 0; i < 2; ++i) {
        tables.only = i == 0 ? AF_INET : AF_INET6;
        // Both ends here: the server's row has the port locally, the client's
        // row remotely. A client elsewhere: the port is ours, the local s.
        // A server elsewhere: the port is the one we reached, the remote s.
        struct
        {
            unsigned away;
            bool local, remote;
        } sides[] = {{0, true, true}, {clients[i], true, false}, {port, false, true}};
        for (const auto& s : sides) {
            tables.elsewhere = {s.away};
            EXPECT_EQ(s.local ? text : L"", scan({int(port)}, Endpoint::Local)) << i << s.away;
            EXPECT_EQ(s.remote ? text : L"", scan({int(port)}, Endpoint::Remote)) << i << s.away;
            EXPECT_EQ(text, scan({int(port)}, Endpoint::Both)) << i << s.away;
        }
    }

    // Both tables together: the port seen over both counts once, the listened
    // port not at all, and the ports (with an IPv4 client's) come out
    // ascending whatever their order.
    tables.only = 0;
    tables.elsewhere = {};
    unsigned low = std::min(port, clients[0]), high = std::max(port, clients[0]);
    EXPECT_EQ(std::to_wstring(low) + L"," + std::to_wstring(high),
              scan({int(idle), int(high), int(low)}, Endpoint::Both));
}

TEST(RealPortScan, TheConnectionsOfAWatchedPortNameTheOtherEnd)
{
    CLoopback loopback;
    CWindowsPowerSystem tables;
    unsigned clients[2] = {};
    const unsigned port = loopback.Serve(AF_INET, 0, &clients[0]);
    ASSERT_NE(0u, port);
    ASSERT_EQ(port, loopback.Serve(AF_INET6, port, &clients[1]))
        << "port " << port << " is taken over IPv6";

    // The other end's address and port of each connection of the port, in
    // the tables' order: IPv4 first.
    auto found = [&](Endpoint endpoint) {
        std::vector<std::pair<std::wstring, unsigned>> ends;
        for (const CPortConnection& c : FindPortConnections(tables, {int(port)}, endpoint)) {
            EXPECT_EQ(int(port), c.port);
            ends.emplace_back(c.remoteAddress, static_cast<unsigned>(c.remotePort));
        }
        return ends;
    };
    using Ends = std::vector<std::pair<std::wstring, unsigned>>;
    // The server's rows have the port locally, and the client at the other end.
    EXPECT_EQ((Ends{{L"127.0.0.1", clients[0]}, {L"::1", clients[1]}}), found(Endpoint::Local));
    // The clients' rows reach the port.
    EXPECT_EQ((Ends{{L"127.0.0.1", port}, {L"::1", port}}), found(Endpoint::Remote));
    Ends both = found(Endpoint::Both);
    std::sort(both.begin(), both.end());
    Ends expected = {
        {L"127.0.0.1", clients[0]}, {L"::1", clients[1]}, {L"127.0.0.1", port}, {L"::1", port}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, both);
}
