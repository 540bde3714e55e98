#pragma once
// Rows of the connection tables as GetTcpTable and GetTcp6Table give them,
// for the fake system's tables.
#include <windows.h>
#include <iphlpapi.h>

// An established loopback row as GetTcpTable gives it: ports in network byte
// order in the low 16 bits, with high bits that are not part of the port.
inline MIB_TCPROW Row4(unsigned localPort, unsigned remotePort)
{
    auto field = [](unsigned port) { return ((port & 0xFFu) << 8) | ((port >> 8) & 0xFFu); };
    return {{5},
            0x0100007F,
            field(localPort) | 0xABCD0000u,
            0x0100007F,
            field(remotePort) | 0x12340000u};
}

// An address of the IPv4 table: network byte order.
inline DWORD Address4(BYTE a, BYTE b, BYTE c, BYTE d)
{
    return static_cast<DWORD>(a | b << 8 | c << 16 | d << 24);
}

inline MIB_TCPROW Row4From(unsigned localPort, unsigned remotePort, DWORD remote)
{
    MIB_TCPROW row = Row4(localPort, remotePort);
    row.dwRemoteAddr = remote;
    return row;
}

// An established IPv6 row with the remote address 2001:db8::`last`.
inline MIB_TCP6ROW Row6(unsigned localPort, unsigned remotePort, BYTE last)
{
    MIB_TCP6ROW row{};
    row.State = MIB_TCP_STATE_ESTAB;
    row.dwLocalPort = Row4(localPort, 0).dwLocalPort;
    row.dwRemotePort = Row4(0, remotePort).dwRemotePort;
    row.RemoteAddr.u.Byte[0] = 0x20;
    row.RemoteAddr.u.Byte[1] = 0x01;
    row.RemoteAddr.u.Byte[2] = 0x0d;
    row.RemoteAddr.u.Byte[3] = 0xb8;
    row.RemoteAddr.u.Byte[15] = last;
    row.dwRemoteScopeId = 4096; // as Wine gives loopback rows; not shown
    return row;
}
