#pragma once
// Loopback connections that a test opens and holds to its end, so that the
// host's real connection tables show them. Include it before <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

class CLoopback
{
public:
    CLoopback() { m_started = WSAStartup(MAKEWORD(2, 2), &m_winsock) == 0; }
    ~CLoopback()
    {
        for (SOCKET s : m_sockets)
            closesocket(s);
        if (m_started)
            WSACleanup();
    }
    CLoopback(const CLoopback&) = delete;
    CLoopback& operator=(const CLoopback&) = delete;

    // A listener on the loopback address of `family` (`port` 0: a free one)
    // and, with `client`, an established connection through it whose client
    // port goes there. Returns the listener's port, 0 on failure.
    unsigned Serve(int family, unsigned port, unsigned* client = nullptr)
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
            setsockopt(server, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<char*>(&yes),
                       sizeof yes);
        // The bound address, with the port taken, is where the client goes.
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (bind(server, raw, length) != 0 || listen(server, 4) != 0 ||
            getsockname(server, raw, &length) != 0)
            return 0;
        if (client) {
            SOCKET connecting = Open(family);
            if (connect(connecting, raw, length) != 0 ||
                m_sockets.emplace_back(accept(server, nullptr, nullptr)) == INVALID_SOCKET)
                return 0;
            *client = PortOf(connecting);
        }
        return PortOf(server);
    }

private:
    SOCKET Open(int family)
    {
        return m_sockets.emplace_back(socket(family, SOCK_STREAM, IPPROTO_TCP));
    }
    static unsigned PortOf(SOCKET s)
    {
        SOCKADDR_INET address{};
        int length = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        return ntohs(SS_PORT(&address));
    }

    WSADATA m_winsock{};
    bool m_started = false;
    std::vector<SOCKET> m_sockets;
};
