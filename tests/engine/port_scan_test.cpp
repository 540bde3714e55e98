// The port scan: which connections of the watched ports it reports, on which
// side, with which other end, over the fake system's tables and over the
// host's real ones with loopback connections this test opens itself.
#include "tests/support/loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/port_scan.h"
#include "tests/engine/fake_power_system.h"

namespace {

// The real tables; with `only` set, the other family's table cannot be read.
class CRealTables : public CWindowsPowerSystem
{
public:
    int only = 0;

    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order) override
    {
        return only == AF_INET6 ? ERROR_NOT_SUPPORTED
                                : CWindowsPowerSystem::GetTcpTable(table, size, order);
    }

    DWORD GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order) override
    {
        return only == AF_INET ? ERROR_NOT_SUPPORTED
                               : CWindowsPowerSystem::GetTcp6Table(table, size, order);
    }
};

} // namespace

TEST(PortConnections, EachConnectionOfAWatchedPortWithItsSideAndItsOtherEnd)
{
    CFakePowerSystem system;
    const DWORD away = Address4(203, 0, 113, 5);
    // Local 3389 from far away; remote 443 there; one with both ports
    // watched; a listening row, which does not count.
    MIB_TCPROW listening = Row4(443, 0, 0);
    listening.dwState = MIB_TCP_STATE_LISTEN;
    system.tcp4 = {Row4(3389, 50000, away), listening, Row4(50001, 443, away),
                   Row4(3389, 443, away)};
    using Found = std::vector<std::pair<int, int>>;
    auto ports = [&](Endpoint endpoint) {
        Found found;
        for (const CPortConnection& c : FindPortConnections(system, {443, 3389}, endpoint)) {
            EXPECT_EQ(L"203.0.113.5", c.remoteAddress);
            found.emplace_back(c.port, c.remotePort);
        }
        return found;
    };
    EXPECT_EQ((Found{{3389, 50000}, {3389, 443}}), ports(Endpoint::Local));
    EXPECT_EQ((Found{{443, 443}, {443, 443}}), ports(Endpoint::Remote));
    // By port, each in the table's order.
    EXPECT_EQ((Found{{443, 443}, {443, 443}, {3389, 50000}, {3389, 443}}), ports(Endpoint::Both));
    // The ports' own scan counts the same ones.
    EXPECT_EQ((CPortList{3389}), FindActivePorts(system, {443, 3389}, Endpoint::Local));
    EXPECT_EQ((CPortList{443}), FindActivePorts(system, {443, 3389}, Endpoint::Remote));
    EXPECT_EQ((CPortList{443, 3389}), FindActivePorts(system, {443, 3389}, Endpoint::Both));
    EXPECT_TRUE(FindPortConnections(system, {}, Endpoint::Both).empty());
}

TEST(RealPortScan, EstablishedLoopbackConnectionsAreFoundOnTheirSideWithTheirOtherEnd)
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
    const unsigned port = loopback.Serve(AF_INET, 0, &clients[0]);
    ASSERT_EQ(port, loopback.Serve(AF_INET6, port, &clients[1]))
        << "port " << port << " is taken over IPv6";
    const unsigned idle = loopback.Serve(AF_INET6, 0);
    ASSERT_NE(0u, idle);

    // Each family alone: the server's row has the port locally, the client's
    // row remotely.
    const std::wstring text = std::to_wstring(port);
    for (int family : {AF_INET, AF_INET6}) {
        tables.only = family;
        for (Endpoint endpoint : {Endpoint::Local, Endpoint::Remote, Endpoint::Both})
            EXPECT_EQ(text, scan({int(port)}, endpoint)) << family << static_cast<int>(endpoint);
    }

    // Both tables together: the port seen over both counts once, the listened
    // port not at all, and the ports (with an IPv4 client's) come out
    // ascending whatever their order.
    tables.only = 0;
    unsigned low = std::min(port, clients[0]), high = std::max(port, clients[0]);
    EXPECT_EQ(std::to_wstring(low) + L"," + std::to_wstring(high),
              scan({int(idle), int(high), int(low)}, Endpoint::Both));

    // The other end's address and port of each connection of the port, in
    // the tables' order, IPv4 first: the server's rows have the port locally
    // and the client at the other end; the clients' rows reach the port.
    using Ends = std::vector<std::pair<std::wstring, unsigned>>;
    auto found = [&](Endpoint endpoint) {
        Ends ends;
        for (const CPortConnection& c : FindPortConnections(tables, {int(port)}, endpoint)) {
            EXPECT_EQ(int(port), c.port);
            ends.emplace_back(c.remoteAddress, static_cast<unsigned>(c.remotePort));
        }
        return ends;
    };
    EXPECT_EQ((Ends{{L"127.0.0.1", clients[0]}, {L"::1", clients[1]}}), found(Endpoint::Local));
    EXPECT_EQ((Ends{{L"127.0.0.1", port}, {L"::1", port}}), found(Endpoint::Remote));
}
