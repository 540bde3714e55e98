#pragma once
// Which watched TCP ports have an established connection now, and with whom.
// Both tables (IPv4 and IPv6) are fetched afresh on every call.
#include <string>
#include <vector>

#include "engine/power_system.h"
#include "settings/settings_model.h"

// The ports of `watched` seen in an established connection, on the side(s)
// `endpoint` names (bit 0 the local port, bit 1 the remote port), ascending
// and each once. A table that cannot be fetched is skipped; if memory runs out
// the ports found so far are returned.
CPortList FindActivePorts(IPowerSystem& system, const CPortList& watched, Endpoint endpoint);

// An established connection that uses a watched port.
struct CPortConnection
{
    int port;                   // the watched port
    std::wstring remoteAddress; // the other end: "192.0.2.7", "2001:db8::7"
    int remotePort;
};

// The established connections that FindActivePorts counts, by watched port
// ascending, then IPv4 before IPv6 in the tables' order; a connection that
// uses two watched ports is listed under each. Tables and memory fail as for
// FindActivePorts.
std::vector<CPortConnection> FindPortConnections(IPowerSystem& system, const CPortList& watched,
                                                 Endpoint endpoint);
