#pragma once
// Which watched TCP ports have an established connection now. Both tables
// (IPv4 and IPv6) are fetched afresh on every call.
#include "engine/power_system.h"
#include "settings/settings_model.h"

// The ports of `watched` seen in an established connection, on the side(s)
// `endpoint` names (bit 0 the local port, bit 1 the remote port), ascending
// and each once. A table that cannot be fetched is skipped; if memory runs out
// the ports found so far are returned.
CPortList FindActivePorts(IPowerSystem& system, const CPortList& watched, int endpoint);
