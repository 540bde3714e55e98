// The port scan over the host's real connection tables, with loopback
// connections this test opens itself.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

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

std::vector<SOCKET> g_sockets;

SOCKET Open(int family)
{
    return g_sockets.emplace_back(socket(family, SOCK_STREAM, IPPROTO_TCP));
}

unsigned PortOf(SOCKET s)
{
    SOCKADDR_INET address{};
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(SS_PORT(&address));
}

// A listener on the loopback address of `family` (`port` 0: a free one)
// and, with `client`, an established connection through it whose client
// port goes there. Returns the listener's port, 0 on failure.
unsigned Serve(int family, unsigned port, unsigned* client)
{
    SOCKADDR_INET address{};
    address.si_family = static_cast<ADDRESS_FAMILY>(family);
    SS_PORT(&address) = htons(static_cast<u_short>(port));
    int length = family == AF_INET6 ? sizeof address.Ipv6 : sizeof address.Ipv4;
    if (family == AF_INET6)
        address.Ipv6.sin6_addr = in6addr_loopback;
    else
        address.Ipv4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SOCKET server = Open(family);
    // IPv6 gets its own port space, so the same number can serve both families.
    DWORD yes = 1;
    if (family == AF_INET6)
        setsockopt(server, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<char*>(&yes), sizeof yes);
    // The bound address, with the port taken, is where the client goes.
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (bind(server, raw, length) != 0 || listen(server, 4) != 0 ||
        getsockname(server, raw, &length) != 0)
        return 0;
    if (client) {
        SOCKET connecting = Open(family);
        if (connect(connecting, raw, length) != 0 ||
            g_sockets.emplace_back(accept(server, nullptr, nullptr)) == INVALID_SOCKET)
            return 0;
        *client = PortOf(connecting);
    }
    return PortOf(server);
}
} // namespace

TEST(RealPortScan, EstablishedLoopbackPortsAreFoundOnTheirSide)
{
    WSADATA winsock{};
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &winsock));
    CSettingsModel model;
    CRealTables tables;
    CPowerEngine engine{model, tables};
    auto scan = [&](const CPortList& ports, int endpoint) {
        model.TcpPorts.list = ports;
        model.TcpPorts.endpoint = endpoint;
        return engine.ScanActivePorts();
    };
    // One port with a connection over each family, and one that is only
    // listened on.
    unsigned clients[2] = {};
    unsigned port = Serve(AF_INET, 0, &clients[0]);
    ASSERT_EQ(port, Serve(AF_INET6, port, &clients[1])) << "port " << port << " is taken over IPv6";
    unsigned idle = Serve(AF_INET6, 0, nullptr);
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
            EXPECT_EQ(s.local ? text : L"", scan({int(port)}, ENDPOINT_LOCAL)) << i << s.away;
            EXPECT_EQ(s.remote ? text : L"", scan({int(port)}, ENDPOINT_REMOTE)) << i << s.away;
            EXPECT_EQ(text, scan({int(port)}, ENDPOINT_BOTH)) << i << s.away;
        }
    }

    // Both tables together: the port seen over both counts once, the listened
    // port not at all, and the ports (with an IPv4 client's) come out
    // ascending whatever their order.
    tables.only = 0;
    tables.elsewhere = {};
    unsigned low = std::min(port, clients[0]), high = std::max(port, clients[0]);
    EXPECT_EQ(std::to_wstring(low) + L"," + std::to_wstring(high),
              scan({int(idle), int(high), int(low)}, ENDPOINT_BOTH));

    for (SOCKET s : g_sockets)
        closesocket(s);
    WSACleanup();
}
