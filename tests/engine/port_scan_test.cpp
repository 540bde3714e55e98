// The port scan over the fake system's tables: which connections of the
// watched ports it reports, on which side, with which other end.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/port_scan.h"
#include "tests/engine/fake_power_system.h"
#include "tests/engine/tcp_rows.h"

TEST(PortConnections, EachConnectionOfAWatchedPortWithItsSideAndItsOtherEnd)
{
    CFakePowerSystem system;
    const DWORD away = Address4(203, 0, 113, 5);
    // Local 3389 from far away; remote 443 there; one with both ports
    // watched; a listening row, which does not count.
    MIB_TCPROW listening = Row4From(443, 0, 0);
    listening.dwState = MIB_TCP_STATE_LISTEN;
    system.tcp4 = {Row4From(3389, 50000, away), listening, Row4From(50001, 443, away),
                   Row4From(3389, 443, away)};
    auto ports = [&](Endpoint endpoint) {
        std::vector<std::pair<int, int>> found;
        for (const CPortConnection& c : FindPortConnections(system, {443, 3389}, endpoint)) {
            EXPECT_EQ(L"203.0.113.5", c.remoteAddress);
            found.emplace_back(c.port, c.remotePort);
        }
        return found;
    };
    using Found = std::vector<std::pair<int, int>>;
    EXPECT_EQ((Found{{3389, 50000}, {3389, 443}}), ports(Endpoint::Local));
    EXPECT_EQ((Found{{443, 443}, {443, 443}}), ports(Endpoint::Remote));
    // By port, each in the table's order.
    EXPECT_EQ((Found{{443, 443}, {443, 443}, {3389, 50000}, {3389, 443}}), ports(Endpoint::Both));
    // The ports' own scan counts the same ones.
    EXPECT_EQ((CPortList{443, 3389}), FindActivePorts(system, {443, 3389}, Endpoint::Both));
    EXPECT_TRUE(FindPortConnections(system, {}, Endpoint::Both).empty());

    // IPv6 after IPv4, its address in the short form, without a scope.
    system.tcp6 = {Row6(50002, 443, 7)};
    const std::vector<CPortConnection> found = FindPortConnections(system, {443}, Endpoint::Remote);
    ASSERT_EQ(3u, found.size());
    EXPECT_EQ(L"2001:db8::7", found[2].remoteAddress);
}
