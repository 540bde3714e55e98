// The port scan over the host's real connection tables, with loopback
// connections this test opens itself.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/power_engine.h"
#include "engine/windows_power_system.h"

namespace
{
unsigned PortOf(SOCKET s)
{
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

sockaddr_storage Loopback(int family, unsigned port, int* length)
{
    sockaddr_storage address{};
    if (family == AF_INET6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
        in6->sin6_family = AF_INET6;
        in6->sin6_addr = in6addr_loopback;
        in6->sin6_port = htons(static_cast<u_short>(port));
        *length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&address);
        in4->sin_family = AF_INET;
        in4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        in4->sin_port = htons(static_cast<u_short>(port));
        *length = sizeof(sockaddr_in);
    }
    return address;
}

// A listener on the loopback address of one family and the established
// connections made through it; all its sockets close with it.
class CLoopbackServer
{
public:
    CLoopbackServer() = default;
    CLoopbackServer(const CLoopbackServer&) = delete;
    CLoopbackServer& operator=(const CLoopbackServer&) = delete;
    ~CLoopbackServer()
    {
        for (SOCKET s : m_sockets)
            closesocket(s);
    }

    // `port` 0 takes a free one.
    bool Listen(int family, unsigned port = 0)
    {
        m_family = family;
        m_listener = Open();
        if (m_listener == INVALID_SOCKET)
            return false;
        if (family == AF_INET6) {
            // Its own port space, so the same number can serve both families.
            DWORD only = 1;
            setsockopt(m_listener, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&only),
                       sizeof only);
        }
        int length = 0;
        sockaddr_storage address = Loopback(family, port, &length);
        return bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) == 0
            && listen(m_listener, 16) == 0;
    }

    unsigned Port() const { return PortOf(m_listener); }

    // Connects a client and accepts it; returns the client's own port.
    unsigned Connect()
    {
        SOCKET client = Open();
        int length = 0;
        sockaddr_storage address = Loopback(m_family, Port(), &length);
        if (client == INVALID_SOCKET
            || connect(client, reinterpret_cast<sockaddr*>(&address), length) != 0)
            return 0;
        SOCKET served = accept(m_listener, nullptr, nullptr);
        if (served == INVALID_SOCKET)
            return 0;
        m_sockets.push_back(served);
        return PortOf(client);
    }

private:
    SOCKET Open()
    {
        SOCKET s = socket(m_family, SOCK_STREAM, IPPROTO_TCP);
        if (s != INVALID_SOCKET)
            m_sockets.push_back(s);
        return s;
    }

    int m_family = AF_INET;
    SOCKET m_listener = INVALID_SOCKET;
    std::vector<SOCKET> m_sockets;
};

// The real tables, except that the rows of one local port are left out, as if
// that end of each connection were on another computer; and either table can
// be made unreadable.
class CRealTables : public CWindowsPowerSystem
{
public:
    unsigned elsewhere = 0;
    bool noIPv4 = false;
    bool noIPv6 = false;

    DWORD GetTcpTable(MIB_TCPTABLE* table, DWORD* size, BOOL order) override
    {
        return noIPv4 ? ERROR_NOT_SUPPORTED
                      : Kept(CWindowsPowerSystem::GetTcpTable(table, size, order), table);
    }

    DWORD GetTcp6Table(MIB_TCP6TABLE* table, DWORD* size, BOOL order) override
    {
        return noIPv6 ? ERROR_NOT_SUPPORTED
                      : Kept(CWindowsPowerSystem::GetTcp6Table(table, size, order), table);
    }

private:
    // A table read whole loses the rows of `elsewhere`.
    template <class Table>
    DWORD Kept(DWORD result, Table* table)
    {
        if (result != NO_ERROR)
            return result;
        auto away = [this](const auto& row) {
            return ntohs(static_cast<u_short>(row.dwLocalPort)) == elsewhere;
        };
        auto* end = std::remove_if(table->table, table->table + table->dwNumEntries, away);
        table->dwNumEntries = static_cast<DWORD>(end - table->table);
        return result;
    }
};

class RealPortScan : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override { ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &m_winsock)); }
    void TearDown() override { WSACleanup(); }

    std::wstring Scan(const CPortList& ports, int endpoint)
    {
        m_model.TcpPorts.list = ports;
        m_model.TcpPorts.endpoint = endpoint;
        return m_engine.ScanActivePorts();
    }

    static std::wstring Text(unsigned port) { return std::to_wstring(port); }

    WSADATA m_winsock{};
    CSettingsModel m_model;
    CRealTables m_system;
    CPowerEngine m_engine{m_model, m_system};
};

std::string FamilyName(const ::testing::TestParamInfo<int>& info)
{
    return info.param == AF_INET6 ? "IPv6" : "IPv4";
}
}

TEST_P(RealPortScan, EstablishedConnectionIsFoundOnTheRightSide)
{
    CLoopbackServer server;
    ASSERT_TRUE(server.Listen(GetParam()));
    unsigned port = server.Port();
    unsigned client = server.Connect();
    ASSERT_NE(0u, client);
    CPortList watched = {static_cast<int>(port)};

    // Both ends are on this computer: the server's row has the port locally,
    // the client's row remotely.
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_LOCAL));
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_REMOTE));
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_BOTH));

    // A client from elsewhere: the port is ours, the local side.
    m_system.elsewhere = client;
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_LOCAL));
    EXPECT_EQ(L"", Scan(watched, ENDPOINT_REMOTE));
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_BOTH));

    // A server elsewhere: the port is the one we reached, the remote side.
    m_system.elsewhere = port;
    EXPECT_EQ(L"", Scan(watched, ENDPOINT_LOCAL));
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_REMOTE));
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_BOTH));
}

TEST_P(RealPortScan, ListeningPortIsNotFound)
{
    CLoopbackServer server;
    ASSERT_TRUE(server.Listen(GetParam()));
    EXPECT_EQ(L"", Scan({static_cast<int>(server.Port())}, ENDPOINT_BOTH));
}

TEST_P(RealPortScan, PortsComeOutAscending)
{
    CLoopbackServer servers[3];
    CPortList watched;
    for (CLoopbackServer& server : servers) {
        ASSERT_TRUE(server.Listen(GetParam()));
        ASSERT_NE(0u, server.Connect());
        watched.push_back(static_cast<int>(server.Port()));
    }
    // Given in descending order, found in ascending order.
    std::sort(watched.rbegin(), watched.rend());
    CPortList ascending(watched.rbegin(), watched.rend());
    EXPECT_EQ(FormatPortList(ascending), Scan(watched, ENDPOINT_LOCAL));
}

INSTANTIATE_TEST_SUITE_P(Loopback, RealPortScan, ::testing::Values(AF_INET, AF_INET6), FamilyName);

TEST_F(RealPortScan, PortOverBothProtocolsIsListedOnce)
{
    CLoopbackServer server4;
    CLoopbackServer server6;
    ASSERT_TRUE(server4.Listen(AF_INET));
    unsigned port = server4.Port();
    ASSERT_TRUE(server6.Listen(AF_INET6, port)) << "port " << port << " is taken over IPv6";
    ASSERT_NE(0u, server4.Connect());
    ASSERT_NE(0u, server6.Connect());
    CPortList watched = {static_cast<int>(port)};

    // Each table holds it on its own...
    m_system.noIPv6 = true;
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_BOTH));
    m_system.noIPv6 = false;
    m_system.noIPv4 = true;
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_BOTH));
    // ...and together it still counts once.
    m_system.noIPv4 = false;
    EXPECT_EQ(Text(port), Scan(watched, ENDPOINT_BOTH));
}
