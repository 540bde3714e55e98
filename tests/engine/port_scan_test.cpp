// The port scan over the host's real tables, with loopback connections this
// test opens itself: which connections of the watched ports it reports, on
// which side, with which other end. (The fake system's IPv6 table cannot be
// read, so the engine's tests show a scan that goes on without it.)
#include "tests/support/loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/port_scan.h"
#include "engine/power_engine.h"
#include "engine/windows_power_system.h"

TEST(RealPortScan, EstablishedLoopbackConnectionsAreFoundOnTheirSideWithTheirOtherEnd)
{
    CLoopback loopback;
    CSettingsModel model;
    CWindowsPowerSystem tables;
    CPowerEngine engine{model, tables};
    // One port with a connection over each family, and one that is only
    // listened on.
    unsigned clients[2] = {};
    const unsigned port = loopback.Serve(AF_INET, 0, &clients[0]);
    ASSERT_EQ(port, loopback.Serve(AF_INET6, port, &clients[1]))
        << "port " << port << " is taken over IPv6";
    const unsigned idle = loopback.Serve(AF_INET6, 0);
    ASSERT_NE(0u, idle);

    // The port seen over both families counts once, the listened port not at
    // all, and the ports (with an IPv4 client's) come out ascending whatever
    // their order.
    unsigned low = std::min(port, clients[0]), high = std::max(port, clients[0]);
    model.TcpPorts.list = {int(idle), int(high), int(low)};
    model.TcpPorts.endpoint = Endpoint::Both;
    EXPECT_EQ(std::to_wstring(low) + L"," + std::to_wstring(high), engine.ScanActivePorts());

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
